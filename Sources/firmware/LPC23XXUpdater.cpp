#include "firmware/LPC23XXUpdater.h"

namespace
{
constexpr int minAckSize = 10;   // F0 .. command, F7: an acknowledgement without payload

int packAck (int counter, juce::int8 status)
{
    return ((counter & 0x7F) << 8) | (juce::uint8) status;
}
} // namespace

LPC23XXUpdater::LPC23XXUpdater() : juce::Thread ("LPC23XX updater")
{
}

LPC23XXUpdater::~LPC23XXUpdater()
{
    StopUpdate (2000);
}

void LPC23XXUpdater::Reboot (MidiOutputPort* out)
{
    SysexBuilder::static_request_counter = 0;
    const SysexBuilder reboot (SysexCommand::Reboot, nullptr, 0, SysexFrame::byte5, false);
    sendSysex (out, reboot);
    juce::Time::waitForMillisecondCounter (juce::Time::getMillisecondCounter() + (juce::uint32) rebootBlockMs);
}

bool LPC23XXUpdater::StartUpdate (MidiOutputPort* out, juce::InputStream* firmware)
{
    if (mUpdating.load (std::memory_order_acquire))
        return false;
    // A worker that has just ended its loop may still be on its way out.
    if (isThreadRunning() && ! waitForThreadToExit (2000))
        return false;

    mMidiOutput = out;
    mFirmwareStream = firmware;

    const juce::int64 length = firmware != nullptr ? juce::jmax<juce::int64> (0, firmware->getTotalLength() - firmware->getPosition()) : 0;
    const juce::int64 packets = length / packetBytes + (length % packetBytes != 0 ? 1 : 0);
    mPacketsTotal.store (packets, std::memory_order_release);
    mPacketsRemaining.store (packets, std::memory_order_release);
    mExpectedCounter.store (0, std::memory_order_release);
    mAck.store (noAck, std::memory_order_relaxed);
    mAckPending.store (false, std::memory_order_release);
    mResends = 0;
    mOutcome.store (static_cast<int> (Outcome::running), std::memory_order_release);

    SysexBuilder::static_request_counter = 0;
    mLastPacket = std::make_unique<SysexBuilder> (SysexCommand::StartUpdate, nullptr, 0, SysexFrame::byte5, false);

    // The transfer runs before the start message goes out, so that however soon its
    // acknowledgement comes, it is taken.
    mUpdating.store (true, std::memory_order_release);
    sendSysex (mMidiOutput, *mLastPacket);
    startWorker();
    return true;
}

void LPC23XXUpdater::AckReceived (const juce::MidiMessage& message)
{
    if (! mUpdating.load (std::memory_order_acquire))
        return;

    const int size = message.getRawDataSize();
    if (size < minAckSize || size > SysexFrame::maxMessageSize)
        return;

    SysexData record;
    record.copyFrom (message);
    if (record.data[SysexFrame::counterIndex] != mExpectedCounter.load (std::memory_order_acquire))
        return;

    const int rawLength = record.data[SysexFrame::lengthIndex];
    if (rawLength > packetBytes)
        return;

    juce::int8 status = -3;   // an acknowledgement without payload
    if (rawLength > 0)
    {
        // A packed part that does not fit the raw length leaves the status 0, a wrong checksum
        // the byte as it unpacked.
        juce::uint8 raw[packetBytes] = {};
        record.DecodeData (raw, packetBytes, rawLength, SysexFrame::payloadIndex, record.size - 11);
        status = (juce::int8) raw[0];
    }

    mAck.store (packAck (record.data[SysexFrame::counterIndex], status), std::memory_order_relaxed);
    mAckPending.store (true, std::memory_order_release);
    notify();
}

double LPC23XXUpdater::GetProgression() const
{
    if (! mUpdating.load (std::memory_order_acquire))
        return 1.0;
    const auto total = mPacketsTotal.load (std::memory_order_acquire);
    if (total <= 0)
        return 1.0;
    const auto remaining = mPacketsRemaining.load (std::memory_order_acquire);
    return juce::jlimit (0.0, 1.0, (double) (total - remaining) / (double) total);
}

bool LPC23XXUpdater::StopUpdate (int timeoutMs)
{
    if (! isThreadRunning())
        return true;
    signalThreadShouldExit();
    notify();
    return waitForThreadToExit (timeoutMs);
}

