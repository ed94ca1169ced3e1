// The fuzz targets of the instrument link: the reply wait, the identity callback and the block
// transfer. Each keeps the statics it touches as it found them between inputs only as far as
// its oracle needs: every input starts from a state set up here.

#include "fuzz/FuzzTargets.h"
#include "link/HWDetector.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"
#include <algorithm>
#include <optional>

namespace fuzz
{
namespace
{
bool sameRecord (const SysexData& a, const SysexData& b)
{
    return a.size == b.size && std::equal (a.data, a.data + SysexFrame::maxMessageSize, b.data);
}

bool holdsExactly (const SysexData& record, const Bytes& message)
{
    return record.size == (int) message.size()
           && std::equal (message.begin(), message.end(), record.data);
}

struct NullInput : MidiInputPort
{
    void start() override {}
    void stop() override {}
    int getDeviceIndex() const override { return 0; }
    juce::String getName() const override { return "fuzz input"; }
};

/** Every message the system sends is a whole device message: F0, our header, data bytes only,
    F7, at most 48 bytes. */
void requireDeviceMessage (const Bytes& m)
{
    require (m.size() >= 10 && m.size() <= (size_t) SysexFrame::maxMessageSize, "a sent message has 10 to 48 bytes");
    require (m.front() == 0xF0 && m.back() == 0xF7, "a sent message is framed by F0 and F7");
    require (m[1] == SysexFrame::manufacturer1 && m[2] == SysexFrame::manufacturer2 && m[3] == SysexFrame::manufacturer3,
             "a sent message carries our manufacturer identifier");
    for (size_t i = 1; i + 1 < m.size(); ++i)
        require (m[i] < 0x80, "a sent message holds data bytes only between F0 and F7");
}

/** An output that checks every message the system sends and keeps the last one. */
struct CaptureOutput : MidiOutputPort
{
    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const auto* raw = message.getRawData();
        last.assign (raw, raw + message.getRawDataSize());
        requireDeviceMessage (last);
        ++count;
    }
    int getDeviceIndex() const override { return 0; }
    juce::String getName() const override { return "fuzz output"; }

    size_t count = 0;
    Bytes last;
};

/** The raw bytes of a transfer message's packed payload. */
struct Payload
{
    std::uint8_t bytes[SysexFrame::maxPackedPayload] = {};
    int length = 0;

    bool operator== (const Bytes& other) const { return other.size() == (size_t) length && std::equal (bytes, bytes + length, other.begin()); }
};

/** The packed payload of a transfer message as the protocol defines it (length byte 7, at most
    28 raw bytes, checksum byte 9, packed bytes from byte 10 up to the last byte), unpacked
    here on its own; false when it does not decode. */
bool unpackTransferPayload (const Bytes& m, Payload& raw)
{
    if (m.size() < 11)
        return false;
    const int length = m[SysexFrame::lengthIndex];
    if (length > SysexFrame::maxPackedPayload || (int) m.size() - 11 != SysexFrame::packedLength (length))
        return false;
    raw.length = length;
    unsigned int sum = 0;
    for (int i = 0; i < length; ++i)
    {
        const auto* group = m.data() + 10 + (i / 7) * 8;
        raw.bytes[i] = (std::uint8_t) ((group[i % 7] << 1) | ((group[7] >> (i % 7)) & 1));
        sum += raw.bytes[i];
    }
    return (sum & 0x7F) == m[9];
}
} // namespace

// =============================================================================================
// The reply wait.
//
// Input: byte 0: bits 0-1 the state of the wait the message is checked against (the seen
// wait), bit 2 its kind (set: a wait for a message that is not system-exclusive), bits 3-4
// what the slot holds: 0 or 1 the seen wait, 2 a later wait, 3 the seen wait in the state of
// bits 5-6. Byte 1: the awaited command. Byte 2: the size bounds, by bits 6-7: 0 a value answer
// (11 to 48 bytes), 1 a whole answer (10 to 48), 2 a sequence half (45), 3 any bounds the
// word can hold (minimum bits 0-5, maximum bits 0-5 of one more byte). Two bytes of the wait's
// generation. Then messages, each one byte (bit 7: offered with the seen wait's word through
// offerAnswer, otherwise handed to midiReceived, which looks at the slot; bits 0-6: the
// length less one) and its bytes.

