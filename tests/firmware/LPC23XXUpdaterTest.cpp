#include "TestSupport.h"
#include "firmware/LPC23XXUpdater.h"
#include "link/VirtualMidiBus.h"
#include "simulator/SimulatedInstrument.h"
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

using sim::Bytes;
using sim::Fault;
using sim::Model;
using Outcome = LPC23XXUpdater::Outcome;

namespace
{
constexpr juce::uint8 startCode = 0x01, endCode = 0x02, packetCode = 0x03, ackCode = 0x04;

Bytes payloadOf (size_t n)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = juce::uint8 ((i * 131 + 17) & 0xFF);
    return b;
}

/** Hands the boot loader's acknowledgements to the updater, as the update's own callback does. */
struct AckForwarder : MidiInputPortCallback
{
    explicit AckForwarder (LPC23XXUpdater& u) : updater (u) {}
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (m.getRawDataSize() > 8 && m.getRawData()[8] == ackCode)
            updater.AckReceived (m);
    }
    LPC23XXUpdater& updater;
};

/** The updater's ports opened on the last device of the bus. */
struct Ports
{
    explicit Ports (MidiInputPortCallback* callback)
    {
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, callback));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        if (in != nullptr)
            in->start();
    }
    ~Ports()
    {
        if (in != nullptr)
            in->stop();
    }
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
};

/** The device messages of the boot-loader protocol that the instrument heard, in order. */
std::vector<Bytes> protocolMessages (const sim::SimulatedInstrument& instrument)
{
    std::vector<Bytes> out;
    for (auto& m : instrument.received())
        if (m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00 && m[8] <= packetCode)
            out.push_back (m);
    return out;
}

/** The simulated instrument, with a look at every message of the system at the moment it
    arrives: on the sender's thread, before the instrument hears it (and so before it can
    answer). */
struct ObservedInstrument : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;

    void messageFromHost (const juce::MidiMessage& message) override
    {
        if (onArrival)
            onArrival (Bytes (message.getRawData(), message.getRawData() + message.getRawDataSize()));
        SimulatedInstrument::messageFromHost (message);
    }

    std::function<void (const Bytes&)> onArrival;   // set before it is plugged in
};

/** Waits (bounded) until the transfer's worker has ended. */
bool waitUntilIdle (const LPC23XXUpdater& updater, int timeoutMs = 30000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (updater.IsUpdating() && juce::Time::getMillisecondCounter() < end)
        juce::Thread::sleep (1);
    return ! updater.IsUpdating();
}

struct BootLoaderTest : ::testing::Test
{
    void plug (sim::SimulatedInstrument::Options options = {}, std::function<void (const Bytes&)> onArrival = {})
    {
        options.model = Model::BootLoader;
        auto observed = std::make_unique<ObservedInstrument> (options);
        observed->onArrival = std::move (onArrival);
        instrument = std::move (observed);
        instrument->plugIn();
        ports = std::make_unique<Ports> (&forwarder);
        ASSERT_NE (ports->out, nullptr);
        ASSERT_NE (ports->in, nullptr);
    }

    void TearDown() override
    {
        updater.StopUpdate (5000);
        ports = nullptr;
        instrument = nullptr;
    }

    /** One whole transfer of payload; returns the protocol messages heard. */
    std::vector<Bytes> transfer (const Bytes& payload)
    {
        juce::MemoryInputStream stream (payload.data(), payload.size(), false);
        EXPECT_TRUE (updater.StartUpdate (ports->out.get(), &stream));
        EXPECT_TRUE (waitUntilIdle (updater));
        // EndOfUpdate reaches the instrument on the worker's thread before the worker ends.
        return protocolMessages (*instrument);
    }

    LPC23XXUpdater updater;
    AckForwarder forwarder { updater };
    std::unique_ptr<sim::SimulatedInstrument> instrument;
    std::unique_ptr<Ports> ports;
};
} // namespace

