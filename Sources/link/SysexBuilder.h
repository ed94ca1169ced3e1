#pragma once

#include "JuceIncludes.h"

// The device message frame of the instruments:
//   F0 00 2F 5A 04 01 counter length command payload... F7
// The payload is either raw or packed 7-in-8 behind a checksum byte.

namespace SysexFrame
{
constexpr int maxMessageSize = 48;
constexpr int headerSize = 9;           // F0 .. command
constexpr int maxRawPayload = 38;       // 10 + 38 = 48
constexpr int maxPackedPayload = 28;    // 11 + 8 * 4 = 43
constexpr int packRoom = 37;            // room behind the checksum byte in a 48-byte message

constexpr juce::uint8 manufacturer1 = 0x00;
constexpr juce::uint8 manufacturer2 = 0x2F;
constexpr juce::uint8 manufacturer3 = 0x5A;
constexpr juce::uint8 byte4 = 0x04;     // written by every builder, never checked on receipt
constexpr juce::uint8 byte5 = 0x01;     // passed by every sender, never checked on receipt

constexpr int counterIndex = 6;
constexpr int lengthIndex = 7;
constexpr int commandIndex = 8;
constexpr int payloadIndex = 9;

/** Bytes a packed payload of n raw bytes takes behind its checksum: 8 per started group of 7. */
constexpr int packedLength (int rawCount) { return 8 * ((rawCount + 6) / 7); }
} // namespace SysexFrame

enum class SysexCommand : juce::uint8
{
    Reboot = 0x00,
    StartUpdate = 0x01,
    EndOfUpdate = 0x02,
    UpdatePacket = 0x03,
    UpdateAck = 0x04,
    SetChannelIn = 0x05,
    GetChannelIn = 0x06,
    SetChannelOut = 0x07,
    GetChannelOut = 0x08,
    SetAudioGateThreshold = 0x09,
    GetAudioGateThreshold = 0x0A,
    SetKeyboardMode = 0x0B,
    GetKeyboardMode = 0x0C,
    SetLegatoState = 0x0D,
    GetLegatoState = 0x0E,
    SetLFORetrig = 0x0F,
    GetLFORetrig = 0x10,
    SetVelocityCurbNum = 0x11,
    GetVelocityCurbNum = 0x12,
    SetAftertouchCurbNum = 0x13,
    GetAftertouchCurbNum = 0x14,
    TemplateStart = 0x15,
    TemplateChunk = 0x16,
    TemplateLastChunk = 0x17,
    TemplateAck = 0x18,
    TemplateRequest = 0x19,
    RecallPreset = 0x1A,
    StorePreset = 0x1B,
    SetTestMode = 0x1C,
    GetTestResults = 0x1E,
    SetTestResults = 0x1F,
    SetArpHold = 0x25,
    GetArpHold = 0x26,
    SetTapAvg = 0x2A,
    GetTapAvg = 0x2B,
    SetBendRange = 0x2C,
    GetBendRange = 0x2D,
    SetSeqPlayMode = 0x2E,
    GetSeqPlayMode = 0x2F,
    SetSeqNextSeq = 0x32,
    GetSeqNextSeq = 0x33,
    SetSeqRetrig = 0x34,
    GetSeqRetrig = 0x35,
    SetGateLen = 0x36,
    GetGateLen = 0x37,
    SetStepSize = 0x38,
    GetStepSize = 0x39,
    SetSeqPattern = 0x3A,
    GetSeqPattern = 0x3B,
    SetSeqSync = 0x3C,
    GetSeqSync = 0x3D,
    SetIsSeq = 0x3E,
    GetIsSeq = 0x3F,
};

constexpr juce::uint8 toByte (SysexCommand c) { return static_cast<juce::uint8> (c); }

/** Packs count raw bytes 7-in-8 into out. outLength holds the room on entry and the bytes
    written on return; checksum receives the sum of the raw bytes modulo 128.
    Returns 0, or -1 (nothing written) when the packed form does not fit the room. */
int SysexDataDebiteur (const juce::uint8* raw, int count, juce::uint8* out, int* outLength,
                       juce::uint8* checksum);

/** Unpacks packedLength bytes into count raw bytes. Returns 0, -1 (nothing written) when the
    packed length does not belong to count raw bytes, or -3 when the checksum does not match
    (the raw bytes are written all the same). */
int SysexDataRebiteur (const juce::uint8* packed, int count, int packedLength, juce::uint8* out,
                       juce::uint8 expectedChecksum);

/** One outgoing device message, built once by its constructor. A payload that does not fit
    the frame (more than 38 raw or 28 packed bytes, or a missing payload with a length) builds
    nothing: size stays 0, the counter does not advance, and senders skip the builder. */
class SysexBuilder
{
public:
    SysexBuilder (juce::uint8 command, const juce::uint8* payload, juce::uint8 length,
                  juce::uint8 byte5, bool encode);
    SysexBuilder (SysexCommand command, const juce::uint8* payload, juce::uint8 length,
                  juce::uint8 byte5, bool encode)
        : SysexBuilder (toByte (command), payload, length, byte5, encode) {}

    void build (juce::uint8 command, const juce::uint8* payload, juce::uint8 length,
                juce::uint8 byte4, juce::uint8 byte5, bool encode);

    bool isValid() const { return size > 0; }

    /** The built message as a MIDI message with time stamp 0. Only for a valid builder: senders
        skip a builder of size 0 (see sendSysex). */
    juce::MidiMessage toMidiMessage() const;

    /** Byte 6 of the next message built; always 0 to 127. */
    static juce::int32 static_request_counter;

    juce::int32 size = 0;
    juce::uint8 data[SysexFrame::maxMessageSize] = {};
};

/** One received device message. */
struct SysexData
{
    /** Copies a received message, F0 included, keeping at most 48 bytes; size is the count
        kept. */
    void copyFrom (const juce::uint8* bytes, int count);
    void copyFrom (const juce::MidiMessage& message);

    /** Unpacks the packed payload (checksum at data[index], packed bytes behind it) into
        rawLength bytes of out, which has room for outCapacity bytes. Returns -1 without
        writing when rawLength is negative or above the room, when the packed length does not
        belong to rawLength, or when the packed bytes lie beyond the record; otherwise clears
        the output and returns what SysexDataRebiteur returns. */
    int DecodeData (juce::uint8* out, int outCapacity, const int& rawLength, int index,
                    int packedLength) const;

    juce::int32 size = 0;
    juce::uint8 data[SysexFrame::maxMessageSize] = {};
};
