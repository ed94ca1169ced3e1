#pragma once

#include "JuceIncludes.h"

// The preset library folder: where imports go and what the librarian lists.
namespace PresetFolder
{
/** The folder: the common application-data folder followed by "/Quelmor/kelaDorvo/Presets/", or the one set for tests. */
juce::File get();

/** Points get() at another folder (tests); an empty file brings the real one back. */
void setForTests (const juce::File& folder);
} // namespace PresetFolder
