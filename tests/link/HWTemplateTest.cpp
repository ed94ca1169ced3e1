#include "link/HWTemplate.h"
#include "link/VirtualMidiBus.h"
#include "simulator/SimulatedInstrument.h"
#include "TestSupport.h"
#include <functional>
#include <mutex>
#include <optional>

using Bytes = std::vector<juce::uint8>;

namespace
{
constexpr juce::uint8 cmdStart = 0x15, cmdChunk = 0x16, cmdLast = 0x17, cmdAck = 0x18, cmdRequest = 0x19;

Bytes header (juce::uint8 command, juce::uint8 counter, juce::uint8 length)
{
    return { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, counter, length, command };
}

/** A device message with a packed payload, built by hand (the builder's counter is the
    system's own). checksumError spoils the checksum. */
Bytes packedMessage (juce::uint8 command, juce::uint8 counter, const Bytes& raw, int checksumError = 0)
{
    auto m = header (command, counter, (juce::uint8) raw.size());
    m.reserve (64);
    juce::uint8 packed[40] {};
    int written = (int) sizeof (packed);
    juce::uint8 checksum = 0;
    SysexDataDebiteur (raw.data(), (int) raw.size(), packed, &written, &checksum);
    m.push_back (juce::uint8 ((checksum + checksumError) & 0x7F));
    m.insert (m.end(), packed, packed + written);
    m.push_back (0xF7);
    return m;
}

Bytes plainMessage (juce::uint8 command, juce::uint8 counter, juce::uint8 length, const Bytes& tail = {})
{
    auto m = header (command, counter, length);
    m.reserve (64);
    m.insert (m.end(), tail.begin(), tail.end());
    m.push_back (0xF7);
    return m;
}

Bytes ack (juce::uint8 counter, juce::int8 status) { return packedMessage (cmdAck, counter, { (juce::uint8) status }); }
Bytes ackWithoutPayload (juce::uint8 counter) { return plainMessage (cmdAck, counter, 0); }

// A setting reply the instrument may send at any time; it must never disturb a transfer.
const Bytes chatter = plainMessage (0x05, 0x33, 1, { 0x03 });

Bytes pattern (size_t n, int seed = 1)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = juce::uint8 (i * 37 + (size_t) seed * 11);
    return b;
}

/** The raw bytes of a packed payload, or nullopt when it does not decode. */
std::optional<Bytes> payloadOf (const Bytes& m)
{
    SysexData d;
    d.copyFrom (m.data(), (int) m.size());
    juce::uint8 out[28] {};
    const int n = m[7];
    if (d.DecodeData (out, 28, n, 9, d.size - 11) != 0)
        return std::nullopt;
    return Bytes (out, out + n);
}

int ackStatusOf (const Bytes& m)
{
    auto p = payloadOf (m);
    return p && ! p->empty() ? (int) (juce::int8) (*p)[0] : 99;
}

struct TestBlock : HWTemplate
{
    explicit TestBlock (size_t n) : HWTemplate ((unsigned long) n)
    {
        const auto b = pattern (n);
        if (n > 0)
            mData.copyFrom (b.data(), 0, n);
    }
    Bytes bytes() const { return Bytes (getBlock().begin(), getBlock().end()); }
};

/** A scripted instrument: answers the system's i-th message with whatever the script gives. */
struct Peer : VirtualMidiDevice
{
    std::function<std::vector<Bytes> (const Bytes& message, size_t index)> script;

    void messageFromHost (const juce::MidiMessage& m) override
    {
        const Bytes b (m.getRawData(), m.getRawData() + m.getRawDataSize());
        std::vector<Bytes> answers;
        {
            std::lock_guard<std::mutex> l (lock);
            heard.push_back (b);
            if (script)
                answers = script (b, heard.size() - 1);
        }
        for (auto& a : answers)
            send (a);
    }

    void send (const Bytes& b) { VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (b.data(), (int) b.size())); }

    std::vector<Bytes> messages()
    {
        std::lock_guard<std::mutex> l (lock);
        return heard;
    }

    std::mutex lock;
    std::vector<Bytes> heard;
};

