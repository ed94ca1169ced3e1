#include "SequenceTestSupport.h"
#include "ActionCodes.h"
#include "app/ActionDispatcher.h"
#include "link/PortUse.h"

namespace
{
struct Host : ActionDispatcher::Host
{
    bool connected = true;
    MidiOutputPort* output = nullptr;

    bool isConnected() const override { return connected; }
    juce::uint32 lastActiveSense() const override { return 10000; }
    MidiOutputPort* instrumentOutput() const override { return output; }
    void connectHardware() override {}
    void disconnectHardware() override { connected = false; }
    void updateInterface() override {}
};

/** The scripted responder, keeping every file request whole (the save's overwrite warning
    included). */
struct Responder : Prompts::ScriptedResponder
{
    std::vector<Prompts::FileRequest> requests;
    juce::Array<juce::File> chooseFiles (const Prompts::FileRequest& request) override
    {
        requests.push_back (request);
        return ScriptedResponder::chooseFiles (request);
    }
};

class SequenceActions : public seqtest::InstrumentFixture
{
protected:
    void SetUp() override
    {
        InstrumentFixture::SetUp();
        host.output = out.get();
        dispatcher.setClock ([] { return juce::uint32 (10100); });
    }

    Host host;
    ActionDispatcher dispatcher { host };
    Responder chooser;
    Prompts::ScopedResponder chooserScope { chooser };
};

juce::String sixteen (int note)
{
    juce::String s;
    for (int k = 0; k < 16; ++k)
        s << (k > 0 ? " " : "") << note;
    return s;
}
} // namespace

TEST_F (SequenceActions, FactoryResetSendsTheSevenMessagesAfterOk)
{
    chooser.choices = { 1 };
    dispatcher.dispatch (ActionCode::factorySequences);

    ASSERT_EQ (chooser.prompts().size(), 1u);
    const auto box = chooser.prompts()[0];
    EXPECT_EQ (box.kind, Prompts::Kind::okCancel);
    EXPECT_EQ (box.icon, Prompts::Icon::warning);
    EXPECT_EQ (box.title, "Reset All Sequences");
    EXPECT_EQ (box.text, "You are about to reset all the sequences to factory default.\nAre you sure?");

    const juce::StringArray expected {
        "0@0:" + sixteen (60),
        "1@0:60 60 60 48 60 60 60 72 60 60 60 48 60 60 72 48",
        "2@0:48 60 48 60 48 60 63 51 48 60 48 60 63 51 67 55 48 60 48 60 48 60 63 51 48 60 48 60 63 51 67 61",
        "3@0:60 48 127 72 60 127 72 127 60 48 127 72 60 127 72 127 60 48 127 72 60 127 72 127 63 51 127 63 51 127 65 127",
        "4@0:48 60 72 70 48 67 60 55 48 127 65 72 48 62 72 62 51 58 63 72 51 70 63 58 51 127 62 72 51 72 62 64",
        "5@0:48 127 127 60 48 127 60 127 60 127 127 72 60 127 60 127 48 127 127 60 48 127 60 127 65 127 127 65 127 127 68 127",
        "5@32:48 127 127 60 48 127 60 127 60 127 127 72 60 127 60 127 48 127 127 60 48 127 60 127 53 65 52 64 51 63 50 49",
    };
    EXPECT_EQ (seqtest::sequenceMessages (instrument), expected);
    EXPECT_EQ ((int) instrument.received().size(), 7);
    EXPECT_EQ (chooser.prompts().size(), 1u);  // nothing shown afterwards
}

TEST_F (SequenceActions, CancelsAndGatesDoNothingElse)
{
    struct Case
    {
        const char* name;
        const char* code;
        bool connected;
        juce::StringArray titles;
    };
    const Case cases[] = {
        { "Cancel on Reset All Sequences", ActionCode::factorySequences, true, { "Reset All Sequences" } },
        { "Cancel in Load Sequences", ActionCode::loadSequences, true, { "Load Sequences" } },
        { "Cancel in Save Sequences", ActionCode::saveSequences, true, { "Save Sequences" } },
        { "factory button while not connected", ActionCode::factorySequences, false, {} },
        { "load button while not connected", ActionCode::loadSequences, false, {} },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        chooser.clear();
        host.connected = c.connected;
        dispatcher.dispatch (c.code);
        EXPECT_EQ (chooser.titles(), c.titles);
        EXPECT_TRUE (instrument.received().empty());
        EXPECT_EQ (temp.names(), juce::StringArray());
    }
}

