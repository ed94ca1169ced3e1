#include "link/HWMessages.h"
#include "link/PortUse.h"
#include <thread>

namespace
{
constexpr int commonSlices = 1000;
constexpr int commonSliceMs = 10;
constexpr int minDeviceAnswer = 10;  // F0, header of nine bytes... F7: the shortest device message
constexpr int minValueAnswer = 11;   // one with a value at byte 9
constexpr int seqHalfAnswer = 45;    // SetSeqPattern with its 35 raw bytes
constexpr int halfSteps = 32;
constexpr int seqPayload = 35;       // sequence, offset, count, 32 steps

bool fitsDataByte (juce::uint8 b) { return b < 0x80; }
} // namespace

std::atomic<juce::uint64> HWMessages::mWaitToken { 0 };
std::atomic<bool> HWMessages::mWaitInProgress { false };
juce::uint8 HWMessages::mResponse = 0;
SysexData HWMessages::mData;
juce::MidiMessage HWMessages::outMessage;
juce::CriticalSection HWMessages::mutex;

// ---------------------------------------------------------------------------------------------
// Sending

void HWMessages::sendSet (MidiOutputPort* out, SysexCommand command, juce::uint8 value)
{
    const juce::ScopedLock lock (mutex);
    if (out == nullptr || ! fitsDataByte (value))
        return;
    SysexBuilder message (command, &value, 1, SysexFrame::byte5, false);
    sendSysex (out, message);
}

bool HWMessages::get (MidiOutputPort* out, SysexCommand request, SysexCommand answer, juce::uint8* value)
{
    const juce::ScopedLock lock (mutex);
    // Refused before anything is built, so a refused get leaves the counter alone too.
    if (out == nullptr || value == nullptr || mWaitInProgress.load())
        return false;
    SysexBuilder message (request, nullptr, 0, SysexFrame::byte5, false);
    return SndSysexAndWaitNotEncMsg (out, &message, toByte (answer), value);
}

void HWMessages::setChannelIn (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetChannelIn, v); }
bool HWMessages::getChannelIn (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetChannelIn, SysexCommand::SetChannelIn, v); }
void HWMessages::setChannelOut (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetChannelOut, v); }
bool HWMessages::getChannelOut (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetChannelOut, SysexCommand::SetChannelOut, v); }
void HWMessages::setAudioGateThreshold (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetAudioGateThreshold, v); }
bool HWMessages::getAudioGateThreshold (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetAudioGateThreshold, SysexCommand::SetAudioGateThreshold, v); }
void HWMessages::setLFORetrig (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetLFORetrig, v); }
bool HWMessages::getLFORetrig (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetLFORetrig, SysexCommand::SetLFORetrig, v); }
void HWMessages::setArpHold (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetArpHold, v); }
bool HWMessages::getArpHold (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetArpHold, SysexCommand::SetArpHold, v); }
void HWMessages::setKeyboardMode (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetKeyboardMode, v); }
bool HWMessages::getKeyboardMode (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetKeyboardMode, SysexCommand::SetKeyboardMode, v); }
void HWMessages::setLegatoState (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetLegatoState, v); }
bool HWMessages::getLegatoState (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetLegatoState, SysexCommand::SetLegatoState, v); }
void HWMessages::setVelocityCurbNum (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetVelocityCurbNum, v); }
bool HWMessages::getVelocityCurbNum (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetVelocityCurbNum, SysexCommand::SetVelocityCurbNum, v); }
void HWMessages::setAftertouchCurbNum (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetAftertouchCurbNum, v); }
bool HWMessages::getAftertouchCurbNum (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetAftertouchCurbNum, SysexCommand::SetAftertouchCurbNum, v); }
void HWMessages::setStepSize (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetStepSize, v); }
bool HWMessages::getStepSize (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetStepSize, SysexCommand::SetStepSize, v); }
void HWMessages::setGateLen (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetGateLen, v); }
bool HWMessages::getGateLen (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetGateLen, SysexCommand::SetGateLen, v); }
void HWMessages::setTapAvg (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetTapAvg, v); }
bool HWMessages::getTapAvg (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetTapAvg, SysexCommand::SetTapAvg, v); }
void HWMessages::setSeqSync (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetSeqSync, v); }
bool HWMessages::getSeqSync (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetSeqSync, SysexCommand::SetSeqSync, v); }
void HWMessages::setSeqPlayMode (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetSeqPlayMode, v); }
bool HWMessages::getSeqPlayMode (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetSeqPlayMode, SysexCommand::SetSeqPlayMode, v); }
void HWMessages::setSeqNextSeq (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetSeqNextSeq, v); }
bool HWMessages::getSeqNextSeq (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetSeqNextSeq, SysexCommand::SetSeqNextSeq, v); }
void HWMessages::setBendRange (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetBendRange, v); }
bool HWMessages::getBendRange (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetBendRange, SysexCommand::SetBendRange, v); }
void HWMessages::setSeqRetrig (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetSeqRetrig, v); }
bool HWMessages::getSeqRetrig (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetSeqRetrig, SysexCommand::SetSeqRetrig, v); }
void HWMessages::setIsSeq (MidiOutputPort* o, juce::uint8 v) { sendSet (o, SysexCommand::SetIsSeq, v); }
bool HWMessages::getIsSeq (MidiOutputPort* o, juce::uint8* v) { return get (o, SysexCommand::GetIsSeq, SysexCommand::SetIsSeq, v); }

