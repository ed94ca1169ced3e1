#include "simulator/SimulatedInstrument.h"
#include "link/MidiPorts.h"
#include "TestSupport.h"
#include <condition_variable>
#include <cstdlib>

using sim::Bytes;
using sim::Fault;
using sim::Model;
using sim::SimulatedInstrument;

namespace
{
// The system's side of the wire, without the system: an open input and output on the
// instrument's ports and a record of what came back.
struct Host : MidiInputPortCallback
{
    // The instrument's ports are the last ones on the bus.
    explicit Host (SimulatedInstrument& instrument)
    {
        juce::ignoreUnused (instrument);
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, this));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        if (in != nullptr)
            in->start();
    }

    ~Host() override
    {
        if (in != nullptr)
            in->stop();
        in.reset();  // waits for a delivery still running, before the record goes
    }

    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        std::lock_guard<std::mutex> l (lock);
        if (m.isActiveSense())
            senseTimes.push_back (juce::Time::getMillisecondCounterHiRes());
        else
            messages.emplace_back (m.getRawData(), m.getRawData() + m.getRawDataSize());
        changed.notify_all();
    }

    void send (const Bytes& b) { out->sendMessageNow (juce::MidiMessage (b.data(), (int) b.size())); }

    /** Waits for the count-th message (1-based) and returns it; empty on time-out. */
    Bytes waitFor (size_t count, int timeoutMs = 500)
    {
        std::unique_lock<std::mutex> l (lock);
        if (! changed.wait_for (l, std::chrono::milliseconds (timeoutMs), [&] { return messages.size() >= count; }))
            return {};
        return messages[count - 1];
    }

    size_t count()
    {
        std::lock_guard<std::mutex> l (lock);
        return messages.size();
    }

    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Bytes> messages;
    std::vector<double> senseTimes;
};

Bytes device (juce::uint8 command, std::initializer_list<juce::uint8> payload = {}, juce::uint8 counter = 0)
{
    Bytes m { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, counter, juce::uint8 (payload.size()), command };
    m.reserve (64);
    m.insert (m.end(), payload);
    m.push_back (0xF7);
    return m;
}

Bytes packed (juce::uint8 command, const Bytes& raw, juce::uint8 counter)
{
    SysexBuilder::static_request_counter = counter;
    SysexBuilder b (command, raw.data(), juce::uint8 (raw.size()), 1, true);
    return Bytes (b.data, b.data + b.size);
}

/** The status byte of a packed acknowledgement, or 99 when it does not decode. */
int ackStatus (const Bytes& m)
{
    SysexData r;
    r.copyFrom (m.data(), (int) m.size());
    juce::uint8 out[28] = {};
    const int len = m[7];
    return r.DecodeData (out, 28, len, 9, r.size - 11) == 0 ? (int) (juce::int8) out[0] : 99;
}

const Bytes identityRequest { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 };

struct SimulatorTest : ::testing::Test
{
    void SetUp() override { MidiPorts::useVirtualBus(); }
};
} // namespace

TEST_F (SimulatorTest, IdentityRepliesOfEachModelAndFault)
{
    struct Case
    {
        const char* name;
        Model model;
        std::vector<Fault> faults;
        Bytes reply;  // empty: no reply
    };
    const std::vector<Case> cases {
        { "KelaDorvo", Model::KelaDorvo, {}, { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, 0x01, 1, 0, 2, 9, 0xF7 } },
        { "KelaDorvo SE", Model::KelaDorvoSE, {}, { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, 0x01, 1, 0, 2, 9, 0xF7 } },
        { "boot loader", Model::BootLoader, {}, { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, 0x03, 1, 0, 2, 9, 0xF7 } },
        { "foreign maker", Model::KelaDorvo, { Fault::foreignManufacturer }, { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x20, 0x33, 0x04, 0x00, 0x01, 0x01, 1, 0, 2, 9, 0xF7 } },
        { "foreign member", Model::KelaDorvo, { Fault::foreignMember }, { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, 0x02, 1, 0, 2, 9, 0xF7 } },
        { "other id", Model::KelaDorvo, { Fault::otherDeviceId }, { 0xF0, 0x7E, 0x05, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, 0x01, 1, 0, 2, 9, 0xF7 } },
        { "no reply", Model::KelaDorvo, { Fault::noReply }, {} },
        { "silent output", Model::KelaDorvo, { Fault::silentOutput }, {} },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        SimulatedInstrument::Options o;
        o.model = c.model;
        o.firmware = { 1, 0, 2, 9 };
        SimulatedInstrument instrument (o);
        for (auto f : c.faults)
            instrument.setFault (f);
        instrument.plugIn();
        Host host (instrument);
        host.send (identityRequest);
        EXPECT_EQ (host.waitFor (1, c.reply.empty() ? 300 : 500), c.reply);
        EXPECT_EQ (instrument.received().size(), c.faults == std::vector<Fault> { Fault::silentOutput } ? 0u : 1u);
    }
}

