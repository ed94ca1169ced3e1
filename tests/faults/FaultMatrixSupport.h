#pragma once

#include "TestSupport.h"
#include "simulator/SimulatedInstrument.h"
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// What the fault matrix needs besides the system: the process's threads, whether a lock is
// free, a picture of a folder's files, and an instrument whose cable can be pulled in the
// middle of an operation.

namespace faultmatrix
{
using Bytes = std::vector<juce::uint8>;

/** The threads of this process, as /proc/self/task lists them. */
inline int threadCount()
{
    juce::Array<juce::File> tasks;
    juce::File ("/proc/self/task").findChildFiles (tasks, juce::File::findDirectories, false);
    return tasks.size();
}

/** Whether another thread can take the lock at once: a lock that an ended operation left held
    would stop the next one that needs it. */
inline bool lockIsFree (juce::CriticalSection& lock)
{
    bool free = false;
    std::thread other ([&] {
        if (lock.tryEnter())
        {
            free = true;
            lock.exit();
        }
    });
    other.join();
    return free;
}

/** Every file and folder under dir (hidden ones too) as its path relative to dir and its
    bytes (none for a folder), sorted. */
using Snapshot = std::vector<std::pair<juce::String, Bytes>>;

using testsupport::contentsOf;

inline Snapshot snapshot (const juce::File& dir)
{
    Snapshot out;
    juce::Array<juce::File> all;
    dir.findChildFiles (all, juce::File::findFilesAndDirectories, true, "*");
    for (auto& f : all)
        out.emplace_back (f.getRelativePathFrom (dir) + (f.isDirectory() ? "/" : ""), f.isDirectory() ? Bytes() : contentsOf (f));
    std::sort (out.begin(), out.end());
    return out;
}

/** The entries of a snapshot whose paths are not among paths. */
inline Snapshot without (Snapshot s, const juce::StringArray& paths)
{
    s.erase (std::remove_if (s.begin(), s.end(), [&] (const auto& e) { return paths.contains (e.first); }), s.end());
    return s;
}

/** Says which message of the system's is the one. Called on the sending thread. */
using Pick = std::function<bool (const Bytes&)>;

inline bool isIdentityRequest (const Bytes& m) { return m.size() == 6 && m[0] == 0xF0 && m[1] == 0x7E; }
inline bool isDeviceMessage (const Bytes& m) { return m.size() > 8 && m[0] == 0xF0 && m[1] == 0x00; }

inline Pick withCommand (juce::uint8 command)
{
    return [command] (const Bytes& m) { return isDeviceMessage (m) && m[8] == command; };
}

/** The count-th message that pick picks. */
inline Pick nth (int count, Pick pick)
{
    auto seen = std::make_shared<std::atomic<int>> (0);
    return [=] (const Bytes& m) { return pick (m) && seen->fetch_add (1) + 1 == count; };
}

/** A simulated instrument whose cable the test can pull. Once armed, the message that the
    pick picks never arrives: the cable goes just before it, and the instrument is unplugged
    (its ports on the bus go dead, its active sensing stops). The unplugging itself runs on the
    message thread right after, from the operation's own nested loop: the thread that sends
    may hold the link's locks, which unplugging must not wait for.

    Also keeps the wire: every message that reached it, whatever its faults make it hear. */
class PullableInstrument : public sim::SimulatedInstrument
{
public:
    static std::shared_ptr<PullableInstrument> make (const Options& options)
    {
        std::shared_ptr<PullableInstrument> p (new PullableInstrument (options));
        p->mSelf = p;
        return p;
    }

    void pullOn (Pick pick)
    {
        mPick = std::move (pick);
        mArmed.store (true, std::memory_order_release);
    }

    bool pulled() const { return mPulled.load (std::memory_order_acquire); }

    std::vector<Bytes> wire() const
    {
        std::lock_guard<std::mutex> l (mWireLock);
        return mWire;
    }

    void clearWire()
    {
        std::lock_guard<std::mutex> l (mWireLock);
        mWire.clear();
    }

    /** Device messages on the wire with command byte command. */
    std::vector<Bytes> wireWithCommand (juce::uint8 command) const
    {
        std::vector<Bytes> out;
        for (auto& m : wire())
            if (isDeviceMessage (m) && m[8] == command)
                out.push_back (m);
        return out;
    }

    void messageFromHost (const juce::MidiMessage& message) override
    {
        const Bytes m (message.getRawData(), message.getRawData() + message.getRawDataSize());
        if (mPulled.load (std::memory_order_acquire))
            return;   // the cable is gone, whether or not the bus knows yet
        if (mArmed.load (std::memory_order_acquire) && mPick (m) && mArmed.exchange (false))
        {
            mPulled.store (true, std::memory_order_release);
            std::weak_ptr<PullableInstrument> self = mSelf;
            juce::MessageManager::callAsync ([self] {
                if (auto p = self.lock())
                    p->unplug();
            });
            return;
        }
        {
            std::lock_guard<std::mutex> l (mWireLock);
            mWire.push_back (m);
        }
        SimulatedInstrument::messageFromHost (message);
    }

private:
    explicit PullableInstrument (const Options& options) : SimulatedInstrument (options) {}

    std::weak_ptr<PullableInstrument> mSelf;
    Pick mPick;
    std::atomic<bool> mArmed { false };
    std::atomic<bool> mPulled { false };
    mutable std::mutex mWireLock;
    std::vector<Bytes> mWire;
};
} // namespace faultmatrix
