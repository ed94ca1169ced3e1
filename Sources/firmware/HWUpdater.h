#pragma once

#include "JuceIncludes.h"
#include "firmware/LPC23XXUpdater.h"
#include "link/MidiPorts.h"
#include <atomic>

/** A whole firmware update: the firmware file is read, the instrument is rebooted into its boot
    loader, the boot loader is found on the MIDI ports, the firmware is streamed to it while a
    modal progress window runs, and the user is told the outcome. Static state only; message
    thread, but for the MIDI callback and the window's poll. */
class HWUpdater
{
public:
    /** Hands the boot loader's acknowledgements (byte 8 = UpdateAck) to the transfer; every
        other message is ignored. MIDI input thread. */
    class MidiCallback : public MidiInputPortCallback
    {
    public:
        ~MidiCallback() override = default;
        void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override;
    };

    /** The modal progress window of the transfer. Its thread only polls the transfer and stores
        the progress; a timer hands it to the bar on the message thread. No cancel button. */
    class UpdateWindow : public juce::ThreadWithProgressWindow
    {
    public:
        UpdateWindow();
        ~UpdateWindow() override;

        void run() override;

        /** Shows the window modally until the transfer's worker has stopped and the window's
            thread has seen it. When the application is asked to quit meanwhile, the transfer is
            stopped and false returned. */
        bool runUntilTransferEnds();

        /** The progress the poll stored last. */
        double getPolledProgress() const { return mProgressValue.load (std::memory_order_acquire); }
        /** How many times the poll stored a progress. */
        int getPolls() const { return mPolls.load (std::memory_order_acquire); }

        static constexpr int pollIntervalMs = 20;

    private:
        struct ProgressRelay : juce::Timer
        {
            explicit ProgressRelay (UpdateWindow& w) : owner (w) {}
            void timerCallback() override;
            UpdateWindow& owner;
        };

        std::atomic<double> mProgressValue { 0.0 };
        std::atomic<int> mPolls { 0 };
        ProgressRelay mRelay { *this };
    };

    /** Reboots the instrument into its boot loader and finds the boot loader: true when mInput
        and mOutput are the boot loader's ports. */
    static bool prepareHardware();

    /** One search for the boot loader alone (member 01 03), its ports closed again: true when
        an instrument waits in its boot loader, for instance after an update that did not
        complete. Message thread. */
    static bool findBootLoader();

    /** The whole update from file (message thread). True when every packet was acknowledged,
        EndOfUpdate was sent and the completion box shown; false otherwise, the user having been
        told why. The application's own ports must be closed before. */
    static bool Update (juce::File* file);

    static MidiInputPort* mInput;
    static MidiOutputPort* mOutput;
    static LPC23XXUpdater mUpdater;
    static MidiCallback mCallBack;

    /** Searches for the boot loader after the reboot, each after a 100 ms slice of the loop. */
    static constexpr int bootLoaderSearches = 5;

    static constexpr const char* updateErrorTitle = "Update error";
    static constexpr const char* cannotPrepareText = "Unable to prepare the Device for update.\nPlease check your connections.";
    static constexpr const char* notCompletedText = "The firmware update did not complete.\nPlease check your connections and retry.";
    static constexpr const char* completeTitle = "Firmware update: complete";
    static constexpr const char* completeText = "The firmware has been successfully updated!\n Please reboot your Dorvo, then only press OK.";

private:
    static void closePorts();
};
