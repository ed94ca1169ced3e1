#pragma once

#include "JuceIncludes.h"

/** Scans one folder on a thread of its own ("File thread") through the framework's directory
    contents list, and lets its owner wait on the message thread until a scan has finished.
    Lists files only, never folders, and leaves hidden files out. */
class DirectoryListHelper
{
public:
    /** Starts the thread; scans nothing yet. */
    DirectoryListHelper (const juce::String& folderPath, const juce::String& fileWildcard);

    /** Stops and joins the thread, then deletes the contents list. */
    virtual ~DirectoryListHelper();

    /** Points the contents list at the folder (files, no folders) and waits until it is loaded.
        The framework rescans only when the folder or the kind of entries changes, so a second
        call starts no scan and returns at once. */
    void CreateList();

    /** Rescans the folder and waits until it is loaded. */
    void RefreshList();

    /** Polls the list every 10 ms until it is no longer loading; the message thread sleeps
        meanwhile. Gives up and returns false as soon as the application is quitting. */
    static bool waitWhileLoading (const juce::DirectoryContentsList& contents);

    /** The contents list the owner's list box shows. */
    std::unique_ptr<juce::DirectoryContentsList> mContents;

private:
    juce::TimeSliceThread mThread;
    juce::WildcardFileFilter mFilter;
    juce::File mDirectory;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DirectoryListHelper)
};
