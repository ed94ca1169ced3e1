#include "app/GUIEditorWindow.h"
#include "presets/GUIManagerTab.h"
#include "presets/PresetTestSupport.h"

using presettest::TempPresetFolder;

namespace
{
juce::Image picture (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}

struct ButtonPicture
{
    const char* name;
    juce::ImageButton* (GUIManagerTab::*button)() const;
    const char* data;
    int size;
    juce::Rectangle<int> bounds;
    bool tintsOnHover;
};

// In creation order, so that later ones lie on top.
const ButtonPicture buttonPictures[] = {
    { "left arrow", &GUIManagerTab::getLeftArrowButton, GUIManagerTab::serig_kre_left_png, GUIManagerTab::serig_kre_left_pngSize, { 336, 88, 56, 48 }, false },
    { "right arrow", &GUIManagerTab::getRightArrowButton, GUIManagerTab::serig_kre_right_png, GUIManagerTab::serig_kre_right_pngSize, { 336, 120, 56, 48 }, false },
    { "export", &GUIManagerTab::getExportButton, GUIManagerTab::tb_export_up_png, GUIManagerTab::tb_export_up_pngSize, { 340, 176, 56, 32 }, true },
    { "import", &GUIManagerTab::getImportButton, GUIManagerTab::tb_import_up_png, GUIManagerTab::tb_import_up_pngSize, { 340, 216, 56, 32 }, true },
    { "delete", &GUIManagerTab::getDeleteButton, GUIManagerTab::tb_delete_up_png, GUIManagerTab::tb_delete_up_pngSize, { 340, 360, 56, 32 }, true },
    { "copy", &GUIManagerTab::getCopyButton, GUIManagerTab::tb_copy_up_png, GUIManagerTab::tb_copy_up_pngSize, { 340, 280, 56, 32 }, true },
    { "refresh", &GUIManagerTab::getRefreshButton, GUIManagerTab::images_jpeg, GUIManagerTab::images_jpegSize, { 340, 32, 56, 48 }, true },
    { "rename", &GUIManagerTab::getRenameButton, GUIManagerTab::tb_rename_up_png, GUIManagerTab::tb_rename_up_pngSize, { 340, 320, 56, 32 }, true },
};

struct LibrarianFixture : ::testing::Test
{
    TempPresetFolder temp;
    std::unique_ptr<GUIManagerTab> page;
    ActionRecorder recorder;

    void build (int files)
    {
        for (int i = 0; i < files; ++i)
            temp.add ("row" + juce::String (i) + ".preset");
        page = std::make_unique<GUIManagerTab>();
        page->addActionListener (&recorder);
    }

    juce::String path (int row) const { return temp.folder().getChildFile ("row" + juce::String (row) + ".preset").getFullPathName(); }

    juce::StringArray click (juce::Button& button)
    {
        recorder.messages.clear();
        button.triggerClick();
        // The click is delivered asynchronously, and its message after it.
        presettest::flushMessages();
        presettest::flushMessages();
        return recorder.messages;
    }

    void TearDown() override { page = nullptr; }
};
} // namespace

TEST_F (LibrarianFixture, ChildrenInTheirOrderAndPlaces)
{
    build (0);
    EXPECT_EQ (page->getBounds(), juce::Rectangle<int> (0, 0, 736, 416));

    struct Child
    {
        juce::Component* component;
        juce::Rectangle<int> bounds;
    };
    const std::vector<Child> children = {
        { page->getComputerGroup(), { 16, 16, 304, 384 } },
        { page->getInstrumentGroup(), { 416, 16, 304, 384 } },
        { page->getPresetList(), { 24, 32, 288, 360 } },
        { page->getLeftArrowButton(), { 336, 88, 56, 48 } },
        { page->getRightArrowButton(), { 336, 120, 56, 48 } },
        { page->getExportButton(), { 340, 176, 56, 32 } },
        { page->getImportButton(), { 340, 216, 56, 32 } },
        { page->getDeleteButton(), { 340, 360, 56, 32 } },
        { page->getCopyButton(), { 340, 280, 56, 32 } },
        { page->getPresetSlots(), { 424, 32, 288, 360 } },
        { page->getRefreshButton(), { 340, 32, 56, 48 } },
        { page->getRenameButton(), { 340, 320, 56, 32 } },
    };
    ASSERT_EQ (page->getNumChildComponents(), (int) children.size());
    for (size_t i = 0; i < children.size(); ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (page->getChildComponent ((int) i), children[i].component);
        EXPECT_EQ (children[i].component->getBounds(), children[i].bounds);
        EXPECT_TRUE (children[i].component->isVisible());
    }
    EXPECT_EQ (page->getComputerGroup()->getText(), "computer presets");
    EXPECT_EQ (page->getInstrumentGroup()->getText(), "kelaDorvo presets");
    EXPECT_EQ (page->getComputerGroup()->getName(), "");
    for (auto& b : buttonPictures)
        EXPECT_EQ ((page.get()->*b.button)()->getName(), "") << b.name;
}