// The message order of a transfer of N packets: StartUpdate (counter 0), each packet with
// counter k modulo 128, EndOfUpdate with counter N + 1; the boot loader keeps exactly the
// firmware's bytes.
TEST_F (BootLoaderTest, SendsTheFirmwareInPacketsOfTwentyEightBytes)
{
    plug();
    struct Case
    {
        size_t bytes;
        int packets;
        int lastPacketSize;   // message bytes
    };
    const Case cases[] = {
        { 0, 0, 0 }, { 1, 1, 19 }, { 27, 1, 43 }, { 28, 1, 43 }, { 56, 2, 43 }, { 57, 3, 19 },
        { 200 * 28 + 13, 201, 27 },   // past 127 packets: the counters wrap from 7F to 00
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.bytes) + " bytes");
        instrument->clearReceived();
        SysexBuilder::static_request_counter = 77;   // whatever it was before
        const auto payload = payloadOf (c.bytes);
        const auto heard = transfer (payload);

        ASSERT_EQ (heard.size(), (size_t) c.packets + 2);
        EXPECT_EQ (heard.front(), (Bytes { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0x00, 0x00, startCode, 0xF7 }));
        for (int k = 1; k <= c.packets; ++k)
        {
            const auto& p = heard[(size_t) k];
            ASSERT_EQ (p[8], packetCode);
            EXPECT_EQ (p[6], k % 128) << "packet " << k;
            const int n = k < c.packets ? 28 : (int) c.bytes - 28 * (c.packets - 1);
            EXPECT_EQ (p[7], n);
            EXPECT_EQ ((int) p.size(), k < c.packets ? 43 : c.lastPacketSize);
        }
        EXPECT_EQ (heard.back(), (Bytes { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, juce::uint8 ((c.packets + 1) % 128), 0x00, endCode, 0xF7 }));
        EXPECT_EQ (instrument->getFirmwareImage(), payload);
        EXPECT_TRUE (instrument->updateEnded());
        EXPECT_EQ (updater.GetOutcome(), Outcome::completed);
        EXPECT_EQ (updater.GetProgression(), 1.0);
        EXPECT_EQ (updater.GetPacketsTotal(), c.packets);
        instrument->setModel (Model::BootLoader);   // back into the boot loader for the next case
    }
}

TEST_F (BootLoaderTest, RebootGoesOutWithCounterZeroAndBlocksFiveSeconds)
{
    sim::SimulatedInstrument running;
    running.plugIn();
    Ports link (&forwarder);
    SysexBuilder::static_request_counter = 33;

    bool dispatched = false;
    juce::MessageManager::callAsync ([&] { dispatched = true; });
    const auto t0 = juce::Time::getMillisecondCounter();
    updater.Reboot (link.out.get());
    const auto blocked = juce::Time::getMillisecondCounter() - t0;

    EXPECT_GE (blocked, (juce::uint32) LPC23XXUpdater::rebootBlockMs);
    EXPECT_FALSE (dispatched) << "messages were dispatched during the reboot's block";
    EXPECT_EQ (running.received(), (std::vector<Bytes> { { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0x00, 0x00, 0x00, 0xF7 } }));
    EXPECT_EQ (running.getModel(), Model::BootLoader);
    EXPECT_EQ (SysexBuilder::static_request_counter, 1);
    EXPECT_FALSE (updater.IsUpdating());
}

