#pragma once

#include "TestSupport.h"
#include "firmware/CryptedFile.h"
#include "simulator/SimulatedInstrument.h"

namespace fwtest
{
using Bytes = std::vector<juce::uint8>;

inline Bytes firmwareImage (size_t n, int seed = 3)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = juce::uint8 ((i * 53 + (size_t) seed) & 0xFF);
    return b;
}

/** An image that the simulated instrument runs as firmware version a.b.c.d after the update. */
inline Bytes firmwareImageWithVersion (size_t n, std::array<juce::uint8, 4> version)
{
    auto b = firmwareImage (juce::jmax<size_t> (n, 8));
    b[0] = 'D';
    b[1] = 'V';
    b[2] = 'F';
    b[3] = 'W';
    std::copy (version.begin(), version.end(), b.begin() + 4);
    return b;
}

/** Writes a firmware file ("*.kfw") with our own container and the firmware key. */
inline juce::File writeFirmwareFile (const juce::File& file, const Bytes& image)
{
    file.deleteFile();
    {
        CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
        if (auto* out = container.getCryptedOutputStream(); out != nullptr && ! image.empty())
            out->write (image.data(), image.size());
    }
    return file;
}

/** A folder of its own for the test's files, removed at the end. */
struct TemporaryFolder
{
    TemporaryFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("dorvo-fw-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64())))
    {
        folder.createDirectory();
    }
    ~TemporaryFolder() { folder.deleteRecursively(); }
    juce::File folder;
};

/** What the instrument heard, one word each: "ID" for an identity request, the command byte in
    hex for a device message ("00" Reboot, "01" StartUpdate, "03" packet, "02" EndOfUpdate, the
    gets...). Packets in a row are folded into "03xN". */
inline juce::String heardWords (const sim::SimulatedInstrument& instrument)
{
    juce::StringArray words;
    int packets = 0;
    auto flush = [&] {
        if (packets > 0)
            words.add ("03x" + juce::String (packets));
        packets = 0;
    };
    for (auto& m : instrument.received())
    {
        if (m.size() == 6 && m[0] == 0xF0 && m[1] == 0x7E)
        {
            flush();
            words.add ("ID");
        }
        else if (m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00)
        {
            if (m[8] == 0x03)
            {
                ++packets;
                continue;
            }
            flush();
            words.add (juce::String::toHexString ((int) m[8]).paddedLeft ('0', 2).toUpperCase());
        }
    }
    flush();
    return words.joinIntoString (" ");
}
} // namespace fwtest
