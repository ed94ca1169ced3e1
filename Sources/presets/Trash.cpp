#include "presets/Trash.h"
#include "FileReading.h"
#include "FileSaving.h"
#include "TextDecoding.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Trash
{
namespace
{
std::atomic<Rename> renameForTests { nullptr };
std::atomic<CopyWritten> copyWrittenForTests { nullptr };

constexpr int mostNumberedNames = 9999;
constexpr size_t mostNameBytes = 255;   // NAME_MAX
const char* const noteSuffix = ".trashinfo";

juce::File home() { return juce::File::getSpecialLocation (juce::File::userHomeDirectory); }

/** The home trash: $XDG_DATA_HOME/Trash when XDG_DATA_HOME holds an absolute path (a relative
    one counts as none), otherwise ~/.local/share/Trash. */
juce::File homeTrash()
{
    const char* data = std::getenv ("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return juce::File (juce::String::fromUTF8 (data)).getChildFile ("Trash");
    return home().getChildFile (".local/share/Trash");
}

/** Makes folder, and the folders above it, where missing, each of them for the user alone. */
bool madeFolder (const juce::File& folder)
{
    if (folder.isDirectory())
        return true;
    const auto parent = folder.getParentDirectory();
    if (parent == folder || ! madeFolder (parent))
        return false;
    // Made meanwhile by someone else is as good.
    return (::mkdir (folder.getFullPathName().toRawUTF8(), S_IRWXU) == 0 || errno == EEXIST) && folder.isDirectory();
}

/** Something (a file, a folder, a link even to nothing) is there under that name. */
bool taken (const juce::File& file)
{
    struct stat info {};
    return ::lstat (file.getFullPathName().toRawUTF8(), &info) == 0;
}

/** The name file takes in the trash at the n-th try: its own, then "<stem> (n)<ext>"; its stem
    cut short when the whole would take more than room bytes (and the whole name cut short,
    its extension with it, when the extension alone leaves no room). */
juce::String trashName (const juce::File& file, int n, size_t room)
{
    auto stem = file.getFileNameWithoutExtension();
    auto extension = file.getFileExtension();
    const auto number = n == 1 ? juce::String() : " (" + juce::String (n) + ")";
    const size_t fixedBytes = extension.getNumBytesAsUTF8() + number.getNumBytesAsUTF8();
    if (fixedBytes >= room)
    {
        stem = file.getFileName();
        extension = {};
    }
    return TextDecoding::firstBytesOf (stem, room - extension.getNumBytesAsUTF8() - number.getNumBytesAsUTF8()) + number + extension;
}

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

enum class Note
{
    made,
    taken,    // a note of that name is there
    failed,   // none can be made, or not whole: nothing of it is left
};

/** Makes the note that tells the home trash where original came from and when, exclusively:
    one that is there already is never written over. */
Note makeNote (const juce::File& note, const juce::File& original)
{
    const auto path = note.getFullPathName();
    const int fd = ::open (path.toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno == EEXIST ? Note::taken : Note::failed;

    const juce::String text = "[Trash Info]\nPath=" + escapedPath (original.getFullPathName())
                              + "\nDeletionDate=" + juce::Time::getCurrentTime().formatted ("%Y-%m-%dT%H:%M:%S") + "\n";
    const char* bytes = text.toRawUTF8();
    size_t left = std::strlen (bytes);
    bool written = true;
    while (written && left > 0)
    {
        // Near a full disk write() comes back short first; the next one fails.
        const auto n = ::write (fd, bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
        {
            bytes += n;
            left -= (size_t) n;
        }
    }
    written = written && ::fsync (fd) == 0;
    written = ::close (fd) == 0 && written;
    if (written)
        return Note::made;
    ::unlink (path.toRawUTF8());
    return Note::failed;
}

/** Across file systems: the copy is written and checked whole, and compared, before the
    original goes; on any failure the copy goes instead. */
bool copyThenRemove (const juce::File& file, const juce::File& target)
{
    juce::MemoryBlock bytes, copied;
    if (! FileReading::isRegularFile (file) || ! file.loadFileAsData (bytes) || ! FileSaving::replaceWith (target, bytes))
        return false;
    if (auto copyWritten = copyWrittenForTests.load())
        copyWritten (target);
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
    return macStyle.isDirectory() ? macStyle : homeTrash().getChildFile ("files");
}

bool moveToTrash (const juce::File& file)
{
    if (! file.exists())
        return true;

    const auto folder = filesFolder();
    const bool homeTrashUsed = folder != home().getChildFile (".Trash");
    const auto info = folder.getSiblingFile ("info");
    if (homeTrashUsed && ! (madeFolder (folder) && madeFolder (info)))
        return false;
    if (! folder.isDirectory())
        return false;

    // A name free in the trash, reserved by its note in the home trash.
    const size_t room = homeTrashUsed ? mostNameBytes - std::strlen (noteSuffix) : mostNameBytes;
    juce::File target, note;
    for (int n = 1; target == juce::File(); ++n)
    {
        if (n > mostNumberedNames)
            return false;
        const auto name = trashName (file, n, room);
        const auto candidate = folder.getChildFile (name);
        if (taken (candidate))
            continue;
        if (homeTrashUsed)
        {
            const auto itsNote = info.getChildFile (name + noteSuffix);
            const auto made = makeNote (itsNote, file);
            if (made == Note::taken)
                continue;
            if (made == Note::failed)
                return false;
            note = itsNote;
        }
        target = candidate;
    }

    const auto from = file.getFullPathName(), to = target.getFullPathName();
    auto rename = renameForTests.load();
    if (rename == nullptr)
        rename = &::rename;

    bool moved = rename (from.toRawUTF8(), to.toRawUTF8()) == 0;
    if (! moved && errno == EXDEV)
        moved = copyThenRemove (file, target);
    if (! moved && note != juce::File())
        note.deleteFile();
    return moved;
}

void setRenameForTests (Rename rename)
{
    renameForTests.store (rename);
}

void setCopyWrittenForTests (CopyWritten copyWritten)
{
    copyWrittenForTests.store (copyWritten);
}
} // namespace Trash
