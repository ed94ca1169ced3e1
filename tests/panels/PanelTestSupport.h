#pragma once

// Helpers for the Configuration page tests: a listener that records action messages, and
// readers that tell from a picture's pixels where a switch cap or a knob pointer is.

#include "TestSupport.h"
#include <cmath>

namespace paneltest
{
/** Records every action message it receives, in order. */
struct MessageLog : juce::ActionListener
{
    juce::StringArray messages;
    void actionListenerCallback (const juce::String& message) override { messages.add (message); }

    /** Lets queued messages arrive: until count have come, or a short while when none are due. */
    juce::StringArray takeArray (int count)
    {
        if (count == 0)
            testsupport::pumpMessages (30);
        else
            testsupport::pumpUntil ([&] { return messages.size() >= count; }, 2000);
        auto result = messages;
        messages.clear();
        return result;
    }

    /** The messages that arrived, joined by '|' so that a test failure prints them. */
    juce::String take (int count) { return joined (takeArray (count)); }

    static juce::String joined (const juce::StringArray& a) { return a.joinIntoString ("|"); }
};

enum class Cap { low, center, high, none };

inline const char* capName (Cap c)
{
    switch (c)
    {
        case Cap::low: return "low";
        case Cap::center: return "center";
        case Cap::high: return "high";
        case Cap::none: break;
    }
    return "none";
}

/** Where the opaque part of a switch picture sits: its alpha-weighted vertical centre in thirds. */
inline Cap capOf (const juce::Image& picture)
{
    if (! picture.isValid())
        return Cap::none;
    double sum = 0, weighted = 0;
    for (int y = 0; y < picture.getHeight(); ++y)
        for (int x = 0; x < picture.getWidth(); ++x)
        {
            const double a = picture.getPixelAt (x, y).getFloatAlpha();
            sum += a;
            weighted += a * y;
        }
    if (sum < 1.0)
        return Cap::none;
    const double third = (weighted / sum) / picture.getHeight();
    return third < 1.0 / 3 ? Cap::high : (third < 2.0 / 3 ? Cap::center : Cap::low);
}

inline bool isPointerColour (juce::Colour c)
{
    return c.getAlpha() > 200 && c.getRed() > 190 && c.getGreen() > 110 && c.getGreen() < 200 && c.getBlue() < 110;
}

/** The pointer angle of a knob picture, clockwise from straight up, in degrees (NaN without one). */
inline double pointerDegrees (const juce::Image& picture, juce::Point<int> origin = {}, int w = 66, int h = 65)
{
    double sx = 0, sy = 0;
    int n = 0;
    const double cx = origin.x + w * 0.5, cy = origin.y + h * 0.5;
    for (int y = origin.y; y < origin.y + h; ++y)
        for (int x = origin.x; x < origin.x + w; ++x)
            if (isPointerColour (picture.getPixelAt (x, y)))
            {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * dx + dy * dy < 100.0) // only the pointer's outer part gives a clean angle
                    continue;
                sx += dx;
                sy += dy;
                ++n;
            }
    if (n == 0)
        return std::nan ("");
    return std::atan2 (sx, -sy) * 180.0 / juce::MathConstants<double>::pi;
}

/** The knob frame (1 to 17) a picture shows, read from its pointer; 0 when it shows none. */
inline int frameOf (const juce::Image& picture, juce::Point<int> origin = {})
{
    if (! picture.isValid())
        return 0;
    const double a = pointerDegrees (picture, origin);
    if (std::isnan (a))
        return 0;
    return (int) std::lround ((a + 135.0) / (270.0 / 16.0)) + 1;
}

inline juce::ImageButton& onlyButton (juce::Component& control)
{
    auto* button = dynamic_cast<juce::ImageButton*> (control.getChildComponent (0));
    if (button == nullptr)
        throw std::runtime_error ("control without image button");
    return *button;
}

inline Cap capShown (juce::Component& control) { return capOf (onlyButton (control).getNormalImage()); }

template <class T>
T& childOfType (juce::Component& parent)
{
    for (auto* c : parent.getChildren())
        if (auto* t = dynamic_cast<T*> (c))
            return *t;
    throw std::runtime_error ("no such child");
}
} // namespace paneltest
