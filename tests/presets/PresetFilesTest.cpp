#include "PresetDispatchSupport.h"
#include "app/DorvoEditorApplication.h"
#include "presets/PresetManager.h"
#include "presets/Trash.h"
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>

using namespace presettest;
using Prompts::Icon;
using Prompts::Kind;

namespace
{
using Disk = std::vector<std::pair<juce::String, Bytes>>;

/** Sets an environment variable (or unsets it, for null) for its lifetime. */
struct ScopedVariable
{
    ScopedVariable (const char* name, const char* value) : name (name)
    {
        if (const char* v = std::getenv (name))
            previous = v;
        if (value != nullptr)
            ::setenv (name, value, 1);
        else
            ::unsetenv (name);
    }
    ~ScopedVariable()
    {
        if (previous.has_value())
            ::setenv (name, previous->c_str(), 1);
        else
            ::unsetenv (name);
    }
    const char* name;
    std::optional<std::string> previous;
};

/** Points HOME at a folder of the test for its lifetime, so that the trash is the test's own
    (HOME/.local/share/Trash/files) and the user's is never touched; XDG_DATA_HOME, which would
    put the trash elsewhere, is unset meanwhile, or set to dataHome. */
struct ScopedHome
{
    explicit ScopedHome (const juce::File& home, bool withTrash = true, const char* dataHome = nullptr)
        : homeVariable ("HOME", home.getFullPathName().toRawUTF8()), dataHomeVariable ("XDG_DATA_HOME", dataHome)
    {
        trash = (dataHome != nullptr && dataHome[0] == '/' ? juce::File (dataHome).getChildFile ("Trash")
                                                           : home.getChildFile (".local/share/Trash"))
                    .getChildFile ("files");
        home.createDirectory();
        if (withTrash)
            trash.createDirectory();
    }
    ScopedVariable homeVariable, dataHomeVariable;
    juce::File trash;
};

class PresetFiles : public ::testing::Test
{
protected:
    void SetUp() override { dispatcher.setClock ([] { return juce::uint32 (10100); }); }

    /** A preset file in the library folder (made when missing), holding pattern (87, seed). */
    juce::File libraryPreset (const juce::String& name, int seed)
    {
        temp.library.createDirectory();
        const auto f = temp.library.getChildFile (name);
        writePresetFile (f, pattern (87, seed));
        return f;
    }

    Disk disk() const { return snapshot (temp.root); }
    static Bytes preset (int seed) { return presetFileBytes (pattern (87, seed)); }

    TemporaryLibrary temp;
    FakeHost host;
    ActionDispatcher dispatcher { host };
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};

juce::StringArray pathsOf (const juce::OwnedArray<juce::File>& files)
{
    juce::StringArray out;
    for (auto* f : files)
        out.add (f->getFullPathName());
    return out;
}
} // namespace

// ---------------------------------------------------------------------------------------------
TEST (ParseFileString, SplitsAtEveryCommaAndReversesTheOrder)
{
    struct Case
    {
        const char* message;
        juce::StringArray paths;
    };
    const Case cases[] = {
        { "EXPO /p/a.preset,/p/b.preset,/p/c.preset", { "/p/c.preset", "/p/b.preset", "/p/a.preset" } },
        { "DELE /p/a.preset", { "/p/a.preset" } },
        { "DELE /p/my,song.preset", { "", "/p/my" } },          // relative: names no file
        { "DELE /p/a.preset,,/p/b.preset", { "/p/b.preset", "", "/p/a.preset" } },
        { "DELE /p/a.preset,", { "", "/p/a.preset" } },
        { "DELE ,/p/a.preset", { "/p/a.preset" } },          // nothing is left before the first ","
        { "DELE ", {} },
        { "DELE", {} },
        { "EXPO a.preset,~/b.preset", { "", "" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.message);
        juce::OwnedArray<juce::File> files;
        files.add (new juce::File ("/already/there"));
        DorvoEditorApplication::parseFileString (c.message, files);
        auto expected = c.paths;
        expected.insert (0, "/already/there");
        EXPECT_EQ (pathsOf (files), expected);
    }
}

// ---------------------------------------------------------------------------------------------
TEST_F (PresetFiles, ImportCopiesTheChosenFilesIntoTheLibraryMakingItWhenMissing)
{
    const auto outside = temp.root.getChildFile ("mine");
    outside.createDirectory();
    writePresetFile (outside.getChildFile ("a.preset"), pattern (87, 1));
    writePresetFile (outside.getChildFile ("b.preset"), pattern (87, 2));
    write (outside.getChildFile ("b"), pattern (10));   // chosen as "b": "b.preset" is taken
    ASSERT_FALSE (temp.library.exists());

    prompts.files = { { outside.getChildFile ("a.preset"), outside.getChildFile ("b"), outside.getChildFile ("c.preset") } };
    dispatcher.dispatch ("IMPO ");

    ASSERT_EQ (prompts.prompts().size(), 1u);
    const auto chooser = prompts.prompts()[0];
    EXPECT_EQ (chooser.kind, Kind::openFiles);
    EXPECT_EQ (chooser.title, "Import presets :");
    EXPECT_EQ (chooser.text, "*.preset");
    EXPECT_EQ (chooser.location, juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));
    EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (2) } }));
    EXPECT_EQ (host.refreshes, 1);

    // Again, over what is there: replaced without a question. Cancelled: nothing.
    writePresetFile (outside.getChildFile ("a.preset"), pattern (87, 3));
    prompts.files = { { outside.getChildFile ("a.preset") } };
    dispatcher.dispatch ("IMPO ");
    dispatcher.dispatch ("IMPO ");
    EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (3) }, { "b.preset", preset (2) } }));
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Import presets :", "Import presets :", "Import presets :"));
    EXPECT_EQ (host.refreshes, 3);
}

