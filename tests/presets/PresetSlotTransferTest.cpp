#include "PresetDispatchSupport.h"
#include "link/PortUse.h"
#include "presets/PresetManager.h"

using namespace presettest;

namespace
{
/** An instrument that goes silent after it has sent a few chunks of its block. */
struct GoesSilent : sim::SimulatedInstrument
{
    explicit GoesSilent (int acks) : acksBeforeSilence (acks) {}
    void messageFromHost (const juce::MidiMessage& m) override
    {
        const auto* raw = m.getRawData();
        if (m.getRawDataSize() > 8 && raw[8] == templateAck && ++acks > acksBeforeSilence)
            return;
        SimulatedInstrument::messageFromHost (m);
    }
    int acksBeforeSilence;
    int acks = 0;   // the system's sending thread only
};

class PresetSlots : public ::testing::Test
{
protected:
    void SetUp() override { plug (std::make_unique<sim::SimulatedInstrument>()); }

    void plug (std::unique_ptr<sim::SimulatedInstrument> i)
    {
        link.reset();
        instrument = std::move (i);
        instrument->plugIn();
        link = std::make_unique<InstrumentLink>();
        ASSERT_NE (link->out, nullptr);
        host.output = link->out.get();
        dispatcher.setClock ([] { return juce::uint32 (10100); });   // active sensing 100 ms old
    }

    void TearDown() override
    {
        link.reset();
        instrument.reset();
    }

    /** The one StorePreset or RecallPreset message received, as its slot byte; -1 for none. */
    int slotByteOf (int command) const
    {
        int slot = -1, count = 0;
        for (auto& m : instrument->receivedWithCommand ((juce::uint8) command))
        {
            ++count;
            slot = m.size() == 11 ? m[9] : -2;
        }
        return count <= 1 ? slot : -3;
    }

    TemporaryLibrary temp;
    std::unique_ptr<sim::SimulatedInstrument> instrument;
    std::unique_ptr<InstrumentLink> link;
    FakeHost host;
    ActionDispatcher dispatcher { host };
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};

std::vector<int> sendingABlock()
{
    std::vector<int> c { templateStart };
    for (int k = 0; k < 5; ++k)
        c.push_back (templateChunk);
    c.push_back (templateLastChunk);
    return c;
}
} // namespace

TEST_F (PresetSlots, APresetFileDroppedOnASlotIsSentThenStoredThere)
{
    const auto file = temp.root.getChildFile ("Bass 1.preset");
    writePresetFile (file, pattern (87, 11));
    const auto disk = snapshot (temp.root);

    dispatcher.dispatch ("DRSL 4," + file.getFullPathName());

    auto expected = sendingABlock();
    expected.push_back (storePreset);
    EXPECT_EQ (commandsOf (*instrument), expected);
    EXPECT_EQ (slotByteOf (storePreset), 4);
    EXPECT_EQ (instrument->getReceivedBlock(), pattern (87, 11));
    EXPECT_EQ (snapshot (temp.root), disk);
    EXPECT_TRUE (prompts.prompts().empty());
    EXPECT_EQ (host.refreshes, 0);
}

// A drag from a slot names no file: each store goes into the preset library folder (made when
// missing) under the drag's name, never over an earlier one.
TEST_F (PresetSlots, ASlotDroppedOnTheListIsStoredAsANewLibraryFile)
{
    ASSERT_FALSE (temp.library.exists());
    const Bytes blocks[] = { pattern (87, 1), pattern (87, 2), pattern (87, 3) };
    const char* const names[] = { "Mon preset.preset", "Mon preset (2).preset", "Mon preset (3).preset" };

    for (int k = 0; k < 3; ++k)
    {
        SCOPED_TRACE (k);
        instrument->clearReceived();
        instrument->setBlockToSend (blocks[k]);

        dispatcher.dispatch ("DRLT 2,Mon preset");

        const auto commands = commandsOf (*instrument);
        ASSERT_GE (commands.size(), 2u);
        EXPECT_EQ (commands[0], recallPreset);
        EXPECT_EQ (commands[1], templateRequest);
        EXPECT_EQ (slotByteOf (recallPreset), 2);
        EXPECT_EQ (instrument->receivedWithCommand (storePreset).size(), 0u);
        for (int j = 0; j <= k; ++j)
            EXPECT_EQ (contentsOf (temp.library.getChildFile (names[j])), presetFileBytes (blocks[j])) << names[j];
    }
    EXPECT_EQ (snapshot (temp.library).size(), 3u);
    EXPECT_TRUE (prompts.prompts().empty());
}

