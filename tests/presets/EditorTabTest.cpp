#include "presets/PresetEditor.h"
#include "presets/PresetTestSupport.h"

using presettest::TempPresetFolder;

namespace
{
juce::Image picture (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}

enum class Kind { bar, led, tie, endTie, startTie };

// The pattern's buttons in field order with their bounds.
const std::pair<Kind, juce::Rectangle<int>> patternButtons[GUIPattern::numButtons] = {
    { Kind::bar, { 16, 32, 32, 64 } },   { Kind::led, { 24, 112, 8, 8 } },    { Kind::bar, { 64, 32, 32, 64 } },
    { Kind::tie, { 40, 16, 32, 16 } },   { Kind::tie, { 88, 16, 32, 16 } },   { Kind::led, { 72, 112, 8, 8 } },
    { Kind::bar, { 112, 32, 32, 64 } },  { Kind::led, { 120, 112, 8, 8 } },   { Kind::bar, { 160, 32, 32, 64 } },
    { Kind::tie, { 136, 16, 32, 16 } },  { Kind::tie, { 184, 16, 32, 16 } },  { Kind::led, { 168, 112, 8, 8 } },
    { Kind::bar, { 208, 32, 32, 64 } },  { Kind::led, { 216, 112, 8, 8 } },   { Kind::bar, { 256, 32, 32, 64 } },
    { Kind::tie, { 232, 16, 32, 16 } },  { Kind::tie, { 280, 16, 32, 16 } },  { Kind::led, { 264, 112, 8, 8 } },
    { Kind::bar, { 304, 32, 32, 64 } },  { Kind::led, { 312, 112, 8, 8 } },   { Kind::bar, { 352, 32, 32, 64 } },
    { Kind::tie, { 328, 16, 32, 16 } },  { Kind::endTie, { 376, 16, 16, 16 } }, { Kind::led, { 360, 112, 8, 8 } },
    { Kind::startTie, { 8, 16, 20, 16 } },
};

juce::Image barPicture (juce::Button::ButtonState state)
{
    switch (state)
    {
        case juce::Button::buttonOver: return picture (GUIPattern::barre_verte_png, GUIPattern::barre_verte_pngSize);
        case juce::Button::buttonDown: return picture (GUIPattern::barre_rouge_png, GUIPattern::barre_rouge_pngSize);
        case juce::Button::buttonNormal:
        default: return picture (GUIPattern::barre_orange_png, GUIPattern::barre_orange_pngSize);
    }
}

/** The picture a pattern button shows in a state, and whether it keeps its proportions. */
std::pair<juce::Image, bool> shownPicture (Kind kind, juce::Button::ButtonState state)
{
    switch (kind)
    {
        case Kind::bar: return { barPicture (state), false };
        case Kind::led: return { picture (GUIPattern::ledoff_png, GUIPattern::ledoff_pngSize), true };
        case Kind::tie: return { picture (GUIPattern::liaison_png, GUIPattern::liaison_pngSize), true };
        case Kind::endTie: return { picture (GUIPattern::liaison_gauche_png, GUIPattern::liaison_gauche_pngSize), true };
        case Kind::startTie:
        default: return { picture (GUIPattern::liaison_droite_png, GUIPattern::liaison_droite_pngSize), true };
    }
}

juce::Image expectedButton (Kind kind, juce::Button::ButtonState state, juce::Rectangle<int> bounds)
{
    juce::Image e (juce::Image::ARGB, bounds.getWidth(), bounds.getHeight(), true);
    juce::Graphics g (e);
    const auto [image, keep] = shownPicture (kind, state);
    presettest::drawAsImageButton (g, image, e.getBounds(), keep);
    return e;
}

/** Every component under c, c included. */
void collect (juce::Component& c, std::vector<juce::Component*>& out)
{
    out.push_back (&c);
    for (auto* child : c.getChildren())
        collect (*child, out);
}
} // namespace

