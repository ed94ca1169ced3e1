#include "TestSupport.h"
#include "TextDecoding.h"

// Bytes from outside reach the framework as UTF-8 only when they are well formed; anything
// else comes through byte by byte, whole, never cut short and never read past.
TEST (TextDecoding, OnlyWellFormedUtf8IsTakenAsUtf8)
{
    struct Case
    {
        const char* name;
        std::vector<juce::uint8> bytes;
        bool wellFormed;
        juce::String text;
    };
    const auto latin1 = [] (std::initializer_list<int> codes) {
        juce::String s;
        for (int c : codes)
            s += juce::String::charToString ((juce::juce_wchar) c);
        return s;
    };
    const Case cases[] = {
        { "plain ASCII", { 'B', 'a', 's', 's', ' ', '1' }, true, "Bass 1" },
        { "two-byte character", { 'L', 0xC3, 0xA9, 'a', 'd' }, true, juce::String::fromUTF8 ("L\xc3\xa9" "ad") },
        { "overlong slash", { 0xC0, 0xAF }, false, latin1 ({ 0xC0, 0xAF }) },
        { "overlong digit", { '1', ':', 0xC0, 0xB0 }, false, latin1 ({ '1', ':', 0xC0, 0xB0 }) },
        { "lone continuation", { 0x80, 'x' }, false, latin1 ({ 0x80, 'x' }) },
        { "cut short at the end", { 'a', 0xE2, 0x82 }, false, latin1 ({ 'a', 0xE2, 0x82 }) },
        { "surrogate", { 0xED, 0xA0, 0x80 }, false, latin1 ({ 0xED, 0xA0, 0x80 }) },
        { "past U+10FFFF", { 0xF4, 0x90, 0x80, 0x80 }, false, latin1 ({ 0xF4, 0x90, 0x80, 0x80 }) },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (TextDecoding::isWellFormedUtf8 (c.bytes.data(), c.bytes.size()), c.wellFormed);
        const auto text = TextDecoding::fromOutsideBytes (c.bytes.data(), c.bytes.size());
        EXPECT_EQ (text, c.text);
        EXPECT_TRUE (text.toUTF8().isValidString (text.toRawUTF8(), 1 << 20));
        EXPECT_EQ (text.substring (1), c.text.substring (1));
    }
    EXPECT_TRUE (TextDecoding::fromOutsideBytes (nullptr, 0).isEmpty());
}
