#pragma once

#include "PresetLibraryTestSupport.h"
#include "app/ActionDispatcher.h"
#include "link/HWTemplate.h"
#include "simulator/SimulatedInstrument.h"

namespace presettest
{
/** The application's side as the dispatcher sees it: connected, with fresh active sensing on
    the dispatcher's test clock, and the output port the test gives it. */
struct FakeHost : ActionDispatcher::Host
{
    bool connected = true;
    MidiOutputPort* output = nullptr;
    int refreshes = 0;

    bool isConnected() const override { return connected; }
    juce::uint32 lastActiveSense() const override { return 10000; }
    MidiOutputPort* instrumentOutput() const override { return output; }
    void connectHardware() override {}
    void disconnectHardware() override { connected = false; }
    void updateInterface() override {}
    void refreshPresetsList() override { ++refreshes; }
};

/** Ports to the simulated instrument, its every message but active sensing handed to the
    block transfers as the application does. */
struct InstrumentLink : MidiInputPortCallback
{
    InstrumentLink()
    {
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, this));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        if (in != nullptr)
            in->start();
    }
    ~InstrumentLink() override
    {
        if (in != nullptr)
            in->stop();
        in.reset();
    }
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (! m.isActiveSense())
            HWTemplate::MidiReceived (m);
    }
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
};

/** Command bytes of the device messages the instrument received, in order. */
inline std::vector<int> commandsOf (const sim::SimulatedInstrument& instrument)
{
    std::vector<int> out;
    for (auto& m : instrument.received())
        if (m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00)
            out.push_back (m[8]);
    return out;
}

constexpr int templateStart = 0x15, templateChunk = 0x16, templateLastChunk = 0x17, templateAck = 0x18,
              templateRequest = 0x19, recallPreset = 0x1A, storePreset = 0x1B;
} // namespace presettest