/** The application's side: every message of the instrument but active sensing goes to the
    block registry, as the application hands them over. */
struct Host : MidiInputPortCallback
{
    Host()
    {
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, this));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        if (in != nullptr)
            in->start();
    }
    ~Host() override
    {
        if (in != nullptr)
            in->stop();
        in.reset();
    }
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
            HWTemplate::MidiReceived (m);
    }
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
};

std::vector<int> commandsOf (const std::vector<Bytes>& messages)
{
    std::vector<int> c;
    for (auto& m : messages)
        c.push_back (m.size() > 8 ? m[8] : -1);
    return c;
}

struct TemplateTest : ::testing::Test
{
    void SetUp() override { MidiPorts::useVirtualBus(); }
    void TearDown() override
    {
        host.reset();
        if (peer != nullptr)
            VirtualMidiBus::instance().removeDevice (peer.get());
    }

    Peer& plugPeer()
    {
        peer = std::make_unique<Peer>();
        VirtualMidiBus::instance().addDevice ("KelaDorvo", peer.get());
        host = std::make_unique<Host>();
        return *peer;
    }

    std::unique_ptr<sim::SimulatedInstrument> plugSimulator()
    {
        auto instrument = std::make_unique<sim::SimulatedInstrument>();
        instrument->plugIn();
        host = std::make_unique<Host>();
        return instrument;
    }

    std::unique_ptr<Peer> peer;
    std::unique_ptr<Host> host;
};
} // namespace

//==============================================================================
TEST_F (TemplateTest, SendsEachBlockSizeAsStartAndAcknowledgedChunks)
{
    struct Case
    {
        size_t size;
        std::vector<int> chunkLengths;  // the last one goes as TemplateLastChunk
    };
    for (auto c : { Case { 87, { 16, 16, 16, 16, 16, 7 } }, Case { 16, { 16 } }, Case { 0, {} } })
    {
        SCOPED_TRACE (c.size);
        auto instrument = plugSimulator();
        TestBlock block (c.size);
        SysexBuilder::static_request_counter = 77;  // a send always starts from 0

        EXPECT_TRUE (block.send (host->out.get()));
        EXPECT_FALSE (block.isSending());

        const auto sent = instrument->received();
        ASSERT_EQ (sent.size(), c.chunkLengths.size() + 1);
        EXPECT_EQ (sent[0], plainMessage (cmdStart, 0, 0));
        for (size_t i = 0; i < c.chunkLengths.size(); ++i)
        {
            const auto& m = sent[i + 1];
            EXPECT_EQ (m[8], i + 1 == c.chunkLengths.size() ? cmdLast : cmdChunk) << "chunk " << i;
            EXPECT_EQ (m[6], i + 1) << "counters 0, 1, ...";
            ASSERT_TRUE (payloadOf (m));
            EXPECT_EQ ((int) payloadOf (m)->size(), c.chunkLengths[i]);
        }
        EXPECT_EQ (instrument->getReceivedBlock(), block.bytes());
        host.reset();
    }
}

TEST_F (TemplateTest, ResendsTheKeptChunkUnchangedAndAbortStopsTheSend)
{
    auto instrument = plugSimulator();
    TestBlock block (40);

    instrument->setFault (sim::Fault::resendStatus);
    EXPECT_TRUE (block.send (host->out.get()));
    const auto sent = instrument->received();
    EXPECT_EQ (commandsOf (sent), (std::vector<int> { cmdStart, cmdChunk, cmdChunk, cmdChunk, cmdChunk, cmdLast, cmdLast }));
    for (size_t i = 1; i + 1 < sent.size(); i += 2)
        EXPECT_EQ (sent[i], sent[i + 1]) << "same bytes, same counter";
    EXPECT_EQ (instrument->getReceivedBlock(), block.bytes());

    instrument->clearFaults();
    instrument->setFault (sim::Fault::abortStatus);
    instrument->clearReceived();
    EXPECT_FALSE (block.send (host->out.get()));
    EXPECT_EQ (commandsOf (instrument->received()), (std::vector<int> { cmdStart, cmdChunk }));
    EXPECT_FALSE (block.isSending());

    instrument->clearFaults();
    EXPECT_TRUE (block.send (host->out.get())) << "the block is idle again";
}

