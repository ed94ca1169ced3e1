#include "SequenceTestSupport.h"
#include "link/PortUse.h"
#include <optional>

using seqtest::bytes;
using seqtest::hex;
using seqtest::Sent;
using seqtest::steps;
using SequenceFile::Steps;

namespace
{
const char* const midiQuestion = "You are about to save your sequences as a .kdseq file.\nWould you like to generate separate MidiFiles too?";
const char* const unreadText = "Unable to read the sequences from KelaDorvo.\nThe file was not written.";
const char* const unwrittenText = "Unable to write the sequence file.";

/** The requests the instrument heard: the command in hex, and for a sequence request its
    sequence and offset ("3B 2 32"). */
juce::StringArray requests (const sim::SimulatedInstrument& instrument)
{
    juce::StringArray out;
    for (auto& m : instrument.received())
    {
        if (m.size() < 10 || m[0] != 0xF0)
            continue;
        auto r = juce::String::toHexString ((int) m[8]).paddedLeft ('0', 2).toUpperCase();
        if (m[8] == 0x3B && m.size() >= 13)
            r << " " << (int) m[9] << " " << (int) m[10];
        out.add (r);
    }
    return out;
}

juce::StringArray fourteenRequests()
{
    juce::StringArray r { "37", "39" };
    for (int s = 0; s < 6; ++s)
        for (int offset : { 0, 32 })
            r.add ("3B " + juce::String (s) + " " + juce::String (offset));
    return r;
}

Steps sixtyFourNotes()
{
    Steps s {};
    for (int k = 0; k < 64; ++k)
        s[(size_t) k] = juce::uint8 (k % 9 == 8 ? 127 : 30 + k);
    return s;
}

/** The instrument's sequences used by most cases: a rest, an empty one, 64 steps, the edges
    of the note range, a second half of one step. */
std::array<Steps, 6> sampleSequences()
{
    Steps thirtyThree {};
    for (int k = 0; k < 33; ++k)
        thirtyThree[(size_t) k] = juce::uint8 (k == 32 ? 99 : 50);
    return { steps ({ 60, 127, 64 }), Steps {}, sixtyFourNotes(), steps ({ 125, 1, 127 }), thirtyThree, steps ({ 72 }) };
}

juce::MemoryBlock midiHeader()
{
    return bytes ({ 0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, 1, 0, 0xC0 });
}

void appendVariableLength (juce::MemoryBlock& b, int value)
{
    juce::uint8 groups[4];
    int n = 0;
    do
    {
        groups[n++] = juce::uint8 (value & 0x7F);
        value >>= 7;
    } while (value > 0);
    while (n-- > 0)
    {
        const auto c = (char) (groups[n] | (n > 0 ? 0x80 : 0));
        b.append (&c, 1);
    }
}

/** The file the sequence 60, rest, 64 must give with step length t and gate d (ticks). */
juce::MemoryBlock expectedMidi (int t, int d)
{
    juce::MemoryBlock track;
    appendVariableLength (track, 0);
    track.append (bytes ({ 0x90, 0x3C, 0x40 }).getData(), 3);
    appendVariableLength (track, d);
    track.append (bytes ({ 0x80, 0x3C, 0x40 }).getData(), 3);
    appendVariableLength (track, 2 * t - d);
    track.append (bytes ({ 0x90, 0x40, 0x40 }).getData(), 3);
    appendVariableLength (track, d);
    track.append (bytes ({ 0x80, 0x40, 0x40 }).getData(), 3);
    track.append (bytes ({ 0x00, 0xFF, 0x2F, 0x00 }).getData(), 4);

    auto file = midiHeader();
    file.append (bytes ({ 0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, (int) track.getSize() }).getData(), 8);
    file.append (track.getData(), track.getSize());
    return file;
}

class SequenceWriter : public seqtest::InstrumentFixture
{
protected:
    void setInstrument (const std::array<Steps, 6>& sequences, int stepSize, int gateLength)
    {
        for (int s = 0; s < 6; ++s)
            instrument.setSequence (s, sequences[(size_t) s]);
        instrument.setSetting (SysexCommand::SetStepSize, juce::uint8 (stepSize));
        instrument.setSetting (SysexCommand::SetGateLen, juce::uint8 (gateLength));
    }

