#include "presets/PresetFolder.h"

namespace
{
juce::File gOverride;
}

namespace PresetFolder
{
juce::File get()
{
    if (gOverride != juce::File())
        return gOverride;
    return juce::File (juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory).getFullPathName()
                       + "/Quelmor/kelaDorvo/Presets/");
}

void setForTests (const juce::File& folder)
{
    gOverride = folder;
}
} // namespace PresetFolder
