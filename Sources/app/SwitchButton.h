#pragma once

#include "JuceIncludes.h"

/** An image button that flips its toggle state on every click and shows its down picture for
    as long as the toggle state is on; while off, the over picture under the mouse and the
    normal picture otherwise. */
class SwitchButton : public juce::ImageButton
{
public:
    explicit SwitchButton (const juce::String& name);

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SwitchButton)
};
