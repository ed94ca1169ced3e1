// Measures the sequence file operations against the simulated KelaDorvo SE on the virtual port
// bus, inside one process: a whole save (question answered at once, fourteen requests, the
// file written, with and without the six MIDI files) as a ratio to the protocol's floor of
// fourteen 20 ms reply slices (280 ms), and the load of a file of six 64-step lines, from the
// call to the last of its twelve messages on the bus.
#include "FileSaving.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "simulator/SimulatedInstrument.h"
#include <algorithm>
#include <cstdio>

namespace
{
constexpr double saveFloorMs = 14 * 20.0;

struct Forwarder : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
            HWMessages::midiReceived (m);
    }
};

double median (std::vector<double> v)
{
    std::sort (v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double worst (const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element (v.begin(), v.end());
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 10;

    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juce;
    MidiPorts::useVirtualBus();
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope (prompts);

    sim::SimulatedInstrument instrument;
    instrument.plugIn();
    Forwarder forwarder;
    std::unique_ptr<MidiInputPort> in (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, &forwarder));
    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
    if (in == nullptr || out == nullptr)
    {
        std::printf ("could not open the simulated instrument's ports\n");
        return 1;
    }
    in->start();

    const auto folder = juce::File::createTempFile ("dorvo-sequence-bench");
    folder.createDirectory();
    auto target = folder.getChildFile ("bench.kdseq");

    std::vector<double> plain, withMidi, load;
    for (int run = 0; run < runs; ++run)
    {
        for (bool midi : { false, true })
        {
            prompts.choices.push_back (midi ? 1 : 0);
            const double start = juce::Time::getMillisecondCounterHiRes();
            HWMessages::getSeqPatterntoFile (out.get(), &target);
            (midi ? withMidi : plain).push_back (juce::Time::getMillisecondCounterHiRes() - start);
        }
    }

    juce::String text;
    for (int s = 1; s <= 6; ++s)
    {
        text << s << ":";
        for (int k = 0; k < 64; ++k)
            text << (k > 0 ? " " : "") << (k % 5 == 4 ? juce::String ("x") : juce::String (36 + k));
        text << "\r\n";
    }
    auto loadFile = folder.getChildFile ("six-long.kdseq");
    FileSaving::replaceWith (loadFile, text);
    for (int run = 0; run < runs; ++run)
    {
        instrument.clearReceived();
        const double start = juce::Time::getMillisecondCounterHiRes();
        HWMessages::setSeqPatternFromFile (out.get(), &loadFile);
        // The virtual bus hands each message to the instrument inside the send.
        instrument.waitForReceived ([] (auto& r) { return r.size() >= 12; }, 1000);
        load.push_back (juce::Time::getMillisecondCounterHiRes() - start);
        if (instrument.received().size() != 12)
        {
            std::printf ("the load sent %d messages, not 12\n", (int) instrument.received().size());
            return 1;
        }
    }

    in->stop();
    folder.deleteRecursively();

    std::printf ("whole save, sequence file only: median %.1f ms, worst %.1f ms; ratio to %.0f ms: %.3f (target <= 1.1)\n",
                 median (plain), worst (plain), saveFloorMs, median (plain) / saveFloorMs);
    std::printf ("whole save, with six MIDI files: median %.1f ms, worst %.1f ms; ratio to %.0f ms: %.3f (target <= 1.1)\n",
                 median (withMidi), worst (withMidi), saveFloorMs, median (withMidi) / saveFloorMs);
    std::printf ("load of six 64-step lines, all 12 messages sent: median %.3f ms, worst %.3f ms (target <= 5 ms)\n",
                 median (load), worst (load));

    std::printf ("figure save_ms %.1f\nfigure save_midi_ms %.1f\nfigure load_ms %.3f\nfigure sequence_runs %d\n",
                 median (plain), median (withMidi), median (load), runs);

    auto titles = prompts.titles();
    titles.removeString ("Generate MidiFiles?");
    if (! titles.isEmpty())
        std::printf ("unexpected box: %s\n", titles.joinIntoString (", ").toRawUTF8());
    return titles.isEmpty() ? 0 : 1;
}
