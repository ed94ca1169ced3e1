#include "presets/DirectoryListHelper.h"
#include "presets/DraggableList.h"
#include "presets/PresetTestSupport.h"

using presettest::TempPresetFolder;

namespace
{
/** A page that holds a list: a drag-and-drop container, an action broadcaster or both. */
template <class... Bases>
struct Holder : juce::Component, Bases...
{
};

using BroadcastingContainer = Holder<juce::DragAndDropContainer, juce::ActionBroadcaster>;
using SilentContainer = Holder<juce::DragAndDropContainer>;
using BroadcasterOnly = Holder<juce::ActionBroadcaster>;

juce::DragAndDropTarget::SourceDetails dropOf (const juce::String& description)
{
    return { description, nullptr, { 10, 10 } };
}

struct ListFixture : ::testing::Test
{
    TempPresetFolder temp;
    std::unique_ptr<DirectoryListHelper> helper;
    std::unique_ptr<DraggableList> list;

    void build (const juce::StringArray& names)
    {
        for (auto& n : names)
            temp.add (n);
        helper = std::make_unique<DirectoryListHelper> (temp.folder().getFullPathName(), "*.*");
        helper->CreateList();
        list = std::make_unique<DraggableList> (*helper->mContents);
        list->setBounds (0, 0, 288, 360);
        list->updateContent();
    }

    void TearDown() override
    {
        list = nullptr;
        helper = nullptr;
    }
};
} // namespace

TEST_F (ListFixture, IsANamedMultipleSelectionListOfItsFiles)
{
    build ({ "b.preset", "a.preset", "c.preset" });
    EXPECT_EQ (list->getName(), "Draggable list");
    list->selectRow (0);
    list->selectRow (2, false, false);
    EXPECT_EQ (list->getNumSelectedRows(), 2) << "multiple selection";
    EXPECT_EQ (list->getRowHeight(), juce::ListBox().getRowHeight());
    EXPECT_EQ (list->getNumRows(), 3);
    EXPECT_EQ (list->getModel(), list.get());
}

// Selected files count in ascending row order whatever order they were selected in; an index
// outside the selection gives a file with an empty path.
TEST_F (ListFixture, SelectedFilesInRowOrder)
{
    build ({ "r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7" });
    EXPECT_EQ (list->getNumSelectedFiles(), 0);
    EXPECT_EQ (list->getSelectedFile (0).getFullPathName(), "");

    for (int row : { 7, 2, 5 })
        list->selectRow (row, false, false);
    EXPECT_EQ (list->getNumSelectedFiles(), 3);
    EXPECT_EQ (list->getSelectedFile (0), temp.folder().getChildFile ("r2"));
    EXPECT_EQ (list->getSelectedFile (1), temp.folder().getChildFile ("r5"));
    EXPECT_EQ (list->getSelectedFile (2), temp.folder().getChildFile ("r7"));
    for (int outside : { -1, 3, 100 })
        EXPECT_EQ (list->getSelectedFile (outside).getFullPathName(), "") << outside;
}

// The description is the full path of the lowest selected row (row 0 when none is), empty for
// an empty list.
TEST_F (ListFixture, DragDescriptionIsTheLowestSelectedRowsPath)
{
    build ({ "a.preset", "b.preset", "c.preset" });
    juce::SparseSet<int> rows;
    EXPECT_EQ (list->getDragSourceDescription (rows).toString(), temp.folder().getFullPathName() + "/a.preset");
    rows.addRange ({ 1, 3 });
    EXPECT_EQ (list->getDragSourceDescription (rows).toString(), temp.folder().getFullPathName() + "/b.preset");

    TempPresetFolder empty;
    DirectoryListHelper emptyHelper (empty.folder().getFullPathName(), "*.*");
    emptyHelper.CreateList();
    DraggableList emptyList (*emptyHelper.mContents);
    EXPECT_EQ (emptyList.getNumRows(), 0);
    EXPECT_EQ (emptyList.getDragSourceDescription (rows).toString(), "");
}

