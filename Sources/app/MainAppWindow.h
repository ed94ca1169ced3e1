#pragma once

#include "JuceIncludes.h"
#include "app/DorvoType.h"
#include "app/GUIEditorWindow.h"

/** The application's desktop window; its whole content is the editor window, to which every
    operation but the window size per model is forwarded. */
class MainAppWindow : public juce::DocumentWindow
{
public:
    MainAppWindow();
    ~MainAppWindow() override;

    /** Asks the running application to quit. */
    void closeButtonPressed() override;

    /** 950 x 433 for KelaSE, else 795 x 433; then rebuilds the pages. */
    void SwitchDorvoType (DorvoType type);

    /** Registers the listener with every page and with the editor window (the "COMI " sender). */
    void registerListener (juce::ActionListener* listener);

    void setConnectedState (bool connected);
    void SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);
    void refreshPresetsList();

    void setChannelIn (int v);
    void setChannelOut (int v);
    void setAudioGateThreshold (int v);
    void setLFORetrig (bool v);
    void setArpHold (bool v);
    void setKeyboardMode (int v);
    void setLegatoState (int v);
    void setVelocityCurbNum (int v);
    void setAftertouchCurbNum (int v);
    void setBendRange (int v);
    void setStepSize (int v);
    void setTapAvg (int v);
    void setGateLen (int v);
    void setClkSync (int v);
    void setSeqPlayMode (int v);
    void setSeqNextSeq (int v);

    GUIEditorWindow* getEditorWindow() const noexcept { return mEditorWindow.get(); }

private:
    std::unique_ptr<GUIEditorWindow> mEditorWindow;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};
