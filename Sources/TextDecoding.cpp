#include "TextDecoding.h"
#include <cstring>
#include <string>

namespace TextDecoding
{
bool isWellFormedUtf8 (const void* data, size_t n)
{
    const auto* b = static_cast<const juce::uint8*> (data);
    for (size_t i = 0; i < n;)
    {
        const auto lead = b[i];
        if (lead < 0x80)
        {
            ++i;
            continue;
        }
        size_t extra = 0;
        juce::uint32 lowest = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            extra = 1, lowest = 0x80;
        else if (lead >= 0xE0 && lead <= 0xEF)
            extra = 2, lowest = 0x800;
        else if (lead >= 0xF0 && lead <= 0xF4)
            extra = 3, lowest = 0x10000;
        else
            return false;
        if (n - i <= extra)
            return false;

        juce::uint32 codePoint = lead & (0x3Fu >> extra);
        for (size_t k = 1; k <= extra; ++k)
        {
            if ((b[i + k] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (b[i + k] & 0x3Fu);
        }
        if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

juce::String bytesAsCharacters (const void* data, size_t size)
{
    const auto* b = static_cast<const juce::uint8*> (data);
    std::string utf8;
    utf8.reserve (2 * size);
    for (size_t i = 0; i < size; ++i)
    {
        const auto c = b[i];
        if (c < 0x80)
        {
            utf8 += (char) c;
        }
        else
        {
            utf8 += (char) (0xC0 | (c >> 6));
            utf8 += (char) (0x80 | (c & 0x3F));
        }
    }
    return juce::String::fromUTF8 (utf8.data(), (int) utf8.size());
}

juce::String fromOutsideBytes (const void* data, size_t size)
{
    if (data == nullptr || size == 0)
        return {};
    if (isWellFormedUtf8 (data, size))
        return juce::String::fromUTF8 (static_cast<const char*> (data), (int) size);
    return bytesAsCharacters (data, size);
}

juce::String firstBytesOf (const juce::String& text, size_t most)
{
    const char* bytes = text.toRawUTF8();
    if (std::strlen (bytes) <= most)
        return text;
    size_t size = most;
    while (size > 0 && ((juce::uint8) bytes[size] & 0xC0) == 0x80)
        --size;
    return juce::String::fromUTF8 (bytes, (int) size);
}
} // namespace TextDecoding
