#include "app/ActionRecorder.h"
#include "firmware/GUIFirmwareTab.h"
#include "firmware/GUIWebLinkAddresses.h"

namespace
{
struct PageCase
{
    const char* name;
    std::function<GUIFirmwarePage*()> make;
    int width;
    juce::Rectangle<int> updater, caption, version, webLink;
    const char* address;
};

std::vector<PageCase> pageCases()
{
    return {
        { "TavinDorvo", [] { return new GUIFirmwareTab(); }, 1000,
          { 704, 232, 70, 55 }, { 242, 238, 128, 24 }, { 380, 238, 60, 26 }, { 544, 232, 70, 55 }, weblinks::tavinDorvo },
        { "KelaDorvo", [] { return new GUIFirmwareTab_KelaArp(); }, 795,
          { 584, 232, 70, 55 }, { 120, 240, 128, 24 }, { 256, 240, 60, 26 }, { 424, 232, 70, 55 }, weblinks::kelaDorvo },
        { "KelaDorvo SE", [] { return new GUIFirmwareTab_KelaSE(); }, 950,
          { 702, 232, 70, 55 }, { 239, 246, 128, 24 }, { 380, 245, 60, 26 }, { 541, 232, 70, 55 }, weblinks::kelaDorvoSE },
    };
}

/** Replaces the browser for the duration of a test. */
struct FakeBrowser
{
    explicit FakeBrowser (bool succeeds)
    {
        GUIWebLinkButton::setLauncherForTesting ([this, succeeds] (const juce::URL& url) {
            opened.add (url.toString (false));
            return succeeds;
        });
    }
    ~FakeBrowser() { GUIWebLinkButton::setLauncherForTesting (nullptr); }
    juce::StringArray opened;
};
} // namespace

TEST (FirmwarePages, LayoutAndInitialTexts)
{
    for (const auto& c : pageCases())
    {
        SCOPED_TRACE (c.name);
        std::unique_ptr<GUIFirmwarePage> page (c.make());
        EXPECT_EQ (page->getBounds(), juce::Rectangle<int> (0, 0, c.width, 420));
        EXPECT_EQ (page->getUpdateButton()->getBounds(), c.updater);
        EXPECT_EQ (page->getVersionCaption()->getBounds(), c.caption);
        EXPECT_EQ (page->getVersionLabel()->getBounds(), c.version);
        EXPECT_EQ (page->getWebLink()->getBounds(), c.webLink);
        EXPECT_EQ (page->getWebLink()->getAddress(), juce::String (c.address));
        EXPECT_EQ (page->getVersionCaption()->getText(), "Firmware Version:");
        EXPECT_EQ (page->getVersionLabel()->getText(), "Unknown");
        EXPECT_FALSE (page->getVersionLabel()->isEditableOnSingleClick() || page->getVersionLabel()->isEditableOnDoubleClick());

        auto shot = page->createComponentSnapshot (page->getLocalBounds());
        testsupport::saveArtefact (shot, juce::String ("firmware-page-") + c.name);
    }
}

TEST (FirmwarePages, SetFirmwareVersionShowsFourDecimalNumbers)
{
    struct Case { juce::uint8 a, b, c, d; const char* text; };
    const Case cases[] = { { 1, 0, 3, 0, "1.0.3.0" }, { 255, 0, 0, 12, "255.0.0.12" }, { 0, 0, 0, 0, "0.0.0.0" } };
    for (const auto& pc : pageCases())
    {
        std::unique_ptr<GUIFirmwarePage> page (pc.make());
        struct Probe : juce::Label::Listener
        {
            void labelTextChanged (juce::Label*) override { ++changes; }
            int changes = 0;
        } probe;
        page->getVersionLabel()->addListener (&probe);
        for (const auto& c : cases)
        {
            page->SetFirmwareVersion (c.a, c.b, c.c, c.d);
            EXPECT_EQ (page->getVersionLabel()->getText(), c.text) << pc.name;
        }
        testsupport::pumpMessages (10);
        EXPECT_EQ (probe.changes, 0) << pc.name;
        page->getVersionLabel()->removeListener (&probe);
    }
}

