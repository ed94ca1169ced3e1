#include "AppTestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"
#include "link/PortUse.h"
#include <atomic>
#include <thread>

// Once the application is asked to quit, every nested loop ends at once, reports failure to
// its caller, and no box is shown on the way out. A quit cannot be taken back within a
// process, so each scenario runs in a child process of its own: the disabled tests below are
// the scenarios, run one by one by the test at the end.

namespace
{
using Clock = std::chrono::steady_clock;

/** Asks the message loop to quit once a nested loop runs, and notes when. */
struct QuitSoon
{
    QuitSoon()
    {
        juce::MessageManager::callAsync ([this] {
            asked = Clock::now();
            juce::MessageManager::getInstance()->stopDispatchLoop();
        });
    }
    double msSinceAsked() const
    {
        return std::chrono::duration<double, std::milli> (Clock::now() - asked).count();
    }
    Clock::time_point asked {};
};

// Far below what each loop would run on its own (10 s, 5 s, five silent seconds of discovery)
// and far above one slice, also on a loaded machine.
constexpr double promptlyMs = 1500.0;

struct QuitScenario : ::testing::Test
{
    void SetUp() override { MidiPorts::useVirtualBus(); }
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};

struct Forwarder : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
        {
            HWMessages::midiReceived (m);
            HWTemplate::MidiReceived (m);
        }
    }
};
} // namespace

TEST_F (QuitScenario, DISABLED_WaitForAMessage)
{
    QuitSoon quit;
    juce::MidiMessage m;
    EXPECT_FALSE (HWMessages::WaitMidiMessage (m));
    EXPECT_LT (quit.msSinceAsked(), promptlyMs);
    EXPECT_FALSE (HWMessages::isWaitPending());
}

TEST_F (QuitScenario, DISABLED_BlockTransfers)
{
    sim::SimulatedInstrument instrument;
    instrument.setFault (sim::Fault::noReply);
    instrument.plugIn();
    Forwarder forwarder;
    std::unique_ptr<MidiInputPort> in (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, &forwarder));
    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
    ASSERT_TRUE (in && out);
    in->start();

    struct Block : HWTemplate { Block() : HWTemplate (87) {} } block;
    QuitSoon quit;
    EXPECT_FALSE (block.send (out.get()));
    EXPECT_LT (quit.msSinceAsked(), promptlyMs);
    EXPECT_FALSE (block.receive (out.get()));
    EXPECT_LT (quit.msSinceAsked(), promptlyMs);
    EXPECT_FALSE (block.isSending() || block.isReceiving());
    EXPECT_EQ (PortUse::users(), 0);
    in->stop();
}

TEST_F (QuitScenario, DISABLED_ConnectionSearch)
{
    // A silent instrument: each attempt on its output would wait a second, five of them.
    sim::SimulatedInstrument instrument;
    instrument.setFault (sim::Fault::silentOutput);
    instrument.plugIn();
    DorvoEditorApplication app;
    prompts.choices = { 1, 1, 1 };   // would retry, were it asked

    QuitSoon quit;
    app.connectHardware();
    EXPECT_LT (quit.msSinceAsked(), promptlyMs);
    EXPECT_FALSE (app.isConnected());
    EXPECT_TRUE (prompts.prompts().empty()) << prompts.titles().joinIntoString (", ").toStdString();
    app.shutdown();
}

TEST_F (QuitScenario, DISABLED_ReadBack)
{
    sim::SimulatedInstrument instrument;
    instrument.plugIn();
    DorvoEditorApplication app;
    app.connectHardware();
    ASSERT_TRUE (app.isConnected());
    instrument.setFault (sim::Fault::noReply);
    instrument.clearReceived();

    QuitSoon quit;
    app.updateInterface();
    EXPECT_LT (quit.msSinceAsked(), promptlyMs);
    EXPECT_TRUE (prompts.prompts().empty()) << "no \"Update error\" blaming the instrument";
    EXPECT_EQ (instrument.received().size(), 1u) << "the read-back stops at the first get";
    app.shutdown();
}

TEST_F (QuitScenario, DISABLED_NothingIsAskedAnyMore)
{
    QuitSoon quit;
    PortUse::runSlice (50);
    ASSERT_TRUE (PortUse::quitting());
    prompts.choices = { 1, 1 };
    Prompts::message (Prompts::Icon::warning, "Update error", "text");
    EXPECT_FALSE (Prompts::okCancel (Prompts::Icon::warning, "No instrument found", "text"));
    EXPECT_EQ (Prompts::alertYesNoCancel (Prompts::Icon::question, "Overwrite preset :", "text"), Prompts::cancel);
    EXPECT_TRUE (Prompts::chooseFiles ({}).isEmpty());
    EXPECT_TRUE (prompts.prompts().empty());
}

// A waiting slice on a thread other than the message thread sleeps, and ends with false as soon
// as quitting is asked, not when its time is up.
TEST_F (QuitScenario, DISABLED_SliceOffTheMessageThread)
{
    std::atomic<bool> waiting { false }, result { true };
    Clock::time_point ended {};
    std::thread worker ([&] {
        waiting = true;
        result = PortUse::runSlice (60000);
        ended = Clock::now();
    });
    while (! waiting)
        std::this_thread::yield();

    QuitSoon quit;
    PortUse::runSlice (50);
    ASSERT_TRUE (PortUse::quitting());
    worker.join();
    EXPECT_FALSE (result);
    const std::chrono::duration<double, std::milli> afterTheQuit = ended - quit.asked;
    EXPECT_LT (afterTheQuit.count(), promptlyMs);
}

TEST (Quitting, EveryNestedLoopEndsAtOnceReportsFailureAndShowsNothing)
{
    DORVO_REQUIRE_DISPLAY();   // the scenarios' discovery window
    const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName();
    for (auto* scenario : { "WaitForAMessage", "BlockTransfers", "ConnectionSearch", "ReadBack", "NothingIsAskedAnyMore",
                            "SliceOffTheMessageThread" })
    {
        SCOPED_TRACE (scenario);
        juce::ChildProcess child;
        ASSERT_TRUE (child.start (juce::StringArray { self, "--gtest_also_run_disabled_tests",
                                                      juce::String ("--gtest_filter=QuitScenario.DISABLED_") + scenario }));
        const auto output = child.readAllProcessOutput();
        ASSERT_TRUE (child.waitForProcessToFinish (60000));
        EXPECT_EQ (child.getExitCode(), 0u) << output;
        EXPECT_TRUE (output.contains ("[  PASSED  ] 1 test")) << output;
    }
}