TEST_F (PresetFiles, ACancelledImportMakesNoFolder)
{
    dispatcher.dispatch ("IMPO ");
    EXPECT_FALSE (temp.library.exists());
    EXPECT_EQ (host.refreshes, 1);
}

TEST_F (PresetFiles, ExportCopiesEachFileIntoTheChosenFolder)
{
    const auto a = libraryPreset ("a.preset", 1);
    const auto b = libraryPreset ("b.preset", 2);
    const auto to = temp.root.getChildFile ("export");
    to.createDirectory();
    writePresetFile (to.getChildFile ("a.preset"), pattern (87, 9));   // replaced

    prompts.files = { { to } };
    dispatcher.dispatch ("EXPO " + a.getFullPathName() + "," + b.getFullPathName());

    ASSERT_EQ (prompts.prompts().size(), 1u);
    const auto chooser = prompts.prompts()[0];
    EXPECT_EQ (chooser.kind, Kind::directory);
    EXPECT_EQ (chooser.title, "Export presets :");
    EXPECT_EQ (chooser.text, "*.preset");
    EXPECT_EQ (chooser.location, juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));
    EXPECT_EQ (snapshot (to), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (2) } }));
    EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (2) } }));
    EXPECT_EQ (host.refreshes, 1);

    // Cancelled: nothing.
    const auto before = disk();
    dispatcher.dispatch ("EXPO " + a.getFullPathName());
    EXPECT_EQ (disk(), before);
    EXPECT_EQ (host.refreshes, 2);
}

TEST_F (PresetFiles, CopyAsksForTheNameAndCopiesBesideTheFile)
{
    const auto a = libraryPreset ("a.preset", 1);
    prompts.names = { "b" };
    dispatcher.dispatch ("COPY " + a.getFullPathName());

    ASSERT_EQ (prompts.prompts().size(), 1u);
    EXPECT_EQ (prompts.prompts()[0].kind, Kind::name);
    EXPECT_EQ (prompts.prompts()[0].title, "Copy preset :");
    EXPECT_EQ (prompts.prompts()[0].text, "a.preset");
    EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (1) } }));
    EXPECT_EQ (host.refreshes, 1);
}

TEST_F (PresetFiles, RenameMovesTheFileToTheNewName)
{
    struct Case
    {
        const char* name;
        std::deque<juce::String> names;
        const char* result;
    };
    const Case cases[] = {
        { "a plain name", { "New" }, "New.preset" },
        { "with the extension", { "New.preset" }, "New.preset" },
        { "the extension is case-sensitive", { "X.PRESET" }, "X.PRESET.preset" },
        // Empty, blank or leading elsewhere: the dialog comes back.
        { "nothing, blanks, a path, then a name", { "", "   ", "../up", "sub/x", "/abs", "Fine" }, "Fine.preset" },
        // A hidden file would vanish from the list: the dialog comes back.
        { "names that begin with a dot, then a name", { ".hidden", ".preset", "..x", "Fine" }, "Fine.preset" },
        // The list's messages part their paths at every ",": the dialog comes back.
        { "names with a comma, then a name", { "a,b", ",", "a,b.preset", "Fine,", "Fine" }, "Fine.preset" },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        temp.library.deleteRecursively();
        prompts.clear();
        const auto a = libraryPreset ("a.preset", 1);
        prompts.names = c.names;

        dispatcher.dispatch ("RENA " + a.getFullPathName());

        EXPECT_EQ (snapshot (temp.root), (Disk { { "Presets/", {} }, { juce::String ("Presets/") + c.result, preset (1) } }));
        EXPECT_EQ ((size_t) prompts.prompts().size(), c.names.size());
        for (auto& p : prompts.prompts())
            EXPECT_EQ (p.title, "Rename preset :");
        // The dialog comes back with the text as the user left it.
        for (size_t k = 1; k < prompts.prompts().size(); ++k)
            EXPECT_EQ (prompts.prompts()[k].text, c.names[k - 1]);
    }
}

