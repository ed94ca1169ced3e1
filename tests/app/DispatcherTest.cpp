#include "AppTestSupport.h"
#include "app/ActionDispatcher.h"
#include <utility>

using Prompts::Icon;

namespace
{
// The application's side as the dispatcher sees it, on a real output port to the simulated
// instrument, with a clock the test sets.
struct FakeHost : ActionDispatcher::Host
{
    bool connected = true;
    juce::uint32 lastSense = 10000;
    MidiOutputPort* output = nullptr;
    juce::StringArray calls;
    std::function<void()> duringConnect;   // runs inside connectHardware (a nested loop)
    std::function<void()> duringFirmware;  // runs inside the update, between its disconnect and connect
    juce::uint32 connection = 1;

    bool isConnected() const override { return connected; }
    juce::uint32 connectionNumber() const override { return connection; }
    juce::uint32 lastActiveSense() const override { return lastSense; }
    MidiOutputPort* instrumentOutput() const override { return output; }
    void connectHardware() override
    {
        calls.add ("connect");
        if (duringConnect)
            duringConnect();
        connected = true;
        ++connection;
    }
    void disconnectHardware() override
    {
        calls.add ("disconnect");
        connected = false;
        ++connection;
    }
    void updateInterface() override { calls.add ("update"); }
    // As the application's: the update closes the connection and opens a new one.
    void updateFirmware() override
    {
        calls.add ("firmware");
        disconnectHardware();
        if (auto once = std::exchange (duringFirmware, nullptr))
            once();
        connectHardware();
    }
};

class Dispatcher : public ::testing::Test
{
protected:
    void SetUp() override
    {
        instrument = std::make_unique<sim::SimulatedInstrument> (apptest::instrumentOptions (sim::Model::KelaDorvoSE));
        instrument->plugIn();
        output.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        ASSERT_NE (output, nullptr);
        host.output = output.get();
        dispatcher.setClock ([this] { return now; });
    }

    void TearDown() override
    {
        output.reset();
        instrument.reset();
    }

    std::vector<std::pair<int, int>> sent() const { return apptest::setsReceived (*instrument); }

    std::unique_ptr<sim::SimulatedInstrument> instrument;
    std::unique_ptr<MidiOutputPort> output;
    FakeHost host;
    ActionDispatcher dispatcher { host };
    juce::uint32 now = 10100;   // active sensing 100 ms old
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};
} // namespace

TEST_F (Dispatcher, EverySettingCodeSendsItsSetCommandWithTheLowByte)
{
    struct Case
    {
        const char* message;
        int command;
        int value;
    };
    const Case cases[] = {
        { "MIN  16", 0x05, 16 },  { "MIN  256", 0x05, 0 }, { "MIN  ", 0x05, 0 },   { "MOUT 15", 0x07, 15 },
        { "MKEY 2", 0x0B, 2 },    { "LKEY 1", 0x0D, 1 },   { "INGN 2", 0x09, 2 },   { "LFO  1", 0x0F, 1 },
        { "VELO 2", 0x11, 2 },    { "AFTE 2", 0x13, 2 },   { "ARP  1", 0x25, 1 },   { "BEND 12", 0x2C, 12 },
        { "STEP 16", 0x38, 16 },  { "GLEN 3", 0x36, 3 },   { "TAP  1", 0x2A, 1 },   { "SYNC 2", 0x3C, 2 },
        { "RTRG 1", 0x34, 1 },    { "SQPM 1", 0x2E, 1 },   { "SQNS 2", 0x32, 2 },   { "STEP 32x", 0x38, 32 },
        { "LKEY 257", 0x0D, 1 },
    };
    for (auto& c : cases)
    {
        instrument->clearReceived();
        dispatcher.dispatch (c.message);
        EXPECT_EQ (sent(), (std::vector<std::pair<int, int>> { { c.command, c.value } })) << c.message;
    }
    EXPECT_TRUE (host.calls.isEmpty());
    EXPECT_TRUE (prompts.prompts().empty());
}