// However long the version, the label shows it whole within its own rectangle: the font and
// the narrowest horizontal scale the label allows fit the text's width, and the text laid
// out as the label draws it keeps every character (no "..." in its place).
TEST (FirmwarePages, LongVersionsShowWholeInTheLabelsRectangle)
{
    struct Case { juce::uint8 a, b, c, d; const char* text; };
    const Case cases[] = { { 100, 100, 100, 100, "100.100.100.100" }, { 255, 255, 255, 255, "255.255.255.255" },
                           { 255, 0, 0, 12, "255.0.0.12" }, { 1, 0, 3, 0, "1.0.3.0" } };
    for (const auto& pc : pageCases())
        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (pc.name) + " " + c.text);
            std::unique_ptr<GUIFirmwarePage> page (pc.make());
            page->SetFirmwareVersion (c.a, c.b, c.c, c.d);
            auto& label = *page->getVersionLabel();
            ASSERT_EQ (label.getText(), c.text);
            EXPECT_EQ (label.getBounds(), pc.version) << "the label keeps its rectangle";

            auto& look = label.getLookAndFeel();
            const auto font = look.getLabelFont (label);
            const auto area = look.getLabelBorderSize (label).subtractedFrom (label.getLocalBounds());
            // A label's scale of 0 means the framework's default when it draws.
            const float scale = label.getMinimumHorizontalScale() > 0.0f ? label.getMinimumHorizontalScale()
                                                                         : juce::Font::getDefaultMinimumHorizontalScaleFactor();
            EXPECT_LT (font.getStringWidthFloat (c.text) * scale, (float) area.getWidth());
            EXPECT_LE (font.getHeight(), (float) area.getHeight());
            EXPECT_GE (font.getHeight(), 8.0f) << "still readable";

            juce::GlyphArrangement laidOut;
            laidOut.addFittedText (font, c.text, (float) area.getX(), (float) area.getY(), (float) area.getWidth(),
                                   (float) area.getHeight(), label.getJustificationType(),
                                   juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight())), scale);
            juce::String shown;
            for (int i = 0; i < laidOut.getNumGlyphs(); ++i)
                shown += juce::String::charToString (laidOut.getGlyph (i).getCharacter());
            EXPECT_EQ (shown, juce::String (c.text));
            EXPECT_TRUE (area.toFloat().expanded (0.5f).contains (laidOut.getBoundingBox (0, -1, true)));
            if (c.a == 100 && pc.width == 795)
                testsupport::saveArtefact (page->createComponentSnapshot ({ 90, 210, 260, 80 }),
                                           "firmware-page-long-version");
        }
}

// "FIRM " reaches the listener once per click, only after registerListener, however often it
// was registered; the page's own broadcaster and the web link stay silent.
TEST (FirmwarePages, UpdateButtonSendsFirmOnlyToRegisteredListeners)
{
    FakeBrowser browser (true);
    for (const auto& pc : pageCases())
    {
        SCOPED_TRACE (pc.name);
        std::unique_ptr<GUIFirmwarePage> page (pc.make());
        ActionRecorder recorder;

        clickAndSettle (*page->getUpdateButton()->getImageButton());
        EXPECT_TRUE (recorder.messages.isEmpty());

        page->registerListener (&recorder);
        page->registerListener (&recorder);
        page->addActionListener (&recorder);
        page->getWebLink()->addActionListener (&recorder);
        clickAndSettle (*page->getUpdateButton()->getImageButton());
        clickAndSettle (*page->getWebLink()->getImageButton());
        EXPECT_EQ (recorder.messages, juce::StringArray ({ "FIRM " }));
    }
}

TEST (FirmwarePages, WebLinkOpensItsModelsPageAndAFailedLaunchChangesNothing)
{
    for (bool browserThere : { true, false })
    {
        FakeBrowser browser (browserThere);
        for (const auto& pc : pageCases())
        {
            std::unique_ptr<GUIFirmwarePage> page (pc.make());
            page->SetFirmwareVersion (1, 0, 3, 0);
            clickAndSettle (*page->getWebLink()->getImageButton());
            EXPECT_EQ (page->getVersionLabel()->getText(), "1.0.3.0");
            EXPECT_EQ (page->getWebLink()->getBounds(), pc.webLink);
        }
        EXPECT_EQ (browser.opened, juce::StringArray ({ weblinks::tavinDorvo, weblinks::kelaDorvo, weblinks::kelaDorvoSE }));
    }
}

TEST (FirmwarePages, WebAddressesAreDistinctHttpsUrls)
{
    const juce::StringArray all { weblinks::tavinDorvo, weblinks::kelaDorvo, weblinks::kelaDorvoSE };
    for (auto& a : all)
    {
        EXPECT_TRUE (a.startsWith ("https://")) << a;
        EXPECT_TRUE (juce::URL (a).isWellFormed()) << a;
    }
    auto unique = all;
    unique.removeDuplicates (false);
    EXPECT_EQ (unique.size(), 3);
}