void HWMessages::recallPreset (MidiOutputPort* o, juce::uint8 slot) { sendSet (o, SysexCommand::RecallPreset, slot); }
void HWMessages::storePreset (MidiOutputPort* o, juce::uint8 slot) { sendSet (o, SysexCommand::StorePreset, slot); }
void HWMessages::setPreset (MidiOutputPort* o, juce::uint8 value) { sendSet (o, SysexCommand::TemplateRequest, value); }
void HWMessages::setTestMode (MidiOutputPort* o) { sendSet (o, SysexCommand::SetTestMode, 0); }
void HWMessages::setTestResults (MidiOutputPort* o, juce::uint8 value) { sendSet (o, SysexCommand::SetTestResults, value); }

bool HWMessages::getTestResults (MidiOutputPort* o, juce::uint8* result)
{
    return get (o, SysexCommand::GetTestResults, SysexCommand::GetTestResults, result);
}

void HWMessages::SendSysexNoData (MidiOutputPort* out, juce::uint8 command)
{
    const juce::ScopedLock lock (mutex);
    if (out == nullptr || ! fitsDataByte (command))
        return;
    const juce::uint8 zero = 0;
    SysexBuilder message (command, &zero, 1, SysexFrame::byte5, false);
    sendSysex (out, message);
}

void HWMessages::SendCommonMessage (MidiOutputPort* out, const juce::MidiMessage& message)
{
    const juce::ScopedLock lock (mutex);
    if (out != nullptr)
        out->sendMessageNow (message);
}

// ---------------------------------------------------------------------------------------------
// Sequence halves

bool HWMessages::getSeqPattern (MidiOutputPort* out, juce::uint8 sequence, juce::uint8* steps)
{
    const juce::ScopedLock lock (mutex);
    if (out == nullptr || steps == nullptr || ! fitsDataByte (sequence) || mWaitInProgress.load())
        return false;

    // Both halves hold the port: one running user for the whole read.
    const PortUse::Scope holdingThePorts;
    bool both = true;
    for (juce::uint8 offset : { juce::uint8 (0), juce::uint8 (halfSteps) })
    {
        const juce::uint8 request[] = { sequence, offset, juce::uint8 (halfSteps) };
        SysexBuilder message (SysexCommand::GetSeqPattern, request, 3, SysexFrame::byte5, false);
        SysexData answer;
        if (SndSysexAndWaitMsg (out, &message, toByte (SysexCommand::SetSeqPattern), &answer, seqHalfAnswer))
            std::copy (answer.data + 12, answer.data + 12 + halfSteps, steps + offset);
        else
            both = false;
    }
    return both;
}

