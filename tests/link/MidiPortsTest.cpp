#include "link/MidiPorts.h"
#include "link/SysexBuilder.h"
#include "link/VirtualMidiBus.h"
#include "TestSupport.h"
#include <mutex>

namespace
{
struct EchoDevice : VirtualMidiDevice
{
    void messageFromHost (const juce::MidiMessage& m) override
    {
        heard.fetch_add (1);
        VirtualMidiBus::instance().sendToHost (this, m);
    }
    bool inputCanOpen() const override { return canOpen; }
    std::atomic<int> heard { 0 };
    bool canOpen = true;
};

struct Collector : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& m) override
    {
        std::lock_guard<std::mutex> lock (mutex);
        messages.push_back (m);
        sources.push_back (source);
        onMessageThread = onMessageThread || juce::MessageManager::getInstance()->isThisTheMessageThread();
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock (mutex);
        return messages.size();
    }
    std::mutex mutex;
    std::vector<juce::MidiMessage> messages;
    std::vector<MidiInputPort*> sources;
    bool onMessageThread = false;
};

struct VirtualBusTest : ::testing::Test
{
    void SetUp() override { MidiPorts::useVirtualBus(); }
    void TearDown() override
    {
        for (auto* d : devices)
            VirtualMidiBus::instance().removeDevice (d);
    }
    EchoDevice& add (const juce::String& name, VirtualMidiBus::Ports ports = VirtualMidiBus::Ports::both)
    {
        auto* d = new EchoDevice();
        owned.emplace_back (d);
        devices.push_back (d);
        VirtualMidiBus::instance().addDevice (name, d, ports);
        return *d;
    }
    std::vector<std::unique_ptr<EchoDevice>> owned;
    std::vector<EchoDevice*> devices;
};

TEST_F (VirtualBusTest, DeliversWholeSysexOnItsOwnThreadOnlyWhileStarted)
{
    add ("Other");
    auto& dev = add ("KelaDorvo");
    EXPECT_EQ (MidiInputPort::getDevices(), juce::StringArray ({ "Other", "KelaDorvo" }));
    EXPECT_EQ (MidiOutputPort::getDevices(), juce::StringArray ({ "Other", "KelaDorvo" }));

    Collector collector;
    std::unique_ptr<MidiInputPort> in (MidiInputPort::openDevice (1, &collector));
    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (1));
    ASSERT_TRUE (in && out);
    EXPECT_EQ (in->getDeviceIndex(), 1);

    SysexBuilder b (SysexCommand::GetChannelIn, nullptr, 0, 1, false);
    ASSERT_TRUE (sendSysex (out.get(), b));
    ASSERT_TRUE (VirtualMidiBus::instance().waitUntilDelivered());
    EXPECT_EQ (collector.count(), 0u) << "nothing before start()";

    in->start();
    std::vector<juce::uint8> big (300, 0x11);
    big.front() = 0xF0;
    big.back() = 0xF7;
    out->sendMessageNow (juce::MidiMessage (big.data(), (int) big.size()));
    ASSERT_TRUE (VirtualMidiBus::instance().waitUntilDelivered());
    ASSERT_EQ (collector.count(), 1u);
    EXPECT_EQ (collector.messages[0].getRawDataSize(), 300);
    EXPECT_EQ (collector.sources[0], in.get());
    EXPECT_FALSE (collector.onMessageThread);
    EXPECT_EQ (dev.heard.load(), 2);

    in->stop();
    out->sendMessageNow (juce::MidiMessage (0x90, 60, 100));
    ASSERT_TRUE (VirtualMidiBus::instance().waitUntilDelivered());
    EXPECT_EQ (collector.count(), 1u);
}

TEST_F (VirtualBusTest, RefusesWhatCannotOpenAndGoesDeadWhenUnplugged)
{
    auto& dev = add ("KelaDorvo");
    Collector collector;
    EXPECT_EQ (MidiInputPort::openDevice (1, &collector), nullptr);
    EXPECT_EQ (MidiOutputPort::openDevice (-1), nullptr);
    EXPECT_FALSE (sendSysex (nullptr, SysexBuilder (SysexCommand::GetChannelIn, nullptr, 0, 1, false)));

    dev.canOpen = false;
    EXPECT_EQ (MidiInputPort::openDevice (0, &collector), nullptr);
    dev.canOpen = true;

    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (0));
    ASSERT_TRUE (out);
    VirtualMidiBus::instance().removeDevice (&dev);
    EXPECT_TRUE (MidiOutputPort::getDevices().isEmpty());
    out->sendMessageNow (juce::MidiMessage (0x90, 60, 100));
    EXPECT_EQ (dev.heard.load(), 0);
}

TEST_F (VirtualBusTest, InputOnlyAndOutputOnlyDevicesShiftTheIndices)
{
    add ("Keyboard", VirtualMidiBus::Ports::inputOnly);
    add ("Synth", VirtualMidiBus::Ports::outputOnly);
    add ("KelaDorvo");
    EXPECT_EQ (MidiInputPort::getDevices(), juce::StringArray ({ "Keyboard", "KelaDorvo" }));
    EXPECT_EQ (MidiOutputPort::getDevices(), juce::StringArray ({ "Synth", "KelaDorvo" }));
}
} // namespace
