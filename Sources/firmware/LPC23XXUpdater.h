#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include "link/SysexBuilder.h"
#include <atomic>
#include <memory>

/** The boot loader's update protocol: Reboot to the running instrument, then to the boot
    loader StartUpdate, the firmware in packets of at most 28 bytes (each acknowledged, the
    acknowledgement carrying the packet's counter in byte 6) and EndOfUpdate.

    Reboot and StartUpdate run on the caller's thread (the message thread); the packets are sent
    by the worker thread "LPC23XX updater", one after each acknowledgement that lets the
    transfer go on; the acknowledgements come in on the MIDI input thread (AckReceived).

    Statuses of an acknowledgement: 0 and -3 (also an acknowledgement without payload) send the
    next packet, or EndOfUpdate after the last one; -1 and -2 send the last message again; any
    other is ignored. A transfer fails when no acknowledgement that moves it on has come for
    ackTimeoutMs, or when one message has already been sent again maxResends times and another
    resend is asked for. It succeeds once every packet was acknowledged and EndOfUpdate sent.

    The fields that the worker, the MIDI input thread and the progress poll share are atomics:
    each writer publishes with release, each reader takes with acquire. */
class LPC23XXUpdater : public juce::Thread
{
public:
    static constexpr int packetBytes = SysexFrame::maxPackedPayload;   // 28
    /** The worker re-checks its limits and its stop request at least this often. */
    static constexpr int ackWaitSliceMs = 200;
    /** The longest wait for an acknowledgement that moves the transfer on. */
    static constexpr int ackTimeoutMs = 10000;
    /** How often one message may be sent again. */
    static constexpr int maxResends = 16;
    /** The message thread is blocked this long after the Reboot message. */
    static constexpr int rebootBlockMs = 5000;

    enum class Outcome
    {
        none,        // no transfer yet
        running,
        completed,   // every packet acknowledged, EndOfUpdate sent
        failed,      // the time limit or the resend limit ended it
        stopped      // the thread's stop request ended it
    };

    LPC23XXUpdater();
    ~LPC23XXUpdater() override;

    /** Sends Reboot (counter 0) to the running instrument, then blocks the calling thread for
        5000 ms without dispatching messages. */
    void Reboot (MidiOutputPort* out);

    /** Starts a transfer of the rest of firmware to the boot loader behind out: sends
        StartUpdate (counter 0) and starts the worker. Refused with false, sending nothing,
        while a transfer runs. The stream must stay valid until IsUpdating turns false. */
    bool StartUpdate (MidiOutputPort* out, juce::InputStream* firmware);

    /** One acknowledgement from the boot loader (MIDI input thread). Ignored while no transfer
        runs, when byte 6 is not the counter awaited, when the message is not 10 to 48 bytes
        long or declares more than 28 raw bytes. */
    void AckReceived (const juce::MidiMessage& message);

    bool IsUpdating() const { return mUpdating.load (std::memory_order_acquire); }

    /** 1.0 when not updating; otherwise the share of the packets sent, 0 to 1 (a transfer of
        no packets counts as all sent). */
    double GetProgression() const;

    /** How the last transfer ended (or that it still runs). */
    Outcome GetOutcome() const { return static_cast<Outcome> (mOutcome.load (std::memory_order_acquire)); }

    /** Ends a running transfer as stopped and waits up to timeoutMs for the worker. */
    bool StopUpdate (int timeoutMs);

    juce::int64 GetPacketsTotal() const { return mPacketsTotal.load (std::memory_order_acquire); }

    /** The clock the time limit is measured on, in milliseconds: juce::Time's millisecond
        counter, or another one (tests); set it while no transfer runs. */
    using Clock = juce::uint32 (*)();
    void setClock (Clock clock) { mClock.store (clock != nullptr ? clock : &millisecondCounter, std::memory_order_release); }

protected:
    /** The worker's step for one acknowledgement: takes the one AckReceived took in, if any,
        and handles it. False when none was waiting; movedOn tells whether it moved the
        transfer on. The worker's loop takes these steps; a derived updater may take them
        itself (the fuzz harness does, with a worker that does nothing). */
    bool ackStep (bool& movedOn);

    /** Starts the worker once the start message is out. A derived updater that takes the
        worker's steps itself starts nothing (the fuzz harness, which runs one transfer per
        input and must not pay for a thread each time). */
    virtual void startWorker() { startThread(); }

private:
    void run() override;

    /** Handles the acknowledgement taken in; true when it moved the transfer on. */
    bool HandleAck();
    void SendNextPacket();
    void ResendLastPacket();
    void SendEndOfUpdateMsg();
    void finish (Outcome outcome);

    static constexpr int noAck = -1;
    static juce::uint32 millisecondCounter() { return juce::Time::getMillisecondCounter(); }

    std::atomic<Clock> mClock { &millisecondCounter };

    // Given by StartUpdate before the worker starts, used by the worker only.
    juce::InputStream* mFirmwareStream = nullptr;
    MidiOutputPort* mMidiOutput = nullptr;
    // The message a resend repeats: the start message, then each packet; worker only once it
    // runs.
    std::unique_ptr<SysexBuilder> mLastPacket;
    int mResends = 0;   // of the message in mLastPacket

    std::atomic<bool> mUpdating { false };
    std::atomic<bool> mAckPending { false };
    // The accepted acknowledgement: its counter in bits 8 to 15, its status in bits 0 to 7.
    std::atomic<int> mAck { noAck };
    std::atomic<juce::int64> mPacketsRemaining { -1 };
    std::atomic<juce::int64> mPacketsTotal { 0 };
    std::atomic<juce::int32> mExpectedCounter { 0 };
    std::atomic<int> mOutcome { static_cast<int> (Outcome::none) };
};