// A name that is taken asks first: yes replaces, no asks for the name again (as often as no is
// chosen), cancel ends without any change.
TEST_F (PresetFiles, ATakenNameAsksWhetherToOverwrite)
{
    struct Case
    {
        const char* name;
        bool copy;
        std::deque<juce::String> names;
        std::deque<int> answers;
        Disk result;
        int dialogs;
    };
    const auto yes = Prompts::yes, no = Prompts::no, cancel = Prompts::cancel;
    const Case cases[] = {
        { "rename, yes", false, { "b" }, { yes }, { { "b.preset", preset (1) }, { "c.preset", preset (3) } }, 1 },
        { "rename, cancel", false, { "b" }, { cancel }, { { "a.preset", preset (1) }, { "b.preset", preset (2) }, { "c.preset", preset (3) } }, 1 },
        { "rename, no, no, then a free name", false, { "b", "c", "d" }, { no, no }, { { "b.preset", preset (2) }, { "c.preset", preset (3) }, { "d.preset", preset (1) } }, 3 },
        { "rename, no, then yes", false, { "b", "c" }, { no, yes }, { { "b.preset", preset (2) }, { "c.preset", preset (1) } }, 2 },
        { "rename, no, then cancel", false, { "b", "c" }, { no, cancel }, { { "a.preset", preset (1) }, { "b.preset", preset (2) }, { "c.preset", preset (3) } }, 2 },
        // Unchanged: the target is the file itself, which is there; yes leaves it as it is.
        { "rename, unchanged, yes", false, {}, { yes }, { { "a.preset", preset (1) }, { "b.preset", preset (2) }, { "c.preset", preset (3) } }, 1 },
        { "copy, yes", true, { "b.preset" }, { yes }, { { "a.preset", preset (1) }, { "b.preset", preset (1) }, { "c.preset", preset (3) } }, 1 },
        { "copy, cancel", true, { "b.preset" }, { cancel }, { { "a.preset", preset (1) }, { "b.preset", preset (2) }, { "c.preset", preset (3) } }, 1 },
        { "copy onto itself, yes", true, {}, { yes }, { { "a.preset", preset (1) }, { "b.preset", preset (2) }, { "c.preset", preset (3) } }, 1 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        temp.library.deleteRecursively();
        prompts.clear();
        const auto a = libraryPreset ("a.preset", 1);
        libraryPreset ("b.preset", 2);
        libraryPreset ("c.preset", 3);
        prompts.names = c.names;
        prompts.choices = c.answers;

        dispatcher.dispatch ((c.copy ? "COPY " : "RENA ") + a.getFullPathName());

        EXPECT_EQ (snapshot (temp.library), c.result);
        int dialogs = 0, questions = 0;
        for (auto& p : prompts.prompts())
        {
            if (p.kind == Kind::name)
            {
                ++dialogs;
                EXPECT_EQ (p.title, c.copy ? "Copy preset :" : "Rename preset :");
            }
            else
            {
                ++questions;
                EXPECT_EQ (p.kind, Kind::alertYesNoCancel);
                EXPECT_EQ (p.icon, Icon::question);
                EXPECT_EQ (p.title, "Overwrite preset :");
                EXPECT_EQ (p.text, "Are you sure to overwrite the previous preset ?");
            }
        }
        EXPECT_EQ (dialogs, c.dialogs);
        EXPECT_EQ (questions, (int) c.answers.size());
        EXPECT_TRUE (prompts.choices.empty());
        EXPECT_TRUE (prompts.names.empty());
    }
}

// A name that is a folder cannot be replaced: the answer yes changes nothing.
TEST_F (PresetFiles, AFolderIsNeverOverwritten)
{
    const auto a = libraryPreset ("a.preset", 1);
    temp.library.getChildFile ("b.preset").createDirectory();
    for (bool copy : { false, true })
    {
        prompts.names = { "b" };
        prompts.choices = { Prompts::yes };
        dispatcher.dispatch ((copy ? "COPY " : "RENA ") + a.getFullPathName());
        EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (1) }, { "b.preset/", {} } }));
    }
}

