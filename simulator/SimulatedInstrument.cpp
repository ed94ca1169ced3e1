// The simulated instrument lives in this folder.
#include "simulator/SimulatedInstrument.h"
#include "link/MidiPorts.h"
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

namespace sim
{
namespace
{
using Clock = std::chrono::steady_clock;

constexpr int faultCount = static_cast<int> (Fault::flood) + 1;
constexpr int activeSensingMs = 100;
constexpr int chunkBytes = 16;   // block bytes per chunk the instrument sends
constexpr int sequenceCount = 6;
constexpr int sequenceSteps = 64;
constexpr int halfSteps = 32;
constexpr int floodNotesPerMs = 10;   // Fault::flood: 10,000 note messages a second
constexpr int floodLagLimitMs = 20;   // behind by more: the flood takes up its pace from now

// The settings that come in Set/Get pairs: the Get code is the Set code plus one.
constexpr juce::uint8 settingSetCodes[] = { 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F, 0x11, 0x13, 0x25,
                                            0x2A, 0x2C, 0x2E, 0x32, 0x34, 0x36, 0x38, 0x3C, 0x3E };

bool isSettingSetCode (juce::uint8 code)
{
    for (auto c : settingSetCodes)
        if (c == code)
            return true;
    return false;
}

bool isSettingGetCode (juce::uint8 code) { return code > 0 && isSettingSetCode (juce::uint8 (code - 1)); }

/** A device message as the instrument builds it: its own counter, raw or packed payload. */
Bytes deviceMessage (juce::uint8 command, juce::uint8 counter, const juce::uint8* payload, int length,
                     bool packed, bool corruptChecksum = false)
{
    Bytes m { 0xF0, SysexFrame::manufacturer1, SysexFrame::manufacturer2, SysexFrame::manufacturer3,
              SysexFrame::byte4, SysexFrame::byte5, juce::uint8 (counter & 0x7F), juce::uint8 (length), command };
    m.reserve ((size_t) SysexFrame::maxMessageSize);
    if (packed)
    {
        juce::uint8 out[SysexFrame::packRoom] = {};
        int written = SysexFrame::packRoom;
        juce::uint8 checksum = 0;
        SysexDataDebiteur (payload, length, out, &written, &checksum);
        m.push_back (corruptChecksum ? juce::uint8 ((checksum + 1) & 0x7F) : checksum);
        m.insert (m.end(), out, out + written);
    }
    else if (length > 0)
    {
        m.insert (m.end(), payload, payload + length);
    }
    m.push_back (0xF7);
    return m;
}

juce::String toHex (const Bytes& bytes)
{
    juce::String s;
    for (size_t i = 0; i < bytes.size(); ++i)
        s << (i > 0 ? " " : "") << juce::String::toHexString ((int) bytes[i]).paddedLeft ('0', 2).toUpperCase();
    return s;
}
} // namespace

struct SimulatedInstrument::State
{
    mutable std::mutex lock;
    mutable std::condition_variable receivedChanged;

    Options options;
    Model model = Model::KelaDorvoSE;
    Model runningModel = Model::KelaDorvoSE;  // the model a reboot leaves and the end of an update returns to
    std::array<bool, faultCount> faults {};

    std::array<juce::uint8, 128> settings {};
    std::array<std::array<juce::uint8, sequenceSteps>, sequenceCount> steps {};
    std::array<int, sequenceCount> lengths {};
    juce::uint8 testResult = 0;
    juce::uint8 counter = 0;  // byte 6 of the next message the instrument builds

    // Block transfer: what the system sends us, and what we send on TemplateRequest.
    Bytes receivingBlock;
    Bytes blockToSend;
    bool sendingBlock = false;
    size_t sendPosition = 0;
    Bytes lastChunk;          // kept for a resend
    bool lastChunkWasLast = false;

    // Boot loader.
    Bytes firmwareImage;
    bool updateEnded = false;
    int reboots = 0;
    int packetsTaken = 0;      // since the last StartUpdate
    bool startResent = false;  // Fault::resendStart asked for it
    int acksOwed = 0;          // acknowledgements waiting in the delayed list
    int ackOrderViolations = 0;

