#include "TestSupport.h"
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

FullDisk::FullDisk (rlim_t room)
{
    previousHandler = std::signal (SIGXFSZ, SIG_IGN);
    if (getrlimit (RLIMIT_FSIZE, &saved) != 0)
        return;
    rlimit full = saved;
    full.rlim_cur = room;
    on = setrlimit (RLIMIT_FSIZE, &full) == 0;
}

FullDisk::~FullDisk()
{
    if (on)
        setrlimit (RLIMIT_FSIZE, &saved);
    std::signal (SIGXFSZ, previousHandler);
}

juce::String nameOfBytes (int bytes, const juce::String& ext, const juce::String& unit)
{
    const int room = bytes - (int) ext.getNumBytesAsUTF8();
    juce::String name;
    while ((int) (name + unit).getNumBytesAsUTF8() <= room)
        name << unit;
    while ((int) name.getNumBytesAsUTF8() < room)
        name << "x";
    return name + ext;
}

NamedPipe::NamedPipe (const juce::File& p) : path (p)
{
    isMade = ::mkfifo (path.getFullPathName().toRawUTF8(), 0600) == 0;
    if (! isMade)
        return;
    watchdog = std::thread ([this] {
        const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds (5);
        std::unique_lock<std::mutex> held (lock);
        while (! wake.wait_for (held, std::chrono::milliseconds (50), [this] { return done; }))
        {
            if (std::chrono::steady_clock::now() < patience)
                continue;
            // Succeeds only while a reader has it open (or waits to): that reader is let go.
            const int fd = ::open (path.getFullPathName().toRawUTF8(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
            {
                released = true;
                ::close (fd);
            }
        }
    });
}

NamedPipe::~NamedPipe()
{
    if (! isMade)
        return;
    {
        std::lock_guard<std::mutex> held (lock);
        done = true;
    }
    wake.notify_all();
    watchdog.join();
    ::unlink (path.getFullPathName().toRawUTF8());
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