TEST_F (PresetFiles, DeleteAsksThenMovesTheFilesToTheTrash)
{
    ScopedHome home (temp.root.getChildFile ("home"));
    const auto a = libraryPreset ("a.preset", 1);
    const auto b = libraryPreset ("b.preset", 2);
    const auto c = libraryPreset ("c.preset", 3);
    const auto message = "DELE " + a.getFullPathName() + "," + b.getFullPathName();

    // Cancel: nothing.
    dispatcher.dispatch (message);
    ASSERT_EQ (prompts.prompts().size(), 1u);
    const auto box = prompts.prompts()[0];
    EXPECT_EQ (box.kind, Kind::alertOkCancel);
    EXPECT_EQ (box.icon, Icon::question);
    EXPECT_EQ (box.title, "Delete presets :");
    EXPECT_EQ (box.text, "Are you sure to delete these presets ?");
    EXPECT_EQ (snapshot (temp.library).size(), 3u);

    // OK: both go to the trash, the third stays.
    prompts.choices = { 1 };
    dispatcher.dispatch (message);
    EXPECT_EQ (snapshot (temp.library), (Disk { { "c.preset", preset (3) } }));
    EXPECT_EQ (snapshot (home.trash), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (2) } }));
    EXPECT_EQ (host.refreshes, 2);

    // An empty list still asks, then does nothing.
    prompts.clear();
    prompts.choices = { 1 };
    dispatcher.dispatch ("DELE ");
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Delete presets :"));
    EXPECT_EQ (snapshot (temp.library), (Disk { { "c.preset", preset (3) } }));
}

// A user who never threw anything away has no trash folder yet: it is made.
TEST_F (PresetFiles, DeleteMakesTheTrashFolderWhenMissing)
{
    ScopedHome home (temp.root.getChildFile ("home"), false);
    ASSERT_FALSE (home.trash.exists());
    const auto a = libraryPreset ("a.preset", 1);
    prompts.choices = { 1 };
    dispatcher.dispatch ("DELE " + a.getFullPathName());
    EXPECT_FALSE (temp.library.getChildFile ("a.preset").exists());
    EXPECT_EQ (snapshot (home.trash), (Disk { { "a.preset", preset (1) } }));
}

namespace
{
/** The mode of a file or folder (its permission bits); -1 when it is not there. */
int modeOf (const juce::File& f)
{
    struct stat info {};
    return ::stat (f.getFullPathName().toRawUTF8(), &info) == 0 ? (int) (info.st_mode & 07777) : -1;
}

/** The beginning of the note the home trash keeps of a file deleted from original. */
juce::String noteFor (const juce::File& original)
{
    return "[Trash Info]\nPath=" + original.getFullPathName().replace (" ", "%20") + "\nDeletionDate=";
}
} // namespace

