// The fuzz targets of the firmware update and the enciphered files: the boot loader's
// acknowledgements, the enciphered file container and the preset file.

#include "fuzz/FuzzTargets.h"
#include "app/Prompts.h"
#include "firmware/CryptedFile.h"
#include "firmware/LPC23XXUpdater.h"
#include "presets/Preset.h"
#include <cmath>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace fuzz
{
namespace
{
constexpr std::uint8_t cmdStartUpdate = 0x01, cmdEndOfUpdate = 0x02, cmdUpdatePacket = 0x03, cmdUpdateAck = 0x04;

struct CaptureOutput : MidiOutputPort
{
    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const auto* raw = message.getRawData();
        last.assign (raw, raw + message.getRawDataSize());
        require (last.size() >= 10 && last.size() <= (size_t) SysexFrame::maxMessageSize && last.front() == 0xF0
                     && last.back() == 0xF7,
                 "a sent message is a whole device message of at most 48 bytes");
        for (size_t i = 1; i + 1 < last.size(); ++i)
            require (last[i] < 0x80, "a sent message holds data bytes only between F0 and F7");
        ++count;
    }
    int getDeviceIndex() const override { return 0; }
    juce::String getName() const override { return "fuzz output"; }

    size_t count = 0;
    Bytes last;
};

/** The raw payload of a device message unpacked on its own, checksum ignored; false when the
    packed part does not fit the declared length. */
bool unpackIgnoringChecksum (const Bytes& m, Bytes& raw)
{
    const int length = m[SysexFrame::lengthIndex];
    if (length > SysexFrame::maxPackedPayload || (int) m.size() - 11 != SysexFrame::packedLength (length))
        return false;
    raw.assign ((size_t) length, 0);
    for (int i = 0; i < length; ++i)
    {
        const auto* group = m.data() + 10 + (i / 7) * 8;
        raw[(size_t) i] = (std::uint8_t) ((group[i % 7] << 1) | ((group[7] >> (i % 7)) & 1));
    }
    return true;
}

/** An updater with no worker thread: the harness takes the worker's steps itself. */
struct FuzzUpdater : LPC23XXUpdater
{
    using LPC23XXUpdater::ackStep;

private:
    void startWorker() override {}
    void run() override {}
};
} // namespace

// =============================================================================================
// The boot loader's acknowledgements.
//
// Input: byte 0: the firmware's size in 16-byte units (0 to 4080 bytes of a fixed pattern).
// Then operations as for the block transfer: bits 0-1 of one byte say what:
//   0: a message of (bits 2-7) + 1 bytes from the input;
//   1: a device message built from the input: command, counter, flags (bit 0 packed, bit 1 a
//      spoiled checksum), and (bits 2-7) raw payload bytes;
//   2: the last message again, (bits 2-5) * 256 + the next byte times;
//   3: an acknowledgement carrying the awaited counter and the status of the next byte.
// Every message goes to AckReceived, then the worker's step runs, as the worker would.

