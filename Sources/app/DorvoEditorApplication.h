#pragma once

#include "JuceIncludes.h"
#include "app/DorvoLookAndFeel.h"
#include "link/MidiPorts.h"
#include <atomic>
#include <deque>
#include <functional>

/** Hands every action message of the pages and the CONNECT switch to the application: the
    application object is registered with every broadcaster through this base. */
class actionListenerProxy : public juce::ActionListener
{
public:
    ~actionListenerProxy() override = default;
    void actionListenerCallback (const juce::String& message) override = 0;
};

/** The dispatcher of action messages: finds the code at the start of a message, applies the
    connection and active-sensing gates to everything that needs the instrument, and calls the
    connection lifecycle or the matching set of the message set.

    Nested actions: reply waits, the discovery window and the boxes run nested message loops,
    so a message can arrive while a connection, the read-back or an earlier action is still
    running on the ports. While such an operation runs, the set codes are handled at once
    (the message set is made for it), every other code is queued and handled in order, with
    its gates, once the outermost operation has ended, and a watchdog disconnect found
    meanwhile is held until then too. So nothing closes the ports under a running operation. */
class ActionDispatcher
{
public:
    /** What the dispatcher works on: the application's connection. */
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual bool isConnected() const = 0;
        virtual juce::uint32 lastActiveSense() const = 0;
        virtual MidiOutputPort* instrumentOutput() const = 0;
        virtual void connectHardware() = 0;
        virtual void disconnectHardware() = 0;
        virtual void updateInterface() = 0;
    };

    explicit ActionDispatcher (Host& host);

    /** One action message, on the message thread. */
    void dispatch (const juce::String& message);

    /** Marks a running operation that may run nested message loops for its lifetime. Nests;
        the queue is worked off when the outermost one ends. */
    class Operation
    {
    public:
        explicit Operation (ActionDispatcher& dispatcher);
        ~Operation();
        Operation (const Operation&) = delete;
        Operation& operator= (const Operation&) = delete;

    private:
        ActionDispatcher& mDispatcher;
    };

    bool isBusy() const { return mDepth > 0 || mDraining; }

    /** The longest silence of the instrument's active sensing that still passes. */
    static constexpr juce::uint32 activeSensingLimitMs = 300;
    /** now - last in unsigned 32-bit arithmetic (so across the counter's wrap) <= 300. */
    static bool activeSensingIsFresh (juce::uint32 now, juce::uint32 last)
    {
        return juce::uint32 (now - last) <= activeSensingLimitMs;
    }

    /** The value of a setting message: the text behind the code as juce::String::getIntValue
        reads it, low 8 bits. */
    static juce::uint8 valueOf (const juce::String& message);

    /** The set of the message set that a setting code calls, or null for any other message. */
    using SetFunction = void (*) (MidiOutputPort*, juce::uint8);
    static SetFunction setFunctionFor (const juce::String& message);

    /** Replaces juce::Time::getMillisecondCounter as the watchdog's clock (tests). */
    void setClock (std::function<juce::uint32()> clock) { mClock = std::move (clock); }

private:
    struct Pending
    {
        bool heldDisconnect;
        juce::String message;
    };

    void handle (const juce::String& message);
    void watchdogDisconnect();
    void operationEnded();

    Host& mHost;
    std::function<juce::uint32()> mClock;
    std::deque<Pending> mQueue;
    int mDepth = 0;
    bool mDraining = false;
    bool mDisconnectHeld = false;
};

class MainAppWindow;
namespace SingleInstance { class Listener; }

/** The application object: owns the main window and the connection to the instrument (its
    ports, the connected flag, the time of the last active sensing); starts up, connects,
    reads every setting back, and dispatches every action message. */
class DorvoEditorApplication : public juce::JUCEApplication,
                               public MidiInputPortCallback,
                               public actionListenerProxy
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
    void systemRequestedQuit() override;

    /** MIDI input thread: active sensing is recorded, everything else goes to the message set
        first, then to the block transfers. */
    void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override;

    /** The dispatcher (message thread). */
    void actionListenerCallback (const juce::String& message) override;

    void connectHardware();
    void disconnectHardware();
    void updateInterface();
    /** The firmware file the user picks, or an empty file when the chooser is cancelled. */
    juce::File getFirmwareFile();

    /** Loop-back test of the block transfer: sends an 88-byte block and receives it back,
        again and again, telling of every difference. Nothing calls it. */
    void testTemplate();

    /** Firmware older than 1.0.3 (the fourth revision byte plays no part). */
    static bool isFirmwareOutdated (juce::uint8 r1, juce::uint8 r2, juce::uint8 r3);

    /** Listens at path for later starts of the application (see SingleInstance); started by
        initialise when set before it. */
    void listenForOtherInstances (const juce::String& path) { mHandOverSocket = path; }

    bool isConnected() const { return mConnected; }
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
        DorvoEditorApplication& app;
    };

    void closePorts();

    DorvoLookAndFeel::Installed mLookAndFeel; // before the window: every box and window in it
    std::unique_ptr<MainAppWindow> mMainWindow;
    MidiInputPort* mMidiInput = nullptr;    // owned while connected
    MidiOutputPort* mMidiOutput = nullptr;  // owned while connected
    bool mConnected = false;
    // Written on the MIDI input thread, read by the watchdog: one 32-bit word, never reset.
    std::atomic<juce::uint32> mLastActiveSense { 0 };

    DispatchHost mDispatchHost { *this };
    ActionDispatcher mDispatcher { mDispatchHost };
    juce::String mHandOverSocket;
    std::unique_ptr<SingleInstance::Listener> mInstanceListener;

    JUCE_DECLARE_NON_COPYABLE (DorvoEditorApplication)
};
