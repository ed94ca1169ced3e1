// The message set's two sequence-file operations: between the instrument, the sequence file
// and the MIDI files. The formats themselves are SequenceFile's.
#include "FileReading.h"
#include "FileSaving.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "link/PortUse.h"
#include "sequences/SequenceFile.h"

namespace
{
const char* const parsingErrorTitle = "Sequence file parsing error";
const char* const saveErrorTitle = "Save error";

void saveError (const juce::String& text)
{
    Prompts::message (Prompts::Icon::warning, saveErrorTitle, text);
}
} // namespace

void HWMessages::setSeqPatternFromFile (MidiOutputPort* out, juce::File* file)
{
    if (file == nullptr)
        return;
    const PortUse::Scope busy;  // the port is held across the error box's loop

    // A missing or unreadable file reads as no text; so does what is not a regular file (a
    // named pipe would keep the reading waiting for a writer for ever).
    juce::MemoryBlock bytes;
    if (FileReading::isRegularFile (*file))
        file->loadFileAsData (bytes);
    const auto text = SequenceFile::textOf (bytes.getData(), bytes.getSize());
    const auto error = SequenceFile::read (text, [out] (const SequenceFile::Line& line)
    {
        // Each line goes out as soon as it is accepted.
        setSeqPattern (out, juce::uint8 (line.sequence - 1), juce::uint8 (line.steps.size()), line.steps.data());
    });
    if (error.isNotEmpty())
        Prompts::message (Prompts::Icon::warning, parsingErrorTitle, error);
}

void HWMessages::getSeqPatterntoFile (MidiOutputPort* out, juce::File* file)
{
    using namespace SequenceFile;
    if (file == nullptr || file->getFullPathName().isEmpty())
        return;

    // Fourteen reply waits on the instrument's ports: nothing may close them meanwhile.
    const PortUse::Scope busy;

    const bool withMidiFiles = Prompts::okCancel (
        Prompts::Icon::warning, "Generate MidiFiles?",
        "You are about to save your sequences as a .kdseq file.\nWould you like to generate separate MidiFiles too?");
    if (PortUse::quitting())
        return;

    // Everything is read before anything is written: a silent instrument leaves the old file.
    juce::uint8 gateLength = 1, stepSize = 16;
    std::array<Steps, sequenceCount> sequences {};  // each sequence starts from a cleared image
    bool answered = getGateLen (out, &gateLength) && getStepSize (out, &stepSize);
    for (int s = 0; answered && s < sequenceCount; ++s)
        answered = getSeqPattern (out, juce::uint8 (s), sequences[(size_t) s].data());

    if (! answered)
    {
        if (! PortUse::quitting())
            saveError ("Unable to read the sequences from KelaDorvo.\nThe file was not written.");
        return;
    }

    const auto timing = Timing::fromAnswers (stepSize, gateLength);
    std::array<juce::MemoryBlock, sequenceCount> midiFiles;
    bool built = true;
    if (withMidiFiles)
        for (int s = 0; built && s < sequenceCount; ++s)
            built = midiFileFor (sequences[(size_t) s], timing, midiFiles[(size_t) s]);

    // The sequence file and its MIDI files are all written whole before any of them is put
    // in place: a failure leaves every file of the earlier save as it was. The sequence file
    // goes in place last, so a new one always has its new MIDI files beside it.
    bool written = built;
    if (written)
    {
        std::vector<std::pair<juce::File, juce::MemoryBlock>> files;
        if (withMidiFiles)
            for (int s = 0; s < sequenceCount; ++s)
                files.emplace_back (midiFilePath (*file, s + 1), std::move (midiFiles[(size_t) s]));
        const auto text = fileText (sequences);
        files.emplace_back (*file, juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8()));
        written = FileSaving::replaceAllWith (files);
    }

    if (! written)
        saveError ("Unable to write the sequence file.");
}
