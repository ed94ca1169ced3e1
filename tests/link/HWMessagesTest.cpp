#include "link/HWMessages.h"
#include "simulator/SimulatedInstrument.h"
#include "TestSupport.h"

using sim::Bytes;
using sim::Fault;

namespace
{
// What the application's input callback does: every message but active sensing goes to the
// message set, on the bus's delivery thread.
struct Forwarder : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
            HWMessages::midiReceived (m);
    }
};

Bytes device (juce::uint8 command, const Bytes& payload = {}, juce::uint8 counter = 0)
{
    Bytes m { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, counter, juce::uint8 (payload.size()), command };
    m.reserve (64);
    m.insert (m.end(), payload.begin(), payload.end());
    m.push_back (0xF7);
    return m;
}

juce::MidiMessage midi (const Bytes& b) { return juce::MidiMessage (b.data(), (int) b.size()); }

Bytes seqAnswer (juce::uint8 sequence, juce::uint8 offset, juce::uint8 firstStep)
{
    Bytes p { sequence, offset, 32 };
    for (int k = 0; k < 32; ++k)
        p.push_back (juce::uint8 (firstStep + k));
    return device (0x3A, p);
}

/** Runs actions[k] on the message thread (from a timer, so inside a reply wait's message loop)
    once the instrument has received the (k+1)-th message with command. */
struct OnRequest : juce::Timer
{
    OnRequest (sim::SimulatedInstrument& s, juce::uint8 cmd, std::vector<std::function<void()>> a)
        : instrument (s), command (cmd), actions (std::move (a))
    {
        startTimer (1);
    }
    ~OnRequest() override { stopTimer(); }

    void timerCallback() override
    {
        const auto seen = instrument.receivedWithCommand (command).size();
        while (done < seen && done < actions.size())
            actions[done++]();
    }

    sim::SimulatedInstrument& instrument;
    juce::uint8 command;
    std::vector<std::function<void()>> actions;
    size_t done = 0;
};

double now() { return juce::Time::getMillisecondCounterHiRes(); }

struct HWMessagesTest : ::testing::Test
{
    void SetUp() override
    {
        instrument.plugIn();
        const int index = MidiInputPort::getDevices().size() - 1;
        in.reset (MidiInputPort::openDevice (index, &forwarder));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        ASSERT_TRUE (in && out);
        in->start();
    }

    void TearDown() override
    {
        if (in != nullptr)
            in->stop();
        in.reset();
        out.reset();
        instrument.unplug();
    }

    /** The messages the instrument received, once the count has arrived. */
    std::vector<Bytes> heard (size_t count)
    {
        instrument.waitForReceived ([count] (auto& r) { return r.size() >= count; }, 500);
        return instrument.received();
    }

    sim::SimulatedInstrument instrument;
    Forwarder forwarder;
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
};
} // namespace

TEST_F (HWMessagesTest, FirstMessagesAfterStartUp)
{
    SysexBuilder::static_request_counter = 0;
    instrument.setSetting (SysexCommand::SetChannelIn, 9);

    HWMessages::setAftertouchCurbNum (out.get(), 2);
    juce::uint8 channel = 0;
    EXPECT_TRUE (HWMessages::getChannelIn (out.get(), &channel));
    EXPECT_EQ (channel, 9);

    const auto r = heard (2);
    ASSERT_EQ (r.size(), 2u);
    EXPECT_EQ (r[0], Bytes ({ 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0x00, 0x01, 0x13, 0x02, 0xF7 }));
    EXPECT_EQ (r[1], Bytes ({ 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0x01, 0x00, 0x06, 0xF7 }));
}