// An account where nothing was ever thrown away has no trash, often not even ~/.local: the home
// trash is made, its folders for the user alone, under XDG_DATA_HOME when that holds an absolute
// path (a relative one counts as none), and the preset goes there with its note.
TEST_F (PresetFiles, DeleteMakesTheHomeTrashWhereTheDataHomeSays)
{
    const auto root = temp.root.getFullPathName();
    struct Case
    {
        const char* name;
        juce::String dataHome;      // empty: unset
        const char* trash;          // relative to the test's folder
        juce::StringArray made;     // the folders made, relative to the test's folder
    };
    const Case cases[] = {
        { "no XDG_DATA_HOME", {}, "home/.local/share/Trash",
          { "home/.local", "home/.local/share", "home/.local/share/Trash", "home/.local/share/Trash/files",
            "home/.local/share/Trash/info" } },
        { "an absolute XDG_DATA_HOME", root + "/data/mine", "data/mine/Trash",
          { "data", "data/mine", "data/mine/Trash", "data/mine/Trash/files", "data/mine/Trash/info" } },
        { "a relative XDG_DATA_HOME", "data/mine", "home/.local/share/Trash",
          { "home/.local", "home/.local/share", "home/.local/share/Trash", "home/.local/share/Trash/files",
            "home/.local/share/Trash/info" } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        temp.root.getChildFile ("home").deleteRecursively();
        temp.root.getChildFile ("data").deleteRecursively();
        ScopedHome home (temp.root.getChildFile ("home"), false, c.dataHome.isEmpty() ? nullptr : c.dataHome.toRawUTF8());
        ASSERT_FALSE (temp.root.getChildFile ("home/.local").exists());
        const auto lead = libraryPreset ("Lead 1.preset", 4);
        prompts.choices = { 1 };

        dispatcher.dispatch ("DELE " + lead.getFullPathName());

        EXPECT_EQ (prompts.titles(), juce::StringArray ("Delete presets :"));
        EXPECT_FALSE (lead.exists());
        const auto trash = temp.root.getChildFile (c.trash);
        EXPECT_EQ (snapshot (trash.getChildFile ("files")), (Disk { { "Lead 1.preset", preset (4) } }));
        EXPECT_TRUE (trash.getChildFile ("info/Lead 1.preset.trashinfo").loadFileAsString().startsWith (noteFor (lead)));
        for (auto& folder : c.made)
            EXPECT_EQ (modeOf (temp.root.getChildFile (folder)), 0700) << folder;
        // Nothing is made where the trash is not.
        EXPECT_EQ (temp.root.getChildFile ("home/.local").exists(), juce::String (c.trash).startsWith ("home/"));
    }
}

// The name of the preset in the trash is the first that is free in "files" and in "info": a
// file there, or a note without its file, is never written over, and the name they hold moves
// on to the next. A name too long to have its note beside it is cut short (before its number
// and extension) so that the note's name fits.
TEST_F (PresetFiles, DeleteTakesANameFreeInTheTrashFilesAndItsNotes)
{
    using testsupport::nameOfBytes;
    const Bytes old { 'o', 'l', 'd' };
    struct Case
    {
        const char* name;
        juce::String preset;
        juce::StringArray inFiles, inInfo;
        juce::String trashed;
    };
    const Case cases[] = {
        { "a free name", "Lead.preset", {}, {}, "Lead.preset" },
        { "a name taken in files", "Lead.preset", { "Lead.preset" }, {}, "Lead (2).preset" },
        { "a stale note in info", "Lead.preset", {}, { "Lead.preset.trashinfo" }, "Lead (2).preset" },
        { "one after the other", "Lead.preset", { "Lead.preset" }, { "Lead (2).preset.trashinfo" }, "Lead (3).preset" },
        { "a name of 255 bytes", nameOfBytes (255, ".preset"), {}, {}, nameOfBytes (245, ".preset") },
        { "its short form taken", nameOfBytes (255, ".preset"), { nameOfBytes (245, ".preset") }, {},
          nameOfBytes (245, " (2).preset") },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        temp.root.getChildFile ("home").deleteRecursively();
        ScopedHome home (temp.root.getChildFile ("home"));
        const auto info = home.trash.getSiblingFile ("info");
        Disk expected { { "files/", {} }, { "files/" + c.trashed, preset (5) }, { "info/", {} } };
        for (auto& name : c.inFiles)
        {
            write (home.trash.getChildFile (name), old);
            expected.emplace_back ("files/" + name, old);
        }
        info.createDirectory();
        for (auto& name : c.inInfo)
        {
            write (info.getChildFile (name), old);
            expected.emplace_back ("info/" + name, old);
        }
        const auto lead = libraryPreset (c.preset, 5);
        prompts.choices = { 1 };

        dispatcher.dispatch ("DELE " + lead.getFullPathName());

        EXPECT_EQ (prompts.titles(), juce::StringArray ("Delete presets :"));
        EXPECT_FALSE (lead.exists());
        const auto note = info.getChildFile (c.trashed + ".trashinfo");
        EXPECT_TRUE (note.loadFileAsString().startsWith (noteFor (lead))) << note.getFileName();
        auto disk = snapshot (home.trash.getParentDirectory());
        disk.erase (std::remove_if (disk.begin(), disk.end(), [&] (auto& entry) { return entry.first == "info/" + note.getFileName(); }),
                    disk.end());
        std::sort (expected.begin(), expected.end());
        EXPECT_EQ (disk, expected);
    }
}

// Messages that do not hold what the librarian sends change nothing on disk and ask nothing:
// a name with a "," that splits into pieces, a relative or missing path, a folder, and for a
// deletion any file outside the preset library folder.
TEST_F (PresetFiles, MalformedFileMessagesChangeNothing)
{
    ScopedHome home (temp.root.getChildFile ("home"));
    const auto a = libraryPreset ("a.preset", 1);
    const auto my = libraryPreset ("my", 2);                  // what a split of "my,song.preset" names
    const auto mySong = libraryPreset ("my,song.preset", 3);
    temp.library.getChildFile ("sub").createDirectory();
    const auto nested = temp.library.getChildFile ("sub/n.preset");
    writePresetFile (nested, pattern (87, 4));
    const auto outside = temp.root.getChildFile ("outside.preset");
    writePresetFile (outside, pattern (87, 5));
    const auto lib = temp.library.getFullPathName();
    const auto before = disk();

    const juce::String messages[] = {
        "DELE " + mySong.getFullPathName(),
        "DELE " + outside.getFullPathName(),
        "DELE " + a.getFullPathName() + "," + outside.getFullPathName(),
        "DELE " + nested.getFullPathName(),
        "DELE " + lib + "/sub",
        "DELE " + lib + "/missing.preset",
        "DELE a.preset",
        "DELE " + a.getFullPathName() + ",",
        "DELE " + lib + "/sub/../../outside.preset",
        "EXPO " + mySong.getFullPathName(),
        "EXPO a.preset",
        "EXPO " + lib + "/missing.preset," + a.getFullPathName(),
        "EXPO " + lib,
        "COPY a.preset",
        "COPY " + lib + "/missing.preset",
        "COPY " + lib,
        "COPY ",
        "RENA ./a.preset",
        "RENA " + lib + "/missing.preset",
        "RENA " + lib + "/sub",
        "RENA ",
    };
    for (auto& m : messages)
    {
        SCOPED_TRACE (m);
        prompts.choices = { 1, 1 };
        prompts.names = { "renamed" };
        prompts.files = { { temp.root } };
        dispatcher.dispatch (m);
        EXPECT_TRUE (prompts.prompts().empty());
        EXPECT_EQ (disk(), before);
        prompts.clear();
    }
    EXPECT_EQ (host.refreshes, (int) std::size (messages));
}

// ---------------------------------------------------------------------------------------------
namespace
{
/** Every file under dir with its bytes, as snapshot() gives them, but what is not a regular
    file only by its name (reading a named pipe would wait for ever). */
Disk diskWithPipes (const juce::File& dir)
{
    Disk out;
    juce::Array<juce::File> all;
    dir.findChildFiles (all, juce::File::findFilesAndDirectories, true, "*");
    for (auto& f : all)
    {
        const auto name = f.getRelativePathFrom (dir) + (f.isDirectory() ? "/" : "");
        struct stat info {};
        const bool regular = ::stat (f.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
        out.emplace_back (name, regular ? contentsOf (f) : Bytes());
    }
    std::sort (out.begin(), out.end());
    return out;
}

const char* const deleteErrorText = "Unable to move the preset to the trash.\nThe preset was not deleted.";

/** While it lives, every move to the trash is taken as one to another file system. */
struct TrashOnAnotherFileSystem
{
    TrashOnAnotherFileSystem()
    {
        Trash::setRenameForTests ([] (const char*, const char*) {
            errno = EXDEV;
            return -1;
        });
    }
    ~TrashOnAnotherFileSystem() { Trash::setRenameForTests (nullptr); }
};
} // namespace

// Copies, imports and exports take names of the whole 255 bytes a file name may have.
TEST_F (PresetFiles, CopiesImportsAndExportsTakeNamesOf255Bytes)
{
    const auto name = testsupport::nameOfBytes (255, ".preset");
    const auto outside = temp.root.getChildFile ("mine");
    const auto to = temp.root.getChildFile ("export");
    outside.createDirectory();
    to.createDirectory();
    writePresetFile (outside.getChildFile (name), pattern (87, 1));

    prompts.files = { { outside.getChildFile (name) } };
    dispatcher.dispatch ("IMPO ");
    EXPECT_EQ (snapshot (temp.library), (Disk { { name, preset (1) } }));

    prompts.files = { { to } };
    dispatcher.dispatch ("EXPO " + temp.library.getChildFile (name).getFullPathName());
    EXPECT_EQ (snapshot (to), (Disk { { name, preset (1) } }));

    const auto copyName = testsupport::nameOfBytes (255, ".preset", "y");
    prompts.names = { copyName.dropLastCharacters (7) };
    dispatcher.dispatch ("COPY " + temp.library.getChildFile (name).getFullPathName());
    EXPECT_EQ (snapshot (temp.library), (Disk { { name, preset (1) }, { copyName, preset (1) } }));
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Import presets :", "Export presets :", "Copy preset :"));
}

// A hidden file would vanish from the list, and the list's messages part their paths at every
// ",": such names ask again.
TEST_F (PresetFiles, ACopyUnderAHiddenNameOrOneWithACommaAsksAgain)
{
    const auto a = libraryPreset ("a.preset", 1);
    prompts.names = { ".b", ".preset", "a,b", "b,", "b" };
    dispatcher.dispatch ("COPY " + a.getFullPathName());
    EXPECT_EQ (prompts.titles(), juce::StringArray ("Copy preset :", "Copy preset :", "Copy preset :", "Copy preset :", "Copy preset :"));
    EXPECT_EQ (snapshot (temp.library), (Disk { { "a.preset", preset (1) }, { "b.preset", preset (1) } }));
}

// A named pipe or a device given to an import, an export, a copy or a rename is told as a
// file that cannot be opened, and nothing else is done with it: opening a pipe to read it
// would wait for a writer for ever. The other files of an export are still copied.
TEST_F (PresetFiles, WhatIsNotARegularFileIsToldAsOneThatCannotBeOpened)
{
    const auto a = libraryPreset ("a.preset", 1);
    testsupport::NamedPipe listed (temp.library.getChildFile ("pipe.preset"));
    const auto outside = temp.root.getChildFile ("mine");
    outside.createDirectory();
    testsupport::NamedPipe chosen (outside.getChildFile ("in.preset"));
    ASSERT_TRUE (listed.made() && chosen.made());
    const auto to = temp.root.getChildFile ("export");
    to.createDirectory();

    struct Case
    {
        juce::String message;
        std::deque<juce::Array<juce::File>> files;
        juce::StringArray titles;
        Disk exported;
    };
    const Case cases[] = {
        { "EXPO " + listed.file().getFullPathName() + "," + a.getFullPathName(), { { to } },
          { "Export presets :", "Loading error" }, { { "a.preset", preset (1) } } },
        { "EXPO /dev/null", { { to } }, { "Export presets :", "Loading error" }, {} },
        { "IMPO ", { { chosen.file() } }, { "Import presets :", "Loading error" }, {} },
        { "COPY " + listed.file().getFullPathName(), {}, { "Loading error" }, {} },
        { "RENA " + listed.file().getFullPathName(), {}, { "Loading error" }, {} },
    };
    const auto library = diskWithPipes (temp.library);
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.message);
        prompts.clear();
        to.deleteRecursively();
        to.createDirectory();
        prompts.files = c.files;
        prompts.names = { "copied" };
        prompts.choices = { Prompts::yes };

        dispatcher.dispatch (c.message);

        EXPECT_EQ (prompts.titles(), c.titles);
        const auto boxes = prompts.prompts();
        if (! boxes.empty())
        {
            EXPECT_EQ (boxes.back().kind, Kind::message);
            EXPECT_EQ (boxes.back().icon, Icon::warning);
            EXPECT_EQ (boxes.back().text, "Unable to open the data file.");
        }
        EXPECT_EQ (diskWithPipes (temp.library), library);
        EXPECT_EQ (snapshot (to), c.exported);
    }
    EXPECT_FALSE (listed.readerReleased());
    EXPECT_FALSE (chosen.readerReleased());
}

