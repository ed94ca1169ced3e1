#include "SequenceTestSupport.h"
#include <cstring>

using seqtest::Sent;

namespace
{
juce::MemoryBlock utf8 (const juce::String& text)
{
    return juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

/** The bytes of a C string as they are, whatever they are. */
juce::MemoryBlock raw (const char* bytes)
{
    return juce::MemoryBlock (bytes, std::strlen (bytes));
}

juce::MemoryBlock utf16WithBom (const juce::String& text)
{
    juce::MemoryOutputStream out;
    out.writeByte ((char) 0xFF);
    out.writeByte ((char) 0xFE);
    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        out.writeShort ((short) *p);  // little-endian
    return out.getMemoryBlock();
}

/** "n:" and count notes 40, 41, ... wrapping inside 1 to 125. */
juce::String longLine (int number, int count)
{
    juce::String line;
    line << number << ":";
    for (int k = 0; k < count; ++k)
        line << (k > 0 ? " " : "") << (40 + k % 80);
    return line;
}

std::vector<int> longSteps (int count)
{
    std::vector<int> s;
    for (int k = 0; k < count; ++k)
        s.push_back (40 + k % 80);
    return s;
}

const char* const badToken11 = "Bad file format on line: 1 token: 1";

class SequenceReader : public seqtest::InstrumentFixture
{
};
} // namespace

// The reader, from the file on disk to the messages the instrument hears and the box shown.
TEST_F (SequenceReader, FileTextsAgainstTheMessagesSentAndTheBox)
{
    struct Case
    {
        const char* name;
        juce::MemoryBlock content;
        std::vector<Sent> sent;
        juce::String box;        // the parsing error's text, empty for no box
        bool missing = false;
    };
    const Case cases[] = {
        { "one line", utf8 ("1:60 62 x 64"), { { 0, { 60, 62, 127, 64 } } }, {} },
        { "CRLF file as written",
          utf8 ("1:60 62 x 64\r\n2:\r\n3:48\r\n4:x x\r\n5:125 1\r\n6:72\r\n"),
          { { 0, { 60, 62, 127, 64 } }, { 1, {} }, { 2, { 48 } }, { 3, { 127, 127 } }, { 4, { 125, 1 } }, { 5, { 72 } } },
          {} },
        { "LF file", utf8 ("1:60 62 x 64\n2:\n3:48\n"), { { 0, { 60, 62, 127, 64 } }, { 1, {} }, { 2, { 48 } } }, {} },
        { "UTF-16 with byte-order mark", utf16WithBom ("1:60 x\r\n2:62\r\n"), { { 0, { 60, 127 } }, { 1, { 62 } } }, {} },
        { "UTF-8 byte-order mark skipped", utf8 (juce::String::fromUTF8 ("\xEF\xBB\xBF") + "1:60\r\n"), { { 0, { 60 } } }, {} },
        // The mark is skipped before bytes that are not UTF-8 as well: the first line keeps
        // its sequence number, and the bad token is found where it is.
        { "byte-order mark, then a lone byte", raw ("\xEF\xBB\xBF" "1:60\r\n2:62 \xE9\r\n"), { { 0, { 60 } } },
          "Bad file format on line: 2 token: 2" },
        { "byte-order mark, then an overlong form", raw ("\xEF\xBB\xBF" "1:60\r\n2:\xC0\xB0\r\n"), { { 0, { 60 } } },
          "Bad file format on line: 2 token: 1" },
        { "empty file", {}, {}, {} },
        { "missing file", {}, {}, {}, true },

        { "blank after the colon", utf8 ("1: 60"), {}, badToken11 },
        { "double blank", utf8 ("1:60  62"), {}, "Bad file format on line: 1 token: 2" },
        { "trailing blank", utf8 ("1:60 62 \r\n"), { { 0, { 60, 62 } } }, {} },
        // A line end drops its carriage return and nothing else: the blanks before it stay.
        { "two blanks before CRLF", utf8 ("1:60  \r\n"), {}, "Bad file format on line: 1 token: 2" },
        { "two blanks before LF", utf8 ("1:60  \n"), {}, "Bad file format on line: 1 token: 2" },
        { "a carriage return before CRLF", utf8 ("1:60 \r\r\n"), {}, "Bad file format on line: 1 token: 2" },
        { "tab inside a token", utf8 ("1:60\t62"), { { 0, { 60 } } }, {} },
        { "x anywhere is a rest", utf8 ("1:max 0x3C x"), { { 0, { 127, 127, 127 } } }, {} },
        { "capital X", utf8 ("1:X"), {}, badToken11 },
        { "plus sign", utf8 ("1:+60"), {}, badToken11 },
        { "leading zero", utf8 ("1:060"), { { 0, { 60 } } }, {} },
        { "digits then letters", utf8 ("1:60abc"), { { 0, { 60 } } }, {} },
        { "0", utf8 ("1:0\n"), {}, badToken11 },
        { "126", utf8 ("1:60 126"), {}, "Bad file format on line: 1 token: 2" },
        { "-5", utf8 ("1:-5"), {}, badToken11 },
        { "lines before the error stay sent", utf8 ("1:60\r\n2:62 x 0\r\n3:64\r\n"), { { 0, { 60 } } },
          "Bad file format on line: 2 token: 3" },

        { "64 tokens in two messages", utf8 (longLine (2, 64)), { { 1, longSteps (64) } }, {} },
        { "65 tokens", utf8 ("1:60\n" + longLine (4, 65) + "\n5:62"), { { 0, { 60 } } }, "Sequence number: 4 is longer than 64" },
        { "65 tokens, a bad one among the first 64", utf8 (longLine (4, 10) + " 0 " + longLine (4, 60).fromFirstOccurrenceOf (":", false, false)),
          {}, "Bad file format on line: 1 token: 11" },

        { "sequence 0 stops silently", utf8 ("0:60\n1:60"), {}, {} },
        { "sequence -1 stops silently", utf8 ("-1:60\n1:60"), {}, {} },
        { "sequence 7 stops silently", utf8 ("1:48\r\n7:60\r\n2:60"), { { 0, { 48 } } }, {} },
        { "sequence +1 is no number", utf8 ("+1:60"), {}, {} },
        { "empty first line", utf8 ("\n1:60"), {}, {} },
        { "heading", utf8 ("My sequences\n1:60"), {}, {} },
        { "empty line in between", utf8 ("1:60\n\n2:62"), { { 0, { 60 } } }, {} },
        { "number alone", utf8 ("3"), { { 2, {} } }, {} },
        { "no colon", utf8 ("3 60 62"), { { 2, {} } }, {} },
        { "file order, repeats", utf8 ("6:48\n1:60\n1:60\n"), { { 5, { 48 } }, { 0, { 60 } }, { 0, { 60 } } }, {} },

        // A quoted stretch keeps its line feeds: the file lines it spans are one line, which
        // counts once.
        { "quoted line feeds", utf8 ("1:60 \"x\n62\" 64\n2:48"), { { 0, { 60, 127, 64 } }, { 1, { 48 } } }, {} },
        { "quoted lines count as one", utf8 ("1:60 \"x\n\n\"\n2:0"), { { 0, { 60, 127 } } },
          "Bad file format on line: 2 token: 1" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        instrument.clearReceived();
        prompts.clear();

        auto file = temp.file (juce::String ("case.kdseq"));
        file.deleteFile();
        if (! c.missing)
        {
            ASSERT_TRUE (file.replaceWithData (c.content.getData(), c.content.getSize()));
        }

        HWMessages::setSeqPatternFromFile (out.get(), &file);

        // The sends are synchronous on the virtual bus: all of them are in when the call ends.
        EXPECT_EQ (seqtest::sequenceMessages (instrument), seqtest::messagesFor (c.sent));
        if (c.box.isEmpty())
        {
            EXPECT_TRUE (prompts.prompts().empty());
        }
        else
        {
            ASSERT_EQ (prompts.prompts().size(), 1u);
            const auto box = prompts.prompts()[0];
            EXPECT_EQ (box.kind, Prompts::Kind::message);
            EXPECT_EQ (box.icon, Prompts::Icon::warning);
            EXPECT_EQ (box.title, "Sequence file parsing error");
            EXPECT_EQ (box.text, c.box);
        }
    }
}

// Each accepted line goes out before the next one is looked at, so the sequences before a bad
// line are on the instrument by the time its box is up.
TEST_F (SequenceReader, LinesBeforeABadLineAreSentBeforeTheBoxIsShown)
{
    auto file = temp.file ("bad.kdseq");
    ASSERT_TRUE (file.replaceWithText ("1:60\r\n2:62\r\n3:oops\r\n"));
    juce::StringArray atTheBox;
    prompts.onPrompt = [&] (const auto&) { atTheBox = seqtest::sequenceMessages (instrument); };

    HWMessages::setSeqPatternFromFile (out.get(), &file);

    EXPECT_EQ (prompts.titles(), juce::StringArray ("Sequence file parsing error"));
    EXPECT_EQ (atTheBox, seqtest::messagesFor ({ { 0, { 60 } }, { 1, { 62 } } }));
}

// A named pipe chosen as the sequence file is not opened (reading it would wait for a writer
// for ever): like a missing file it holds no sequence, and nothing is sent.
TEST_F (SequenceReader, APipeIsNotRead)
{
    testsupport::NamedPipe pipe (temp.file ("pipe.kdseq"));
    ASSERT_TRUE (pipe.made());
    auto file = pipe.file();

    HWMessages::setSeqPatternFromFile (out.get(), &file);

    EXPECT_FALSE (pipe.readerReleased()) << "the pipe was opened";
    EXPECT_TRUE (seqtest::sequenceMessages (instrument).isEmpty());
    EXPECT_TRUE (prompts.prompts().empty());
}

// Pure line and token splitting, for what the table above cannot show by messages alone.
TEST (SequenceFileText, LinesAndTokens)
{
    EXPECT_EQ (SequenceFile::splitLines ("a\r\nb\r\n"), juce::StringArray ("a", "b"));
    EXPECT_EQ (SequenceFile::splitLines ("\n\na"), juce::StringArray ("", "", "a"));
    EXPECT_EQ (SequenceFile::splitLines (""), juce::StringArray());
    EXPECT_EQ (SequenceFile::splitLines ("a \"b\nc\" d\ne"), juce::StringArray ("a \"b\nc\" d", "e"));
    EXPECT_EQ (SequenceFile::splitLines ("a \"open\nb"), juce::StringArray ("a \"open\nb"));
    EXPECT_EQ (SequenceFile::splitTokens (" 60  62 "), juce::StringArray ("", "60", "", "62"));
    EXPECT_EQ (SequenceFile::splitTokens (""), juce::StringArray());

    struct Number { const char* text; int value; };
    const Number numbers[] = { { "60", 60 },     { " \t60", 60 }, { "-1", -1 },   { "+60", 0 }, { "060", 60 },
                               { "60abc", 60 }, { "abc", 0 },    { "- 5", 0 },   { "", 0 },    { "99999999999999", 1000000 } };
    for (auto& n : numbers)
        EXPECT_EQ (SequenceFile::integerValue (n.text), n.value) << n.text;
}

// A file's bytes as text. Well-formed UTF-8 and UTF-16 are read as what they say; ill-formed
// UTF-8 that the framework would keep as it comes (its strings then write past their own
// memory when copied) is read byte by byte instead.
TEST (SequenceFileText, BytesAsText)
{
    using B = std::vector<juce::uint8>;
    struct Case
    {
        const char* name;
        B bytes;
        juce::String text;
    };
    const Case cases[] = {
        { "ASCII", { '1', ':', '6', '0' }, "1:60" },
        { "well-formed UTF-8 behind its mark", { 0xEF, 0xBB, 0xBF, '1', ':', 0xC3, 0xA9 }, juce::String::fromUTF8 ("1:\xc3\xa9") },
        { "UTF-16 behind its mark", { 0xFF, 0xFE, '1', 0, ':', 0, '7', 0 }, "1:7" },
        { "no UTF-8 at all: Windows-1252", { '1', ':', 0x80 }, juce::String::fromUTF8 ("1:\xe2\x82\xac") },
        { "an overlong digit", { '1', ':', '6', 0xC0, 0xB0 }, juce::String::fromUTF8 ("1:6\xc3\x80\xc2\xb0") },
        { "a lone byte behind the mark", { 0xEF, 0xBB, 0xBF, '1', ':', '6', 0xE9 }, juce::String::fromUTF8 ("1:6\xc3\xa9") },
        { "an overlong digit behind the mark", { 0xEF, 0xBB, 0xBF, '1', ':', '6', 0xC0, 0xB0 },
          juce::String::fromUTF8 ("1:6\xc3\x80\xc2\xb0") },
        { "a surrogate", { '2', ':', 0xED, 0xA0, 0x80 }, juce::String::fromUTF8 ("2:\xc3\xad\xc2\xa0\xc2\x80") },
        { "the mark alone", { 0xEF, 0xBB, 0xBF }, "" },
        { "nothing", {}, "" },
    };
    for (auto& c : cases)
    {
        const auto text = SequenceFile::textOf (c.bytes.data(), c.bytes.size());
        EXPECT_EQ (text, c.text) << c.name;
        EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (text.toRawUTF8(), (int) text.getNumBytesAsUTF8())) << c.name;
        // Every part of the text copies whole (the reader cuts lines and tokens out of it).
        EXPECT_EQ (text.substring (1) + "", text.substring (1)) << c.name;
    }
}
