#include "presets/PresetManager.h"
#include "FileReading.h"
#include "FileSaving.h"
#include "app/Prompts.h"
#include "firmware/CryptedFile.h"
#include "link/HWMessages.h"
#include "link/PortUse.h"
#include "presets/Preset.h"
#include "presets/PresetFolder.h"
#include "presets/Trash.h"
#include <cstdio>

namespace
{
constexpr int mostNumberedNames = 9999;

/** A named pipe or a device is no preset file: opening a pipe would wait for a writer for
    ever. The user is told that it cannot be opened, as for any other file that cannot be. */
bool openableOrTold (const juce::File& file)
{
    if (FileReading::isRegularFile (file))
        return true;
    Prompts::message (Prompts::Icon::warning, CryptedFile::loadingErrorTitle, CryptedFile::cannotOpenText);
    return false;
}

juce::File documentsFolder() { return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory); }

/** Recalls the slot and receives it into preset; true when the whole block arrived. */
bool receiveSlot (MidiOutputPort* out, juce::uint8 slot, Preset& preset)
{
    HWMessages::recallPreset (out, slot);
    return preset.receiveWhole (out);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Slots

void PresetManager::loadPresetOnHW (MidiOutputPort* out, const juce::File& file, juce::uint8 slot, juce::String& name)
{
    if (out == nullptr)
        return;

    // The ports are held across the whole transfer and the store that follows it.
    PortUse::Scope holdingThePorts;
    Preset preset;
    if (! preset.loadPreset (file))
        return;
    if (! preset.send (out))
        return;
    HWMessages::storePreset (out, slot);
    name = preset.getName();
}

void PresetManager::storePresetFromHW (MidiOutputPort* out, const juce::File& file, juce::uint8 slot)
{
    if (out == nullptr)
        return;

    PortUse::Scope holdingThePorts;
    Preset preset;
    if (receiveSlot (out, slot, preset))
        preset.storePreset (file);
}

void PresetManager::storePresetAsNewFile (MidiOutputPort* out, const juce::File& wanted, juce::uint8 slot)
{
    if (out == nullptr || wanted == juce::File())
        return;

    PortUse::Scope holdingThePorts;
    Preset preset;
    if (! receiveSlot (out, slot, preset))
        return;

    const auto folder = wanted.getParentDirectory();
    if (folder == PresetFolder::get() && ! folder.isDirectory())
        folder.createDirectory();
    if (! folder.isDirectory())
    {
        Prompts::message (Prompts::Icon::warning, CryptedFile::loadingErrorTitle, CryptedFile::cannotOpenText);
        return;
    }

    const auto file = unusedFileFor (wanted);
    if (file != juce::File())
        preset.storePreset (file);
}

// ---------------------------------------------------------------------------------------------
// Files

void PresetManager::copyPreset (const juce::File& file)
{
    renamePreset (file, true);
}

void PresetManager::renamePreset (const juce::File& file, bool copy)
{
    if (! openableOrTold (file))
        return;

    const juce::String title = copy ? "Copy preset :" : "Rename preset :";
    juce::String text = file.getFileName();

    for (;;)
    {
        Prompts::editName (title, text);
        if (PortUse::quitting())
            return;

        // Only a name in the file's own folder: nothing empty, nothing that leads elsewhere, no
        // hidden file, which the list would not show, and no ",", at which the list's messages
        // part their paths.
        if (text.trim().isEmpty() || text.startsWithChar ('.') || text.containsChar ('/')
            || text.containsChar (juce::File::getSeparatorChar()) || text.containsChar (','))
            continue;

        auto path = file.getParentDirectory().getFullPathName() + "/" + text;
        if (! text.endsWith (extension))
            path += extension;
        const juce::File target (path);

        if (target.exists())
        {
            const int answer = Prompts::alertYesNoCancel (Prompts::Icon::question, "Overwrite preset :",
                                                          "Are you sure to overwrite the previous preset ?");
            if (answer == Prompts::no)
                continue;
            if (answer != Prompts::yes)
                return;
        }

        if (copy)
            copyReplacing (file, target);
        else
            moveReplacing (file, target);
        return;
    }
}

void PresetManager::deletePresets (const juce::OwnedArray<juce::File>& files)
{
    if (! Prompts::alertOkCancel (Prompts::Icon::question, "Delete presets :", "Are you sure to delete these presets ?"))
        return;

    const auto folder = PresetFolder::get();
    for (auto* file : files)
    {
        if (file != nullptr && file->existsAsFile() && file->getParentDirectory() == folder)
        {
            if (! Trash::moveToTrash (*file))
                Prompts::message (Prompts::Icon::warning, "Delete error",
                                  "Unable to move the preset to the trash.\nThe preset was not deleted.");
        }
    }
}

void PresetManager::exportPresets (const juce::OwnedArray<juce::File>& files)
{
    Prompts::FileRequest request;
    request.kind = Prompts::Kind::directory;
    request.title = "Export presets :";
    request.initialLocation = documentsFolder();
    request.patterns = pattern;
    const auto folder = Prompts::chooseFile (request);
    if (folder == juce::File() || ! folder.isDirectory())
        return;

    for (auto* file : files)
        if (file != nullptr && file->existsAsFile() && openableOrTold (*file))
            copyReplacing (*file, folder.getChildFile (file->getFileName()));
}

void PresetManager::importPresets()
{
    Prompts::FileRequest request;
    request.kind = Prompts::Kind::openFiles;
    request.title = "Import presets :";
    request.initialLocation = documentsFolder();
    request.patterns = pattern;
    const auto chosen = Prompts::chooseFiles (request);

    const auto folder = PresetFolder::get();
    for (auto& file : chosen)
    {
        auto path = file.getFullPathName();
        if (! path.endsWith (extension))
            path += extension;
        const juce::File source (path);
        if (! source.existsAsFile() || ! openableOrTold (source))
            continue;
        if (! folder.isDirectory() && ! folder.createDirectory())
            return;
        copyReplacing (source, folder.getChildFile (source.getFileName()));
    }
}

// ---------------------------------------------------------------------------------------------
// Helpers

juce::File PresetManager::unusedFileFor (const juce::File& wanted)
{
    if (wanted == juce::File() || ! wanted.exists())
        return wanted;

    const auto stem = wanted.getFileNameWithoutExtension();
    const auto ext = wanted.getFileExtension();
    for (int n = 2; n <= mostNumberedNames; ++n)
    {
        const auto candidate = wanted.getSiblingFile (stem + " (" + juce::String (n) + ")" + ext);
        if (! candidate.exists())
            return candidate;
    }
    return {};
}

bool PresetManager::copyReplacing (const juce::File& from, const juce::File& to)
{
    if (! FileReading::isRegularFile (from) || to == juce::File() || to.isDirectory())
        return false;
    if (from == to)
        return true;

    juce::MemoryBlock bytes;
    return from.loadFileAsData (bytes) && FileSaving::replaceWith (to, bytes);
}

bool PresetManager::moveReplacing (const juce::File& from, const juce::File& to)
{
    if (! from.existsAsFile() || to == juce::File() || to.isDirectory())
        return false;
    if (from == to)
        return true;
    return std::rename (from.getFullPathName().toRawUTF8(), to.getFullPathName().toRawUTF8()) == 0;
}
