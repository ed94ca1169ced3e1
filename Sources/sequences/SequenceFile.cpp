#include "sequences/SequenceFile.h"
#include "TextDecoding.h"
#include <cstring>
#include <limits>
#include <string>

namespace SequenceFile
{
namespace
{
constexpr int integerBound = 1000000;  // far past every step value and sequence number

/** addTokens with one break character; a break at the very end starts no further token. */
juce::StringArray split (const juce::String& text, const char* breakCharacter, const char* quoteCharacters)
{
    juce::StringArray parts;
    parts.addTokens (text, breakCharacter, quoteCharacters);
    // JUCE hands back an empty last token behind a break that ends the text; the file has no
    // such line or token. (A quoted stretch left open runs to the end, so it is never empty.)
    if (! parts.isEmpty() && parts[parts.size() - 1].isEmpty())
        parts.remove (parts.size() - 1);
    return parts;
}
} // namespace

juce::String textOf (const void* data, size_t size)
{
    const auto* b = static_cast<const juce::uint8*> (data);
    const int n = (int) juce::jmin (size, (size_t) std::numeric_limits<int>::max());
    if (b == nullptr || n <= 0)
        return {};

    const bool utf16 = n >= 2 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE));
    const int bom = (! utf16 && n >= 3 && juce::CharPointer_UTF8::isByteOrderMark (b)) ? 3 : 0;
    if (bom == n)
        return {};   // (the framework would look at the byte behind the mark)
    const auto* text = reinterpret_cast<const char*> (b + bom);
    // The text ends at a zero byte, wherever it is read from.
    const auto* zero = static_cast<const char*> (std::memchr (text, 0, (size_t) (n - bom)));
    const auto length = (size_t) (zero != nullptr ? zero - text : n - bom);
    if (utf16 || n == 1 || ! juce::CharPointer_UTF8::isValidString (text, n - bom)
        || TextDecoding::isWellFormedUtf8 (b + bom, length))
        return juce::String::createStringFromData (data, n);

    return TextDecoding::bytesAsCharacters (b + bom, length);
}

int integerValue (const juce::String& text)
{
    auto p = text.getCharPointer();
    while (! p.isEmpty() && juce::CharacterFunctions::isWhitespace (*p))
        ++p;

    bool negative = false;
    if (*p == '-')
    {
        negative = true;
        ++p;
    }

    int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = juce::jmin (integerBound, value * 10 + (int) (*p - '0'));
    return negative ? -value : value;
}

juce::StringArray splitLines (const juce::String& text)
{
    auto lines = split (text, "\n", "\"");
    for (auto& line : lines)
        if (line.endsWithChar ('\r'))
            line = line.dropLastCharacters (1);
    return lines;
}

juce::StringArray splitTokens (const juce::String& stepText)
{
    return split (stepText, " ", "");
}

juce::String read (const juce::String& text, const std::function<void (const Line&)>& accept)
{
    const auto lines = splitLines (text);
    for (int i = 0; i < lines.size(); ++i)
    {
        const auto& line = lines[i];
        const int position = i + 1;
        const int colon = line.indexOfChar (':');

        Line accepted;
        accepted.sequence = integerValue (colon >= 0 ? line.substring (0, colon) : line);
        if (accepted.sequence < 1 || accepted.sequence > sequenceCount)
            return {};  // a heading, an empty line, a number out of range: the reading ends

        const auto tokens = splitTokens (colon >= 0 ? line.substring (colon + 1) : juce::String());
        for (int j = 0; j < tokens.size(); ++j)
        {
            if (j == maxSteps)
                return "Sequence number: " + juce::String (accepted.sequence) + " is longer than 64";

            const auto& token = tokens[j];
            if (token.containsChar ('x'))
            {
                accepted.steps.push_back (restStep);
                continue;
            }
            const int note = integerValue (token);
            if (note < 1 || note > highestNote)
                return "Bad file format on line: " + juce::String (position) + " token: " + juce::String (j + 1);
            accepted.steps.push_back (juce::uint8 (note));
        }

        if (accept)
            accept (accepted);
    }
    return {};
}

ReadResult read (const juce::String& text)
{
    ReadResult result;
    result.error = read (text, [&result] (const Line& line) { result.lines.push_back (line); });
    return result;
}

// ---------------------------------------------------------------------------------------------

juce::String lineFor (int number, const Steps& steps)
{
    juce::String line;
    line << number << ":";
    for (int j = 0; j < maxSteps && steps[(size_t) j] != endStep; ++j)
    {
        if (j > 0)
            line << " ";
        const auto step = steps[(size_t) j];
        if (step == restStep)
            line << "x";
        else
            line << (int) step;
    }
    return line;
}

juce::String fileText (const std::array<Steps, sequenceCount>& sequences)
{
    juce::String text;
    for (int s = 0; s < sequenceCount; ++s)
        text << lineFor (s + 1, sequences[(size_t) s]) << "\r\n";
    return text;
}

Timing Timing::fromAnswers (juce::uint8 stepSize, juce::uint8 gateLength)
{
    Timing t;
    if (stepSize != 0)
        t.stepSize = stepSize;
    if (gateLength != 0)
        t.gateLength = gateLength;
    return t;
}

int Timing::stepTicks() const
{
    return stepSize > 0 ? 4 * ticksPerQuarterNote / stepSize : 0;
}

int Timing::gateTicks() const
{
    return stepSize > 0 ? (ticksPerQuarterNote / stepSize) * gateLength : 0;
}

juce::MidiMessageSequence eventsFor (const Steps& steps, Timing timing)
{
    const int t = timing.stepTicks();
    const int d = timing.gateTicks();

    juce::MidiMessageSequence events;
    for (int j = 0; j < maxSteps && steps[(size_t) j] != endStep; ++j)
    {
        const int note = steps[(size_t) j];
        if (note == restStep)
            continue;
        // Events at the same tick keep the order they were added in: off first, then on.
        events.addEvent (juce::MidiMessage::noteOff (midiChannel, note, velocity), (double) (t * j + d));
        events.addEvent (juce::MidiMessage::noteOn (midiChannel, note, velocity), (double) (t * j));
    }
    return events;
}

bool midiFileFor (const Steps& steps, Timing timing, juce::MemoryBlock& data)
{
    data.reset();
    juce::MidiFile file;
    file.setTicksPerQuarterNote (ticksPerQuarterNote);
    file.addTrack (eventsFor (steps, timing));

    juce::MemoryOutputStream out;
    if (! file.writeTo (out, 1))
        return false;
    data = out.getMemoryBlock();
    return true;
}

juce::File midiFilePath (const juce::File& sequenceFile, int number)
{
    return juce::File (sequenceFile.getFullPathName() + "_" + juce::String (number) + ".mid");
}
} // namespace SequenceFile