// Statuses: -1 and -2 send the same message again (a resend answering StartUpdate sends
// StartUpdate again); -3 and an acknowledgement without payload advance like 0; a status
// without meaning (1, -4) and every message that is not the awaited acknowledgement change
// nothing: the boot loader would see a packet before it had given the acknowledgement that
// counts.
TEST_F (BootLoaderTest, AcknowledgementStatuses)
{
    struct Case
    {
        const char* name;
        Fault fault;
        juce::int8 code;         // the resend status or the status without meaning
        int startsSent;
        int sendsPerPacket;
        bool imageKept;
    };
    const Case cases[] = {
        { "resend -1", Fault::resendStatus, -1, 1, 2, true },
        { "resend -2", Fault::resendStatus, -2, 1, 2, true },
        { "resend answering the start", Fault::resendStart, -1, 2, 1, true },
        { "-3 advances", Fault::abortStatus, 0, 1, 1, false },
        { "no payload advances", Fault::emptyAck, 0, 1, 1, true },
        { "status 1 first", Fault::oddStatusFirst, 1, 1, 1, true },
        { "status -4 first", Fault::oddStatusFirst, -4, 1, 1, true },
        { "stray messages first", Fault::strayAcks, 0, 1, 1, true },
    };
    const auto payload = payloadOf (3 * 28 - 5);
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        sim::SimulatedInstrument::Options options;
        options.resendStatusCode = c.code;
        options.oddStatus = c.code;
        plug (options);
        instrument->setFault (c.fault);

        const auto heard = transfer (payload);
        ASSERT_EQ (heard.size(), (size_t) (c.startsSent + 3 * c.sendsPerPacket + 1));
        size_t i = 0;
        for (int s = 0; s < c.startsSent; ++s)
            EXPECT_EQ (heard[i++], heard.front());
        EXPECT_EQ (heard.front()[8], startCode);
        for (int k = 1; k <= 3; ++k)
        {
            const auto first = heard[i];
            EXPECT_EQ (first[8], packetCode);
            EXPECT_EQ (first[6], k);
            for (int s = 0; s < c.sendsPerPacket; ++s)
                EXPECT_EQ (heard[i++], first) << "a resend is the same message, counter and all";
        }
        EXPECT_EQ (heard[i][8], endCode);
        EXPECT_EQ (instrument->getFirmwareImage(), c.imageKept ? payload : Bytes());
        EXPECT_EQ (instrument->ackOrderViolations(), 0);
        EXPECT_EQ (updater.GetOutcome(), Outcome::completed);
        ports = nullptr;
        instrument = nullptr;
    }
}

TEST_F (BootLoaderTest, AMessageAskedForAgainTooOftenFailsTheTransfer)
{
    plug();
    instrument->setFault (Fault::resendForever);
    const auto heard = transfer (payloadOf (100));

    ASSERT_EQ (heard.size(), 1u + 1 + (size_t) LPC23XXUpdater::maxResends);
    for (size_t i = 2; i < heard.size(); ++i)
        EXPECT_EQ (heard[i], heard[1]);
    EXPECT_EQ (heard[1][8], packetCode);
    EXPECT_EQ (updater.GetOutcome(), Outcome::failed);
    EXPECT_FALSE (instrument->updateEnded());
}

// A boot loader that goes silent: after ackTimeoutMs without an acknowledgement that moves the
// transfer on, the worker ends the transfer as failed; until then the progress shows the
// packets sent.
TEST_F (BootLoaderTest, SilentBootLoaderFailsTheTransferAfterTheTimeLimit)
{
    sim::SimulatedInstrument::Options options;
    options.silentAfterPackets = 2;
    plug (options);
    instrument->setFault (Fault::silentAfterPackets);

    const auto payload = payloadOf (5 * 28);
    juce::MemoryInputStream stream (payload.data(), payload.size(), false);
    ASSERT_TRUE (updater.StartUpdate (ports->out.get(), &stream));
    ASSERT_TRUE (instrument->waitForReceived ([] (auto& r) { return r.size() == 4; }, 5000));
    const auto lastSent = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (updater.IsUpdating());
    EXPECT_DOUBLE_EQ (updater.GetProgression(), 3.0 / 5.0);

    ASSERT_TRUE (waitUntilIdle (updater, 30000));
    EXPECT_GE (juce::Time::getMillisecondCounter() - lastSent, (juce::uint32) LPC23XXUpdater::ackTimeoutMs - 1000);
    EXPECT_EQ (updater.GetOutcome(), Outcome::failed);
    EXPECT_EQ (protocolMessages (*instrument).size(), 4u) << "nothing more was sent, no EndOfUpdate";
    EXPECT_FALSE (instrument->updateEnded());
    EXPECT_EQ (updater.GetProgression(), 1.0);
}