    // A resend status is asked once per message: the message last answered with -1.
    Bytes resendAskedFor;

    std::vector<Bytes> received;
    std::FILE* log = nullptr;
    juce::String logPath;

    // Plugged in, the timer thread, and messages it sends later.
    bool plugged = false;
    bool timerQuit = false;
    std::condition_variable timerWake;
    std::thread timer;
    struct Later
    {
        Clock::time_point due;
        Bytes message;
        bool owedAck;   // an acknowledgement the boot loader owes (counted in acksOwed)
    };
    std::vector<Later> delayed;

    // Fault::flood: its thread runs while plugged in with the fault on. floodControl keeps
    // one start or stop at a time (it is never taken with the state lock held).
    std::mutex floodControl;
    std::thread flooder;
    bool floodQuit = false;
    std::condition_variable floodWake;

    bool fault (Fault f) const { return faults[(size_t) f]; }
    juce::uint8 nextCounter() { auto c = counter; counter = juce::uint8 ((counter + 1) & 0x7F); return c; }
};

SimulatedInstrument::SimulatedInstrument() : SimulatedInstrument (Options()) {}

SimulatedInstrument::SimulatedInstrument (Options options) : mState (std::make_unique<State>())
{
    auto& s = *mState;
    s.options = options;
    s.model = options.model;
    s.runningModel = options.model == Model::BootLoader ? Model::KelaDorvoSE : options.model;

    // Factory settings of a fresh instrument.
    auto set = [&s] (SysexCommand c, juce::uint8 v) { s.settings[toByte (c)] = v; };
    set (SysexCommand::SetChannelIn, 1);
    set (SysexCommand::SetChannelOut, 1);
    set (SysexCommand::SetBendRange, 2);
    set (SysexCommand::SetGateLen, 2);
    set (SysexCommand::SetStepSize, 16);

    // A factory preset: the block it sends until it is given another.
    s.blockToSend.resize (87);
    for (size_t i = 0; i < s.blockToSend.size(); ++i)
        s.blockToSend[i] = juce::uint8 ((i * 29 + 3) & 0xFF);

    // Six short factory sequences, with a rest now and then, zero behind the last step.
    for (int i = 0; i < sequenceCount; ++i)
    {
        s.lengths[(size_t) i] = 8 * (i + 1);
        for (int k = 0; k < s.lengths[(size_t) i]; ++k)
            s.steps[(size_t) i][(size_t) k] = (k % 7 == 6) ? juce::uint8 (127) : juce::uint8 (48 + (k * 5 + i * 7) % 36);
    }

    s.logPath = juce::SystemStats::getEnvironmentVariable ("DORVO_SIM_LOG", {});
}

SimulatedInstrument::~SimulatedInstrument()
{
    unplug();
    if (mState->log != nullptr)
        std::fclose (mState->log);
}

void SimulatedInstrument::plugIn (VirtualMidiBus::Ports ports)
{
    {
        std::lock_guard<std::mutex> l (mState->lock);
        if (mState->plugged)
            return;
        mState->plugged = true;
        mState->timerQuit = false;
        mState->delayed.clear();
        mState->acksOwed = 0;
    }
    MidiPorts::useVirtualBus();
    VirtualMidiBus::instance().addDevice (mState->options.portName, this, ports);

    mState->timer = std::thread ([this]
    {
        auto& s = *mState;
        auto nextSense = Clock::now() + std::chrono::milliseconds (activeSensingMs);
        std::unique_lock<std::mutex> l (s.lock);
        while (! s.timerQuit)
        {
            auto wakeAt = nextSense;
            for (auto& d : s.delayed)
                wakeAt = std::min (wakeAt, d.due);
            s.timerWake.wait_until (l, wakeAt);
            if (s.timerQuit)
                break;

            const auto now = Clock::now();
            std::vector<Bytes> due;
            for (auto it = s.delayed.begin(); it != s.delayed.end();)
            {
                if (it->due <= now)
                {
                    // No longer owed once on its way: what the system sends after it is in order.
                    if (it->owedAck)
                        --s.acksOwed;
                    due.push_back (std::move (it->message));
                    it = s.delayed.erase (it);
                }
                else
                    ++it;
            }
            bool sense = false;
            if (now >= nextSense)
            {
                sense = s.options.activeSensing && ! s.fault (Fault::noActiveSensing);
                while (nextSense <= now)
                    nextSense += std::chrono::milliseconds (activeSensingMs);
            }

            // Never call the bus while holding our own lock.
            l.unlock();
            for (auto& m : due)
                VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (m.data(), (int) m.size()));
            if (sense)
                VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (0xFE));
            l.lock();
        }
    });
    updateFlood();
}