TEST_F (SimulatorTest, GetsAnswerPromptlyWithTheSetCodeAndSetsAreStored)
{
    SimulatedInstrument instrument;
    instrument.plugIn();
    Host host (instrument);

    host.send (device (0x13, { 2 }));  // SetAftertouchCurbNum 2: no answer
    const auto t0 = juce::Time::getMillisecondCounterHiRes();
    host.send (device (0x14));         // GetAftertouchCurbNum
    const auto answer = host.waitFor (1);
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - t0, 20.0);
    ASSERT_EQ (answer.size(), 11u);
    EXPECT_EQ (answer[7], 1);
    EXPECT_EQ (answer[8], 0x13);
    EXPECT_EQ (answer[9], 2);
    EXPECT_EQ (instrument.getSetting (SysexCommand::SetAftertouchCurbNum), 2);
    EXPECT_EQ (host.count(), 1u);

    host.send (device (0x3F));  // GetIsSeq of the sequencer model
    EXPECT_EQ (host.waitFor (2), device (0x3E, { 1 }, answer[6] + 1));

    instrument.setModel (Model::KelaDorvo);
    host.send (device (0x3F));
    EXPECT_EQ (host.waitFor (3)[9], 0);

    instrument.setFault (Fault::wrongCommand);
    host.send (device (0x06));
    EXPECT_EQ (host.waitFor (4)[8], 0x06);

    instrument.setFault (Fault::wrongCommand, false);
    instrument.setFault (Fault::lateReply);
    const auto t1 = juce::Time::getMillisecondCounterHiRes();
    host.send (device (0x06));
    EXPECT_TRUE (host.waitFor (5, 300).empty());
    EXPECT_EQ (host.waitFor (5, 1000)[8], 0x05);
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - t1, 690.0);
}

TEST_F (SimulatorTest, SequencesAreServedInHalvesWithZerosBehindTheLastStep)
{
    SimulatedInstrument instrument;
    instrument.plugIn();
    Host host (instrument);

    // Write sequence 2 as 33 steps: a full first half, then one step.
    Bytes a { 2, 0x00, 32 }, b { 2, 0x20, 1 };
    for (int k = 0; k < 32; ++k)
    {
        a.push_back (juce::uint8 (40 + k));
        b.push_back (k == 0 ? 99 : 55);  // junk behind the count is not kept
    }
    auto write = [] (const Bytes& p)
    {
        Bytes m { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0, 35, 0x3A };
        m.reserve (64);
        m.insert (m.end(), p.begin(), p.end());
        m.push_back (0xF7);
        return m;
    };
    host.send (write (a));
    host.send (write (b));
    host.send (device (0x3B, { 2, 0x00, 0x20 }));
    host.send (device (0x3B, { 2, 0x20, 0x20 }));

    const auto first = host.waitFor (1), second = host.waitFor (2);
    ASSERT_EQ (first.size(), 45u);
    ASSERT_EQ (second.size(), 45u);
    EXPECT_EQ (Bytes (first.begin() + 7, first.begin() + 12), Bytes ({ 35, 0x3A, 2, 0x00, 32 }));
    EXPECT_EQ (Bytes (second.begin() + 7, second.begin() + 12), Bytes ({ 35, 0x3A, 2, 0x20, 1 }));
    EXPECT_EQ (first[12], 40);
    EXPECT_EQ (first[43], 71);
    EXPECT_EQ (second[12], 99);
    EXPECT_EQ (Bytes (second.begin() + 13, second.begin() + 44), Bytes (31, 0));

    auto stored = instrument.getSequence (2);
    EXPECT_EQ (stored[32], 99);
    EXPECT_EQ (stored[33], 0);

    // The model without a sequencer has none to serve.
    instrument.setModel (Model::KelaDorvo);
    host.send (device (0x3B, { 2, 0x00, 0x20 }));
    EXPECT_TRUE (host.waitFor (3, 200).empty());
}

