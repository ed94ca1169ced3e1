#include "TestSupport.h"
#include "FileSaving.h"
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct Folder
{
    Folder()
        : dir (juce::File::getSpecialLocation (juce::File::tempDirectory)
                   .getChildFile ("dorvo-saving-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64())))
    {
        dir.createDirectory();
    }
    ~Folder() { dir.deleteRecursively(); }

    /** Every file in the folder (hidden ones too) with its text, sorted by name. */
    juce::StringArray listing() const
    {
        juce::StringArray out;
        for (auto& f : dir.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
            out.add (f.getFileName() + "=" + (f.isDirectory() ? juce::String ("<folder>") : f.loadFileAsString()));
        out.sort (false);
        return out;
    }

    juce::File dir;
};

/** The id of a process that has ended (and been reaped). */
pid_t endedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit (0);
    int status = 0;
    ::waitpid (pid, &status, 0);
    return pid;
}

juce::MemoryBlock text (const char* t) { return juce::MemoryBlock (t, std::strlen (t)); }
} // namespace

// What a killed save leaves is a hidden sibling named for its target, which no listing of the
// target's kind shows; the next completed save of that target removes those of processes that
// are gone, and nothing else: not those of running processes, not other targets' ones.
TEST (FileSaving, TheNextSaveRemovesWhatKilledSavesLeft)
{
    Folder f;
    const auto target = f.dir.getChildFile ("Lead.preset");
    ASSERT_TRUE (FileSaving::replaceWith (target, juce::String ("old")));

    const auto sibling = FileSaving::temporarySiblingFor (target);
    EXPECT_TRUE (sibling.getFileName().startsWith (".Lead.preset.saving-" + juce::String ((int) ::getpid()) + "-"));
    EXPECT_TRUE (FileSaving::isTemporarySiblingOf (sibling, target));
    EXPECT_FALSE (sibling.getFileName().matchesWildcard ("*.preset", true));

    const auto dead = juce::String ((int) endedProcess());
    const auto name = [&] (const juce::String& pid, const char* of = "Lead.preset", const char* rest = "-0-ab") {
        return f.dir.getChildFile ("." + juce::String (of) + ".saving-" + pid + rest);
    };
    const juce::File left[] = { name (dead), name (dead, "Lead.preset", "-7-cd") };
    const juce::File kept[] = { name (juce::String ((int) ::getpid())), name ("1"), name (dead, "Bass.preset"), name ("x" + dead),
                                f.dir.getChildFile ("Lead.preset.saving-" + dead + "-0-ab") };
    for (auto& file : left)
        ASSERT_TRUE (file.replaceWithText ("torn"));
    for (auto& file : kept)
        ASSERT_TRUE (file.replaceWithText ("kept"));

    ASSERT_TRUE (FileSaving::replaceWith (target, juce::String ("new")));

    EXPECT_EQ (target.loadFileAsString(), "new");
    for (auto& file : left)
        EXPECT_FALSE (file.exists()) << file.getFileName();
    for (auto& file : kept)
        EXPECT_TRUE (file.exists()) << file.getFileName();
}

// Files saved together go in place only once all of them are written: a failure on any one
// leaves every target as it was and no temporary behind.
TEST (FileSaving, FilesSavedTogetherChangeNothingWhenOneFails)
{
    struct Case
    {
        const char* name;
        bool fullDisk;
        bool lastIsAFolder;
    };
    for (auto c : { Case { "the last target is a folder", false, true }, Case { "a full disk", true, false } })
    {
        SCOPED_TRACE (c.name);
        Folder f;
        const auto a = f.dir.getChildFile ("a.mid"), b = f.dir.getChildFile ("b.mid"), last = f.dir.getChildFile ("songs.kdseq");
        ASSERT_TRUE (a.replaceWithText ("old a"));
        ASSERT_TRUE (b.replaceWithText ("old b"));
        if (c.lastIsAFolder)
            ASSERT_TRUE (last.createDirectory());
        else
            ASSERT_TRUE (last.replaceWithText ("old songs"));
        const auto before = f.listing();

        bool saved3 = true;
        {
            std::optional<testsupport::FullDisk> full;
            if (c.fullDisk)
            {
                ASSERT_TRUE (full.emplace().active());
            }
            saved3 = FileSaving::replaceAllWith ({ { a, text ("new a") }, { b, text ("new b") }, { last, text ("new songs") } });
        }

        EXPECT_FALSE (saved3);
        EXPECT_EQ (f.listing(), before);
    }

    Folder f;
    const auto a = f.dir.getChildFile ("a.mid"), last = f.dir.getChildFile ("songs.kdseq");
    ASSERT_TRUE (FileSaving::replaceAllWith ({ { a, text ("new a") }, { last, text ("new songs") } }));
    EXPECT_EQ (f.listing(), juce::StringArray ("a.mid=new a", "songs.kdseq=new songs"));
}

namespace
{
/** The temporary's name that the scheme gives for the same target, written by process pid. */
juce::File writtenBy (const juce::File& temporary, pid_t pid)
{
    const auto name = temporary.getFileName();
    const int at = name.lastIndexOf (".saving-") + 8;
    return temporary.getSiblingFile (name.substring (0, at) + juce::String ((int) pid)
                                     + name.substring (at).fromFirstOccurrenceOf ("-", true, false));
}
} // namespace

// Whatever the length of the target's name, up to the 255 bytes a file name may have, its
// temporary's name fits too: hidden, of no listed kind, beginning as the target's name does
// (a long one cut between characters), and taken for that target's.
TEST (FileSaving, ATemporaryFitsAFileNameWhateverTheTargetsName)
{
    using testsupport::nameOfBytes;
    const juce::String names[] = {
        nameOfBytes (215, ".preset"), nameOfBytes (216, ".preset"), nameOfBytes (255, ".preset"),
        nameOfBytes (255, ".mid"), nameOfBytes (255, ".kdseq"), nameOfBytes (255, ".preset", juce::String::fromUTF8 ("\xc3\xa9")),
        nameOfBytes (255, ".mid", juce::String::fromUTF8 ("\xe2\x82\xac")), nameOfBytes (255, {}, juce::String::fromUTF8 ("\xf0\x9f\x8e\xb9")),
    };
    for (auto& name : names)
    {
        SCOPED_TRACE (name);
        ASSERT_LE (name.getNumBytesAsUTF8(), 255u);
        Folder f;
        const auto target = f.dir.getChildFile (name);
        const auto temporary = FileSaving::temporarySiblingFor (target);
        const auto tname = temporary.getFileName();

        EXPECT_LE (tname.getNumBytesAsUTF8(), 255u);
        EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (tname.toRawUTF8(), (int) tname.getNumBytesAsUTF8()));
        EXPECT_TRUE (tname.startsWith ("." + name.substring (0, 40)));
        for (auto* kind : { "*.preset", "*.mid", "*.kdseq" })
            EXPECT_FALSE (tname.matchesWildcard (kind, true)) << kind;
        EXPECT_TRUE (FileSaving::isTemporarySiblingOf (temporary, target));

        ASSERT_TRUE (FileSaving::replaceWith (target, juce::String ("new")));
        EXPECT_EQ (f.listing(), juce::StringArray (name + "=new"));
    }
}