TEST_F (Dispatcher, WatchdogGatesEveryInstrumentAction)
{
    struct Case
    {
        const char* name;
        bool connected;
        juce::uint32 last, now;
        const char* message;
        bool sends, disconnects;
        const char* localPrompt = nullptr;   // the title of what a local action asks
        juce::StringArray localCalls = {};   // the host's calls of a local action
    };
    const juce::StringArray update { "firmware", "disconnect", "connect" };
    const Case cases[] = {
        { "fresh", true, 10000, 10100, "AFTE 2", true, false },
        { "exactly 300 ms", true, 10000, 10300, "AFTE 2", true, false },
        { "301 ms", true, 10000, 10301, "AFTE 2", false, true },
        { "across the counter's wrap", true, 0xFFFFFF00u, 0x10, "AFTE 2", true, false },
        { "never any sensing", true, 0, 5000, "AFTE 2", false, true },
        { "not connected", false, 10000, 10100, "AFTE 2", false, false },
        { "not connected and stale", false, 0, 5000, "AFTE 2", false, false },
        { "unknown code, fresh", true, 10000, 10100, "XYZW 1", false, false },
        { "unknown code, stale", true, 10000, 10301, "XYZW 1", false, true },
        { "SSQD, fresh", true, 10000, 10100, "SSQD ", false, false },
        { "code later in the table, stale", true, 10000, 10301, "LDSQ ", false, true },
        // The local actions never run the watchdog, connected or not.
        { "FIRM, stale", true, 10000, 10301, "FIRM ", false, false, nullptr, update },
        { "FIRM, never any sensing", true, 0, 5000, "FIRM ", false, false, nullptr, update },
        { "FIRM, not connected", false, 0, 5000, "FIRM ", false, false, nullptr, update },
        // The import asks for its files (and is cancelled); the others name no existing file.
        { "IMPO, stale", true, 10000, 10301, "IMPO ", false, false, "Import presets :" },
        { "EXPO, stale", true, 10000, 10301, "EXPO /nonexistent-dorvo/a.preset,/nonexistent-dorvo/b.preset", false, false },
        { "DELE, stale", true, 10000, 10301, "DELE /nonexistent-dorvo/a.preset", false, false },
        { "COPY, stale", true, 10000, 10301, "COPY /nonexistent-dorvo/a.preset", false, false },
        { "RENA, stale", true, 10000, 10301, "RENA /nonexistent-dorvo/a.preset", false, false },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument->clearReceived();
        prompts.clear();
        host.calls.clear();
        host.connected = c.connected;
        host.lastSense = c.last;
        now = c.now;

        dispatcher.dispatch (c.message);

        EXPECT_EQ (! sent().empty(), c.sends);
        EXPECT_EQ (host.calls, c.disconnects ? juce::StringArray ("disconnect") : c.localCalls);
        if (c.disconnects)
        {
            ASSERT_EQ (prompts.prompts().size(), 1u);
            const auto box = prompts.prompts()[0];
            EXPECT_EQ (box.kind, Prompts::Kind::message);
            EXPECT_EQ (box.icon, Icon::warning);
            EXPECT_EQ (box.title, "Connection");
            EXPECT_EQ (box.text, "KelaDorvo has been disconnected !");
        }
        else if (c.localPrompt != nullptr)
        {
            EXPECT_EQ (prompts.titles(), juce::StringArray (c.localPrompt));
        }
        else
        {
            EXPECT_TRUE (prompts.prompts().empty());
        }
    }
}

TEST_F (Dispatcher, ConnectToggles)
{
    // Connected: disconnects without a box, even with stale sensing (a local action).
    host.lastSense = 0;
    dispatcher.dispatch ("COMI ");
    EXPECT_EQ (host.calls, juce::StringArray ("disconnect"));

    // Not connected: connects, then reads back.
    host.calls.clear();
    dispatcher.dispatch ("COMI ");
    EXPECT_EQ (host.calls, juce::StringArray ("connect", "update"));
    EXPECT_TRUE (prompts.prompts().empty());
    EXPECT_TRUE (sent().empty());
}

TEST_F (Dispatcher, DuringAnOperationSetsGoOutAtOnceAndTheRestWaitsInOrder)
{
    {
        ActionDispatcher::Operation readBack (dispatcher);
        dispatcher.dispatch ("AFTE 1");   // sent at once
        dispatcher.dispatch ("COMI ");    // would close the ports under the read-back
        dispatcher.dispatch ("MKEY 2");   // sent at once
        dispatcher.dispatch ("COMI ");    // clicked while connected too: dropped once the first one disconnected

        EXPECT_EQ (sent(), (std::vector<std::pair<int, int>> { { 0x13, 1 }, { 0x0B, 2 } }));
        EXPECT_TRUE (host.calls.isEmpty());
    }
    EXPECT_EQ (host.calls, juce::StringArray ("disconnect"));
}

TEST_F (Dispatcher, StaleSensingDuringAnOperationDisconnectsOnceAfterIt)
{
    now = 10301;
    {
        ActionDispatcher::Operation readBack (dispatcher);
        dispatcher.dispatch ("AFTE 1");
        dispatcher.dispatch ("VELO 1");
        EXPECT_TRUE (host.calls.isEmpty());
        EXPECT_TRUE (prompts.prompts().empty());
    }
    EXPECT_TRUE (sent().empty());
    EXPECT_EQ (host.calls, juce::StringArray ("disconnect"));
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Connection"));
}

