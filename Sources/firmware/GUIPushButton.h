#pragma once

#include "JuceIncludes.h"

/** The 70 x 55 picture push button of the Firmware Update and Sequences pages: an image button
    that fills the component, with the resting, hover and pressed pictures of the derived
    class (each class carries its own copy of them). A click on its own image button calls
    clicked(). */
class GUIPushButton : public juce::Component,
                      public juce::ActionBroadcaster,
                      public juce::Button::Listener
{
public:
    struct Pictures
    {
        const char* normal;
        int normalSize;
        const char* over;
        int overSize;
        const char* down;
        int downSize;
        juce::Colour overOverlay;
    };

    explicit GUIPushButton (const Pictures& pictures);
    ~GUIPushButton() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    juce::ImageButton* getImageButton() const noexcept { return mButton.get(); }

protected:
    virtual void clicked() = 0;

private:
    std::unique_ptr<juce::ImageButton> mButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIPushButton)
};

/** Declares the three pictures each push button class embeds. */
#define DORVO_PUSH_BUTTON_PICTURES                  \
    static const char* pushButton_down_png;         \
    static const int pushButton_down_pngSize;       \
    static const char* pushButton_over_png;         \
    static const int pushButton_over_pngSize;       \
    static const char* pushButton_up_png;           \
    static const int pushButton_up_pngSize;

/** The pictures of class C: resting pushButton_down_png, hover pushButton_over_png, pressed
    pushButton_up_png (the names run against the looks). */
#define DORVO_PUSH_BUTTON_PICTURES_OF(C, overColour)                    \
    GUIPushButton::Pictures { C::pushButton_down_png, C::pushButton_down_pngSize, \
                              C::pushButton_over_png, C::pushButton_over_pngSize, \
                              C::pushButton_up_png, C::pushButton_up_pngSize,     \
                              juce::Colour (overColour) }