// Two long names that begin alike have temporaries of their own: a save of one removes what
// killed saves of that one left, and nothing of the other, nor of a target named as the
// shortened form of the first.
TEST (FileSaving, LongNamesThatBeginAlikeKeepTheirOwnTemporaries)
{
    Folder f;
    // Two-byte characters: the shortened form is cut short of its most bytes, between two.
    const auto common = testsupport::nameOfBytes (244, {}, juce::String::fromUTF8 ("\xc3\xa9"));
    const auto a = f.dir.getChildFile (common + "-one.preset"), b = f.dir.getChildFile (common + "-two.preset");
    ASSERT_EQ (a.getFileName().getNumBytesAsUTF8(), 255u);
    const auto ofA = FileSaving::temporarySiblingFor (a), ofB = FileSaving::temporarySiblingFor (b);
    const auto shortened = f.dir.getChildFile (ofA.getFileName().substring (1).upToLastOccurrenceOf (".saving-", false, false));
    EXPECT_TRUE (FileSaving::isTemporarySiblingOf (ofA, a));
    EXPECT_FALSE (FileSaving::isTemporarySiblingOf (ofA, b));
    EXPECT_FALSE (FileSaving::isTemporarySiblingOf (ofB, a));
    EXPECT_FALSE (FileSaving::isTemporarySiblingOf (ofA, shortened));

    const auto dead = endedProcess();
    const auto leftByA = writtenBy (ofA, dead), leftByB = writtenBy (ofB, dead), runningB = writtenBy (ofB, ::getppid());
    for (auto& file : { leftByA, leftByB, runningB })
    {
        // Written in place, as the killed save did (the framework's own replacing would go
        // through a longer temporary name of its own).
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk() && out.writeText ("torn", false, false, nullptr)) << file.getFileName();
    }

    ASSERT_TRUE (FileSaving::replaceWith (shortened, juce::String ("other")));
    ASSERT_TRUE (FileSaving::replaceWith (a, juce::String ("new a")));
    EXPECT_FALSE (leftByA.exists());
    EXPECT_TRUE (leftByB.exists());
    EXPECT_TRUE (runningB.exists());

    ASSERT_TRUE (FileSaving::replaceWith (b, juce::String ("new b")));
    EXPECT_FALSE (leftByB.exists());
    EXPECT_TRUE (runningB.exists());
    EXPECT_EQ (a.loadFileAsString(), "new a");
    EXPECT_EQ (b.loadFileAsString(), "new b");
}

