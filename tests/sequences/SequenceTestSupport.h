#pragma once

#include "TestSupport.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "sequences/SequenceFile.h"
#include "simulator/SimulatedInstrument.h"

namespace seqtest
{
/** What the application's input callback does: everything but active sensing goes to the
    message set (on the bus's delivery thread). */
struct Forwarder : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
            HWMessages::midiReceived (m);
    }
};

/** One SetSeqPattern message as the instrument heard it: index, offset and the steps it
    counts ("2@32:60 127" is index 2, steps 33 on, two steps). */
inline juce::String describeHalf (const sim::Bytes& m)
{
    juce::String s;
    s << (int) m[9] << "@" << (int) m[10] << ":";
    const int count = juce::jmin ((int) m[11], 32);
    for (int k = 0; k < count; ++k)
        s << (k > 0 ? " " : "") << (int) m[(size_t) (12 + k)];
    return s;
}

/** Every SetSeqPattern message the instrument received, described. */
inline juce::StringArray sequenceMessages (const sim::SimulatedInstrument& instrument)
{
    juce::StringArray out;
    for (auto& m : instrument.receivedWithCommand (0x3A))
        if (m.size() == 45)
            out.add (describeHalf (m));
    return out;
}

/** A sequence sent to the instrument, by index, as the messages that must carry it: one for
    up to 32 steps, a second one for the steps from 33 on. */
struct Sent
{
    int index;
    std::vector<int> steps;
};

inline juce::StringArray messagesFor (const std::vector<Sent>& sent)
{
    juce::StringArray out;
    for (auto& s : sent)
    {
        const int count = (int) s.steps.size();
        for (int offset = 0; offset == 0 || offset < count; offset += 32)
        {
            juce::String d;
            d << s.index << "@" << offset << ":";
            for (int k = offset; k < juce::jmin (count, offset + 32); ++k)
                d << (k > offset ? " " : "") << s.steps[(size_t) k];
            out.add (d);
        }
    }
    return out;
}

inline SequenceFile::Steps steps (std::initializer_list<int> values)
{
    SequenceFile::Steps s {};
    size_t k = 0;
    for (int v : values)
        s[k++] = juce::uint8 (v);
    return s;
}

inline juce::MemoryBlock bytes (std::initializer_list<int> values)
{
    juce::MemoryBlock b;
    for (int v : values)
    {
        const auto c = (char) v;
        b.append (&c, 1);
    }
    return b;
}

inline juce::String hex (const juce::MemoryBlock& b)
{
    return juce::String::toHexString (b.getData(), (int) b.getSize());
}

/** A folder of the test's own, removed afterwards. */
struct TemporaryFolder
{
    TemporaryFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("dorvo-sequences-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64())))
    {
        folder.createDirectory();
    }
    ~TemporaryFolder() { folder.deleteRecursively(); }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }
    /** The names of the files in the folder, sorted (hidden ones too). */
    juce::StringArray names() const
    {
        juce::StringArray out;
        for (auto& f : folder.findChildFiles (juce::File::findFiles, false, "*"))
            out.add (f.getFileName());
        out.sort (false);
        return out;
    }

    juce::File folder;
};

/** The simulated instrument with a hook that runs, on the sender's thread, before it hears
    each message of the system (e.g. to fall silent from a given request on). */
struct HookedInstrument : sim::SimulatedInstrument
{
    std::function<void (const sim::Bytes&)> beforeHearing;

    void messageFromHost (const juce::MidiMessage& message) override
    {
        if (beforeHearing)
            beforeHearing (sim::Bytes (message.getRawData(), message.getRawData() + message.getRawDataSize()));
        SimulatedInstrument::messageFromHost (message);
    }
};

/** The simulated KelaDorvo SE on the virtual bus with the system's ports open on it, as the
    application has them, and a scripted responder for every box and chooser. */
class InstrumentFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        instrument.plugIn();
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, &forwarder));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        ASSERT_TRUE (in != nullptr && out != nullptr);
        in->start();
    }

    void TearDown() override
    {
        if (in != nullptr)
            in->stop();
        in.reset();
        out.reset();
        instrument.unplug();
    }

    HookedInstrument instrument;
    Forwarder forwarder;
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
    TemporaryFolder temp;
};
} // namespace seqtest
