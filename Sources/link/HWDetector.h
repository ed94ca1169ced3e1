#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include <atomic>
#include <mutex>

/** Finds the instrument among the computer's MIDI ports: opens every input, sends the
    universal identity request on each output in turn and listens on all inputs for an
    identity reply carrying our manufacturer identifier and the looked-after family and
    member codes. The search runs on the worker thread of a modal progress window. */
class HWDetector
{
public:
    /** Takes identity replies on every input the search opened (MIDI input thread). */
    class MidiCallback : public MidiInputPortCallback
    {
    public:
        ~MidiCallback() override = default;
        void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override;

        /** Set once a reply has been taken; while set, every message is ignored. Setting it
            publishes mFoundId, mSource and the revision (release); the worker reads them
            only after seeing it set (acquire). */
        std::atomic<bool> mReceived { false };
        juce::uint8 mFoundId = 0xFF;
        MidiInputPort* mSource = nullptr;

    private:
        // Inputs may report on more than one thread: one reply is taken at a time.
        std::mutex mTaking;
    };

    /** The modal progress window whose worker thread probes every output. */
    class DetectionWindow : public juce::ThreadWithProgressWindow
    {
    public:
        DetectionWindow();
        ~DetectionWindow() override;

        void run() override;

        /** Shows the window modally while the search runs on the worker, and returns as soon as
            the search has ended (the framework's own modal run only notices that at its next
            100 ms check, which would slow every connection down). */
        void runUntilSearchEnds();

        /** The progress the search reached; read it once the window has returned. */
        double getSearchProgress() const { return mProgressValue.load (std::memory_order_acquire); }

        juce::StringArray mOutputNames;
        juce::StringArray mInputNames;
        juce::OwnedArray<MidiInputPort> mOpenedInputs;
        MidiCallback mCallback;

    private:
        void addSteps (double steps);
        bool pollForReply();

        // The worker only stores the progress; a timer hands it to the progress bar on the
        // message thread, which is the only thread that touches the bar's value.
        struct ProgressRelay : juce::Timer
        {
            explicit ProgressRelay (DetectionWindow& w) : owner (w) {}
            void timerCallback() override;
            DetectionWindow& owner;
        };

        double mStep = 0.0;
        std::atomic<double> mProgressValue { 0.0 };
        ProgressRelay mRelay { *this };
    };

    static void setLookedAfterFamily (juce::uint8 family1, juce::uint8 family2);
    static void setLookedAfterMember (juce::uint8 member1, juce::uint8 member2);
    static void setLookedAfterID (juce::uint8 id);
    static void getSoftwareRev (juce::uint8& rev1, juce::uint8& rev2, juce::uint8& rev3, juce::uint8& rev4);

    /** Sends F0 7E 7F 06 01 F7 at once; a null port sends nothing. */
    static void sendIdRequest (MidiOutputPort* output);

    /** Runs one search in the modal progress window (message thread). On success opens the
        instrument's input with callback (started) and its output, hands both back and returns
        true. Otherwise both come back null and the result is false, also when the instrument
        answered but its ports cannot be opened again. */
    static bool findHardware (MidiInputPortCallback* callback, MidiInputPort** input, MidiOutputPort** output);

    /** The MIDI devices as text: "Inputs : \n", one "index : name\n" line per input, then
        "Outputs : \n" and the outputs alike. Also printed on standard output. */
    static juce::String enumerateMidi();

    static juce::uint8 mFamily1, mFamily2;
    static juce::uint8 mMember1, mMember2;
    static juce::uint8 mID;
    static juce::uint8 mSoftRev1, mSoftRev2, mSoftRev3, mSoftRev4;
    static juce::int32 mFoundIn;
    static juce::int32 mFoundOut;
    static bool mFound;
    static juce::CriticalSection mutex;

    static constexpr int attemptsPerOutput = 5;
    static constexpr int pollsPerAttempt = 10;
    static constexpr int pollIntervalMs = 100;
};
