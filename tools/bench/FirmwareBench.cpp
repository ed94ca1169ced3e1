// Measures the firmware transfer against the simulated boot loader, which acknowledges every
// packet at once: packets per second through the update's own worker, MIDI callback and port
// layer on the virtual port bus, that is the host's overhead per packet (target: at least
// 2000 packets per second, under 0.5 ms a packet).
//   dorvo_firmware_bench [runs] [image bytes]
#include "firmware/HWUpdater.h"
#include "simulator/SimulatedInstrument.h"
#include <algorithm>
#include <cstdio>

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 5;
    const int bytes = argc > 2 ? juce::jmax (28, juce::String (argv[2]).getIntValue()) : 28 * 20000;
    juce::ScopedJuceInitialiser_GUI juce;

    sim::SimulatedInstrument::Options options;
    options.model = sim::Model::BootLoader;
    options.activeSensing = false;
    sim::SimulatedInstrument loader (options);
    loader.plugIn();

    std::unique_ptr<MidiInputPort> in (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, &HWUpdater::mCallBack));
    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
    if (in == nullptr || out == nullptr)
        return 1;
    in->start();

    juce::MemoryBlock image ((size_t) bytes);
    for (int i = 0; i < bytes; ++i)
        static_cast<juce::uint8*> (image.getData())[i] = juce::uint8 (i * 7);

    std::vector<double> rates;
    for (int run = 0; run < runs; ++run)
    {
        loader.setModel (sim::Model::BootLoader);
        loader.clearReceived();
        juce::MemoryInputStream stream (image, false);
        const double t0 = juce::Time::getMillisecondCounterHiRes();
        if (! HWUpdater::mUpdater.StartUpdate (out.get(), &stream))
            return 1;
        while (HWUpdater::mUpdater.IsUpdating())
            juce::Thread::sleep (1);
        const double ms = juce::Time::getMillisecondCounterHiRes() - t0;
        if (HWUpdater::mUpdater.GetOutcome() != LPC23XXUpdater::Outcome::completed
            || loader.getFirmwareImage().size() != (size_t) bytes)
            return 1;
        rates.push_back (1000.0 * (double) HWUpdater::mUpdater.GetPacketsTotal() / ms);
    }
    in->stop();

    std::sort (rates.begin(), rates.end());
    const double median = rates[rates.size() / 2];
    std::printf ("firmware transfer: %d packets of 28 bytes, %d runs: median %.0f packets/s (%.3f ms per packet; target >= 2000/s), best %.0f, worst %.0f\n",
                 (bytes + 27) / 28, runs, median, 1000.0 / median, rates.back(), rates.front());
    std::printf ("figure packets_per_s %.0f\nfigure packets %d\n", median, (bytes + 27) / 28);
    return 0;
}
