#include "PresetDispatchSupport.h"
#include "../app/AppTestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "link/PortUse.h"

using namespace presettest;

namespace
{
/** An instrument that, when next asked for its block, hands the request to a hook instead of
    answering it; the hook answers it later through answer(). */
struct HookedInstrument : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;
    std::function<void (const juce::MidiMessage&)> onBlockRequest;   // the system's sending thread
    void messageFromHost (const juce::MidiMessage& m) override
    {
        if (m.getRawDataSize() > 8 && m.getRawData()[8] == templateRequest && onBlockRequest)
        {
            auto hook = std::move (onBlockRequest);
            onBlockRequest = nullptr;
            hook (m);
            return;
        }
        SimulatedInstrument::messageFromHost (m);
    }
    void answer (const juce::MidiMessage& m) { SimulatedInstrument::messageFromHost (m); }
};

class PresetApplication : public ::testing::Test
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

    void connect()
    {
        instrument = std::make_unique<HookedInstrument> (apptest::instrumentOptions (sim::Model::KelaDorvoSE));
        instrument->plugIn();
        app->connectHardware();
        ASSERT_TRUE (app->isConnected());
        // Active sensing has come in since.
        ASSERT_TRUE (testsupport::pumpUntil ([this] { return app->getLastActiveSense() != 0; }, 2000));
    }

    TemporaryLibrary temp;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
    std::unique_ptr<HookedInstrument> instrument;
    std::unique_ptr<DorvoEditorApplication> app;
};
} // namespace

TEST_F (PresetApplication, DropsMovePresetsBetweenFilesAndSlots)
{
    connect();
    const auto file = temp.root.getChildFile ("Bass.preset");
    writePresetFile (file, pattern (87, 7));
    instrument->clearReceived();

    app->actionListenerCallback ("DRSL 4," + file.getFullPathName());
    EXPECT_EQ (instrument->getReceivedBlock(), pattern (87, 7));
    const auto stores = instrument->receivedWithCommand (storePreset);
    ASSERT_EQ (stores.size(), 1u);
    EXPECT_EQ (stores[0][9], 4);

    instrument->setBlockToSend (pattern (87, 8));
    app->actionListenerCallback ("DRLT 2,Mon preset");
    const auto recalls = instrument->receivedWithCommand (recallPreset);
    ASSERT_EQ (recalls.size(), 1u);
    EXPECT_EQ (recalls[0][9], 2);
    EXPECT_EQ (contentsOf (temp.library.getChildFile ("Mon preset.preset")), presetFileBytes (pattern (87, 8)));
    EXPECT_TRUE (prompts.prompts().empty());
}

// A click on the CONNECT switch while a slot is being received waits for the transfer: the
// ports stay open under it, and the disconnect comes once it has ended.
TEST_F (PresetApplication, ADisconnectDuringATransferWaitsForItsEnd)
{
    connect();
    instrument->setBlockToSend (pattern (87, 3));
    // The instrument answers the block request only once the click has been handled, so the
    // click certainly comes while the transfer waits.
    bool clickedDuringTheTransfer = false;
    instrument->onBlockRequest = [&] (const juce::MidiMessage& request) {
        juce::MessageManager::callAsync ([&, request] {
            clickedDuringTheTransfer = PortUse::users() > 0;
            app->actionListenerCallback ("COMI ");
            instrument->answer (request);
        });
    };

    app->actionListenerCallback ("DRLT 5,Mon preset");

    EXPECT_TRUE (clickedDuringTheTransfer);
    EXPECT_EQ (contentsOf (temp.library.getChildFile ("Mon preset.preset")), presetFileBytes (pattern (87, 3)));
    EXPECT_TRUE (testsupport::pumpUntil ([this] { return ! app->isConnected(); }, 2000));
}

TEST_F (PresetApplication, FileActionsNeedNoInstrument)
{
    const auto mine = temp.root.getChildFile ("mine.preset");
    writePresetFile (mine, pattern (87, 1));
    prompts.files = { { mine } };

    app->actionListenerCallback ("IMPO ");
    EXPECT_EQ (contentsOf (temp.library.getChildFile ("mine.preset")), presetFileBytes (pattern (87, 1)));

    prompts.names = { "yours" };
    app->actionListenerCallback ("RENA " + temp.library.getChildFile ("mine.preset").getFullPathName());
    EXPECT_EQ (snapshot (temp.library), (std::vector<std::pair<juce::String, Bytes>> { { "yours.preset", presetFileBytes (pattern (87, 1)) } }));
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Import presets :", "Rename preset :"));
}
