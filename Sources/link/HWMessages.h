#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include "link/SysexBuilder.h"
#include <atomic>

/** The message set of the running instrument: one set and one get per setting, the
    sequencer question, the preset-slot commands, test and raw sends, the sequence halves, and
    the reply wait that every get uses.

    Sets build one device message with the value as its only raw payload byte and send it at
    once. Gets send a request and wait on the message thread, running the message loop in
    20 ms slices, for at most 500 ms from the request (a slice that runs long shortens the
    wait by as much), until an answer with the awaited command byte arrives through
    midiReceived on the MIDI input thread. Every public function holds the re-entrant mutex for
    its whole exchange, so handlers dispatched during a wait may call the message set again;
    their sets go out at once, but a get started while another wait is pending is refused
    (there is one wait slot).

    No function puts a byte of 80 or more into a device message: it would end the
    system-exclusive message early. Such a value is not sent. */
class HWMessages
{
public:
    // Settings: set (nothing answers) and get (true and the value when answered).
    static void setChannelIn (MidiOutputPort* out, juce::uint8 value);
    static bool getChannelIn (MidiOutputPort* out, juce::uint8* value);
    static void setChannelOut (MidiOutputPort* out, juce::uint8 value);
    static bool getChannelOut (MidiOutputPort* out, juce::uint8* value);
    static void setAudioGateThreshold (MidiOutputPort* out, juce::uint8 value);
    static bool getAudioGateThreshold (MidiOutputPort* out, juce::uint8* value);
    static void setLFORetrig (MidiOutputPort* out, juce::uint8 value);
    static bool getLFORetrig (MidiOutputPort* out, juce::uint8* value);
    static void setArpHold (MidiOutputPort* out, juce::uint8 value);
    static bool getArpHold (MidiOutputPort* out, juce::uint8* value);
    static void setKeyboardMode (MidiOutputPort* out, juce::uint8 value);
    static bool getKeyboardMode (MidiOutputPort* out, juce::uint8* value);
    static void setLegatoState (MidiOutputPort* out, juce::uint8 value);
    static bool getLegatoState (MidiOutputPort* out, juce::uint8* value);
    static void setVelocityCurbNum (MidiOutputPort* out, juce::uint8 value);
    static bool getVelocityCurbNum (MidiOutputPort* out, juce::uint8* value);
    static void setAftertouchCurbNum (MidiOutputPort* out, juce::uint8 value);
    static bool getAftertouchCurbNum (MidiOutputPort* out, juce::uint8* value);
    static void setStepSize (MidiOutputPort* out, juce::uint8 value);
    static bool getStepSize (MidiOutputPort* out, juce::uint8* value);
    static void setGateLen (MidiOutputPort* out, juce::uint8 value);
    static bool getGateLen (MidiOutputPort* out, juce::uint8* value);
    static void setTapAvg (MidiOutputPort* out, juce::uint8 value);
    static bool getTapAvg (MidiOutputPort* out, juce::uint8* value);
    static void setSeqSync (MidiOutputPort* out, juce::uint8 value);
    static bool getSeqSync (MidiOutputPort* out, juce::uint8* value);
    static void setSeqPlayMode (MidiOutputPort* out, juce::uint8 value);
    static bool getSeqPlayMode (MidiOutputPort* out, juce::uint8* value);
    static void setSeqNextSeq (MidiOutputPort* out, juce::uint8 value);
    static bool getSeqNextSeq (MidiOutputPort* out, juce::uint8* value);
    static void setBendRange (MidiOutputPort* out, juce::uint8 value);
    static bool getBendRange (MidiOutputPort* out, juce::uint8* value);
    static void setSeqRetrig (MidiOutputPort* out, juce::uint8 value);
    static bool getSeqRetrig (MidiOutputPort* out, juce::uint8* value);
    static void setIsSeq (MidiOutputPort* out, juce::uint8 value);
    /** 1 means the model with a sequencer. */
    static bool getIsSeq (MidiOutputPort* out, juce::uint8* value);

    // Preset slots, tests and raw sends; nothing answers these but getTestResults.
    static void recallPreset (MidiOutputPort* out, juce::uint8 slot);
    static void storePreset (MidiOutputPort* out, juce::uint8 slot);
    static void setPreset (MidiOutputPort* out, juce::uint8 value);
    static void setTestMode (MidiOutputPort* out);
    static void setTestResults (MidiOutputPort* out, juce::uint8 value);
    /** Awaits an answer with GetTestResults' own code. */
    static bool getTestResults (MidiOutputPort* out, juce::uint8* result);
    /** The given command with one raw byte, 00. */
    static void SendSysexNoData (MidiOutputPort* out, juce::uint8 command);
    /** Sends the message unchanged. */
    static void SendCommonMessage (MidiOutputPort* out, const juce::MidiMessage& message);
    /** Waits (10 s, in slices of 10 ms) for a message from the instrument that is not
        system-exclusive. Does not take the mutex; refused while another wait is pending. */
    static bool WaitMidiMessage (juce::MidiMessage& message);

