#include "presets/PresetTestSupport.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace presettest
{
// ---------------------------------------------------------------------------------------------
TempPresetFolder::TempPresetFolder()
{
    // Named after the process as well: tests run in parallel processes.
    static int counter = 0;
    const auto temp = juce::File::getSpecialLocation (juce::File::tempDirectory);
    do
        mFolder = temp.getChildFile ("dorvo-presets-" + juce::String ((int) getpid()) + "-" + juce::String (++counter));
    while (mFolder.exists());
    mFolder.createDirectory();
    PresetFolder::setForTests (mFolder);
}

TempPresetFolder::~TempPresetFolder()
{
    PresetFolder::setForTests (juce::File());
    mFolder.deleteRecursively();
}

juce::File TempPresetFolder::add (const juce::String& name) const
{
    auto file = mFolder.getChildFile (name);
    file.replaceWithText ("preset " + name);
    return file;
}

// ---------------------------------------------------------------------------------------------
namespace
{
const char* const childVariable = "DORVO_OWN_DISPLAY_CHILD";

/** An Xvfb server on the first free display, ended with the object. */
class PrivateXServer
{
public:
    PrivateXServer()
    {
        int fds[2];
        if (pipe (fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen (&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2 (&actions, fds[1], 1);
        posix_spawn_file_actions_addclose (&actions, fds[0]);
        posix_spawn_file_actions_addclose (&actions, fds[1]);

        // -displayfd: the server picks a free display itself and writes its number once it
        // takes connections, so parallel tests never race for a display.
        const char* argv[] = { "Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr };
        if (posix_spawnp (&mPid, "Xvfb", &actions, nullptr, const_cast<char**> (argv), environ) != 0)
            mPid = -1;
        posix_spawn_file_actions_destroy (&actions);
        close (fds[1]);

        std::string number;
        char c = 0;
        while (mPid > 0 && read (fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close (fds[0]);
        if (! number.empty())
            mDisplay = ":" + juce::String (number);
    }

    ~PrivateXServer()
    {
        if (mPid <= 0)
            return;
        kill (mPid, SIGTERM);
        for (int i = 0; i < 500; ++i)
        {
            if (waitpid (mPid, nullptr, WNOHANG) == mPid)
                return;
            juce::Thread::sleep (10);
        }
        kill (mPid, SIGKILL);
        waitpid (mPid, nullptr, 0);
    }

    const juce::String& display() const noexcept { return mDisplay; }

private:
    pid_t mPid = -1;
    juce::String mDisplay;
};
} // namespace

bool isOwnDisplayChild()
{
    return std::getenv (childVariable) != nullptr;
}

bool runOnOwnDisplay()
{
    if (isOwnDisplayChild())
        return false;

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const juce::String name = juce::String (info->test_suite_name()) + "." + info->name();

    PrivateXServer server;
    if (server.display().isEmpty())
    {
        ADD_FAILURE() << "could not start an X server of its own (Xvfb)";
        return true;
    }

    const auto exe = juce::File::getSpecialLocation (juce::File::currentExecutableFile);
    const auto log = juce::File::createTempFile (".log");
    const juce::String command = "timeout -k 5 240 env DISPLAY=" + server.display() + " " + childVariable + "=1 "
                                 + exe.getFullPathName().quoted() + " --gtest_filter=" + name
                                 + " > " + log.getFullPathName().quoted() + " 2>&1";
    const int status = std::system (command.toRawUTF8());
    const auto output = log.loadFileAsString();
    log.deleteFile();

    EXPECT_TRUE (WIFEXITED (status) && WEXITSTATUS (status) == 0) << "child on " << server.display() << ":\n" << output;
    EXPECT_TRUE (output.contains ("[  PASSED  ] 1 test.")) << output;
    return true;
}

bool xdotool (const juce::String& arguments)
{
    return std::system (("xdotool " + arguments).toRawUTF8()) == 0;
}

// ---------------------------------------------------------------------------------------------
bool MouseWatcher::saw (const juce::String& kind, juce::Point<int> screen, juce::Component* component) const
{
    for (auto& e : events)
        if (e.kind == kind && e.screen == screen && (component == nullptr || e.component == component))
            return true;
    return false;
}

Pointer::Pointer (juce::Component& watched) : mWatched (watched)
{
    mWatched.addMouseListener (&mWatcher, true);
}

Pointer::~Pointer()
{
    if (mDown)
        xdotool ("mouseup 1");
    mWatched.removeMouseListener (&mWatcher);
}

bool Pointer::moveTo (juce::Point<int> screen)
{
    mWatcher.events.clear();
    if (! xdotool ("mousemove " + juce::String (screen.x) + " " + juce::String (screen.y)))
        return false;
    mPosition = screen;
    return testsupport::pumpUntil ([&] {
        return mDown ? mWatcher.saw ("drag", screen) : (mWatcher.saw ("move", screen) || mWatcher.saw ("enter", screen));
    }, 10000);
}

bool Pointer::glideTo (juce::Point<int> screen)
{
    const auto from = mPosition;
    const int steps = juce::jmax (1, (int) std::ceil (from.getDistanceFrom (screen) / 12.0));
    for (int i = 1; i <= steps; ++i)
    {
        const auto p = from + (screen - from) * i / steps;
        if (p != mPosition && ! moveTo (p))
            return false;
    }
    return true;
}

bool Pointer::press()
{
    mWatcher.events.clear();
    if (! xdotool ("mousedown 1"))
        return false;
    mDown = true;
    return testsupport::pumpUntil ([&] { return mWatcher.saw ("down", mPosition); }, 10000);
}

bool Pointer::release()
{
    mWatcher.events.clear();
    if (! xdotool ("mouseup 1"))
        return false;
    mDown = false;
    return testsupport::pumpUntil ([&] { return mWatcher.saw ("up", mPosition); }, 10000);
}

bool showOnScreen (juce::Component& component, juce::Point<int> topLeft)
{
    component.setTopLeftPosition (topLeft);
    component.addToDesktop (0);
    component.setVisible (true);
    component.toFront (false);
    return testsupport::pumpUntil ([&] { return component.isShowing() && component.getScreenPosition() == topLeft; }, 10000);
}

bool onlyOnDesktop (juce::Component& component)
{
    return testsupport::pumpUntil ([&] {
        auto& desktop = juce::Desktop::getInstance();
        return desktop.getNumComponents() == 1 && desktop.getComponent (0) == &component;
    }, 10000);
}

void flushMessages()
{
    auto delivered = std::make_shared<bool> (false);
    juce::MessageManager::callAsync ([delivered] { *delivered = true; });
    testsupport::pumpUntil ([delivered] { return *delivered; }, 10000);
}

// ---------------------------------------------------------------------------------------------
void drawAsImageButton (juce::Graphics& g, const juce::Image& picture, juce::Rectangle<int> area,
                        bool keepProportions, juce::Colour overlay)
{
    // The framework's image button: centred, scaled to the button, rounded to whole pixels.
    int x = 0, y = 0, w = area.getWidth(), h = area.getHeight();
    if (keepProportions)
    {
        const float imRatio = (float) picture.getHeight() / (float) picture.getWidth();
        const float destRatio = (float) h / (float) w;
        int newW, newH;
        if (imRatio > destRatio)
        {
            newW = juce::roundToInt ((float) h / imRatio);
            newH = h;
        }
        else
        {
            newW = w;
            newH = juce::roundToInt ((float) w * imRatio);
        }
        x = (w - newW) / 2;
        y = (h - newH) / 2;
        w = newW;
        h = newH;
    }
    const auto t = juce::RectanglePlacement (juce::RectanglePlacement::stretchToFit)
                       .getTransformToFit (picture.getBounds().toFloat(),
                                           juce::Rectangle<int> (area.getX() + x, area.getY() + y, w, h).toFloat());
    g.saveState();
    g.setOpacity (1.0f);
    g.drawImageTransformed (picture, t, false);
    if (! overlay.isTransparent())
    {
        g.setColour (overlay);
        g.drawImageTransformed (picture, t, true);
    }
    g.restoreState();
}

int maxDifference (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area)
{
    int worst = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = a.getPixelAt (x, y), q = b.getPixelAt (x, y);
            worst = juce::jmax (worst, std::abs ((int) p.getAlpha() - (int) q.getAlpha()),
                                std::abs ((int) p.getRed() - (int) q.getRed()));
            worst = juce::jmax (worst, std::abs ((int) p.getGreen() - (int) q.getGreen()),
                                std::abs ((int) p.getBlue() - (int) q.getBlue()));
        }
    return worst;
}

juce::Image snapshotOf (juce::Component& c)
{
    return c.createComponentSnapshot (c.getLocalBounds(), true);
}
} // namespace presettest
