#include "FileSaving.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <signal.h>
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

    // The first bytes up to a character's start: no character is ever cut in two.
    size_t kept = mostBytesKept;
    while (kept > 0 && ((juce::uint8) bytes[kept] & 0xC0) == 0x80)
        --kept;
    juce::String hash;
    const auto h = hashOf (bytes, size);
    for (int shift = 60; shift >= 0; shift -= 4)
        hash << "0123456789abcdef"[(h >> shift) & 0xF];
    return juce::String::fromUTF8 (bytes, (int) kept) + juce::String::repeatedString ("~", (int) (longTagBytes - hashDigits - kept))
           + hash;
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

/** Writes data to a new temporary sibling of target, flushed (the stream's flush syncs it to
    the disk) and checked; the sibling, or an empty file when anything failed (nothing is left
    behind then). */
juce::File writeTemporary (const juce::File& target, const void* data, size_t size)
{
    if (! canBeSaved (target) || (size > 0 && data == nullptr))
        return {};

    const auto temporary = temporarySiblingFor (target);
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

bool replaceWith (const juce::File& target, const void* data, size_t size)
{
    const auto temporary = writeTemporary (target, data, size);
    if (temporary == juce::File() || ! putInPlace (temporary, target))
        return false;
    removeStaleTemporaries (target);
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
    std::vector<juce::File> temporaries;
    bool written = true;
    for (auto& [target, data] : files)
    {
        auto temporary = writeTemporary (target, data.getData(), data.getSize());
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
            placed = putInPlace (temporaries[i], files[i].first);
        else
            temporaries[i].deleteFile();
    }

    if (placed)
        for (auto& [target, data] : files)
            removeStaleTemporaries (target);
    return placed;
}
} // namespace FileSaving
