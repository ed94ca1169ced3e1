#pragma once

#include "JuceIncludes.h"
#include "app/DorvoType.h"
#include "app/SwitchButton.h"
#include "app/TabbedComponentWarp.h"

class GUIParametersTab;
class GUIFirmwarePage;

/** The main window's content: the pages of the connected model in a tab component, the
    CONNECT switch and the connection label at the top right. The pages are rebuilt on every
    SwitchDorvoType; the setters hand read-back values to the current Configuration page. */
class GUIEditorWindow : public juce::Component,
                        public TabbedComponentWarp::TabbedComponentListener,
                        public juce::ActionBroadcaster,
                        public juce::Button::Listener
{
public:
    GUIEditorWindow();
    ~GUIEditorWindow() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void currentTabChanged (juce::TabbedComponent* tabs, int newCurrentTabIndex,
                            const juce::String& newCurrentTabName) override;
    void buttonClicked (juce::Button* button) override;

    /** Shows the connection on the switch and the label; sends nothing. */
    void setConnectedState (bool connected);

    /** Replaces all pages by fresh ones for the given layout. */
    void SwitchDorvoType (DorvoType type);
    DorvoType getDorvoType() const noexcept { return mDorvoType; }

    /** Adds the listener to every control and every page of the current layout. */
    void registerListener (juce::ActionListener* listener);

    void SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);
    void refreshPresetsList();

    // Read-back values for the current Configuration page; ignored while no such page stands.
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

    TabbedComponentWarp* getTabs() const noexcept { return mTabs.get(); }
    SwitchButton* getConnectButton() const noexcept { return mConnectButton.get(); }
    juce::Label* getStatusLabel() const noexcept { return mStatusLabel.get(); }
    GUIParametersTab* getParamsTab() const noexcept { return mParamsTab; }
    GUIFirmwarePage* getFirmwareTab() const noexcept { return mFirmwareTab; }

    static const char* ledoff_png;
    static const int ledoff_pngSize;
    static const char* ledon_green_png;
    static const int ledon_green_pngSize;

private:
    void forgetPages();

    GUIParametersTab* mParamsTab = nullptr;  // tab 0 of a connected layout, owned by mTabs
    GUIFirmwarePage* mFirmwareTab = nullptr; // tab 1 of a connected layout, owned by mTabs
    DorvoType mDorvoType = NotConnected;
    std::unique_ptr<TabbedComponentWarp> mTabs;
    std::unique_ptr<SwitchButton> mConnectButton;
    std::unique_ptr<juce::Label> mStatusLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIEditorWindow)
};
