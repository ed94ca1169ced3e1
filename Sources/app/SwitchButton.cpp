#include "app/SwitchButton.h"

SwitchButton::SwitchButton (const juce::String& name)
    : juce::ImageButton (name)
{
    setClickingTogglesState (true);
}

void SwitchButton::setImages (bool resizeNow, bool rescale, bool preserveProportions,
                              const juce::Image& normalImage, float normalOpacity, juce::Colour normalOverlay,
                              const juce::Image& overImage, float overOpacity, juce::Colour overOverlay,
                              const juce::Image& downImage, float downOpacity, juce::Colour downOverlay,
                              float hitTestAlphaThreshold)
{
    mNormal = { normalOpacity, normalOverlay };
    mOver = { overOpacity, overOverlay };
    mDown = { downOpacity, downOverlay };
    mScaleToFit = rescale;
    mPreserveProportions = preserveProportions;
    juce::ImageButton::setImages (resizeNow, rescale, preserveProportions,
                                  normalImage, normalOpacity, normalOverlay,
                                  overImage, overOpacity, overOverlay,
                                  downImage, downOpacity, downOverlay, hitTestAlphaThreshold);
}

void SwitchButton::paintButton (juce::Graphics& g, bool isMouseOverButton, bool)
{
    // The toggle state alone decides whether the pressed picture shows.
    const bool on = getToggleState();
    const bool over = isMouseOverButton && isEnabled();

    juce::Image image = on ? getDownImage() : (over ? getOverImage() : getNormalImage());
    if (! image.isValid())
        image = getNormalImage();
    if (! image.isValid())
        return;

    const Look& look = on ? mDown : (over ? mOver : mNormal);

    int w = image.getWidth(), h = image.getHeight();
    if (mScaleToFit)
    {
        w = getWidth();
        h = getHeight();
        if (mPreserveProportions)
        {
            const float imageRatio = (float) image.getHeight() / (float) image.getWidth();
            if (imageRatio > (float) h / (float) w)
                w = juce::roundToInt ((float) h / imageRatio);
            else
                h = juce::roundToInt ((float) w * imageRatio);
        }
    }
    const int x = (getWidth() - w) / 2, y = (getHeight() - h) / 2;

    getLookAndFeel().drawImageButton (g, &image, x, y, w, h, look.overlay, look.opacity, *this);
}