void HWMessages::setSeqPattern (MidiOutputPort* out, juce::uint8 sequence, juce::uint8 count,
                                const juce::uint8* steps)
{
    const juce::ScopedLock lock (mutex);
    if (out == nullptr || (count > 0 && steps == nullptr))
        return;

    juce::uint8 a[seqPayload] = { sequence, 0x00 };
    juce::uint8 b[seqPayload] = { sequence, juce::uint8 (halfSteps) };
    const int total = juce::jmin ((int) count, 2 * halfSteps);
    const int inA = juce::jmin (total, halfSteps);
    const int inB = total - inA;
    a[2] = juce::uint8 (inA);
    b[2] = juce::uint8 (inB);
    std::copy (steps, steps + inA, a + 3);
    std::copy (steps + inA, steps + inA + inB, b + 3);

    // A step or sequence number of 80 or more would break the message: write nothing at all
    // rather than half a sequence.
    for (int i = 0; i < seqPayload; ++i)
        if (! fitsDataByte (a[i]) || ! fitsDataByte (b[i]))
            return;

    sendSysex (out, SysexBuilder (SysexCommand::SetSeqPattern, a, seqPayload, SysexFrame::byte5, false));
    if (count > halfSteps)
        sendSysex (out, SysexBuilder (SysexCommand::SetSeqPattern, b, seqPayload, SysexFrame::byte5, false));
}

// ---------------------------------------------------------------------------------------------
// The reply wait

juce::uint64 HWMessages::WaitToken::pack() const
{
    return (juce::uint64) state | ((juce::uint64) awaited << 2) | ((juce::uint64) kind << 10)
           | ((juce::uint64) (minSize & 63) << 11) | ((juce::uint64) (maxSize & 63) << 17) | (generation << 23);
}

HWMessages::WaitToken HWMessages::WaitToken::unpack (juce::uint64 w)
{
    WaitToken t;
    t.state = (WaitState) (w & 3);
    t.awaited = (juce::uint8) ((w >> 2) & 0xFF);
    t.kind = (WaitKind) ((w >> 10) & 1);
    t.minSize = (int) ((w >> 11) & 63);
    t.maxSize = (int) ((w >> 17) & 63);
    t.generation = w >> 23;
    return t;
}

bool HWMessages::isWaitPending()
{
    return WaitToken::unpack (mWaitToken.load (std::memory_order_acquire)).state == WaitState::pending;
}

namespace
{
juce::uint64 nextGeneration()
{
    static juce::uint64 generation = 0;   // message thread (one wait at a time)
    generation = (generation + 1) & ((juce::uint64 (1) << 41) - 1);
    return generation;
}
} // namespace

bool HWMessages::SndSysexAndWaitNotEncMsg (MidiOutputPort* out, SysexBuilder* request,
                                           juce::uint8 awaited, juce::uint8* value)
{
    const juce::ScopedLock lock (mutex);
    WaitToken wait;
    wait.awaited = awaited;
    wait.kind = WaitKind::reply;
    wait.minSize = minValueAnswer;
    wait.maxSize = SysexFrame::maxMessageSize;
    if (! runWait (out, request, wait, replySlices, replySliceMs))
        return false;
    if (value != nullptr)
        *value = mResponse;
    return true;
}

bool HWMessages::SndSysexAndWaitMsg (MidiOutputPort* out, SysexBuilder* request, juce::uint8 awaited,
                                     SysexData* answer, int requiredSize)
{
    const juce::ScopedLock lock (mutex);
    WaitToken wait;
    wait.awaited = awaited;
    wait.kind = WaitKind::reply;
    wait.minSize = requiredSize > 0 ? requiredSize : minDeviceAnswer;
    wait.maxSize = requiredSize > 0 ? requiredSize : SysexFrame::maxMessageSize;
    if (! runWait (out, request, wait, replySlices, replySliceMs))
        return false;
    if (answer != nullptr)
        *answer = mData;
    return true;
}