// The page rendered as it stands: white, every picture at its button's rectangle (scaled to it
// with its proportions kept), the right arrow over the left one where they overlap.
TEST_F (LibrarianFixture, EveryPictureAtItsRectangle)
{
    build (4);
    page->getPresetList()->selectRow (1);
    const auto shot = page->createComponentSnapshot (page->getLocalBounds(), true);
    testsupport::saveArtefact (shot, "presets-librarian-page");
    EXPECT_EQ (page->getPresetList()->getNumRows(), 4);

    juce::Image expected (juce::Image::ARGB, 736, 416, true);
    juce::Graphics g (expected);
    g.fillAll (juce::Colours::white);
    juce::RectangleList<int> buttons;
    for (auto& b : buttonPictures)
    {
        presettest::drawAsImageButton (g, picture (b.data, b.size), b.bounds, true);
        buttons.add (b.bounds);
    }
    const auto padImage = picture (GUIPresetSlots::pad_91x91_down_off_png, GUIPresetSlots::pad_91x91_down_off_pngSize);
    for (int slot = 1; slot <= 6; ++slot)
    {
        const juce::Rectangle<int> r (424 + 8, 32 + 8 + 56 * (slot - 1), 64, 56);
        presettest::drawAsImageButton (g, padImage, r, true);
        buttons.add (r);
    }
    for (auto& r : buttons)
        EXPECT_LE (presettest::maxDifference (shot, expected, r), 2) << r.toString();

    // The page is white where nothing stands, e.g. between the groups above the buttons.
    EXPECT_EQ (shot.getPixelAt (330, 8), juce::Colours::white);
    EXPECT_EQ (shot.getPixelAt (2, 410), juce::Colours::white);
}

// The arrows show their picture in every state; the file buttons turn red under the mouse and
// look the same as resting while pressed.
TEST_F (LibrarianFixture, HoverTintsOnlyTheFileButtons)
{
    build (0);
    for (auto& b : buttonPictures)
    {
        auto& button = *(page.get()->*b.button)();
        const auto image = picture (b.data, b.size);
        const juce::Rectangle<int> area (0, 0, b.bounds.getWidth(), b.bounds.getHeight());
        auto expectedFor = [&] (juce::Colour overlay) {
            juce::Image e (juce::Image::ARGB, area.getWidth(), area.getHeight(), true);
            juce::Graphics g (e);
            presettest::drawAsImageButton (g, image, area, true, overlay);
            return e;
        };
        const auto resting = expectedFor ({});
        const auto hover = expectedFor (b.tintsOnHover ? juce::Colour (0x54ff0000) : juce::Colour());
        const std::pair<juce::Button::ButtonState, const juce::Image*> states[] = {
            { juce::Button::buttonNormal, &resting }, { juce::Button::buttonOver, &hover }, { juce::Button::buttonDown, &resting }
        };
        for (auto& [state, expected] : states)
        {
            button.setState (state);
            EXPECT_LE (presettest::maxDifference (presettest::snapshotOf (button), *expected, area), 1) << b.name << " state " << (int) state;
        }
        EXPECT_TRUE (static_cast<juce::Component&> (button).hitTest (0, 0)) << b.name;
        button.setState (juce::Button::buttonNormal);
    }
}

// The messages of each button for each kind of selection.
TEST_F (LibrarianFixture, ButtonMessagesForEverySelection)
{
    build (8);
    auto& list = *page->getPresetList();
    ASSERT_EQ (list.getNumRows(), 8);

    struct Case
    {
        const char* what;
        juce::ImageButton* (GUIManagerTab::*button)() const;
        std::vector<int> selection; // in the order the rows are selected
        juce::StringArray expected;
    };
    const juce::String all257 = path (2) + "," + path (5) + "," + path (7);
    const std::vector<Case> cases = {
        { "export, three rows", &GUIManagerTab::getExportButton, { 7, 2, 5 }, { "EXPO " + all257 } },
        { "export, one row", &GUIManagerTab::getExportButton, { 4 }, { "EXPO " + path (4) } },
        { "export, none", &GUIManagerTab::getExportButton, {}, {} },
        { "delete, two rows", &GUIManagerTab::getDeleteButton, { 1, 0 }, { "DELE " + path (0) + "," + path (1) } },
        { "delete, one row", &GUIManagerTab::getDeleteButton, { 6 }, { "DELE " + path (6) } },
        { "delete, none", &GUIManagerTab::getDeleteButton, {}, {} },
        { "copy, two rows", &GUIManagerTab::getCopyButton, { 4, 3 }, { "COPY " + path (3) } },
        { "copy, one row", &GUIManagerTab::getCopyButton, { 0 }, { "COPY " + path (0) } },
        { "copy, none", &GUIManagerTab::getCopyButton, {}, {} },
        { "rename, three rows", &GUIManagerTab::getRenameButton, { 7, 6, 5 }, { "RENA " + path (5) } },
        { "rename, one row", &GUIManagerTab::getRenameButton, { 6 }, { "RENA " + path (6) } },
        { "rename, none", &GUIManagerTab::getRenameButton, {}, {} },
        { "import, none", &GUIManagerTab::getImportButton, {}, { "IMPO " } },
        { "import, two rows", &GUIManagerTab::getImportButton, { 1, 2 }, { "IMPO " } },
        { "refresh, one row", &GUIManagerTab::getRefreshButton, { 1 }, {} },
        { "left arrow, one row", &GUIManagerTab::getLeftArrowButton, { 1 }, {} },
        { "right arrow, two rows", &GUIManagerTab::getRightArrowButton, { 1, 3 }, {} },
    };
    for (const auto& c : cases)
    {
        list.deselectAllRows();
        for (int row : c.selection)
            list.selectRow (row, false, false);
        EXPECT_EQ (click (*(page.get()->*c.button)()), c.expected) << c.what;
    }

    // The arrows stay silent however often they are clicked.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE (click (*page->getLeftArrowButton()).isEmpty());
}