namespace
{
/** A boot loader whose acknowledgements the test sends itself. */
struct ManualBootLoader : VirtualMidiDevice
{
    void messageFromHost (const juce::MidiMessage& m) override
    {
        std::lock_guard<std::mutex> l (lock);
        heard.emplace_back (m.getRawData(), m.getRawData() + m.getRawDataSize());
        changed.notify_all();
    }
    bool waitForCount (size_t n)
    {
        std::unique_lock<std::mutex> l (lock);
        return changed.wait_for (l, std::chrono::seconds (5), [&] { return heard.size() >= n; });
    }
    Bytes at (size_t i)
    {
        std::lock_guard<std::mutex> l (lock);
        return heard.at (i);
    }
    size_t count()
    {
        std::lock_guard<std::mutex> l (lock);
        return heard.size();
    }
    void acknowledge (const Bytes& m)
    {
        const juce::uint8 ack[] = { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, m[6], 0x01, ackCode, 0x00,
                                    0, 0, 0, 0, 0, 0, 0, 0, 0xF7 };
        VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (ack, (int) sizeof (ack)));
    }
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Bytes> heard;
};
} // namespace

TEST_F (BootLoaderTest, ProgressIsTheShareOfPacketsSentAndASecondStartIsRefused)
{
    MidiPorts::useVirtualBus();
    ManualBootLoader loader;
    VirtualMidiBus::instance().addDevice ("Boot loader", &loader);
    {
        Ports link (&forwarder);
        constexpr int packets = 4;
        const auto payload = payloadOf (packets * 28);
        juce::MemoryInputStream stream (payload.data(), payload.size(), false);
        ASSERT_TRUE (updater.StartUpdate (link.out.get(), &stream));
        ASSERT_TRUE (loader.waitForCount (1));
        EXPECT_EQ (updater.GetProgression(), 0.0);

        juce::MemoryInputStream other (payload.data(), payload.size(), false);
        EXPECT_FALSE (updater.StartUpdate (link.out.get(), &other)) << "a transfer runs";

        for (int k = 1; k <= packets; ++k)
        {
            loader.acknowledge (loader.at ((size_t) k - 1));
            ASSERT_TRUE (loader.waitForCount ((size_t) k + 1));
            EXPECT_EQ (loader.at ((size_t) k)[8], packetCode);
            EXPECT_DOUBLE_EQ (updater.GetProgression(), (double) k / packets) << "packet " << k << " waits";
        }
        loader.acknowledge (loader.at (packets));
        ASSERT_TRUE (waitUntilIdle (updater));
        EXPECT_EQ (loader.count(), (size_t) packets + 2);
        EXPECT_EQ (loader.at (packets + 1)[8], endCode);
        EXPECT_EQ (updater.GetOutcome(), Outcome::completed);

        // With no transfer running, an acknowledgement changes nothing; a new start is taken.
        loader.acknowledge (loader.at (0));
        ASSERT_TRUE (VirtualMidiBus::instance().waitUntilDelivered());
        EXPECT_FALSE (updater.IsUpdating());
        EXPECT_EQ (loader.count(), (size_t) packets + 2);
        juce::MemoryInputStream again (payload.data(), payload.size(), false);
        EXPECT_TRUE (updater.StartUpdate (link.out.get(), &again));
        ASSERT_TRUE (loader.waitForCount ((size_t) packets + 3));
        EXPECT_EQ (loader.at (packets + 2)[8], startCode);
        EXPECT_TRUE (updater.StopUpdate (5000));
        EXPECT_EQ (updater.GetOutcome(), Outcome::stopped);
    }
    VirtualMidiBus::instance().removeDevice (&loader);
}

