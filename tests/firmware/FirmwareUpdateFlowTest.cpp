#include "FirmwareTestSupport.h"
#include "../app/AppTestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "app/GUIEditorWindow.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "firmware/GUIFirmwareTab.h"
#include "firmware/GUIUpdater.h"
#include "firmware/HWUpdater.h"
#include "panels/GUIParametersTab.h"

using fwtest::Bytes;
using sim::Fault;
using sim::Model;

// The update from the application: the Firmware Update page's button ("FIRM ") and the start-up
// prompt both disconnect, ask for the file, update through the boot loader and connect again;
// the settings are then read back, unless the instrument still runs an outdated firmware.

namespace
{
const juce::String readBack = "3F 06 08 0A 10 26 0C 0E 12 14 39 37 2B 3D 2F 33";

/** An instrument that shows the test every device message it hears (by its command byte) before
    it answers; the test may have it swallow the message (false). */
struct WatchedInstrument : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;
    void messageFromHost (const juce::MidiMessage& m) override
    {
        const auto* raw = m.getRawData();
        if (onCommand && m.getRawDataSize() > 8 && raw[0] == 0xF0 && raw[1] == 0x00 && ! onCommand (raw[8]))
            return;
        SimulatedInstrument::messageFromHost (m);
    }
    std::function<bool (juce::uint8)> onCommand;   // set before it is plugged in
};

class FirmwareUpdateFlow : public ::testing::Test
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

    sim::SimulatedInstrument& plug (Model model, std::array<juce::uint8, 4> firmware = { 1, 0, 3, 0 })
    {
        sim::SimulatedInstrument::Options options;
        options.model = model;
        options.firmware = firmware;
        instrument = std::make_unique<sim::SimulatedInstrument> (options);
        instrument->plugIn();
        return *instrument;
    }

    juce::File firmwareFile (const Bytes& image)
    {
        return fwtest::writeFirmwareFile (folder.folder.getChildFile ("update.kfw"), image);
    }

    GUIFirmwarePage* firmwarePage() const { return app->getMainWindow()->getEditorWindow()->getFirmwareTab(); }

    fwtest::TemporaryFolder folder;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
    std::unique_ptr<sim::SimulatedInstrument> instrument;
    std::unique_ptr<DorvoEditorApplication> app;
};
} // namespace

TEST_F (FirmwareUpdateFlow, UpdateButtonUpdatesThenReconnectsAndReadsBack)
{
    auto& device = plug (Model::KelaDorvo);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    device.clearReceived();

    const auto image = fwtest::firmwareImage (100);
    prompts.files = { { firmwareFile (image) } };
    // Clicked again, and on "save sequences", while the update runs: both belong to the
    // connection the update closed, and are dropped once it has connected again.
    bool clicked = false;
    prompts.onPrompt = [this, &clicked] (const Prompts::ScriptedResponder::Prompt& p) {
        if (p.title == "Select Firmware binary file" && ! std::exchange (clicked, true))
        {
            app->getDispatcher().dispatch ("FIRM ");
            app->getDispatcher().dispatch ("SVSQ ");
        }
    };

    // A click on the page's own update button.
    auto* page = firmwarePage();
    ASSERT_NE (page, nullptr);
    page->getUpdateButton()->getImageButton()->triggerClick();
    ASSERT_TRUE (testsupport::pumpUntil ([&] { return fwtest::heardWords (device).endsWith (readBack); }, 60000))
        << fwtest::heardWords (device);

    EXPECT_EQ (fwtest::heardWords (device), "ID 00 ID 01 03x4 02 ID " + readBack);
    EXPECT_EQ (device.getFirmwareImage(), image);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Select Firmware binary file", "Firmware update: complete"));
    EXPECT_TRUE (app->isConnected());
    EXPECT_EQ (app->getMainWindow()->getEditorWindow()->getStatusLabel()->getText(), "Connected");
}

TEST_F (FirmwareUpdateFlow, UpdateThatDoesNotCompleteReconnectsWithoutReadBack)
{
    auto& device = plug (Model::KelaDorvoSE);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    device.clearReceived();
    device.setFault (Fault::resendForever);   // the boot loader asks for its first packet for ever
    prompts.files = { { firmwareFile (fwtest::firmwareImage (100)) } };
    // The reconnection finds only the boot loader: Cancel to the update it offers, then give
    // up, as without the offer.
    prompts.choices = { 0 };

    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ({ "Select Firmware binary file", "Update error", "Firmware update",
                                                      "No instrument found", "No instrument found" }));
    EXPECT_EQ (prompts.prompts()[1].text, "The firmware update did not complete.\nPlease check your connections and retry.");
    const auto offer = prompts.prompts()[2];
    EXPECT_EQ (offer.kind, Prompts::Kind::okCancel);
    EXPECT_EQ (offer.icon, Prompts::Icon::warning);
    EXPECT_EQ (offer.text, "A KelaDorvo is waiting in its boot loader: its firmware is not complete.\nUpdate the firmware now?");
    const auto heard = fwtest::heardWords (device);
    // The reconnection's search and the look for the boot loader; then nothing more.
    EXPECT_EQ (heard, "ID 00 ID 01 03x17 ID ID") << heard;
    EXPECT_FALSE (heard.contains ("3F")) << "no get after a failed update: " << heard;
    EXPECT_FALSE (app->isConnected());
}

