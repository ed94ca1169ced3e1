#include "presets/PresetActions.h"
#include "presets/PresetFolder.h"
#include "presets/PresetManager.h"

namespace PresetActions
{
namespace
{
/** The text names an existing file by its full path. */
bool isExistingFile (const juce::String& path)
{
    return path.startsWithChar ('/') && juce::File (path).existsAsFile();
}

/** Every file of the list is an existing file (an empty file from a malformed element is not). */
bool allExistingFiles (const juce::OwnedArray<juce::File>& files)
{
    for (auto* file : files)
        if (file->getFullPathName().isEmpty() || ! file->existsAsFile())
            return false;
    return true;
}
} // namespace

void importPresets()
{
    PresetManager::importPresets();
}

void exportPresets (const juce::OwnedArray<juce::File>& files)
{
    if (allExistingFiles (files))
        PresetManager::exportPresets (files);
}

void deletePresets (const juce::OwnedArray<juce::File>& files)
{
    bool allInTheLibrary = allExistingFiles (files);
    const auto folder = PresetFolder::get();
    for (auto* file : files)
        allInTheLibrary = allInTheLibrary && file->getParentDirectory() == folder;

    if (allInTheLibrary)
        PresetManager::deletePresets (files);
}

void copyPreset (const juce::String& path)
{
    if (isExistingFile (path))
        PresetManager::copyPreset (juce::File (path));
}

void renamePreset (const juce::String& path)
{
    if (isExistingFile (path))
        PresetManager::renamePreset (juce::File (path), false);
}

juce::uint8 slotOf (const juce::String& message)
{
    if (message.length() < 7 || message[6] != ',')
        return 0;
    const auto digit = message[5];
    return digit >= '1' && digit <= '6' ? juce::uint8 (digit - '0') : juce::uint8 (0);
}

void dropOnList (MidiOutputPort* out, const juce::String& message)
{
    const auto slot = slotOf (message);
    if (slot == 0)
        return;

    const auto text = message.substring (7);
    if (text.startsWithChar ('/'))
    {
        const juce::File file (text);
        if (file.getParentDirectory() == PresetFolder::get() && ! file.getFileName().startsWithChar ('.')
            && ! file.getFileName().containsChar (','))
            PresetManager::storePresetAsNewFile (out, file, slot);
        return;
    }

    // A name that begins with "." would make a hidden file, which the list does not show; one
    // holding a "," a file that the list's messages, which part their paths at every ",", could
    // not name.
    const auto name = text.trim();
    if (name.isEmpty() || name.containsChar ('/') || name.startsWithChar ('.') || name.containsChar (','))
        return;
    const auto fileName = name.endsWith (PresetManager::extension) ? name : name + PresetManager::extension;
    PresetManager::storePresetAsNewFile (out, PresetFolder::get().getChildFile (fileName), slot);
}

void dropOnSlot (MidiOutputPort* out, const juce::String& message)
{
    const auto slot = slotOf (message);
    const auto path = message.substring (7);
    if (slot == 0 || ! isExistingFile (path))
        return;

    juce::String name;
    PresetManager::loadPresetOnHW (out, juce::File (path), slot, name);
}
} // namespace PresetActions