// A rename that fails after the temporary was written takes the temporary away as well, and
// files saved together are then none of them renamed. A name of 256 bytes (the MIDI file of a
// sequence file of 250 bytes) has a temporary but cannot be renamed to.
TEST (FileSaving, ARenameThatFailsLeavesNoTemporary)
{
    Folder f;
    const auto tooLong = f.dir.getChildFile (testsupport::nameOfBytes (256, ".mid"));
    const auto songs = f.dir.getChildFile ("songs.kdseq");
    ASSERT_TRUE (songs.replaceWithText ("old songs"));

    EXPECT_FALSE (FileSaving::replaceWith (tooLong, juce::String ("new")));
    EXPECT_EQ (f.listing(), juce::StringArray ("songs.kdseq=old songs"));

    EXPECT_FALSE (FileSaving::replaceAllWith ({ { tooLong, text ("new") }, { songs, text ("new songs") } }));
    EXPECT_EQ (f.listing(), juce::StringArray ("songs.kdseq=old songs"));
}

// A write that does not reach the disk whole is a failed save even when no call reported it:
// near a file-size limit write() returns short, and the stream's status stays good.
TEST (FileSaving, AShortWriteIsAFailedSave)
{
    Folder f;
    const auto target = f.dir.getChildFile ("Lead.preset");
    ASSERT_TRUE (target.replaceWithText ("old"));
    const juce::String contents = juce::String::repeatedString ("0123456789", 10);

    bool saved = true;
    {
        testsupport::FullDisk nearlyFull (40);
        ASSERT_TRUE (nearlyFull.active());
        saved = FileSaving::replaceWith (target, contents);
    }

    EXPECT_FALSE (saved);
    EXPECT_EQ (f.listing(), juce::StringArray ("Lead.preset=old"));
}

namespace
{
juce::String octal (mode_t mode)
{
    char text[8];
    std::snprintf (text, sizeof (text), "%04o", (unsigned) mode);
    return text;
}

/** Everything under dir as it lies on disk, hidden files too and links not followed, sorted:
    "path/" for a folder, "path -> text" for a link, "path=contents mode" for a file. */
juce::StringArray treeOf (const juce::File& dir, const juce::String& under = {})
{
    juce::StringArray out;
    if (auto* d = ::opendir (dir.getFullPathName().toRawUTF8()))
    {
        while (auto* e = ::readdir (d))
        {
            const juce::String name (e->d_name);
            if (name == "." || name == "..")
                continue;
            const auto path = dir.getFullPathName() + "/" + name;
            struct stat info {};
            if (::lstat (path.toRawUTF8(), &info) != 0)
                continue;
            if (S_ISLNK (info.st_mode))
            {
                char text[PATH_MAX] = {};
                const auto length = ::readlink (path.toRawUTF8(), text, sizeof (text) - 1);
                out.add (under + name + " -> " + juce::String (text, (size_t) std::max<ssize_t> (length, 0)));
            }
            else if (S_ISDIR (info.st_mode))
            {
                out.add (under + name + "/");
                out.addArray (treeOf (juce::File (path), under + name + "/"));
            }
            else
                out.add (under + name + "=" + juce::File (path).loadFileAsString() + " " + octal (info.st_mode & 07777));
        }
        ::closedir (d);
    }
    out.sort (false);
    return out;
}

/** The process's umask, read without changing it. */
mode_t currentUmask()
{
    juce::StringArray lines;
    lines.addLines (juce::File ("/proc/self/status").loadFileAsString());
    for (auto& line : lines)
        if (line.startsWith ("Umask:"))
            return (mode_t) std::strtol (line.fromFirstOccurrenceOf (":", false, false).trim().toRawUTF8(), nullptr, 8);
    return 022;
}
} // namespace

