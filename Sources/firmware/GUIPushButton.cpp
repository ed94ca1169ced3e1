#include "firmware/GUIPushButton.h"

GUIPushButton::GUIPushButton (const Pictures& p)
{
    mButton = std::make_unique<juce::ImageButton> (juce::String());
    addAndMakeVisible (mButton.get());
    mButton->addListener (this);

    const juce::Colour clear (0x00000000);
    mButton->setImages (false, true, true,
                        juce::ImageCache::getFromMemory (p.normal, p.normalSize), 1.0f, clear,
                        juce::ImageCache::getFromMemory (p.over, p.overSize), 1.0f, p.overOverlay,
                        juce::ImageCache::getFromMemory (p.down, p.downSize), 1.0f, clear,
                        0.0f);
    setSize (70, 55);
}

GUIPushButton::~GUIPushButton()
{
    mButton = nullptr;
}

void GUIPushButton::paint (juce::Graphics&)
{
}

void GUIPushButton::resized()
{
    mButton->setBounds (getLocalBounds());
}

void GUIPushButton::buttonClicked (juce::Button* button)
{
    if (button == mButton.get())
        clicked();
}
