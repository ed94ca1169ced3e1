#include "TestSupport.h"
#include "FileSaving.h"
#include <optional>
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
