#include "TestSupport.h"
#include "app/SingleInstance.h"
#include <chrono>
#include <thread>

namespace
{
juce::String socketPath (const juce::String& name)
{
    auto file = juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getChildFile ("dorvo-si-" + juce::String (juce::Time::currentTimeMillis()) + "-" + name);
    return file.getFullPathName();
}
} // namespace

TEST (SingleInstance, SecondStartReachesTheRunningInstanceOnTheMessageThread)
{
    const auto path = socketPath ("a");
    juce::StringArray heard;
    bool onMessageThread = true;
    SingleInstance::Listener listener (path, [&] (const juce::String& commandLine) {
        onMessageThread = onMessageThread && juce::MessageManager::getInstance()->isThisTheMessageThread();
        heard.add (commandLine);
    });
    ASSERT_TRUE (listener.isListening());

    EXPECT_TRUE (SingleInstance::handOver (path, "--first"));
    EXPECT_TRUE (SingleInstance::handOver (path, ""));
    EXPECT_TRUE (testsupport::pumpUntil ([&] { return heard.size() == 2; }, 2000));
    EXPECT_EQ (heard, juce::StringArray ("--first", ""));
    EXPECT_TRUE (onMessageThread);
}

TEST (SingleInstance, NobodyListeningMeansNoHandOver)
{
    const auto path = socketPath ("b");
    EXPECT_FALSE (SingleInstance::handOver (path, "x"));            // no file at all

    juce::StringArray heard;
    {
        SingleInstance::Listener first (path, [&] (const juce::String& c) { heard.add (c); });
        ASSERT_TRUE (first.isListening());
    }
    EXPECT_FALSE (SingleInstance::handOver (path, "x"));            // the instance has ended

    // A socket file left behind (a crashed instance) does not keep the next one from listening.
    juce::File (path).replaceWithText ("stale");
    SingleInstance::Listener next (path, [&] (const juce::String& c) { heard.add (c); });
    ASSERT_TRUE (next.isListening());
    EXPECT_TRUE (SingleInstance::handOver (path, "y"));
    EXPECT_TRUE (testsupport::pumpUntil ([&] { return heard.size() == 1; }, 2000));
    EXPECT_EQ (heard, juce::StringArray ("y"));
}

TEST (SingleInstance, ListenerGoneBeforeDeliveryCallsNothing)
{
    const auto path = socketPath ("c");
    int calls = 0;
    {
        SingleInstance::Listener listener (path, [&] (const juce::String&) { ++calls; });
        EXPECT_TRUE (SingleInstance::handOver (path, "late"));
    }   // destroyed before the message thread ran the posted call
    testsupport::pumpMessages (50);
    EXPECT_EQ (calls, 0);
}

TEST (SingleInstance, OneLockPerSocketHeldByOneHolderAtATime)
{
    const auto mine = socketPath ("lock-a"), anotherUsers = socketPath ("lock-b");
    {
        SingleInstance::Lock first (mine);
        EXPECT_TRUE (first.isHeld());
        SingleInstance::Lock second (mine);
        EXPECT_FALSE (second.isHeld()) << "a second start of the same user";
        SingleInstance::Lock elsewhere (anotherUsers);
        EXPECT_TRUE (elsewhere.isHeld()) << "another user's instance is not kept from starting";
    }
    SingleInstance::Lock again (mine);
    EXPECT_TRUE (again.isHeld()) << "free again once the holder ended";
    juce::File (mine + ".lock").deleteFile();
    juce::File (anotherUsers + ".lock").deleteFile();
}

// A start whose hand-over failed waits for the lock: one that its holder lets go meanwhile is
// taken within the wait, one held throughout is not, and the wait ends after its time.
TEST (SingleInstance, WaitingTakesALockLetGoAndEndsOnTime)
{
    using Clock = std::chrono::steady_clock;
    const auto msSince = [] (Clock::time_point t0) {
        return std::chrono::duration_cast<std::chrono::milliseconds> (Clock::now() - t0).count();
    };
    const auto path = socketPath ("wait");
    {
        SingleInstance::Lock free (path);
        ASSERT_TRUE (free.isHeld());
        EXPECT_TRUE (free.waitUntilHeld (0)) << "a lock already held needs no wait";
    }
    {
        auto holder = std::make_unique<SingleInstance::Lock> (path);
        ASSERT_TRUE (holder->isHeld());
        SingleInstance::Lock waiting (path);
        ASSERT_FALSE (waiting.isHeld());
        std::thread letGo ([&] {
            std::this_thread::sleep_for (std::chrono::milliseconds (200));
            holder = nullptr;
        });
        const auto t0 = Clock::now();
        const bool taken = waiting.waitUntilHeld (SingleInstance::Lock::handOverFailedWaitMs);
        const auto waitedMs = msSince (t0);
        letGo.join();
        EXPECT_TRUE (taken);
        EXPECT_TRUE (waiting.isHeld());
        EXPECT_LT (waitedMs, SingleInstance::Lock::handOverFailedWaitMs) << "taken soon after it was let go, not at the end of the wait";
        SingleInstance::Lock third (path);
        EXPECT_FALSE (third.isHeld()) << "the waiter holds it now";
    }
    {
        SingleInstance::Lock holder (path);
        ASSERT_TRUE (holder.isHeld());
        SingleInstance::Lock waiting (path);
        constexpr int waitMs = 300;
        const auto t0 = Clock::now();
        EXPECT_FALSE (waiting.waitUntilHeld (waitMs));
        const auto waitedMs = msSince (t0);
        EXPECT_FALSE (waiting.isHeld());
        EXPECT_GE (waitedMs, waitMs);
        EXPECT_LT (waitedMs, waitMs + 2000);
    }
    juce::File (path + ".lock").deleteFile();
}
