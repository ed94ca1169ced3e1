#include "app/GUIEditorWindow.h"
#include "ActionCodes.h"
#include "app/GUIUnconnectedTab.h"
#include "firmware/GUIFirmwareTab.h"
#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/GUIParametersTab_KelaSE.h"
#include "presets/GUIManagerTab.h"
#include "sequences/GUIPatternTab.h"

GUIEditorWindow::GUIEditorWindow()
{
    mTabs = std::make_unique<TabbedComponentWarp> (juce::TabbedButtonBar::TabsAtTop);
    addAndMakeVisible (mTabs.get());
    mTabs->setTabBarDepth (30);
    mTabs->addTab (" ", juce::Colours::black, new GUIUnconnectedTab(), true);
    mTabs->setCurrentTabIndex (0, true);

    mConnectButton = std::make_unique<SwitchButton> (juce::String());
    addAndMakeVisible (mConnectButton.get());
    mConnectButton->setButtonText ("CONNECT");
    mConnectButton->addListener (this);
    mConnectButton->setImages (false, true, true,
                               juce::ImageCache::getFromMemory (ledoff_png, ledoff_pngSize), 1.0f, juce::Colour (0x9c85796b),
                               juce::ImageCache::getFromMemory (ledoff_png, ledoff_pngSize), 1.0f, juce::Colour (0x54c9d22d),
                               juce::ImageCache::getFromMemory (ledon_green_png, ledon_green_pngSize), 1.0f, juce::Colour (0x00378f0b),
                               0.0f);

    mStatusLabel = std::make_unique<juce::Label> ("new label", "NOT Connected");
    addAndMakeVisible (mStatusLabel.get());
    mStatusLabel->setFont (juce::Font (15.0f, juce::Font::plain));
    mStatusLabel->setJustificationType (juce::Justification::centredRight);
    mStatusLabel->setEditable (false, false, false);
    mStatusLabel->setColour (juce::Label::textColourId, juce::Colour (0xfffffcfc));
    mStatusLabel->setColour (juce::Label::outlineColourId, juce::Colour (0x00000000));
    mStatusLabel->setColour (juce::TextEditor::textColourId, juce::Colours::black);
    mStatusLabel->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));

    mTabs->addListener (this);

    setSize (795, 435);
    mDorvoType = NotConnected;
}

GUIEditorWindow::~GUIEditorWindow()
{
    forgetPages();
    mTabs = nullptr;
    mConnectButton = nullptr;
    mStatusLabel = nullptr;
}

void GUIEditorWindow::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void GUIEditorWindow::resized()
{
    const int w = getWidth();
    mTabs->setBounds (0, 0, w, getHeight());
    mConnectButton->setBounds (w - 48, 0, 24, 30);
    mStatusLabel->setBounds (w - 176, 0, 120, 24);
}

void GUIEditorWindow::currentTabChanged (juce::TabbedComponent*, int, const juce::String&)
{
}

void GUIEditorWindow::buttonClicked (juce::Button* button)
{
    if (button == mConnectButton.get())
        sendActionMessage (ActionCode::connect);
}

void GUIEditorWindow::setConnectedState (bool connected)
{
    mConnectButton->setToggleState (connected, juce::dontSendNotification);
    mStatusLabel->setText (connected ? "Connected" : "NOT Connected", juce::dontSendNotification);
}

void GUIEditorWindow::forgetPages()
{
    // The tab component deletes the pages; nothing may reach them through these afterwards.
    mParamsTab = nullptr;
    mFirmwareTab = nullptr;
}

void GUIEditorWindow::SwitchDorvoType (DorvoType type)
{
    forgetPages();
    mTabs->clearTabs();
    mDorvoType = type;

    const auto black = juce::Colours::black;
    switch (type)
    {
        case KelaArp:
        case KelaSE:
        {
            GUIParametersTab* params = nullptr;
            GUIFirmwarePage* firmware = nullptr;
            if (type == KelaArp)
            {
                params = new GUIParametersTab_KelaArp();
                firmware = new GUIFirmwareTab_KelaArp();
            }
            else
            {
                params = new GUIParametersTab_KelaSE();
                firmware = new GUIFirmwareTab_KelaSE();
            }
            mTabs->addTab ("Configuration", black, params, true);
            mTabs->addTab ("Firmware Update", black, firmware, true);
            if (type == KelaSE)
                mTabs->addTab ("Sequences", black, new GUIPatternTab(), true);

            mTabs->setCurrentTabIndex (0, true);
            mParamsTab = params;
            mFirmwareTab = firmware;
            break;
        }
        case NotConnected:
            mTabs->addTab (" ", black, new GUIUnconnectedTab(), true);
            mTabs->setCurrentTabIndex (0, true);
            break;
        case Reserved:
        default:
            break;
    }
}

