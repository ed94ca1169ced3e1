// The fuzz targets of the files the user picks: the sequence file.

#include "fuzz/FuzzTargets.h"
#include "sequences/SequenceActions.h"
#include "sequences/SequenceFile.h"

namespace fuzz
{
// =============================================================================================
// The sequence file.
//
// Input: the file's bytes, turned into text as the sequence load does (SequenceFile::textOf).

namespace
{
void requireSoundLine (const SequenceFile::Line& line)
{
    require (line.sequence >= 1 && line.sequence <= SequenceFile::sequenceCount, "an accepted line is of sequence 1 to 6");
    require (line.steps.size() <= (size_t) SequenceFile::maxSteps, "an accepted line has at most 64 steps");
    for (auto step : line.steps)
        require ((step >= 1 && step <= SequenceFile::highestNote) || step == SequenceFile::restStep,
                 "every accepted step is a note 1 to 125 or the rest 127");
}
} // namespace

void sequenceFile (const std::uint8_t* data, std::size_t size)
{
    const auto text = SequenceFile::textOf (data, size);

    std::vector<SequenceFile::Line> handedOver;
    const auto error = SequenceFile::read (text, [&] (const SequenceFile::Line& line) { handedOver.push_back (line); });
    const auto result = SequenceFile::read (text);
    require (result.lines == handedOver && result.error == error, "both readers read alike");

    // Every accepted line, written back as the writer writes it, reads again as itself.
    juce::String written;
    for (auto& line : result.lines)
    {
        requireSoundLine (line);
        SequenceFile::Steps steps {};
        std::copy (line.steps.begin(), line.steps.end(), steps.begin());
        written << SequenceFile::lineFor (line.sequence, steps) << "\r\n";
    }
    const auto again = SequenceFile::read (written);
    require (again.error.isEmpty(), "the written-back lines read without an error");
    require (again.lines == result.lines, "the written-back lines read as the same sequences and steps");
}

std::vector<Seed> sequenceFileSeeds()
{
    auto bytesOfText = [] (const juce::String& text) {
        return Bytes (text.toRawUTF8(), text.toRawUTF8() + text.getNumBytesAsUTF8());
    };

    std::array<SequenceFile::Steps, SequenceFile::sequenceCount> factory {};
    const auto& sequences = SequenceActions::factorySequences();
    for (size_t s = 0; s < factory.size() && s < sequences.size(); ++s)
        std::copy (sequences[s].begin(), sequences[s].begin() + (long) std::min (sequences[s].size(), factory[s].size()),
                   factory[s].begin());

    juce::String full ("1:");
    for (int k = 0; k < SequenceFile::maxSteps; ++k)
        full << (k > 0 ? " " : "") << (k % 9 == 0 ? juce::String ("x") : juce::String (1 + (k * 7) % 125));

    Bytes utf16 { 0xFF, 0xFE };
    for (auto c : juce::String ("2:60 x 61\r\n3:125 1\r\n"))
    {
        utf16.push_back ((std::uint8_t) (c & 0xFF));
        utf16.push_back ((std::uint8_t) (c >> 8));
    }
    Bytes bom { 0xEF, 0xBB, 0xBF };
    const auto plain = bytesOfText ("4:  48 x x 50\n5:");
    bom.insert (bom.end(), plain.begin(), plain.end());

    return {
        { "factory_file", bytesOfText (SequenceFile::fileText (factory)) },
        { "full_line_lf", bytesOfText (full + "\n6:x\n") },
        { "heading_ends_reading", bytesOfText ("1:60 62\r\nSequences\r\n2:70\r\n") },
        { "quoted_line_feed", bytesOfText ("1:60 \"\n\" 62\n2:-5 +7\n") },
        { "too_long_line", bytesOfText (full + " 60\r\n") },
        { "bad_token", bytesOfText ("3:60 126 61\r\n") },
        { "utf16_with_bom", utf16 },
        { "utf8_with_bom", bom },
    };
}
} // namespace fuzz
