#include "link/SysexBuilder.h"

juce::int32 SysexBuilder::static_request_counter = 0;

int SysexDataDebiteur (const juce::uint8* raw, int count, juce::uint8* out, int* outLength,
                       juce::uint8* checksum)
{
    if (count < 0 || outLength == nullptr || (count > 0 && (raw == nullptr || out == nullptr)))
        return -1;

    const int needed = SysexFrame::packedLength (count);
    if (needed > *outLength)
        return -1;

    unsigned int sum = 0;
    for (int group = 0; group * 7 < count; ++group)
    {
        juce::uint8* o = out + group * 8;
        std::fill (o, o + 8, juce::uint8 (0));
        const int m = juce::jmin (7, count - group * 7);
        for (int k = 0; k < m; ++k)
        {
            const juce::uint8 b = raw[group * 7 + k];
            o[k] = juce::uint8 (b >> 1);
            o[7] = juce::uint8 (o[7] | ((b & 1) << k));
            sum += b;
        }
    }

    if (checksum != nullptr)
        *checksum = juce::uint8 (sum & 0x7F);
    *outLength = needed;
    return 0;
}

int SysexDataRebiteur (const juce::uint8* packed, int count, int packedLength, juce::uint8* out,
                       juce::uint8 expectedChecksum)
{
    if (count < 0 || packedLength != SysexFrame::packedLength (count))
        return -1;
    if (count > 0 && (packed == nullptr || out == nullptr))
        return -1;

    unsigned int sum = 0;
    for (int i = 0; i < count; ++i)
    {
        const juce::uint8* in = packed + (i / 7) * 8;
        const int k = i % 7;
        out[i] = juce::uint8 ((in[k] << 1) | ((in[7] >> k) & 1));
        sum += out[i];
    }
    return (sum & 0x7F) == expectedChecksum ? 0 : -3;
}

SysexBuilder::SysexBuilder (juce::uint8 command, const juce::uint8* payload, juce::uint8 length,
                            juce::uint8 byte5, bool encode)
{
    size = 0;
    build (command, payload, length, SysexFrame::byte4, byte5, encode);
}

void SysexBuilder::build (juce::uint8 command, const juce::uint8* payload, juce::uint8 length,
                          juce::uint8 byte4, juce::uint8 byte5, bool encode)
{
    size = 0;
    const int limit = encode ? SysexFrame::maxPackedPayload : SysexFrame::maxRawPayload;
    if (length > limit || (length > 0 && payload == nullptr))
        return;

    juce::uint8 message[SysexFrame::maxMessageSize] = {};
    message[0] = 0xF0;
    message[1] = SysexFrame::manufacturer1;
    message[2] = SysexFrame::manufacturer2;
    message[3] = SysexFrame::manufacturer3;
    message[4] = byte4;
    message[5] = byte5;
    message[6] = juce::uint8 (static_request_counter & 0xFF);
    message[7] = length;
    message[8] = command;
    int n = SysexFrame::headerSize;

    if (encode)
    {
        int written = SysexFrame::packRoom;
        juce::uint8 checksum = 0;
        if (SysexDataDebiteur (payload, length, message + 10, &written, &checksum) != 0)
            return;
        message[9] = checksum;
        n += 1 + written;
    }
    else
    {
        if (length > 0)
            std::copy (payload, payload + length, message + n);
        n += length;
    }
    message[n++] = 0xF7;

    static_request_counter = (static_request_counter + 1) % 128;
    std::copy (message, message + n, data);
    size = n;
}

juce::MidiMessage SysexBuilder::toMidiMessage() const
{
    if (size <= 0)
        return {};
    return juce::MidiMessage (data, size, 0.0);
}

void SysexData::copyFrom (const juce::uint8* bytes, int count)
{
    size = juce::jlimit (0, SysexFrame::maxMessageSize, count);
    if (size > 0)
        std::copy (bytes, bytes + size, data);
}

void SysexData::copyFrom (const juce::MidiMessage& message)
{
    copyFrom (message.getRawData(), message.getRawDataSize());
}

int SysexData::DecodeData (juce::uint8* out, int outCapacity, const int& rawLength, int index,
                           int packedLength) const
{
    if (rawLength < 0 || rawLength > outCapacity || out == nullptr)
        return -1;
    if (packedLength != SysexFrame::packedLength (rawLength))
        return -1;
    if (index < 0 || index + 1 + packedLength > juce::jmin (size, SysexFrame::maxMessageSize))
        return -1;

    std::fill (out, out + rawLength, juce::uint8 (0));
    return SysexDataRebiteur (data + index + 1, rawLength, packedLength, out, data[index]);
}
