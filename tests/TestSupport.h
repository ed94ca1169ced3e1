#pragma once

#include "JuceIncludes.h"
#include <gtest/gtest.h>

namespace testsupport
{
/** True when an X display is there, so top-level windows can be made. */
bool hasDisplay();

/** Folder for screenshots and other artefacts of the run (build/test-artefacts). */
juce::File artefactDir();

/** Runs the message loop for about ms milliseconds. */
void pumpMessages (int ms);

/** Runs the message loop until pred() holds or timeoutMs pass; returns pred(). */
bool pumpUntil (const std::function<bool()>& pred, int timeoutMs);

/** Writes an image as PNG into the artefact folder; returns the file. */
juce::File saveArtefact (const juce::Image& image, const juce::String& name);
} // namespace testsupport

/** Skips a test that needs top-level windows when no display is there. */
#define DORVO_REQUIRE_DISPLAY()                                                 \
    do                                                                          \
    {                                                                           \
        if (! testsupport::hasDisplay())                                        \
            GTEST_SKIP() << "needs a display (run the suite under xvfb-run)";   \
    } while (false)