void replyWait (const std::uint8_t* data, std::size_t size)
{
    using Token = HWMessages::WaitToken;
    using State = HWMessages::WaitState;

    Input in (data, size);
    const auto head = in.byte();
    Token seen;
    seen.state = (State) (head & 3);
    seen.kind = (head & 4) != 0 ? HWMessages::WaitKind::commonMessage : HWMessages::WaitKind::reply;
    seen.awaited = in.byte();
    const auto shape = in.byte();
    switch (shape >> 6)
    {
        case 0: seen.minSize = 11; seen.maxSize = 48; break;
        case 1: seen.minSize = 10; seen.maxSize = 48; break;
        case 2: seen.minSize = 45; seen.maxSize = 45; break;
        default: seen.minSize = shape & 63; seen.maxSize = in.byte() & 63; break;
    }
    seen.generation = in.byte();
    seen.generation |= (juce::uint64) in.byte() << 8;
    const auto seenWord = seen.pack();
    require (Token::unpack (seenWord).pack() == seenWord, "a wait's word unpacks to itself");

    auto slot = seen;
    if (((head >> 3) & 3) == 2)
        slot.generation += 1;
    else if (((head >> 3) & 3) == 3)
        slot.state = (State) ((head >> 5) & 3);

    // A known state of everything a wait hands over.
    const juce::uint8 marker[] = { 0xF0, 0x11, 0x22, 0x33, 0xF7 };
    HWMessages::mWaitToken.store (slot.pack());
    HWMessages::mData = SysexData();
    HWMessages::mData.copyFrom (marker, (int) sizeof (marker));
    HWMessages::mResponse = 0x5A;
    static const auto keptBefore = juce::MidiMessage::controllerEvent (16, 7, 99);
    HWMessages::outMessage = keptBefore;   // a copy: JUCE 7.0.5's move assignment leaks

    while (! in.empty())
    {
        const auto how = in.byte();
        const bool direct = (how & 0x80) != 0;
        const auto bytes = in.take ((size_t) (how & 0x7F) + 1);
        if (bytes.empty())
            break;
        const auto message = messageOf (bytes);
        const auto m = bytesOf (message);

        const auto slotBefore = HWMessages::mWaitToken.load();
        const auto dataBefore = HWMessages::mData;
        const auto responseBefore = HWMessages::mResponse;
        const auto outBefore = bytesOf (HWMessages::outMessage);

        if (direct)
            HWMessages::offerAnswer (message, seenWord);
        else
            HWMessages::midiReceived (message);

        // The exact condition for ending a wait.
        const auto word = direct ? seenWord : slotBefore;
        const auto wait = Token::unpack (word);
        const bool activeSensing = ! direct && m[0] == 0xFE;   // never reaches the message set
        const bool sysex = m[0] == 0xF0;
        const bool pending = ! activeSensing && wait.state == State::pending;
        bool fits = pending && word == slotBefore;
        if (wait.kind == HWMessages::WaitKind::reply)
            fits = fits && sysex && (int) m.size() >= wait.minSize && (int) m.size() <= wait.maxSize
                   && m.size() > (size_t) SysexFrame::commandIndex && m[SysexFrame::commandIndex] == wait.awaited
                   && m.size() <= (size_t) SysexFrame::maxMessageSize;   // it must fit the record whole
        else
            fits = fits && ! sysex;

        const auto slotAfter = HWMessages::mWaitToken.load();
        if (fits)
        {
            require (slotAfter == wait.with (State::answered).pack(), "a fitting message ends the wait it was checked against");
            if (sysex)
            {
                require (holdsExactly (HWMessages::mData, m), "the ended wait holds exactly the message's bytes");
                require (HWMessages::mResponse == (m.size() > (size_t) SysexFrame::payloadIndex ? m[SysexFrame::payloadIndex] : 0),
                         "the ended wait's value is the message's byte 9");
                require (bytesOf (HWMessages::outMessage) == outBefore, "an answer leaves the kept message alone");
            }
            else
            {
                require (bytesOf (HWMessages::outMessage) == m, "the ended wait keeps exactly the message");
                require (sameRecord (HWMessages::mData, dataBefore) && HWMessages::mResponse == responseBefore,
                         "a message that is not system-exclusive leaves the answer record alone");
            }
        }
        else
        {
            require (slotAfter == slotBefore, "a message that does not fit changes no wait");
            require (sameRecord (HWMessages::mData, dataBefore), "a message that does not fit leaves the answer record alone");
            require (HWMessages::mResponse == responseBefore, "a message that does not fit leaves the value alone");
            const bool kept = pending && wait.kind == HWMessages::WaitKind::reply && ! sysex;
            require (bytesOf (HWMessages::outMessage) == (kept ? m : outBefore),
                     "only a message that is not system-exclusive is kept during a reply wait");
        }
    }

    HWMessages::mWaitToken.store (0);
}