    // Sequence halves of 32 steps.
    /** Reads sequence (0 to 5) into the caller's 64 steps, half by half; a half that is not
        answered leaves its 32 bytes as they were. True only when both halves were answered. */
    static bool getSeqPattern (MidiOutputPort* out, juce::uint8 sequence, juce::uint8* steps);
    /** Writes min(count, 64) steps of sequence: one message for up to 32 steps, two above. */
    static void setSeqPattern (MidiOutputPort* out, juce::uint8 sequence, juce::uint8 count,
                               const juce::uint8* steps);

    // Sequence files (their bodies belong to the sequences subsystem).
    /** Reads a sequence file and sends each accepted sequence line at once; a malformed line
        stops the reading with a box. */
    static void setSeqPatternFromFile (MidiOutputPort* out, juce::File* file);
    /** Reads the gate length, the step size and the six sequences from the instrument and
        writes them as a new sequence file, with one MIDI file per sequence when the user
        agrees. */
    static void getSeqPatterntoFile (MidiOutputPort* out, juce::File* file);

    // The reply wait.
    /** Sends request and waits for an answer whose byte 8 is awaited (at least 11 bytes);
        on true, value holds its byte 9. */
    static bool SndSysexAndWaitNotEncMsg (MidiOutputPort* out, SysexBuilder* request,
                                          juce::uint8 awaited, juce::uint8* value);
    /** The same wait, handing back the whole answer. requiredSize, when not 0, is the only
        answer size that counts. */
    static bool SndSysexAndWaitMsg (MidiOutputPort* out, SysexBuilder* request, juce::uint8 awaited,
                                    SysexData* answer, int requiredSize = 0);

    /** Every message of the connected instrument but active sensing; MIDI input thread.
        Offers the message against the wait it sees in the slot. */
    static void midiReceived (const juce::MidiMessage& message);

    /** Offers message as an answer to the wait whose word (mWaitToken) was seen: it is checked
        against that wait's parameters and ends that wait or none, however late it comes. */
    static void offerAnswer (const juce::MidiMessage& message, juce::uint64 seenWait);

    // The wait slot. Every wait has an identity (a generation number), published in one
    // atomic word together with everything the receiving side checks an answer against (the
    // awaited command, the kind of wait, the answer's size bounds) and the slot's state.
    // midiReceived claims the wait it saw with a compare-exchange from pending to claimed,
    // so an answer checked against one wait can never end another; it then fills mResponse
    // and mData (or outMessage) and publishes them by setting the state to answered
    // (release; the waiting side reads them after seeing it, acquire). The time-out claims
    // the wait the same way, from pending to idle: an answer is never both taken and lost.
    enum class WaitKind : juce::uint8 { reply, commonMessage };
    enum class WaitState : juce::uint8 { idle = 0, pending = 1, claimed = 2, answered = 3 };

    struct WaitToken
    {
        juce::uint64 generation = 0;
        WaitState state = WaitState::idle;
        juce::uint8 awaited = 0;
        WaitKind kind = WaitKind::reply;
        int minSize = 0;   // 0 to 63
        int maxSize = 0;   // 0 to 63

        juce::uint64 pack() const;
        static WaitToken unpack (juce::uint64 word);
        WaitToken with (WaitState s) const { auto t = *this; t.state = s; return t; }
    };

    static std::atomic<juce::uint64> mWaitToken;
    static juce::uint8 mResponse;
    static SysexData mData;
    static juce::MidiMessage outMessage;

    /** Whether a wait is pending (nothing has ended it yet). */
    static bool isWaitPending();

    static constexpr int replySlices = 25;
    static constexpr int replySliceMs = 20;

    /** Held by every public function for its whole exchange; re-entrant. */
    static juce::CriticalSection mutex;

    HWMessages() = delete;

private:
    static void sendSet (MidiOutputPort* out, SysexCommand command, juce::uint8 value);
    static bool get (MidiOutputPort* out, SysexCommand request, SysexCommand answer, juce::uint8* value);
    static bool runWait (MidiOutputPort* out, SysexBuilder* request, WaitToken wait, int slices, int sliceMs);

    /** Set while a wait runs (message thread); a second wait is refused meanwhile. */
    static std::atomic<bool> mWaitInProgress;
};