void SimulatedInstrument::unplug()
{
    std::thread timer;
    {
        std::lock_guard<std::mutex> l (mState->lock);
        if (! mState->plugged)
            return;
        mState->plugged = false;
        mState->timerQuit = true;
        mState->delayed.clear();
        mState->acksOwed = 0;
        timer = std::move (mState->timer);
    }
    mState->timerWake.notify_all();
    if (timer.joinable())
        timer.join();
    updateFlood();   // no longer plugged in: the flood ends before the ports go
    VirtualMidiBus::instance().removeDevice (this);
}

void SimulatedInstrument::updateFlood()
{
    auto& s = *mState;
    const std::lock_guard<std::mutex> control (s.floodControl);
    std::thread stopping;
    {
        std::lock_guard<std::mutex> l (s.lock);
        const bool wanted = s.plugged && s.fault (Fault::flood);
        if (wanted == s.flooder.joinable())
            return;
        if (wanted)
        {
            s.floodQuit = false;
            s.flooder = std::thread ([this] { floodLoop(); });
            return;
        }
        s.floodQuit = true;
        stopping = std::move (s.flooder);
    }
    s.floodWake.notify_all();
    stopping.join();
}

void SimulatedInstrument::floodLoop()
{
    auto& s = *mState;
    auto next = Clock::now();
    int note = 0;
    std::unique_lock<std::mutex> l (s.lock);
    while (! s.floodQuit)
    {
        const bool sense = ! s.fault (Fault::noActiveSensing);   // Options::activeSensing is the timer's
        // Never call the bus while holding our own lock.
        l.unlock();
        for (int i = 0; i < floodNotesPerMs; ++i, ++note)
        {
            const int key = 36 + (note / 2) % 48;
            VirtualMidiBus::instance().sendToHost (this, note % 2 == 0 ? juce::MidiMessage::noteOn (1, key, (juce::uint8) 100)
                                                                       : juce::MidiMessage::noteOff (1, key));
            if (sense && i == floodNotesPerMs - 1)
                VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (0xFE));
        }
        l.lock();

        next += std::chrono::milliseconds (1);
        const auto now = Clock::now();
        if (next + std::chrono::milliseconds (floodLagLimitMs) < now)
            next = now;   // fell behind (a slow build, a busy machine): no burst to catch up
        s.floodWake.wait_until (l, next, [&s] { return s.floodQuit; });
    }
}

void SimulatedInstrument::setModel (Model model)
{
    std::lock_guard<std::mutex> l (mState->lock);
    mState->model = model;
    if (model != Model::BootLoader)
        mState->runningModel = model;
}

Model SimulatedInstrument::getModel() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->model;
}

void SimulatedInstrument::setFirmware (std::array<juce::uint8, 4> version)
{
    std::lock_guard<std::mutex> l (mState->lock);
    mState->options.firmware = version;
}

void SimulatedInstrument::setFault (Fault fault, bool on)
{
    {
        std::lock_guard<std::mutex> l (mState->lock);
        mState->faults[(size_t) fault] = on;
    }
    if (fault == Fault::flood)
        updateFlood();
}

bool SimulatedInstrument::hasFault (Fault fault) const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->fault (fault);
}

void SimulatedInstrument::clearFaults()
{
    {
        std::lock_guard<std::mutex> l (mState->lock);
        mState->faults.fill (false);
    }
    updateFlood();
}

juce::uint8 SimulatedInstrument::getSetting (SysexCommand setCode) const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->settings[toByte (setCode) & 0x7F];
}

void SimulatedInstrument::setSetting (SysexCommand setCode, juce::uint8 value)
{
    std::lock_guard<std::mutex> l (mState->lock);
    mState->settings[toByte (setCode) & 0x7F] = value;
}

