#pragma once

#include "JuceIncludes.h"
#include <atomic>
#include <functional>
#include <thread>

// The hand-over between a second start of the application and the running one. The running
// instance listens on a local (Unix-domain) socket; a second start connects to it, sends its
// command line and ends. The running instance hears of it on the message thread.
//
// Which process may run is decided by a lock of this user's own, a file beside the socket
// (the framework's lock is one file for the whole machine, so one user's instance would keep
// every other user's from starting). The socket carries the news to the instance that holds
// it (JUCE on Linux broadcasts nothing).

namespace SingleInstance
{
/** The socket of this user's running instance: DORVO_INSTANCE_SOCKET when set, otherwise a
    file named after the user in the user's runtime folder (XDG_RUNTIME_DIR), or in the
    temporary folder when there is none. */
juce::String defaultSocketPath();

/** The single-instance lock of the instance whose socket is at socketPath: the file
    socketPath + ".lock", locked for as long as the object lives. */
class Lock
{
public:
    explicit Lock (const juce::String& socketPath);
    ~Lock();

    /** How long a start whose hand-over failed waits for the lock, and how often it tries
        again meanwhile. */
    static constexpr int handOverFailedWaitMs = 3000;
    static constexpr int retryStepMs = 50;

    /** True when this process holds the lock. Also true when the lock file cannot be made at
        all: then nothing can tell a second instance apart, and the application runs. */
    bool isHeld() const { return mHeld; }

    /** Tries again to take the lock every retryStepMs until it is held, for at most timeoutMs.
        True when it is held (at once when it already was). */
    bool waitUntilHeld (int timeoutMs);

    Lock (const Lock&) = delete;
    Lock& operator= (const Lock&) = delete;

private:
    bool tryToTake();

    int mFile = -1;
    bool mHeld = false;
};

/** Tells the instance listening at path that another one was started, with its command line.
    True when the running instance took the message; false when nobody listens there. */
bool handOver (const juce::String& path, const juce::String& commandLine);

/** The running instance's side: listens at path while it exists and calls onOtherInstance
    with the command line of every later start, on the message thread. */
class Listener
{
public:
    Listener (const juce::String& path, std::function<void (const juce::String&)> onOtherInstance);
    ~Listener();

    /** Whether the socket could be set up. */
    bool isListening() const { return mSocket >= 0; }

    Listener (const Listener&) = delete;
    Listener& operator= (const Listener&) = delete;

private:
    void run();

    struct Shared;
    std::shared_ptr<Shared> mShared;   // outlives the listener for messages still posted
    juce::String mPath;
    int mSocket = -1;
    int mWakePipe[2] = { -1, -1 };
    std::thread mThread;
};
} // namespace SingleInstance