namespace
{
struct WaitMessage
{
    bool direct;
    Bytes bytes;
};

Bytes replyWaitInput (std::uint8_t head, std::uint8_t awaited, std::uint8_t shape, std::uint16_t generation,
                      const std::vector<WaitMessage>& messages)
{
    Bytes b { head, awaited, shape };
    b.push_back ((std::uint8_t) (generation & 0xFF));
    b.push_back ((std::uint8_t) (generation >> 8));
    for (auto& m : messages)
    {
        b.push_back ((std::uint8_t) ((m.direct ? 0x80 : 0) | (m.bytes.size() - 1)));
        b.insert (b.end(), m.bytes.begin(), m.bytes.end());
    }
    return b;
}
} // namespace

std::vector<Seed> replyWaitSeeds()
{
    constexpr std::uint8_t pending = 1, commonWait = 4, laterWait = 2 << 3;
    constexpr std::uint8_t valueShape = 0 << 6, recordShape = 1 << 6, halfShape = 2 << 6;
    const auto answer05 = plainDeviceMessage (0x05, 0x12, { 0x03 });
    const auto answer07 = plainDeviceMessage (0x07, 0x13, { 0x02 });
    Bytes half { 0x01, 0x20, 0x20 };
    for (int i = 0; i < 32; ++i)
        half.push_back ((std::uint8_t) (36 + i));
    const auto seqHalf = plainDeviceMessage (0x3A, 0x02, half);

    return {
        { "value_answer", replyWaitInput (pending, 0x05, valueShape, 1, { { false, answer05 } }) },
        { "other_command_first", replyWaitInput (pending, 0x05, valueShape, 2, { { false, answer07 }, { false, answer05 } }) },
        { "note_and_sensing_during_wait",
          replyWaitInput (pending, 0x05, valueShape, 3, { { false, { 0x90, 0x3C, 0x40 } }, { false, { 0xFE } }, { false, answer05 } }) },
        { "sequence_half", replyWaitInput (pending, 0x3A, halfShape, 4, { { false, answer05 }, { false, seqHalf } }) },
        { "whole_answer", replyWaitInput (pending, 0x07, recordShape, 5, { { false, answer07 }, { false, answer07 } }) },
        { "common_message_wait", replyWaitInput (pending | commonWait, 0, valueShape, 6,
                                                 { { false, answer05 }, { false, { 0xB0, 0x07, 0x40 } } }) },
        { "late_answer_for_an_ended_wait", replyWaitInput (pending | laterWait, 0x05, valueShape, 7, { { true, answer05 }, { false, answer05 } }) },
    };
}

// =============================================================================================
// The identity callback.
//
// Input: byte 0: bits 0-1 what is looked after: 0 the instrument (family 04 00, member 01 01),
// 1 its boot loader (04 00, 01 03), 2 or 3 the family and member of the next four bytes; bit 2
// a reply has been taken already. Then messages, each one byte (bit 7: which of two inputs it
// arrives on; bit 6: a new attempt clears the taken flag first; bits 0-5: the length less one)
// and its bytes.

