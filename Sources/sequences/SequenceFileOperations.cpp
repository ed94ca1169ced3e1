// The message set's two sequence-file operations: between the instrument, the sequence file
// and the MIDI files. The formats themselves are SequenceFile's.
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

    juce::MemoryBlock bytes;   // a missing or unreadable file reads as no text
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

    bool written = built && FileSaving::replaceWith (*file, fileText (sequences));
    if (withMidiFiles)
        for (int s = 0; written && s < sequenceCount; ++s)
            written = FileSaving::replaceWith (midiFilePath (*file, s + 1), midiFiles[(size_t) s]);

    if (! written)
        saveError ("Unable to write the sequence file.");
}
