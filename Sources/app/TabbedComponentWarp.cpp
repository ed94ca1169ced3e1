#include "app/TabbedComponentWarp.h"

TabbedComponentWarp::TabbedComponentWarp (juce::TabbedButtonBar::Orientation orientation)
    : juce::TabbedComponent (orientation)
{
}

TabbedComponentWarp::~TabbedComponentWarp()
{
    mListeners.clear();
}

void TabbedComponentWarp::addListener (TabbedComponentListener* listener)
{
    if (listener != nullptr)
        mListeners.addIfNotAlreadyThere (listener);
}

void TabbedComponentWarp::removeListener (TabbedComponentListener* listener)
{
    mListeners.removeAllInstancesOf (listener);
}

void TabbedComponentWarp::currentTabChanged (int newCurrentTabIndex, const juce::String& newCurrentTabName)
{
    // A listener removed by an earlier one's call is not called any more.
    const auto listeners = mListeners;
    for (int i = listeners.size(); --i >= 0;)
        if (mListeners.contains (listeners[i]))
            listeners[i]->currentTabChanged (this, newCurrentTabIndex, newCurrentTabName);
}