void identityReply (const std::uint8_t* data, std::size_t size)
{
    Input in (data, size);
    const auto head = in.byte();
    std::array<juce::uint8, 4> looked { 0x04, 0x00, 0x01, 0x01 };
    if ((head & 3) == 1)
        looked[3] = 0x03;
    else if ((head & 3) >= 2)
        looked = { in.byte(), in.byte(), in.byte(), in.byte() };
    HWDetector::setLookedAfterFamily (looked[0], looked[1]);
    HWDetector::setLookedAfterMember (looked[2], looked[3]);
    HWDetector::mSoftRev1 = 0x11;
    HWDetector::mSoftRev2 = 0x22;
    HWDetector::mSoftRev3 = 0x33;
    HWDetector::mSoftRev4 = 0x44;

    HWDetector::MidiCallback callback;
    callback.mReceived.store ((head & 4) != 0);
    NullInput inputs[2];

    while (! in.empty())
    {
        const auto how = in.byte();
        if ((how & 0x40) != 0)
            callback.mReceived.store (false);
        auto* source = &inputs[how >> 7];
        const auto bytes = in.take ((size_t) (how & 0x3F) + 1);
        if (bytes.empty())
            break;
        const auto message = messageOf (bytes);
        const auto m = bytesOf (message);

        const bool takenBefore = callback.mReceived.load();
        const auto idBefore = callback.mFoundId;
        auto* sourceBefore = callback.mSource;
        const juce::uint8 revBefore[] = { HWDetector::mSoftRev1, HWDetector::mSoftRev2, HWDetector::mSoftRev3, HWDetector::mSoftRev4 };

        callback.handleIncomingMidiMessage (source, message);

        const juce::uint8 rev[] = { HWDetector::mSoftRev1, HWDetector::mSoftRev2, HWDetector::mSoftRev3, HWDetector::mSoftRev4 };
        const bool taken = ! takenBefore && m.size() >= 5 && m[0] == 0xF0 && m[4] == 0x02;
        if (! taken)
        {
            require (callback.mReceived.load() == takenBefore && callback.mFoundId == idBefore && callback.mSource == sourceBefore
                         && std::equal (rev, rev + 4, revBefore),
                     "a message that is no identity reply, or comes after one was taken, changes nothing");
            continue;
        }

        require (callback.mReceived.load(), "an identity reply is taken");
        const juce::uint8 expected[] = { 0x00, 0x2F, 0x5A, looked[0], looked[1], looked[2], looked[3] };
        const bool matched = m.size() >= 17 && std::equal (expected, expected + 7, m.begin() + 5);
        if (matched)
        {
            require (callback.mFoundId == m[2] && callback.mSource == source, "a matching reply gives its device id and input");
            require (std::equal (rev, rev + 4, m.begin() + 12), "a matching reply gives its revision");
        }
        else
        {
            require (callback.mFoundId == 0xFF && callback.mSource == sourceBefore, "a reply that does not match is marked foreign");
            require (std::equal (rev, rev + 4, revBefore), "only a matching reply changes the revision");
        }
    }
}

namespace
{
Bytes identityMessage (std::uint8_t id, std::uint8_t member2, Bytes revision = { 0x01, 0x00, 0x03, 0x00 })
{
    Bytes m { 0xF0, 0x7E, id, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, member2 };
    m.reserve (32);
    m.insert (m.end(), revision.begin(), revision.end());
    m.push_back (0xF7);
    return m;
}

Bytes identityInput (std::uint8_t head, const std::vector<std::pair<std::uint8_t, Bytes>>& messages)
{
    Bytes b { head };
    for (auto& m : messages)
    {
        b.push_back ((std::uint8_t) (m.first | (m.second.size() - 1)));
        b.insert (b.end(), m.second.begin(), m.second.end());
    }
    return b;
}
} // namespace

