#pragma once

#include "JuceIncludes.h"
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <vector>

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
    it goes. */
class FullDisk
{
public:
    FullDisk();
    ~FullDisk();
    /** False when the limit could not be set. */
    bool active() const { return on; }

private:
    rlimit saved {};
    void (*previousHandler) (int) = SIG_DFL;
    bool on = false;
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