TEST (GUIEditorTab, ChildrenInTheirOrderAndPlaces)
{
    TempPresetFolder temp;
    GUIEditorTab page;
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 736, 416));
    ASSERT_EQ (page.getNumChildComponents(), 4);
    EXPECT_EQ (page.getChildComponent (0), page.getConfigComponent());
    EXPECT_EQ (page.getChildComponent (1), page.getPattern());
    EXPECT_EQ (page.getChildComponent (2), page.getComputerGroup());
    EXPECT_EQ (page.getChildComponent (3), page.getPresetList());
    EXPECT_EQ (page.getConfigComponent()->getBounds(), juce::Rectangle<int> (304, 176, 424, 200));
    EXPECT_EQ (page.getPattern()->getBounds(), juce::Rectangle<int> (328, 24, 400, 128));
    EXPECT_EQ (page.getComputerGroup()->getBounds(), juce::Rectangle<int> (16, 16, 304, 384));
    EXPECT_EQ (page.getPresetList()->getBounds(), juce::Rectangle<int> (24, 32, 288, 360));
    EXPECT_EQ (page.getComputerGroup()->getName(), "new group");
    EXPECT_EQ (page.getComputerGroup()->getText(), "computer presets");

    // Nothing on the page can broadcast an action message.
    EXPECT_NE (dynamic_cast<juce::DragAndDropContainer*> (&page), nullptr);
    std::vector<juce::Component*> all;
    collect (page, all);
    for (auto* c : all)
        EXPECT_EQ (dynamic_cast<juce::ActionBroadcaster*> (c), nullptr) << c->getName();
}

// The page lists the preset folder; the pattern buttons at their rectangles with their
// pictures, the LEDs inside the pattern's 128 rows.
TEST (GUIEditorTab, RenderedWithEveryPatternPictureAtItsRectangle)
{
    TempPresetFolder temp;
    for (auto name : { "Bass.preset", "arp.preset", "Lead.preset" })
        temp.add (name);
    GUIEditorTab page;
    EXPECT_EQ (page.getPresetList()->getNumRows(), 3);
    page.getPresetList()->selectRow (0);

    const auto shot = page.createComponentSnapshot (page.getLocalBounds(), true);
    testsupport::saveArtefact (shot, "presets-editor-page");

    juce::Image expected (juce::Image::ARGB, 736, 416, true);
    {
        juce::Graphics g (expected);
        g.fillAll (juce::Colours::white);
        for (auto& [kind, bounds] : patternButtons)
        {
            const auto [image, keep] = shownPicture (kind, juce::Button::buttonNormal);
            presettest::drawAsImageButton (g, image, bounds + juce::Point<int> (328, 24), keep);
        }
    }
    auto& pattern = *page.getPattern();
    for (int i = 0; i < GUIPattern::numButtons; ++i)
    {
        const auto bounds = patternButtons[i].second;
        EXPECT_EQ (pattern.getButton (i)->getBounds(), bounds) << i;
        EXPECT_EQ (pattern.getChildComponent (i), pattern.getButton (i));
        EXPECT_TRUE (pattern.getLocalBounds().contains (bounds)) << i;
        EXPECT_LE (presettest::maxDifference (shot, expected, bounds + juce::Point<int> (328, 24)), 2) << i;
    }
    EXPECT_EQ (shot.getPixelAt (330, 160), juce::Colours::white);
}

// Bars: orange at rest, green under the mouse, red while pressed; LEDs and ties the same in
// every state. No button toggles or carries text.
TEST (GUIPattern, ButtonPicturesPerState)
{
    GUIPattern pattern;
    EXPECT_EQ (pattern.getBounds(), juce::Rectangle<int> (0, 0, 400, 150));
    ASSERT_EQ (pattern.getNumChildComponents(), GUIPattern::numButtons);
    for (int i = 0; i < GUIPattern::numButtons; ++i)
    {
        auto& button = *pattern.getButton (i);
        const auto [kind, bounds] = patternButtons[i];
        EXPECT_EQ (button.getName(), "");
        EXPECT_EQ (button.getButtonText(), "");
        EXPECT_FALSE (button.getClickingTogglesState());
        EXPECT_EQ (button.getRadioGroupId(), 0);
        for (auto state : { juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown })
        {
            button.setState (state);
            EXPECT_LE (presettest::maxDifference (presettest::snapshotOf (button), expectedButton (kind, state, bounds),
                                                  { 0, 0, bounds.getWidth(), bounds.getHeight() }), 1)
                << "button " << i << " state " << (int) state;
        }
        button.setState (juce::Button::buttonNormal);
        EXPECT_TRUE (static_cast<juce::Component&> (button).hitTest (0, 0));
    }
}

