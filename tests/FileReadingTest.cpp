#include "TestSupport.h"
#include "FileReading.h"

// Only a regular file, or a link to one, counts: a pipe or a device would block or never end.
TEST (FileReading, OnlyRegularFilesAreFilesToRead)
{
    struct Folder
    {
        Folder() { dir.createDirectory(); }
        ~Folder() { dir.deleteRecursively(); }
        juce::File dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getChildFile ("dorvo-reading-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
    } folder;
    const auto& dir = folder.dir;
    const auto plain = dir.getChildFile ("a.preset");
    ASSERT_TRUE (plain.replaceWithText ("preset"));
    const auto link = dir.getChildFile ("link.preset");
    ASSERT_TRUE (plain.createSymbolicLink (link, false));
    testsupport::NamedPipe pipe (dir.getChildFile ("pipe.preset"));
    ASSERT_TRUE (pipe.made());

    struct Case
    {
        juce::File file;
        bool regular;
    };
    const Case cases[] = {
        { plain, true }, { link, true }, { pipe.file(), false }, { juce::File ("/dev/null"), false },
        { dir, false }, { dir.getChildFile ("missing.preset"), false }, { juce::File(), false },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.file.getFullPathName());
        EXPECT_EQ (FileReading::isRegularFile (c.file), c.regular);
    }
}
