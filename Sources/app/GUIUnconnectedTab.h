#pragma once

#include "JuceIncludes.h"

/** The only page while no instrument is connected: a fixed picture and nothing else. */
class GUIUnconnectedTab : public juce::Component,
                          public juce::ActionBroadcaster
{
public:
    GUIUnconnectedTab();
    ~GUIUnconnectedTab() override = default;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** The page has no control, so there is nothing to connect. */
    void registerListener (juce::ActionListener* listener);

    static const char* mainPanel_backGround_notConnected_jpg;
    static const int mainPanel_backGround_notConnected_jpgSize;

private:
    juce::Image mBackground;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIUnconnectedTab)
};