void LPC23XXUpdater::run()
{
    // The limit runs from the last acknowledgement that moved the transfer on, never from the
    // start: a whole image may well take longer than the limit while every packet is taken.
    const auto clock = mClock.load (std::memory_order_acquire);
    auto lastMove = clock();
    Outcome outcome = Outcome::stopped;

    for (;;)
    {
        // EndOfUpdate has gone out: whatever comes now, the transfer is complete.
        if (mPacketsRemaining.load (std::memory_order_acquire) < 0)
        {
            outcome = Outcome::completed;
            break;
        }
        if (threadShouldExit())
            break;

        bool movedOn = false;
        if (ackStep (movedOn))
        {
            if (movedOn)
                lastMove = clock();
            if (GetOutcome() == Outcome::failed)
            {
                outcome = Outcome::failed;
                break;
            }
            continue;
        }

        const auto waited = clock() - lastMove;
        if (waited >= (juce::uint32) ackTimeoutMs)
        {
            outcome = Outcome::failed;
            break;
        }
        wait (juce::jmin (ackWaitSliceMs, ackTimeoutMs - (int) waited));
    }

    finish (outcome);
}

bool LPC23XXUpdater::ackStep (bool& movedOn)
{
    movedOn = false;
    if (! mAckPending.exchange (false, std::memory_order_acq_rel))
        return false;
    movedOn = HandleAck();
    return true;
}

void LPC23XXUpdater::finish (Outcome outcome)
{
    mLastPacket = nullptr;
    if (outcome != Outcome::completed)
        mPacketsRemaining.store (-1, std::memory_order_release);
    mOutcome.store (static_cast<int> (outcome), std::memory_order_release);
    mUpdating.store (false, std::memory_order_release);
}

bool LPC23XXUpdater::HandleAck()
{
    const int ack = mAck.load (std::memory_order_acquire);
    // One for a message sent before the current one (a late duplicate) is not its answer.
    if (ack == noAck || (ack >> 8) != mExpectedCounter.load (std::memory_order_acquire))
        return false;

    switch ((juce::int8) (ack & 0xFF))
    {
        case 0:
        case -3:
            if (mPacketsRemaining.load (std::memory_order_acquire) > 0)
                SendNextPacket();
            else
                SendEndOfUpdateMsg();
            return true;

        case -1:
        case -2:
            if (mResends >= maxResends)
            {
                mOutcome.store (static_cast<int> (Outcome::failed), std::memory_order_release);
                return false;
            }
            if (mPacketsRemaining.fetch_add (1, std::memory_order_acq_rel) + 1 > 0)
                ResendLastPacket();
            return false;

        default:
            return false;   // no meaning: wait for another acknowledgement
    }
}

void LPC23XXUpdater::SendNextPacket()
{
    juce::uint8 bytes[packetBytes] = {};
    const int n = mFirmwareStream != nullptr ? juce::jmax (0, mFirmwareStream->read (bytes, packetBytes)) : 0;

    // The counter this packet is about to carry, awaited before the packet goes out.
    mExpectedCounter.store (SysexBuilder::static_request_counter, std::memory_order_release);
    mLastPacket = std::make_unique<SysexBuilder> (SysexCommand::UpdatePacket, bytes, (juce::uint8) n,
                                                  SysexFrame::byte5, true);
    mResends = 0;
    // Counted before it goes out, so that whoever sees the packet sees the progress too.
    mPacketsRemaining.fetch_sub (1, std::memory_order_acq_rel);
    sendSysex (mMidiOutput, *mLastPacket);
}

void LPC23XXUpdater::ResendLastPacket()
{
    // The same bytes, so the same counter: the awaited counter stays.
    ++mResends;
    mPacketsRemaining.fetch_sub (1, std::memory_order_acq_rel);
    if (mLastPacket != nullptr)
        sendSysex (mMidiOutput, *mLastPacket);
}

void LPC23XXUpdater::SendEndOfUpdateMsg()
{
    mExpectedCounter.store (SysexBuilder::static_request_counter, std::memory_order_release);
    mLastPacket = nullptr;
    const SysexBuilder end (SysexCommand::EndOfUpdate, nullptr, 0, SysexFrame::byte5, false);
    mPacketsRemaining.fetch_sub (1, std::memory_order_acq_rel);
    sendSysex (mMidiOutput, end);
}
