#pragma once

#include "link/MidiPorts.h"
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

/** What sits on the far side of a virtual port: the device that the system's output talks to
    and that talks back to the system's inputs. */
class VirtualMidiDevice
{
public:
    virtual ~VirtualMidiDevice() = default;

    /** A message the system sent on one of this device's outputs. Called on the sender's
        thread with the bus's output lock held: answer through VirtualMidiBus::sendToHost,
        never block. */
    virtual void messageFromHost (const juce::MidiMessage& message) = 0;

    /** Whether the system may open this device's input now. */
    virtual bool inputCanOpen() const { return true; }
};

/** The in-process MIDI service: named inputs and outputs, each with a device behind it.
    Messages a device sends reach the system's open, started inputs on the bus's own delivery
    thread, in order, each one whole. */
class VirtualMidiBus : public MidiBackend
{
public:
    enum class Ports { both, inputOnly, outputOnly };

    static VirtualMidiBus& instance();

    /** Adds an input and/or output named name with device behind them (appended to the device
        lists, so the indices are the current list sizes). */
    void addDevice (const juce::String& name, VirtualMidiDevice* device, Ports ports = Ports::both);

    /** Takes the device's ports out of the lists; ports already open on it go dead (sending
        reaches nothing, nothing is delivered). Waits for a delivery to it still running. */
    void removeDevice (VirtualMidiDevice* device);

    /** Queues a message from device to the system's inputs that belong to it. Any thread. */
    void sendToHost (VirtualMidiDevice* device, const juce::MidiMessage& message);

    /** Waits until every queued message has been delivered (or timeoutMs pass). */
    bool waitUntilDelivered (int timeoutMs = 2000);

    juce::StringArray getInputNames() override;
    juce::StringArray getOutputNames() override;
    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPortCallback* callback) override;
    std::unique_ptr<MidiOutputPort> openOutput (int index) override;

    ~VirtualMidiBus() override;

private:
    VirtualMidiBus();

    class Input;
    class Output;
    struct Entry
    {
        juce::String name;
        VirtualMidiDevice* device;
    };
    struct Pending
    {
        VirtualMidiDevice* device;
        juce::MidiMessage message;
    };

    void deliveryLoop();
    void unregisterInput (Input* input);

    // Lock order: the output lock is held while a device hears a message; the input lock while
    // a callback runs. The two are never held together, and the queue lock nests inside either.
    std::recursive_mutex mOutputLock;
    std::recursive_mutex mInputLock;
    std::vector<Entry> mInputs, mOutputs;  // device lists (guarded by both locks for writing)
    std::vector<Input*> mOpenInputs;       // guarded by mInputLock
    std::vector<Output*> mOpenOutputs;     // guarded by mOutputLock

    std::mutex mQueueLock;
    std::condition_variable mQueueChanged;
    std::deque<Pending> mQueue;
    bool mDelivering = false;
    bool mQuit = false;
    std::thread mThread;
};