// The preset goes into the trash whole, by a rename or, when the trash is on another file
// system, by a copy that is checked before the preset is removed; the freedesktop trash is
// told where it came from.
TEST_F (PresetFiles, DeleteMovesThePresetIntoTheTrashWholeOnTheSameOrAnotherFileSystem)
{
    for (bool across : { false, true })
    {
        SCOPED_TRACE (across ? "across file systems" : "on the same file system");
        prompts.clear();
        ScopedHome home (temp.root.getChildFile (across ? "home-across" : "home"));
        std::optional<TrashOnAnotherFileSystem> seam;
        if (across)
            seam.emplace();
        const auto lead = libraryPreset ("Lead 1.preset", 2);

        prompts.choices = { 1 };
        dispatcher.dispatch ("DELE " + lead.getFullPathName());

        EXPECT_FALSE (lead.exists());
        EXPECT_EQ (snapshot (home.trash), (Disk { { "Lead 1.preset", preset (2) } }));
        const auto info = home.trash.getSiblingFile ("info").getChildFile ("Lead 1.preset.trashinfo").loadFileAsString();
        EXPECT_TRUE (info.startsWith ("[Trash Info]\nPath=" + lead.getFullPathName().replace (" ", "%20") + "\nDeletionDate="))
            << info;
        EXPECT_EQ (prompts.titles(), juce::StringArray ("Delete presets :"));
    }
}

