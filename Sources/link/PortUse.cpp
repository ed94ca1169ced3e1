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
    juce::Thread::sleep (ms);
    return ! quitting();
}
} // namespace PortUse
