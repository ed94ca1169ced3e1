#pragma once

#include "firmware/GUIPushButton.h"

/** The update button of every Firmware Update page: a click broadcasts "FIRM ". */
class GUIUpdater : public GUIPushButton
{
public:
    GUIUpdater();

    DORVO_PUSH_BUTTON_PICTURES

protected:
    void clicked() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIUpdater)
};
