#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include <deque>
#include <functional>
#include <memory>

/** The dispatcher of action messages: finds the row of the code at the start of a message,
    applies the connection and active-sensing gates to everything that needs the instrument,
    and calls the row's handler.

    One table holds every code (ActionDispatcher.cpp), each row with its kind:
    - local: handled whether or not an instrument is connected, without the watchdog;
    - instrument: needs the instrument, connected and alive (active sensing at most 300 ms
      old); otherwise dropped, and a stale instrument disconnected with the "Connection" box;
    - setting: an instrument action that sends one set message with the value's low byte.
    A message whose code is in no row goes through the instrument gates and does nothing more.

    Nested actions: reply waits, transfers, the discovery window and the boxes run nested
    message loops, so a message can arrive while a connection, the read-back or an earlier
    action still runs on the ports. While such an operation runs, setting messages are
    handled at once (the message set is made for it), every other message is queued and
    handled in order, with its gates, once the outermost operation has ended, and a watchdog
    disconnect found meanwhile is held until then too. So nothing closes the ports under a
    running operation.

    A queued action is judged again when its turn comes: a click belongs to the connection it
    was made under. A queued "COMI " stands for the connection state the user saw when
    clicking: when that state changed while it waited, it is dropped. Every other action for
    the instrument (the instrument rows, "FIRM " and codes of no row) remembers the host's
    connection number; when a connect or a disconnect has moved it on meanwhile, the action is
    dropped silently, as the gate drops an action taken with no connection. The preset
    library's file actions need no connection and always run. */
class ActionDispatcher
{
public:
    /** What the dispatcher works on: the application's connection and the operations its
        rows call. */
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
        /** A number that every connect and every disconnect moves on: a queued action for the
            instrument runs only under the connection it was clicked under. A host that keeps
            one number for ever never has a queued action dropped for it. */
        virtual juce::uint32 connectionNumber() const { return 0; }
        /** The firmware update of "FIRM ": disconnect, choose the file, update, connect again. */
        virtual void updateFirmware() {}
        /** The librarian page's list, rescanned after a preset file operation. */
        virtual void refreshPresetsList() {}
    };

    enum class Kind
    {
        local,
        instrument,
        setting
    };

    using Handler = void (*) (Host& host, const juce::String& message);

    struct Row
    {
        const char* code;
        Kind kind;
        Handler handler;   // null: the code is known and does nothing
        /** A local action that works on the instrument all the same (the firmware update):
            queued, it runs only under the connection it was clicked under, as the instrument
            rows do. */
        bool forTheInstrument = false;
    };

    /** Whether a queued message of this row (null: a code of no row) belongs to the
        connection it was clicked under. */
    static bool belongsToItsConnection (const Row* row);

    /** The table, in the order the codes are tested. */
    static const std::vector<Row>& rows();

    explicit ActionDispatcher (Host& host);
    ~ActionDispatcher();

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

    /** A user of the instrument's ports began or ended (the link's port-use seam). Counts like
        an operation, but the queue that waits for its end is worked off from the message loop
        afterwards, never from inside the link call that ends it: its caller may still hold
        the ports for its next step. */
    void portUseBegins();
    void portUseEnds();

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

    /** The row whose code starts the message, or null. */
    static const Row* rowFor (const juce::String& message);

    /** Replaces juce::Time::getMillisecondCounter as the watchdog's clock (tests). */
    void setClock (std::function<juce::uint32()> clock) { mClock = std::move (clock); }

private:
    struct Pending
    {
        bool heldDisconnect;
        juce::String message;
        bool connectedWhenQueued;
        juce::uint32 connectionWhenQueued;
    };

    void handle (const juce::String& message);
    void watchdogDisconnect();
    void operationEnded();
    void drainQueue();

    Host& mHost;
    std::function<juce::uint32()> mClock;
    std::deque<Pending> mQueue;
    int mDepth = 0;
    bool mDraining = false;
    bool mDisconnectHeld = false;
    std::shared_ptr<bool> mAlive = std::make_shared<bool> (true);
};
