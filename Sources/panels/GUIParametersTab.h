#pragma once

#include "JuceIncludes.h"

/** The Configuration page as the editor window sees it: registerListener connects the page's
    controls to the application, and the setters hand it the values read from the instrument.
    Every setter ignores its value unless a page overrides it; no setter sends anything. */
class GUIParametersTab : public juce::Component,
                         public juce::ActionBroadcaster
{
public:
    GUIParametersTab();
    ~GUIParametersTab() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // In this order: the editor window relies on the slot order.
    virtual void registerListener (juce::ActionListener* listener) = 0;
    virtual void setChannelIn (int) {}
    virtual void setChannelOut (int) {}
    virtual void setAudioGateThreshold (int) {}
    virtual void setLFORetrig (bool) {}
    virtual void setArpHold (bool) {}
    virtual void setKeyboardMode (int) {}
    virtual void setLegatoState (int) {}
    virtual void setVelocityCurbNum (int) {}
    virtual void setAftertouchCurbNum (int) {}
    virtual void setBendRange (int) {}
    virtual void setStepSize (int) {}
    virtual void setTapAvg (int) {}
    virtual void setGateLen (int) {}
    virtual void setSeqSync (int) {}
    virtual void setSeqPlayMode (int) {}
    virtual void setSeqNextSeq (int) {}

    static const char* mainPanel_backGround2_jpg;
    static const int mainPanel_backGround2_jpgSize;

protected:
    juce::Image mBackground;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIParametersTab)
};