// Whatever became of the update (completed, refused before it began, failed), the reconnection
// builds the pages afresh and reads the settings back: the page shows what the instrument
// holds, so a click on the aftertouch switch (the instrument holds 1, the fresh page 0) sends
// 2. Only a firmware that is still outdated after the start-up prompt's update is left unread.
TEST_F (FirmwareUpdateFlow, EveryReconnectionAfterAnUpdateReadsTheSettingsBack)
{
    enum class File { none, notFirmware, firmware };
    struct Case
    {
        const char* name;
        bool startUp;            // the start-up prompt's update, else the page's button
        std::array<juce::uint8, 4> firmware;
        File file;
        // The boot loader asks for its first packet for ever; the user switches the instrument
        // off and on while "Update error" is up, and it runs its firmware again.
        bool transferFails;
        juce::StringArray titles;
        juce::String heard;      // from the update on
        bool readBack;
    };
    const Case cases[] = {
        { "chooser cancelled", false, { 1, 0, 3, 0 }, File::none, false, { "Select Firmware binary file", "Loading error" },
          "ID " + readBack, true },
        { "not a firmware file", false, { 1, 1, 0, 0 }, File::notFirmware, false, { "Select Firmware binary file", "Checking error" },
          "ID " + readBack, true },
        { "completed", false, { 1, 0, 3, 0 }, File::firmware, false, { "Select Firmware binary file", "Firmware update: complete" },
          "ID 00 ID 01 03x4 02 ID " + readBack, true },
        { "transfer failed", false, { 1, 0, 3, 0 }, File::firmware, true, { "Select Firmware binary file", "Update error" },
          "ID 00 ID 01 03x17 ID " + readBack, true },
        // The start-up prompt answered OK, its chooser cancelled: still outdated, no gets.
        { "outdated, not updated", true, { 1, 0, 2, 0 }, File::none, false,
          { "Firmware version", "Select Firmware binary file", "Loading error" }, "ID 3F ID 3F", false },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        app = nullptr;
        app = std::make_unique<DorvoEditorApplication>();
        prompts.clear();
        auto& device = plug (Model::KelaDorvo, c.firmware);
        device.setSetting (SysexCommand::SetAftertouchCurbNum, 1);
        prompts.choices = { 1 };   // OK to "Firmware version"
        if (! c.startUp)
        {
            app->initialise ({});
            ASSERT_TRUE (app->isConnected());
            device.clearReceived();
        }

        if (c.file == File::firmware)
            prompts.files = { { firmwareFile (fwtest::firmwareImage (100)) } };
        else if (c.file == File::notFirmware)
        {
            auto text = folder.folder.getChildFile ("notes.kfw");
            text.replaceWithText ("not a firmware file, only words\n");
            prompts.files = { { text } };
        }
        if (c.transferFails)
        {
            device.setFault (Fault::resendForever);
            prompts.onPrompt = [&device] (const Prompts::ScriptedResponder::Prompt& p) {
                if (p.title == "Update error")
                {
                    device.clearFaults();
                    device.setModel (Model::KelaDorvo);
                }
            };
        }

        if (c.startUp)
            app->initialise ({});
        else
            app->getDispatcher().dispatch ("FIRM ");

        EXPECT_EQ (prompts.titles(), c.titles);
        if (c.transferFails)
        {
            EXPECT_EQ (prompts.prompts()[1].text, HWUpdater::notCompletedText);
        }
        EXPECT_EQ (fwtest::heardWords (device), c.heard);
        ASSERT_TRUE (app->isConnected());
        EXPECT_EQ (app->getMainWindow()->getWidth(), 795);

        if (c.readBack)
        {
            // The KelaDorvo page's aftertouch switch (644, 225, 29, 65).
            device.clearReceived();
            auto* page = app->getMainWindow()->getEditorWindow()->getParamsTab();
            ASSERT_NE (page, nullptr);
            auto* button = dynamic_cast<juce::Button*> (page->getComponentAt (658, 257));
            ASSERT_NE (button, nullptr);
            button->triggerClick();
            ASSERT_TRUE (testsupport::pumpUntil ([&device] { return ! device.received().empty(); }, 2000));
            const auto sets = apptest::setsReceived (device);
            EXPECT_EQ (sets, (std::vector<std::pair<int, int>> { { 0x13, 2 } }));
        }
        app->shutdown();
    }
}

