#include "fuzz/FuzzTargets.h"
#include "link/SysexBuilder.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz
{
const std::vector<Target>& targets()
{
    static const std::vector<Target> all {
        { "reply_wait", replyWait, replyWaitSeeds },
        { "identity_reply", identityReply, identityReplySeeds },
        { "block_transfer", blockTransfer, blockTransferSeeds },
        { "sequence_file", sequenceFile, sequenceFileSeeds },
        { "boot_ack", bootAck, bootAckSeeds },
        { "crypted_file", cryptedFile, cryptedFileSeeds },
        { "preset_file", presetFile, presetFileSeeds },
    };
    return all;
}

const Target* findTarget (const char* name)
{
    for (auto& t : targets())
        if (std::strcmp (t.name, name) == 0)
            return &t;
    return nullptr;
}

int initialise (const char* targetName, int* argc, char*** argv)
{
    const auto* target = findTarget (targetName);
    require (target != nullptr, "the entry point names a target that exists");

    for (int i = 1; i + 1 < *argc; ++i)
    {
        if (std::strcmp ((*argv)[i], "--make-seeds") != 0)
            continue;

        const juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile ((*argv)[i + 1]));
        if (! folder.createDirectory())
        {
            std::fprintf (stderr, "%s: cannot make %s\n", targetName, folder.getFullPathName().toRawUTF8());
            std::exit (1);
        }
        for (auto& seed : target->seeds())
        {
            const auto file = folder.getChildFile (seed.name);
            if (! file.replaceWithData (seed.bytes.data(), seed.bytes.size()))
            {
                std::fprintf (stderr, "%s: cannot write %s\n", targetName, file.getFullPathName().toRawUTF8());
                std::exit (1);
            }
            std::printf ("%s\n", file.getFullPathName().toRawUTF8());
        }
        std::exit (0);
    }
    return 0;
}

void require (bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf (stderr, "fuzz oracle failed: %s\n", what);
    std::fflush (stderr);
    std::abort();
}

Bytes Input::take (std::size_t count)
{
    const auto n = std::min (count, mSize - std::min (mPosition, mSize));
    Bytes b (mData + mPosition, mData + mPosition + n);
    mPosition += n;
    return b;
}

juce::MidiMessage messageOf (const Bytes& bytes)
{
    require (! bytes.empty(), "a message has at least one byte");
    auto b = bytes;
    // A MIDI input delivers a message behind a status byte other than F0 and F7 with the
    // length that byte gives it. (Bytes that start with a data byte are taken as they are, but
    // at least four of them: JUCE makes no shorter message of them.)
    if (b[0] >= 0x80 && b[0] != 0xF0 && b[0] != 0xF7)
        b.resize ((size_t) juce::MidiMessage::getMessageLengthFromFirstByte (b[0]), 0);
    else if (b[0] < 0x80 && b.size() < 4)
        b.resize (4, 0);
    return juce::MidiMessage (b.data(), (int) b.size(), 0.0);
}

Bytes bytesOf (const juce::MidiMessage& message)
{
    const auto* raw = message.getRawData();
    return Bytes (raw, raw + message.getRawDataSize());
}

namespace
{
Bytes deviceHeader (std::uint8_t command, std::uint8_t counter, std::uint8_t length)
{
    return { 0xF0, SysexFrame::manufacturer1, SysexFrame::manufacturer2, SysexFrame::manufacturer3,
             SysexFrame::byte4, SysexFrame::byte5, counter, length, command };
}
} // namespace

Bytes packedDeviceMessage (std::uint8_t command, std::uint8_t counter, const Bytes& raw, int checksumError)
{
    auto m = deviceHeader (command, counter, (std::uint8_t) raw.size());
    m.reserve (m.size() + 2 + (size_t) SysexFrame::packedLength ((int) raw.size()));
    std::vector<juce::uint8> packed ((size_t) SysexFrame::packedLength ((int) raw.size()) + 1);
    int written = (int) packed.size();
    juce::uint8 checksum = 0;
    SysexDataDebiteur (raw.data(), (int) raw.size(), packed.data(), &written, &checksum);
    m.push_back ((std::uint8_t) ((checksum + checksumError) & 0x7F));
    m.insert (m.end(), packed.begin(), packed.begin() + written);
    m.push_back (0xF7);
    return m;
}

Bytes plainDeviceMessage (std::uint8_t command, std::uint8_t counter, const Bytes& raw)
{
    auto m = deviceHeader (command, counter, (std::uint8_t) raw.size());
    m.reserve (m.size() + raw.size() + 1);
    m.insert (m.end(), raw.begin(), raw.end());
    m.push_back (0xF7);
    return m;
}
} // namespace fuzz