std::vector<Seed> identityReplySeeds()
{
    constexpr std::uint8_t newAttempt = 0x40, secondInput = 0x80;
    auto foreign = identityMessage (0x01, 0x01);
    foreign[6] = 0x41;
    auto shortReply = identityMessage (0x01, 0x01);
    shortReply.resize (12);
    return {
        { "instrument_reply", identityInput (0, { { 0, identityMessage (0x7F, 0x01) } }) },
        { "boot_loader_reply", identityInput (1, { { secondInput, identityMessage (0x01, 0x03, { 0x02, 0x01, 0x00, 0x00 }) } }) },
        { "foreign_then_instrument", identityInput (0, { { 0, foreign }, { newAttempt, identityMessage (0x01, 0x01) } }) },
        { "other_device_id_and_second_reply",
          identityInput (0, { { 0, identityMessage (0x05, 0x01) }, { secondInput, identityMessage (0x01, 0x01) } }) },
        { "short_reply_and_other_sysex",
          identityInput (0, { { 0, { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 } }, { 0, shortReply }, { newAttempt, identityMessage (0x01, 0x01) } }) },
        { "looked_after_by_bytes", identityInput (2, { }) },
    };
}

// =============================================================================================
// The block transfer.
//
// Input: byte 0: bit 0 set for a receive, clear for a send; byte 1: the block's size (0 to
// 255; a send sends a fixed pattern). Then operations, each one byte whose bits 0-1 say what:
//   0: a message of (bits 2-7) + 1 bytes from the input;
//   1: a device message built from the input: command, counter, then flags (bit 0 packed,
//      bit 1 a spoiled checksum), and (bits 2-7) raw payload bytes;
//   2: the last message again, (bits 2-5) * 256 + the next byte times;
//   3: for a send, an acknowledgement carrying the counter of the last message sent and the
//      status of the next byte; for a receive, a chunk (TemplateLastChunk when bit 7 of the
//      next byte is set) of (that byte's bits 0-6) % 29 bytes from the input, well packed.
// Every message goes through HWTemplate::MidiReceived, and then the transfer takes its steps
// until it waits again, as its loop would; messages past the 2500th of an input are dropped.

namespace
{
constexpr std::uint8_t cmdStart = 0x15, cmdChunk = 0x16, cmdLast = 0x17, cmdAck = 0x18, cmdRequest = 0x19;
constexpr int maxRepeats = 4095;
constexpr int maxMessages = 2500;   // per input: enough to pass maxReceiveBytes in 28-byte chunks

struct FuzzBlock : HWTemplate
{
    explicit FuzzBlock (size_t n) : HWTemplate ((unsigned long) n)
    {
        for (size_t i = 0; i < n; ++i)
            static_cast<juce::uint8*> (mData.getData())[i] = (juce::uint8) (i * 37 + 11);
    }
    Bytes bytes() const { return Bytes (getBlock().begin(), getBlock().end()); }

    using HWTemplate::Step;
    using HWTemplate::abandonTransfer;
    using HWTemplate::beginReceive;
    using HWTemplate::beginSend;
    using HWTemplate::receivingStep;
    using HWTemplate::sendingStep;
};

using Step = FuzzBlock::Step;

int ackStatusOf (const Bytes& ack)
{
    requireDeviceMessage (ack);
    require (ack[SysexFrame::commandIndex] == cmdAck, "we answer with TemplateAck");
    Payload status;
    require (unpackTransferPayload (ack, status) && status.length == 1, "our acknowledgement carries one packed status");
    return (int) (juce::int8) status.bytes[0];
}

/** The receiving side: the block is the system's, the messages are the instrument's. */
struct ReceiveModel
{
    ReceiveModel (FuzzBlock& b, CaptureOutput& o) : block (b), out (o) {}

    FuzzBlock& block;
    CaptureOutput& out;
    bool running = true;
    bool started = false;
    int resends = 0;
    Bytes stored;