// The chosen firmware file is gone by the time the update opens it (removed, renamed, its
// medium unplugged): "Loading error", the instrument is not rebooted, nothing is sent and no
// file is made; then the reconnection and its read-back.
TEST_F (FirmwareUpdateFlow, FileGoneAfterTheChooserTouchesNothing)
{
    auto& device = plug (Model::KelaDorvoSE);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    device.clearReceived();

    const auto file = firmwareFile (fwtest::firmwareImage (100));
    prompts.files = { { file } };
    prompts.onPrompt = [&] (const Prompts::ScriptedResponder::Prompt& p) {
        if (p.title == "Select Firmware binary file")
            file.deleteFile();
    };
    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Select Firmware binary file", "Loading error"));
    EXPECT_EQ (prompts.prompts()[1].text, "Unable to open the data file.");
    EXPECT_EQ (fwtest::heardWords (device), "ID " + readBack);
    EXPECT_EQ (device.rebootCount(), 0);
    EXPECT_FALSE (file.exists());
    EXPECT_TRUE (app->isConnected());
}

// An update that did not complete leaves the instrument in its boot loader; the reconnection
// finds it there and offers the update: OK runs it (the chooser, no reboot: the boot loader is
// there already), then searches again and finds the instrument running the new firmware,
// which is read back.
TEST_F (FirmwareUpdateFlow, ReconnectionRecoversAnInstrumentLeftInItsBootLoader)
{
    auto& device = plug (Model::KelaDorvoSE);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    device.clearReceived();
    device.setFault (Fault::resendForever);

    const auto image = fwtest::firmwareImageWithVersion (200, { 1, 0, 4, 0 });
    const auto second = fwtest::writeFirmwareFile (folder.folder.getChildFile ("second.kfw"), image);
    prompts.files = { { firmwareFile (fwtest::firmwareImage (100)) }, { second } };
    prompts.choices = { 1 };
    prompts.onPrompt = [&] (const Prompts::ScriptedResponder::Prompt& p) {
        if (p.title == "Firmware update")
            device.clearFaults();   // this time the boot loader takes every packet
    };

    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ({ "Select Firmware binary file", "Update error", "Firmware update",
                                                      "Select Firmware binary file", "Firmware update: complete" }));
    EXPECT_EQ (fwtest::heardWords (device), "ID 00 ID 01 03x17 ID ID ID ID 01 03x8 02 ID " + readBack);
    EXPECT_EQ (device.rebootCount(), 1);
    EXPECT_EQ (device.getFirmwareImage(), image);
    EXPECT_TRUE (app->isConnected());
    ASSERT_NE (firmwarePage(), nullptr);
    EXPECT_EQ (firmwarePage()->getVersionLabel()->getText(), "1.0.4.0");
}