// A trash on another file system that is full: the copy cannot be written whole, so the preset
// stays where it was, no short copy is left in the trash, and the user is told.
TEST_F (PresetFiles, DeleteIntoAFullTrashKeepsThePresetAndTells)
{
    ScopedHome home (temp.root.getChildFile ("home"));
    TrashOnAnotherFileSystem seam;
    const auto lead = libraryPreset ("Lead.preset", 3);
    for (rlim_t room : { 0, 50 })
    {
        SCOPED_TRACE (room);
        prompts.clear();
        prompts.choices = { 1 };
        {
            testsupport::FullDisk full (room);
            ASSERT_TRUE (full.active());
            dispatcher.dispatch ("DELE " + lead.getFullPathName());
        }

        EXPECT_EQ (snapshot (temp.library), (Disk { { "Lead.preset", preset (3) } }));
        EXPECT_EQ (snapshot (home.trash.getParentDirectory()), (Disk { { "files/", {} }, { "info/", {} } }));
        ASSERT_EQ (prompts.titles(), juce::StringArray ("Delete presets :", "Delete error"));
        const auto box = prompts.prompts()[1];
        EXPECT_EQ (box.kind, Kind::message);
        EXPECT_EQ (box.icon, Icon::warning);
        EXPECT_EQ (box.text, deleteErrorText);
    }
}