TEST_F (PresetSlots, ASlotDroppedOnALibraryPathNeverReplacesAFile)
{
    temp.library.createDirectory();
    const auto lead = temp.library.getChildFile ("Lead.preset");
    instrument->setBlockToSend (pattern (87, 5));
    dispatcher.dispatch ("DRLT 6," + lead.getFullPathName());
    EXPECT_EQ (contentsOf (lead), presetFileBytes (pattern (87, 5)));

    instrument->setBlockToSend (pattern (87, 6));
    dispatcher.dispatch ("DRLT 6," + lead.getFullPathName());
    EXPECT_EQ (contentsOf (lead), presetFileBytes (pattern (87, 5)));
    EXPECT_EQ (contentsOf (temp.library.getChildFile ("Lead (2).preset")), presetFileBytes (pattern (87, 6)));
}

// What the instrument sends must be a whole preset: anything else writes no file (not even
// over a good preset file), leaves the block as it was, and makes no folder.
class TransferThatDoesNotComplete : public PresetSlots
{
protected:
    void expectNothingWritten (bool alsoTheBlock)
    {
        instrument->clearReceived();
        dispatcher.dispatch ("DRLT 1,Mon preset");
        EXPECT_EQ (slotByteOf (recallPreset), 1);
        EXPECT_FALSE (temp.library.exists());

        temp.library.createDirectory();
        const auto good = temp.library.getChildFile ("Good.preset");
        writePresetFile (good, pattern (87, 9));
        PresetManager::storePresetFromHW (host.output, good, 1);
        EXPECT_EQ (snapshot (temp.library), (std::vector<std::pair<juce::String, Bytes>> { { "Good.preset", presetFileBytes (pattern (87, 9)) } }));
        temp.library.deleteRecursively();

        if (alsoTheBlock)
        {
            TestPreset p;
            p.fill (pattern (87, 12));
            EXPECT_FALSE (p.receiveWhole (host.output));
            EXPECT_EQ (p.bytes(), pattern (87, 12));
        }
        EXPECT_TRUE (prompts.prompts().empty());
    }
};

TEST_F (TransferThatDoesNotComplete, ABlockOfTheWrongSize)
{
    for (size_t size : { 0, 40, 86, 88, 100 })
    {
        SCOPED_TRACE (size);
        instrument->setBlockToSend (pattern (size));
        expectNothingWritten (true);
    }
}

TEST_F (TransferThatDoesNotComplete, AnInstrumentSilentAfterTwoChunks)
{
    plug (std::make_unique<GoesSilent> (2));
    expectNothingWritten (false);
}

TEST_F (TransferThatDoesNotComplete, NoAnswerAtAll)
{
    instrument->setFault (sim::Fault::noReply);
    expectNothingWritten (false);
}

TEST_F (PresetSlots, AReceiveCutShortLeavesTheBlockAsItWas)
{
    plug (std::make_unique<GoesSilent> (3));
    TestPreset p;
    p.fill (pattern (87, 12));
    EXPECT_FALSE (p.receiveWhole (host.output));
    EXPECT_EQ (p.bytes(), pattern (87, 12));
}

