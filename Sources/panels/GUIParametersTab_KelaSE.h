#pragma once

#include "panels/GUIMIDIChooser.h"
#include "panels/GUIParametersTab.h"
#include "panels/GUISwitchControls.h"

/** The KelaDorvo SE's Configuration page: the KelaDorvo's settings without the arpeggiator
    hold, plus the sequencer controls. */
class GUIParametersTab_KelaSE : public GUIParametersTab
{
public:
    GUIParametersTab_KelaSE();
    ~GUIParametersTab_KelaSE() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void registerListener (juce::ActionListener* listener) override;
    void setChannelIn (int v) override;
    void setChannelOut (int v) override;
    void setAudioGateThreshold (int v) override;
    void setLFORetrig (bool v) override;
    void setKeyboardMode (int v) override;
    void setLegatoState (int v) override;
    void setVelocityCurbNum (int v) override;
    void setAftertouchCurbNum (int v) override;
    void setStepSize (int v) override;
    void setSeqSync (int v) override;
    void setSeqPlayMode (int v) override;
    void setSeqNextSeq (int v) override;

    static const char* mainPanel_backGround_kelaDorvoSe_jpg;
    static const int mainPanel_backGround_kelaDorvoSe_jpgSize;

private:
    GUIKeyboard* mKeyboard = nullptr;
    GUILFO* mLFO = nullptr;
    GUIVelocitySelector* mVelocity = nullptr;
    GUISeqNextSeq* mSeqNextSeq = nullptr;
    GUISeqPlayMode* mSeqPlayMode = nullptr;
    GUIStepSizeSliding3p* mStepSize = nullptr;
    GUIClkSyncSliding3p* mClkSync = nullptr;
    GUIMIDIChooser* mMidiChooser = nullptr;
    GUIInputGain* mInputGain = nullptr;
    GUILegato* mLegato = nullptr;
    GUIAftertouchSelector* mAftertouch = nullptr;
    juce::Image mPageBackground;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIParametersTab_KelaSE)
};