std::array<juce::uint8, 64> SimulatedInstrument::getSequence (int index) const
{
    std::lock_guard<std::mutex> l (mState->lock);
    std::array<juce::uint8, 64> out {};
    if (index < 0 || index >= sequenceCount)
        return out;
    const auto& s = *mState;
    for (int k = 0; k < s.lengths[(size_t) index]; ++k)
        out[(size_t) k] = s.steps[(size_t) index][(size_t) k];
    return out;
}

void SimulatedInstrument::setSequence (int index, const std::array<juce::uint8, 64>& steps)
{
    std::lock_guard<std::mutex> l (mState->lock);
    if (index < 0 || index >= sequenceCount)
        return;
    auto& s = *mState;
    s.steps[(size_t) index] = steps;
    int length = 0;
    while (length < sequenceSteps && steps[(size_t) length] != 0)
        ++length;
    s.lengths[(size_t) index] = length;
}

Bytes SimulatedInstrument::getReceivedBlock() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->receivingBlock;
}

void SimulatedInstrument::setBlockToSend (const Bytes& block)
{
    std::lock_guard<std::mutex> l (mState->lock);
    mState->blockToSend = block;
}

Bytes SimulatedInstrument::getFirmwareImage() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->firmwareImage;
}

bool SimulatedInstrument::updateEnded() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->updateEnded;
}

int SimulatedInstrument::rebootCount() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->reboots;
}

int SimulatedInstrument::ackOrderViolations() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->ackOrderViolations;
}

std::vector<Bytes> SimulatedInstrument::received() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return mState->received;
}

void SimulatedInstrument::clearReceived()
{
    std::lock_guard<std::mutex> l (mState->lock);
    mState->received.clear();
}

std::vector<Bytes> SimulatedInstrument::receivedWithCommand (juce::uint8 command) const
{
    std::lock_guard<std::mutex> l (mState->lock);
    std::vector<Bytes> out;
    for (auto& m : mState->received)
        if (m.size() > (size_t) SysexFrame::commandIndex && m[0] == 0xF0 && m[1] == SysexFrame::manufacturer1
            && m[2] == SysexFrame::manufacturer2 && m[3] == SysexFrame::manufacturer3
            && m[(size_t) SysexFrame::commandIndex] == command)
            out.push_back (m);
    return out;
}

bool SimulatedInstrument::waitForReceived (const std::function<bool (const std::vector<Bytes>&)>& pred,
                                           int timeoutMs) const
{
    std::unique_lock<std::mutex> l (mState->lock);
    return mState->receivedChanged.wait_for (l, std::chrono::milliseconds (timeoutMs),
                                             [&] { return pred (mState->received); });
}

void SimulatedInstrument::sendToHost (const juce::MidiMessage& message)
{
    {
        std::lock_guard<std::mutex> l (mState->lock);
        if (! mState->plugged)
            return;
    }
    VirtualMidiBus::instance().sendToHost (this, message);
}

bool SimulatedInstrument::inputCanOpen() const
{
    std::lock_guard<std::mutex> l (mState->lock);
    return ! mState->fault (Fault::inputCannotOpen);
}

// ---------------------------------------------------------------------------------------------
// Hearing the system. Runs on the sender's thread with the bus's output lock held: the answers
// are worked out under our own lock and handed to the bus only after it is released.

void SimulatedInstrument::messageFromHost (const juce::MidiMessage& message)
{
    const auto* raw = message.getRawData();
    const int n = message.getRawDataSize();
    if (raw == nullptr || n <= 0 || message.isActiveSense())
        return;

    const Bytes m (raw, raw + n);
    std::vector<Bytes> answers;
    bool late = false;
    {
        std::lock_guard<std::mutex> l (mState->lock);
        auto& s = *mState;
        if (s.fault (Fault::silentOutput))
            return;

        s.received.push_back (m);
        if (s.logPath.isNotEmpty())
        {
            if (s.log == nullptr)
                s.log = std::fopen (s.logPath.toRawUTF8(), "a");
            if (s.log != nullptr)
            {
                std::fprintf (s.log, "%s\n", toHex (m).toRawUTF8());
                std::fflush (s.log);
            }
        }
        s.receivedChanged.notify_all();

        // Without replies the instrument still takes what it hears (sets, sequences...).
        answer (m, answers);
        if (s.fault (Fault::noReply) || (s.model == Model::BootLoader && s.fault (Fault::bootLoaderMute)))
            answers.clear();
        late = s.fault (Fault::lateReply);

        if (late && ! answers.empty())
        {
            const auto due = Clock::now() + std::chrono::milliseconds (s.options.lateReplyMs);
            for (auto& a : answers)
                s.delayed.push_back ({ due, std::move (a), false });
            answers.clear();
            s.timerWake.notify_all();
        }
    }

    for (auto& a : answers)
        VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (a.data(), (int) a.size()));
}