// A 16-byte block (TemplateStart counter 0, TemplateLastChunk counter 1), answered as scripted.
TEST_F (TemplateTest, FollowsTheAcknowledgementStatuses)
{
    struct Case
    {
        const char* name;
        std::vector<std::vector<Bytes>> answers;  // per message the system sends
        std::vector<int> sent;
        bool result;
    };
    const std::vector<Case> cases {
        { "-1 for TemplateStart sends it again", { { ack (0, -1) }, { ack (0, 0) }, { ack (1, 0) } },
          { cmdStart, cmdStart, cmdLast }, true },
        { "-2 likewise", { { ack (0, -2) }, { ack (0, 0) }, { ack (1, 0) } }, { cmdStart, cmdStart, cmdLast }, true },
        { "no payload repeats the previous status",
          { { ackWithoutPayload (0) }, { ack (1, -1) }, { ackWithoutPayload (1) }, { ack (1, 0) } },
          { cmdStart, cmdLast, cmdLast, cmdLast }, true },
        { "-3 aborts", { { ack (0, 0) }, { ack (1, -3) } }, { cmdStart, cmdLast }, false },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& p = plugPeer();
        p.script = [&] (const Bytes&, size_t i) {
            auto a = i < c.answers.size() ? c.answers[i] : std::vector<Bytes> {};
            a.push_back (chatter);
            return a;
        };
        TestBlock block (16);
        EXPECT_EQ (block.send (host->out.get()), c.result);

        const auto sent = p.messages();
        EXPECT_EQ (commandsOf (sent), c.sent);
        for (size_t i = 1; i < sent.size(); ++i)
        {
            if (sent[i][8] == sent[i - 1][8])
            {
                EXPECT_EQ (sent[i], sent[i - 1]) << "a resend is the same message";
            }
        }
        TearDown();
    }
}