TEST_F (Dispatcher, ClicksDuringAQueuedConnectionAreQueuedToo)
{
    host.connected = false;
    // A click on the switch arrives while the connection started by the first one is still
    // searching (inside the discovery window's loop): it must wait until that one is done.
    host.duringConnect = [this] {
        host.duringConnect = nullptr;
        dispatcher.dispatch ("COMI ");
        EXPECT_EQ (host.calls, juce::StringArray ("connect"));
    };
    dispatcher.dispatch ("COMI ");
    // The second click was made on the unconnected state; once connected it means nothing.
    EXPECT_EQ (host.calls, juce::StringArray ("connect", "update"));
}

TEST_F (Dispatcher, AQueuedConnectClickIsDroppedWhenTheConnectionChangedMeanwhile)
{
    struct Case
    {
        const char* name;
        bool readBackFails;
        juce::StringArray expected;
    };
    const Case cases[] = {
        // Clicked while the read-back ran (connected); the read-back failed and disconnected:
        // the click must not start a search of its own.
        { "read-back fails", true, { "connect", "update", "disconnect" } },
        // The state the user clicked on still stands: the click disconnects.
        { "read-back succeeds", false, { "connect", "update", "disconnect" } },
    };
    struct ReadBackHost : FakeHost
    {
        std::function<void()> duringUpdate;
        void updateInterface() override
        {
            FakeHost::updateInterface();
            auto once = std::move (duringUpdate);
            duringUpdate = nullptr;
            if (once)
                once();
        }
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ReadBackHost readBackHost;
        readBackHost.output = output.get();
        readBackHost.connected = false;
        ActionDispatcher d (readBackHost);
        d.setClock ([this] { return now; });
        readBackHost.duringUpdate = [&] {
            d.dispatch ("COMI ");
            if (c.readBackFails)
                readBackHost.disconnectHardware();
        };
        d.dispatch ("COMI ");
        EXPECT_EQ (readBackHost.calls, c.expected);
        EXPECT_EQ (readBackHost.connected, false);
    }
}

TEST_F (Dispatcher, BoxOfAWatchdogDisconnectHoldsFurtherClicks)
{
    now = 10301;
    prompts.onPrompt = [this] (const Prompts::ScriptedResponder::Prompt&) {
        dispatcher.dispatch ("COMI ");   // clicked while the "Connection" box is up
        EXPECT_EQ (host.calls, juce::StringArray ("disconnect"));
    };
    dispatcher.dispatch ("AFTE 2");
    EXPECT_EQ (host.calls, juce::StringArray ("disconnect", "connect", "update"));
}

// A queued action belongs to the connection it was clicked under: the firmware update closes
// its connection and opens a new one, so what was clicked meanwhile is dropped; behind an
// operation that keeps the connection, it runs.
TEST_F (Dispatcher, AQueuedActionRunsOnlyUnderTheConnectionItWasClickedUnder)
{
    struct Case
    {
        const char* name;
        const char* first;        // the operation that runs
        const char* clicked;      // clicked while it runs
        juce::StringArray calls;  // the host's calls, in order
        juce::StringArray titles; // what was asked, in order
    };
    const Case cases[] = {
        { "a second update during the update", "FIRM ", "FIRM ", { "firmware", "disconnect", "connect" }, {} },
        { "save sequences during the update", "FIRM ", "SVSQ ", { "firmware", "disconnect", "connect" }, {} },
        { "load sequences during the update", "FIRM ", "LDSQ ", { "firmware", "disconnect", "connect" }, {} },
        // The preset library's file actions need no connection.
        { "import presets during the update", "FIRM ", "IMPO ", { "firmware", "disconnect", "connect" }, { "Import presets :" } },
        // A sequence save keeps the connection: the update clicked meanwhile runs after it.
        { "an update during a sequence save", "SVSQ ", "FIRM ", { "firmware", "disconnect", "connect" }, { "Save Sequences" } },
        { "save sequences during a sequence load", "LDSQ ", "SVSQ ", {}, { "Load Sequences", "Save Sequences" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        host.calls.clear();
        host.connected = true;
        const juce::String clicked (c.clicked);
        bool clickedOnce = false;
        auto click = [&] {
            if (! std::exchange (clickedOnce, true))
                dispatcher.dispatch (clicked);
        };
        host.duringFirmware = click;
        prompts.onPrompt = [&] (const Prompts::ScriptedResponder::Prompt&) { click(); };

        dispatcher.dispatch (c.first);

        EXPECT_TRUE (clickedOnce);
        EXPECT_EQ (host.calls, c.calls);
        EXPECT_EQ (prompts.titles(), c.titles);
        host.duringFirmware = nullptr;
        prompts.onPrompt = nullptr;
    }
}
