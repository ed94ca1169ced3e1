#pragma once

#include "JuceIncludes.h"
#include "app/ActionDispatcher.h"
#include "app/DorvoLookAndFeel.h"
#include "link/MidiPorts.h"
#include "link/PortUse.h"
#include <atomic>

/** Hands every action message of the pages and the CONNECT switch to the application: the
    application object is registered with every broadcaster through this base. */
class actionListenerProxy : public juce::ActionListener
{
public:
    ~actionListenerProxy() override = default;
    void actionListenerCallback (const juce::String& message) override = 0;
};

class MainAppWindow;
namespace SingleInstance { class Listener; }

/** The application object: owns the main window and the connection to the instrument (its
    ports, the connected flag, the time of the last active sensing); starts up, connects,
    reads every setting back, and dispatches every action message. */
class DorvoEditorApplication : public juce::JUCEApplication,
                               public MidiInputPortCallback,
                               public actionListenerProxy,
                               private PortUseObserver
{
public:
    DorvoEditorApplication();
    ~DorvoEditorApplication() override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    /** The "Multiple instance" box, also shown by a start that could not hand over. */
    static void showMultipleInstanceBox();
    void systemRequestedQuit() override;

    /** MIDI input thread: active sensing is recorded, everything else goes to the message set
        first, then to the block transfers. */
    void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override;

    /** The dispatcher (message thread). */
    void actionListenerCallback (const juce::String& message) override;

    /** Searches for the running instrument and connects to it; when none answers, the retry
        box, as often as the user asks. A search that finds none also looks for an instrument
        waiting in its boot loader and, until the user declines it, offers the update
        ("Firmware update"); OK updates it (chooser, transfer, no reboot) and searches again. */
    void connectHardware();
    void disconnectHardware();
    void updateInterface();
    /** The firmware file the user picks, or an empty file when the chooser is cancelled. */
    juce::File getFirmwareFile();

    /** The firmware update of the start-up prompt and of "FIRM ": disconnects, asks for the
        firmware file, updates the instrument through its boot loader and connects again, then
        reads the settings back, whether the update completed, failed or was cancelled, unless
        the instrument connected runs an outdated firmware (which may not answer the gets).
        True when the update succeeded. */
    bool updateFirmware();
    /** Turns the paths of a preset action message (the text from index 5 on, joined by ",")
        into files, appended to files in the reverse order of the message. Every "," splits;
        an empty element, or one that is not a full path, gives an empty file. */
    static void parseFileString (const juce::String& message, juce::OwnedArray<juce::File>& files);

    /** Loop-back test of the block transfer: sends an 88-byte block and receives it back,
        again and again, telling of every difference. Nothing calls it. */
    void testTemplate();

    /** Firmware older than 1.0.3 (the fourth revision byte plays no part). */
    static bool isFirmwareOutdated (juce::uint8 r1, juce::uint8 r2, juce::uint8 r3);

    /** Listens at path for later starts of the application (see SingleInstance); started by
        initialise when set before it. */
    void listenForOtherInstances (const juce::String& path) { mHandOverSocket = path; }

    bool isConnected() const { return mConnected; }
    juce::uint32 getConnectionNumber() const { return mConnectionNumber; }
    MainAppWindow* getMainWindow() const { return mMainWindow.get(); }
    MidiOutputPort* getMidiOutput() const { return mMidiOutput; }
    MidiInputPort* getMidiInput() const { return mMidiInput; }
    juce::uint32 getLastActiveSense() const { return mLastActiveSense.load (std::memory_order_relaxed); }
    ActionDispatcher& getDispatcher() { return mDispatcher; }

private:
    struct DispatchHost : ActionDispatcher::Host
    {
        explicit DispatchHost (DorvoEditorApplication& a) : app (a) {}
        bool isConnected() const override { return app.mConnected; }
        juce::uint32 lastActiveSense() const override { return app.getLastActiveSense(); }
        MidiOutputPort* instrumentOutput() const override { return app.mMidiOutput; }
        void connectHardware() override { app.connectHardware(); }
        void disconnectHardware() override { app.disconnectHardware(); }
        void updateInterface() override { app.updateInterface(); }
        juce::uint32 connectionNumber() const override { return app.mConnectionNumber; }
        void updateFirmware() override { app.updateFirmware(); }
        void refreshPresetsList() override;
        DorvoEditorApplication& app;
    };

    void closePorts();
    /** Whether the instrument found by the last search runs a firmware older than 1.0.3. */
    static bool connectedFirmwareIsOutdated();

    // The link's port users: the dispatcher counts them as running operations, and ports
    // whose closing was asked for while one ran are closed when the last one ends.
    void portUseBegins() override;
    void portUseEnds() override;

    DorvoLookAndFeel::Installed mLookAndFeel; // before the window: every box and window in it
    std::unique_ptr<MainAppWindow> mMainWindow;
    MidiInputPort* mMidiInput = nullptr;    // owned while connected
    MidiOutputPort* mMidiOutput = nullptr;  // owned while connected
    juce::OwnedArray<MidiInputPort> mRetiredInputs;    // closed, waiting for the last port user
    juce::OwnedArray<MidiOutputPort> mRetiredOutputs;
    bool mConnected = false;
    // Moved on by every connect (found or given up) and every disconnect: a queued action runs
    // only under the connection it was clicked under. Message thread.
    juce::uint32 mConnectionNumber = 0;
    // Written on the MIDI input thread, read by the watchdog: one 32-bit word, never reset.
    std::atomic<juce::uint32> mLastActiveSense { 0 };

    DispatchHost mDispatchHost { *this };
    ActionDispatcher mDispatcher { mDispatchHost };
    juce::String mHandOverSocket;
    std::unique_ptr<SingleInstance::Listener> mInstanceListener;

    JUCE_DECLARE_NON_COPYABLE (DorvoEditorApplication)
};
