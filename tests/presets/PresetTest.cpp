#include "PresetLibraryTestSupport.h"
#include "firmware/CryptedFile.h"

using namespace presettest;

namespace
{
struct PresetFile : ::testing::Test
{
    TemporaryLibrary temp;
    juce::File dir = temp.root;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};

juce::String nameField (const TestPreset& p)
{
    const auto b = p.bytes();
    return juce::String::fromUTF8 (reinterpret_cast<const char*> (b.data() + 1), 25);
}
} // namespace

TEST (Preset, NewBlockIs87ZeroBytes)
{
    TestPreset p;
    EXPECT_EQ (p.bytes(), Bytes (87, 0));
    EXPECT_EQ (p.getName(), "");
    EXPECT_EQ (p.getSignature(), Preset::Binary);
    EXPECT_EQ (p.getNotesOrder(), Preset::Chrono);
}

// Each setter writes its one byte and nothing else; each getter reads it back.
TEST (Preset, EachFieldHasItsOffset)
{
    struct Case
    {
        const char* name;
        std::function<void (Preset&)> set;
        int offset;
        juce::uint8 byte;
        std::function<bool (const Preset&)> readsBack;
    };
    const Case cases[] = {
        { "version, low byte", [] (Preset& p) { p.setVersion (0x1234); }, 0, 0x34, [] (const Preset& p) { return p.getVersion() == 0x34; } },
        { "signature", [] (Preset& p) { p.setSignature (Preset::Ternary); }, 51, 1, [] (const Preset& p) { return p.getSignature() == Preset::Ternary; } },
        { "number of steps", [] (Preset& p) { p.setNbSteps (16); }, 52, 16, [] (const Preset& p) { return p.getNbSteps() == 16; } },
        { "notes order", [] (Preset& p) { p.setNotesOrder (Preset::PitchDown); }, 53, 2, [] (const Preset& p) { return p.getNotesOrder() == Preset::PitchDown; } },
        { "gate time", [] (Preset& p) { p.setGateTime (200); }, 54, 200, [] (const Preset& p) { return p.getGateTime() == 200; } },
        { "dynamics of step 0", [] (Preset& p) { p.setStepDyn (0, 99); }, 55, 99, [] (const Preset& p) { return p.getStepDyn (0) == 99; } },
        { "tie of step 0", [] (Preset& p) { p.setStepTie (0, true); }, 56, 1, [] (const Preset& p) { return p.getStepTie (0); } },
        { "dynamics of step 7", [] (Preset& p) { p.setStepDyn (7, 0xFE); }, 69, 0xFE, [] (const Preset& p) { return p.getStepDyn (7) == 0xFE; } },
        { "tie of step 7", [] (Preset& p) { p.setStepTie (7, true); }, 70, 1, [] (const Preset& p) { return p.getStepTie (7); } },
        { "dynamics of step 15", [] (Preset& p) { p.setStepDyn (15, 5); }, 85, 5, [] (const Preset& p) { return p.getStepDyn (15) == 5; } },
        { "tie of step 15, the last byte", [] (Preset& p) { p.setStepTie (15, true); }, 86, 1, [] (const Preset& p) { return p.getStepTie (15); } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TestPreset p;
        c.set (p);
        Bytes expected (87, 0);
        expected[(size_t) c.offset] = c.byte;
        EXPECT_EQ (p.bytes(), expected);
        EXPECT_TRUE (c.readsBack (p));
    }
}

TEST (Preset, TiesStoreOneOrZeroAndReadAnythingButZeroAsTied)
{
    TestPreset p;
    auto b = pattern (87);
    b[86] = 7;
    b[56] = 0;
    p.fill (b);
    EXPECT_TRUE (p.getStepTie (15));
    EXPECT_FALSE (p.getStepTie (0));
    p.setStepTie (15, false);
    EXPECT_EQ (p.bytes()[86], 0);
    p.setStepTie (15, true);
    EXPECT_EQ (p.bytes()[86], 1);
}

// Steps above 15 are outside the block: they read as nothing and are never written.
TEST (Preset, StepsAbove15ReadNothingAndWriteNothing)
{
    TestPreset p;
    const auto b = pattern (87, 9);
    p.fill (b);
    for (int step : { 16, 17, 100, 255 })
    {
        SCOPED_TRACE (step);
        EXPECT_EQ (p.getStepDyn ((juce::uint8) step), 0);
        EXPECT_FALSE (p.getStepTie ((juce::uint8) step));
        p.setStepDyn ((juce::uint8) step, 0x55);
        p.setStepTie ((juce::uint8) step, true);
        EXPECT_EQ (p.bytes(), b);
    }
}

// The 25 bytes at offset 26 have no accessor, and no setter touches them.
TEST (Preset, TheBytesAtOffset26AreCarriedUnchanged)
{
    TestPreset p;
    const auto b = pattern (87, 4);
    p.fill (b);
    p.setVersion (1);
    p.setName ("Some name");
    p.setSignature (Preset::Binary);
    p.setNbSteps (8);
    p.setNotesOrder (Preset::PitchUp);
    p.setGateTime (3);
    for (juce::uint8 s = 0; s < 16; ++s)
    {
        p.setStepDyn (s, s);
        p.setStepTie (s, s % 2 == 0);
    }
    const auto after = p.bytes();
    EXPECT_EQ (Bytes (after.begin() + 26, after.begin() + 51), Bytes (b.begin() + 26, b.begin() + 51));
}

TEST (Preset, Names)
{
    struct Case
    {
        const char* name;
        juce::String text;
        juce::String stored;   // what the 25 bytes hold up to the first zero
    };
    const Case cases[] = {
        { "framed by blanks", "  Bass 1  ", "Bass 1" },
        { "tabs and newlines trimmed too", "\tLead\n", "Lead" },
        { "30 characters keep 23", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", "ABCDEFGHIJKLMNOPQRSTUVW" },
        { "exactly 23", "ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRSTUVW" },
        // Two-byte characters: 11 of them are 22 bytes, a 12th would need 24.
        { "whole characters only", juce::String::fromUTF8 ("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"),
          juce::String::fromUTF8 ("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9") },
        { "only blanks clear the field", "     ", "" },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TestPreset p;
        auto b = pattern (87, 2);
        for (size_t i = 1; i <= 25; ++i)
            b[i] = 'x';
        p.fill (b);

        p.setName (c.text);

        const auto after = p.bytes();
        EXPECT_EQ (p.getName(), c.stored);
        const auto n = (size_t) c.stored.getNumBytesAsUTF8();
        EXPECT_EQ (juce::String::fromUTF8 (reinterpret_cast<const char*> (after.data() + 1), (int) n), c.stored);
        for (size_t i = 1 + n; i <= 25; ++i)
            EXPECT_EQ (after[i], 0) << "offset " << i;
        EXPECT_EQ (Bytes (after.begin(), after.begin() + 1), Bytes (b.begin(), b.begin() + 1));
        EXPECT_EQ (Bytes (after.begin() + 26, after.end()), Bytes (b.begin() + 26, b.end()));
    }
}

TEST (Preset, AnEmptyNameChangesNothing)
{
    TestPreset p;
    p.setName ("Keep me");
    const auto before = p.bytes();
    p.setName (juce::String());
    EXPECT_EQ (p.bytes(), before);
    EXPECT_EQ (p.getName(), "Keep me");
}

TEST (Preset, NameFromAFileIsItsNameWithoutExtension)
{
    TestPreset p;
    p.setName (juce::File ("/somewhere/My Lead.preset"));
    EXPECT_EQ (p.getName(), "My Lead");
    EXPECT_EQ (nameField (p), "My Lead");
}

// A name field that came from a file or the instrument need not be what setName writes.
TEST (Preset, GetNameNeverReadsPastItsField)
{
    struct Case
    {
        const char* name;
        Bytes field;        // offsets 1 to 25
        juce::String expected;
    };
    const Case cases[] = {
        { "no zero byte in the field", Bytes (25, 'A'), juce::String::repeatedString ("A", 25) },
        // A three-byte character whose last two bytes would lie behind the field.
        { "a character cut by the field's end", [] { Bytes f (23, 'B'); f.push_back (0xE2); f.push_back (0x82); return f; }(),
          juce::String::repeatedString ("B", 23) + juce::String::charToString (0xE2) + juce::String::charToString (0x82) },
        { "not UTF-8: bytes stand for themselves", [] { Bytes f (25, 0); f[0] = 'C'; f[1] = 0xE9; f[2] = 'D'; return f; }(),
          "C" + juce::String::charToString (0xE9) + "D" },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TestPreset p;
        Bytes b (87, 0);
        std::copy (c.field.begin(), c.field.end(), b.begin() + 1);
        for (size_t i = 26; i < 87; ++i)
            b[i] = 0xAC;   // what follows the field: never part of the name
        p.fill (b);
        EXPECT_EQ (p.getName(), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// The preset file

TEST_F (PresetFile, StoreThenLoadRoundTripsThrough114Bytes)
{
    const auto file = dir.getChildFile ("Round.preset");
    TestPreset a;
    a.fill (pattern (87, 6));
    EXPECT_TRUE (a.storePreset (file));

    EXPECT_EQ (file.getSize(), 114);
    EXPECT_EQ (contentsOf (file), presetFileBytes (pattern (87, 6)));

    TestPreset b;
    EXPECT_TRUE (b.loadPreset (file));
    EXPECT_EQ (b.bytes(), pattern (87, 6));
    EXPECT_TRUE (prompts.prompts().empty());
    EXPECT_EQ (snapshot (dir).size(), 1u) << "nothing but the preset file";
}

TEST_F (PresetFile, StoreReplacesAnExistingPresetFile)
{
    const auto file = dir.getChildFile ("Old.preset");
    writePresetFile (file, pattern (87, 1));
    TestPreset p;
    p.fill (pattern (87, 2));
    EXPECT_TRUE (p.storePreset (file));
    EXPECT_EQ (contentsOf (file), presetFileBytes (pattern (87, 2)));
}

TEST_F (PresetFile, LoadTakesTheFirst87BytesOfALongerPayload)
{
    const auto file = dir.getChildFile ("Long.preset");
    writePresetFile (file, pattern (120, 8));
    TestPreset p;
    EXPECT_TRUE (p.loadPreset (file));
    const auto all = pattern (120, 8);
    EXPECT_EQ (p.bytes(), Bytes (all.begin(), all.begin() + 87));
}

// Whatever cannot be loaded leaves the block as it was, and loading never creates a file.
TEST_F (PresetFile, ALoadThatFailsLeavesTheBlockAlone)
{
    struct Case
    {
        const char* name;
        std::function<void (const juce::File&)> make;
        juce::StringArray boxes;
    };
    const Case cases[] = {
        { "missing file", [] (const juce::File&) {}, {} },
        { "payload of 86 bytes", [] (const juce::File& f) { writePresetFile (f, pattern (86)); }, {} },
        { "empty payload", [] (const juce::File& f) { writePresetFile (f, {}); }, {} },
        { "empty file", [] (const juce::File& f) { write (f, {}); }, { "Checking error" } },
        { "not a preset file", [] (const juce::File& f) { write (f, pattern (114)); }, { "Checking error" } },
        { "a firmware file", [] (const juce::File& f) {
              Bytes plain (CryptedFile::firmwareKey, CryptedFile::firmwareKey + 24);
              plain.push_back (0);
              for (auto x : pattern (87)) plain.push_back (x);
              for (size_t i = 0; i < plain.size(); ++i) plain[i] ^= (juce::uint8) CryptedFile::firmwareKey[(4 + i) % 24];
              write (f, plain); }, { "Checking error" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        const auto file = dir.getChildFile ("Case.preset");
        file.deleteFile();
        c.make (file);
        const auto disk = snapshot (dir);

        TestPreset p;
        p.fill (pattern (87, 5));
        EXPECT_FALSE (p.loadPreset (file));
        EXPECT_EQ (p.bytes(), pattern (87, 5));
        EXPECT_EQ (prompts.titles(), c.boxes);
        EXPECT_EQ (snapshot (dir), disk);
    }
}

TEST_F (PresetFile, AStoreThatCannotBeDoneWritesNothing)
{
    struct Case
    {
        const char* name;
        juce::File file;
        std::function<void (const juce::File&)> make;
        juce::StringArray boxes;
    };
    const Case cases[] = {
        { "over a file that is not a preset", dir.getChildFile ("notes.txt"), [] (const juce::File& f) { write (f, pattern (300)); }, { "Checking error" } },
        { "onto a folder", dir.getChildFile ("folder.preset"), [] (const juce::File& f) { f.createDirectory(); }, {} },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        c.make (c.file);
        const auto disk = snapshot (dir);
        TestPreset p;
        p.fill (pattern (87, 3));
        EXPECT_FALSE (p.storePreset (c.file));
        EXPECT_EQ (snapshot (dir), disk);
        EXPECT_EQ (prompts.titles(), c.boxes);
    }
}

// A full disk: the old preset stays whole, and a new file is not left behind empty. The disk
// is "full" through a file-size limit of 0 with SIGXFSZ ignored.
TEST_F (PresetFile, AFailedStoreKeepsTheOldFileAndLeavesNoEmptyNewOne)
{
    const auto old = dir.getChildFile ("Kept.preset");
    writePresetFile (old, pattern (87, 1));
    const auto fresh = dir.getChildFile ("New.preset");
    const auto disk = snapshot (dir);

    TestPreset p;
    p.fill (pattern (87, 2));
    bool storedOld = true, storedNew = true;
    {
        testsupport::FullDisk full;
        ASSERT_TRUE (full.active());
        storedOld = p.storePreset (old);
        storedNew = p.storePreset (fresh);
    }

    EXPECT_FALSE (storedOld);
    EXPECT_FALSE (storedNew);
    EXPECT_EQ (snapshot (dir), disk);
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Storing error", "Storing error"));
}

// A preset file may take a name of the whole 255 bytes a file name may have, new or existing.
TEST_F (PresetFile, StoresToANameOf255Bytes)
{
    const auto file = dir.getChildFile (testsupport::nameOfBytes (255, ".preset"));
    TestPreset p;
    p.fill (pattern (87, 1));
    EXPECT_TRUE (p.storePreset (file));
    EXPECT_EQ (contentsOf (file), presetFileBytes (pattern (87, 1)));

    p.fill (pattern (87, 2));
    EXPECT_TRUE (p.storePreset (file));
    EXPECT_EQ (contentsOf (file), presetFileBytes (pattern (87, 2)));
    EXPECT_EQ (snapshot (dir).size(), 1u) << "nothing but the preset file";
    EXPECT_TRUE (prompts.prompts().empty());
}

// A store to a new file that fails is never seen as a file: not while the user is told, not
// afterwards; whether nothing at all could be written or only part of it.
TEST_F (PresetFile, AFailedStoreToANewFileNeverShowsIt)
{
    const auto fresh = dir.getChildFile ("New.preset");
    for (rlim_t room : { 0, 40 })
    {
        SCOPED_TRACE (room);
        prompts.clear();
        bool seenWhileTold = false;
        prompts.onPrompt = [&] (const auto&) { seenWhileTold = seenWhileTold || fresh.exists(); };
        TestPreset p;
        p.fill (pattern (87, 2));
        bool stored = true;
        {
            testsupport::FullDisk full (room);
            ASSERT_TRUE (full.active());
            stored = p.storePreset (fresh);
        }
        EXPECT_FALSE (stored);
        EXPECT_FALSE (seenWhileTold);
        EXPECT_TRUE (snapshot (dir).empty());
        EXPECT_EQ (prompts.titles(), juce::StringArray ("Storing error"));
    }
}