void bootAck (const std::uint8_t* data, std::size_t size)
{
    Input in (data, size);
    const size_t firmwareSize = (size_t) in.byte() * 16;
    Bytes firmware (firmwareSize);
    for (size_t i = 0; i < firmwareSize; ++i)
        firmware[i] = (std::uint8_t) (i * 53 + 7);
    juce::MemoryInputStream stream (firmware.data(), firmware.size(), false);

    CaptureOutput out;
    FuzzUpdater updater;
    require (updater.StartUpdate (&out, &stream), "an idle updater starts a transfer");
    require (! updater.isThreadRunning(), "the harness's updater runs no worker");
    require (out.count == 1 && out.last == plainDeviceMessage (cmdStartUpdate, 0, {}), "a transfer begins with StartUpdate, counter 0");

    const juce::int64 packets = (juce::int64) ((firmwareSize + LPC23XXUpdater::packetBytes - 1) / LPC23XXUpdater::packetBytes);
    require (updater.GetPacketsTotal() == packets, "the packets are counted from the firmware's size");

    // The model of the transfer.
    juce::int64 remaining = packets;
    int resends = 0;
    size_t offset = 0;
    Bytes lastPacket = out.last;
    std::uint8_t awaited = 0;
    bool ended = false;

    auto offer = [&] (const juce::MidiMessage& message, const Bytes& m) {
        const auto sentBefore = out.count;
        updater.AckReceived (message);
        bool movedOn = false;
        const bool stepped = updater.ackStep (movedOn);

        // The exact condition for taking an acknowledgement in.
        const bool taken = m.size() >= 10 && m.size() <= (size_t) SysexFrame::maxMessageSize
                           && m[SysexFrame::counterIndex] == awaited && m[SysexFrame::lengthIndex] <= LPC23XXUpdater::packetBytes;
        require (stepped == taken, "exactly the acknowledgements with the awaited counter, size and length are taken");
        if (! taken)
        {
            require (out.count == sentBefore, "an acknowledgement not taken sends nothing");
            return;
        }

        int status = -3;
        if (m[SysexFrame::lengthIndex] > 0)
        {
            Bytes raw;
            status = unpackIgnoringChecksum (m, raw) ? (int) (juce::int8) raw[0] : 0;
        }

        if (status == 0 || status == -3)
        {
            require (movedOn && out.count == sentBefore + 1, "status 0 or -3 sends the next message");
            const auto& sent = out.last;
            require (sent[SysexFrame::counterIndex] == (awaited + 1) % 128, "each new message counts on");
            if (remaining > 0)
            {
                require (sent[SysexFrame::commandIndex] == cmdUpdatePacket, "a packet goes as UpdatePacket");
                Bytes raw;
                require (unpackIgnoringChecksum (sent, raw), "a packet unpacks");
                const auto n = std::min ((size_t) LPC23XXUpdater::packetBytes, firmware.size() - offset);
                require (raw == Bytes (firmware.begin() + (long) offset, firmware.begin() + (long) (offset + n)),
                         "a packet carries the firmware's next bytes");
                offset += n;
                --remaining;
                resends = 0;
                lastPacket = sent;
            }
            else
            {
                require (sent == plainDeviceMessage (cmdEndOfUpdate, sent[SysexFrame::counterIndex], {}),
                         "after the last packet comes EndOfUpdate");
                require (offset == firmware.size(), "EndOfUpdate comes only once the whole firmware went out");
                ended = true;
            }
            awaited = sent[SysexFrame::counterIndex];
        }
        else if (status == -1 || status == -2)
        {
            require (! movedOn, "a resend request is no progress");
            if (resends >= LPC23XXUpdater::maxResends)
            {
                require (updater.GetOutcome() == LPC23XXUpdater::Outcome::failed && out.count == sentBefore,
                         "a resend request past the limit fails the transfer");
                ended = true;
            }
            else
            {
                require (out.count == sentBefore + 1 && out.last == lastPacket, "a resend request sends the last message again, unchanged");
                ++resends;
            }
        }
        else
        {
            require (! movedOn && out.count == sentBefore, "a status with no meaning is ignored");
        }

        if (! ended)
        {
            const double expected = packets > 0 ? (double) (packets - remaining) / (double) packets : 1.0;
            require (std::abs (updater.GetProgression() - expected) < 1e-9, "the progression is the share of the packets sent");
        }
    };

    std::optional<juce::MidiMessage> last;
    Bytes lastBytes;
    int offered = 0;
    while (! in.empty() && ! ended && offered < 2500)
    {
        const auto op = in.byte();
        Bytes m;
        switch (op & 3)
        {
            case 0:
                m = in.take ((size_t) (op >> 2) + 1);
                break;
            case 1:
            {
                const auto command = in.byte();
                const auto counter = in.byte();
                const auto flags = in.byte();
                auto raw = in.take ((size_t) (op >> 2));
                m = (flags & 1) != 0 ? packedDeviceMessage (command, counter, raw, (flags >> 1) & 1)
                                     : plainDeviceMessage (command, counter, raw);
                break;
            }
            case 2:
            {
                const int times = ((op >> 2) & 15) * 256 + in.byte();
                for (int i = 0; last.has_value() && i < times && ! ended && offered < 2500; ++i, ++offered)
                    offer (*last, lastBytes);
                continue;
            }
            default:
                m = packedDeviceMessage (cmdUpdateAck, awaited, { in.byte() });
                break;
        }
        if (m.empty())
            break;
        last.emplace (messageOf (m));
        lastBytes = bytesOf (*last);
        ++offered;
        offer (*last, lastBytes);
    }
}

