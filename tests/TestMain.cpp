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
std::vector<juce::uint8> contentsOf (const juce::File& file)
{
    juce::MemoryBlock m;
    if (! file.loadFileAsData (m))
        return {};
    auto* p = static_cast<const juce::uint8*> (m.getData());
    return std::vector<juce::uint8> (p, p + m.getSize());
}

FullDisk::FullDisk()
{
    previousHandler = std::signal (SIGXFSZ, SIG_IGN);
    if (getrlimit (RLIMIT_FSIZE, &saved) != 0)
        return;
    rlimit full = saved;
    full.rlim_cur = 0;
    on = setrlimit (RLIMIT_FSIZE, &full) == 0;
}

FullDisk::~FullDisk()
{
    if (on)
        setrlimit (RLIMIT_FSIZE, &saved);
    std::signal (SIGXFSZ, previousHandler);
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