// Everything below runs with the state lock held.

void SimulatedInstrument::answer (const Bytes& m, std::vector<Bytes>& out)
{
    auto& s = *mState;

    // The universal identity request: F0 7E id 06 01 F7.
    if (m.size() == 6 && m[0] == 0xF0 && m[1] == 0x7E && m[3] == 0x06 && m[4] == 0x01 && m[5] == 0xF7)
    {
        if (m[2] != 0x7F && m[2] != s.options.deviceId)
            return;
        const juce::uint8 id = s.fault (Fault::otherDeviceId) ? s.options.deviceIdForFault : s.options.deviceId;
        Bytes reply { 0xF0, 0x7E, id, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01,
                      juce::uint8 (s.model == Model::BootLoader ? 0x03 : 0x01) };
        if (s.fault (Fault::foreignManufacturer))
        {
            reply[5] = 0x00;
            reply[6] = 0x20;
            reply[7] = 0x33;
        }
        if (s.fault (Fault::foreignMember))
            reply[11] = 0x02;
        reply.insert (reply.end(), s.options.firmware.begin(), s.options.firmware.end());
        reply.push_back (0xF7);
        out.push_back (reply);
        return;
    }

    // Device messages: F0 00 2F 5A b4 b5 counter length command ... F7.
    if (m.size() < 10 || m[0] != 0xF0 || m[1] != SysexFrame::manufacturer1 || m[2] != SysexFrame::manufacturer2
        || m[3] != SysexFrame::manufacturer3 || m.back() != 0xF7)
        return;

    if (s.model == Model::BootLoader)
        answerBootLoader (m, out);
    else
        answerRunning (m, out);
}

juce::uint8 SimulatedInstrument::ackCounter (const Bytes& m) const
{
    const auto c = m[(size_t) SysexFrame::counterIndex];
    return mState->fault (Fault::wrongAckCounter) ? juce::uint8 ((c + 1) & 0x7F) : c;
}

Bytes SimulatedInstrument::ack (juce::uint8 command, const Bytes& m, juce::int8 status) const
{
    const auto st = (juce::uint8) status;
    return deviceMessage (command, ackCounter (m), &st, 1, true, mState->fault (Fault::badChecksum));
}

juce::int8 SimulatedInstrument::dataStatus (const Bytes& m, bool takenWell)
{
    auto& s = *mState;
    if (s.fault (Fault::abortStatus))
        return -3;
    if (s.fault (Fault::resendStatus) && s.resendAskedFor != m)
    {
        s.resendAskedFor = m;
        return s.options.resendStatusCode;
    }
    s.resendAskedFor.clear();
    return takenWell ? 0 : -1;
}

