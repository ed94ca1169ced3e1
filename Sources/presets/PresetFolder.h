#pragma once

#include "JuceIncludes.h"

namespace PresetFolder
{
/** The preset library folder: the common application-data folder + "/Quelmor/kelaDorvo/Presets/". */
juce::File get();
/** Points get() at another folder (tests); an empty file restores the real one. */
void setForTests (const juce::File& folder);
} // namespace PresetFolder
