#include "link/HWTemplate.h"
#include "link/PortUse.h"

juce::Array<HWTemplate*> HWTemplate::templates;
juce::CriticalSection HWTemplate::mMutex;
juce::CriticalSection HWTemplate::mCritical;

namespace
{
constexpr int smallestTransferMessage = 10;   // F0 .. command F7, no payload
constexpr int ackStatusOk = 0;
constexpr int ackResend = -1;
constexpr int ackResendToo = -2;
constexpr int ackAbort = -3;

juce::uint32 now() { return juce::Time::getMillisecondCounter(); }

bool timedOut (juce::uint32 since) { return now() - since > (juce::uint32) HWTemplate::timeoutMs; }

/** Unpacks the packed payload of a transfer message (length byte 7, checksum byte 9, packed
    bytes up to the F7) into out; false when it declares more than fits or does not decode. */
bool decodePayload (const SysexData& message, juce::uint8 (&out)[SysexFrame::maxPackedPayload], int& length)
{
    length = message.data[SysexFrame::lengthIndex];
    return message.DecodeData (out, SysexFrame::maxPackedPayload, length, SysexFrame::payloadIndex,
                               message.size - 11) == 0;
}
} // namespace

//==============================================================================
HWTemplate::HWTemplate (unsigned long size)
    : mData ((size_t) size, true)
{
    const juce::ScopedLock listed (mMutex);
    templates.add (this);
}

HWTemplate::~HWTemplate()
{
    const juce::ScopedLock listed (mMutex);
    mLastPacket.reset();
    templates.removeAllInstancesOf (this);
}

//==============================================================================
void HWTemplate::MidiReceived (const juce::MidiMessage& message)
{
    const juce::ScopedLock listed (mMutex);
    for (auto* block : templates)
        block->MessageReceived (message);
}

void HWTemplate::MessageReceived (const juce::MidiMessage& message)
{
    const juce::ScopedLock state (mCritical);

    if (! mSending.load (std::memory_order_relaxed) && ! mReceiving.load (std::memory_order_relaxed))
        return;

    const auto* d = message.getRawData();
    const int n = message.getRawDataSize();
    if (n < smallestTransferMessage || n > SysexFrame::maxMessageSize || d[0] != 0xF0)
        return;

    mLastMessage.copyFrom (message);

    switch (d[SysexFrame::commandIndex])
    {
        case toByte (SysexCommand::TemplateAck):
            if (d[SysexFrame::counterIndex] == mExpectedAckCounter)
            {
                mAckMessage = mLastMessage;
                mAckFlag.store (true, std::memory_order_release);
            }
            break;
        case toByte (SysexCommand::TemplateStart):
            mStartMessage = mLastMessage;
            mStartFlag.store (true, std::memory_order_release);
            break;
        case toByte (SysexCommand::TemplateChunk):
            mChunkMessage = mLastMessage;
            mChunkFlag.store (true, std::memory_order_release);
            break;
        case toByte (SysexCommand::TemplateLastChunk):
            mEndMessage = mLastMessage;
            mEndFlag.store (true, std::memory_order_release);
            break;
        default:
            break;
    }
}

//==============================================================================
bool HWTemplate::send (MidiOutputPort* output)
{
    if (mSending.load (std::memory_order_acquire) || mReceiving.load (std::memory_order_acquire))
        return false;

    // The port is held across the nested loop: a running user of it.
    const PortUse::Scope holdingThePort;
    beginSend (output);
    return sendingLoop();
}

void HWTemplate::beginSend (MidiOutputPort* output)
{
    const juce::ScopedLock state (mCritical);
    mSource = std::make_unique<juce::MemoryInputStream> (mData, false);
    mOutput = output;
    mPacketsRemaining = (juce::int64) ((mData.getSize() + chunkSize - 1) / chunkSize);
    mAckFlag.store (false, std::memory_order_release);
    mExpectedAckCounter = 0;
    mResends = 0;
    SysexBuilder::static_request_counter = 0;

    // Kept like a chunk, so a resend status answering it sends it again.
    mLastPacket = std::make_unique<SysexBuilder> (SysexCommand::TemplateStart, nullptr, 0,
                                                  SysexFrame::byte5, false);
    mSending.store (true, std::memory_order_release);
    sendSysex (mOutput, *mLastPacket);
}