TEST_F (SimulatorTest, TakesABlockWithAcknowledgementsAndResends)
{
    SimulatedInstrument instrument;
    instrument.plugIn();
    Host host (instrument);

    Bytes first (16), rest (7);
    for (int i = 0; i < 16; ++i) first[(size_t) i] = juce::uint8 (0x80 + i);
    for (int i = 0; i < 7; ++i) rest[(size_t) i] = juce::uint8 (i);

    host.send (device (0x15, {}, 0));
    auto ack = host.waitFor (1);
    EXPECT_EQ (ack.size(), 19u);
    EXPECT_EQ (ack[6], 0);
    EXPECT_EQ (ackStatus (ack), 0);

    instrument.setFault (Fault::resendStatus);
    const auto chunk = packed (0x16, first, 1);
    host.send (chunk);
    EXPECT_EQ (ackStatus (host.waitFor (2)), -1);
    host.send (chunk);  // the resend, same bytes and counter
    ack = host.waitFor (3);
    EXPECT_EQ (ack[6], 1);
    EXPECT_EQ (ackStatus (ack), 0);
    instrument.setFault (Fault::resendStatus, false);

    auto spoilt = packed (0x17, rest, 2);
    spoilt[9] ^= 0x01;  // wrong checksum: resend asked, nothing stored
    host.send (spoilt);
    EXPECT_EQ (ackStatus (host.waitFor (4)), -1);
    host.send (packed (0x17, rest, 2));
    EXPECT_EQ (ackStatus (host.waitFor (5)), 0);

    host.send (device (0x16, {}, 3));  // a chunk announcing no bytes: abort
    EXPECT_EQ (ackStatus (host.waitFor (6)), -3);

    Bytes expected = first;
    expected.insert (expected.end(), rest.begin(), rest.end());
    EXPECT_EQ (instrument.getReceivedBlock(), expected);

    // Faulty acknowledgements.
    instrument.setFault (Fault::wrongAckCounter);
    instrument.setFault (Fault::badChecksum);
    host.send (device (0x15, {}, 9));
    ack = host.waitFor (7);
    EXPECT_EQ (ack[6], 10);
    EXPECT_EQ (ackStatus (ack), 99);
    instrument.clearFaults();
    instrument.setFault (Fault::abortStatus);
    host.send (packed (0x16, first, 10));
    EXPECT_EQ (ackStatus (host.waitFor (8)), -3);
}

TEST_F (SimulatorTest, SendsItsBlockOneChunkPerAcknowledgement)
{
    SimulatedInstrument instrument;
    Bytes block (40);
    for (size_t i = 0; i < block.size(); ++i) block[i] = juce::uint8 (i * 3);
    instrument.setBlockToSend (block);
    instrument.setFault (Fault::badChecksum);  // the first sending of each chunk only
    instrument.plugIn();
    Host host (instrument);

    host.send (device (0x19));
    const auto start = host.waitFor (1);
    ASSERT_EQ (start.size(), 10u);
    EXPECT_EQ (start[8], 0x15);
    EXPECT_EQ (host.waitFor (2, 100), Bytes()) << "no chunk before the start is acknowledged";

    Bytes got;
    juce::uint8 counter = start[6];
    size_t seen = 1;
    for (int guard = 0; guard < 20; ++guard)
    {
        host.send (packed (0x18, { 0 }, counter++));
        auto chunk = host.waitFor (++seen);
        ASSERT_FALSE (chunk.empty());
        SysexData r;
        r.copyFrom (chunk.data(), (int) chunk.size());
        juce::uint8 out[28] = {};
        const int len = chunk[7];
        if (r.DecodeData (out, 28, len, 9, r.size - 11) != 0)
        {
            host.send (packed (0x18, { 0xFF }, counter++));  // resend, please
            auto again = host.waitFor (++seen);
            ASSERT_EQ (Bytes (again.begin(), again.begin() + 9), Bytes (chunk.begin(), chunk.begin() + 9));
            r.copyFrom (again.data(), (int) again.size());
            ASSERT_EQ (r.DecodeData (out, 28, len, 9, r.size - 11), 0);
            chunk = again;
        }
        got.insert (got.end(), out, out + len);
        if (chunk[8] == 0x17)
            break;
        EXPECT_EQ (chunk[8], 0x16);
    }
    EXPECT_EQ (got, block);
    host.send (packed (0x18, { 0 }, counter++));
    EXPECT_EQ (host.waitFor (seen + 1, 100), Bytes()) << "nothing after the last chunk's acknowledgement";
}