    void save (juce::File file, bool midiFiles)
    {
        prompts.choices.push_back (midiFiles ? 1 : 0);
        HWMessages::getSeqPatterntoFile (out.get(), &file);
    }

    juce::File target = temp.file ("songs.kdseq");
};
} // namespace

// The file's exact bytes from what the instrument holds, after the question and the fourteen
// requests in order; Cancel on the question writes no MIDI file and leaves older ones alone.
TEST_F (SequenceWriter, WritesTheExactFileAfterTheFourteenRequests)
{
    setInstrument (sampleSequences(), 16, 2);
    ASSERT_TRUE (temp.file ("songs.kdseq_1.mid").replaceWithText ("an older export"));
    ASSERT_TRUE (target.replaceWithText ("the file saved before"));
    int portUsersDuringTheQuestion = 0;
    prompts.onPrompt = [&] (const auto&) { portUsersDuringTheQuestion = PortUse::users(); };

    save (target, false);

    ASSERT_EQ (prompts.prompts().size(), 1u);
    const auto question = prompts.prompts()[0];
    EXPECT_EQ (question.kind, Prompts::Kind::okCancel);
    EXPECT_EQ (question.icon, Prompts::Icon::warning);
    EXPECT_EQ (question.title, "Generate MidiFiles?");
    EXPECT_EQ (question.text, midiQuestion);
    EXPECT_GT (portUsersDuringTheQuestion, 0);
    EXPECT_EQ (PortUse::users(), 0);
    EXPECT_EQ (requests (instrument), fourteenRequests());

    juce::String sixtyFour = "3:";
    for (int k = 0; k < 64; ++k)
        sixtyFour << (k > 0 ? " " : "") << (k % 9 == 8 ? juce::String ("x") : juce::String (30 + k));
    juce::String thirtyThree = "5:";
    for (int k = 0; k < 32; ++k)
        thirtyThree << "50 ";
    thirtyThree << "99";
    const juce::String expected = "1:60 x 64\r\n2:\r\n" + sixtyFour + "\r\n4:125 1 x\r\n" + thirtyThree + "\r\n6:72\r\n";

    juce::MemoryBlock written;
    ASSERT_TRUE (target.loadFileAsData (written));
    EXPECT_EQ (hex (written), hex (juce::MemoryBlock (expected.toRawUTF8(), expected.getNumBytesAsUTF8())));
    EXPECT_EQ (written.getSize(), (size_t) expected.length());  // one byte a character, no mark
    EXPECT_EQ (temp.file ("songs.kdseq_1.mid").loadFileAsString(), "an older export");
    EXPECT_EQ (temp.names(), juce::StringArray ("songs.kdseq", "songs.kdseq_1.mid"));
}

// OK on the question: six MIDI files beside the sequence file, byte for byte
// (S = 16, G = 2: 60, rest, 64), an empty sequence a track with only its end.
TEST_F (SequenceWriter, MidiFilesBesideTheSequenceFile)
{
    setInstrument ({ steps ({ 60, 127, 64 }), Steps {}, steps ({ 48 }), Steps {}, Steps {}, steps ({ 127 }) }, 16, 2);
    ASSERT_TRUE (temp.file ("songs.kdseq_2.mid").replaceWithText ("an older export"));

    save (target, true);

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?"));
    EXPECT_EQ (temp.names(), juce::StringArray ("songs.kdseq", "songs.kdseq_1.mid", "songs.kdseq_2.mid", "songs.kdseq_3.mid",
                                                "songs.kdseq_4.mid", "songs.kdseq_5.mid", "songs.kdseq_6.mid"));
    juce::MemoryBlock first, second;
    ASSERT_TRUE (temp.file ("songs.kdseq_1.mid").loadFileAsData (first));
    EXPECT_EQ (hex (first), hex (bytes ({ 0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x01, 0x00, 0xC0,
                                          0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x14, 0x00, 0x90, 0x3C, 0x40, 0x18, 0x80,
                                          0x3C, 0x40, 0x48, 0x90, 0x40, 0x40, 0x18, 0x80, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00 })));
    EXPECT_EQ (first.getSize(), 42u);

    auto emptyTrack = midiHeader();
    emptyTrack.append (bytes ({ 0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00 }).getData(), 12);
    ASSERT_TRUE (temp.file ("songs.kdseq_2.mid").loadFileAsData (second));
    EXPECT_EQ (hex (second), hex (emptyTrack));
    EXPECT_EQ (temp.file ("songs.kdseq_6.mid").getSize(), (juce::int64) emptyTrack.getSize());  // a rest alone
}

