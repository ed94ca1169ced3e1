#pragma once

#include "JuceIncludes.h"
#include <cstddef>
#include <cstdint>
#include <vector>

// The bodies of the fuzz targets, one per untrusted input of the system. Each body takes one
// input of the fuzzer, drives the system's own code with it and checks an oracle; a violated
// oracle ends the process at once (abort), like any crash. libFuzzer's entry points
// (tests/fuzz/<target>.cpp) and the normal suite's regression test call the same bodies.
namespace fuzz
{
using Bytes = std::vector<std::uint8_t>;

/** A valid input kept in the repository as a seed of the target's corpus. */
struct Seed
{
    const char* name;
    Bytes bytes;
};

struct Target
{
    const char* name;                          // also the corpus folder: tests/fuzz/corpus/<name>
    void (*run) (const std::uint8_t* data, std::size_t size);
    std::vector<Seed> (*seeds)();
};

/** Every target, in the order scripts/fuzz.sh runs them. */
const std::vector<Target>& targets();

/** The target of that name, or null. */
const Target* findTarget (const char* name);

/** libFuzzer's start hook for the named target: "--make-seeds DIR" writes the target's seeds
    into DIR and ends the process; anything else leaves the arguments to libFuzzer. */
int initialise (const char* targetName, int* argc, char*** argv);

/** Ends the process with a message when an oracle does not hold. */
void require (bool condition, const char* what);

// The targets. Each reads its input in its own small format, described at its body.

/** Messages of the instrument offered to a pending reply wait (HWMessages::midiReceived and
    HWMessages::offerAnswer): the wait ends exactly when a message fits it, and then holds
    exactly that message; otherwise nothing of the wait changes. */
void replyWait (const std::uint8_t* data, std::size_t size);

/** Messages reaching the discovery's identity callback (HWDetector::MidiCallback): taken,
    matched and copied exactly under the identity reply's conditions. */
void identityReply (const std::uint8_t* data, std::size_t size);

/** Messages of the instrument during a block send or receive (HWTemplate::MidiReceived and the
    transfer's steps): acknowledgements and chunks follow the protocol, and a received block
    holds exactly the stored chunks' declared bytes, never more than maxReceiveBytes. */
void blockTransfer (const std::uint8_t* data, std::size_t size);

/** A sequence file's bytes (SequenceFile::read): every accepted line is in range, and writing
    the accepted lines back and reading them again gives the same lines. */
void sequenceFile (const std::uint8_t* data, std::size_t size);

/** Acknowledgements of the boot loader during a firmware transfer
    (LPC23XXUpdater::AckReceived and the worker's step): taken exactly under their conditions,
    and the transfer then sends the firmware's packets in order, resends unchanged, and ends
    with EndOfUpdate only after the last one. */
void bootAck (const std::uint8_t* data, std::size_t size);

/** An enciphered file (CryptedFile): a payload exactly when the file opens with its key, the
    payload the deciphered rest, and writing it back stores the same container. */
void cryptedFile (const std::uint8_t* data, std::size_t size);

/** A preset file (Preset::loadPreset): loaded exactly from a preset container of at least 87
    bytes, its first 87 bytes taken, and storing and loading it again gives the same block. */
void presetFile (const std::uint8_t* data, std::size_t size);

std::vector<Seed> replyWaitSeeds();
std::vector<Seed> identityReplySeeds();
std::vector<Seed> blockTransferSeeds();
std::vector<Seed> sequenceFileSeeds();
std::vector<Seed> bootAckSeeds();
std::vector<Seed> cryptedFileSeeds();
std::vector<Seed> presetFileSeeds();

// ---------------------------------------------------------------------------------------------
// Helpers shared by the bodies.

/** Reads an input front to back; past its end every byte reads as 0. */
class Input
{
public:
    Input (const std::uint8_t* data, std::size_t size) : mData (data), mSize (size) {}

    bool empty() const { return mPosition >= mSize; }
    std::uint8_t byte() { return empty() ? 0 : mData[mPosition++]; }
    /** Up to count bytes: fewer at the end of the input. */
    Bytes take (std::size_t count);

private:
    const std::uint8_t* mData;
    std::size_t mSize;
    std::size_t mPosition = 0;
};

/** The message a MIDI input would deliver for these bytes (at least one): behind a status
    byte other than F0 and F7 it gets the length that byte says, padded with zeros or cut;
    system-exclusive messages keep their bytes as they are. */
juce::MidiMessage messageOf (const Bytes& bytes);

Bytes bytesOf (const juce::MidiMessage& message);

/** A device message with a packed payload, checksum spoiled by checksumError. */
Bytes packedDeviceMessage (std::uint8_t command, std::uint8_t counter, const Bytes& raw, int checksumError = 0);

/** A device message with a raw payload. */
Bytes plainDeviceMessage (std::uint8_t command, std::uint8_t counter, const Bytes& raw);
} // namespace fuzz
