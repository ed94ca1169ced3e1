#include "AppTestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "app/MainAppWindow.h"
#include "app/TabbedComponentWarp.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"
#include "panels/GUIParametersTab.h"

using Prompts::Icon;
using Prompts::Kind;
using sim::Model;

namespace
{
const std::vector<int> readBackGets { 0x06, 0x08, 0x0A, 0x10, 0x26, 0x0C, 0x0E, 0x12,
                                      0x14, 0x39, 0x37, 0x2B, 0x3D, 0x2F, 0x33 };
constexpr int isSeqGet = 0x3F;

const char* const retryText =
    "The software was not able to find a KelaDorvo connected to the computer.\nPlease make sure:\n"
    "1. The USB connection is correctly set between KelaDorvo and your computer.\n2. KelaDorvo is switched on.\n"
    "3. KelaDorvo has been correctly rebooted after a firmware update.\n\nDo you want to retry ?";

/** An instrument whose input opens for the discovery but not again for the application. */
struct InputOpensOnce : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;
    bool inputCanOpen() const override { return opens++ == 0; }
    mutable std::atomic<int> opens { 0 };
};

/** An instrument that leaves one get unanswered (answer < 0) or answers it with a value of
    the test's choosing. */
struct OddGet : sim::SimulatedInstrument
{
    OddGet (Options o, juce::uint8 getCode, int answerValue) : SimulatedInstrument (o), get (getCode), answer (answerValue) {}
    void messageFromHost (const juce::MidiMessage& m) override
    {
        const auto* raw = m.getRawData();
        if (m.getRawDataSize() > 8 && raw[0] == 0xF0 && raw[1] == 0x00 && raw[8] == get)
        {
            if (answer >= 0)
            {
                const juce::uint8 reply[] = { 0xF0, 0x00, 0x2F, 0x5A, 0x04, 0x01, 0x00, 0x01,
                                              juce::uint8 (get - 1), juce::uint8 (answer), 0xF7 };
                sendToHost (juce::MidiMessage (reply, (int) sizeof (reply)));
            }
            return;
        }
        SimulatedInstrument::messageFromHost (m);
    }
    juce::uint8 get;
    int answer;
};

class Application : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DORVO_REQUIRE_DISPLAY();
        MidiPorts::useVirtualBus();
        app = std::make_unique<DorvoEditorApplication>();
    }

    void TearDown() override
    {
        if (app != nullptr)
            app->shutdown();
        app = nullptr;
        instrument = nullptr;
    }

    template <typename Instrument = sim::SimulatedInstrument, typename... Args>
    Instrument& plug (Args&&... args)
    {
        auto i = std::make_unique<Instrument> (std::forward<Args> (args)...);
        auto& ref = *i;
        i->plugIn();
        instrument = std::move (i);
        return ref;
    }

    /** Command bytes of the device messages the instrument received, in order. */
    std::vector<int> commands() const
    {
        std::vector<int> out;
        for (auto& m : instrument->received())
            if (m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00)
                out.push_back (m[8]);
        return out;
    }

    static std::vector<int> then (std::vector<int> a, const std::vector<int>& b)
    {
        a.insert (a.end(), b.begin(), b.end());
        return a;
    }

    GUIEditorWindow& editor() const { return *app->getMainWindow()->getEditorWindow(); }
    int tabCount() const { return editor().getTabs()->getNumTabs(); }
    juce::String label() const { return editor().getStatusLabel()->getText(); }

    /** Clicks the control under the page point (x, y) as the user would. */
    void clickConfigurationAt (int x, int y)
    {
        auto* page = editor().getParamsTab();
        ASSERT_NE (page, nullptr);
        auto* hit = page->getComponentAt (x, y);
        auto* button = dynamic_cast<juce::Button*> (hit);
        ASSERT_NE (button, nullptr) << "no button at " << x << "," << y;
        button->triggerClick();
    }

    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
    std::unique_ptr<sim::SimulatedInstrument> instrument;
    std::unique_ptr<DorvoEditorApplication> app;
};
} // namespace

