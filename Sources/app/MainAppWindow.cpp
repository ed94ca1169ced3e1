#include "app/MainAppWindow.h"

namespace
{
juce::String applicationName()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        return app->getApplicationName();
    return JUCE_APPLICATION_NAME_STRING;
}
} // namespace

MainAppWindow::MainAppWindow()
    : juce::DocumentWindow (applicationName(), juce::Colours::lightgrey, juce::DocumentWindow::allButtons, true)
{
    centreWithSize (795, 433);
    setUsingNativeTitleBar (true);
    setVisible (true);

    mEditorWindow = std::make_unique<GUIEditorWindow>();
    setContentNonOwned (mEditorWindow.get(), false);
}

MainAppWindow::~MainAppWindow()
{
    clearContentComponent();
    mEditorWindow = nullptr;
}

void MainAppWindow::closeButtonPressed()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}

void MainAppWindow::SwitchDorvoType (DorvoType type)
{
    setSize (type == KelaSE ? 950 : 795, 433);
    mEditorWindow->SwitchDorvoType (type);
}

void MainAppWindow::registerListener (juce::ActionListener* listener)
{
    mEditorWindow->registerListener (listener);
    mEditorWindow->addActionListener (listener);
}

void MainAppWindow::setConnectedState (bool connected) { mEditorWindow->setConnectedState (connected); }
void MainAppWindow::SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    mEditorWindow->SetFirmwareVersion (a, b, c, d);
}
void MainAppWindow::refreshPresetsList() { mEditorWindow->refreshPresetsList(); }

void MainAppWindow::setChannelIn (int v) { mEditorWindow->setChannelIn (v); }
void MainAppWindow::setChannelOut (int v) { mEditorWindow->setChannelOut (v); }
void MainAppWindow::setAudioGateThreshold (int v) { mEditorWindow->setAudioGateThreshold (v); }
void MainAppWindow::setLFORetrig (bool v) { mEditorWindow->setLFORetrig (v); }
void MainAppWindow::setArpHold (bool v) { mEditorWindow->setArpHold (v); }
void MainAppWindow::setKeyboardMode (int v) { mEditorWindow->setKeyboardMode (v); }
void MainAppWindow::setLegatoState (int v) { mEditorWindow->setLegatoState (v); }
void MainAppWindow::setVelocityCurbNum (int v) { mEditorWindow->setVelocityCurbNum (v); }
void MainAppWindow::setAftertouchCurbNum (int v) { mEditorWindow->setAftertouchCurbNum (v); }
void MainAppWindow::setBendRange (int v) { mEditorWindow->setBendRange (v); }
void MainAppWindow::setStepSize (int v) { mEditorWindow->setStepSize (v); }
void MainAppWindow::setTapAvg (int v) { mEditorWindow->setTapAvg (v); }
void MainAppWindow::setGateLen (int v) { mEditorWindow->setGateLen (v); }
void MainAppWindow::setClkSync (int v) { mEditorWindow->setClkSync (v); }
void MainAppWindow::setSeqPlayMode (int v) { mEditorWindow->setSeqPlayMode (v); }
void MainAppWindow::setSeqNextSeq (int v) { mEditorWindow->setSeqNextSeq (v); }