// Each of these, answering TemplateStart, would let a 16-byte block's last chunk go out if it
// counted; a sound acknowledgement follows a little later.
TEST_F (TemplateTest, AcknowledgementsThatDoNotCountAreIgnored)
{
    Bytes tooLong = ackWithoutPayload (0);
    tooLong.insert (tooLong.end() - 1, 39, 0x00);
    struct Case
    {
        const char* name;
        Bytes message;
    };
    const std::vector<Case> cases {
        { "another counter", ack (5, 0) },
        { "a status with no meaning", ack (0, 5) },
        { "bad checksum", packedMessage (cmdAck, 0, { 0 }, 1) },
        { "declares 29 raw bytes", plainMessage (cmdAck, 0, 29, Bytes (33, 0x00)) },
        { "packed length does not match", plainMessage (cmdAck, 0, 1, Bytes (17, 0x00)) },
        { "longer than 48 bytes", tooLong },
        { "shorter than 10 bytes", Bytes (tooLong.begin(), tooLong.begin() + 9) },
        { "not system-exclusive", { 0x90, 0, 0, 0, 0, 0, 0, 0, cmdAck, 0xF7 } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& p = plugPeer();
        p.script = [&] (const Bytes& m, size_t) -> std::vector<Bytes> {
            if (m[8] == cmdStart)
                return { c.message };
            return { ack (1, 0) };
        };

        size_t sentBeforeTheGoodAck = 0;
        juce::Timer::callAfterDelay (150, [&] {
            sentBeforeTheGoodAck = p.messages().size();
            p.send (ack (0, 0));
        });

        TestBlock block (16);
        EXPECT_TRUE (block.send (host->out.get()));
        EXPECT_EQ (sentBeforeTheGoodAck, 1u) << "it advanced the send";
        EXPECT_EQ (commandsOf (p.messages()), (std::vector<int> { cmdStart, cmdLast }));
        TearDown();
    }
}

// An instrument that asks for the same chunk again and again ends the transfer after 16
// resends, either way, instead of keeping it alive for ever.
TEST_F (TemplateTest, ResendRequestsAreBounded)
{
    {
        SCOPED_TRACE ("send: every chunk answered with -1");
        auto& p = plugPeer();
        p.script = [] (const Bytes& m, size_t) -> std::vector<Bytes> {
            return { ack (m[6], m[8] == cmdStart ? 0 : -1) };
        };
        TestBlock block (40);
        EXPECT_FALSE (block.send (host->out.get()));
        const auto sent = p.messages();
        ASSERT_EQ (sent.size(), 2u + (size_t) HWTemplate::maxResends);
        for (size_t i = 2; i < sent.size(); ++i)
            EXPECT_EQ (sent[i], sent[1]) << "the same first chunk, again";
        EXPECT_FALSE (block.isSending());
        TearDown();
    }
    {
        SCOPED_TRACE ("receive: a chunk that never unpacks");
        auto& p = plugPeer();
        p.script = [] (const Bytes& m, size_t) -> std::vector<Bytes> {
            if (m[8] == cmdRequest)
                return { plainMessage (cmdStart, 0, 0) };
            if (m[8] == cmdAck && ackStatusOf (m) != -3)
                return { packedMessage (cmdChunk, 1, pattern (16), 1) };
            return {};
        };
        TestBlock block (87);
        EXPECT_FALSE (block.receive (host->out.get()));
        const auto got = p.messages();
        std::vector<int> statuses;
        for (size_t i = 1; i < got.size(); ++i)
            statuses.push_back (ackStatusOf (got[i]));
        std::vector<int> expected { 0 };
        expected.insert (expected.end(), (size_t) HWTemplate::maxResends, -1);
        expected.push_back (-3);   // asked 16 times, then told to stop
        EXPECT_EQ (statuses, expected);
        EXPECT_FALSE (block.isReceiving());
        TearDown();
    }
}

// Acknowledgements whose status means nothing do not keep a send alive: only progress
// restarts its time limit.
TEST_F (TemplateTest, MeaninglessAcknowledgementsDoNotKeepASendAlive)
{
    auto& p = plugPeer();
    p.script = [] (const Bytes& m, size_t) -> std::vector<Bytes> {
        return { ack (m[6], m[8] == cmdStart ? 0 : 5) };
    };
    struct Chatter : juce::Timer
    {
        explicit Chatter (Peer& peer) : p (peer) { startTimer (100); }
        ~Chatter() override { stopTimer(); }
        void timerCallback() override { p.send (ack (1, 5)); ++sent; }
        Peer& p;
        int sent = 0;
    } chatterer (p);

    TestBlock block (40);
    EXPECT_FALSE (block.send (host->out.get()));
    EXPECT_GT (chatterer.sent, 0);
    EXPECT_EQ (commandsOf (p.messages()), (std::vector<int> { cmdStart, cmdChunk }));
}

TEST_F (TemplateTest, SendWithoutMatchingAcknowledgementTimesOutAsFailure)
{
    auto instrument = plugSimulator();
    instrument->setFault (sim::Fault::wrongAckCounter);
    TestBlock block (16);

    const auto t0 = juce::Time::getMillisecondCounter();
    EXPECT_FALSE (block.send (host->out.get()));
    const auto ms = juce::Time::getMillisecondCounter() - t0;
    EXPECT_GE (ms, (juce::uint32) HWTemplate::timeoutMs);
    EXPECT_LT (ms, (juce::uint32) HWTemplate::timeoutMs + 2000);
    EXPECT_EQ (commandsOf (instrument->received()), (std::vector<int> { cmdStart }));
    EXPECT_FALSE (block.isSending());
}

//==============================================================================
TEST_F (TemplateTest, ReceivesTheInstrumentsBlockAcknowledgingWithItsCounter)
{
    struct Case
    {
        const char* name;
        size_t blockSize, sent;
        bool badChecksum;
        std::vector<int> statuses;  // our acknowledgements
    };
    const std::vector<Case> cases {
        { "87 bytes", 87, 87, false, { 0, 0, 0, 0, 0, 0, 0 } },
        { "40 bytes into an 87-byte block", 87, 40, false, { 0, 0, 0, 0 } },
        { "every chunk spoilt once", 87, 40, true, { 0, -1, 0, -1, 0, -1, 0 } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto instrument = plugSimulator();
        instrument->setBlockToSend (pattern (c.sent, 5));
        instrument->setFault (sim::Fault::badChecksum, c.badChecksum);
        TestBlock block (c.blockSize);
        SysexBuilder::static_request_counter = 42;

        EXPECT_TRUE (block.receive (host->out.get()));
        EXPECT_FALSE (block.isReceiving());
        EXPECT_EQ (block.bytes(), pattern (c.sent, 5));

        const auto got = instrument->received();
        ASSERT_EQ (got.size(), c.statuses.size() + 1);
        EXPECT_EQ (got[0], plainMessage (cmdRequest, 42, 0)) << "the request keeps the running counter";
        for (size_t i = 1; i < got.size(); ++i)
        {
            EXPECT_EQ (got[i][8], cmdAck);
            EXPECT_EQ (ackStatusOf (got[i]), c.statuses[i - 1]) << "ack " << i;
            if (i > 1)
            {
                EXPECT_EQ (got[i][6], (got[i - 1][6] + 1) % 128) << "the instrument's counter, then onwards";
            }
        }
        host.reset();
    }
}

// The instrument keeps one block: a fresh one answers with a whole preset, and what it was
// sent last is what it sends back (the loop-back the application's block test relies on).
TEST_F (TemplateTest, TheInstrumentSendsBackTheBlockItKeeps)
{
    auto instrument = plugSimulator();
    TestBlock fresh (87);
    EXPECT_TRUE (fresh.receive (host->out.get()));
    EXPECT_EQ (fresh.getBlock().getSize(), 87u);

    TestBlock sent (88), back (88);
    EXPECT_TRUE (sent.send (host->out.get()));
    EXPECT_TRUE (back.receive (host->out.get()));
    EXPECT_EQ (back.bytes(), sent.bytes());
}

// The instrument's side scripted: one message in answer to each of ours.
TEST_F (TemplateTest, ReceiveAnswersEachChunkAndEndsOnlyWithTheLastStored)
{
    const Bytes bad29 = plainMessage (cmdChunk, 0, 29, Bytes (33, 0x01));
    const Bytes badPacking = plainMessage (cmdChunk, 0, 3, Bytes (16, 0x01));
    struct Case
    {
        const char* name;
        std::vector<Bytes> messages;
        std::vector<int> statuses;
        std::vector<int> counters;
        bool result;
        Bytes block;
    };
    const std::vector<Case> cases {
        { "counter taken over, wrapping", { plainMessage (cmdStart, 126, 0), packedMessage (cmdChunk, 9, pattern (16)),
                                            packedMessage (cmdLast, 10, pattern (5, 2)) },
          { 0, 0, 0 }, { 126, 127, 0 }, true, [] { auto b = pattern (16); auto t = pattern (5, 2); b.insert (b.end(), t.begin(), t.end()); return b; }() },
        { "undecodable chunks are asked for again",
          { plainMessage (cmdStart, 3, 0), bad29, badPacking, packedMessage (cmdChunk, 5, pattern (3), 1),
            packedMessage (cmdLast, 6, pattern (3)) },
          { 0, -1, -1, -1, 0 }, { 3, 4, 5, 6, 7 }, true, pattern (3) },
        { "a failed last chunk waits for its resend",
          { plainMessage (cmdStart, 3, 0), packedMessage (cmdLast, 4, pattern (4), 1), packedMessage (cmdLast, 4, pattern (4)) },
          { 0, -1, 0 }, { 3, 4, 5 }, true, pattern (4) },
        { "an empty chunk is answered -3",
          { plainMessage (cmdStart, 3, 0), plainMessage (cmdChunk, 4, 0), packedMessage (cmdLast, 5, pattern (2)) },
          { 0, -3, 0 }, { 3, 4, 5 }, true, pattern (2) },
        { "an empty last chunk ends the receive as failure",
          { plainMessage (cmdStart, 3, 0), plainMessage (cmdLast, 4, 0) }, { 0, -3 }, { 3, 4 }, false, {} },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& p = plugPeer();
        p.script = [&] (const Bytes&, size_t i) {
            return i < c.messages.size() ? std::vector<Bytes> { c.messages[i], chatter } : std::vector<Bytes> {};
        };
        TestBlock block (87);
        EXPECT_EQ (block.receive (host->out.get()), c.result);
        EXPECT_EQ (block.bytes(), c.block);

        const auto got = p.messages();
        ASSERT_EQ (got.size(), c.statuses.size() + 1);
        EXPECT_EQ (got[0][8], cmdRequest);
        for (size_t i = 1; i < got.size(); ++i)
        {
            EXPECT_EQ (ackStatusOf (got[i]), c.statuses[i - 1]) << "ack " << i;
            EXPECT_EQ (got[i][6], c.counters[i - 1]) << "ack " << i;
        }
        TearDown();
    }
}

TEST_F (TemplateTest, BusyBlockRefusesASecondTransfer)
{
    auto& p = plugPeer();
    p.script = [] (const Bytes& m, size_t) -> std::vector<Bytes> {
        if (m[8] == cmdAck && m[6] == 0)
            return { packedMessage (cmdLast, 1, pattern (3)) };
        return {};
    };
    TestBlock block (87);

    bool sendResult = true, receiveResult = true;
    size_t heardMeanwhile = 0;
    juce::Timer::callAfterDelay (100, [&] {
        sendResult = block.send (host->out.get());
        receiveResult = block.receive (host->out.get());
        heardMeanwhile = p.messages().size();
        p.send (plainMessage (cmdStart, 0, 0));
    });

    EXPECT_TRUE (block.receive (host->out.get()));
    EXPECT_FALSE (sendResult);
    EXPECT_FALSE (receiveResult);
    EXPECT_EQ (heardMeanwhile, 1u) << "nothing sent by the refused calls";
    EXPECT_EQ (block.bytes(), pattern (3));
}

TEST_F (TemplateTest, ReceiveTimesOutAsFailure)
{
    auto instrument = plugSimulator();
    instrument->setFault (sim::Fault::noReply);
    TestBlock block (87);

    const auto t0 = juce::Time::getMillisecondCounter();
    EXPECT_FALSE (block.receive (host->out.get()));
    EXPECT_GE (juce::Time::getMillisecondCounter() - t0, (juce::uint32) HWTemplate::timeoutMs);
    EXPECT_FALSE (block.isReceiving());
    EXPECT_EQ (block.getBlock().getSize(), 0u);
}

TEST_F (TemplateTest, ReceiveStoresAtMostItsBound)
{
    auto& p = plugPeer();
    const auto full = pattern (28);
    p.script = [&] (const Bytes& m, size_t) -> std::vector<Bytes> {
        if (m[8] == cmdRequest)
            return { plainMessage (cmdStart, 0, 0) };
        if (m[8] == cmdAck && ackStatusOf (m) == 0)
            return { packedMessage (cmdChunk, 0, full) };  // never a last chunk
        return {};
    };
    TestBlock block (87);

    EXPECT_FALSE (block.receive (host->out.get()));
    EXPECT_EQ (block.getBlock().getSize(), (HWTemplate::maxReceiveBytes / 28) * 28);
    EXPECT_EQ (ackStatusOf (p.messages().back()), -3);
}
