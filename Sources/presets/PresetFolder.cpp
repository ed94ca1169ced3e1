#include "presets/PresetFolder.h"

namespace
{
juce::File& overridden()
{
    static juce::File folder;
    return folder;
}
} // namespace

namespace PresetFolder
{
juce::File get()
{
    if (overridden() != juce::File())
        return overridden();
    return juce::File (juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory).getFullPathName()
                       + "/Quelmor/kelaDorvo/Presets/");
}

void setForTests (const juce::File& folder)
{
    overridden() = folder;
}
} // namespace PresetFolder