std::vector<Seed> bootAckSeeds()
{
    auto input = [] (std::uint8_t sixteens, const Bytes& ops) {
        Bytes b { sixteens };
        b.insert (b.end(), ops.begin(), ops.end());
        return b;
    };
    Bytes all;
    for (int i = 0; i < 6; ++i)
        all.insert (all.end(), { 3, 0 });
    Bytes resends { 3, 0, 3, 0xFF, 3, 0xFE, 3, 0xFD, 3, 5, 3, 0, 3, 0 };
    Bytes noPayload = { (std::uint8_t) (1 | (0 << 2)), cmdUpdateAck, 0, 0 };   // counter 0, no payload: -3
    Bytes wrongCounter = { (std::uint8_t) (1 | (1 << 2)), cmdUpdateAck, 9, 1, 0 };
    Bytes exhausted { 3, 0, 3, 0xFF, 2, 40 };
    Bytes many;
    for (int i = 0; i < 150; ++i)
        many.insert (many.end(), { 3, 0 });
    Bytes noPayloadThenMore = noPayload;
    noPayloadThenMore.insert (noPayloadThenMore.end(), { 3, 0, 3, 0 });
    Bytes wrongThenRight = wrongCounter;
    wrongThenRight.insert (wrongThenRight.end(), { 3, 0, 3, 0 });
    return {
        { "whole_small_firmware", input (8, all) },   // 128 bytes: 5 packets, then EndOfUpdate
        { "resend_statuses", input (4, resends) },
        { "ack_without_payload", input (1, noPayloadThenMore) },
        { "wrong_counter_ignored", input (1, wrongThenRight) },
        { "resends_exhausted", input (4, exhausted) },
        { "counter_wraps", input (255, many) },
        { "empty_firmware", input (0, { 3, 0, 3, 0 }) },
    };
}

// =============================================================================================
// The enciphered file container and the preset file.
//
// Input of crypted_file: byte 0 chooses the key (bit 0 set: the preset key, otherwise the
// firmware key); the rest is the file. Input of preset_file: the file.

namespace
{
/** A folder of this process for the fuzzer's files (in memory where the machine has
    /dev/shm), removed when the process ends. */
const juce::File& fuzzFolder()
{
    struct Folder
    {
        Folder()
            : dir ((juce::File ("/dev/shm").isDirectory() ? juce::File ("/dev/shm")
                                                          : juce::File::getSpecialLocation (juce::File::tempDirectory))
                       .getChildFile ("dorvo-fuzz-" + juce::String ((int) getpid())))
        {
            dir.createDirectory();
        }
        ~Folder() { dir.deleteRecursively(); }
        juce::File dir;
    };
    static const Folder folder;
    return folder.dir;
}

/** A file of the fuzzer's bytes, and a responder that takes the boxes. */
struct FileOnDisk
{
    explicit FileOnDisk (const char* name) : folder (fuzzFolder()), file (folder.getChildFile (name)), answers (responder) {}

    void write (const Bytes& bytes)
    {
        file.deleteFile();
        require (bytes.empty() || file.replaceWithData (bytes.data(), bytes.size()), "the fuzz file is written");
    }

