#include "TestSupport.h"
#include <cstdlib>

namespace testsupport
{
bool hasDisplay()
{
    const char* display = std::getenv ("DISPLAY");
    return display != nullptr && *display != 0;
}

bool displayWaived()
{
    const char* waived = std::getenv ("DORVO_NO_DISPLAY");
    return waived != nullptr && juce::String (waived) == "1";
}

juce::File artefactDir()
{
    juce::File dir (DORVO_TEST_ARTEFACTS);
    dir.createDirectory();
    return dir;
}

void pumpMessages (int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

bool pumpUntil (const std::function<bool()>& pred, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! pred())
    {
        if (juce::Time::getMillisecondCounter() >= end)
            return pred();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }
    return true;
}

juce::File saveArtefact (const juce::Image& image, const juce::String& name)
{
    auto file = artefactDir().getChildFile (name.endsWith (".png") ? name : name + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat().writeImageToStream (image, out);
    return file;
}
} // namespace testsupport

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // With an application factory set, JUCE installs its forgiving X error handler, so windows
    // survive the missing window manager under Xvfb.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juceInit;
    return RUN_ALL_TESTS();
}
