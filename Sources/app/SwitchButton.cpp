#include "app/SwitchButton.h"

SwitchButton::SwitchButton (const juce::String& name)
    : juce::ImageButton (name)
{
    setClickingTogglesState (true);
}

void SwitchButton::paintButton (juce::Graphics& g, bool isMouseOverButton, bool)
{
    // The toggle state, not the mouse button, decides whether the pressed picture shows.
    juce::ImageButton::paintButton (g, isMouseOverButton, getToggleState());
}
