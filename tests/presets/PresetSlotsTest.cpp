#include "presets/GUIPresetSlots.h"
#include "presets/PresetTestSupport.h"

namespace
{
struct BroadcastingContainer : juce::Component, juce::DragAndDropContainer, juce::ActionBroadcaster
{
};

juce::Image pad()
{
    return juce::ImageCache::getFromMemory (GUIPresetSlots::pad_91x91_down_off_png, GUIPresetSlots::pad_91x91_down_off_pngSize);
}
} // namespace

// Six slot buttons created in the order 3, 5, 4, 6, 1, 2 and laid out top to bottom 1 to 6,
// then six "empty" labels beside them.
TEST (GUIPresetSlots, ButtonsAndLabelsInTheirOrderAndPlaces)
{
    GUIPresetSlots slots;
    EXPECT_EQ (slots.getBounds(), juce::Rectangle<int> (0, 0, 288, 360));
    ASSERT_EQ (slots.getNumChildComponents(), 12);

    const char* created[] = { "3", "5", "4", "6", "1", "2" };
    for (int i = 0; i < 6; ++i)
    {
        auto* button = dynamic_cast<DraggableButton*> (slots.getChildComponent (i));
        ASSERT_NE (button, nullptr) << i;
        EXPECT_EQ (button->getName(), created[i]);
        EXPECT_TRUE (button->isVisible());
    }
    for (int slot = 1; slot <= 6; ++slot)
    {
        auto* button = slots.getSlotButton (slot);
        ASSERT_NE (button, nullptr);
        EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (8, 8 + 56 * (slot - 1), 64, 56)) << slot;
        EXPECT_FALSE (button->getClickingTogglesState());

        auto* label = slots.getSlotLabel (slot);
        ASSERT_NE (label, nullptr);
        EXPECT_EQ (slots.getChildComponent (5 + slot), label);
        EXPECT_EQ (label->getName(), "");
        EXPECT_EQ (label->getText(), "empty");
        EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (72, 16 + 56 * (slot - 1), 200, 32));
        EXPECT_EQ (label->getFont().getHeight(), 15.0f);
        EXPECT_FALSE (label->getFont().isBold());
        EXPECT_EQ (label->getJustificationType(), juce::Justification::centredLeft);
        EXPECT_FALSE (label->isEditableOnSingleClick());
        EXPECT_FALSE (label->isEditableOnDoubleClick());
    }
    EXPECT_EQ (slots.getSlotButton (0), nullptr);
    EXPECT_EQ (slots.getSlotButton (7), nullptr);
}

// Each slot shows the pad picture, scaled to its button with its proportions kept, in every
// state and untinted.
TEST (GUIPresetSlots, EverySlotShowsThePadInEveryState)
{
    GUIPresetSlots slots;
    for (int slot = 1; slot <= 6; ++slot)
    {
        auto& button = *slots.getSlotButton (slot);
        juce::Image expected (juce::Image::ARGB, 64, 56, true);
        {
            juce::Graphics g (expected);
            presettest::drawAsImageButton (g, pad(), { 0, 0, 64, 56 }, true);
        }
        for (auto state : { juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown })
        {
            button.setState (state);
            EXPECT_LE (presettest::maxDifference (presettest::snapshotOf (button), expected, { 0, 0, 64, 56 }), 1)
                << "slot " << slot << " state " << (int) state;
        }
        EXPECT_TRUE (static_cast<juce::Component&> (button).hitTest (0, 0));
    }
}

// A drop on a slot becomes "DRSL ", the slot name, "," and the description, sent through the
// page around the panel; the panel's own broadcaster sends nothing.
TEST (GUIPresetSlots, DropsSendThroughTheEnclosingPage)
{
    BroadcastingContainer page;
    GUIPresetSlots slots;
    page.addAndMakeVisible (slots);
    ActionRecorder pageRecorder, panelRecorder;
    page.addActionListener (&pageRecorder);
    slots.addActionListener (&panelRecorder);

    struct Case
    {
        int slot;
        juce::String description, expected;
    };
    const Case cases[] = {
        { 4, "/presets/Lead.preset", "DRSL 4,/presets/Lead.preset" },
        { 5, "2,Mon preset", "DRSL 5,2,Mon preset" },
        { 3, "3,Mon preset", "DRSL 3,3,Mon preset" },
    };
    for (const auto& c : cases)
    {
        auto& button = *slots.getSlotButton (c.slot);
        EXPECT_TRUE (button.isInterestedInDragSource ({ c.description, nullptr, {} }));
        pageRecorder.messages.clear();
        button.itemDropped ({ c.description, nullptr, { 5, 5 } });
        presettest::flushMessages();
        EXPECT_EQ (pageRecorder.messages, juce::StringArray ({ c.expected }));
    }
    EXPECT_EQ (slots.getSlotButton (2)->getDragDescription(), "2,Mon preset");

    // Clicks reach the panel's listener slot, which does nothing.
    slots.buttonClicked (slots.getSlotButton (1));
    presettest::flushMessages();
    EXPECT_TRUE (panelRecorder.messages.isEmpty());
}

// Without an enclosing drag-and-drop container a drop sends nothing and a press drags nothing.
TEST (GUIPresetSlots, WithoutContainerNothingHappens)
{
    GUIPresetSlots slots;
    ActionRecorder recorder;
    slots.addActionListener (&recorder);
    slots.getSlotButton (1)->itemDropped ({ "x", nullptr, {} });
    presettest::flushMessages();
    EXPECT_TRUE (recorder.messages.isEmpty());
    EXPECT_EQ (juce::DragAndDropContainer::findParentDragContainerFor (slots.getSlotButton (1)), nullptr);
}