// The choosers: no start location, the sequence pattern, the save warning about overwriting;
// the load sends the chosen file's sequences, the save writes under the kdseq extension.
TEST_F (SequenceActions, ChoosersLoadAndSave)
{
    auto file = temp.file ("mine.kdseq");
    ASSERT_TRUE (file.replaceWithText ("2:60 x\r\n"));
    chooser.files.push_back ({ file });
    dispatcher.dispatch (ActionCode::loadSequences);

    ASSERT_EQ (chooser.requests.size(), 1u);
    EXPECT_EQ (chooser.requests[0].kind, Prompts::Kind::openFile);
    EXPECT_EQ (chooser.requests[0].title, "Load Sequences");
    EXPECT_EQ (chooser.requests[0].patterns, "*.kdseq");
    EXPECT_EQ (chooser.requests[0].initialLocation, juce::File());
    EXPECT_EQ (seqtest::sequenceMessages (instrument), juce::StringArray ("1@0:60 127"));

    struct Case
    {
        const char* chosen;
        const char* written;
    };
    const Case cases[] = { { "songs", "songs.kdseq" }, { "songs.txt", "songs.kdseq" }, { "more.kdseq", "more.kdseq" } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.chosen);
        chooser.requests.clear();
        temp.file (c.written).deleteFile();
        chooser.files.push_back ({ temp.file (c.chosen) });
        chooser.choices.push_back (0);  // no MIDI files
        dispatcher.dispatch (ActionCode::saveSequences);

        ASSERT_EQ (chooser.requests.size(), 1u);
        EXPECT_EQ (chooser.requests[0].kind, Prompts::Kind::saveFile);
        EXPECT_EQ (chooser.requests[0].title, "Save Sequences");
        EXPECT_EQ (chooser.requests[0].patterns, "*.kdseq");
        EXPECT_EQ (chooser.requests[0].initialLocation, juce::File());
        EXPECT_TRUE (chooser.requests[0].warnAboutOverwriting);
        EXPECT_TRUE (temp.file (c.written).loadFileAsString().startsWith ("1:"));
    }
    EXPECT_EQ (temp.names(), juce::StringArray ("mine.kdseq", "more.kdseq", "songs.kdseq"));
    EXPECT_EQ (PortUse::users(), 0);
}

// The chooser asks about the name as typed. A name that only gets its file with the kdseq
// extension is asked about before anything happens: OK saves as usual, Cancel leaves every
// file as it was and asks the instrument nothing. A name typed with the extension, or one
// whose kdseq file does not exist, is saved without a further box.
TEST_F (SequenceActions, SaveAsksBeforeReplacingTheFileTheExtensionNames)
{
    struct Case
    {
        const char* name;
        const char* chosen;
        juce::StringArray existing;   // files there before, each with the text "before"
        bool asked;
        int answer;                   // to the replace question
        bool written;                 // songs.kdseq holds the instrument's sequences
    };
    const Case cases[] = {
        { "typed without the extension, the file exists, OK", "songs", { "songs.kdseq" }, true, 1, true },
        { "typed without the extension, the file exists, Cancel", "songs", { "songs.kdseq" }, true, 0, false },
        { "another extension, the kdseq file exists, OK", "songs.txt", { "songs.kdseq", "songs.txt" }, true, 1, true },
        { "another extension, the kdseq file exists, Cancel", "songs.txt", { "songs.kdseq" }, true, 0, false },
        { "typed with the extension, the file exists", "songs.kdseq", { "songs.kdseq" }, false, 0, true },
        { "typed without the extension, no such file", "songs", {}, false, 0, true },
        { "another extension, only the typed file exists", "songs.txt", { "songs.txt" }, false, 0, true },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        for (auto& f : temp.folder.findChildFiles (juce::File::findFiles, false, "*"))
            ASSERT_TRUE (f.deleteFile());
        for (auto& name : c.existing)
            ASSERT_TRUE (temp.file (name).replaceWithText ("before"));
        instrument.clearReceived();
        chooser.clear();
        chooser.choices.clear();
        if (c.asked)
            chooser.choices.push_back (c.answer);
        chooser.choices.push_back (0);   // no MIDI files
        chooser.files.push_back ({ temp.file (c.chosen) });

        dispatcher.dispatch (ActionCode::saveSequences);

        juce::StringArray titles ("Save Sequences");
        if (c.asked)
            titles.add ("Save Sequences");
        if (c.written)
            titles.add ("Generate MidiFiles?");
        EXPECT_EQ (chooser.titles(), titles);
        if (c.asked && chooser.prompts().size() >= 2)
        {
            const auto box = chooser.prompts()[1];
            EXPECT_EQ (box.kind, Prompts::Kind::okCancel);
            EXPECT_EQ (box.icon, Prompts::Icon::warning);
            EXPECT_EQ (box.text, "The file songs.kdseq already exists.\nDo you want to replace it?");
        }

        auto names = c.existing;
        names.addIfNotAlreadyThere ("songs.kdseq");
        names.sort (false);
        if (c.written)
        {
            EXPECT_TRUE (temp.file ("songs.kdseq").loadFileAsString().startsWith ("1:"));
            EXPECT_EQ (temp.names(), names);
            EXPECT_FALSE (instrument.received().empty());
        }
        else
        {
            EXPECT_EQ (temp.file ("songs.kdseq").loadFileAsString(), "before");
            EXPECT_EQ (temp.names(), c.existing);
            EXPECT_TRUE (instrument.received().empty());
        }
        if (temp.file ("songs.txt").existsAsFile())
        {
            EXPECT_EQ (temp.file ("songs.txt").loadFileAsString(), "before");
        }
        EXPECT_EQ (PortUse::users(), 0);
    }
}
