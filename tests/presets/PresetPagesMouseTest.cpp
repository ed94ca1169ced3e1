// The preset pages on screen, driven by the real X pointer (xdotool) on an X server of each
// test's own.

#include "presets/GUIManagerTab.h"
#include "presets/PresetEditor.h"
#include "presets/PresetTestSupport.h"

using presettest::Pointer;
using presettest::TempPresetFolder;

namespace
{
/** A screenshot of the whole X screen into the test artefacts. */
void screenshot (const juce::String& name)
{
    const auto file = testsupport::artefactDir().getChildFile (name + ".png");
    file.deleteFile();
    EXPECT_EQ (std::system (("import -window root " + file.getFullPathName().quoted() + " 2>/dev/null").toRawUTF8()), 0);
    EXPECT_TRUE (file.existsAsFile()) << name;
}

juce::Point<int> centreOnScreen (juce::Component& c)
{
    return c.localPointToGlobal (c.getLocalBounds().getCentre());
}

/** The centre of a list row on screen. */
juce::Point<int> rowOnScreen (DraggableList& list, int row)
{
    return list.localPointToGlobal (list.getRowPosition (row, true).getCentre());
}
} // namespace

// The drags of the librarian page, each checked by the one message the page broadcasts.
TEST (GUIManagerTabOnScreen, DragsBetweenListAndSlots)
{
    if (presettest::runOnOwnDisplay())
        return;

    TempPresetFolder temp;
    for (int i = 0; i < 5; ++i)
        temp.add ("row" + juce::String (i) + ".preset");
    auto path = [&] (int row) { return temp.folder().getChildFile ("row" + juce::String (row) + ".preset").getFullPathName(); };

    GUIManagerTab page;
    ActionRecorder recorder;
    page.addActionListener (&recorder);
    ASSERT_TRUE (presettest::showOnScreen (page, { 40, 30 }));
    auto& list = *page.getPresetList();
    auto& slots = *page.getPresetSlots();
    ASSERT_EQ (list.getNumRows(), 5);

    Pointer pointer (page);
    const auto away = page.localPointToGlobal (juce::Point<int> (330, 8));
    ASSERT_TRUE (pointer.moveTo (away));

    struct Case
    {
        const char* what;
        std::vector<int> selection;
        juce::Point<int> from, to;
        juce::String expected;
        const char* screenshotMidway;
    };
    const std::vector<Case> cases = {
        { "three rows to slot 4, pressed on the middle one", { 1, 2, 3 }, rowOnScreen (list, 2),
          centreOnScreen (*slots.getSlotButton (4)), "DRSL 4," + path (1), "presets-librarian-window-list-drag" },
        { "slot 2 to slot 5", {}, centreOnScreen (*slots.getSlotButton (2)), centreOnScreen (*slots.getSlotButton (5)),
          "DRSL 5,2,Mon preset", "presets-librarian-window-slot-drag" },
        { "slot 2 to the list", {}, centreOnScreen (*slots.getSlotButton (2)), list.localPointToGlobal (juce::Point<int> (140, 300)),
          "DRLT 2,Mon preset", nullptr },
        { "row 0 back onto the list", { 0 }, rowOnScreen (list, 0), rowOnScreen (list, 4), "DRLT " + path (0), nullptr },
        { "slot 3 pressed and released where it is", {}, centreOnScreen (*slots.getSlotButton (3)),
          centreOnScreen (*slots.getSlotButton (3)), "DRSL 3,3,Mon preset", nullptr },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        list.deselectAllRows();
        for (int row : c.selection)
            list.selectRow (row, false, false);
        recorder.messages.clear();

        ASSERT_TRUE (pointer.glideTo (c.from));
        ASSERT_TRUE (pointer.press());
        ASSERT_TRUE (pointer.glideTo (c.to));
        if (c.from != c.to)
        {
            EXPECT_TRUE (page.isDragAndDropActive());
        }
        if (c.screenshotMidway != nullptr)
            screenshot (c.screenshotMidway);
        ASSERT_TRUE (pointer.release());

        ASSERT_TRUE (testsupport::pumpUntil ([&] { return ! recorder.messages.isEmpty(); }, 10000));
        presettest::flushMessages();
        EXPECT_EQ (recorder.messages, juce::StringArray ({ c.expected }));
        ASSERT_TRUE (testsupport::pumpUntil ([&] { return ! page.isDragAndDropActive(); }, 10000));
        ASSERT_TRUE (presettest::onlyOnDesktop (page));
        if (! c.selection.empty())
        {
            EXPECT_EQ (list.getNumSelectedFiles(), (int) c.selection.size()) << "a drag keeps the selection";
        }
        ASSERT_TRUE (pointer.glideTo (away));
    }
}