bool HWTemplate::sendingLoop()
{
    // The time limit restarts only when the transfer moves on; resend requests and
    // acknowledgements that mean nothing do not keep it alive.
    return runLoop (&HWTemplate::sendingStep);
}

bool HWTemplate::runLoop (Step (HWTemplate::*step)())
{
    auto t0 = now();
    for (;;)
    {
        if (timedOut (t0))
        {
            abandonTransfer();
            return false;
        }

        switch ((this->*step)())
        {
            case Step::waiting:
                if (! PortUse::runSlice (loopSliceMs))
                {
                    abandonTransfer();
                    return false;
                }
                break;
            case Step::movedOn:
                t0 = now();
                break;
            case Step::goesOn:
                break;
            case Step::succeeded:
                return true;
            case Step::failed:
                return false;
        }
    }
}

HWTemplate::Step HWTemplate::sendingStep()
{
    if (! mAckFlag.load (std::memory_order_acquire))
        return Step::waiting;

    const juce::ScopedLock state (mCritical);
    mAckFlag.store (false, std::memory_order_relaxed);
    if (! AckReceived (mAckMessage))
        return Step::goesOn;  // undecodable: as if it never came

    switch (mStatus)
    {
        case ackStatusOk:
            mResends = 0;
            if (mPacketsRemaining > 1)
                SendNextPacket (false);
            else if (mPacketsRemaining == 1)
                SendNextPacket (true);
            else
            {
                endSend();
                return Step::succeeded;
            }
            return Step::movedOn;
        case ackResend:
        case ackResendToo:
            if (++mResends > maxResends)
            {
                endSend();
                return Step::failed;
            }
            if (++mPacketsRemaining > 0)
                ResendLastPacket();
            return Step::goesOn;
        case ackAbort:
            endSend();
            return Step::failed;
        default:
            return Step::goesOn;
    }
}

void HWTemplate::abandonTransfer()
{
    const juce::ScopedLock state (mCritical);
    if (mSending.load (std::memory_order_relaxed))
        endSend();
    if (mReceiving.load (std::memory_order_relaxed))
        endReceive();
}

bool HWTemplate::AckReceived (const SysexData& ack)
{
    if (ack.data[SysexFrame::lengthIndex] == 0)
        return true;  // no payload: the previous status stands

    juce::uint8 status[SysexFrame::maxPackedPayload];
    int length = 0;
    if (! decodePayload (ack, status, length))
        return false;
    mStatus = (juce::int8) status[0];
    return true;
}

void HWTemplate::SendNextPacket (bool last)
{
    juce::uint8 bytes[chunkSize];
    const int count = juce::jmax (0, mSource->read (bytes, chunkSize));

    mExpectedAckCounter = SysexBuilder::static_request_counter;
    mLastPacket = std::make_unique<SysexBuilder> (last ? SysexCommand::TemplateLastChunk : SysexCommand::TemplateChunk,
                                                  bytes, (juce::uint8) count, SysexFrame::byte5, true);
    sendSysex (mOutput, *mLastPacket);
    --mPacketsRemaining;
}

void HWTemplate::ResendLastPacket()
{
    if (mLastPacket != nullptr)
        sendSysex (mOutput, *mLastPacket);
    --mPacketsRemaining;
}

void HWTemplate::endSend()
{
    mSending.store (false, std::memory_order_release);
    mLastPacket.reset();
    mSource.reset();
}

//==============================================================================
bool HWTemplate::receive (MidiOutputPort* output)
{
    if (mSending.load (std::memory_order_acquire) || mReceiving.load (std::memory_order_acquire))
        return false;

    // The port is held across the nested loop: a running user of it.
    const PortUse::Scope holdingThePort;
    beginReceive (output);
    return receivingLoop();
}

