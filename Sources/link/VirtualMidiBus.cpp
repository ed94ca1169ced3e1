#include "link/VirtualMidiBus.h"

class VirtualMidiBus::Input : public MidiInputPort
{
public:
    Input (VirtualMidiBus& bus, int index, const Entry& entry, MidiInputPortCallback* callback)
        : mBus (bus), mIndex (index), mName (entry.name), mDevice (entry.device), mCallback (callback) {}

    ~Input() override { mBus.unregisterInput (this); }

    void start() override { mStarted.store (true, std::memory_order_release); }
    void stop() override { mStarted.store (false, std::memory_order_release); }
    int getDeviceIndex() const override { return mIndex; }
    juce::String getName() const override { return mName; }

    VirtualMidiBus& mBus;
    const int mIndex;
    const juce::String mName;
    VirtualMidiDevice* mDevice;  // null once the device is gone; guarded by the input lock
    MidiInputPortCallback* const mCallback;
    std::atomic<bool> mStarted { false };
};

class VirtualMidiBus::Output : public MidiOutputPort
{
public:
    Output (VirtualMidiBus& bus, int index, const Entry& entry)
        : mBus (bus), mIndex (index), mName (entry.name), mDevice (entry.device) {}

    ~Output() override
    {
        std::lock_guard<std::recursive_mutex> lock (mBus.mOutputLock);
        auto& open = mBus.mOpenOutputs;
        open.erase (std::remove (open.begin(), open.end(), this), open.end());
    }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        std::lock_guard<std::recursive_mutex> lock (mBus.mOutputLock);
        if (mDevice != nullptr)
            mDevice->messageFromHost (message);
    }

    int getDeviceIndex() const override { return mIndex; }
    juce::String getName() const override { return mName; }

    VirtualMidiBus& mBus;
    const int mIndex;
    const juce::String mName;
    VirtualMidiDevice* mDevice;  // guarded by the output lock
};

VirtualMidiBus& VirtualMidiBus::instance()
{
    static VirtualMidiBus bus;
    return bus;
}

VirtualMidiBus::VirtualMidiBus()
{
    mThread = std::thread ([this] { deliveryLoop(); });
}

VirtualMidiBus::~VirtualMidiBus()
{
    {
        std::lock_guard<std::mutex> lock (mQueueLock);
        mQuit = true;
    }
    mQueueChanged.notify_all();
    if (mThread.joinable())
        mThread.join();
}

void VirtualMidiBus::addDevice (const juce::String& name, VirtualMidiDevice* device, Ports ports)
{
    std::scoped_lock lock (mOutputLock, mInputLock);
    if (ports != Ports::outputOnly)
        mInputs.push_back ({ name, device });
    if (ports != Ports::inputOnly)
        mOutputs.push_back ({ name, device });
}

void VirtualMidiBus::removeDevice (VirtualMidiDevice* device)
{
    {
        std::scoped_lock lock (mOutputLock, mInputLock);
        auto gone = [device] (const Entry& e) { return e.device == device; };
        mInputs.erase (std::remove_if (mInputs.begin(), mInputs.end(), gone), mInputs.end());
        mOutputs.erase (std::remove_if (mOutputs.begin(), mOutputs.end(), gone), mOutputs.end());
        for (auto* in : mOpenInputs)
            if (in->mDevice == device)
                in->mDevice = nullptr;
        for (auto* out : mOpenOutputs)
            if (out->mDevice == device)
                out->mDevice = nullptr;
    }
    // Rebuilt by copies rather than erased in place: the framework's move assignment of a
    // MidiMessage loses the heap bytes of the message it overwrites.
    std::lock_guard<std::mutex> lock (mQueueLock);
    std::deque<Pending> kept;
    for (const auto& p : mQueue)
        if (p.device != device)
            kept.push_back (p);
    mQueue.swap (kept);
}

void VirtualMidiBus::sendToHost (VirtualMidiDevice* device, const juce::MidiMessage& message)
{
    {
        std::lock_guard<std::mutex> lock (mQueueLock);
        mQueue.push_back ({ device, message });
    }
    mQueueChanged.notify_all();
}

bool VirtualMidiBus::waitUntilDelivered (int timeoutMs)
{
    std::unique_lock<std::mutex> lock (mQueueLock);
    return mQueueChanged.wait_for (lock, std::chrono::milliseconds (timeoutMs),
                                   [this] { return mQueue.empty() && ! mDelivering; });
}

void VirtualMidiBus::deliveryLoop()
{
    for (;;)
    {
        Pending next { nullptr, {} };
        {
            std::unique_lock<std::mutex> lock (mQueueLock);
            mDelivering = false;
            mQueueChanged.notify_all();
            mQueueChanged.wait (lock, [this] { return mQuit || ! mQueue.empty(); });
            if (mQuit)
                return;
            next = std::move (mQueue.front());
            mQueue.pop_front();
            mDelivering = true;
        }

        next.message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        std::lock_guard<std::recursive_mutex> lock (mInputLock);
        // Copy: a callback may close its own port while we deliver.
        const auto open = mOpenInputs;
        for (auto* in : open)
        {
            if (std::find (mOpenInputs.begin(), mOpenInputs.end(), in) == mOpenInputs.end())
                continue;
            if (in->mDevice == next.device && in->mStarted.load (std::memory_order_acquire))
                in->mCallback->handleIncomingMidiMessage (in, next.message);
        }
    }
}

void VirtualMidiBus::unregisterInput (Input* input)
{
    std::lock_guard<std::recursive_mutex> lock (mInputLock);
    mOpenInputs.erase (std::remove (mOpenInputs.begin(), mOpenInputs.end(), input), mOpenInputs.end());
}

juce::StringArray VirtualMidiBus::getInputNames()
{
    std::lock_guard<std::recursive_mutex> lock (mInputLock);
    juce::StringArray names;
    for (auto& e : mInputs)
        names.add (e.name);
    return names;
}

juce::StringArray VirtualMidiBus::getOutputNames()
{
    std::lock_guard<std::recursive_mutex> lock (mOutputLock);
    juce::StringArray names;
    for (auto& e : mOutputs)
        names.add (e.name);
    return names;
}

std::unique_ptr<MidiInputPort> VirtualMidiBus::openInput (int index, MidiInputPortCallback* callback)
{
    std::lock_guard<std::recursive_mutex> lock (mInputLock);
    if (callback == nullptr || index < 0 || index >= (int) mInputs.size())
        return nullptr;
    if (mInputs[(size_t) index].device != nullptr && ! mInputs[(size_t) index].device->inputCanOpen())
        return nullptr;
    auto input = std::make_unique<Input> (*this, index, mInputs[(size_t) index], callback);
    mOpenInputs.push_back (input.get());
    return input;
}

std::unique_ptr<MidiOutputPort> VirtualMidiBus::openOutput (int index)
{
    std::lock_guard<std::recursive_mutex> lock (mOutputLock);
    if (index < 0 || index >= (int) mOutputs.size())
        return nullptr;
    auto output = std::make_unique<Output> (*this, index, mOutputs[(size_t) index]);
    mOpenOutputs.push_back (output.get());
    return output;
}