void SimulatedInstrument::answerBootLoader (const Bytes& m, std::vector<Bytes>& out)
{
    auto& s = *mState;
    const auto command = m[(size_t) SysexFrame::commandIndex];
    constexpr auto ackCode = toByte (SysexCommand::UpdateAck);

    if (s.fault (Fault::bootLoaderMute))
        return;

    const bool isData = command == toByte (SysexCommand::UpdatePacket);
    if ((isData || command == toByte (SysexCommand::EndOfUpdate)) && s.acksOwed > 0)
        ++s.ackOrderViolations;

    // The acknowledgement of m with status, as the faults shape it.
    auto acknowledge = [&] (juce::int8 status)
    {
        const auto counter = m[(size_t) SysexFrame::counterIndex];
        Bytes a = s.fault (Fault::emptyAck) ? deviceMessage (ackCode, ackCounter (m), nullptr, 0, false)
                                            : ack (ackCode, m, status);
        const bool delayed = s.fault (Fault::strayAcks) || s.fault (Fault::slowAcks)
                             || (isData && s.fault (Fault::oddStatusFirst));
        if (! delayed)
        {
            out.push_back (a);
            return;
        }
        if (s.fault (Fault::strayAcks))
        {
            const juce::uint8 zero = 0;
            out.push_back (deviceMessage (ackCode, juce::uint8 (counter + 1), &zero, 1, true));   // wrong counter
            out.push_back (deviceMessage (toByte (SysexCommand::TemplateAck), counter, &zero, 1, true));
            Bytes tooLong = deviceMessage (ackCode, counter, &zero, 1, true);
            tooLong.insert (tooLong.end() - 1, 31, juce::uint8 (0));   // 50 bytes
            out.push_back (tooLong);
            Bytes tooManyRaw = deviceMessage (ackCode, counter, &zero, 1, true);
            tooManyRaw[(size_t) SysexFrame::lengthIndex] = SysexFrame::maxPackedPayload + 1;
            out.push_back (tooManyRaw);
            out.push_back (Bytes (a.begin(), a.begin() + 9));   // cut short
        }
        if (isData && s.fault (Fault::oddStatusFirst))
            out.push_back (ack (ackCode, m, s.options.oddStatus));
        s.delayed.push_back ({ Clock::now() + std::chrono::milliseconds (s.options.ackDelayMs), std::move (a), true });
        ++s.acksOwed;
        s.timerWake.notify_all();
    };

    if (command == toByte (SysexCommand::StartUpdate))
    {
        const bool resend = s.fault (Fault::resendStart) && ! s.startResent;
        s.startResent = resend;
        s.firmwareImage.clear();
        s.updateEnded = false;
        s.resendAskedFor.clear();
        s.packetsTaken = 0;
        acknowledge (resend ? s.options.resendStatusCode : juce::int8 (0));
    }
    else if (isData)
    {
        if (s.fault (Fault::silentAfterPackets) && s.packetsTaken >= s.options.silentAfterPackets)
            return;
        juce::uint8 bytes[SysexFrame::maxPackedPayload] = {};
        SysexData record;
        record.copyFrom (m.data(), (int) m.size());
        const int length = m[(size_t) SysexFrame::lengthIndex];
        const bool decoded = length > 0
                             && record.DecodeData (bytes, SysexFrame::maxPackedPayload, length,
                                                   SysexFrame::payloadIndex, record.size - 11) == 0;
        const auto status = s.fault (Fault::resendForever) ? s.options.resendStatusCode : dataStatus (m, decoded);
        if (status == 0)
        {
            s.firmwareImage.insert (s.firmwareImage.end(), bytes, bytes + length);
            ++s.packetsTaken;
        }
        acknowledge (status);
    }
    else if (command == toByte (SysexCommand::EndOfUpdate))
    {
        // The new firmware runs: the instrument starts again as the model it was.
        s.updateEnded = true;
        s.model = s.runningModel;
        const auto& image = s.firmwareImage;
        if (image.size() >= 8 && image[0] == 'D' && image[1] == 'V' && image[2] == 'F' && image[3] == 'W')
            std::copy (image.begin() + 4, image.begin() + 8, s.options.firmware.begin());
    }
}