TEST_F (SimulatorTest, ABlockRequestLeftUnfinishedDoesNotStopItTakingABlock)
{
    SimulatedInstrument instrument;
    instrument.setBlockToSend (Bytes (40, 0x11));
    instrument.plugIn();
    Host host (instrument);

    // The system asks for the instrument's block and gives up after the start.
    host.send (device (0x19));
    EXPECT_EQ (host.waitFor (1)[8], 0x15);

    // Then it sends a block of its own: every chunk is acknowledged and kept.
    const Bytes chunk (16, 0x22);
    host.send (device (0x15, {}, 0));
    EXPECT_EQ (ackStatus (host.waitFor (2)), 0);
    host.send (packed (0x17, chunk, 1));
    const auto ack = host.waitFor (3);
    ASSERT_FALSE (ack.empty()) << "the last chunk went unanswered";
    EXPECT_EQ (ack[6], 1);
    EXPECT_EQ (ackStatus (ack), 0);
    EXPECT_EQ (instrument.getReceivedBlock(), chunk);
}

TEST_F (SimulatorTest, BootLoaderKeepsTheImageAndAcknowledgesEachPacket)
{
    SimulatedInstrument instrument;
    instrument.plugIn();
    Host host (instrument);

    host.send (device (0x00));  // Reboot
    EXPECT_EQ (instrument.getModel(), Model::BootLoader);
    EXPECT_EQ (instrument.rebootCount(), 1);

    Bytes p1 (28), p2 (1, 0xAB);
    for (int i = 0; i < 28; ++i) p1[(size_t) i] = juce::uint8 (255 - i);

    host.send (device (0x01, {}, 0));
    auto ack = host.waitFor (1);
    EXPECT_EQ (ack[8], 0x04);
    EXPECT_EQ (ack[6], 0);
    EXPECT_EQ (ackStatus (ack), 0);

    instrument.setFault (Fault::resendStatus);
    host.send (packed (0x03, p1, 1));
    EXPECT_EQ (ackStatus (host.waitFor (2)), -1);
    host.send (packed (0x03, p1, 1));
    ack = host.waitFor (3);
    EXPECT_EQ (ack[6], 1);
    EXPECT_EQ (ackStatus (ack), 0);
    instrument.clearFaults();

    host.send (packed (0x03, p2, 2));
    EXPECT_EQ (host.waitFor (4)[6], 2);
    host.send (device (0x02, {}, 3));
    EXPECT_TRUE (instrument.waitForReceived ([] (auto& r) { return r.size() == 6; }, 500));

    Bytes image = p1;
    image.push_back (0xAB);
    EXPECT_EQ (instrument.getFirmwareImage(), image);
    EXPECT_TRUE (instrument.updateEnded());
    EXPECT_EQ (instrument.getModel(), Model::KelaDorvoSE) << "runs the new firmware after the update";
    EXPECT_EQ (host.waitFor (5, 100), Bytes()) << "EndOfUpdate is not answered";
}

