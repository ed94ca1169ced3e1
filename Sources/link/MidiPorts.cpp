#include "link/MidiPorts.h"
#include "link/SysexBuilder.h"
#include "link/VirtualMidiBus.h"
#include <cstdlib>

namespace
{
// The operating system's MIDI service through JUCE. Device indices are positions in JUCE's
// device lists; ports are opened by the identifier found there.
class JuceMidiBackend : public MidiBackend
{
public:
    class Input : public MidiInputPort, private juce::MidiInputCallback
    {
    public:
        Input (int index, MidiInputPortCallback* callback) : mIndex (index), mCallback (callback) {}

        bool open (const juce::MidiDeviceInfo& info)
        {
            mName = info.name;
            mDevice = juce::MidiInput::openDevice (info.identifier, this);
            return mDevice != nullptr;
        }

        ~Input() override
        {
            if (mDevice != nullptr)
                mDevice->stop();
            mDevice = nullptr;
        }

        void start() override { mDevice->start(); }
        void stop() override { mDevice->stop(); }
        int getDeviceIndex() const override { return mIndex; }
        juce::String getName() const override { return mName; }

    private:
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
        {
            mCallback->handleIncomingMidiMessage (this, message);
        }

        void handlePartialSysexMessage (juce::MidiInput*, const juce::uint8* data, int n, double t) override
        {
            mCallback->handlePartialSysexMessage (this, data, n, t);
        }

        const int mIndex;
        MidiInputPortCallback* const mCallback;
        juce::String mName;
        std::unique_ptr<juce::MidiInput> mDevice;
    };

    class Output : public MidiOutputPort
    {
    public:
        Output (int index, std::unique_ptr<juce::MidiOutput> device)
            : mIndex (index), mDevice (std::move (device)) {}

        void sendMessageNow (const juce::MidiMessage& message) override { mDevice->sendMessageNow (message); }
        int getDeviceIndex() const override { return mIndex; }
        juce::String getName() const override { return mDevice->getName(); }

    private:
        const int mIndex;
        std::unique_ptr<juce::MidiOutput> mDevice;
    };

    static juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
    {
        juce::StringArray names;
        for (auto& d : devices)
            names.add (d.name);
        return names;
    }

    juce::StringArray getInputNames() override { return namesOf (juce::MidiInput::getAvailableDevices()); }
    juce::StringArray getOutputNames() override { return namesOf (juce::MidiOutput::getAvailableDevices()); }

    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPortCallback* callback) override
    {
        auto devices = juce::MidiInput::getAvailableDevices();
        if (callback == nullptr || ! juce::isPositiveAndBelow (index, devices.size()))
            return nullptr;
        auto input = std::make_unique<Input> (index, callback);
        if (! input->open (devices[index]))
            return nullptr;
        return input;
    }

    std::unique_ptr<MidiOutputPort> openOutput (int index) override
    {
        auto devices = juce::MidiOutput::getAvailableDevices();
        if (! juce::isPositiveAndBelow (index, devices.size()))
            return nullptr;
        auto device = juce::MidiOutput::openDevice (devices[index].identifier);
        if (device == nullptr)
            return nullptr;
        return std::make_unique<Output> (index, std::move (device));
    }
};

std::atomic<MidiBackend*> gBackend { nullptr };

MidiBackend& juceBackend()
{
    static JuceMidiBackend backend;
    return backend;
}
} // namespace

namespace MidiPorts
{
MidiBackend& backend()
{
    if (auto* b = gBackend.load (std::memory_order_acquire))
        return *b;

    const char* choice = std::getenv ("DORVO_MIDI");
    MidiBackend* chosen = (choice != nullptr && juce::String (choice) == "virtual")
                              ? static_cast<MidiBackend*> (&VirtualMidiBus::instance())
                              : &juceBackend();
    MidiBackend* expected = nullptr;
    gBackend.compare_exchange_strong (expected, chosen, std::memory_order_acq_rel);
    return *gBackend.load (std::memory_order_acquire);
}

void useVirtualBus()
{
    gBackend.store (&VirtualMidiBus::instance(), std::memory_order_release);
}

bool usingVirtualBus()
{
    return &backend() == static_cast<MidiBackend*> (&VirtualMidiBus::instance());
}
} // namespace MidiPorts

juce::StringArray MidiInputPort::getDevices() { return MidiPorts::backend().getInputNames(); }

MidiInputPort* MidiInputPort::openDevice (int index, MidiInputPortCallback* callback)
{
    return MidiPorts::backend().openInput (index, callback).release();
}

juce::StringArray MidiOutputPort::getDevices() { return MidiPorts::backend().getOutputNames(); }

MidiOutputPort* MidiOutputPort::openDevice (int index)
{
    return MidiPorts::backend().openOutput (index).release();
}

bool sendSysex (MidiOutputPort* port, const SysexBuilder& message)
{
    if (port == nullptr || ! message.isValid())
        return false;
    port->sendMessageNow (message.toMidiMessage());
    return true;
}
