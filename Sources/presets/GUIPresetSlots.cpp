#include "presets/GUIPresetSlots.h"

namespace
{
const char* const creationOrder[] = { "3", "5", "4", "6", "1", "2" };
}

GUIPresetSlots::GUIPresetSlots()
{
    const auto pad = juce::ImageCache::getFromMemory (pad_91x91_down_off_png, pad_91x91_down_off_pngSize);
    for (auto* name : creationOrder)
    {
        auto* button = mSlotButtons.add (new DraggableButton (name));
        addAndMakeVisible (button);
        button->addListener (this);
        button->setImages (false, true, true,
                           pad, 1.0f, juce::Colour (0x00120909),
                           juce::Image(), 1.0f, juce::Colour (0x00000000),
                           juce::Image(), 1.0f, juce::Colour (0x00000000),
                           0.0f);
    }

    for (int i = 0; i < 6; ++i)
    {
        auto* label = mSlotLabels.add (new juce::Label (juce::String(), "empty"));
        addAndMakeVisible (label);
        label->setFont (juce::Font (15.0f, juce::Font::plain));
        label->setJustificationType (juce::Justification::centredLeft);
        label->setEditable (false, false, false);
    }

    setSize (288, 360);
}

GUIPresetSlots::~GUIPresetSlots()
{
    // Buttons in creation order, then the labels.
    while (! mSlotButtons.isEmpty())
        mSlotButtons.remove (0);
    while (! mSlotLabels.isEmpty())
        mSlotLabels.remove (0);
}

void GUIPresetSlots::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
}

void GUIPresetSlots::resized()
{
    for (auto* button : mSlotButtons)
    {
        const int slot = button->getName().getIntValue();
        button->setBounds (8, 8 + 56 * (slot - 1), 64, 56);
    }
    for (int k = 0; k < mSlotLabels.size(); ++k)
        mSlotLabels[k]->setBounds (72, 16 + 56 * k, 200, 32);
}

void GUIPresetSlots::buttonClicked (juce::Button*)
{
}

DraggableButton* GUIPresetSlots::getSlotButton (int slot) const
{
    for (auto* button : mSlotButtons)
        if (button->getName() == juce::String (slot))
            return button;
    return nullptr;
}

juce::Label* GUIPresetSlots::getSlotLabel (int slot) const
{
    return slot >= 1 && slot <= mSlotLabels.size() ? mSlotLabels[slot - 1] : nullptr;
}