bool HWMessages::runWait (MidiOutputPort* out, SysexBuilder* request, WaitToken wait, int slices, int sliceMs)
{
    const bool sends = wait.kind == WaitKind::reply;
    if (sends && (out == nullptr || request == nullptr || ! request->isValid()))
        return false;
    // One wait slot: a wait started from a handler that runs inside another wait's message
    // loop would take the slot over and end the outer wait with the wrong answer.
    if (mWaitInProgress.exchange (true))
        return false;

    // The port is held across the nested loop: a running user of it.
    const PortUse::Scope holdingThePorts;

    wait.generation = nextGeneration();
    wait.state = WaitState::pending;
    const auto pending = wait.pack();
    mWaitToken.store (pending, std::memory_order_release);

    if (sends)
        sendSysex (out, *request);

    // The wait lasts slices x sliceMs from the request, however long the slices take: a slice
    // runs for as long as the messages it dispatches (a repaint, a busy machine), so counting
    // slices alone would let the wait run on and take an answer that came too late.
    const auto answeredWord = wait.with (WaitState::answered).pack();
    const auto started = juce::Time::getMillisecondCounter();
    const auto limit = (juce::uint32) (slices * sliceMs);
    bool answered = false;
    for (;;)
    {
        const auto waited = juce::Time::getMillisecondCounter() - started;
        if (waited >= limit)
            break;
        const bool goOn = PortUse::runSlice (juce::jmin (sliceMs, (int) (limit - waited)));
        answered = mWaitToken.load (std::memory_order_acquire) == answeredWord;
        if (answered || ! goOn)
            break;   // quitting: the wait ends at once, as if unanswered
    }

    if (! answered)
    {
        // Claim the wait back for the time-out. When an answer claimed it first, it is being
        // handed over right now: take it rather than report it lost.
        auto expected = pending;
        if (! mWaitToken.compare_exchange_strong (expected, wait.with (WaitState::idle).pack(),
                                                  std::memory_order_acq_rel))
        {
            while (mWaitToken.load (std::memory_order_acquire) != answeredWord)
                std::this_thread::yield();
            answered = true;
        }
    }

    mWaitInProgress.store (false);
    return answered;
}

bool HWMessages::WaitMidiMessage (juce::MidiMessage& message)
{
    WaitToken wait;
    wait.kind = WaitKind::commonMessage;
    if (! runWait (nullptr, nullptr, wait, commonSlices, commonSliceMs))
        return false;
    message = outMessage;
    return true;
}

void HWMessages::midiReceived (const juce::MidiMessage& message)
{
    // Active sensing is the application's business; it never ends a wait.
    if (message.isActiveSense())
        return;

    offerAnswer (message, mWaitToken.load (std::memory_order_acquire));
}

void HWMessages::offerAnswer (const juce::MidiMessage& message, juce::uint64 word)
{
    const auto wait = WaitToken::unpack (word);
    if (wait.state != WaitState::pending)
        return;

    const bool sysex = message.isSysEx();
    const int size = message.getRawDataSize();
    const auto* raw = message.getRawData();

    if (wait.kind == WaitKind::reply)
    {
        if (! sysex)
        {
            outMessage = message;   // kept, but a reply wait goes on
            return;
        }
        // Never judged on a byte it does not have, never cut down to the record: whatever
        // bounds the word gives, an answer is held whole or not taken.
        if (size <= SysexFrame::commandIndex || size > SysexFrame::maxMessageSize
            || size < wait.minSize || size > wait.maxSize || raw[SysexFrame::commandIndex] != wait.awaited)
            return;
    }
    else if (sysex)
    {
        return;
    }

    // This answer is for exactly the wait it was checked against, or for none.
    auto expected = word;
    if (! mWaitToken.compare_exchange_strong (expected, wait.with (WaitState::claimed).pack(),
                                              std::memory_order_acq_rel))
        return;

    if (sysex)
    {
        mData.copyFrom (raw, size);
        mResponse = size > SysexFrame::payloadIndex ? raw[SysexFrame::payloadIndex] : 0;
    }
    else
    {
        outMessage = message;
    }
    mWaitToken.store (wait.with (WaitState::answered).pack(), std::memory_order_release);
}
