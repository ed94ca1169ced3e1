#include "FileSaving.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <signal.h>
#include <unistd.h>

namespace FileSaving
{
namespace
{
juce::String temporaryPrefixFor (const juce::File& target)
{
    return "." + target.getFileName() + ".saving-";
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

/** The id of the process that wrote a temporary sibling, from its name; 0 when the name
    carries none. */
pid_t writerOf (const juce::String& fileName, const juce::String& prefix)
{
    const auto rest = fileName.substring (prefix.length());
    const auto digits = rest.upToFirstOccurrenceOf ("-", false, false);
    if (digits.isEmpty() || ! digits.containsOnly ("0123456789") || digits.length() > 9)
        return 0;
    return (pid_t) digits.getIntValue();
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
    return file.getParentDirectory() == target.getParentDirectory()
           && file.getFileName().startsWith (temporaryPrefixFor (target));
}

int removeStaleTemporaries (const juce::File& target)
{
    const auto folder = target.getParentDirectory();
    if (! folder.isDirectory())
        return 0;

    const auto prefix = temporaryPrefixFor (target);
    int removed = 0;
    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
    {
        const auto file = entry.getFile();
        if (! file.getFileName().startsWith (prefix))
            continue;
        const auto writer = writerOf (file.getFileName(), prefix);
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
