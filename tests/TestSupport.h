#pragma once

#include "JuceIncludes.h"
#include <gtest/gtest.h>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace juce
{
/** Failures show the texts, not the bytes of the array object. Declared here, where every
    test file sees it: googletest's printer for a type ends up as one for the whole test
    binary, so a single file that did not see this could make every file print bytes. In the
    framework's namespace, where argument-dependent lookup finds it. */
inline void PrintTo (const StringArray& strings, std::ostream* os)
{
    *os << "{ \"" << strings.joinIntoString ("\", \"").replace ("\n", "\\n").replace ("\r", "\\r") << "\" }";
}
} // namespace juce

namespace testsupport
{
/** True when an X display is there, so top-level windows can be made. */
bool hasDisplay();

/** True when the environment says explicitly that no display is wanted (DORVO_NO_DISPLAY=1):
    only then may a test that needs one skip itself. */
bool displayWaived();

/** Folder for screenshots and other artefacts of the run (build/test-artefacts). */
juce::File artefactDir();

/** Runs the message loop for about ms milliseconds. */
void pumpMessages (int ms);

/** Runs the message loop until pred() holds or timeoutMs pass; returns pred(). */
bool pumpUntil (const std::function<bool()>& pred, int timeoutMs);

/** Writes an image as PNG into the artefact folder; returns the file. */
juce::File saveArtefact (const juce::Image& image, const juce::String& name);

/** A file's bytes; none when it cannot be read. */
std::vector<juce::uint8> contentsOf (const juce::File& file);

/** While it lives, no file of this process can grow, as on a full disk: the file-size limit
    is 0 and the signal that would end the process for it is ignored. Both are put back when
    it goes. With room, files can grow to that many bytes: a write that would go past it
    writes up to it and returns short (no error), the next one fails. */
class FullDisk
{
public:
    explicit FullDisk (rlim_t room = 0);
    ~FullDisk();
    /** False when the limit could not be set. */
    bool active() const { return on; }

private:
    rlimit saved {};
    void (*previousHandler) (int) = SIG_DFL;
    bool on = false;
};
/** A file name of exactly bytes bytes of UTF-8: unit repeated as often as it fits before ext,
    "x" up to the length, then ext. */
juce::String nameOfBytes (int bytes, const juce::String& ext = {}, const juce::String& unit = "x");

/** A named pipe made at path for the test, with a watchdog. Whatever opens it for reading
    waits for a writer for ever; should anything do so, the watchdog opens it for writing
    after a few seconds and closes it at once, again and again, so that the reader sees an
    empty file and the test fails instead of hanging. Removed when it goes. */
class NamedPipe
{
public:
    explicit NamedPipe (const juce::File& path);
    ~NamedPipe();
    /** False when the pipe could not be made. */
    bool made() const { return isMade; }
    const juce::File& file() const { return path; }
    /** True when a reader had to be let go. */
    bool readerReleased() const { return released.load(); }

private:
    juce::File path;
    bool isMade = false;
    std::atomic<bool> released { false };
    std::mutex lock;
    std::condition_variable wake;
    bool done = false;
    std::thread watchdog;
};
} // namespace testsupport

/** A test that needs top-level windows fails without a display, unless the environment waives
    the display (DORVO_NO_DISPLAY=1), in which case it is skipped. */
#define DORVO_REQUIRE_DISPLAY()                                                                  \
    do                                                                                           \
    {                                                                                            \
        if (! testsupport::hasDisplay())                                                         \
        {                                                                                        \
            if (testsupport::displayWaived())                                                    \
                GTEST_SKIP() << "no display wanted (DORVO_NO_DISPLAY=1)";                        \
            FAIL() << "needs a display: run the suite under xvfb-run, or set DORVO_NO_DISPLAY=1"; \
        }                                                                                        \
    } while (false)