void SimulatedInstrument::answerRunning (const Bytes& m, std::vector<Bytes>& out)
{
    auto& s = *mState;
    const auto command = m[(size_t) SysexFrame::commandIndex];
    const int length = m[(size_t) SysexFrame::lengthIndex];
    const bool wrong = s.fault (Fault::wrongCommand);

    if (isSettingSetCode (command))
    {
        if (m.size() >= 11 && length >= 1)
            s.settings[command] = m[(size_t) SysexFrame::payloadIndex];
        return;
    }

    if (isSettingGetCode (command))
    {
        const auto setCode = juce::uint8 (command - 1);
        juce::uint8 value = s.settings[setCode];
        if (setCode == toByte (SysexCommand::SetIsSeq))
            value = s.model == Model::KelaDorvoSE ? 1 : 0;
        out.push_back (deviceMessage (wrong ? command : setCode, s.nextCounter(), &value, 1, false));
        return;
    }

    switch (static_cast<SysexCommand> (command))
    {
        case SysexCommand::Reboot:
            ++s.reboots;
            s.model = Model::BootLoader;
            s.sendingBlock = false;
            return;

        case SysexCommand::SetTestResults:
            if (m.size() >= 11 && length >= 1)
                s.testResult = m[(size_t) SysexFrame::payloadIndex];
            return;

        case SysexCommand::GetTestResults:
        {
            const auto code = wrong ? toByte (SysexCommand::SetTestResults) : command;
            out.push_back (deviceMessage (code, s.nextCounter(), &s.testResult, 1, false));
            return;
        }

        case SysexCommand::SetSeqPattern:
        {
            // sequence, offset, count, 32 steps: the steps behind the count are not kept.
            if (s.model != Model::KelaDorvoSE || m.size() < 45 || length < 35)
                return;
            const int seq = m[9], offset = m[10], count = juce::jmin ((int) m[11], halfSteps);
            if (seq >= sequenceCount || (offset != 0 && offset != halfSteps))
                return;
            auto& steps = s.steps[(size_t) seq];
            for (int k = 0; k < halfSteps; ++k)
                steps[(size_t) (offset + k)] = k < count ? m[(size_t) (12 + k)] : juce::uint8 (0);
            s.lengths[(size_t) seq] = offset + count;
            return;
        }

        case SysexCommand::GetSeqPattern:
        {
            if (s.model != Model::KelaDorvoSE || m.size() < 13 || length < 3)
                return;
            const int seq = m[9], offset = m[10];
            if (seq >= sequenceCount || (offset != 0 && offset != halfSteps))
                return;
            juce::uint8 payload[35] = {};
            const int count = juce::jlimit (0, halfSteps, s.lengths[(size_t) seq] - offset);
            payload[0] = juce::uint8 (seq);
            payload[1] = juce::uint8 (offset);
            payload[2] = juce::uint8 (count);
            for (int k = 0; k < count; ++k)
                payload[3 + k] = s.steps[(size_t) seq][(size_t) (offset + k)];
            const auto code = wrong ? command : toByte (SysexCommand::SetSeqPattern);
            out.push_back (deviceMessage (code, s.nextCounter(), payload, 35, false));
            return;
        }

        // The block transfer, receiving side: the system sends us a block.
        case SysexCommand::TemplateStart:
            // The system sends a block of its own: whatever we were sending it is over.
            s.sendingBlock = false;
            s.receivingBlock.clear();
            s.resendAskedFor.clear();
            out.push_back (ack (toByte (SysexCommand::TemplateAck), m, 0));
            return;

        case SysexCommand::TemplateChunk:
        case SysexCommand::TemplateLastChunk:
        {
            if (s.sendingBlock)
                return;
            juce::int8 status = -3;
            juce::uint8 bytes[SysexFrame::maxPackedPayload] = {};
            if (length > 0)
            {
                SysexData record;
                record.copyFrom (m.data(), (int) m.size());
                const bool decoded = record.DecodeData (bytes, SysexFrame::maxPackedPayload, length,
                                                        SysexFrame::payloadIndex, record.size - 11) == 0;
                status = dataStatus (m, decoded);
                if (status == 0)
                    s.receivingBlock.insert (s.receivingBlock.end(), bytes, bytes + length);
                // A whole block taken is the one it keeps, and sends on TemplateRequest.
                if (status == 0 && command == toByte (SysexCommand::TemplateLastChunk))
                    s.blockToSend = s.receivingBlock;
            }
            out.push_back (ack (toByte (SysexCommand::TemplateAck), m, status));
            return;
        }

        // The block transfer, sending side: TemplateRequest, then one chunk per acknowledgement.
        case SysexCommand::TemplateRequest:
            s.sendingBlock = true;
            s.sendPosition = 0;
            s.lastChunk.clear();
            s.lastChunkWasLast = false;
            out.push_back (deviceMessage (toByte (SysexCommand::TemplateStart), s.nextCounter(), nullptr, 0, false));
            return;

        case SysexCommand::TemplateAck:
        {
            if (! s.sendingBlock)
                return;
            juce::uint8 status = 0;
            if (length > 0)
            {
                SysexData record;
                record.copyFrom (m.data(), (int) m.size());
                juce::uint8 bytes[SysexFrame::maxPackedPayload] = {};
                if (record.DecodeData (bytes, SysexFrame::maxPackedPayload, length, SysexFrame::payloadIndex,
                                       record.size - 11) == 0)
                    status = bytes[0];
            }
            const auto st = (juce::int8) status;
            if (st == -3 || (st == 0 && s.lastChunkWasLast))
            {
                s.sendingBlock = false;
                return;
            }
            if ((st == -1 || st == -2) && ! s.lastChunk.empty())
            {
                out.push_back (s.lastChunk);
                return;
            }
            if (st != 0)
                return;

            const size_t left = s.blockToSend.size() - s.sendPosition;
            const int take = (int) std::min<size_t> (left, chunkBytes);
            const bool last = left <= (size_t) chunkBytes;
            const auto code = toByte (last ? SysexCommand::TemplateLastChunk : SysexCommand::TemplateChunk);
            const auto* from = s.blockToSend.data() + s.sendPosition;
            s.lastChunk = deviceMessage (code, s.nextCounter(), from, take, true);
            s.lastChunkWasLast = last;
            s.sendPosition += (size_t) take;
            // A bad checksum spoils only the first sending of a chunk; its resend is sound.
            out.push_back (s.fault (Fault::badChecksum) ? deviceMessage (code, s.lastChunk[6], from, take, true, true)
                                                        : s.lastChunk);
            return;
        }

        default:
            return;  // RecallPreset, StorePreset, SetTestMode, boot-loader commands: no answer
    }
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<SimulatedInstrument> makeSimulatedInstrumentFromEnvironment()
{
    const auto env = [] (const char* name) { return juce::SystemStats::getEnvironmentVariable (name, {}).trim(); };

    SimulatedInstrument::Options options;
    const auto model = env ("DORVO_SIM_MODEL").toLowerCase();
    if (model == "none")
        return nullptr;
    if (model == "kela")
        options.model = Model::KelaDorvo;
    else if (model == "bootloader")
        options.model = Model::BootLoader;
    else
        options.model = Model::KelaDorvoSE;

    const auto firmware = juce::StringArray::fromTokens (env ("DORVO_SIM_FIRMWARE"), ".", {});
    if (firmware.size() == 4)
        for (int i = 0; i < 4; ++i)
            options.firmware[(size_t) i] = juce::uint8 (juce::jlimit (0, 127, firmware[i].getIntValue()));

    static const std::pair<const char*, Fault> names[] = {
        { "noReply", Fault::noReply },
        { "lateReply", Fault::lateReply },
        { "wrongCommand", Fault::wrongCommand },
        { "wrongAckCounter", Fault::wrongAckCounter },
        { "badChecksum", Fault::badChecksum },
        { "resendStatus", Fault::resendStatus },
        { "abortStatus", Fault::abortStatus },
        { "foreignManufacturer", Fault::foreignManufacturer },
        { "foreignMember", Fault::foreignMember },
        { "otherDeviceId", Fault::otherDeviceId },
        { "noActiveSensing", Fault::noActiveSensing },
        { "silentOutput", Fault::silentOutput },
        { "inputCannotOpen", Fault::inputCannotOpen },
        { "bootLoaderMute", Fault::bootLoaderMute },
        { "silentAfterPackets", Fault::silentAfterPackets },
        { "resendForever", Fault::resendForever },
        { "resendStart", Fault::resendStart },
        { "emptyAck", Fault::emptyAck },
        { "strayAcks", Fault::strayAcks },
        { "oddStatusFirst", Fault::oddStatusFirst },
        { "slowAcks", Fault::slowAcks },
        { "flood", Fault::flood },
    };

    auto instrument = std::make_unique<SimulatedInstrument> (options);
    for (auto& token : juce::StringArray::fromTokens (env ("DORVO_SIM_FAULTS"), ",", {}))
        for (auto& n : names)
            if (token.trim().equalsIgnoreCase (n.first))
                instrument->setFault (n.second);
    instrument->plugIn();
    return instrument;
}
} // namespace sim
