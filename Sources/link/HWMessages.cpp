#include "link/HWMessages.h"

namespace
{
constexpr int replySlices = 25;
constexpr int replySliceMs = 20;
constexpr int commonSlices = 1000;
constexpr int commonSliceMs = 10;
constexpr int minDeviceAnswer = 10;  // F0, header of nine bytes... F7: the shortest device message
constexpr int minValueAnswer = 11;   // one with a value at byte 9
constexpr int seqHalfAnswer = 45;    // SetSeqPattern with its 35 raw bytes
constexpr int halfSteps = 32;
constexpr int seqPayload = 35;       // sequence, offset, count, 32 steps

bool fitsDataByte (juce::uint8 b) { return b < 0x80; }
} // namespace

std::atomic<bool> HWMessages::mWaitResponse { false };
std::atomic<juce::uint8> HWMessages::mWaitedSysexCommand { 0 };
std::atomic<HWMessages::WaitKind> HWMessages::mWaitKind { HWMessages::WaitKind::reply };
std::atomic<int> HWMessages::mWaitMinSize { minDeviceAnswer };
std::atomic<int> HWMessages::mWaitMaxSize { SysexFrame::maxMessageSize };
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

bool HWMessages::SndSysexAndWaitNotEncMsg (MidiOutputPort* out, SysexBuilder* request,
                                           juce::uint8 awaited, juce::uint8* value)
{
    const juce::ScopedLock lock (mutex);
    if (! runWait (out, request, awaited, minValueAnswer, SysexFrame::maxMessageSize))
        return false;
    if (value != nullptr)
        *value = mResponse;
    return true;
}

bool HWMessages::SndSysexAndWaitMsg (MidiOutputPort* out, SysexBuilder* request, juce::uint8 awaited,
                                     SysexData* answer, int requiredSize)
{
    const juce::ScopedLock lock (mutex);
    const int minSize = requiredSize > 0 ? requiredSize : minDeviceAnswer;
    const int maxSize = requiredSize > 0 ? requiredSize : SysexFrame::maxMessageSize;
    if (! runWait (out, request, awaited, minSize, maxSize))
        return false;
    if (answer != nullptr)
        *answer = mData;
    return true;
}

void HWMessages::runSlice (int ms)
{
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    if (mm != nullptr && mm->isThisTheMessageThread())
        mm->runDispatchLoopUntil (ms);
    else
        juce::Thread::sleep (ms);
}

bool HWMessages::runWait (MidiOutputPort* out, SysexBuilder* request, juce::uint8 awaited, int minSize,
                          int maxSize)
{
    if (out == nullptr || request == nullptr || ! request->isValid())
        return false;
    // One wait slot: a wait started from a handler that runs inside another wait's message
    // loop would take the slot over and end the outer wait with the wrong answer.
    if (mWaitInProgress.exchange (true))
        return false;

    mWaitedSysexCommand.store (awaited, std::memory_order_relaxed);
    mWaitKind.store (WaitKind::reply, std::memory_order_relaxed);
    mWaitMinSize.store (minSize, std::memory_order_relaxed);
    mWaitMaxSize.store (maxSize, std::memory_order_relaxed);
    mWaitResponse.store (true, std::memory_order_release);

    sendSysex (out, *request);

    bool answered = false;
    for (int slice = 0; slice < replySlices && ! answered; ++slice)
    {
        runSlice (replySliceMs);
        answered = ! mWaitResponse.load (std::memory_order_acquire);
    }
    if (! answered)
        mWaitResponse.store (false, std::memory_order_release);

    mWaitInProgress.store (false);
    return answered;
}

bool HWMessages::WaitMidiMessage (juce::MidiMessage& message)
{
    if (mWaitInProgress.exchange (true))
        return false;

    mWaitKind.store (WaitKind::commonMessage, std::memory_order_relaxed);
    mWaitResponse.store (true, std::memory_order_release);

    bool received = false;
    for (int slice = 0; slice < commonSlices && ! received; ++slice)
    {
        runSlice (commonSliceMs);
        received = ! mWaitResponse.load (std::memory_order_acquire);
    }
    if (received)
        message = outMessage;
    else
        mWaitResponse.store (false, std::memory_order_release);

    mWaitInProgress.store (false);
    return received;
}

void HWMessages::midiReceived (const juce::MidiMessage& message)
{
    // Active sensing is the application's business; it never ends a wait.
    if (message.isActiveSense() || ! mWaitResponse.load (std::memory_order_acquire))
        return;

    const auto kind = mWaitKind.load (std::memory_order_relaxed);
    if (message.isSysEx())
    {
        if (kind != WaitKind::reply)
            return;
        const int size = message.getRawDataSize();
        // Never copied past the record, never judged on bytes it does not have.
        if (size < mWaitMinSize.load (std::memory_order_relaxed) || size > mWaitMaxSize.load (std::memory_order_relaxed))
            return;
        const auto* raw = message.getRawData();
        if (raw[SysexFrame::commandIndex] != mWaitedSysexCommand.load (std::memory_order_relaxed))
            return;

        mData.copyFrom (raw, size);
        mResponse = size > SysexFrame::payloadIndex ? raw[SysexFrame::payloadIndex] : 0;
        mWaitResponse.store (false, std::memory_order_release);
        return;
    }

    outMessage = message;
    if (kind == WaitKind::commonMessage)
        mWaitResponse.store (false, std::memory_order_release);
}
