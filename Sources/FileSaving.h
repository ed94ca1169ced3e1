#pragma once

#include "JuceIncludes.h"

// Saving a file so that it is never lost or torn: the new contents go to a temporary sibling,
// which is written, flushed and checked, and only then put in the target's place with one
// rename. On any failure the target is left exactly as it was and the sibling is removed.
namespace FileSaving
{
bool replaceWith (const juce::File& target, const void* data, size_t size);
bool replaceWith (const juce::File& target, const juce::MemoryBlock& data);
bool replaceWith (const juce::File& target, const juce::String& text8bit);

/** Names the temporary sibling a save of target writes first (a hidden file in the same
    folder, unique to the call). */
juce::File temporarySiblingFor (const juce::File& target);
} // namespace FileSaving
