#pragma once

#include "TestSupport.h"
#include "app/Prompts.h"
#include "presets/Preset.h"
#include "presets/PresetFolder.h"
#include <cstring>

namespace presettest
{
using Bytes = std::vector<juce::uint8>;

constexpr const char* presetKey = "PolvexMarindTroskaHellowyn";

inline Bytes pattern (size_t n, int seed = 3)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = juce::uint8 ((i * 41 + (size_t) seed * 13 + 1) & 0xFF);
    return b;
}

/** A preset file written out by hand: key magic, a zero byte, the payload; every byte i XORed
    with key byte (4 + i) mod 26. */
inline Bytes presetFileBytes (const Bytes& payload)
{
    const auto k = std::strlen (presetKey);
    Bytes plain (presetKey, presetKey + k);
    plain.push_back (0);
    plain.insert (plain.end(), payload.begin(), payload.end());
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] ^= (juce::uint8) presetKey[(4 + i) % k];
    return plain;
}

using testsupport::contentsOf;

inline void write (const juce::File& f, const Bytes& b)
{
    f.deleteFile();
    juce::FileOutputStream out (f);
    ASSERT_TRUE (out.openedOk());
    ASSERT_TRUE (b.empty() || out.write (b.data(), b.size()));
    out.flush();
    ASSERT_TRUE (out.getStatus().wasOk());
}

inline void writePresetFile (const juce::File& f, const Bytes& block) { write (f, presetFileBytes (block)); }

/** A preset whose bytes the test can see and set. */
struct TestPreset : Preset
{
    Bytes bytes() const { return Bytes (getBlock().begin(), getBlock().end()); }
    void fill (const Bytes& b)
    {
        mData.setSize (b.size());
        if (! b.empty())
            mData.copyFrom (b.data(), 0, b.size());
    }
};

/** Every file and folder under dir (hidden ones too), as paths relative to it with their
    contents (folders with none), sorted: a picture of the disk to compare before and after. */
inline std::vector<std::pair<juce::String, Bytes>> snapshot (const juce::File& dir)
{
    std::vector<std::pair<juce::String, Bytes>> out;
    juce::Array<juce::File> all;
    dir.findChildFiles (all, juce::File::findFilesAndDirectories, true, "*");
    for (auto& f : all)
        out.emplace_back (f.getRelativePathFrom (dir) + (f.isDirectory() ? "/" : ""), f.isDirectory() ? Bytes() : contentsOf (f));
    std::sort (out.begin(), out.end());
    return out;
}

/** A temporary folder for the test, with the preset library folder inside it (not created),
    and the library folder pointed there for the test's lifetime. */
struct TemporaryLibrary
{
    TemporaryLibrary()
    {
        // Unique to this run: tests run in parallel processes.
        root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("dorvo-presets-" + juce::Uuid().toString());
        root.createDirectory();
        library = root.getChildFile ("Presets");
        PresetFolder::setForTests (library);
    }
    ~TemporaryLibrary()
    {
        PresetFolder::setForTests ({});
        root.deleteRecursively();
    }

    juce::File root, library;
};
} // namespace presettest
