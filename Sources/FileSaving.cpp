#include "FileSaving.h"
#include <cstdio>

namespace FileSaving
{
juce::File temporarySiblingFor (const juce::File& target)
{
    static std::atomic<juce::uint32> serial { 0 };
    const auto name = "." + target.getFileName() + ".saving-" + juce::String (juce::Time::currentTimeMillis())
                      + "-" + juce::String (serial.fetch_add (1)) + "-"
                      + juce::String::toHexString (juce::Random::getSystemRandom().nextInt());
    return target.getSiblingFile (name);
}

bool replaceWith (const juce::File& target, const void* data, size_t size)
{
    if (target.getFullPathName().isEmpty() || target.isDirectory() || (size > 0 && data == nullptr))
        return false;

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

    if (written)
        written = std::rename (temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0;

    if (! written)
        temporary.deleteFile();
    return written;
}

bool replaceWith (const juce::File& target, const juce::MemoryBlock& data)
{
    return replaceWith (target, data.getData(), data.getSize());
}

bool replaceWith (const juce::File& target, const juce::String& text8bit)
{
    return replaceWith (target, text8bit.toRawUTF8(), text8bit.getNumBytesAsUTF8());
}
} // namespace FileSaving