    Bytes read() const
    {
        juce::MemoryBlock m;
        file.loadFileAsData (m);
        return Bytes (static_cast<const std::uint8_t*> (m.getData()), static_cast<const std::uint8_t*> (m.getData()) + m.getSize());
    }

    juce::File folder;
    juce::File file;
    Prompts::ScriptedResponder responder;
    Prompts::ScopedResponder answers;
};

/** The container's format on its own: the key's bytes, one more byte, the payload, all XORed
    with the key from index 4. */
Bytes cipher (const Bytes& bytes, const char* key)
{
    const auto k = std::strlen (key);
    Bytes out (bytes);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] ^= (std::uint8_t) key[(4 + i) % k];
    return out;
}

/** The payload a file holds, or none when it is no container of this key. */
std::optional<Bytes> payloadOf (const Bytes& file, const char* key)
{
    const auto k = std::strlen (key);
    if (file.size() < k + 1)
        return std::nullopt;
    const auto clear = cipher (file, key);
    if (std::memcmp (clear.data(), key, k) != 0)
        return std::nullopt;
    return Bytes (clear.begin() + (long) k + 1, clear.end());
}

Bytes containerOf (const Bytes& payload, const char* key, std::uint8_t terminator = 0)
{
    Bytes clear (key, key + std::strlen (key));
    clear.push_back (terminator);
    clear.insert (clear.end(), payload.begin(), payload.end());
    return cipher (clear, key);
}
} // namespace

void cryptedFile (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    const char* key = (data[0] & 1) != 0 ? CryptedFile::presetKey : CryptedFile::firmwareKey;
    const Bytes bytes (data + 1, data + size);

    FileOnDisk disk ("input.kfw");
    disk.write (bytes);
    // (No bytes make no file, and a missing file is created with an empty payload.)
    const auto expected = bytes.empty() ? std::optional<Bytes> (Bytes()) : payloadOf (bytes, key);
    {
        CryptedFile container (disk.file.getFullPathName(), key);
        require (container.hasPayload() == expected.has_value(), "a file has a payload exactly when it opens with the key");
        if (! expected.has_value())
        {
            require (container.getData() == nullptr && container.getSize() == 0 && container.getCryptedInputStream() == nullptr,
                     "a file without payload offers nothing");
            require (disk.responder.prompts().size() == 1, "a refused file is told once");
            return;
        }
        require (disk.responder.prompts().empty(), "an accepted file shows no box");
        require (container.getSize() == expected->size()
                     && (expected->empty() || std::memcmp (container.getData(), expected->data(), expected->size()) == 0),
                 "the payload is exactly the deciphered bytes behind the key and its terminator");

        auto* in = container.getCryptedInputStream();
        Bytes streamed ((size_t) in->getTotalLength());
        require (in->read (streamed.data(), (int) streamed.size()) == (int) streamed.size() && streamed == *expected,
                 "the input stream reads the payload");

        // Round trip: the payload written back through the output stream.
        auto* outStream = container.getCryptedOutputStream();
        require (outStream != nullptr && outStream->write (expected->data(), expected->size()), "the payload is written back");
    }
    auto stored = disk.read();
    require (stored == containerOf (*expected, key), "the stored file is the container of the same payload");
    require (payloadOf (stored, key) == expected, "the stored file reads as the same payload");
}

namespace
{
struct FuzzPreset : Preset
{
    FuzzPreset()
    {
        for (int i = 0; i < blockSize; ++i)
            static_cast<juce::uint8*> (mData.getData())[i] = (juce::uint8) (0xA0 + i);
    }
    Bytes bytes() const { return Bytes (getBlock().begin(), getBlock().end()); }
};
} // namespace

