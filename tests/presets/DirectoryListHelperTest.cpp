#include "presets/DirectoryListHelper.h"
#include "presets/PresetTestSupport.h"

using presettest::TempPresetFolder;

namespace
{
juce::StringArray namesIn (const juce::DirectoryContentsList& contents)
{
    juce::StringArray names;
    for (int i = 0; i < contents.getNumFiles(); ++i)
        names.add (contents.getFile (i).getFileName());
    return names;
}
} // namespace

// Every file but the hidden ones, whatever its extension, in case-insensitive order of the
// names; no folders.
TEST (DirectoryListHelper, ListsEveryVisibleFileAndNoFolder)
{
    TempPresetFolder temp;
    for (auto name : { "b.preset", "A.preset", "c.txt", "noextension", ".hidden" })
        temp.add (name);
    temp.folder().getChildFile ("sub folder").createDirectory();

    DirectoryListHelper helper (temp.folder().getFullPathName(), "*.*");
    helper.CreateList();
    EXPECT_FALSE (helper.mContents->isStillLoading());
    EXPECT_EQ (namesIn (*helper.mContents), juce::StringArray ({ "A.preset", "b.preset", "c.txt", "noextension" }));
    EXPECT_EQ (helper.mContents->getFile (0), temp.folder().getChildFile ("A.preset"));
}

TEST (DirectoryListHelper, MissingOrEmptyFolderGivesNoFile)
{
    TempPresetFolder temp;
    for (auto folder : { temp.folder(), temp.folder().getChildFile ("missing") })
    {
        DirectoryListHelper helper (folder.getFullPathName(), "*.*");
        helper.CreateList();
        EXPECT_EQ (helper.mContents->getNumFiles(), 0);
        helper.RefreshList();
        EXPECT_EQ (helper.mContents->getNumFiles(), 0);
    }
}

// The folder is not followed by itself: a file added or removed shows only after RefreshList;
// a second CreateList starts no scan.
TEST (DirectoryListHelper, RefreshListPicksUpAddedAndRemovedFiles)
{
    TempPresetFolder temp;
    temp.add ("one.preset");
    DirectoryListHelper helper (temp.folder().getFullPathName(), "*.*");
    helper.CreateList();
    EXPECT_EQ (namesIn (*helper.mContents), juce::StringArray ({ "one.preset" }));

    temp.add ("two.preset");
    helper.CreateList();
    EXPECT_EQ (namesIn (*helper.mContents), juce::StringArray ({ "one.preset" }));
    helper.RefreshList();
    EXPECT_EQ (namesIn (*helper.mContents), juce::StringArray ({ "one.preset", "two.preset" }));

    ASSERT_TRUE (temp.folder().getChildFile ("one.preset").deleteFile());
    helper.RefreshList();
    EXPECT_EQ (namesIn (*helper.mContents), juce::StringArray ({ "two.preset" }));
}

// A scan of a large folder is still running on "File thread" when the helper goes: the thread
// stops before the contents list it fills is deleted (the sanitizer builds watch this).
TEST (DirectoryListHelper, DestroyedWhileScanning)
{
    TempPresetFolder temp;
    for (int i = 0; i < 600; ++i)
        temp.add ("p" + juce::String (i) + ".preset");

    for (int round = 0; round < 3; ++round)
    {
        DirectoryListHelper helper (temp.folder().getFullPathName(), "*.*");
        helper.mContents->setDirectory (temp.folder(), false, true);
        EXPECT_TRUE (helper.mContents->isStillLoading());
    }

    DirectoryListHelper helper (temp.folder().getFullPathName(), "*.*");
    helper.CreateList();
    EXPECT_EQ (helper.mContents->getNumFiles(), 600);
}

// The wait ends once the application is quitting, even for a list that would never finish
// loading (here a list whose thread never runs). Quitting cannot be undone in a process, so
// this runs in a child process of its own.
TEST (DirectoryListHelper, WaitEndsWhenTheApplicationQuits)
{
    if (presettest::runOnOwnDisplay())
        return;

    TempPresetFolder temp;
    temp.add ("one.preset");
    juce::TimeSliceThread idle ("never started");
    juce::WildcardFileFilter filter ("*.*", "*", {});
    juce::DirectoryContentsList contents (&filter, idle);
    contents.setDirectory (temp.folder(), false, true);
    ASSERT_TRUE (contents.isStillLoading());

    // The quit request comes from another thread while the message thread sleeps in the wait.
    std::thread quitter ([] {
        juce::Thread::sleep (50);
        juce::MessageManager::getInstance()->stopDispatchLoop();
    });
    EXPECT_FALSE (DirectoryListHelper::waitWhileLoading (contents));
    quitter.join();
    EXPECT_TRUE (contents.isStillLoading());
}
