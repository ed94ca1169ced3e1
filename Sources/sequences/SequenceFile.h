#pragma once

#include "JuceIncludes.h"
#include <array>
#include <functional>
#include <vector>

// The sequence text file ("*.kdseq") and the MIDI export of a sequence, as plain functions of
// text, steps and timing: no port, no box, no file. HWMessages::setSeqPatternFromFile and
// HWMessages::getSeqPatterntoFile put them between the instrument and the disk.
//
// A step is one byte: 1 to 125 a MIDI note, 127 a rest ("x" in the file), 0 the end of the
// sequence in the instrument's 64-step image. The user and the file number the six sequences
// 1 to 6; the instrument's messages carry the index, the number minus 1.
namespace SequenceFile
{
constexpr int sequenceCount = 6;
constexpr int maxSteps = 64;
constexpr juce::uint8 restStep = 127;
constexpr juce::uint8 endStep = 0;
constexpr int highestNote = 125;

/** The instrument's image of one sequence: its steps up to the first 0 (or all 64). */
using Steps = std::array<juce::uint8, maxSteps>;

// ---------------------------------------------------------------------------------------------
// Reading

/** One accepted sequence line: the sequence number (1 to 6) and its steps in token order. */
struct Line
{
    int sequence = 0;
    std::vector<juce::uint8> steps;

    bool operator== (const Line& other) const { return sequence == other.sequence && steps == other.steps; }
};

/** A sequence file's bytes as text, read as juce::File::loadFileAsString reads them (UTF-16
    behind its byte-order mark, UTF-8 with or without one, otherwise Windows-1252), except that
    UTF-8 counts only when it is well formed. Ill-formed UTF-8 that the framework would take
    all the same (overlong forms, surrogates, code points past U+10FFFF) is read byte by byte
    (Latin-1): the framework's strings keep such bytes as they come and then write past their
    own memory when they copy them. */
juce::String textOf (const void* data, size_t size);

/** The lenient integer of the file: leading white space skipped, an optional minus sign, then
    decimal digits up to the first other character; no digits give 0. Unlike
    juce::String::getIntValue, a plus sign is no part of a number ("+60" gives 0). Values far
    beyond any step or sequence number are held at a bound instead of overflowing. */
int integerValue (const juce::String& text);

/** The file's text cut into lines: every line feed ends a line, except inside a stretch
    between double quotes; a line feed at the very end starts no further line; a carriage
    return that ends a line is no part of it. */
juce::StringArray splitLines (const juce::String& text);

/** A step text cut into tokens at every blank (and nothing else); a blank at the very end
    starts no further token. */
juce::StringArray splitTokens (const juce::String& stepText);

/** Reads the text line by line, handing every accepted line to accept before the next line
    is looked at. Reading stops silently at the first line whose sequence number is not 1 to
    6, and with an error at the first malformed line (nothing of it is accepted). Returns the
    error text for the user, or an empty text. */
juce::String read (const juce::String& text, const std::function<void (const Line&)>& accept);

struct ReadResult
{
    std::vector<Line> lines;   // accepted, in file order
    juce::String error;        // empty when none
};

ReadResult read (const juce::String& text);

// ---------------------------------------------------------------------------------------------
// Writing

/** A sequence line without its line end: the number, ":" and the step tokens separated by
    single blanks ("x" for a rest), up to the first 0 step. */
juce::String lineFor (int number, const Steps& steps);

/** The whole file: the six sequences' lines, 1 to 6, each ended by a carriage return and a
    line feed. ASCII only. */
juce::String fileText (const std::array<Steps, sequenceCount>& sequences);

/** The MIDI timing of a sequence, from the instrument's step size S and gate length G. */
struct Timing
{
    int stepSize = 16;     // S: steps per whole note
    int gateLength = 1;    // G: quarters of a step that a note sounds

    /** The instrument's answers, with 0 (which would divide by zero, or give notes that end
        before they start) taken as the defaults. */
    static Timing fromAnswers (juce::uint8 stepSize, juce::uint8 gateLength);

    /** T = 768 / S ticks (768 ticks are a whole note at 192 per quarter). */
    int stepTicks() const;
    /** D = (192 / S) * G ticks, the division truncated first. */
    int gateTicks() const;
};

constexpr int ticksPerQuarterNote = 192;
constexpr int midiChannel = 1;
constexpr juce::uint8 velocity = 64;

/** The note events of a sequence in time order: for each note step j, its note-off at
    T * j + D added before its note-on at T * j; rests add nothing. */
juce::MidiMessageSequence eventsFor (const Steps& steps, Timing timing);

/** The standard MIDI file of a sequence: format 1, one track of eventsFor, 192 ticks per
    quarter note. False (and data left empty) when the framework's writer fails. */
bool midiFileFor (const Steps& steps, Timing timing, juce::MemoryBlock& data);

/** Where the MIDI file of sequence number goes: the sequence file's full path, "_", the
    number and ".mid". */
juce::File midiFilePath (const juce::File& sequenceFile, int number);
} // namespace SequenceFile
