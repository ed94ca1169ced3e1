#pragma once

#include "JuceIncludes.h"

// Placeholder application object: opens the empty main window until the real application
// object (connection, read-back, dispatcher) takes its place.
class DorvoEditorApplication : public juce::JUCEApplication
{
public:
    DorvoEditorApplication() = default;

    const juce::String getApplicationName() override { return "Dorvo Connection"; }
    const juce::String getApplicationVersion() override { return JUCE_APPLICATION_VERSION_STRING; }
    bool moreThanOneInstanceAllowed() override { return false; }

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void systemRequestedQuit() override { quit(); }

private:
    std::unique_ptr<juce::DocumentWindow> mMainWindow;
};
