#include "FirmwareTestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "app/GUIEditorWindow.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "firmware/GUIFirmwareTab.h"
#include "firmware/GUIUpdater.h"
#include "firmware/HWUpdater.h"

using fwtest::Bytes;
using sim::Fault;
using sim::Model;

// The update from the application: the Firmware Update page's button ("FIRM ") and the start-up
// prompt both disconnect, ask for the file, update through the boot loader and connect again;
// the settings are read back only after an update that completed.

namespace
{
const juce::String readBack = "3F 06 08 0A 10 26 0C 0E 12 14 39 37 2B 3D 2F 33";

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
    prompts.choices = { 0 };   // the reconnection finds only the boot loader: give up

    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ({ "Select Firmware binary file", "Update error",
                                                      "No instrument found", "No instrument found" }));
    EXPECT_EQ (prompts.prompts()[1].text, "The firmware update did not complete.\nPlease check your connections and retry.");
    const auto heard = fwtest::heardWords (device);
    EXPECT_TRUE (heard.startsWith ("ID 00 ID 01 03x17 ID")) << heard;
    EXPECT_FALSE (heard.contains ("3F")) << "no get after a failed update: " << heard;
    EXPECT_FALSE (app->isConnected());
}

TEST_F (FirmwareUpdateFlow, CancelledChooserTouchesNothingThenReconnectsWithoutReadBack)
{
    auto& device = plug (Model::KelaDorvoSE);
    app->initialise ({});
    ASSERT_TRUE (app->isConnected());
    device.clearReceived();

    app->getDispatcher().dispatch ("FIRM ");

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Select Firmware binary file", "Loading error"));
    EXPECT_EQ (prompts.prompts()[1].text, "Unable to open the data file.");
    EXPECT_EQ (fwtest::heardWords (device), "ID 3F");
    EXPECT_EQ (device.rebootCount(), 0);
    EXPECT_TRUE (app->isConnected());
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