TEST_F (Application, StartUpChecksTheFirmwareVersion)
{
    struct Case
    {
        std::array<juce::uint8, 4> firmware;
        bool outdated;
        int answer;   // to the outdated-firmware box
    };
    const Case cases[] = {
        { { 1, 0, 2, 9 }, true, 0 }, { { 1, 0, 2, 0 }, true, 1 }, { { 1, 0, 3, 0 }, false, 0 },
        { { 1, 1, 0, 0 }, false, 0 }, { { 2, 0, 0, 0 }, false, 0 }, { { 0, 9, 9, 0 }, true, 0 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.firmware[0]) + "." + juce::String (c.firmware[1]) + "." + juce::String (c.firmware[2]));
        app = std::make_unique<DorvoEditorApplication>();
        plug (apptest::instrumentOptions (Model::KelaDorvoSE, c.firmware));
        prompts.clear();
        prompts.choices = { c.answer };

        app->initialise ({});

        EXPECT_TRUE (app->isConnected());
        if (c.outdated)
        {
            ASSERT_GE (prompts.prompts().size(), 1u);
            const auto box = prompts.prompts()[0];
            EXPECT_EQ (box.kind, Kind::okCancel);
            EXPECT_EQ (box.icon, Icon::warning);
            EXPECT_EQ (box.title, "Firmware version");
            EXPECT_EQ (box.text, "The firmware version is outdated. Would you like to update the firmware to the latest version?");
            if (c.answer != 0)
            {
                // OK: the firmware chooser (cancelled here), the container's box, nothing sent
                // to the instrument, then the connection again, without read-back.
                EXPECT_EQ (prompts.titles(), juce::StringArray ("Firmware version", "Select Firmware binary file", "Loading error"));
                EXPECT_EQ (commands(), (std::vector<int> { isSeqGet, isSeqGet }));
            }
            else
            {
                EXPECT_EQ (prompts.prompts().size(), 1u);
                EXPECT_EQ (commands(), std::vector<int> { isSeqGet });   // no read-back
            }
        }
        else
        {
            EXPECT_TRUE (prompts.prompts().empty());
            EXPECT_EQ (commands(), then ({ isSeqGet }, readBackGets));
        }
        app->shutdown();
        app = nullptr;
        instrument = nullptr;
    }
}

