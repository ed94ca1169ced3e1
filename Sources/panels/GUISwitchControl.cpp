#include "panels/GUISwitchControl.h"

void showPictureOn (juce::ImageButton& button, const juce::Image& picture)
{
    const juce::Colour clear (0);
    button.setImages (false, true, true,
                      picture, 1.0f, clear,
                      juce::Image(), 1.0f, clear,
                      juce::Image(), 1.0f, clear,
                      0.0f);
}

GUISwitchControl::GUISwitchControl (const Description& description)
    : mDescription (description)
{
    mButton = new juce::ImageButton (description.buttonName);
    if (description.buttonText != nullptr)
        mButton->setButtonText (description.buttonText);
    addAndMakeVisible (mButton);
    mButton->addListener (this);

    for (int i = 0; i < description.mappingCount; ++i)
        if (description.mapping[(size_t) i].value == description.initialValue)
            showPictureOn (*mButton, description.pictures[(size_t) description.mapping[(size_t) i].position].load());

    setSize (description.width, description.height);
    mState = description.initialValue;
}

GUISwitchControl::~GUISwitchControl()
{
    delete mButton;
    mButton = nullptr;
}

void GUISwitchControl::paint (juce::Graphics&) {}

void GUISwitchControl::resized()
{
    mButton->setBounds (0, 0, getWidth(), getHeight());
}

juce::uint8 GUISwitchControl::nextValue (ClickRule rule, juce::uint8 v)
{
    const auto next = (juce::uint8) (v + 1);
    switch (rule)
    {
        case ClickRule::cycleOfThree: return (juce::uint8) (next % 3);
        case ClickRule::toggle:       return (juce::uint8) (next % 2);
        case ClickRule::tapRule:      return next < 2 ? next : (juce::uint8) 0;
        case ClickRule::gateRule:     return next < 4 ? next : (juce::uint8) 1;
        case ClickRule::doublingRule:
        {
            // A doubled 0 (from 0 or 128) would stay 0 for ever; it restarts at 4 instead.
            const auto doubled = (juce::uint8) (v * 2);
            return doubled != 0 && doubled <= 16 ? doubled : (juce::uint8) 4;
        }
    }
    return v;
}

void GUISwitchControl::store (int value)
{
    mState = (juce::uint8) value;
    for (int i = 0; i < mDescription.mappingCount; ++i)
    {
        const auto& m = mDescription.mapping[(size_t) i];
        if (m.value == value)
        {
            showPictureOn (*mButton, mDescription.pictures[(size_t) m.position].load());
            return;
        }
    }
}

void GUISwitchControl::buttonClicked (juce::Button* button)
{
    if (button != mButton)
        return;

    mState = nextValue (mDescription.rule, mState);
    store (mState);
    sendActionMessage (juce::String (mDescription.actionCode) + juce::String ((unsigned int) mState));
}
