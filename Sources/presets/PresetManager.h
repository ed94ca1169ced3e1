#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"

/** The preset library's operations: importing preset files into the preset library folder,
    exporting, copying, renaming and deleting them, loading a preset file into one of the
    instrument's preset slots and storing a slot into a preset file. Every question goes through
    the prompts layer; nothing reports a failed copy, rename or transfer, but a preset that
    cannot go to the trash is told. Message thread only.

    No file is ever half written: every copy and store goes to a temporary sibling first and is
    put in the target's place with one rename, so a failure leaves the target as it was. */
class PresetManager
{
public:
    /** Sends the preset file to the instrument and has it stored into the slot; name becomes
        the preset's name. Nothing is sent unless the file holds a preset, and the slot is not
        stored unless the block went over whole. */
    static void loadPresetOnHW (MidiOutputPort* out, const juce::File& file, juce::uint8 slot, juce::String& name);

    /** Has the instrument recall the slot, receives its block and writes it to file (replacing
        a preset file there). Nothing is written unless the whole block arrived. */
    static void storePresetFromHW (MidiOutputPort* out, const juce::File& file, juce::uint8 slot);

    /** As storePresetFromHW, into a new file: wanted, or "name (2).ext", "name (3).ext" ...
        when that is taken, picked once the block has arrived; never over an existing file.
        The preset library folder is created when the file goes there; a folder that is not
        there and cannot be made is told ("Loading error") and nothing is stored. */
    static void storePresetAsNewFile (MidiOutputPort* out, const juce::File& wanted, juce::uint8 slot);

    /** Asks for a new name ("Rename preset :" or "Copy preset :") and moves the file there, or
        copies it when copy is true. A taken name asks whether to overwrite it: yes goes on, no
        asks for the name again, cancel ends without a change. An empty name, one that begins
        with "." (a hidden file, which the list does not show), or one holding a path separator
        or a "," (where the list's messages part their paths), asks again. A file that is not a
        regular file (a named pipe, a device) is told as one that cannot be opened ("Loading
        error"), and nothing else happens. */
    static void renamePreset (const juce::File& file, bool copy);
    static void copyPreset (const juce::File& file);

    /** Asks, then moves each file to the trash. Only files directly in the preset library
        folder are ever moved. A file that cannot be moved there whole stays where it was, and
        the user is told ("Delete error"). */
    static void deletePresets (const juce::OwnedArray<juce::File>& files);

    /** Asks for a folder and copies each file there, replacing a file of the same name. A file
        that is not a regular file is told as one that cannot be opened and not copied. */
    static void exportPresets (const juce::OwnedArray<juce::File>& files);

    /** Asks for preset files and copies them into the preset library folder (created when
        missing), replacing a file of the same name. A chosen name without ".preset" is looked
        for with ".preset" appended. A file that is not a regular file is told as one that
        cannot be opened and not copied. */
    static void importPresets();

    /** wanted when nothing exists there, otherwise the first free "name (n).ext" beside it;
        an empty file when none is free. */
    static juce::File unusedFileFor (const juce::File& wanted);

    /** Copies from (a regular file only) over to, through a temporary sibling of to; true when
        done. */
    static bool copyReplacing (const juce::File& from, const juce::File& to);

    /** Moves from over to with one rename (never into or over a folder); true when done. */
    static bool moveReplacing (const juce::File& from, const juce::File& to);

    static constexpr const char* extension = ".preset";
    static constexpr const char* pattern = "*.preset";
};
