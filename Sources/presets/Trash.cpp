#include "presets/Trash.h"
#include "FileReading.h"
#include "FileSaving.h"
#include <atomic>
#include <cerrno>
#include <cstdio>

namespace Trash
{
namespace
{
std::atomic<Rename> renameForTests { nullptr };

juce::File home() { return juce::File::getSpecialLocation (juce::File::userHomeDirectory); }

juce::File freedesktopFiles() { return home().getChildFile (".local/share/Trash/files"); }

/** A path as a .trashinfo file gives it: every byte but letters, digits, "-_.~" and "/"
    escaped as "%XX". */
juce::String escapedPath (const juce::String& path)
{
    juce::String out;
    for (const char* p = path.toRawUTF8(); *p != 0; ++p)
    {
        const auto c = (juce::uint8) *p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.'
            || c == '~' || c == '/')
            out << (char) c;
        else
            out << "%" << juce::String::toHexString ((int) c).paddedLeft ('0', 2).toUpperCase();
    }
    return out;
}

/** Tells the freedesktop trash where trashed came from and when. The file is in the trash
    whether or not this can be written: the desktop's trash then only cannot put it back. */
void writeInfo (const juce::File& trashed, const juce::File& original)
{
    const auto info = trashed.getParentDirectory().getSiblingFile ("info");
    if (! info.isDirectory() && ! info.createDirectory())
        return;
    const juce::String text = "[Trash Info]\nPath=" + escapedPath (original.getFullPathName())
                              + "\nDeletionDate=" + juce::Time::getCurrentTime().formatted ("%Y-%m-%dT%H:%M:%S") + "\n";
    FileSaving::replaceWith (info.getChildFile (trashed.getFileName() + ".trashinfo"), text);
}

/** Across file systems: the copy is written and checked whole, and compared, before the
    original goes; on any failure the copy goes instead. */
bool copyThenRemove (const juce::File& file, const juce::File& target)
{
    juce::MemoryBlock bytes, copied;
    if (! FileReading::isRegularFile (file) || ! file.loadFileAsData (bytes) || ! FileSaving::replaceWith (target, bytes))
        return false;
    if (! target.loadFileAsData (copied) || copied != bytes || ! file.deleteFile())
    {
        target.deleteFile();
        return false;
    }
    return true;
}
} // namespace

juce::File filesFolder()
{
    const auto macStyle = home().getChildFile (".Trash");
    return macStyle.isDirectory() ? macStyle : freedesktopFiles();
}

bool moveToTrash (const juce::File& file)
{
    if (! file.exists())
        return true;

    const auto folder = filesFolder();
    if (! folder.isDirectory())
        return false;

    const auto target = folder.getNonexistentChildFile (file.getFileNameWithoutExtension(), file.getFileExtension());
    const auto from = file.getFullPathName(), to = target.getFullPathName();
    auto rename = renameForTests.load();
    if (rename == nullptr)
        rename = &::rename;

    bool moved = rename (from.toRawUTF8(), to.toRawUTF8()) == 0;
    if (! moved && errno == EXDEV)
        moved = copyThenRemove (file, target);
    if (! moved)
        return false;

    if (folder == freedesktopFiles())
        writeInfo (target, file);
    return true;
}

void setRenameForTests (Rename rename)
{
    renameForTests.store (rename);
}
} // namespace Trash
