#include "link/SysexBuilder.h"
#include <gtest/gtest.h>
#include <cctype>
#include <vector>

namespace
{
using Bytes = std::vector<int>;

Bytes bytesOf (const SysexBuilder& b) { return Bytes (b.data, b.data + b.size); }

struct CounterReset : ::testing::Test
{
    void SetUp() override { SysexBuilder::static_request_counter = 0; }
};

struct FrameCase
{
    const char* what;
    juce::uint8 command;
    std::vector<juce::uint8> payload;
    bool encode;
    Bytes expected;
};

/** A case shows as its description, not as the bytes of the structure. */
void PrintTo (const FrameCase& c, std::ostream* os) { *os << c.what; }

class SysexFrameVectors : public CounterReset, public ::testing::WithParamInterface<FrameCase> {};

TEST_P (SysexFrameVectors, BuildsExactBytes)
{
    const auto& c = GetParam();
    SysexBuilder::static_request_counter = 5;
    SysexBuilder b (c.command, c.payload.empty() ? nullptr : c.payload.data(),
                    (juce::uint8) c.payload.size(), 0x01, c.encode);
    EXPECT_EQ (bytesOf (b), c.expected) << c.what;
    EXPECT_EQ (SysexBuilder::static_request_counter, 6);
}

INSTANTIATE_TEST_SUITE_P (
    Forms, SysexFrameVectors,
    ::testing::Values (
        FrameCase { "no payload", 0x06, {}, false, { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 0, 0x06, 0xF7 } },
        FrameCase { "one raw byte", 0x13, { 2 }, false, { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 1, 0x13, 2, 0xF7 } },
        FrameCase { "packed, no payload", 0x15, {}, true, { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 0, 0x15, 0, 0xF7 } },
        FrameCase { "ack status 0", 0x18, { 0x00 }, true,
                    { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 1, 0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7 } },
        FrameCase { "ack status -1", 0x18, { 0xFF }, true,
                    { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 1, 0x18, 0x7F, 0x7F, 0, 0, 0, 0, 0, 0, 1, 0xF7 } },
        FrameCase { "ack status -3", 0x18, { 0xFD }, true,
                    { 0xF0, 0, 0x2F, 0x5A, 4, 1, 5, 1, 0x18, 0x7D, 0x7E, 0, 0, 0, 0, 0, 0, 1, 0xF7 } }),
    [] (const ::testing::TestParamInfo<FrameCase>& info)
    {
        std::string name;
        for (const char* c = info.param.what; *c != 0; ++c)
            name += std::isalnum ((unsigned char) *c) ? *c : (*c == '-' ? 'm' : '_');
        return name;
    });

TEST_F (CounterReset, PackedSizesFollowGroupsOfSeven)
{
    // raw count -> whole message size
    const std::pair<int, int> cases[] = { { 1, 19 }, { 7, 19 }, { 8, 27 }, { 16, 35 }, { 28, 43 } };
    std::vector<juce::uint8> payload (28, 0x55);
    for (auto [count, messageSize] : cases)
    {
        SysexBuilder b (0x16, payload.data(), (juce::uint8) count, 0x01, true);
        EXPECT_EQ (b.size, messageSize) << count;
        EXPECT_EQ (b.data[b.size - 1], 0xF7);
        EXPECT_EQ (b.data[7], count);
        for (int i = 1; i < b.size - 1; ++i)
            EXPECT_LT (b.data[i], 0x80) << "byte " << i << " of " << count;
    }
}

TEST_F (CounterReset, CounterWrapsAndResets)
{
    for (int i = 0; i < 128; ++i)
    {
        SysexBuilder b (0x06, nullptr, 0, 0x01, false);
        ASSERT_EQ (b.data[6], i);
    }
    SysexBuilder wrapped (0x06, nullptr, 0, 0x01, false);
    EXPECT_EQ (wrapped.data[6], 0);

    SysexBuilder::static_request_counter = 0;
    SysexBuilder afterReset (0x06, nullptr, 0, 0x01, false);
    EXPECT_EQ (afterReset.data[6], 0);
    EXPECT_EQ (SysexBuilder::static_request_counter, 1);
}

TEST_F (CounterReset, PayloadThatDoesNotFitBuildsNothing)
{
    std::vector<juce::uint8> payload (64, 1);
    struct Case { const juce::uint8* payload; int length; bool encode; bool fits; } cases[] = {
        { payload.data(), 38, false, true }, { payload.data(), 39, false, false },
        { payload.data(), 28, true, true },  { payload.data(), 29, true, false },
        { nullptr, 1, false, false },        { nullptr, 3, true, false },
    };
    for (auto& c : cases)
    {
        SysexBuilder::static_request_counter = 9;
        SysexBuilder b (0x3A, c.payload, (juce::uint8) c.length, 0x01, c.encode);
        EXPECT_EQ (b.isValid(), c.fits) << c.length << (c.encode ? " packed" : " raw");
        EXPECT_EQ (SysexBuilder::static_request_counter, c.fits ? 10 : 9);
        if (! c.fits)
        {
            EXPECT_EQ (b.size, 0);
        }
    }
}

TEST_F (CounterReset, MidiMessageCarriesTheBuiltBytes)
{
    const juce::uint8 v = 2;
    SysexBuilder b (0x13, &v, 1, 0x01, false);
    auto m = b.toMidiMessage();
    ASSERT_TRUE (m.isSysEx());
    EXPECT_EQ (m.getTimeStamp(), 0.0);
    EXPECT_EQ (Bytes (m.getRawData(), m.getRawData() + m.getRawDataSize()), bytesOf (b));
}

TEST (SysexCodec, RoundTripsEveryLengthUpToTwentyEight)
{
    juce::Random rng (1234);
    for (int n = 0; n <= 28; ++n)
    {
        std::vector<juce::uint8> raw ((size_t) n);
        for (auto& b : raw)
            b = (juce::uint8) rng.nextInt (256);

        juce::uint8 packed[40] = {};
        int room = 37;
        juce::uint8 checksum = 0xAA;
        ASSERT_EQ (SysexDataDebiteur (raw.data(), n, packed, &room, &checksum), 0) << n;
        EXPECT_EQ (room, SysexFrame::packedLength (n));
        unsigned sum = 0;
        for (auto b : raw)
            sum += b;
        EXPECT_EQ (checksum, sum % 128);

        std::vector<juce::uint8> back ((size_t) n + 1, 0xEE);
        EXPECT_EQ (SysexDataRebiteur (packed, n, room, back.data(), checksum), 0) << n;
        EXPECT_TRUE (std::equal (raw.begin(), raw.end(), back.begin())) << n;
        EXPECT_EQ (back[(size_t) n], 0xEE) << "wrote past the raw count at " << n;
    }
}

TEST (SysexCodec, ReportsLengthAndChecksumErrors)
{
    const juce::uint8 raw[8] = { 1, 2, 3, 4, 5, 6, 7, 200 };
    juce::uint8 packed[16];
    std::fill (packed, packed + 16, juce::uint8 (0x66));
    int room = 8;
    juce::uint8 cs = 0x55;
    EXPECT_EQ (SysexDataDebiteur (raw, 8, packed, &room, &cs), -1) << "16 bytes need more room than 8";
    EXPECT_EQ (room, 8);
    EXPECT_EQ (cs, 0x55) << "a refused packing writes no checksum";
    EXPECT_EQ (std::count (packed, packed + 16, 0x66), 16) << "a refused packing writes nothing";

    room = 16;
    ASSERT_EQ (SysexDataDebiteur (raw, 8, packed, &room, &cs), 0);
    juce::uint8 out[8] = {};
    EXPECT_EQ (SysexDataRebiteur (packed, 8, 8, out, cs), -1) << "shorter than 8 raw bytes take";
    EXPECT_EQ (SysexDataRebiteur (packed, 8, 24, out, cs), -1) << "longer than 8 raw bytes take";
    EXPECT_EQ (std::count (out, out + 8, 0), 8) << "a length error writes nothing";

    EXPECT_EQ (SysexDataRebiteur (packed, 8, 16, out, juce::uint8 ((cs + 1) & 0x7F)), -3);
    EXPECT_TRUE (std::equal (raw, raw + 8, out)) << "a checksum error still unpacks";
    EXPECT_EQ (SysexDataRebiteur (packed, 8, 16, out, juce::uint8 (cs | 0x80)), -3)
        << "a checksum byte of 80 or more never matches";
}

SysexData recordOf (const SysexBuilder& b)
{
    SysexData d;
    d.copyFrom (b.data, b.size);
    return d;
}

TEST (SysexDataDecode, UnpacksWhatTheBuilderPacked)
{
    const juce::uint8 chunk[16] = { 0, 1, 2, 127, 128, 129, 254, 255, 9, 8, 7, 6, 5, 4, 3, 2 };
    SysexBuilder b (0x16, chunk, 16, 0x01, true);
    auto d = recordOf (b);
    juce::uint8 out[28];
    const int n = d.data[7];
    EXPECT_EQ (d.DecodeData (out, 28, n, 9, d.size - 11), 0);
    EXPECT_TRUE (std::equal (chunk, chunk + 16, out));
}

TEST (SysexDataDecode, RefusesWhatDoesNotFitItsBuffers)
{
    const juce::uint8 one = 0x42;
    SysexBuilder b (0x18, &one, 1, 0x01, true);                 // 19 bytes
    const juce::uint8 sixteen[16] = { 1, 2, 3 };
    SysexBuilder chunk (0x16, sixteen, 16, 0x01, true);         // 35 bytes

    // Each case is refused by exactly one of the checks: the record is long enough for every
    // other one to pass.
    struct Case { const char* what; const SysexBuilder& message; int declared; int capacity; int packedLength; } cases[] = {
        { "declares 8 raw bytes with 8 packed", b, 8, 28, 8 },
        { "declares 127 raw bytes", b, 127, 28, 8 },
        { "more raw bytes than the buffer holds", b, 29, 28, 40 },
        { "a longer packed length than one raw byte takes", chunk, 1, 28, 16 },
        { "packed bytes beyond the record", b, 8, 28, 16 },
    };
    for (auto& c : cases)
    {
        auto d = recordOf (c.message);
        d.data[7] = (juce::uint8) c.declared;
        juce::uint8 out[28];
        std::fill (out, out + 28, juce::uint8 (0x11));
        const int n = d.data[7];
        EXPECT_EQ (d.DecodeData (out, c.capacity, n, 9, c.packedLength), -1) << c.what;
        EXPECT_EQ (std::count (out, out + 28, 0x11), 28) << c.what << ": nothing written";
    }

    auto bad = recordOf (b);
    bad.data[9] ^= 0x01;
    juce::uint8 out[1] = {};
    const int n = bad.data[7];
    EXPECT_EQ (bad.DecodeData (out, 1, n, 9, bad.size - 11), -3);
    EXPECT_EQ (out[0], 0x42);
}

TEST (SysexDataCopy, KeepsAtMostFortyEightBytes)
{
    std::vector<juce::uint8> big (200, 0x33);
    SysexData d;
    d.copyFrom (big.data(), (int) big.size());
    EXPECT_EQ (d.size, 48);
    d.copyFrom (big.data(), 3);
    EXPECT_EQ (d.size, 3);
}
} // namespace
