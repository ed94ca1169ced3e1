#include "panels/GUIMIDIChooser.h"
#include "ActionCodes.h"

GUIMIDIChooser::GUIMIDIChooser()
{
    mOutChannelBox = new juce::ComboBox (juce::String());
    addAndMakeVisible (mOutChannelBox);
    mOutChannelBox->setEditableText (false);
    // The box is never drawn: it must not take the keyboard either, or Tab and the arrow keys
    // would change the transmit channel behind the knob, which would go on showing the old one.
    mOutChannelBox->setWantsKeyboardFocus (false);
    mOutChannelBox->setJustificationType (juce::Justification::centredLeft);
    mOutChannelBox->setTextWhenNothingSelected ("Channel 1");
    mOutChannelBox->setTextWhenNoChoicesAvailable (juce::String());
    for (int i = 1; i <= 16; ++i)
        mOutChannelBox->addItem ("Channel " + juce::String (i), i);
    mOutChannelBox->addListener (this);

    mMidiInKnob = new juce::ImageButton ("mMidiInKnob");
    addAndMakeVisible (mMidiInKnob);
    mMidiInKnob->setButtonText ("new button");
    mMidiInKnob->addListener (this);
    showFrame (*mMidiInKnob, 2);

    mMidiOutKnob = new juce::ImageButton ("mMidiOutKnob");
    addAndMakeVisible (mMidiOutKnob);
    mMidiOutKnob->setButtonText ("new button");
    mMidiOutKnob->addListener (this);
    showFrame (*mMidiOutKnob, 2);

    setSize (288, 120);
    mInChannel = 0;
    mOutChannel = 0;
}

GUIMIDIChooser::~GUIMIDIChooser()
{
    delete mOutChannelBox;
    mOutChannelBox = nullptr;
    delete mMidiInKnob;
    mMidiInKnob = nullptr;
    delete mMidiOutKnob;
    mMidiOutKnob = nullptr;
}

void GUIMIDIChooser::paint (juce::Graphics&) {}

void GUIMIDIChooser::resized()
{
    mOutChannelBox->setBounds (72, 120, 208, 24);
    mMidiInKnob->setBounds (167, 15, 66, 65);
    mMidiOutKnob->setBounds (42, 17, 66, 65);
}

void GUIMIDIChooser::showFrame (juce::ImageButton& knob, int frame)
{
    showPictureOn (knob, knobFramesOf<GUIMIDIChooser>()[(size_t) (frame - 1)].load());
}

void GUIMIDIChooser::setChannelIn (int value)
{
    mInChannel = value;
    if ((unsigned int) value <= 16)
        showFrame (*mMidiInKnob, value == 16 ? 1 : value + 2);
}

void GUIMIDIChooser::setChannelOut (int value)
{
    mOutChannel = value;
    if ((unsigned int) value <= 15)
        showFrame (*mMidiOutKnob, value + 2);
}

void GUIMIDIChooser::buttonClicked (juce::Button* button)
{
    if (button == mMidiInKnob)
    {
        mInChannel = (juce::int32) (((juce::uint32) mInChannel + 1u) % 17u);
        setChannelIn (mInChannel);
        sendActionMessage (ActionCode::channelIn + juce::String ((juce::uint32) mInChannel));
    }
    else if (button == mMidiOutKnob)
    {
        mOutChannel = (juce::int32) (((juce::uint32) mOutChannel + 1u) & 15u);
        setChannelOut (mOutChannel);
        sendActionMessage (ActionCode::channelOut + juce::String ((juce::uint32) mOutChannel));
    }
}

void GUIMIDIChooser::comboBoxChanged (juce::ComboBox* box)
{
    if (box == mOutChannelBox)
        sendActionMessage (ActionCode::channelOut + juce::String (mOutChannelBox->getSelectedItemIndex()));
}
