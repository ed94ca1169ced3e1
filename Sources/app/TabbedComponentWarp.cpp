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
        mListeners.add (listener);
}

void TabbedComponentWarp::removeListener (TabbedComponentListener* listener)
{
    mListeners.remove (listener);
}

void TabbedComponentWarp::currentTabChanged (int newCurrentTabIndex, const juce::String& newCurrentTabName)
{
    mListeners.call ([&] (TabbedComponentListener& l) { l.currentTabChanged (this, newCurrentTabIndex, newCurrentTabName); });
}