// The progress at the moment the boot loader receives each message of the transfer (read on
// the sender's thread as the message arrives, before any answer): 0 with the start message,
// k / N with packet k of N and with each resend of it, 1 with the end message. Whoever sees a
// packet sees it counted.
TEST_F (BootLoaderTest, ProgressAsEachPacketArrivesCountsThatPacket)
{
    struct Case
    {
        const char* name;
        std::optional<Fault> fault;
        size_t bytes;
    };
    const Case cases[] = {
        { "one packet", std::nullopt, 1 },
        { "five packets", std::nullopt, 5 * 28 },
        { "past the counter's wrap", std::nullopt, 200 * 28 + 13 },
        { "every packet sent again once", Fault::resendStatus, 4 * 28 - 3 },
        { "the start sent again", Fault::resendStart, 3 * 28 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        // Each protocol message and the progress as it arrived; shared with the observer, which
        // lives as long as the instrument.
        struct Arrivals
        {
            std::mutex lock;
            std::vector<std::pair<Bytes, double>> list;
        };
        const auto observed = std::make_shared<Arrivals>();
        plug ({}, [observed, this] (const Bytes& m) {
            if (m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00 && m[8] <= packetCode)
            {
                const auto progress = updater.GetProgression();
                std::lock_guard<std::mutex> l (observed->lock);
                observed->list.emplace_back (m, progress);
            }
        });
        if (c.fault)
            instrument->setFault (*c.fault);

        const auto payload = payloadOf (c.bytes);
        transfer (payload);
        ASSERT_EQ (updater.GetOutcome(), Outcome::completed);
        const auto total = updater.GetPacketsTotal();

        const auto arrivals = [&] {
            std::lock_guard<std::mutex> l (observed->lock);
            return observed->list;
        }();
        ASSERT_GE (arrivals.size(), (size_t) total + 2);
        ASSERT_EQ (arrivals.front().first[8], startCode);
        EXPECT_EQ (arrivals.back().first[8], endCode);
        EXPECT_EQ (arrivals.back().second, 1.0) << "with the end message";
        juce::int64 k = 0;
        for (size_t i = 0; i + 1 < arrivals.size(); ++i)
        {
            const auto& [m, progress] = arrivals[i];
            if (m[8] != startCode)
            {
                ASSERT_EQ (m[8], packetCode) << "arrival " << i;
                // A resend is the same message, counter and all; the next packet has the next
                // counter.
                if (m != arrivals[i - 1].first)
                    ++k;
            }
            const double expected = (double) k / (double) total;
            if (progress != expected)
            {
                ADD_FAILURE() << "progress " << progress << " with arrival " << i << " (packet " << k << " of "
                              << total << "), not " << expected;
                k = -1;
                break;   // one report per case
            }
        }
        if (k >= 0)
        {
            EXPECT_EQ (k, total) << "packets seen";
        }
        EXPECT_EQ (instrument->getFirmwareImage(), payload);
        ports = nullptr;
        instrument = nullptr;
    }
}

namespace
{
std::atomic<juce::uint32> fakeNow { 1000 };
juce::uint32 fakeClock() { return fakeNow.load(); }
} // namespace

// A boot loader that keeps taking packets, each after 4 s (of the updater's clock, which the
// test moves on): the whole transfer takes 24 s, more than twice the limit, and completes,
// since the limit runs from the last acknowledgement that moved it on.
TEST_F (BootLoaderTest, ATransferThatKeepsMovingOutlastsTheTimeLimit)
{
    MidiPorts::useVirtualBus();
    ManualBootLoader loader;
    VirtualMidiBus::instance().addDevice ("Boot loader", &loader);
    updater.setClock (&fakeClock);
    {
        Ports link (&forwarder);
        constexpr int packets = 5;
        constexpr juce::uint32 stepMs = 4000;
        static_assert (stepMs < (juce::uint32) LPC23XXUpdater::ackTimeoutMs);
        static_assert ((packets + 1) * stepMs > 2 * (juce::uint32) LPC23XXUpdater::ackTimeoutMs);

        const auto payload = payloadOf (packets * 28);
        juce::MemoryInputStream stream (payload.data(), payload.size(), false);
        ASSERT_TRUE (updater.StartUpdate (link.out.get(), &stream));
        for (int k = 0; k <= packets; ++k)
        {
            ASSERT_TRUE (loader.waitForCount ((size_t) k + 1)) << "message " << k;
            fakeNow += stepMs;
            loader.acknowledge (loader.at ((size_t) k));
        }
        ASSERT_TRUE (waitUntilIdle (updater));
        EXPECT_EQ (updater.GetOutcome(), Outcome::completed);
        ASSERT_EQ (loader.count(), (size_t) packets + 2);
        EXPECT_EQ (loader.at (packets + 1)[8], endCode);
    }
    updater.setClock (nullptr);
    VirtualMidiBus::instance().removeDevice (&loader);
}
