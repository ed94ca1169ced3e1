#pragma once

#include "panels/GUIMIDIChooser.h"
#include "panels/GUIParametersTab.h"
#include "panels/GUISwitchControls.h"

/** The KelaDorvo's Configuration page: MIDI channels, audio input, module and keyboard
    parameters over a background that carries all captions and labels. */
class GUIParametersTab_KelaArp : public GUIParametersTab
{
public:
    GUIParametersTab_KelaArp();
    ~GUIParametersTab_KelaArp() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void registerListener (juce::ActionListener* listener) override;
    void setChannelIn (int v) override;
    void setChannelOut (int v) override;
    void setAudioGateThreshold (int v) override;
    void setLFORetrig (bool v) override;
    void setArpHold (bool v) override;
    void setKeyboardMode (int v) override;
    void setLegatoState (int v) override;
    void setVelocityCurbNum (int v) override;
    void setAftertouchCurbNum (int v) override;

    static const char* mainPanel_backGround_png4; // a JPEG, whatever the name says
    static const int mainPanel_backGround_png4Size;

private:
    GUIMIDIChooser* mMidiChooser = nullptr;
    GUIInputGain* mInputGain = nullptr;
    GUIKeyboard* mKeyboard = nullptr;
    GUILFO* mLFO = nullptr;
    GUIVelocitySelector* mVelocity = nullptr;
    GUIAftertouchSelector* mAftertouch = nullptr;
    GUIArpHold* mArpHold = nullptr;
    GUILegato* mLegato = nullptr;
    juce::Image mPageBackground;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIParametersTab_KelaArp)
};