    void offer (const juce::MidiMessage& message, const Bytes& m)
    {
        const auto sentBefore = out.count;
        const int counterBefore = SysexBuilder::static_request_counter;
        HWTemplate::MidiReceived (message);

        const bool flagged = running && m.size() >= 10 && m.size() <= (size_t) SysexFrame::maxMessageSize && m[0] == 0xF0;
        const auto command = flagged ? m[SysexFrame::commandIndex] : 0;
        const auto step = block.receivingStep();

        if (command == cmdStart)
        {
            require (step == (started ? Step::goesOn : Step::movedOn), "only the first start is progress");
            started = true;
            require (out.count == sentBefore + 1, "a start is acknowledged once");
            require (ackStatusOf (out.last) == 0, "a start is acknowledged with status 0");
            require (out.last[SysexFrame::counterIndex] == (m[SysexFrame::counterIndex] & 0x7F),
                     "the start's acknowledgement carries the instrument's counter");
        }
        else if (command == cmdChunk || command == cmdLast)
        {
            const bool last = command == cmdLast;
            const int length = m[SysexFrame::lengthIndex];
            Payload raw;
            int status = 0;
            Step expected;
            if (length == 0)
            {
                status = -3;
                expected = last ? Step::failed : Step::goesOn;
            }
            else if (! unpackTransferPayload (m, raw))
            {
                const bool again = resends < HWTemplate::maxResends;
                status = again ? -1 : -3;
                expected = again ? Step::goesOn : Step::failed;
                if (again)
                    ++resends;
            }
            else if (stored.size() + (size_t) raw.length > HWTemplate::maxReceiveBytes)
            {
                status = -3;
                expected = Step::failed;
            }
            else
            {
                require (raw.length == length && length <= SysexFrame::maxPackedPayload,
                         "a stored chunk brings its declared length, at most 28 bytes");
                stored.insert (stored.end(), raw.bytes, raw.bytes + raw.length);
                resends = 0;
                expected = last ? Step::succeeded : Step::movedOn;
            }
            require (step == expected, "a chunk takes the step its contents call for");
            require (out.count == sentBefore + 1, "a chunk is acknowledged once");
            require (ackStatusOf (out.last) == status, "a chunk is acknowledged with the status its contents call for");
            require (out.last[SysexFrame::counterIndex] == counterBefore, "acknowledgements count on");
            if (step == Step::succeeded || step == Step::failed)
                running = false;
        }
        else
        {
            require (step == Step::waiting && out.count == sentBefore, "other messages are no step of a receive");
        }

        require (block.receivingStep() == Step::waiting, "one message makes one step");
        require (out.count <= sentBefore + 1, "one message is answered at most once");
        require (block.isReceiving() == running, "the receive runs until a step ends it");
    }
};

/** The sending side: the block is the system's, the acknowledgements are the instrument's. */
struct SendModel
{
    SendModel (FuzzBlock& b, CaptureOutput& o) : block (b), out (o), content (b.bytes()) {}

    FuzzBlock& block;
    CaptureOutput& out;
    Bytes content;
    bool running = true;
    juce::int64 remaining = 0;
    int status = 0;
    int resends = 0;
    size_t offset = 0;
    Bytes lastPacket;

    std::uint8_t expectedCounter() const { return lastPacket[SysexFrame::counterIndex]; }