TEST_F (SimulatorTest, ActiveSensingInputFaultAndLogFile)
{
    const auto log = juce::File::createTempFile ("simlog");
    setenv ("DORVO_SIM_LOG", log.getFullPathName().toRawUTF8(), 1);
    setenv ("DORVO_SIM_MODEL", "kela", 1);
    setenv ("DORVO_SIM_FIRMWARE", "1.0.2.0", 1);
    setenv ("DORVO_SIM_FAULTS", "wrongCommand, inputCannotOpen", 1);
    auto instrument = sim::makeSimulatedInstrumentFromEnvironment();
    unsetenv ("DORVO_SIM_LOG");
    unsetenv ("DORVO_SIM_MODEL");
    unsetenv ("DORVO_SIM_FIRMWARE");
    unsetenv ("DORVO_SIM_FAULTS");
    ASSERT_TRUE (instrument);
    EXPECT_EQ (instrument->getModel(), Model::KelaDorvo);
    EXPECT_TRUE (instrument->hasFault (Fault::wrongCommand));

    Host refused (*instrument);
    EXPECT_EQ (refused.in, nullptr);
    instrument->setFault (Fault::inputCannotOpen, false);

    Host host (*instrument);
    host.send (identityRequest);
    EXPECT_EQ (host.waitFor (1)[14], 2);
    host.send (device (0x13, { 2 }));
    EXPECT_TRUE (instrument->waitForReceived ([] (auto& r) { return r.size() == 2; }, 500));
    EXPECT_EQ (log.loadFileAsString(), "F0 7E 7F 06 01 F7\nF0 00 2F 5A 04 01 00 01 13 02 F7\n");

    juce::Thread::sleep (450);
    std::vector<double> times;
    {
        std::lock_guard<std::mutex> l (host.lock);
        times = host.senseTimes;
    }
    ASSERT_GE (times.size(), 3u);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_NEAR (times[i] - times[i - 1], 100.0, 50.0);

    instrument->setFault (Fault::noActiveSensing);
    juce::Thread::sleep (120);
    {
        std::lock_guard<std::mutex> l (host.lock);
        host.senseTimes.clear();
    }
    juce::Thread::sleep (300);
    std::lock_guard<std::mutex> l (host.lock);
    EXPECT_TRUE (host.senseTimes.empty());
    log.deleteFile();
}

namespace
{
int threadsOfThisProcess()
{
    juce::Array<juce::File> tasks;
    juce::File ("/proc/self/task").findChildFiles (tasks, juce::File::findDirectories, false);
    return tasks.size();
}

bool threadsComeDownTo (int count)
{
    for (int i = 0; i < 400 && threadsOfThisProcess() > count; ++i)
        juce::Thread::sleep (5);
    return threadsOfThisProcess() <= count;
}
} // namespace

// The flood: note-ons and their note-offs, ten a millisecond, an active sensing behind every
// ten, from a thread of its own that runs only while the fault is on and the instrument
// plugged in; the instrument answers as ever in the middle of it.
TEST_F (SimulatorTest, FloodSendsTenThousandNotesASecondWithActiveSensingUntilItEnds)
{
    SimulatedInstrument::Options o;
    o.activeSensing = false;   // only the flood's
    SimulatedInstrument instrument (o);
    instrument.plugIn();
    Host host (instrument);
    const int threadsBefore = threadsOfThisProcess();

    const auto t0 = juce::Time::getMillisecondCounterHiRes();
    instrument.setFault (Fault::flood);
    EXPECT_EQ (threadsOfThisProcess(), threadsBefore + 1);
    ASSERT_EQ (host.waitFor (10000, 20000).size(), 3u);
    // A thousand ticks of ten notes: never faster than its pace.
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - t0, 900.0);
    {
        std::lock_guard<std::mutex> l (host.lock);
        for (size_t i = 0; i < 10000; ++i)
        {
            const juce::MidiMessage m (host.messages[i].data(), (int) host.messages[i].size());
            ASSERT_TRUE (i % 2 == 0 ? m.isNoteOn() : m.isNoteOff()) << i;
        }
        EXPECT_GE (host.senseTimes.size(), 999u);
    }

    // Answers come through the flood.
    host.send (identityRequest);
    ASSERT_TRUE (instrument.waitForReceived ([] (auto& r) { return r.size() == 1; }, 1000));

    instrument.setFault (Fault::flood, false);   // the flood's thread is gone when this returns
    EXPECT_TRUE (threadsComeDownTo (threadsBefore));
    ASSERT_TRUE (VirtualMidiBus::instance().waitUntilDelivered (5000));
    size_t heard = 0;
    bool replied = false;
    {
        std::lock_guard<std::mutex> l (host.lock);
        heard = host.messages.size();
        for (auto& m : host.messages)
            replied = replied || (m.size() == 17 && m[0] == 0xF0 && m[1] == 0x7E);
    }
    EXPECT_TRUE (replied);
    host.send (device (0x14));   // a get: its answer is the next message, no note after it
    ASSERT_EQ (host.waitFor (heard + 1).size(), 11u);
    EXPECT_EQ (host.count(), heard + 1);

    // Unplugging ends a flood too, before the ports go.
    instrument.setFault (Fault::flood);
    ASSERT_EQ (host.waitFor (heard + 101, 5000).size(), 3u);
    instrument.unplug();
    EXPECT_TRUE (threadsComeDownTo (threadsBefore - 1)) << "the timer and the flood both ended";
}