// The preset editor page on screen: a row dropped back on the list sends nothing, not even
// through a broadcasting container around the page; a bar follows the pointer.
TEST (GUIEditorTabOnScreen, ListDropSendsNothingAndBarsFollowThePointer)
{
    if (presettest::runOnOwnDisplay())
        return;

    TempPresetFolder temp;
    for (auto name : { "a.preset", "b.preset", "c.preset" })
        temp.add (name);

    struct Outer : juce::Component, juce::DragAndDropContainer, juce::ActionBroadcaster
    {
    } outer;
    GUIEditorTab page;
    outer.setSize (736, 416);
    outer.addAndMakeVisible (page);
    ActionRecorder recorder;
    outer.addActionListener (&recorder);
    ASSERT_TRUE (presettest::showOnScreen (outer, { 60, 50 }));
    auto& list = *page.getPresetList();
    ASSERT_EQ (list.getNumRows(), 3);

    Pointer pointer (outer);
    const auto away = page.localPointToGlobal (juce::Point<int> (330, 8));
    ASSERT_TRUE (pointer.moveTo (away));

    list.selectRow (0);
    ASSERT_TRUE (pointer.glideTo (rowOnScreen (list, 0)));
    ASSERT_TRUE (pointer.press());
    ASSERT_TRUE (pointer.glideTo (rowOnScreen (list, 2) + juce::Point<int> (0, 60)));
    EXPECT_TRUE (page.isDragAndDropActive());
    EXPECT_FALSE (outer.isDragAndDropActive());
    screenshot ("presets-editor-window-list-drag");
    ASSERT_TRUE (pointer.release());
    ASSERT_TRUE (testsupport::pumpUntil ([&] { return ! page.isDragAndDropActive(); }, 10000));
    ASSERT_TRUE (presettest::onlyOnDesktop (outer));
    presettest::flushMessages();
    EXPECT_TRUE (recorder.messages.isEmpty());

    // Bar 1: green under the pointer, red while pressed, orange again once the pointer leaves.
    auto& bar = *page.getPattern()->getButton (0);
    auto expectedBar = [&] (const char* data, int size) {
        juce::Image e (juce::Image::ARGB, bar.getWidth(), bar.getHeight(), true);
        juce::Graphics g (e);
        presettest::drawAsImageButton (g, juce::ImageCache::getFromMemory (data, size), e.getBounds(), false);
        return e;
    };
    auto shows = [&] (const char* data, int size) {
        return presettest::maxDifference (presettest::snapshotOf (bar), expectedBar (data, size), bar.getLocalBounds()) <= 1;
    };
    ASSERT_TRUE (pointer.glideTo (centreOnScreen (bar)));
    ASSERT_TRUE (testsupport::pumpUntil ([&] { return bar.getState() == juce::Button::buttonOver; }, 10000));
    EXPECT_TRUE (shows (GUIPattern::barre_verte_png, GUIPattern::barre_verte_pngSize));
    ASSERT_TRUE (pointer.press());
    EXPECT_EQ (bar.getState(), juce::Button::buttonDown);
    EXPECT_TRUE (shows (GUIPattern::barre_rouge_png, GUIPattern::barre_rouge_pngSize));
    ASSERT_TRUE (pointer.release());
    ASSERT_TRUE (pointer.glideTo (away));
    ASSERT_TRUE (testsupport::pumpUntil ([&] { return bar.getState() == juce::Button::buttonNormal; }, 10000));
    EXPECT_TRUE (shows (GUIPattern::barre_orange_png, GUIPattern::barre_orange_pngSize));
    presettest::flushMessages();
    EXPECT_TRUE (recorder.messages.isEmpty());
}