TEST (GUIConfigComponent, ControlsStartAsBuilt)
{
    GUIConfigComponent panel;
    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 450, 200));
    ASSERT_EQ (panel.getNumChildComponents(), 10);

    const std::vector<std::pair<juce::Component*, juce::Rectangle<int>>> children = {
        { panel.getNoteOrderBox(), { 168, 80, 104, 24 } },  { panel.getNoteOrderLabel(), { 160, 48, 112, 24 } },
        { panel.getSignatureBox(), { 296, 80, 120, 24 } },  { panel.getSignatureLabel(), { 288, 48, 128, 24 } },
        { panel.getStepsLabel(), { 32, 48, 112, 24 } },     { panel.getTitleLabel(), { 24, 16, 150, 24 } },
        { panel.getStepsSlider(), { 32, 72, 112, 32 } },    { panel.getSaveButton(), { 168, 144, 112, 24 } },
        { panel.getGateTimeLabel(), { 32, 128, 112, 24 } }, { panel.getGateTimeSlider(), { 32, 152, 112, 32 } },
    };
    for (size_t i = 0; i < children.size(); ++i)
    {
        EXPECT_EQ (panel.getChildComponent ((int) i), children[i].first) << i;
        EXPECT_EQ (children[i].first->getBounds(), children[i].second) << i;
    }

    struct BoxCase
    {
        juce::ComboBox* box;
        juce::StringArray items;
        juce::String nothingSelected;
    };
    for (const auto& c : { BoxCase { panel.getNoteOrderBox(), { "Chrono", "Pitch up", "Pitch down" }, "Chrono" },
                           BoxCase { panel.getSignatureBox(), { "Binary", "Ternary" }, "Binary" } })
    {
        EXPECT_EQ (c.box->getName(), "new combo box");
        EXPECT_EQ (c.box->getSelectedId(), 0);
        EXPECT_EQ (c.box->getText(), "");
        EXPECT_EQ (c.box->getTextWhenNothingSelected(), c.nothingSelected);
        EXPECT_EQ (c.box->getTextWhenNoChoicesAvailable(), "(no choices)");
        EXPECT_FALSE (c.box->isTextEditable());
        EXPECT_EQ (c.box->getJustificationType(), juce::Justification::centredLeft);
        ASSERT_EQ (c.box->getNumItems(), c.items.size());
        for (int i = 0; i < c.items.size(); ++i)
        {
            EXPECT_EQ (c.box->getItemText (i), c.items[i]);
            EXPECT_EQ (c.box->getItemId (i), i + 1);
        }
    }

    struct LabelCase
    {
        juce::Label* label;
        juce::String text;
        bool title;
    };
    for (const auto& c : { LabelCase { panel.getNoteOrderLabel(), "Note order :", false },
                           LabelCase { panel.getSignatureLabel(), "Signature :", false },
                           LabelCase { panel.getStepsLabel(), "Nb Steps :\n", false },
                           LabelCase { panel.getGateTimeLabel(), "Gate time:\n", false },
                           LabelCase { panel.getTitleLabel(), "Configuration", true } })
    {
        SCOPED_TRACE (c.text);
        EXPECT_EQ (c.label->getName(), "new label");
        EXPECT_EQ (c.label->getText(), c.text);
        EXPECT_EQ (c.label->getFont().getHeight(), c.title ? 22.0f : 15.0f);
        EXPECT_EQ (c.label->getFont().isBold(), c.title);
        EXPECT_EQ (c.label->getJustificationType(), juce::Justification::centredLeft);
        EXPECT_FALSE (c.label->isEditableOnSingleClick());
        EXPECT_FALSE (c.label->isEditableOnDoubleClick());
        EXPECT_FALSE (c.label->doesLossOfFocusDiscardChanges());
        EXPECT_EQ (c.label->findColour (juce::TextEditor::textColourId), juce::Colours::black);
        EXPECT_EQ (c.label->findColour (juce::TextEditor::backgroundColourId), juce::Colour (0x00000000));
        EXPECT_EQ (c.label->isColourSpecified (juce::Label::textColourId), ! c.title);
    }

    struct SliderCase
    {
        juce::Slider* slider;
        double low, high;
    };
    for (const auto& c : { SliderCase { panel.getStepsSlider(), 1, 64 }, SliderCase { panel.getGateTimeSlider(), 10, 100 } })
    {
        auto& s = *c.slider;
        EXPECT_EQ (s.getName(), "new slider");
        EXPECT_EQ (s.getValue(), c.low);
        EXPECT_EQ (s.getMinimum(), c.low);
        EXPECT_EQ (s.getMaximum(), c.high);
        EXPECT_EQ (s.getInterval(), 1.0);
        EXPECT_EQ (s.getSliderStyle(), juce::Slider::LinearHorizontal);
        EXPECT_EQ (s.getTextBoxPosition(), juce::Slider::TextBoxBelow);
        EXPECT_TRUE (s.isTextBoxEditable());
        EXPECT_EQ (s.getTextBoxWidth(), 80);
        EXPECT_EQ (s.getTextBoxHeight(), 20);
        EXPECT_EQ (s.getTextFromValue (s.getValue()), juce::String ((int) c.low));
        // A typed value is held to the range, in whole numbers.
        s.setValue (c.high + 50, juce::sendNotificationSync);
        EXPECT_EQ (s.getValue(), c.high);
        s.setValue (c.low + 2.4, juce::sendNotificationSync);
        EXPECT_EQ (s.getValue(), c.low + 2);
    }

    EXPECT_EQ (panel.getSaveButton()->getName(), "butSave");
    EXPECT_EQ (panel.getSaveButton()->getButtonText(), "save");
    EXPECT_EQ (panel.getSaveButton()->getTooltip(), "");
}