    void offer (const juce::MidiMessage& message, const Bytes& m)
    {
        const auto sentBefore = out.count;
        HWTemplate::MidiReceived (message);
        const auto step = block.sendingStep();

        const bool flagged = running && m.size() >= 10 && m.size() <= (size_t) SysexFrame::maxMessageSize && m[0] == 0xF0
                             && m[SysexFrame::commandIndex] == cmdAck && m[SysexFrame::counterIndex] == expectedCounter();
        bool counts = flagged;
        if (flagged && m[SysexFrame::lengthIndex] != 0)
        {
            Payload raw;
            counts = unpackTransferPayload (m, raw);
            if (counts)
                status = (int) (juce::int8) raw.bytes[0];
        }

        if (! counts)
        {
            require (step == (flagged ? Step::goesOn : Step::waiting), "an acknowledgement that does not count is ignored");
            require (out.count == sentBefore, "an acknowledgement that does not count sends nothing");
        }
        else if (status == 0 && remaining > 0)
        {
            require (step == Step::movedOn && out.count == sentBefore + 1, "status 0 sends the next chunk");
            const auto& chunk = out.last;
            require (chunk[SysexFrame::commandIndex] == (remaining > 1 ? cmdChunk : cmdLast), "the block's last chunk goes as TemplateLastChunk");
            require (chunk[SysexFrame::counterIndex] == (expectedCounter() + 1) % 128, "each new chunk counts on");
            Payload raw;
            require (unpackTransferPayload (chunk, raw), "a chunk unpacks");
            const auto count = std::min ((size_t) HWTemplate::chunkSize, content.size() - offset);
            require (raw == Bytes (content.begin() + (long) offset, content.begin() + (long) (offset + count)),
                     "a chunk carries the block's next bytes");
            offset += count;
            --remaining;
            resends = 0;
            lastPacket = chunk;
        }
        else if (status == 0)
        {
            require (step == Step::succeeded && out.count == sentBefore, "status 0 after the last chunk ends the send");
            require (offset == content.size(), "a send succeeds only once the whole block went out");
            running = false;
        }
        else if (status == -1 || status == -2)
        {
            if (++resends > HWTemplate::maxResends)
            {
                require (step == Step::failed && out.count == sentBefore, "too many resend requests end the send");
                running = false;
            }
            else
            {
                require (step == Step::goesOn && out.count == sentBefore + 1 && out.last == lastPacket,
                         "a resend request sends the kept message again, unchanged");
            }
        }
        else if (status == -3)
        {
            require (step == Step::failed && out.count == sentBefore, "status -3 aborts the send");
            running = false;
        }
        else
        {
            require (step == Step::goesOn && out.count == sentBefore, "a status with no meaning is ignored");
        }

        require (block.sendingStep() == Step::waiting, "one message makes one step");
        require (block.isSending() == running, "the send runs until a step ends it");
    }
};
} // namespace

void blockTransfer (const std::uint8_t* data, std::size_t size)
{
    Input in (data, size);
    const bool receiving = (in.byte() & 1) != 0;
    const size_t blockSize = in.byte();

    CaptureOutput out;
    FuzzBlock block (blockSize);
    ReceiveModel receiver (block, out);
    SendModel sender (block, out);

    if (receiving)
    {
        block.beginReceive (&out);
        require (out.count == 1 && out.last.size() == 10 && out.last[SysexFrame::commandIndex] == cmdRequest,
                 "a receive begins with TemplateRequest");
        receiver.stored.reserve (HWTemplate::maxReceiveBytes);
    }
    else
    {
        block.beginSend (&out);
        require (out.count == 1 && out.last == plainDeviceMessage (cmdStart, 0, {}), "a send begins with TemplateStart, counter 0");
        sender.lastPacket = out.last;
        sender.remaining = (juce::int64) ((blockSize + HWTemplate::chunkSize - 1) / HWTemplate::chunkSize);
    }

    int offered = 0;
    auto offer = [&] (const juce::MidiMessage& message, const Bytes& m) {
        if (++offered > maxMessages)
            return;
        if (receiving)
            receiver.offer (message, m);
        else
            sender.offer (message, m);
    };

    // (JUCE 7.0.5's move assignment of a MidiMessage leaks the bytes it replaces: emplace.)
    std::optional<juce::MidiMessage> last;
    Bytes lastBytes;
    while (! in.empty())
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
                const int times = std::min (maxRepeats, ((op >> 2) & 15) * 256 + in.byte());
                for (int i = 0; last.has_value() && i < times; ++i)
                    offer (*last, lastBytes);
                continue;
            }
            default:
            {
                const auto b = in.byte();
                if (receiving)
                {
                    auto raw = in.take ((size_t) ((b & 0x7F) % (SysexFrame::maxPackedPayload + 1)));
                    m = packedDeviceMessage ((b & 0x80) != 0 ? cmdLast : cmdChunk, 0x01, raw);
                }
                else
                {
                    m = packedDeviceMessage (cmdAck, sender.expectedCounter(), { b });
                }
                break;
            }
        }
        if (m.empty())
            break;
        last.emplace (messageOf (m));
        lastBytes = bytesOf (*last);
        offer (*last, lastBytes);
    }

    block.abandonTransfer();
    require (! block.isSending() && ! block.isReceiving(), "an abandoned transfer has ended");
    if (receiving)
    {
        require (block.bytes() == receiver.stored, "the received block holds exactly the stored chunks");
        require (block.getBlock().getSize() <= HWTemplate::maxReceiveBytes, "a received block never grows beyond its bound");
    }
    else
    {
        require (block.bytes() == sender.content, "a send leaves the block as it was");
    }
}