void GUIEditorWindow::registerListener (juce::ActionListener* listener)
{
    auto page = [this] (int index) { return mTabs->getTabContentComponent (index); };
    auto addToPageBroadcasters = [&] (int count)
    {
        for (int i = 0; i < count; ++i)
            if (auto* broadcaster = dynamic_cast<juce::ActionBroadcaster*> (page (i)))
                broadcaster->addActionListener (listener);
    };

    switch (mDorvoType)
    {
        case KelaSE:
        case KelaArp:
        {
            if (mParamsTab != nullptr)
                mParamsTab->registerListener (listener);
            if (mFirmwareTab != nullptr)
                mFirmwareTab->registerListener (listener);
            int pages = 2;
            if (mDorvoType == KelaSE)
            {
                if (auto* sequences = dynamic_cast<GUIPatternTab*> (page (2)))
                    sequences->registerListener (listener);
                pages = 3;
            }
            addToPageBroadcasters (pages);
            break;
        }
        case NotConnected:
            if (auto* unconnected = dynamic_cast<GUIUnconnectedTab*> (page (0)))
                unconnected->registerListener (listener);
            addToPageBroadcasters (1);
            break;
        case Reserved:
        default:
            break;
    }
}

void GUIEditorWindow::SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    if (mFirmwareTab != nullptr)
        mFirmwareTab->SetFirmwareVersion (a, b, c, d);
}

void GUIEditorWindow::refreshPresetsList()
{
    // Only a librarian page at tab 1 has a preset list; no layout built here has one.
    if (auto* librarian = dynamic_cast<GUIManagerTab*> (mTabs->getTabContentComponent (1)))
        librarian->refreshPresetsList();
}

#define DORVO_FORWARD_TO_PARAMS(name, pageName, Type) \
    void GUIEditorWindow::name (Type v)               \
    {                                                 \
        if (mParamsTab != nullptr)                    \
            mParamsTab->pageName (v);                 \
    }

DORVO_FORWARD_TO_PARAMS (setChannelIn, setChannelIn, int)
DORVO_FORWARD_TO_PARAMS (setChannelOut, setChannelOut, int)
DORVO_FORWARD_TO_PARAMS (setAudioGateThreshold, setAudioGateThreshold, int)
DORVO_FORWARD_TO_PARAMS (setLFORetrig, setLFORetrig, bool)
DORVO_FORWARD_TO_PARAMS (setArpHold, setArpHold, bool)
DORVO_FORWARD_TO_PARAMS (setKeyboardMode, setKeyboardMode, int)
DORVO_FORWARD_TO_PARAMS (setLegatoState, setLegatoState, int)
DORVO_FORWARD_TO_PARAMS (setVelocityCurbNum, setVelocityCurbNum, int)
DORVO_FORWARD_TO_PARAMS (setAftertouchCurbNum, setAftertouchCurbNum, int)
DORVO_FORWARD_TO_PARAMS (setBendRange, setBendRange, int)
DORVO_FORWARD_TO_PARAMS (setStepSize, setStepSize, int)
DORVO_FORWARD_TO_PARAMS (setTapAvg, setTapAvg, int)
DORVO_FORWARD_TO_PARAMS (setGateLen, setGateLen, int)
DORVO_FORWARD_TO_PARAMS (setClkSync, setSeqSync, int)
DORVO_FORWARD_TO_PARAMS (setSeqPlayMode, setSeqPlayMode, int)
DORVO_FORWARD_TO_PARAMS (setSeqNextSeq, setSeqNextSeq, int)

#undef DORVO_FORWARD_TO_PARAMS