// The timing for every step size and gate length the instrument has, and for answers of 0,
// which stand for the controls' start values (S = 16, G = 1) instead of dividing by zero or
// ending notes before they start. A step size that does not divide 192 shows the divisions
// truncated: T = 768 / S, D = (192 / S) * G (for S = 7, G = 3: 27 * 3 = 81, not 576 / 7 = 82).
TEST (SequenceMidiExport, StepAndGateTicks)
{
    struct Case
    {
        int s, g, t, d;
    };
    const Case cases[] = {
        { 4, 1, 192, 48 },  { 4, 2, 192, 96 },  { 4, 3, 192, 144 }, { 8, 1, 96, 24 },  { 8, 2, 96, 48 },
        { 8, 3, 96, 72 },   { 32, 1, 24, 6 },   { 32, 2, 24, 12 },  { 32, 3, 24, 18 }, { 16, 2, 48, 24 },
        { 0, 2, 48, 24 },   { 16, 0, 48, 12 },  { 0, 0, 48, 12 },
        { 7, 3, 109, 81 },  { 5, 3, 153, 114 }, { 100, 3, 7, 3 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE ("S = " + juce::String (c.s) + ", G = " + juce::String (c.g));
        const auto timing = SequenceFile::Timing::fromAnswers (juce::uint8 (c.s), juce::uint8 (c.g));
        EXPECT_EQ (timing.stepTicks(), c.t);
        EXPECT_EQ (timing.gateTicks(), c.d);
        juce::MemoryBlock data;
        ASSERT_TRUE (SequenceFile::midiFileFor (steps ({ 60, 127, 64 }), timing, data));
        EXPECT_EQ (hex (data), hex (expectedMidi (c.t, c.d)));
    }
}

// At the same tick a note-off comes before the note-on: a gate of a whole step ends each note
// on the next one's start, and a step size beyond 192 gives no gate at all, so a note's off
// falls on its own on (it was added first).
TEST (SequenceMidiExport, NoteOffFirstAtTheSameTick)
{
    struct Case
    {
        const char* name;
        int s, g;
        juce::MemoryBlock track;   // the track's events, its end included
    };
    const Case cases[] = {
        { "S = 16, G = 4: the off on the next note's on", 16, 4,
          bytes ({ 0x00, 0x90, 0x3C, 0x40, 0x30, 0x80, 0x3C, 0x40, 0x00, 0x90, 0x40, 0x40, 0x30, 0x80, 0x40, 0x40,
                   0x00, 0xFF, 0x2F, 0x00 }) },
        { "S = 200, G = 1: the off on the note's own on", 200, 1,
          bytes ({ 0x00, 0x80, 0x3C, 0x40, 0x00, 0x90, 0x3C, 0x40, 0x03, 0x80, 0x40, 0x40, 0x00, 0x90, 0x40, 0x40,
                   0x00, 0xFF, 0x2F, 0x00 }) },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto expected = midiHeader();
        expected.append (bytes ({ 0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, (int) c.track.getSize() }).getData(), 8);
        expected.append (c.track.getData(), c.track.getSize());

        juce::MemoryBlock data;
        ASSERT_TRUE (SequenceFile::midiFileFor (steps ({ 60, 64 }), SequenceFile::Timing::fromAnswers (juce::uint8 (c.s), juce::uint8 (c.g)), data));
        EXPECT_EQ (hex (data), hex (expected));
    }
}

// A silent instrument, from the first request or only for a later sequence half: nothing is
// written, the old file stays, and the user is told.
TEST_F (SequenceWriter, UnansweredRequestKeepsTheOldFile)
{
    struct Case
    {
        const char* name;
        juce::String silentFrom;   // the request from which on nothing answers
        juce::StringArray heard;
    };
    auto upTo = [] (int n) { auto r = fourteenRequests(); r.removeRange (n, 14); return r; };
    const Case cases[] = {
        { "gate length", "37", upTo (1) },
        { "step size", "39", upTo (2) },
        { "second half of sequence 4", "3B 3 32", upTo (10) },
        { "last half", "3B 5 32", upTo (14) },
    };
    setInstrument (sampleSequences(), 16, 2);
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument.clearFaults();
        instrument.clearReceived();
        prompts.clear();
        ASSERT_TRUE (target.replaceWithText ("the file saved before"));
        ASSERT_TRUE (temp.file ("songs.kdseq_1.mid").replaceWithText ("an older export"));
        instrument.beforeHearing = [&] (const sim::Bytes& m)
        {
            auto r = juce::String::toHexString ((int) m[8]).paddedLeft ('0', 2).toUpperCase();
            if (m[8] == 0x3B)
                r << " " << (int) m[9] << " " << (int) m[10];
            if (r == c.silentFrom)
                instrument.setFault (sim::Fault::noReply);
        };

        save (target, true);
        instrument.beforeHearing = nullptr;

        EXPECT_EQ (requests (instrument), c.heard);
        EXPECT_EQ (target.loadFileAsString(), "the file saved before");
        EXPECT_EQ (temp.file ("songs.kdseq_1.mid").loadFileAsString(), "an older export");
        EXPECT_EQ (temp.names(), juce::StringArray ("songs.kdseq", "songs.kdseq_1.mid"));
        ASSERT_EQ (prompts.prompts().size(), 2u);
        const auto box = prompts.prompts()[1];
        EXPECT_EQ (box.kind, Prompts::Kind::message);
        EXPECT_EQ (box.icon, Prompts::Icon::warning);
        EXPECT_EQ (box.title, "Save error");
        EXPECT_EQ (box.text, unreadText);
    }
}

