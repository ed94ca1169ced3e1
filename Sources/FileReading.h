#pragma once

#include "JuceIncludes.h"
#include <sys/stat.h>

// What a user or a folder listing names is opened for reading only when it is a regular file:
// juce::File::existsAsFile() holds for named pipes and devices too, and opening a named pipe
// waits for a writer for ever (a device's contents may never end).
namespace FileReading
{
/** True when file is a regular file (a symbolic link counts as the file it leads to). */
inline bool isRegularFile (const juce::File& file)
{
    const auto path = file.getFullPathName();
    struct stat info {};
    return path.isNotEmpty() && ::stat (path.toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
}
} // namespace FileReading
