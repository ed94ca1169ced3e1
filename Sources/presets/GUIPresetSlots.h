#pragma once

#include "JuceIncludes.h"
#include "presets/DraggableButton.h"

/** The instrument's six preset slots: a column of slot buttons "1" to "6" that take drops and
    start drags, each with a label beside it. Nothing changes after construction, and its own
    broadcaster never sends anything: the drops leave through the page that holds it. */
class GUIPresetSlots : public juce::Component,
                       public juce::ActionBroadcaster,
                       public juce::Button::Listener
{
public:
    GUIPresetSlots();
    ~GUIPresetSlots() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    /** The slot button named "1" to "6" (slot 1 to 6), null for any other slot. */
    DraggableButton* getSlotButton (int slot) const;
    /** The label beside slot 1 to 6, null for any other slot. */
    juce::Label* getSlotLabel (int slot) const;

    static const char* pad_91x91_down_off_png;
    static const int pad_91x91_down_off_pngSize;

private:
    // In creation order: the slots "3", "5", "4", "6", "1", "2".
    juce::OwnedArray<DraggableButton> mSlotButtons;
    // Beside slots 1 to 6, top to bottom.
    juce::OwnedArray<juce::Label> mSlotLabels;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIPresetSlots)
};
