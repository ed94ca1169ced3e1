#pragma once

#include "JuceIncludes.h"

/** The framework's tab component with a list of listeners told of every change of the
    current tab (a click on a tab or setCurrentTabIndex). */
class TabbedComponentWarp : public juce::TabbedComponent
{
public:
    class TabbedComponentListener
    {
    public:
        virtual ~TabbedComponentListener() = default;
        virtual void currentTabChanged (juce::TabbedComponent* tabs, int newCurrentTabIndex,
                                        const juce::String& newCurrentTabName) = 0;
    };

    explicit TabbedComponentWarp (juce::TabbedButtonBar::Orientation orientation);
    ~TabbedComponentWarp() override;

    /** Appends the listener; a null listener or one already in the list changes nothing. */
    void addListener (TabbedComponentListener* listener);
    /** Removes the listener; does nothing when it is absent. */
    void removeListener (TabbedComponentListener* listener);

    /** Tells every listener, the most recently added first. */
    void currentTabChanged (int newCurrentTabIndex, const juce::String& newCurrentTabName) override;

private:
    juce::Array<TabbedComponentListener*> mListeners;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TabbedComponentWarp)
};