TEST_F (HWMessagesTest, EverySettingIsSetAndReadBack)
{
    using Set = void (*) (MidiOutputPort*, juce::uint8);
    using Get = bool (*) (MidiOutputPort*, juce::uint8*);
    struct Case
    {
        const char* name;
        Set set;
        Get get;
        juce::uint8 setCode, getCode, value;
    };
    const Case cases[] = {
        { "channel in", HWMessages::setChannelIn, HWMessages::getChannelIn, 0x05, 0x06, 16 },
        { "channel out", HWMessages::setChannelOut, HWMessages::getChannelOut, 0x07, 0x08, 15 },
        { "gate threshold", HWMessages::setAudioGateThreshold, HWMessages::getAudioGateThreshold, 0x09, 0x0A, 2 },
        { "LFO retrig", HWMessages::setLFORetrig, HWMessages::getLFORetrig, 0x0F, 0x10, 1 },
        { "arp hold", HWMessages::setArpHold, HWMessages::getArpHold, 0x25, 0x26, 1 },
        { "keyboard mode", HWMessages::setKeyboardMode, HWMessages::getKeyboardMode, 0x0B, 0x0C, 2 },
        { "legato", HWMessages::setLegatoState, HWMessages::getLegatoState, 0x0D, 0x0E, 1 },
        { "velocity curve", HWMessages::setVelocityCurbNum, HWMessages::getVelocityCurbNum, 0x11, 0x12, 2 },
        { "aftertouch curve", HWMessages::setAftertouchCurbNum, HWMessages::getAftertouchCurbNum, 0x13, 0x14, 1 },
        { "step size", HWMessages::setStepSize, HWMessages::getStepSize, 0x38, 0x39, 32 },
        { "gate length", HWMessages::setGateLen, HWMessages::getGateLen, 0x36, 0x37, 3 },
        { "tap average", HWMessages::setTapAvg, HWMessages::getTapAvg, 0x2A, 0x2B, 1 },
        { "seq sync", HWMessages::setSeqSync, HWMessages::getSeqSync, 0x3C, 0x3D, 2 },
        { "play mode", HWMessages::setSeqPlayMode, HWMessages::getSeqPlayMode, 0x2E, 0x2F, 1 },
        { "next seq", HWMessages::setSeqNextSeq, HWMessages::getSeqNextSeq, 0x32, 0x33, 2 },
        { "bend range", HWMessages::setBendRange, HWMessages::getBendRange, 0x2C, 0x2D, 12 },
        { "seq retrig", HWMessages::setSeqRetrig, HWMessages::getSeqRetrig, 0x34, 0x35, 0x7F },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument.clearReceived();
        const auto counter = juce::uint8 (SysexBuilder::static_request_counter);
        c.set (out.get(), c.value);
        juce::uint8 v = 0xEE;
        EXPECT_TRUE (c.get (out.get(), &v));
        EXPECT_EQ (v, c.value);
        const auto r = heard (2);
        ASSERT_EQ (r.size(), 2u);
        EXPECT_EQ (r[0], device (c.setCode, { c.value }, counter));
        EXPECT_EQ (r[1], device (c.getCode, {}, juce::uint8 ((counter + 1) % 128)));
    }

    // The sequencer question answers by model; its set goes out like any other.
    juce::uint8 isSeq = 0xFF;
    EXPECT_TRUE (HWMessages::getIsSeq (out.get(), &isSeq));
    EXPECT_EQ (isSeq, 1);
    instrument.setModel (sim::Model::KelaDorvo);
    EXPECT_TRUE (HWMessages::getIsSeq (out.get(), &isSeq));
    EXPECT_EQ (isSeq, 0);
    instrument.clearReceived();
    HWMessages::setIsSeq (out.get(), 1);
    EXPECT_EQ (heard (1).back()[8], 0x3E);
}

