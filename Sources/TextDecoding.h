#pragma once

#include "JuceIncludes.h"

// Text from bytes that come from outside (files, the hand-over socket, an instrument's preset
// name). The framework keeps ill-formed UTF-8 (overlong sequences, for one) as it is, and some of
// its string operations then read or write past their buffers; such bytes must never reach it
// as UTF-8.
namespace TextDecoding
{
/** Well-formed UTF-8: every sequence the shortest for its code point, no surrogates, nothing
    past U+10FFFF. */
bool isWellFormedUtf8 (const void* data, size_t size);

/** Each byte as the character of the same number (Latin-1). */
juce::String bytesAsCharacters (const void* data, size_t size);

/** The bytes as UTF-8 when they are well formed, otherwise byte by byte. */
juce::String fromOutsideBytes (const void* data, size_t size);

/** The first bytes of text's UTF-8, at most most of them, cut between two characters: no
    character is ever cut in two. text itself when it takes no more. */
juce::String firstBytesOf (const juce::String& text, size_t most);
} // namespace TextDecoding