// An update clicked while a connection is under way is queued, and belongs to that connection.
// A connect that gives up and a disconnect both end it: after the box, the click opens no
// chooser.
TEST_F (FirmwareUpdateFlow, AnUpdateQueuedUnderAConnectionThatEndedIsDropped)
{
    struct Case
    {
        const char* name;
        bool instrument;          // else nothing answers: the start-up search gives up
        juce::StringArray titles;
    };
    const Case cases[] = {
        { "search given up", false, { "No instrument found", "No instrument found" } },
        { "read-back failed", true, { "Update error" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        app = nullptr;
        instrument = nullptr;
        app = std::make_unique<DorvoEditorApplication>();
        prompts.clear();
        prompts.choices = { 0 };   // Cancel to the retry box
        int clicks = 0;
        bool queued = false, connectedAtTheClick = false;
        auto clickUpdate = [this, &clicks, &queued, &connectedAtTheClick] {
            ++clicks;
            queued = app->getDispatcher().isBusy();
            connectedAtTheClick = app->isConnected();
            app->getDispatcher().dispatch ("FIRM ");
        };

        if (c.instrument)
        {
            // Clicked during the read-back's first wait; the seventh get goes unanswered.
            auto watched = std::make_unique<WatchedInstrument> (apptest::instrumentOptions (Model::KelaDorvo));
            watched->onCommand = [clickUpdate, first = true] (juce::uint8 command) mutable {
                if (command == 0x06 && std::exchange (first, false))
                    juce::MessageManager::callAsync (clickUpdate);
                return command != 0x0E;
            };
            watched->plugIn();
            instrument = std::move (watched);
        }
        else
        {
            prompts.onPrompt = [&] (const Prompts::ScriptedResponder::Prompt& p) {
                if (p.kind == Prompts::Kind::okCancel && clicks == 0)
                    clickUpdate();
            };
        }

        // The queue is worked off when the start-up's outermost operation ends, inside this
        // call.
        app->initialise ({});
        EXPECT_FALSE (app->getDispatcher().isBusy());

        ASSERT_EQ (clicks, 1);
        EXPECT_TRUE (queued);
        EXPECT_EQ (connectedAtTheClick, c.instrument);
        EXPECT_EQ (prompts.titles(), c.titles);
        EXPECT_FALSE (app->isConnected());
        app->shutdown();
    }
}

// At start-up with the instrument in its boot loader: the offer comes before the retry box.
// OK updates it and connects; Cancel goes on as without the offer, which is not made again in
// that connection: a retry only searches.
TEST_F (FirmwareUpdateFlow, StartUpOffersTheUpdateToAnInstrumentInItsBootLoader)
{
    struct Case
    {
        const char* name;
        std::deque<int> answers;
        juce::StringArray titles;
        juce::String heard;
        bool connected;
    };
    const Case cases[] = {
        { "OK", { 1 }, { "Firmware update", "Select Firmware binary file", "Firmware update: complete" },
          "ID ID ID ID 01 03x3 02 ID " + readBack, true },
        { "Cancel", { 0 }, { "Firmware update", "No instrument found", "No instrument found" }, "ID ID", false },
        { "Cancel, then retry", { 0, 1, 0 },
          { "Firmware update", "No instrument found", "No instrument found", "No instrument found" }, "ID ID ID", false },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        app = nullptr;
        app = std::make_unique<DorvoEditorApplication>();
        prompts.clear();
        auto& device = plug (Model::BootLoader);
        const auto image = fwtest::firmwareImageWithVersion (60, { 1, 0, 3, 0 });
        prompts.files = { { firmwareFile (image) } };
        prompts.choices = c.answers;

        app->initialise ({});

        EXPECT_EQ (prompts.titles(), c.titles);
        EXPECT_EQ (fwtest::heardWords (device), c.heard);
        EXPECT_EQ (app->isConnected(), c.connected);
        EXPECT_EQ (device.getModel() == Model::BootLoader, ! c.connected);
        app->shutdown();
    }
}

// A device that is neither the running instrument nor its boot loader: the retry box as ever,
// after each search one look for the boot loader, and nothing but identity requests goes out.
TEST_F (FirmwareUpdateFlow, NoBootLoaderEitherOffersNothing)
{
    auto& device = plug (Model::KelaDorvo);
    device.setFault (Fault::foreignMember);
    prompts.choices = { 1, 0 };   // retry once, then give up

    app->initialise ({});

    EXPECT_EQ (prompts.titles(), juce::StringArray ({ "No instrument found", "No instrument found", "No instrument found" }));
    EXPECT_EQ (fwtest::heardWords (device), "ID ID ID ID");
    EXPECT_FALSE (app->isConnected());
}

// "FIRM " while not connected starts the same flow: here the instrument sits in its boot
// loader, so there is no reboot; after the update it runs again and is connected and read.
TEST_F (FirmwareUpdateFlow, UpdateWhileNotConnected)
{
    prompts.choices = { 0 };
    app->initialise ({});
    ASSERT_FALSE (app->isConnected());

    auto& device = plug (Model::BootLoader);
    prompts.clear();
    const auto image = fwtest::firmwareImage (60);
    prompts.files = { { firmwareFile (image) } };
    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Select Firmware binary file", "Firmware update: complete"));
    EXPECT_EQ (fwtest::heardWords (device), "ID ID 01 03x3 02 ID " + readBack);
    EXPECT_EQ (device.getFirmwareImage(), image);
    EXPECT_TRUE (app->isConnected());
}

// An outdated firmware at start-up, OK in the "Firmware version" box: the update runs, the
// instrument comes back with the new version, shown on its Firmware Update page, and is read.
TEST_F (FirmwareUpdateFlow, StartUpPromptOkUpdatesTheOutdatedFirmware)
{
    auto& device = plug (Model::KelaDorvoSE, { 1, 0, 2, 0 });
    const auto image = fwtest::firmwareImageWithVersion (500, { 1, 0, 3, 0 });
    prompts.choices = { 1 };
    prompts.files = { { firmwareFile (image) } };

    app->initialise ({});

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Firmware version", "Select Firmware binary file", "Firmware update: complete"));
    EXPECT_EQ (fwtest::heardWords (device), "ID 3F ID 00 ID 01 03x18 02 ID " + readBack);
    EXPECT_EQ (device.getFirmwareImage(), image);
    EXPECT_TRUE (app->isConnected());
    ASSERT_NE (firmwarePage(), nullptr);
    EXPECT_EQ (firmwarePage()->getVersionLabel()->getText(), "1.0.3.0");
}