TEST_F (Application, SequencerAnswerPicksTheLayout)
{
    struct Case
    {
        const char* name;
        Model model;
        bool odd;          // the sequencer question answered with isSeqAnswer, or not at all (-1)
        int isSeqAnswer;
        int width, tabs;
    };
    const Case cases[] = {
        { "answer 1", Model::KelaDorvoSE, false, 0, 950, 3 },
        { "answer 0", Model::KelaDorvo, false, 0, 795, 2 },
        { "answer 2", Model::KelaDorvoSE, true, 2, 795, 2 },
        { "no answer", Model::KelaDorvoSE, true, -1, 795, 2 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        app = std::make_unique<DorvoEditorApplication>();
        if (c.odd)
            plug<OddGet> (apptest::instrumentOptions (c.model), juce::uint8 (0x3F), c.isSeqAnswer);
        else
            plug (apptest::instrumentOptions (c.model));

        app->connectHardware();

        EXPECT_TRUE (app->isConnected());
        EXPECT_EQ (app->getMainWindow()->getWidth(), c.width);
        EXPECT_EQ (app->getMainWindow()->getHeight(), 433);
        EXPECT_EQ (tabCount(), c.tabs);
        EXPECT_EQ (label(), "Connected");
        EXPECT_TRUE (prompts.prompts().empty());
        app->shutdown();
        app = nullptr;
        instrument = nullptr;
    }
}

TEST_F (Application, RetriesAsOftenAsAskedThenGivesUpAndASwitchClickSearchesAgain)
{
    prompts.choices = { 1, 1, 0 };
    app->connectHardware();

    const auto shown = prompts.prompts();
    ASSERT_EQ (shown.size(), 4u);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ (shown[(size_t) i].kind, Kind::okCancel);
        EXPECT_EQ (shown[(size_t) i].icon, Icon::warning);
        EXPECT_EQ (shown[(size_t) i].title, "No instrument found");
        EXPECT_EQ (shown[(size_t) i].text, retryText);
    }
    EXPECT_EQ (shown[3].kind, Kind::message);
    EXPECT_EQ (shown[3].icon, Icon::warning);
    EXPECT_EQ (shown[3].title, "No instrument found");
    EXPECT_EQ (shown[3].text, "Editing is disabled until a valid connection is made.");

    EXPECT_FALSE (app->isConnected());
    EXPECT_EQ (tabCount(), 1);
    EXPECT_EQ (editor().getTabs()->getTabNames()[0], " ");
    EXPECT_EQ (label(), "NOT Connected");
    EXPECT_FALSE (editor().getConnectButton()->getToggleState());

    // The instrument turns up; the switch connects and reads back.
    plug (apptest::instrumentOptions (Model::KelaDorvo));
    prompts.clear();
    app->actionListenerCallback ("COMI ");
    EXPECT_TRUE (app->isConnected());
    EXPECT_EQ (commands(), then ({ isSeqGet }, readBackGets));
    EXPECT_EQ (tabCount(), 2);
    EXPECT_TRUE (prompts.prompts().empty());

    // Clicked again: disconnects, no box, the layout stays.
    app->actionListenerCallback ("COMI ");
    EXPECT_FALSE (app->isConnected());
    EXPECT_EQ (tabCount(), 2);
    EXPECT_EQ (label(), "NOT Connected");
    EXPECT_TRUE (prompts.prompts().empty());
}

TEST_F (Application, FoundInstrumentWhosePortDoesNotOpenCountsAsNotFound)
{
    plug<InputOpensOnce> (apptest::instrumentOptions (Model::KelaDorvoSE));
    prompts.choices = { 0 };
    app->connectHardware();

    EXPECT_FALSE (app->isConnected());
    EXPECT_EQ (app->getMidiOutput(), nullptr);
    EXPECT_EQ (app->getMidiInput(), nullptr);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("No instrument found", "No instrument found"));
}

TEST_F (Application, FailedSeventhGetClosesTheConnectionWithUpdateError)
{
    plug<OddGet> (apptest::instrumentOptions (Model::KelaDorvoSE), juce::uint8 (0x0E), -1);
    app->initialise ({});

    // The seventh get is swallowed before the instrument's record; nothing follows it.
    EXPECT_EQ (commands(), then ({ isSeqGet }, { readBackGets.begin(), readBackGets.begin() + 6 }));
    EXPECT_FALSE (app->isConnected());
    EXPECT_EQ (app->getMidiOutput(), nullptr);
    EXPECT_EQ (app->getMidiInput(), nullptr);
    EXPECT_EQ (label(), "NOT Connected");
    EXPECT_EQ (app->getMainWindow()->getWidth(), 950);   // the layout stays
    EXPECT_EQ (tabCount(), 3);
    ASSERT_EQ (prompts.prompts().size(), 1u);
    EXPECT_EQ (prompts.prompts()[0].kind, Kind::message);
    EXPECT_EQ (prompts.prompts()[0].icon, Icon::warning);
    EXPECT_EQ (prompts.prompts()[0].title, "Update error");
    EXPECT_EQ (prompts.prompts()[0].text, "Unable to communicate with TavinDorvo. Closing connection !");
}

TEST_F (Application, DisconnectWhenNotConnectedChangesNothing)
{
    app->getMainWindow()->setConnectedState (true);
    app->disconnectHardware();
    EXPECT_EQ (label(), "Connected");
    EXPECT_TRUE (editor().getConnectButton()->getToggleState());
}

