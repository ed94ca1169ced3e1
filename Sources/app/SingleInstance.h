#pragma once

#include "JuceIncludes.h"
#include <atomic>
#include <functional>
#include <thread>

// The hand-over between a second start of the application and the running one. The running
// instance listens on a local (Unix-domain) socket; a second start connects to it, sends its
// command line and ends. The running instance hears of it on the message thread.
//
// JUCE's own single-instance lock still decides which process may run; this only carries the
// news to the one that does (JUCE on Linux broadcasts nothing).

namespace SingleInstance
{
/** The socket of this user's running instance: DORVO_INSTANCE_SOCKET when set, otherwise a
    file named after the user in the temporary folder. */
juce::String defaultSocketPath();

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