// A drop becomes "DRLT " and the description, sent only through the nearest container, and
// only when that container is an action broadcaster.
TEST_F (ListFixture, DropSendsThroughTheNearestContainerOnlyWhenItBroadcasts)
{
    build ({ "a.preset" });
    EXPECT_TRUE (list->isInterestedInDragSource (dropOf ("anything")));

    ActionRecorder recorder;
    BroadcastingContainer outer;
    outer.addActionListener (&recorder);

    struct Case
    {
        const char* where;
        juce::String description;
        juce::StringArray expected;
    };

    // Directly in a broadcasting container.
    outer.addAndMakeVisible (*list);
    for (const auto& c : { Case { "broadcaster", "/x/y.preset", { "DRLT /x/y.preset" } },
                           Case { "broadcaster", "2,Mon preset", { "DRLT 2,Mon preset" } } })
    {
        recorder.messages.clear();
        list->itemDropped (dropOf (c.description));
        presettest::flushMessages();
        EXPECT_EQ (recorder.messages, c.expected) << c.where;
    }

    // Inside a container that does not broadcast, inside the broadcasting one: nothing.
    SilentContainer silent;
    outer.addAndMakeVisible (silent);
    silent.addAndMakeVisible (*list);
    // Inside a broadcaster that is no container, with no container above: nothing.
    BroadcasterOnly lone;
    lone.addActionListener (&recorder);
    for (juce::Component* parent : { (juce::Component*) &silent, (juce::Component*) &lone })
    {
        parent->addAndMakeVisible (*list);
        recorder.messages.clear();
        list->itemDropped (dropOf ("/x/y.preset"));
        presettest::flushMessages();
        EXPECT_TRUE (recorder.messages.isEmpty());
    }
    lone.removeChildComponent (list.get());
}

// Painting a row: a selected row on light blue, an unselected one on nothing; the name in
// black from 5 pixels in; a row past the end draws nothing.
TEST_F (ListFixture, PaintsRows)
{
    build ({ "a rather long preset name that does not fit into its row at all.preset" });
    const int w = 120, h = 22;
    auto paintRow = [&] (int row, bool selected) {
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        list->paintListBoxItem (row, g, w, h, selected);
        return image;
    };

    auto inkColumns = [&] (const juce::Image& image, juce::Colour ground) {
        juce::Range<int> columns;
        bool any = false;
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                if (image.getPixelAt (x, y) != ground)
                {
                    columns = any ? columns.getUnionWith (juce::Range<int> (x, x + 1)) : juce::Range<int> (x, x + 1);
                    any = true;
                }
        return columns;
    };

    const auto selected = paintRow (0, true);
    EXPECT_EQ (selected.getPixelAt (0, 0), juce::Colours::lightblue);
    EXPECT_EQ (selected.getPixelAt (w - 1, h - 1), juce::Colours::lightblue);
    const auto selectedInk = inkColumns (selected, juce::Colours::lightblue);
    EXPECT_GE (selectedInk.getStart(), 5);
    EXPECT_LE (selectedInk.getStart(), 7);

    const auto plain = paintRow (0, false);
    EXPECT_EQ (plain.getPixelAt (0, 0).getAlpha(), 0);
    const auto plainInk = inkColumns (plain, juce::Colours::transparentBlack);
    EXPECT_EQ (plainInk.getStart(), selectedInk.getStart());
    // The long name runs to the end of the row instead of wrapping.
    EXPECT_GE (plainInk.getEnd(), w - 12);
    bool black = false;
    for (int x = 0; x < w; ++x)
        black = black || (plain.getPixelAt (x, h / 2).getBrightness() < 0.2f && plain.getPixelAt (x, h / 2).getAlpha() > 200);
    EXPECT_TRUE (black);

    EXPECT_TRUE (inkColumns (paintRow (5, false), juce::Colours::transparentBlack).isEmpty());
}