TEST_F (Application, ActiveSensingNeverReachesTheReplyWait)
{
    auto& i = plug (apptest::instrumentOptions (Model::KelaDorvo));
    app->connectHardware();
    ASSERT_TRUE (app->isConnected());

    // The instrument keeps sending active sensing; the wait for a common message must see
    // only the note that comes after several of them.
    juce::Timer::callAfterDelay (350, [&i] { i.sendToHost (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100)); });
    juce::MidiMessage got;
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (HWMessages::WaitMidiMessage (got));
    EXPECT_TRUE (got.isNoteOn());
    // Active sensing did arrive while the wait ran, and was recorded.
    EXPECT_GT (app->getLastActiveSense() - start, 0u);
    EXPECT_LT (app->getLastActiveSense() - start, 0x80000000u);
}

// The acknowledgements of a block transfer reach it only through the application's input
// callback, which hands every message but active sensing on to the block registry.
TEST_F (Application, BlockTransfersRunOverTheApplicationsPorts)
{
    struct Block : HWTemplate
    {
        explicit Block (int size) : HWTemplate ((unsigned long) size)
        {
            for (int k = 0; k < size; ++k)
                static_cast<juce::uint8*> (mData.getData())[k] = juce::uint8 (k);
        }
        std::vector<juce::uint8> bytes() const { return { getBlock().begin(), getBlock().end() }; }
    };

    auto& i = plug (apptest::instrumentOptions (Model::KelaDorvo));
    app->connectHardware();
    ASSERT_TRUE (app->isConnected());

    Block sent (88), back (0);
    EXPECT_TRUE (sent.send (app->getMidiOutput()));
    EXPECT_EQ (i.getReceivedBlock(), sent.bytes());
    EXPECT_TRUE (back.receive (app->getMidiOutput()));
    EXPECT_EQ (back.bytes(), sent.bytes());
}

TEST_F (Application, ClicksChangeTheInstrumentUntilItsActiveSensingStops)
{
    auto& i = plug (apptest::instrumentOptions (Model::KelaDorvoSE));
    i.setSetting (SysexCommand::SetAftertouchCurbNum, 1);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    i.clearReceived();

    // The aftertouch switch of the SE page (756, 225, 29, 65) shows the value read back (1);
    // a click advances it to 2 and sends it.
    clickConfigurationAt (770, 257);
    ASSERT_TRUE (testsupport::pumpUntil ([&i] { return ! i.received().empty(); }, 1000));
    EXPECT_EQ (apptest::setsReceived (i), (std::vector<std::pair<int, int>> { { 0x13, 2 } }));

    i.setFault (sim::Fault::noActiveSensing);
    testsupport::pumpMessages (400);
    i.clearReceived();
    clickConfigurationAt (770, 257);
    EXPECT_TRUE (testsupport::pumpUntil ([this] { return ! app->isConnected(); }, 1000));
    EXPECT_TRUE (i.received().empty());
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Connection"));
    EXPECT_EQ (prompts.prompts()[0].text, "KelaDorvo has been disconnected !");
    EXPECT_EQ (label(), "NOT Connected");
}

TEST_F (Application, AnotherStartShowsMultipleInstance)
{
    app->anotherInstanceStarted ("--whatever");
    ASSERT_EQ (prompts.prompts().size(), 1u);
    EXPECT_EQ (prompts.prompts()[0].kind, Kind::message);
    EXPECT_EQ (prompts.prompts()[0].icon, Icon::info);
    EXPECT_EQ (prompts.prompts()[0].title, "Multiple instance");
    EXPECT_EQ (prompts.prompts()[0].text, "Only one TavinDorvo Connection can be opened at the same time !");
}

