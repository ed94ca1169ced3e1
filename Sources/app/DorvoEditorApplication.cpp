#include "app/DorvoEditorApplication.h"

namespace
{
class EmptyMainWindow : public juce::DocumentWindow
{
public:
    EmptyMainWindow()
        : juce::DocumentWindow ("Dorvo Connection", juce::Colours::black, juce::DocumentWindow::allButtons)
    {
        setUsingNativeTitleBar (true);
        setResizable (false, false);
        centreWithSize (795, 433);
        setVisible (true);
    }

    void closeButtonPressed() override { juce::JUCEApplication::getInstance()->systemRequestedQuit(); }
};
} // namespace

void DorvoEditorApplication::initialise (const juce::String&)
{
    mMainWindow = std::make_unique<EmptyMainWindow>();
}

void DorvoEditorApplication::shutdown()
{
    mMainWindow = nullptr;
}
