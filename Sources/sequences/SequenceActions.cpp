#include "sequences/SequenceActions.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "link/PortUse.h"

namespace SequenceActions
{
namespace
{
const char* const sequencePattern = "*.kdseq";
} // namespace

const std::vector<std::vector<juce::uint8>>& factorySequences()
{
    constexpr juce::uint8 x = SequenceFile::restStep;
    static const std::vector<std::vector<juce::uint8>> table {
        { 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60 },
        { 60, 60, 60, 48, 60, 60, 60, 72, 60, 60, 60, 48, 60, 60, 72, 48 },
        { 48, 60, 48, 60, 48, 60, 63, 51, 48, 60, 48, 60, 63, 51, 67, 55,
          48, 60, 48, 60, 48, 60, 63, 51, 48, 60, 48, 60, 63, 51, 67, 61 },
        { 60, 48, x, 72, 60, x, 72, x, 60, 48, x, 72, 60, x, 72, x,
          60, 48, x, 72, 60, x, 72, x, 63, 51, x, 63, 51, x, 65, x },
        { 48, 60, 72, 70, 48, 67, 60, 55, 48, x, 65, 72, 48, 62, 72, 62,
          51, 58, 63, 72, 51, 70, 63, 58, 51, x, 62, 72, 51, 72, 62, 64 },
        { 48, x, x, 60, 48, x, 60, x, 60, x, x, 72, 60, x, 60, x,
          48, x, x, 60, 48, x, 60, x, 65, x, x, 65, x, x, 68, x,
          48, x, x, 60, 48, x, 60, x, 60, x, x, 72, 60, x, 60, x,
          48, x, x, 60, 48, x, 60, x, 53, 65, 52, 64, 51, 63, 50, 49 },
    };
    return table;
}

void factoryReset (MidiOutputPort* out)
{
    const PortUse::Scope busy;
    if (! Prompts::okCancel (Prompts::Icon::warning, "Reset All Sequences",
                             "You are about to reset all the sequences to factory default.\nAre you sure?"))
        return;

    const auto& table = factorySequences();
    for (size_t index = 0; index < table.size(); ++index)
        HWMessages::setSeqPattern (out, juce::uint8 (index), juce::uint8 (table[index].size()), table[index].data());
}

void load (MidiOutputPort* out)
{
    const PortUse::Scope busy;
    Prompts::FileRequest request;
    request.kind = Prompts::Kind::openFile;
    request.title = "Load Sequences";
    request.patterns = sequencePattern;   // no start location: the chooser's own default place

    auto file = Prompts::chooseFile (request);
    if (file == juce::File())
        return;
    HWMessages::setSeqPatternFromFile (out, &file);
}

void save (MidiOutputPort* out)
{
    const PortUse::Scope busy;
    Prompts::FileRequest request;
    request.kind = Prompts::Kind::saveFile;
    request.title = "Save Sequences";
    request.patterns = sequencePattern;
    request.warnAboutOverwriting = true;

    const auto chosen = Prompts::chooseFile (request);
    if (chosen == juce::File())
        return;
    auto target = chosen.withFileExtension ("kdseq");
    // The chooser asked about the name as typed; a file that only the extension names is
    // asked about here, before anything is read or written.
    if (target != chosen && target.exists()
        && ! Prompts::okCancel (Prompts::Icon::warning, "Save Sequences",
                                "The file " + target.getFileName() + " already exists.\nDo you want to replace it?"))
        return;
    HWMessages::getSeqPatterntoFile (out, &target);
}
} // namespace SequenceActions