namespace
{
struct TransferInput
{
    Bytes b;

    TransferInput (bool receive, std::uint8_t blockSize) : b { receive ? std::uint8_t (1) : std::uint8_t (0), blockSize } {}

    TransferInput& ack (std::uint8_t status) { b.insert (b.end(), { 3, status }); return *this; }
    TransferInput& chunk (bool last, const Bytes& raw)
    {
        b.insert (b.end(), { 3, (std::uint8_t) ((last ? 0x80 : 0) | raw.size()) });
        b.insert (b.end(), raw.begin(), raw.end());
        return *this;
    }
    TransferInput& message (const Bytes& m)
    {
        b.push_back ((std::uint8_t) ((m.size() - 1) << 2));
        b.insert (b.end(), m.begin(), m.end());
        return *this;
    }
    TransferInput& built (std::uint8_t command, std::uint8_t counter, bool packed, bool spoiled, const Bytes& raw)
    {
        b.insert (b.end(), { (std::uint8_t) (1 | (raw.size() << 2)), command, counter,
                             (std::uint8_t) ((packed ? 1 : 0) | (spoiled ? 2 : 0)) });
        b.insert (b.end(), raw.begin(), raw.end());
        return *this;
    }
    TransferInput& repeat (int times)
    {
        b.insert (b.end(), { (std::uint8_t) (2 | ((times >> 8) << 2)), (std::uint8_t) (times & 0xFF) });
        return *this;
    }
};

Bytes pattern (size_t n, int seed)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = (std::uint8_t) (i * 29 + (size_t) seed * 7);
    return b;
}
} // namespace

std::vector<Seed> blockTransferSeeds()
{
    std::vector<Seed> seeds;
    {
        TransferInput t (false, 87);
        for (int i = 0; i < 7; ++i)
            t.ack (0);
        seeds.push_back ({ "send_preset_block", t.b });
    }
    {
        TransferInput t (false, 40);
        t.ack (0).ack (0xFF).ack (0).message (plainDeviceMessage (cmdAck, 2, {})).ack (0xFE).ack (0).ack (0);
        seeds.push_back ({ "send_with_resends", t.b });
    }
    {
        TransferInput t (false, 40);
        t.ack (0).built (cmdAck, 7, true, false, { 0 }).ack (5).ack (0xFD);
        seeds.push_back ({ "send_aborted", t.b });
    }
    {
        TransferInput t (true, 87);
        t.built (cmdStart, 0x21, false, false, {});
        for (int i = 0; i < 5; ++i)
            t.chunk (false, pattern (16, i));
        t.chunk (true, pattern (7, 5));
        seeds.push_back ({ "receive_preset_block", t.b });
    }
    {
        TransferInput t (true, 87);
        t.built (cmdStart, 0x7E, false, false, {})
            .built (cmdChunk, 1, true, true, pattern (16, 1))
            .chunk (false, pattern (16, 1))
            .built (cmdChunk, 2, false, false, {})
            .built (cmdLast, 3, true, false, pattern (29, 2))
            .chunk (true, pattern (3, 3));
        seeds.push_back ({ "receive_with_bad_chunks", t.b });
    }
    {
        TransferInput t (true, 0);
        t.built (cmdStart, 0, false, false, {}).chunk (false, pattern (28, 4)).repeat (2400);
        seeds.push_back ({ "receive_past_the_bound", t.b });
    }
    {
        TransferInput t (true, 16);
        t.built (cmdStart, 0, false, false, {}).built (cmdChunk, 1, true, true, pattern (16, 1)).repeat (20);
        seeds.push_back ({ "receive_resends_exhausted", t.b });
    }
    return seeds;
}
} // namespace fuzz