// A write that fails keeps the old file whole, leaves no half-written sibling, and tells.
TEST_F (SequenceWriter, FailedWriteKeepsTheOldFile)
{
    setInstrument (sampleSequences(), 16, 2);

    struct Case
    {
        const char* name;
        bool fullDisk;
        juce::File file;
        bool midiFiles;
    };
    const Case cases[] = {
        { "full disk", true, target, false },
        { "full disk, with MIDI files", true, target, true },
        { "a folder that does not exist", false, temp.file ("missing/songs.kdseq"), true },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        ASSERT_TRUE (target.replaceWithText ("the file saved before"));

        {
            std::optional<testsupport::FullDisk> full;
            if (c.fullDisk)
            {
                ASSERT_TRUE (full.emplace().active());
            }
            save (c.file, c.midiFiles);
        }

        EXPECT_EQ (requests (instrument).size(), 14);
        instrument.clearReceived();
        EXPECT_EQ (target.loadFileAsString(), "the file saved before");
        EXPECT_EQ (temp.names(), juce::StringArray ("songs.kdseq"));
        EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?", "Save error"));
        if (prompts.prompts().size() == 2)
        {
            EXPECT_EQ (prompts.prompts()[1].text, unwrittenText);
        }
    }
}

// The sequence file and its MIDI files go in place together: when one of them cannot be
// written, every file of the earlier save stays as it was.
TEST_F (SequenceWriter, AFileThatCannotBeWrittenKeepsEveryFileOfTheEarlierSave)
{
    setInstrument (sampleSequences(), 16, 2);
    ASSERT_TRUE (target.replaceWithText ("the file saved before"));
    for (int s : { 1, 2, 3, 5, 6 })
        ASSERT_TRUE (SequenceFile::midiFilePath (target, s).replaceWithText ("an older export"));
    ASSERT_TRUE (SequenceFile::midiFilePath (target, 4).createDirectory());
    const auto before = temp.names();

    save (target, true);

    EXPECT_EQ (target.loadFileAsString(), "the file saved before");
    for (int s : { 1, 2, 3, 5, 6 })
        EXPECT_EQ (SequenceFile::midiFilePath (target, s).loadFileAsString(), "an older export");
    EXPECT_EQ (temp.names(), before);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?", "Save error"));
}

