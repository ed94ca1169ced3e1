#pragma once

#include "JuceIncludes.h"
#include <array>

/** A class's own embedded copy of one picture: the addresses of its two static members. */
struct EmbeddedPicture
{
    const char* const* data = nullptr;
    const int* size = nullptr;

    bool isSet() const { return data != nullptr; }
    juce::Image load() const { return juce::ImageCache::getFromMemory (*data, *size); }
};

/** Shows picture on an image button the way every picture control does: the picture scaled to
    the button with its proportions kept, the same picture hovered and pressed, and the whole
    rectangle taking clicks. */
void showPictureOn (juce::ImageButton& button, const juce::Image& picture);

/** The shape of every slide-switch control: a component whose only child is an image button
    showing the switch cap low, centred or high. A click advances the value by the member's
    click rule, shows its picture and broadcasts the member's action code followed by the value;
    a member's setter stores and shows a value without broadcasting anything.

    The members differ only in data (Description); each keeps its own copies of the pictures. */
class GUISwitchControl : public juce::Component,
                         public juce::ActionBroadcaster,
                         public juce::Button::Listener
{
public:
    enum class ClickRule
    {
        cycleOfThree, // (v + 1) mod 3
        toggle,       // (v + 1) mod 2
        tapRule,      // v + 1 below 2, else 0
        gateRule,     // v + 1 below 4, else 1
        doublingRule  // 2 v at most 16, else 4 (a doubled 0 counts as above 16)
    };
    enum Position { low, center, high };

    struct Mapping
    {
        int value;
        Position position;
    };

    struct Description
    {
        const char* actionCode;
        ClickRule rule;
        int width, height;
        juce::uint8 initialValue;
        const char* buttonName;
        const char* buttonText; // nullptr keeps the button's text as it is
        std::array<EmbeddedPicture, 3> pictures; // by Position; an unused one stays unset
        std::array<Mapping, 3> mapping;
        int mappingCount;
    };

    ~GUISwitchControl() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    /** The value after v under a click rule, in 8 bits. */
    static juce::uint8 nextValue (ClickRule rule, juce::uint8 v);

protected:
    explicit GUISwitchControl (const Description& description);

    /** The body of every member's setter: stores the low 8 bits and shows the picture of a
        listed value; any other value keeps the picture. Sends nothing. */
    void store (int value);

    juce::uint8 mState = 0;
    juce::ImageButton* mButton = nullptr;

private:
    const Description& mDescription;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUISwitchControl)
};
