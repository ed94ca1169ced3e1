#pragma once

// Knob controls: one image button of 66 x 65 at (24, 24) in a 120 x 120 component, showing a
// frame of the turning knob. A click advances the value by the class's click rule, shows its
// frame and broadcasts the action code followed by the value; the setter sends nothing.

#include "panels/KnobFrames.h"
#include <vector>

class GUIKnobControl : public juce::Component,
                       public juce::ActionBroadcaster,
                       public juce::Button::Listener
{
public:
    enum class ClickRule
    {
        doublingTo32, // 2 v at most 32, else 4 (a doubled 0 counts as above 32)
        countTo12,    // v + 1 below 13, else 1
        cycleOfThree  // (v + 1) mod 3
    };

    struct FrameOf
    {
        int value;
        int frame; // 1 to 17
    };

    struct Description
    {
        const char* actionCode;
        ClickRule rule;
        juce::uint8 initialValue;
        KnobFrames frames;
        std::vector<FrameOf> mapping;
    };

    ~GUIKnobControl() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    static juce::uint8 nextValue (ClickRule rule, juce::uint8 v);

protected:
    explicit GUIKnobControl (const Description& description);

    /** The body of every setter: stores the value and shows the frame of a listed one. */
    void store (unsigned char value);

    juce::uint8 mState = 0;
    juce::ImageButton* mButton = nullptr;

private:
    const Description& mDescription;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIKnobControl)
};

class GUIStepSize : public GUIKnobControl
{
public:
    GUIStepSize();
    void setStepSize (unsigned char value);
    DORVO_KNOB_FRAME_MEMBERS
};

class GUIBendRange : public GUIKnobControl
{
public:
    GUIBendRange();
    void setBendRange (unsigned char value);
    DORVO_KNOB_FRAME_MEMBERS
};

class GUIClkSync : public GUIKnobControl
{
public:
    GUIClkSync();
    void setClkSync (unsigned char value);
    DORVO_KNOB_FRAME_MEMBERS
};
