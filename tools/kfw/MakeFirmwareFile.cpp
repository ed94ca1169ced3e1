// Writes a firmware file ("*.kfw") with the system's own container and the firmware key, for
// the end-to-end runs against the simulated instrument (no vendor firmware is used anywhere).
//   dorvo_make_kfw <file.kfw> <image bytes> [a.b.c.d]
// The image is a fixed byte pattern; with a version, it begins with "DVFW" and the four
// version bytes, which the simulated instrument runs as its firmware version after the update.
#include "firmware/CryptedFile.h"
#include <cstdio>

int main (int argc, char** argv)
{
    if (argc < 3 || ! juce::File::isAbsolutePath (argv[1]))
    {
        std::fprintf (stderr, "usage: dorvo_make_kfw <absolute path of file.kfw> <image bytes> [a.b.c.d]\n");
        return 2;
    }
    juce::ScopedJuceInitialiser_GUI juce;

    const int bytes = juce::jmax (0, juce::String (argv[2]).getIntValue());
    juce::MemoryBlock image ((size_t) bytes, true);
    auto* b = static_cast<juce::uint8*> (image.getData());
    for (int i = 0; i < bytes; ++i)
        b[i] = juce::uint8 ((i * 53 + 3) & 0xFF);

    if (argc > 3)
    {
        const auto version = juce::StringArray::fromTokens (argv[3], ".", {});
        if (version.size() != 4 || bytes < 8)
        {
            std::fprintf (stderr, "a version needs four numbers and an image of 8 bytes or more\n");
            return 2;
        }
        b[0] = 'D';
        b[1] = 'V';
        b[2] = 'F';
        b[3] = 'W';
        for (int i = 0; i < 4; ++i)
            b[4 + i] = juce::uint8 (version[i].getIntValue());
    }

    const juce::File file (argv[1]);
    if (! CryptedFile::write (file, CryptedFile::firmwareKey, image.getData(), image.getSize()))
        return 1;
    return file.getSize() == 25 + bytes ? 0 : 1;
}