// The slot is stored only when the block went over whole.
TEST_F (PresetSlots, ASendThatFailsStoresNoSlot)
{
    const auto file = temp.root.getChildFile ("Bass.preset");
    writePresetFile (file, pattern (87, 4));
    for (auto fault : { sim::Fault::abortStatus, sim::Fault::noReply })
    {
        SCOPED_TRACE ((int) fault);
        instrument->clearFaults();
        instrument->clearReceived();
        instrument->setFault (fault);

        dispatcher.dispatch ("DRSL 3," + file.getFullPathName());

        const auto commands = commandsOf (*instrument);
        ASSERT_FALSE (commands.empty());
        EXPECT_EQ (commands.front(), templateStart);
        EXPECT_EQ (slotByteOf (storePreset), -1);
        EXPECT_EQ (contentsOf (file), presetFileBytes (pattern (87, 4)));
    }
}

TEST_F (PresetSlots, AFileThatIsNoPresetSendsNothing)
{
    struct Case
    {
        const char* name;
        Bytes contents;
        juce::StringArray boxes;
    };
    const Case cases[] = {
        { "not enciphered", pattern (114), { "Checking error" } },
        { "a short payload", presetFileBytes (pattern (50)), {} },
        { "empty", {}, { "Checking error" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        const auto file = temp.root.getChildFile ("odd.preset");
        write (file, c.contents);
        dispatcher.dispatch ("DRSL 2," + file.getFullPathName());
        EXPECT_TRUE (instrument->received().empty());
        EXPECT_EQ (prompts.titles(), c.boxes);
        EXPECT_EQ (contentsOf (file), c.contents);
    }
}

// Drops that do not hold what the librarian sends do nothing at all: no message to the
// instrument, no change on disk, no question.
TEST_F (PresetSlots, MalformedDropsDoNothing)
{
    temp.library.createDirectory();
    const auto file = temp.library.getChildFile ("a.preset");
    writePresetFile (file, pattern (87, 1));
    const auto outside = temp.root.getChildFile ("outside.preset");
    writePresetFile (outside, pattern (87, 2));
    const auto path = file.getFullPathName();
    const auto disk = snapshot (temp.root);

    const juce::String messages[] = {
        "DRSL 0," + path, "DRSL 7," + path, "DRSL 9," + path, "DRSL 44," + path, "DRSL 4" + path,
        "DRSL ," + path, "DRSL 4,", "DRSL 4,a.preset", "DRSL 4," + temp.library.getChildFile ("missing.preset").getFullPathName(),
        "DRSL 4," + temp.library.getFullPathName(), "DRSL 5,2,Mon preset", "DRSL 4,~/a.preset",
        "DRLT " + path, "DRLT 0,Mon preset", "DRLT 7,Mon preset", "DRLT 2,", "DRLT 2,   ", "DRLT 2,a/b",
        "DRLT 2,..", "DRLT 2," + outside.getFullPathName(), "DRLT 2," + temp.root.getChildFile ("new.preset").getFullPathName(),
        "DRLT 2", "DRLT ", "DRSL ",
        // Hidden files, which the list would not show.
        "DRLT 2,.hidden", "DRLT 2,  .x", "DRLT 2,.preset", "DRLT 2," + temp.library.getChildFile (".hidden.preset").getFullPathName(),
        // Names with a ",", at which the list's messages part their paths.
        "DRLT 2,a,b", "DRLT 2,Mon preset,", "DRLT 2," + temp.library.getChildFile ("a,b.preset").getFullPathName(),
    };
    for (auto& m : messages)
    {
        SCOPED_TRACE (m);
        instrument->clearReceived();
        dispatcher.dispatch (m);
        EXPECT_TRUE (instrument->received().empty());
        EXPECT_EQ (snapshot (temp.root), disk);
    }
    EXPECT_TRUE (prompts.prompts().empty());
}

// The drops need the instrument: not connected, they do nothing.
TEST_F (PresetSlots, DropsWaitForAConnection)
{
    const auto file = temp.root.getChildFile ("x.preset");
    writePresetFile (file, pattern (87, 1));
    host.connected = false;
    dispatcher.dispatch ("DRSL 1," + file.getFullPathName());
    dispatcher.dispatch ("DRLT 1,Mon preset");
    EXPECT_TRUE (instrument->received().empty());
    EXPECT_FALSE (temp.library.exists());
}

// A slot operation holds the ports for its whole length, transfer and slot message alike.
TEST_F (PresetSlots, SlotOperationsHoldThePorts)
{
    struct Watcher : PortUseObserver
    {
        void portUseBegins() override { ++begins; }
        void portUseEnds() override { ++ends; }
        int begins = 0, ends = 0;
    } watcher;
    PortUse::setObserver (&watcher);

    const auto file = temp.root.getChildFile ("x.preset");
    writePresetFile (file, pattern (87, 1));
    int usersAtStore = -1;
    struct Recorder : sim::SimulatedInstrument
    {
        std::function<void (int)> onCommand;
        void messageFromHost (const juce::MidiMessage& m) override
        {
            if (m.getRawDataSize() > 8 && onCommand)
                onCommand (m.getRawData()[8]);
            SimulatedInstrument::messageFromHost (m);
        }
    };
    auto recorder = std::make_unique<Recorder>();
    recorder->onCommand = [&] (int command) {
        if (command == storePreset || command == recallPreset)
            usersAtStore = PortUse::users();
    };
    plug (std::move (recorder));

    dispatcher.dispatch ("DRSL 1," + file.getFullPathName());
    EXPECT_GE (usersAtStore, 1) << "StorePreset went out after the ports were let go";
    usersAtStore = -1;
    dispatcher.dispatch ("DRLT 1,Mon preset");
    EXPECT_GE (usersAtStore, 1) << "RecallPreset went out before the ports were held";

    PortUse::setObserver (nullptr);
    EXPECT_EQ (PortUse::users(), 0);
    EXPECT_EQ (watcher.begins, watcher.ends);
    EXPECT_GE (watcher.begins, 2);
}

// A named pipe in the library is no preset file: it is told as a file that cannot be opened,
// and nothing goes to the instrument (reading the pipe would wait for a writer for ever).
TEST_F (PresetSlots, APipeDroppedOnASlotIsToldAndSendsNothing)
{
    temp.library.createDirectory();
    testsupport::NamedPipe pipe (temp.library.getChildFile ("pipe.preset"));
    ASSERT_TRUE (pipe.made());

    dispatcher.dispatch ("DRSL 3," + pipe.file().getFullPathName());

    EXPECT_TRUE (instrument->received().empty());
    ASSERT_EQ (prompts.titles(), juce::StringArray ("Loading error"));
    EXPECT_EQ (prompts.prompts()[0].icon, Prompts::Icon::warning);
    EXPECT_EQ (prompts.prompts()[0].text, "Unable to open the data file.");
    EXPECT_FALSE (pipe.readerReleased());
}

// A library folder that is not there and cannot be made: the slot is stored nowhere, and the
// user is told.
TEST_F (PresetSlots, ASlotDroppedWhenTheLibraryCannotBeMadeIsTold)
{
    write (temp.library, pattern (10));   // a plain file where the folder would go
    const auto disk = snapshot (temp.root);
    instrument->setBlockToSend (pattern (87, 4));

    dispatcher.dispatch ("DRLT 2,Mon preset");

    EXPECT_EQ (slotByteOf (recallPreset), 2);
    EXPECT_EQ (snapshot (temp.root), disk);
    ASSERT_EQ (prompts.titles(), juce::StringArray ("Loading error"));
    EXPECT_EQ (prompts.prompts()[0].kind, Prompts::Kind::message);
    EXPECT_EQ (prompts.prompts()[0].icon, Prompts::Icon::warning);
    EXPECT_EQ (prompts.prompts()[0].text, "Unable to open the data file.");
}
