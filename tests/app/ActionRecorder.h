#pragma once

#include "TestSupport.h"

/** An action listener that keeps every message it hears, in order. */
struct ActionRecorder : juce::ActionListener
{
    juce::StringArray messages;
    void actionListenerCallback (const juce::String& message) override { messages.add (message); }
};

/** Clicks a button the way the framework does (asynchronously) and lets the messages arrive. */
inline void clickAndSettle (juce::Button& button, int settleMs = 60)
{
    button.triggerClick();
    testsupport::pumpMessages (settleMs);
}

/** A picture's pixel at its centre, decoded from embedded bytes. */
inline juce::Colour centrePixel (const juce::Image& image)
{
    return image.getPixelAt (image.getWidth() / 2, image.getHeight() / 2);
}
