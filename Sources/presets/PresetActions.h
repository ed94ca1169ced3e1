#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"

// The bodies of the preset library's action messages. Their messages carry file paths; a
// message that does not hold exactly what its sender sends (full paths of existing files, a
// slot of the six, and for a deletion only files of the preset library folder) is dropped
// whole, so no file is ever touched on a guess.
namespace PresetActions
{
void importPresets();
/** files: the message's paths as the application parses them. */
void exportPresets (const juce::OwnedArray<juce::File>& files);
/** Only files directly inside the preset library folder are trashed. */
void deletePresets (const juce::OwnedArray<juce::File>& files);
void copyPreset (const juce::String& path);
void renamePreset (const juce::String& path);

/** "DRLT ": a slot dropped on the preset list; the slot is stored into a new preset file of
    the preset library folder. A drag from a slot names no file but "Mon preset": the file
    takes that name. Nothing existing is ever written over, and no name that begins with "."
    (a hidden file) or holds a "," (which the list's messages could not name) is taken. */
void dropOnList (MidiOutputPort* out, const juce::String& message);
/** "DRSL ": a preset file dropped on a slot; the file is loaded into the slot. */
void dropOnSlot (MidiOutputPort* out, const juce::String& message);

/** The slot of a drop message: its one digit at index 5, 1 to 6, followed by ","; 0 for none. */
juce::uint8 slotOf (const juce::String& message);
} // namespace PresetActions