void presetFile (const std::uint8_t* data, std::size_t size)
{
    const Bytes bytes (data, data + size);
    FileOnDisk disk ("input.preset");
    disk.write (bytes);

    FuzzPreset preset;
    const auto before = preset.bytes();

    const auto payload = payloadOf (bytes, CryptedFile::presetKey);
    const bool expected = payload.has_value() && payload->size() >= (size_t) Preset::blockSize;
    const bool loaded = preset.loadPreset (disk.file);
    require (loaded == expected, "a preset loads exactly from a preset container of at least 87 bytes");
    require (preset.getBlock().getSize() == (size_t) Preset::blockSize, "a preset block keeps its 87 bytes");

    const auto block = preset.bytes();
    require (block == (loaded ? Bytes (payload->begin(), payload->begin() + Preset::blockSize) : before),
             "a loaded preset holds the payload's first 87 bytes, a refused one what it held");

    // Every accessor reads within the block, whatever it holds; the name is text that copies
    // whole, as the pages copy it.
    const auto name = preset.getName();
    require (name.substring (1).length() == juce::jmax (0, name.length() - 1) && name.trim().length() <= name.length(),
             "the name's parts copy");
    (void) preset.getVersion();
    (void) preset.getSignature();
    (void) preset.getNbSteps();
    (void) preset.getNotesOrder();
    (void) preset.getGateTime();
    for (int s = 0; s <= Preset::stepCount; ++s)
    {
        (void) preset.getStepDyn ((juce::uint8) s);
        (void) preset.getStepTie ((juce::uint8) s);
    }

    if (loaded)
    {
        // Round trip through a file of our own.
        const auto copy = disk.folder.getChildFile ("copy.preset");
        copy.deleteFile();
        require (preset.storePreset (copy), "a loaded preset is stored");
        FuzzPreset again;
        require (again.loadPreset (copy), "a stored preset loads");
        require (again.bytes() == block, "a stored preset loads as the same block");
    }
}

std::vector<Seed> cryptedFileSeeds()
{
    auto withKeyChoice = [] (bool preset, const Bytes& file) {
        Bytes b (file.size() + 1, (std::uint8_t) (preset ? 1 : 0));
        std::copy (file.begin(), file.end(), b.begin() + 1);
        return b;
    };
    Bytes firmware (300);
    for (size_t i = 0; i < firmware.size(); ++i)
        firmware[i] = (std::uint8_t) (i * 11 + 3);
    Bytes preset (87, 0x11);
    auto wrongKey = containerOf (firmware, CryptedFile::presetKey);
    auto shortFile = containerOf ({}, CryptedFile::firmwareKey);
    shortFile.resize (10);
    return {
        { "firmware_file", withKeyChoice (false, containerOf (firmware, CryptedFile::firmwareKey)) },
        { "preset_file", withKeyChoice (true, containerOf (preset, CryptedFile::presetKey)) },
        { "empty_payload", withKeyChoice (false, containerOf ({}, CryptedFile::firmwareKey)) },
        { "terminator_not_zero", withKeyChoice (true, containerOf (preset, CryptedFile::presetKey, 0x5A)) },
        { "other_key", withKeyChoice (false, wrongKey) },
        { "shorter_than_the_key", withKeyChoice (false, shortFile) },
        { "empty_file", withKeyChoice (true, {}) },
    };
}

std::vector<Seed> presetFileSeeds()
{
    Bytes block (87);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = (std::uint8_t) (i * 3);
    Bytes longer (block);
    longer.insert (longer.end(), 13, 0x7F);
    Bytes shorter (block.begin(), block.begin() + 86);
    return {
        { "preset", containerOf (block, CryptedFile::presetKey) },
        { "longer_payload", containerOf (longer, CryptedFile::presetKey) },
        { "payload_one_short", containerOf (shorter, CryptedFile::presetKey) },
        { "firmware_key", containerOf (block, CryptedFile::firmwareKey) },
        { "key_only", containerOf ({}, CryptedFile::presetKey) },
    };
}
} // namespace fuzz
