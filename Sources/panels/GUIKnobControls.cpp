#include "panels/GUIKnobControls.h"
#include "ActionCodes.h"

GUIKnobControl::GUIKnobControl (const Description& description)
    : mDescription (description)
{
    mButton = new juce::ImageButton ("mBendRange");
    addAndMakeVisible (mButton);
    mButton->setButtonText ("new button");
    mButton->addListener (this);

    for (auto& m : description.mapping)
        if (m.value == description.initialValue)
            showPictureOn (*mButton, description.frames[(size_t) (m.frame - 1)].load());

    setSize (120, 120);
    mState = description.initialValue;
}

GUIKnobControl::~GUIKnobControl()
{
    delete mButton;
    mButton = nullptr;
}

void GUIKnobControl::paint (juce::Graphics&) {}

void GUIKnobControl::resized()
{
    mButton->setBounds (24, 24, 66, 65);
}

juce::uint8 GUIKnobControl::nextValue (ClickRule rule, juce::uint8 v)
{
    switch (rule)
    {
        case ClickRule::doublingTo32:
        {
            // A doubled 0 (from 0 or 128) would stay 0 for ever; it restarts at 4 instead.
            const auto doubled = (juce::uint8) (v * 2);
            return doubled != 0 && doubled <= 32 ? doubled : (juce::uint8) 4;
        }
        case ClickRule::countTo12:
        {
            const auto next = (juce::uint8) (v + 1);
            return next < 13 ? next : (juce::uint8) 1;
        }
        case ClickRule::cycleOfThree:
            return (juce::uint8) ((juce::uint8) (v + 1) % 3);
    }
    return v;
}

void GUIKnobControl::store (unsigned char value)
{
    mState = value;
    for (auto& m : mDescription.mapping)
    {
        if (m.value == value)
        {
            showPictureOn (*mButton, mDescription.frames[(size_t) (m.frame - 1)].load());
            return;
        }
    }
}

void GUIKnobControl::buttonClicked (juce::Button* button)
{
    if (button != mButton)
        return;

    mState = nextValue (mDescription.rule, mState);
    store (mState);
    sendActionMessage (juce::String (mDescription.actionCode) + juce::String ((unsigned int) mState));
}

// --------------------------------------------------------------------------------------------
// Class data: action code, click rule, initial value, frames, value -> frame.

namespace
{
template <class Control>
const GUIKnobControl::Description& kept (const GUIKnobControl::Description& d)
{
    static const GUIKnobControl::Description data = d;
    return data;
}

std::vector<GUIKnobControl::FrameOf> bendRangeFrames()
{
    std::vector<GUIKnobControl::FrameOf> frames;
    for (int v = 1; v <= 12; ++v)
        frames.push_back ({ v, v + 1 });
    return frames;
}
} // namespace

GUIStepSize::GUIStepSize()
    : GUIKnobControl (kept<GUIStepSize> ({ ActionCode::stepSize, ClickRule::doublingTo32, 16, knobFramesOf<GUIStepSize>(),
                                           { { 4, 2 }, { 8, 4 }, { 16, 6 }, { 32, 8 } } }))
{
}
void GUIStepSize::setStepSize (unsigned char value) { store (value); }

GUIBendRange::GUIBendRange()
    : GUIKnobControl (kept<GUIBendRange> ({ ActionCode::bendRange, ClickRule::countTo12, 1, knobFramesOf<GUIBendRange>(),
                                            bendRangeFrames() }))
{
}
void GUIBendRange::setBendRange (unsigned char value) { store (value); }

GUIClkSync::GUIClkSync()
    : GUIKnobControl (kept<GUIClkSync> ({ ActionCode::clockSync, ClickRule::cycleOfThree, 0, knobFramesOf<GUIClkSync>(),
                                          { { 0, 2 }, { 1, 4 }, { 2, 6 }, { 3, 5 } } }))
{
}
void GUIClkSync::setClkSync (unsigned char value) { store (value); }