TEST_F (LibrarianFixture, ImportSendsEvenWithAnEmptyList)
{
    build (0);
    EXPECT_EQ (page->getPresetList()->getNumRows(), 0);
    EXPECT_EQ (click (*page->getImportButton()), juce::StringArray ({ "IMPO " }));
    EXPECT_TRUE (click (*page->getExportButton()).isEmpty());
}

// A file name holding "," goes into the message unchanged.
TEST_F (LibrarianFixture, CommaInAFileNameGoesUnchanged)
{
    temp.add ("a,b.preset");
    build (1);
    auto& list = *page->getPresetList();
    list.selectRangeOfRows (0, 1);
    const auto comma = temp.folder().getChildFile ("a,b.preset").getFullPathName();
    EXPECT_EQ (click (*page->getExportButton()), juce::StringArray ({ "EXPO " + comma + "," + path (0) }));
}

// The list follows the folder only through the refresh button, refreshPresetsList and the
// editor window's refreshPresetsList (with the librarian page at tab index 1).
TEST_F (LibrarianFixture, RefreshShowsAddedAndRemovedFiles)
{
    build (1);
    auto& list = *page->getPresetList();
    EXPECT_EQ (list.getNumRows(), 1);

    temp.add ("row1.preset");
    page->setSize (736, 417);
    page->setSize (736, 416);
    EXPECT_EQ (list.getNumRows(), 1) << "a layout starts no rescan";

    EXPECT_TRUE (click (*page->getRefreshButton()).isEmpty());
    EXPECT_EQ (list.getNumRows(), 2);

    ASSERT_TRUE (juce::File (path (0)).deleteFile());
    page->refreshPresetsList();
    EXPECT_EQ (list.getNumRows(), 1);
    list.selectRow (0);
    EXPECT_EQ (list.getSelectedFile (0).getFullPathName(), path (1));
}

TEST (GUIManagerTab, EditorWindowRefreshReachesALibrarianAtTabOne)
{
    TempPresetFolder temp;
    GUIEditorWindow editor;
    editor.SwitchDorvoType (Reserved);
    auto* librarian = new GUIManagerTab();
    editor.getTabs()->addTab ("Configuration", juce::Colours::black, new juce::Component(), true);
    editor.getTabs()->addTab ("Presets", juce::Colours::black, librarian, true);
    EXPECT_EQ (librarian->getPresetList()->getNumRows(), 0);

    temp.add ("new.preset");
    editor.refreshPresetsList();
    EXPECT_EQ (librarian->getPresetList()->getNumRows(), 1);

    // Anywhere else it is not reached.
    editor.getTabs()->moveTab (1, 0);
    temp.add ("newer.preset");
    editor.refreshPresetsList();
    EXPECT_EQ (librarian->getPresetList()->getNumRows(), 1);
}

// In every layout the window builds, the refresh changes nothing.
TEST (GUIManagerTab, EditorWindowRefreshChangesNothingInItsOwnLayouts)
{
    GUIEditorWindow editor;
    for (auto type : { NotConnected, KelaArp, KelaSE, Reserved })
    {
        editor.SwitchDorvoType (type);
        auto& tabs = *editor.getTabs();
        std::vector<juce::Component*> pages;
        for (int i = 0; i < tabs.getNumTabs(); ++i)
            pages.push_back (tabs.getTabContentComponent (i));
        const auto before = editor.createComponentSnapshot (editor.getLocalBounds(), true);

        editor.refreshPresetsList();
        ASSERT_EQ (tabs.getNumTabs(), (int) pages.size());
        for (int i = 0; i < tabs.getNumTabs(); ++i)
            EXPECT_EQ (tabs.getTabContentComponent (i), pages[(size_t) i]);
        EXPECT_EQ (presettest::maxDifference (editor.createComponentSnapshot (editor.getLocalBounds(), true), before,
                                              editor.getLocalBounds()), 0) << (int) type;
    }
}
