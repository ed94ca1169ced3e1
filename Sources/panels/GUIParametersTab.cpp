#include "panels/GUIParametersTab.h"

GUIParametersTab::GUIParametersTab()
{
    mBackground = juce::ImageCache::getFromMemory (mainPanel_backGround2_jpg, mainPanel_backGround2_jpgSize);
    setSize (1000, 420);
}

GUIParametersTab::~GUIParametersTab() = default;

void GUIParametersTab::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.drawImageWithin (mBackground, 0, 0, 1035, 420, juce::RectanglePlacement::centred, false);
}

void GUIParametersTab::resized() {}