TEST_F (HWMessagesTest, PresetTestAndRawSends)
{
    struct Case
    {
        const char* name;
        std::function<void()> send;
        juce::uint8 command, byte;
    };
    auto* o = out.get();
    const Case cases[] = {
        { "recall preset", [o] { HWMessages::recallPreset (o, 3); }, 0x1A, 3 },
        { "store preset", [o] { HWMessages::storePreset (o, 5); }, 0x1B, 5 },
        { "set preset", [o] { HWMessages::setPreset (o, 2); }, 0x19, 2 },
        { "test mode", [o] { HWMessages::setTestMode (o); }, 0x1C, 0 },
        { "test results", [o] { HWMessages::setTestResults (o, 6); }, 0x1F, 6 },
        { "no data", [o] { HWMessages::SendSysexNoData (o, 0x2A); }, 0x2A, 0 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument.clearReceived();
        c.send();
        const auto r = heard (1);
        ASSERT_EQ (r.size(), 1u);
        ASSERT_EQ (r[0].size(), 11u);
        EXPECT_EQ (r[0][7], 1);
        EXPECT_EQ (r[0][8], c.command);
        EXPECT_EQ (r[0][9], c.byte);
    }

    juce::uint8 result = 0;
    EXPECT_TRUE (HWMessages::getTestResults (out.get(), &result)) << "awaits its own code, 1E";
    EXPECT_EQ (result, 6);

    instrument.clearReceived();
    HWMessages::SendCommonMessage (out.get(), juce::MidiMessage::controllerEvent (2, 7, 100));
    EXPECT_EQ (heard (1).back(), Bytes ({ 0xB1, 7, 100 }));
}

TEST_F (HWMessagesTest, ValuesOf80OrMoreAreNotSent)
{
    auto* o = out.get();
    const std::function<void()> sends[] = {
        [o] { HWMessages::setChannelIn (o, 0x80); },
        [o] { HWMessages::setStepSize (o, 0xFF); },
        [o] { HWMessages::recallPreset (o, 0x80); },
        [o] { HWMessages::SendSysexNoData (o, 0xF7); },
        [o] { const juce::uint8 steps[] = { 60, 0x90 }; HWMessages::setSeqPattern (o, 0, 2, steps); },
        [o] { HWMessages::setSeqPattern (o, 0x85, 0, nullptr); },
    };
    const auto counter = SysexBuilder::static_request_counter;
    for (auto& send : sends)
        send();
    HWMessages::setChannelIn (o, 0x7F);  // the largest data byte goes out unchanged
    const auto r = heard (1);
    ASSERT_EQ (r.size(), 1u);
    EXPECT_EQ (r[0], device (0x05, { 0x7F }, juce::uint8 (counter)));
}

TEST_F (HWMessagesTest, AnAnswerCostsOneSliceAndNoneCostsTwentyFive)
{
    instrument.setSetting (SysexCommand::SetGateLen, 3);
    juce::uint8 v = 0;
    auto t0 = now();
    EXPECT_TRUE (HWMessages::getGateLen (out.get(), &v));
    const auto answered = now() - t0;
    EXPECT_EQ (v, 3);
    EXPECT_GE (answered, 19.0);
    EXPECT_LT (answered, 45.0);

    instrument.setFault (Fault::noReply);
    v = 0x42;
    t0 = now();
    EXPECT_FALSE (HWMessages::getGateLen (out.get(), &v));
    const auto unanswered = now() - t0;
    EXPECT_EQ (v, 0x42);
    EXPECT_GE (unanswered, 499.0);
    EXPECT_LT (unanswered, 700.0);
    EXPECT_EQ (instrument.receivedWithCommand (0x37).size(), 2u) << "no second request";
}

TEST_F (HWMessagesTest, OnlyTheAwaitedCommandEndsAWait)
{
    instrument.setFault (Fault::noReply);
    Bytes longOne (60, 0x33);
    longOne[0] = 0xF0;
    longOne[8] = 0x05;
    longOne.back() = 0xF7;
    OnRequest answerer (instrument, 0x06, { [&]
    {
        instrument.sendToHost (midi (device (0x07, { 11 })));                 // another command
        instrument.sendToHost (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
        instrument.sendToHost (midi ({ 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 })); // short: byte 8 not there
        instrument.sendToHost (midi (device (0x05)));                          // awaited, but no value
        instrument.sendToHost (midi (longOne));                                // longer than the record
        instrument.sendToHost (midi (device (0x05, { 7 })));
    } });

    juce::uint8 v = 0;
    EXPECT_TRUE (HWMessages::getChannelIn (out.get(), &v));
    EXPECT_EQ (v, 7);
    EXPECT_TRUE (HWMessages::outMessage.isNoteOn());
    EXPECT_EQ (HWMessages::outMessage.getNoteNumber(), 60);
    EXPECT_EQ (HWMessages::mData.size, 11);
}

TEST_F (HWMessagesTest, ALateAnswerEndsTheNextWait)
{
    instrument.setFault (Fault::lateReply);  // 700 ms after the request
    instrument.setSetting (SysexCommand::SetChannelOut, 3);
    juce::uint8 v = 0;
    EXPECT_FALSE (HWMessages::getChannelOut (out.get(), &v));
    EXPECT_EQ (v, 0);

    instrument.setSetting (SysexCommand::SetChannelOut, 4);
    const auto t0 = now();
    EXPECT_TRUE (HWMessages::getChannelOut (out.get(), &v));
    EXPECT_EQ (v, 3) << "answers carry no reference to their request";
    EXPECT_LT (now() - t0, 400.0);
}

// A slice of the wait lasts as long as the messages it dispatches: with every slice stretched by
// a slow handler (a repaint on a busy machine), twenty-five of them would last well past the
// answer that comes 700 ms late. The wait is 500 ms from the request all the same: that answer
// is too late and refused.
TEST_F (HWMessagesTest, SlowMessagesDoNotStretchTheWait)
{
    struct SlowHandler : juce::Timer
    {
        SlowHandler() { startTimer (1); }
        ~SlowHandler() override { stopTimer(); }
        void timerCallback() override
        {
            ++calls;
            juce::Thread::sleep (60);
        }
        int calls = 0;
    };

    instrument.setFault (Fault::lateReply);  // 700 ms after the request
    instrument.setSetting (SysexCommand::SetChannelIn, 9);
    juce::uint8 v = 0;
    SlowHandler slow;
    EXPECT_FALSE (HWMessages::getChannelIn (out.get(), &v)) << "an answer 700 ms late was taken";
    EXPECT_EQ (v, 0);
    EXPECT_GT (slow.calls, 0) << "the slow handler ran inside the wait";
    EXPECT_FALSE (HWMessages::isWaitPending());
}

TEST_F (HWMessagesTest, AnAnswerCheckedAgainstOneWaitEndsNoOther)
{
    // The receiving side checks an answer against the wait it saw pending; by the time it
    // hands the answer over, that wait may have timed out and the next one begun. Offering the
    // answer against the earlier wait's word plays exactly that interleaving.
    struct Case
    {
        const char* name;
        Bytes staleAnswer;        // right for the first wait (getChannelIn)
        bool secondReadsSequence; // else the second wait is getChannelOut
    };
    const Case cases[] = {
        { "another get's value", device (0x05, { 1 }), false },
        { "a value answer during a sequence-half wait", device (0x05, { 1 }), true },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument.setFault (Fault::noReply);
        juce::uint8 v = 0x55;
        ASSERT_FALSE (HWMessages::getChannelIn (out.get(), &v));
        const auto firstWait = HWMessages::WaitToken::unpack (HWMessages::mWaitToken.load())
                                   .with (HWMessages::WaitState::pending).pack();

        const juce::uint8 secondCommand = c.secondReadsSequence ? 0x3B : 0x08;
        bool endedByStale = false;
        OnRequest answerer (instrument, secondCommand, { [&]
        {
            HWMessages::offerAnswer (midi (c.staleAnswer), firstWait);
            endedByStale = ! HWMessages::isWaitPending();
            instrument.sendToHost (midi (c.secondReadsSequence ? seqAnswer (0, 0, 40) : device (0x07, { 2 })));
        } });

        if (c.secondReadsSequence)
        {
            std::array<juce::uint8, 64> steps {};
            HWMessages::getSeqPattern (out.get(), 0, steps.data());
            EXPECT_EQ (steps[0], 40);
        }
        else
        {
            EXPECT_TRUE (HWMessages::getChannelOut (out.get(), &v));
            EXPECT_EQ (v, 2) << "the second get keeps its own answer";
        }
        EXPECT_FALSE (endedByStale);
        instrument.clearFaults();
        instrument.clearReceived();
    }
}

// offerAnswer takes any wait's word. Whatever size bounds a word gives, an answer is judged
// only on bytes it has, and it is held whole or not taken.
TEST (HWMessagesWaitWord, AnAnswerIsJudgedOnItsOwnBytesAndHeldWhole)
{
    Bytes longAnswer (52, 0x11);
    longAnswer[0] = 0xF0;
    longAnswer[8] = 0x07;
    longAnswer.back() = 0xF7;
    Bytes fullAnswer (longAnswer.begin(), longAnswer.begin() + 48);
    fullAnswer.back() = 0xF7;
    struct Case
    {
        const char* name;
        int minSize, maxSize;
        juce::uint8 awaited;
        Bytes message;
        bool ends;
    };
    const Case cases[] = {
        { "52 bytes within bounds that pass the record", 18, 62, 0x07, longAnswer, false },
        { "3 bytes, no command byte, bounds from 0", 0, 48, 0x00, { 0xF0, 0x00, 0xF7 }, false },
        { "8 bytes, no command byte, bounds from 0", 0, 48, 0x00, { 0xF0, 0, 0, 0, 0, 0, 0, 0xF7 }, false },
        { "48 bytes, the whole record", 10, 48, 0x07, fullAnswer, true },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        HWMessages::WaitToken wait;
        wait.state = HWMessages::WaitState::pending;
        wait.awaited = c.awaited;
        wait.minSize = c.minSize;
        wait.maxSize = c.maxSize;
        wait.generation = 77;
        HWMessages::mData = SysexData();
        HWMessages::mWaitToken.store (wait.pack());

        HWMessages::offerAnswer (midi (c.message), wait.pack());
        EXPECT_EQ (HWMessages::isWaitPending(), ! c.ends);
        EXPECT_EQ (HWMessages::mData.size, c.ends ? (int) c.message.size() : 0);
    }
    HWMessages::mWaitToken.store (0);
}

TEST_F (HWMessagesTest, ASetDuringAWaitGoesOutAtOnce)
{
    instrument.setFault (Fault::noReply);
    OnRequest answerer (instrument, 0x06, { [&]
    {
        HWMessages::setChannelOut (out.get(), 9);
        instrument.sendToHost (midi (device (0x05, { 2 })));
    } });

    juce::uint8 v = 0;
    EXPECT_TRUE (HWMessages::getChannelIn (out.get(), &v));
    EXPECT_EQ (v, 2);
    const auto r = heard (2);
    ASSERT_EQ (r.size(), 2u);
    EXPECT_EQ (r[0][8], 0x06);
    EXPECT_EQ (r[1][8], 0x07);
    EXPECT_EQ (instrument.getSetting (SysexCommand::SetChannelOut), 9);
}

TEST_F (HWMessagesTest, AGetStartedDuringAnotherWaitIsRefused)
{
    instrument.setFault (Fault::noReply);
    bool innerGet = true, innerSeq = true, innerWait = true;
    juce::uint8 inner = 0x55;
    std::array<juce::uint8, 64> steps;
    steps.fill (0xEE);
    double innerMs = 1000;
    size_t heardBefore = 0, heardAfter = 0;
    juce::int32 counterBefore = 0, counterAfter = 0;
    OnRequest answerer (instrument, 0x06, { [&]
    {
        heardBefore = instrument.received().size();
        counterBefore = SysexBuilder::static_request_counter;
        const auto t0 = now();
        innerGet = HWMessages::getChannelOut (out.get(), &inner);
        innerSeq = HWMessages::getSeqPattern (out.get(), 1, steps.data());
        juce::MidiMessage m;
        innerWait = HWMessages::WaitMidiMessage (m);
        innerMs = now() - t0;
        counterAfter = SysexBuilder::static_request_counter;
        heardAfter = instrument.received().size();
        instrument.sendToHost (midi (device (0x05, { 4 })));
    } });

    juce::uint8 v = 0;
    EXPECT_TRUE (HWMessages::getChannelIn (out.get(), &v));
    EXPECT_EQ (v, 4) << "the outer get keeps its own answer";
    EXPECT_FALSE (innerGet);
    EXPECT_FALSE (innerSeq);
    EXPECT_FALSE (innerWait);
    EXPECT_EQ (inner, 0x55);
    EXPECT_EQ (steps[0], 0xEE);
    EXPECT_LT (innerMs, 10.0);
    EXPECT_EQ (heardAfter, heardBefore);
    EXPECT_EQ (counterAfter, counterBefore);
}

TEST_F (HWMessagesTest, SequenceWritesInHalves)
{
    std::array<juce::uint8, 80> steps;
    for (size_t k = 0; k < steps.size(); ++k)
        steps[k] = juce::uint8 (k + 1);

    struct Case
    {
        juce::uint8 count;
        size_t messages;
        juce::uint8 countA, countB;
    };
    const Case cases[] = { { 0, 1, 0, 0 }, { 16, 1, 16, 0 }, { 32, 1, 32, 0 }, { 33, 2, 32, 1 },
                           { 64, 2, 32, 32 }, { 65, 2, 32, 32 }, { 255, 2, 32, 32 } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "count " << (int) c.count);
        instrument.clearReceived();
        const auto counter = juce::uint8 (SysexBuilder::static_request_counter);
        HWMessages::setSeqPattern (out.get(), 5, c.count, steps.data());
        const auto r = heard (c.messages);
        ASSERT_EQ (r.size(), c.messages);
        for (size_t half = 0; half < c.messages; ++half)
        {
            const auto& m = r[half];
            const int n = half == 0 ? c.countA : c.countB;
            ASSERT_EQ (m.size(), 45u);
            EXPECT_EQ (Bytes (m.begin(), m.begin() + 12),
                       Bytes ({ 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, juce::uint8 ((counter + half) % 128), 0x23, 0x3A,
                                5, juce::uint8 (half * 0x20), juce::uint8 (n) }));
            for (int k = 0; k < 32; ++k)
                EXPECT_EQ (m[(size_t) (12 + k)], k < n ? steps[half * 32 + (size_t) k] : 0) << "step " << k;
            EXPECT_EQ (m[44], 0xF7);
        }
    }
    EXPECT_EQ (instrument.getSequence (5)[63], 64) << "the instrument took the last write";
}

TEST_F (HWMessagesTest, SequenceReadsInHalves)
{
    std::array<juce::uint8, 64> stored {};
    for (int k = 0; k < 40; ++k)
        stored[(size_t) k] = juce::uint8 (k % 7 == 6 ? 127 : 30 + k);
    instrument.setSequence (3, stored);

    std::array<juce::uint8, 64> steps;
    steps.fill (0xEE);
    EXPECT_TRUE (HWMessages::getSeqPattern (out.get(), 3, steps.data()));
    EXPECT_EQ (steps, stored);
    const auto requests = instrument.receivedWithCommand (0x3B);
    ASSERT_EQ (requests.size(), 2u);
    EXPECT_EQ (Bytes (requests[0].begin() + 7, requests[0].end()), Bytes ({ 3, 0x3B, 3, 0x00, 0x20, 0xF7 }));
    EXPECT_EQ (Bytes (requests[1].begin() + 7, requests[1].end()), Bytes ({ 3, 0x3B, 3, 0x20, 0x20, 0xF7 }));

    // Answers injected by hand: any 45-byte SetSeqPattern fills the half awaited, whatever its
    // offset says; a shorter one does not count; an unanswered half keeps the caller's bytes.
    instrument.setFault (Fault::noReply);
    instrument.clearReceived();
    OnRequest answerer (instrument, 0x3B, {
        [&] { instrument.sendToHost (midi (seqAnswer (3, 0x00, 1))); },
        [&] { instrument.sendToHost (midi (seqAnswer (3, 0x00, 70))); },
        [&]
        {
            auto shortOne = seqAnswer (3, 0x00, 90);
            shortOne.erase (shortOne.end() - 2);
            instrument.sendToHost (midi (shortOne));
            instrument.sendToHost (midi (seqAnswer (3, 0x00, 20)));
        },
        [] {},
    });

    steps.fill (0xEE);
    EXPECT_TRUE (HWMessages::getSeqPattern (out.get(), 3, steps.data()));
    EXPECT_EQ (steps[0], 1);
    EXPECT_EQ (steps[32], 70);
    EXPECT_EQ (steps[63], 101);

    steps.fill (0xEE);
    EXPECT_FALSE (HWMessages::getSeqPattern (out.get(), 3, steps.data()));
    EXPECT_EQ (steps[0], 20);
    EXPECT_EQ (steps[31], 51);
    EXPECT_EQ (steps[32], 0xEE);
    EXPECT_EQ (steps[63], 0xEE);
}

TEST_F (HWMessagesTest, WaitMidiMessageEndsOnlyOnAMessageThatIsNotSystemExclusive)
{
    juce::Timer::callAfterDelay (30, [this]
    {
        HWMessages::midiReceived (juce::MidiMessage (0xFE));  // active sensing ends nothing
        instrument.sendToHost (midi (device (0x05, { 1 })));
        instrument.sendToHost (juce::MidiMessage::controllerEvent (1, 64, 127));
    });
    juce::MidiMessage m;
    const auto t0 = now();
    EXPECT_TRUE (HWMessages::WaitMidiMessage (m));
    EXPECT_LT (now() - t0, 1000.0);
    EXPECT_TRUE (m.isController());
    EXPECT_EQ (m.getControllerNumber(), 64);
}