// A save keeps the file it replaces as the user set it up: the new file has the permission
// bits of the old one (a new file those the umask leaves), and a symbolic link, or a chain of
// them, stays as it was while the file it names takes the new contents, its temporary beside
// it: what killed saves of that file left there goes, and no temporary stays in any folder. A
// link into a missing folder, to a folder, or a loop of links is a failed save that changes
// nothing. The same for one file and for files saved together.
TEST (FileSaving, ASaveKeepsTheModeAndTheLinksOfWhatItReplaces)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, const char*>> links;   // where, and the link's text ("@" is the test's folder)
        const char* saved;   // the file that takes the new contents; null when the save fails
        mode_t mode;         // that file's mode before the save; 0 when it is not there
    };
    const Case cases[] = {
        { "a private file", {}, "here/songs.kdseq", 0600 },
        { "a file for the group", {}, "here/songs.kdseq", 0640 },
        { "a file for others but not the group", {}, "here/songs.kdseq", 0604 },
        { "a new file", {}, "here/songs.kdseq", 0 },
        { "a link in the same folder", { { "here/songs.kdseq", "real.kdseq" } }, "here/real.kdseq", 0600 },
        { "a link to another folder", { { "here/songs.kdseq", "../there/real.kdseq" } }, "there/real.kdseq", 0640 },
        { "an absolute link", { { "here/songs.kdseq", "@/there/real.kdseq" } }, "there/real.kdseq", 0604 },
        { "a chain of links, each relative to its own folder",
          { { "here/songs.kdseq", "next" }, { "here/next", "../there/last" }, { "there/last", "deep/real.kdseq" } },
          "there/deep/real.kdseq", 0600 },
        { "\"..\" after a linked folder", { { "here/deep", "../there/deep" }, { "here/songs.kdseq", "deep/../real.kdseq" } },
          "there/real.kdseq", 0640 },
        { "a link to a missing file", { { "here/songs.kdseq", "../there/new.kdseq" } }, "there/new.kdseq", 0 },
        { "a link into a missing folder", { { "here/songs.kdseq", "../nowhere/real.kdseq" } }, nullptr, 0 },
        { "a link to a folder", { { "here/songs.kdseq", "../there/deep" } }, nullptr, 0 },
        { "a link to itself", { { "here/songs.kdseq", "songs.kdseq" } }, nullptr, 0 },
        { "a loop of links", { { "here/songs.kdseq", "../there/a" }, { "there/a", "../here/songs.kdseq" } }, nullptr, 0 },
    };
    const auto newFileMode = (mode_t) (0644 & ~currentUmask());
    const auto dead = endedProcess();
    for (auto& c : cases)
    {
        for (bool together : { false, true })
        {
            SCOPED_TRACE (juce::String (c.name) + (together ? ", saved together" : ""));
            Folder f;
            for (auto* folder : { "here", "there", "there/deep" })
                ASSERT_TRUE (f.dir.getChildFile (folder).createDirectory());
            for (auto& [where, text] : c.links)
                ASSERT_EQ (::symlink (juce::String (text).replace ("@", f.dir.getFullPathName()).toRawUTF8(),
                                      f.dir.getChildFile (where).getFullPathName().toRawUTF8()),
                           0);
            const auto target = f.dir.getChildFile ("here/songs.kdseq"), other = f.dir.getChildFile ("here/a.mid");
            ASSERT_TRUE (other.replaceWithText ("old a"));
            ASSERT_EQ (::chmod (other.getFullPathName().toRawUTF8(), 0600), 0);
            if (c.mode != 0)
            {
                const auto saved = f.dir.getChildFile (c.saved);
                ASSERT_TRUE (saved.replaceWithText ("old"));
                ASSERT_EQ (::chmod (saved.getFullPathName().toRawUTF8(), c.mode), 0);
            }
            const auto before = treeOf (f.dir);

            // What a killed save of the file that is saved to left beside it.
            if (c.saved != nullptr)
            {
                ASSERT_TRUE (writtenBy (FileSaving::temporarySiblingFor (f.dir.getChildFile (c.saved)), dead).replaceWithText ("torn"));
            }

            const bool saved = together ? FileSaving::replaceAllWith ({ { other, text ("new a") }, { target, text ("new") } })
                                        : FileSaving::replaceWith (target, juce::String ("new"));

            if (c.saved == nullptr)
            {
                EXPECT_FALSE (saved);
                EXPECT_EQ (treeOf (f.dir).joinIntoString ("\n"), before.joinIntoString ("\n"));
                continue;
            }
            EXPECT_TRUE (saved);
            auto expected = before;
            expected.removeString (juce::String (c.saved) + "=old " + octal (c.mode));
            expected.add (juce::String (c.saved) + "=new " + octal (c.mode != 0 ? c.mode : newFileMode));
            if (together)
                expected.set (expected.indexOf ("here/a.mid=old a 0600"), "here/a.mid=new a 0600");
            expected.sort (false);
            EXPECT_EQ (treeOf (f.dir).joinIntoString ("\n"), expected.joinIntoString ("\n"));
        }
    }
}
