#include "presets/DirectoryListHelper.h"
#include "link/PortUse.h"

DirectoryListHelper::DirectoryListHelper (const juce::String& folderPath, const juce::String& fileWildcard)
    : mThread ("File thread"),
      mFilter (fileWildcard, "*", juce::String()),
      mDirectory (folderPath)
{
    mThread.startThread();
    mContents = std::make_unique<juce::DirectoryContentsList> (&mFilter, mThread);
}

DirectoryListHelper::~DirectoryListHelper()
{
    // A slice reads at most 150 ms of the folder before it returns, so the join ends soon.
    mThread.stopThread (10000);
    mContents = nullptr;
}

void DirectoryListHelper::CreateList()
{
    mContents->setDirectory (mDirectory, false, true);
    waitWhileLoading (*mContents);
}

void DirectoryListHelper::RefreshList()
{
    mContents->refresh();
    waitWhileLoading (*mContents);
}

bool DirectoryListHelper::waitWhileLoading (const juce::DirectoryContentsList& contents)
{
    while (contents.isStillLoading())
    {
        if (PortUse::quitting())
            return false;
        juce::Thread::sleep (10);
    }
    return true;
}
