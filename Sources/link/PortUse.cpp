#include "link/PortUse.h"

namespace
{
PortUseObserver* gObserver = nullptr;
int gUsers = 0;

bool onMessageThread()
{
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    return mm != nullptr && mm->isThisTheMessageThread();
}
} // namespace

namespace PortUse
{
void setObserver (PortUseObserver* observer)
{
    gObserver = observer;
}

void removeObserver (PortUseObserver* observer)
{
    if (gObserver == observer)
        gObserver = nullptr;
}

Scope::Scope() : mCounted (onMessageThread())
{
    if (mCounted && gUsers++ == 0 && gObserver != nullptr)
        gObserver->portUseBegins();
}

Scope::~Scope()
{
    if (mCounted && --gUsers == 0 && gObserver != nullptr)
        gObserver->portUseEnds();
}

int users()
{
    return gUsers;
}

bool quitting()
{
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    return mm != nullptr && mm->hasStopMessageBeenSent();
}

bool runSlice (int ms)
{
    if (quitting())
        return false;
    if (onMessageThread())
        return juce::MessageManager::getInstance()->runDispatchLoopUntil (ms) && ! quitting();

    // Off the message thread the slice sleeps in short steps, so that it ends as soon as
    // quitting is asked.
    constexpr int quitCheckMs = 5;
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, ms);
    for (;;)
    {
        if (quitting())
            return false;
        const auto now = juce::Time::getMillisecondCounter();
        if (juce::int32 (end - now) <= 0)
            return true;
        juce::Thread::sleep (juce::jmin (quitCheckMs, (int) (end - now)));
    }
}
} // namespace PortUse
