#include "FileSaving.h"
#include "TextDecoding.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <optional>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSaving
{
namespace
{
// A temporary sibling is named "." + tag + ".saving-" + pid + "-" + serial + "-" + random hex.
// The pid takes at most 10 digits, the serial (32 bits) 10 and the random part (32 bits) 8, so
// the name takes at most the tag's bytes and 39 more. The tag of a name of up to 215 bytes is
// the name itself; the tag of a longer one takes exactly 216 bytes (the first bytes of the
// name, cut on a character boundary, "~" as filler, and a hash of the whole name), so that the
// sibling's name stays within NAME_MAX (255 bytes) and no tag of a long name is ever the name
// of a short target.
constexpr size_t longestNameKept = 215;
constexpr size_t longTagBytes = longestNameKept + 1;
constexpr size_t hashDigits = 16;
constexpr size_t mostBytesKept = longTagBytes - hashDigits - 1;   // at least one "~" follows
const char* const marker = ".saving-";

/** 64-bit FNV-1a of the name's bytes: the same in every process and every run. */
juce::uint64 hashOf (const char* bytes, size_t size)
{
    juce::uint64 h = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i)
    {
        h ^= (juce::uint8) bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

juce::String tagOf (const juce::File& target)
{
    const auto name = target.getFileName();
    const char* bytes = name.toRawUTF8();
    const size_t size = std::strlen (bytes);
    if (size <= longestNameKept)
        return name;

    const auto kept = TextDecoding::firstBytesOf (name, mostBytesKept);
    juce::String hash;
    const auto h = hashOf (bytes, size);
    for (int shift = 60; shift >= 0; shift -= 4)
        hash << "0123456789abcdef"[(h >> shift) & 0xF];
    return kept + juce::String::repeatedString ("~", (int) (longTagBytes - hashDigits - kept.getNumBytesAsUTF8())) + hash;
}

juce::String temporaryPrefixFor (const juce::File& target)
{
    return "." + tagOf (target) + marker;
}

bool isDecimal (const juce::String& s, int mostDigits)
{
    return s.isNotEmpty() && s.length() <= mostDigits && s.containsOnly ("0123456789");
}

/** The id of the process that wrote a temporary sibling of target, from the sibling's name:
    0 when the name is not that of a temporary sibling of target. */
pid_t writerOf (const juce::String& fileName, const juce::File& target)
{
    const auto prefix = temporaryPrefixFor (target);
    if (! fileName.startsWith (prefix))
        return 0;

    // What follows the prefix is exactly <pid>-<serial>-<hex>.
    juce::StringArray fields;
    fields.addTokens (fileName.substring (prefix.length()), "-", {});
    if (fields.size() != 3 || ! isDecimal (fields[0], 9) || ! isDecimal (fields[1], 10) || fields[2].isEmpty()
        || fields[2].length() > 8 || ! fields[2].containsOnly ("0123456789abcdef"))
        return 0;
    return (pid_t) fields[0].getIntValue();
}

bool canBeSaved (const juce::File& target)
{
    return target.getFullPathName().isNotEmpty() && ! target.isDirectory();
}

// As the system itself (MAXSYMLINKS): a longer chain is taken as a loop.
constexpr int mostLinksFollowed = 40;

/** The folder part of a path: all before its last "/" ("/" for a file at the root). */
std::string folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == 0 || slash == std::string::npos ? std::string ("/") : path.substr (0, slash);
}

/** The file a save of target replaces: target itself unless it is a symbolic link, otherwise
    the file at the end of its chain of links, each one read relative to its own folder. Every
    step is taken on the folders as they are on disk (a ".." after a linked folder leads where
    the system would lead), and the file at the end need not exist yet. False for a chain that
    does not end (a loop, or more links than the system itself follows), for a link that names a
    folder, or one whose folder is not there: nothing can be saved there. */
bool fileReplacedBy (const juce::File& target, juce::File& resolved)
{
    std::string path = target.getFullPathName().toStdString();
    for (int links = 0;; ++links)
    {
        // What is not there, or not a link, is the file saved to (the write tells whether it
        // can be).
        struct stat info {};
        if (::lstat (path.c_str(), &info) != 0 || ! S_ISLNK (info.st_mode))
        {
            resolved = links == 0 ? target : juce::File (juce::String::fromUTF8 (path.c_str()));
            return true;
        }
        if (links == mostLinksFollowed)
            return false;

        std::string text (PATH_MAX, '\0');
        const auto length = ::readlink (path.c_str(), text.data(), text.size());
        if (length <= 0 || (size_t) length >= text.size())
            return false;
        text.resize ((size_t) length);

        const auto next = text[0] == '/' ? text : folderOf (path) + "/" + text;
        const auto name = next.substr (next.rfind ('/') + 1);
        if (name.empty() || name == "." || name == "..")
            return false;

        // The folder as it is on disk, so that the next link is read relative to where it
        // really lies: no ".", ".." or linked folder is left in the path.
        char folder[PATH_MAX];
        if (::realpath (folderOf (next).c_str(), folder) == nullptr)
            return false;
        path = (std::strcmp (folder, "/") == 0 ? std::string() : std::string (folder)) + "/" + name;
    }
}

/** The permission bits of the regular file a save replaces, which its temporary takes before
    the rename; none for a new file, which keeps the mode it is made with (the umask's). */
std::optional<mode_t> permissionsOf (const juce::File& replaced)
{
    struct stat info {};
    if (::stat (replaced.getFullPathName().toRawUTF8(), &info) != 0 || ! S_ISREG (info.st_mode))
        return std::nullopt;
    return info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
}

/** Writes data to a new temporary sibling of target, flushed (the stream's flush syncs it to
    the disk) and checked; the sibling, or an empty file when anything failed (nothing is left
    behind then). target is the file itself (no link). When target is there, the sibling is
    made readable by its owner only while it is written, and takes target's permission bits
    once it is complete: the contents of a private file are never open to others. */
juce::File writeTemporary (const juce::File& target, const void* data, size_t size)
{
    if (! canBeSaved (target) || (size > 0 && data == nullptr))
        return {};

    const auto temporary = temporarySiblingFor (target);
    const auto permissions = permissionsOf (target);
    if (permissions.has_value())
    {
        const int fd = ::open (temporary.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0)
            return {};
        ::close (fd);
    }

    bool written = false;
    {
        juce::FileOutputStream out (temporary);
        if (out.openedOk())
        {
            // FileOutputStream reports no short write by itself: the status after the flush
            // tells, and the size on disk is checked as well.
            written = (size == 0 || out.write (data, size)) && (out.flush(), out.getStatus().wasOk());
        }
    }
    written = written && temporary.getSize() == (juce::int64) size;

    if (! written)
    {
        temporary.deleteFile();
        return {};
    }

    // A file system without permissions (FAT on a memory stick) refuses the change; the
    // sibling then stays as it was made, at most more private than target.
    if (permissions.has_value())
        ::chmod (temporary.getFullPathName().toRawUTF8(), *permissions);
    return temporary;
}

/** One rename puts the complete temporary in the target's place. */
bool putInPlace (const juce::File& temporary, const juce::File& target)
{
    if (std::rename (temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
        return true;
    temporary.deleteFile();
    return false;
}

/** removeStaleTemporaries for a file that is no link. */
int removeStaleTemporariesOf (const juce::File& target)
{
    const auto folder = target.getParentDirectory();
    if (! folder.isDirectory())
        return 0;

    int removed = 0;
    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
    {
        const auto file = entry.getFile();
        const auto writer = writerOf (file.getFileName(), target);
        // A temporary of this process or of a running one may be a save under way.
        if (writer <= 0 || writer == ::getpid() || ::kill (writer, 0) == 0 || errno != ESRCH)
            continue;
        if (file.deleteFile())
            ++removed;
    }
    return removed;
}
} // namespace

juce::File temporarySiblingFor (const juce::File& target)
{
    static std::atomic<juce::uint32> serial { 0 };
    const auto name = temporaryPrefixFor (target) + juce::String ((int) ::getpid()) + "-"
                      + juce::String (serial.fetch_add (1)) + "-"
                      + juce::String::toHexString (juce::Random::getSystemRandom().nextInt());
    return target.getSiblingFile (name);
}

bool isTemporarySiblingOf (const juce::File& file, const juce::File& target)
{
    return file.getParentDirectory() == target.getParentDirectory() && writerOf (file.getFileName(), target) > 0;
}

int removeStaleTemporaries (const juce::File& target)
{
    juce::File replaced;
    return fileReplacedBy (target, replaced) ? removeStaleTemporariesOf (replaced) : 0;
}

bool replaceWith (const juce::File& target, const void* data, size_t size)
{
    juce::File replaced;
    if (! fileReplacedBy (target, replaced))
        return false;
    const auto temporary = writeTemporary (replaced, data, size);
    if (temporary == juce::File() || ! putInPlace (temporary, replaced))
        return false;
    removeStaleTemporariesOf (replaced);
    return true;
}

bool replaceWith (const juce::File& target, const juce::MemoryBlock& data)
{
    return replaceWith (target, data.getData(), data.getSize());
}

bool replaceWith (const juce::File& target, const juce::String& text8bit)
{
    return replaceWith (target, text8bit.toRawUTF8(), text8bit.getNumBytesAsUTF8());
}

bool replaceAllWith (const std::vector<std::pair<juce::File, juce::MemoryBlock>>& files)
{
    std::vector<juce::File> replaced (files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (! fileReplacedBy (files[i].first, replaced[i]))
            return false;

    std::vector<juce::File> temporaries;
    bool written = true;
    for (size_t i = 0; i < files.size(); ++i)
    {
        auto temporary = writeTemporary (replaced[i], files[i].second.getData(), files[i].second.getSize());
        written = temporary != juce::File();
        if (! written)
            break;
        temporaries.push_back (temporary);
    }

    if (! written)
    {
        for (auto& temporary : temporaries)
            temporary.deleteFile();
        return false;
    }

    bool placed = true;
    for (size_t i = 0; i < files.size(); ++i)
    {
        // After a failed rename the rest are not put in place either.
        if (placed)
            placed = putInPlace (temporaries[i], replaced[i]);
        else
            temporaries[i].deleteFile();
    }

    if (placed)
        for (auto& file : replaced)
            removeStaleTemporariesOf (file);
    return placed;
}
} // namespace FileSaving