TEST_F (Application, FirmwareFileComesFromAChooserInTheApplicationsFolder)
{
    const juce::File chosen ("/tmp/update.kfw");
    prompts.files = { { chosen } };
    EXPECT_EQ (app->getFirmwareFile(), chosen);
    EXPECT_EQ (app->getFirmwareFile(), juce::File());   // cancelled

    ASSERT_EQ (prompts.prompts().size(), 2u);
    const auto chooser = prompts.prompts()[0];
    EXPECT_EQ (chooser.kind, Kind::openFile);
    EXPECT_EQ (chooser.title, "Select Firmware binary file");
    EXPECT_EQ (chooser.text, "*.kfw");
    EXPECT_EQ (chooser.location, juce::File::getSpecialLocation (juce::File::currentApplicationFile).getParentDirectory());
}

// A transfer of a few kilobytes holds the application's ports across its nested loop. A click
// on CONNECT and an action that finds the active sensing stale, both dispatched from inside
// that loop, must not close the ports under it: the transfer ends on its own terms, and only
// then does the connection close.
TEST_F (Application, NothingClosesThePortsUnderABlockTransfer)
{
    struct Block : HWTemplate
    {
        explicit Block (int size) : HWTemplate ((unsigned long) size)
        {
            for (int k = 0; k < size; ++k)
                static_cast<juce::uint8*> (mData.getData())[k] = juce::uint8 (k * 7);
        }
        std::vector<juce::uint8> bytes() const { return { getBlock().begin(), getBlock().end() }; }
    };

    /** Once the transfer has begun, clicks CONNECT and makes the watchdog find the active
        sensing stale (its clock jumps ahead) for an instrument action; afterwards looks, each
        time it runs while the transfer still runs, whether the ports are still open. */
    struct DuringTransfer : juce::Timer
    {
        DuringTransfer (DorvoEditorApplication& a, const HWTemplate& b) : app (a), block (b) { startTimer (1); }
        ~DuringTransfer() override { stopTimer(); }
        void timerCallback() override
        {
            if (! block.isSending() && ! block.isReceiving())
                return;
            if (! acted)
            {
                acted = true;
                app.actionListenerCallback ("COMI ");
                app.getDispatcher().setClock ([] { return juce::Time::getMillisecondCounter() + 10000; });
                app.actionListenerCallback ("AFTE 1");
                return;
            }
            ++looks;
            openThroughout = openThroughout && app.isConnected() && app.getMidiOutput() != nullptr;
        }
        DorvoEditorApplication& app;
        const HWTemplate& block;
        bool acted = false;
        int looks = 0;
        bool openThroughout = true;
    };

    for (const bool sending : { true, false })
    {
        SCOPED_TRACE (sending ? "send" : "receive");
        app = std::make_unique<DorvoEditorApplication>();
        auto& i = plug (apptest::instrumentOptions (Model::KelaDorvo));
        app->connectHardware();
        ASSERT_TRUE (app->isConnected());
        prompts.clear();

        constexpr int size = 16384;
        Block block (sending ? size : 0);
        const Block reference (size);
        if (! sending)
            i.setBlockToSend (reference.bytes());

        DuringTransfer meanwhile (*app, block);
        const bool result = sending ? block.send (app->getMidiOutput()) : block.receive (app->getMidiOutput());
        EXPECT_TRUE (result);
        EXPECT_TRUE (meanwhile.acted);
        EXPECT_GT (meanwhile.looks, 0);
        EXPECT_TRUE (meanwhile.openThroughout) << "the ports stayed open while the transfer ran";
        EXPECT_EQ (sending ? i.getReceivedBlock() : block.bytes(), reference.bytes());

        EXPECT_TRUE (testsupport::pumpUntil ([this] { return ! app->isConnected(); }, 2000));
        EXPECT_EQ (app->getMidiOutput(), nullptr);
        EXPECT_TRUE (apptest::setsReceived (i).empty()) << "the stale action sent nothing";
        app->shutdown();
        app = nullptr;
        instrument = nullptr;
    }
}
