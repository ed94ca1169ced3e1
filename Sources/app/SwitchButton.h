#pragma once

#include "JuceIncludes.h"

/** An image button that flips its toggle state on every click and shows its down picture for
    as long as the toggle state is on, whether or not the mouse is pressed; while it is off,
    the over picture shows under the mouse and the normal picture otherwise.

    The framework's image button also shows the down picture while the mouse button is held
    (and for a moment after a click made from code), so the switch chooses its picture itself;
    that is why it keeps its own copy of the opacities and overlay colours. */
class SwitchButton : public juce::ImageButton
{
public:
    explicit SwitchButton (const juce::String& name);

    /** Same as juce::ImageButton::setImages; the switch remembers the looks of each state. */
    void setImages (bool resizeButtonNowToFitThisImage, bool rescaleImagesWhenButtonSizeChanges,
                    bool preserveImageProportions,
                    const juce::Image& normalImage, float imageOpacityWhenNormal, juce::Colour overlayColourWhenNormal,
                    const juce::Image& overImage, float imageOpacityWhenOver, juce::Colour overlayColourWhenOver,
                    const juce::Image& downImage, float imageOpacityWhenDown, juce::Colour overlayColourWhenDown,
                    float hitTestAlphaThreshold = 0.0f);

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    struct Look
    {
        float opacity = 1.0f;
        juce::Colour overlay;
    };
    Look mNormal, mOver, mDown;
    bool mScaleToFit = true, mPreserveProportions = true;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SwitchButton)
};
