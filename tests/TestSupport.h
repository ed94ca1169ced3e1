#pragma once

#include "JuceIncludes.h"
#include <gtest/gtest.h>

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