// Every control of the editor page only changes itself: the preset folder, the list and every
// other control stay as they were.
TEST (GUIEditorTab, ControlsChangeNothingButThemselves)
{
    TempPresetFolder temp;
    const auto preset = temp.add ("Keep.preset");
    const auto before = preset.loadFileAsString();
    GUIEditorTab page;
    auto& config = *page.getConfigComponent();
    auto& pattern = *page.getPattern();

    auto stateOfEverything = [&] {
        juce::StringArray s;
        s.add (juce::String (config.getNoteOrderBox()->getSelectedId()));
        s.add (juce::String (config.getSignatureBox()->getSelectedId()));
        s.add (juce::String (config.getStepsSlider()->getValue()));
        s.add (juce::String (config.getGateTimeSlider()->getValue()));
        s.add (juce::String (page.getPresetList()->getNumRows()));
        s.add (juce::String (page.getPresetList()->getNumSelectedFiles()));
        for (auto& f : temp.folder().findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
            s.add (f.getFileName() + ":" + f.loadFileAsString());
        return s;
    };
    const auto initial = stateOfEverything();

    for (int i = 0; i < GUIPattern::numButtons; ++i)
        pattern.getButton (i)->triggerClick();
    config.getSaveButton()->triggerClick();
    presettest::flushMessages();
    presettest::flushMessages();
    EXPECT_EQ (stateOfEverything(), initial);

    config.getNoteOrderBox()->setSelectedId (3, juce::sendNotificationSync);
    config.getSignatureBox()->setSelectedId (2, juce::sendNotificationSync);
    config.getStepsSlider()->setValue (17, juce::sendNotificationSync);
    config.getGateTimeSlider()->setValue (55, juce::sendNotificationSync);
    presettest::flushMessages();
    auto after = stateOfEverything();
    EXPECT_EQ (after[0], "3");
    EXPECT_EQ (after[1], "2");
    EXPECT_EQ (after[2], "17");
    EXPECT_EQ (after[3], "55");
    after.removeRange (0, 4);
    auto rest = initial;
    rest.removeRange (0, 4);
    EXPECT_EQ (after, rest);
    EXPECT_EQ (preset.loadFileAsString(), before);
    page.registerListener (nullptr);
}

// An absent preset folder gives an empty list; the page still builds and lays out.
TEST (GUIEditorTab, AbsentFolderGivesAnEmptyList)
{
    TempPresetFolder temp;
    PresetFolder::setForTests (temp.folder().getChildFile ("absent"));
    GUIEditorTab page;
    EXPECT_EQ (page.getPresetList()->getNumRows(), 0);
    page.setSize (700, 400);
    EXPECT_EQ (page.getPresetList()->getNumRows(), 0);
}