// The note goes into the trash first: a trash with room for the preset but not for its note
// keeps the preset where it was, leaves no part of the note, and tells, whether the preset would
// have gone by a rename or by a copy.
TEST_F (PresetFiles, DeleteIntoATrashWithNoRoomForTheNoteKeepsThePresetAndTells)
{
    ScopedHome home (temp.root.getChildFile ("home"));
    // A long name makes a long note.
    const auto lead = libraryPreset (testsupport::nameOfBytes (200, ".preset"), 3);
    const auto room = (rlim_t) lead.getSize();
    ASSERT_LT (room, (rlim_t) noteFor (lead).getNumBytesAsUTF8());
    for (bool across : { false, true })
    {
        SCOPED_TRACE (across ? "across file systems" : "on the same file system");
        prompts.clear();
        prompts.choices = { 1 };
        std::optional<TrashOnAnotherFileSystem> seam;
        if (across)
            seam.emplace();
        {
            testsupport::FullDisk full (room);
            ASSERT_TRUE (full.active());
            dispatcher.dispatch ("DELE " + lead.getFullPathName());
        }

        EXPECT_EQ (snapshot (temp.library), (Disk { { lead.getFileName(), preset (3) } }));
        EXPECT_EQ (snapshot (home.trash.getParentDirectory()), (Disk { { "files/", {} }, { "info/", {} } }));
        ASSERT_EQ (prompts.titles(), juce::StringArray ("Delete presets :", "Delete error"));
        EXPECT_EQ (prompts.prompts()[1].text, deleteErrorText);
    }
}

// Across file systems the copy in the trash is read back and compared before the preset goes:
// a copy that reads back different keeps the preset where it was, leaves neither the copy nor
// its note in the trash, and tells.
TEST_F (PresetFiles, DeleteKeepsThePresetWhenItsCopyInTheTrashReadsBackDifferent)
{
    ScopedHome home (temp.root.getChildFile ("home"));
    TrashOnAnotherFileSystem seam;
    struct CopyAltered
    {
        CopyAltered()
        {
            Trash::setCopyWrittenForTests ([] (const juce::File& copy) {
                juce::MemoryBlock bytes;
                if (copy.loadFileAsData (bytes) && bytes.getSize() > 0)
                {
                    bytes[0] = (char) (bytes[0] ^ 0x5A);   // one byte wrong, as from a bad sector
                    copy.replaceWithData (bytes.getData(), bytes.getSize());
                }
            });
        }
        ~CopyAltered() { Trash::setCopyWrittenForTests (nullptr); }
    } altered;
    const auto lead = libraryPreset ("Lead.preset", 6);
    prompts.choices = { 1 };

    dispatcher.dispatch ("DELE " + lead.getFullPathName());

    EXPECT_EQ (snapshot (temp.library), (Disk { { "Lead.preset", preset (6) } }));
    EXPECT_EQ (snapshot (home.trash.getParentDirectory()), (Disk { { "files/", {} }, { "info/", {} } }));
    ASSERT_EQ (prompts.titles(), juce::StringArray ("Delete presets :", "Delete error"));
    EXPECT_EQ (prompts.prompts()[1].text, deleteErrorText);
}
