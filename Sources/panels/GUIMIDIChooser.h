#pragma once

// The MIDI channel panel of the Configuration pages: the transmit channel on the left knob
// (values 0 to 15 for channels 1 to 16) and the receive channel on the right knob (0 to 15,
// and 16 for All). Clicks send "MOUT " / "MIN  " followed by the new value; the setters only
// show a value. A combo box of the transmit channels lies outside the panel's bounds, so it is
// never drawn or clicked, and it takes no keyboard focus, so the keys never reach it either;
// a change of its selection from code still sends "MOUT ".

#include "panels/KnobFrames.h"

class GUIMIDIChooser : public juce::Component,
                       public juce::ActionBroadcaster,
                       public juce::ComboBox::Listener,
                       public juce::Button::Listener
{
public:
    GUIMIDIChooser();
    ~GUIMIDIChooser() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void buttonClicked (juce::Button* button) override;

    void setChannelIn (int value);
    void setChannelOut (int value);

    DORVO_KNOB_FRAME_MEMBERS

private:
    void showFrame (juce::ImageButton& knob, int frame);

    juce::int32 mInChannel = 0;
    juce::int32 mOutChannel = 0;
    juce::ComboBox* mOutChannelBox = nullptr;
    juce::ImageButton* mMidiInKnob = nullptr;
    juce::ImageButton* mMidiOutKnob = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIMIDIChooser)
};