// What the writer wrote, read back, sends the same six sequences in the order 1 to 6.
TEST_F (SequenceWriter, RoundTrip)
{
    const auto sequences = sampleSequences();
    setInstrument (sequences, 16, 2);
    save (target, false);
    ASSERT_TRUE (target.existsAsFile());

    instrument.clearReceived();
    HWMessages::setSeqPatternFromFile (out.get(), &target);

    std::vector<Sent> expected;
    for (int s = 0; s < 6; ++s)
    {
        Sent sent { s, {} };
        for (auto step : sequences[(size_t) s])
        {
            if (step == 0)
                break;
            sent.steps.push_back (step);
        }
        expected.push_back (sent);
    }
    EXPECT_EQ (seqtest::sequenceMessages (instrument), seqtest::messagesFor (expected));
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?"));
}

// The exported files open in another MIDI file reader (Debian's python3-mido), which finds
// the notes at the times the step size and gate length give, in the file's order: for a gate
// of a whole step, each note's off before the next note's on at the same tick.
TEST_F (SequenceWriter, MidiFilesReadWithMido)
{
    const char* script = R"(
import sys, mido
for path in sys.argv[1:]:
    f = mido.MidiFile(path)
    print('file', f.type, f.ticks_per_beat, len(f.tracks))
    now = 0
    for m in f.tracks[0]:
        now += m.time
        if m.type in ('note_on', 'note_off'):
            print(m.type, m.channel, m.note, m.velocity, now)
        else:
            print(m.type, now)
)";
    struct Case
    {
        int s, g, t, d;
    };
    const Case cases[] = { { 8, 3, 96, 72 }, { 7, 3, 109, 81 }, { 16, 4, 48, 48 } };
    const auto sequences = sampleSequences();
    for (auto& c : cases)
    {
        SCOPED_TRACE ("S = " + juce::String (c.s) + ", G = " + juce::String (c.g));
        setInstrument (sequences, c.s, c.g);
        save (target, true);

        juce::StringArray command { "/usr/bin/python3", "-c", script };
        juce::String expected;
        for (int s = 0; s < 6; ++s)
        {
            command.add (SequenceFile::midiFilePath (target, s + 1).getFullPathName());
            expected << "file 1 192 1\n";
            int end = 0;
            for (int j = 0; j < 64 && sequences[(size_t) s][(size_t) j] != 0; ++j)
            {
                const int note = sequences[(size_t) s][(size_t) j];
                if (note == 127)
                    continue;
                expected << "note_on 0 " << note << " 64 " << c.t * j << "\n";
                expected << "note_off 0 " << note << " 64 " << c.t * j + c.d << "\n";
                end = c.t * j + c.d;
            }
            expected << "end_of_track " << end << "\n";
        }

        juce::ChildProcess python;
        ASSERT_TRUE (python.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr));
        const auto output = python.readAllProcessOutput();
        ASSERT_TRUE (python.waitForProcessToFinish (30000));
        EXPECT_EQ (python.getExitCode(), 0u) << output;
        EXPECT_EQ (output.replace ("\r\n", "\n"), expected);
    }
}

// A sequence file whose MIDI files take the whole 255 bytes a file name may have is saved
// with all of them. One byte more and a MIDI file's name cannot exist: nothing is written,
// not even the sequence file, and the user is told.
TEST_F (SequenceWriter, MidiFilesTakeNamesOf255Bytes)
{
    setInstrument (sampleSequences(), 16, 2);
    const auto longest = temp.file (testsupport::nameOfBytes (249, ".kdseq"));
    save (longest, true);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?"));
    juce::StringArray names { longest.getFileName() };
    for (int s = 1; s <= 6; ++s)
    {
        EXPECT_EQ (SequenceFile::midiFilePath (longest, s).getFileName().getNumBytesAsUTF8(), 255u);
        names.add (SequenceFile::midiFilePath (longest, s).getFileName());
    }
    names.sort (false);
    EXPECT_EQ (temp.names(), names);

    prompts.clear();
    longest.deleteFile();
    for (int s = 1; s <= 6; ++s)
        SequenceFile::midiFilePath (longest, s).deleteFile();
    save (temp.file (testsupport::nameOfBytes (250, ".kdseq")), true);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Generate MidiFiles?", "Save error"));
    EXPECT_TRUE (temp.names().isEmpty());
}