void HWTemplate::beginReceive (MidiOutputPort* output)
{
    const juce::ScopedLock state (mCritical);
    mSink = std::make_unique<juce::MemoryOutputStream> (mData, false);
    mOutput = output;
    mStartFlag.store (false, std::memory_order_release);
    mChunkFlag.store (false, std::memory_order_release);
    mEndFlag.store (false, std::memory_order_release);
    mResends = 0;
    mStarted = false;

    const SysexBuilder request (SysexCommand::TemplateRequest, nullptr, 0, SysexFrame::byte5, false);
    mReceiving.store (true, std::memory_order_release);
    sendSysex (mOutput, request);
}

bool HWTemplate::receivingLoop()
{
    // The time limit restarts only on progress: the instrument's first start and every chunk
    // stored. A chunk that fails to unpack is asked for again, at most maxResends times.
    return runLoop (&HWTemplate::receivingStep);
}

HWTemplate::Step HWTemplate::receivingStep()
{
    if (mStartFlag.load (std::memory_order_acquire))
    {
        const juce::ScopedLock state (mCritical);
        mStartFlag.store (false, std::memory_order_relaxed);
        StartReceived (mStartMessage);
        const bool first = ! mStarted;
        mStarted = true;
        return first ? Step::movedOn : Step::goesOn;
    }

    if (mChunkFlag.load (std::memory_order_acquire))
    {
        const juce::ScopedLock state (mCritical);
        mChunkFlag.store (false, std::memory_order_relaxed);
        const auto result = takeChunk (mChunkMessage);
        if (result == ChunkResult::overflow || result == ChunkResult::exhausted)
        {
            endReceive();
            return Step::failed;
        }
        return result == ChunkResult::stored ? Step::movedOn : Step::goesOn;
    }

    if (mEndFlag.load (std::memory_order_acquire))
    {
        const juce::ScopedLock state (mCritical);
        mEndFlag.store (false, std::memory_order_relaxed);
        const auto result = takeChunk (mEndMessage);
        // A last chunk that failed to unpack is asked for again; wait for its resend.
        if (result == ChunkResult::rejected)
            return Step::goesOn;
        endReceive();
        return result == ChunkResult::stored ? Step::succeeded : Step::failed;
    }

    return Step::waiting;
}

HWTemplate::ChunkResult HWTemplate::takeChunk (const SysexData& chunk)
{
    const auto result = ChunkReceived (chunk);
    if (result == ChunkResult::stored)
        mResends = 0;
    else if (result == ChunkResult::rejected)
        ++mResends;
    return result;
}

void HWTemplate::StartReceived (const SysexData& start)
{
    // Our acknowledgements carry the instrument's counter from here on.
    SysexBuilder::static_request_counter = start.data[SysexFrame::counterIndex] & 0x7F;
    sendAck (ackStatusOk);
}

HWTemplate::ChunkResult HWTemplate::ChunkReceived (const SysexData& chunk)
{
    juce::uint8 bytes[SysexFrame::maxPackedPayload];
    int length = 0;

    ChunkResult result;
    if (chunk.data[SysexFrame::lengthIndex] == 0)
    {
        mStatus = ackAbort;
        result = ChunkResult::empty;
    }
    else if (! decodePayload (chunk, bytes, length))
    {
        // Asked for again, as often as the budget lets; then the transfer is given up and the
        // instrument told to stop.
        const bool mayAskAgain = mResends < maxResends;
        mStatus = mayAskAgain ? ackResend : ackAbort;
        result = mayAskAgain ? ChunkResult::rejected : ChunkResult::exhausted;
    }
    else if ((size_t) mSink->getPosition() + (size_t) length > maxReceiveBytes)
    {
        mStatus = ackAbort;
        result = ChunkResult::overflow;
    }
    else
    {
        mSink->write (bytes, (size_t) length);
        mStatus = ackStatusOk;
        result = ChunkResult::stored;
    }

    sendAck (mStatus);
    return result;
}

void HWTemplate::sendAck (juce::int8 status)
{
    const juce::uint8 payload = (juce::uint8) status;
    const SysexBuilder ack (SysexCommand::TemplateAck, &payload, 1, SysexFrame::byte5, true);
    sendSysex (mOutput, ack);
}

void HWTemplate::endReceive()
{
    mReceiving.store (false, std::memory_order_release);
    mSink.reset();  // cuts the block to the bytes written
}
