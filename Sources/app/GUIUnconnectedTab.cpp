#include "app/GUIUnconnectedTab.h"

GUIUnconnectedTab::GUIUnconnectedTab()
{
    mBackground = juce::ImageCache::getFromMemory (mainPanel_backGround_notConnected_jpg,
                                                   mainPanel_backGround_notConnected_jpgSize);
    setSize (795, 420);
}

void GUIUnconnectedTab::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (mBackground, 0, 0, 795, 420, juce::RectanglePlacement::centred, false);
}

void GUIUnconnectedTab::resized()
{
}

void GUIUnconnectedTab::registerListener (juce::ActionListener*)
{
}
