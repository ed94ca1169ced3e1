#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include "link/SysexBuilder.h"
#include <atomic>

/** A fixed-size block of bytes, sent to the instrument or received from it in acknowledged
    chunks of 16 bytes. Every live block is listed in a static registry; the application hands
    every incoming message of the instrument to MidiReceived, which raises the flags that the
    transfer loops on the message thread wait for.

    Send: TemplateStart, then TemplateChunk messages and one TemplateLastChunk, each only after
    the instrument acknowledged the previous message (TemplateAck with that message's counter
    and one packed status byte: 0 next, -1/-2 send again, -3 abort). Receive: TemplateRequest,
    then the instrument's TemplateStart and chunks, each acknowledged by us. */
class HWTemplate
{
public:
    explicit HWTemplate (unsigned long size);
    ~HWTemplate();

    /** Sends the block; true only once the last message was acknowledged with status 0.
        False when a transfer already runs on this block, the instrument aborted, asked for
        one chunk more than maxResends times again, the transfer did not move on for
        timeoutMs, or the application quit meanwhile. */
    bool send (MidiOutputPort* output);

    /** Receives the block; true only once the instrument's last chunk was stored. False when
        a transfer already runs on this block, when it did not move on for timeoutMs, when one
        chunk failed to unpack more than maxResends times, when more than maxReceiveBytes
        arrive, or when the application quit meanwhile. The block then holds what arrived, and
        its size is that. */
    bool receive (MidiOutputPort* output);

    /** Offers a message of the instrument to every listed block (MIDI input thread). */
    static void MidiReceived (const juce::MidiMessage& message);

    const juce::MemoryBlock& getBlock() const { return mData; }
    bool isSending() const { return mSending.load (std::memory_order_acquire); }
    bool isReceiving() const { return mReceiving.load (std::memory_order_acquire); }

    static constexpr int chunkSize = 16;
    static constexpr int timeoutMs = 5000;          // without progress of the transfer
    static constexpr int maxResends = 16;           // of one chunk, either way
    static constexpr int loopSliceMs = 4;
    static constexpr size_t maxReceiveBytes = 65536;

    static juce::Array<HWTemplate*> templates;      // listed, not owned
    static juce::CriticalSection mMutex;            // the list
    static juce::CriticalSection mCritical;         // the transfer state of every block

protected:
    juce::MemoryBlock mData;

    // The transfer in steps. send and receive are begin, then their loop, which takes one step
    // whenever it looks and runs a message-loop slice while a step finds nothing flagged; a
    // derived block can take the steps itself (the fuzz harness does, without the slices).
    enum class Step
    {
        waiting,     // nothing flagged
        movedOn,     // the transfer made progress: its time limit starts again
        goesOn,      // a flagged message was handled, the transfer goes on without progress
        succeeded,   // the transfer has ended with success
        failed       // the transfer has ended without
    };
    /** Starts a send on an idle block: sets it up and sends TemplateStart. */
    void beginSend (MidiOutputPort* output);
    /** Handles the flagged acknowledgement, if any. */
    Step sendingStep();
    /** Starts a receive on an idle block: sets it up and sends TemplateRequest. */
    void beginReceive (MidiOutputPort* output);
    /** Handles one flagged message of the instrument, if any (its start first, then a chunk,
        then the last chunk). */
    Step receivingStep();
    /** Ends a running transfer without success, as its time limit does. */
    void abandonTransfer();

private:
    void MessageReceived (const juce::MidiMessage& message);
    bool sendingLoop();
    void SendNextPacket (bool last);
    void ResendLastPacket();
    bool AckReceived (const SysexData& ack);
    bool receivingLoop();
    /** The transfer loop: one step after the other, the message loop run between them while
        the step waits, until the step ends the transfer, it stops moving on for timeoutMs, or
        the application quits. */
    bool runLoop (Step (HWTemplate::*step)());
    void StartReceived (const SysexData& start);
    enum class ChunkResult { stored, rejected, exhausted, empty, overflow };
    ChunkResult ChunkReceived (const SysexData& chunk);
    /** ChunkReceived with the resend budget kept: reset by a stored chunk, used by a rejected one. */
    ChunkResult takeChunk (const SysexData& chunk);
    void sendAck (juce::int8 status);
    void endSend();
    void endReceive();

    MidiOutputPort* mOutput = nullptr;
    std::unique_ptr<juce::InputStream> mSource;
    std::unique_ptr<juce::OutputStream> mSink;
    std::atomic<bool> mSending { false };
    std::atomic<bool> mReceiving { false };
    std::unique_ptr<SysexBuilder> mLastPacket;
    SysexData mLastMessage;

    // Each flag is raised after its own copy of the message (guarded by mCritical) is stored:
    // a message arriving before the loop looks cannot replace the one that raised the flag.
    std::atomic<bool> mAckFlag { false }, mStartFlag { false }, mChunkFlag { false }, mEndFlag { false };
    SysexData mAckMessage, mStartMessage, mChunkMessage, mEndMessage;

    juce::int8 mStatus = 0;
    juce::int64 mPacketsRemaining = -1;
    juce::int32 mExpectedAckCounter = 0;
    int mResends = 0;         // of the current chunk
    bool mStarted = false;    // the instrument's start of a receive has come

    JUCE_DECLARE_NON_COPYABLE (HWTemplate)
};
