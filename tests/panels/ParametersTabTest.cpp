#include "PanelTestSupport.h"
#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/GUIParametersTab_KelaSE.h"

using paneltest::Cap;
using paneltest::capShown;
using paneltest::childOfType;
using paneltest::MessageLog;
using paneltest::onlyButton;

namespace
{
juce::Image snapshot (juce::Component& page)
{
    return page.createComponentSnapshot (page.getLocalBounds(), true, 1.0f);
}

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    const juce::Image::BitmapData da (a, juce::Image::BitmapData::readOnly), db (b, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (da.getPixelColour (x, y) != db.getPixelColour (x, y))
                return false;
    return true;
}

float luma (juce::Colour c) { return 0.3f * c.getRed() + 0.59f * c.getGreen() + 0.11f * c.getBlue(); }

// Where the cap of a 29 x 65 switch control sits, from the page's own pixels: the bright metal
// of the cap against the dark plate, sampled at the cap's left edge for each position.
Cap capOnPage (const juce::Image& shot, juce::Rectangle<int> r)
{
    const int ys[] = { 52, 32, 13 }; // low, center, high
    int bright = -1, count = 0;
    for (int p = 0; p < 3; ++p)
        if (luma (shot.getPixelAt (r.getX() + 6, r.getY() + ys[p])) > 110.0f)
        {
            bright = p;
            ++count;
        }
    return count == 1 ? (Cap) bright : Cap::none;
}

struct Placed
{
    const char* name;
    juce::Rectangle<int> bounds;
    Cap startCap; // Cap::none for the MIDI channel panel
};

const std::vector<Placed> kelaArpLayout {
    { "mMidiChooser", { 80, 220, 288, 120 }, Cap::none }, { "mInputGain", { 280, 106, 29, 65 }, Cap::high },
    { "mKeyboard", { 440, 228, 29, 65 }, Cap::center },   { "mLFO", { 439, 106, 29, 65 }, Cap::low },
    { "mVelocity", { 533, 225, 29, 65 }, Cap::high },     { "mAftertouch", { 644, 225, 29, 65 }, Cap::high },
    { "mArpHold", { 644, 106, 29, 65 }, Cap::low },       { "mLegato", { 532, 110, 29, 65 }, Cap::low },
};

const std::vector<Placed> kelaSELayout {
    { "mKeyboard", { 436, 225, 29, 65 }, Cap::center },  { "mLFO", { 253, 99, 29, 65 }, Cap::low },
    { "mVelocity", { 649, 225, 29, 65 }, Cap::high },    { "mSeqNextSeq", { 547, 98, 29, 65 }, Cap::high },
    { "mSeqPlayMode", { 439, 98, 29, 65 }, Cap::low },   { "mStepSize", { 756, 97, 29, 65 }, Cap::high },
    { "mClkSync", { 652, 98, 29, 65 }, Cap::low },       { "mMidiChooser", { 80, 220, 288, 120 }, Cap::none },
    { "mInputGain", { 160, 99, 29, 65 }, Cap::high },    { "mLegato", { 546, 225, 29, 65 }, Cap::low },
    { "mAftertouch", { 756, 225, 29, 65 }, Cap::high },
};

/** Checks a rendered page: every switch shows its start position inside its own rectangle, both
    channel knobs point at channel 1, and everywhere else the page shows its background as is. */
void expectRenderedLayout (GUIParametersTab& page, const juce::Image& background, const std::vector<Placed>& layout,
                           const juce::String& artefact)
{
    ASSERT_EQ (page.getNumChildComponents(), (int) layout.size());
    for (size_t i = 0; i < layout.size(); ++i)
        EXPECT_EQ (page.getChildComponent ((int) i)->getBounds(), layout[i].bounds) << layout[i].name;

    const auto shot = snapshot (page);
    testsupport::saveArtefact (shot, artefact);

    for (auto& p : layout)
    {
        SCOPED_TRACE (p.name);
        if (p.startCap != Cap::none)
            EXPECT_EQ (capOnPage (shot, p.bounds), p.startCap);
        else
        {
            EXPECT_EQ (paneltest::frameOf (shot, p.bounds.getPosition() + juce::Point<int> (42, 17)), 2) << "transmit knob";
            EXPECT_EQ (paneltest::frameOf (shot, p.bounds.getPosition() + juce::Point<int> (167, 15)), 2) << "receive knob";
        }
    }

    // Outside the controls, the background unscaled at the page origin.
    ASSERT_EQ (background.getWidth(), page.getWidth());
    ASSERT_EQ (background.getHeight(), page.getHeight());
    int mismatches = 0;
    for (int y = 0; y < shot.getHeight(); ++y)
        for (int x = 0; x < shot.getWidth(); ++x)
        {
            bool underControl = false;
            for (auto& p : layout)
                underControl = underControl || p.bounds.contains (x, y);
            if (! underControl && shot.getPixelAt (x, y) != background.getPixelAt (x, y).withAlpha ((juce::uint8) 255))
                ++mismatches;
        }
    EXPECT_EQ (mismatches, 0);
}
} // namespace

TEST (ParametersTab, KelaArpPageRendersEveryControlAtItsPlace)
{
    GUIParametersTab_KelaArp page;
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 795, 420));
    expectRenderedLayout (page,
                          juce::ImageCache::getFromMemory (GUIParametersTab_KelaArp::mainPanel_backGround_png4,
                                                           GUIParametersTab_KelaArp::mainPanel_backGround_png4Size),
                          kelaArpLayout, "configuration-keladorvo");
}

TEST (ParametersTab, KelaSEPageRendersEveryControlAtItsPlace)
{
    GUIParametersTab_KelaSE page;
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 950, 420));
    EXPECT_EQ (childOfType<GUIKeyboard> (page).getExplicitFocusOrder(), 2);
    expectRenderedLayout (page,
                          juce::ImageCache::getFromMemory (GUIParametersTab_KelaSE::mainPanel_backGround_kelaDorvoSe_jpg,
                                                           GUIParametersTab_KelaSE::mainPanel_backGround_kelaDorvoSe_jpgSize),
                          kelaSELayout, "configuration-keladorvo-se");
}

// A page shown after a read-back: every value lands on its own control (rendered for a look).
TEST (ParametersTab, ReadBackValuesLandOnTheirControls)
{
    GUIParametersTab_KelaSE se;
    se.setAudioGateThreshold (2);
    se.setLFORetrig (true);
    se.setKeyboardMode (2);
    se.setLegatoState (1);
    se.setVelocityCurbNum (1);
    se.setAftertouchCurbNum (2);
    se.setStepSize (8);
    se.setSeqSync (2);
    se.setSeqPlayMode (1);
    se.setSeqNextSeq (1);
    se.setChannelIn (16);
    se.setChannelOut (15);
    const auto shot = snapshot (se);
    testsupport::saveArtefact (shot, "configuration-keladorvo-se-read-back");

    const std::vector<std::pair<juce::Rectangle<int>, Cap>> expected {
        { { 160, 99, 29, 65 }, Cap::low },    { { 253, 99, 29, 65 }, Cap::high },   { { 436, 225, 29, 65 }, Cap::high },
        { { 546, 225, 29, 65 }, Cap::high },  { { 649, 225, 29, 65 }, Cap::center }, { { 756, 225, 29, 65 }, Cap::low },
        { { 756, 97, 29, 65 }, Cap::center }, { { 652, 98, 29, 65 }, Cap::high },   { { 439, 98, 29, 65 }, Cap::high },
        { { 547, 98, 29, 65 }, Cap::center },
    };
    for (auto& [r, cap] : expected)
        EXPECT_EQ (capOnPage (shot, r), cap) << r.toString();
    EXPECT_EQ (paneltest::frameOf (shot, { 80 + 167, 220 + 15 }), 1) << "receive All";
    EXPECT_EQ (paneltest::frameOf (shot, { 80 + 42, 220 + 17 }), 17) << "transmit 16";

    GUIParametersTab_KelaArp arp;
    arp.setArpHold (true);
    arp.setAftertouchCurbNum (1);
    const auto arpShot = snapshot (arp);
    EXPECT_EQ (capOnPage (arpShot, { 644, 106, 29, 65 }), Cap::high);
    EXPECT_EQ (capOnPage (arpShot, { 644, 225, 29, 65 }), Cap::center);
}

TEST (ParametersTab, SettersForSettingsAPageLacksChangeNothing)
{
    GUIParametersTab_KelaArp arp;
    GUIParametersTab_KelaSE se;
    const auto arpBefore = snapshot (arp), seBefore = snapshot (se);
    for (int v : { 0, 1, 2, 8, 255, -1 })
    {
        arp.setStepSize (v);
        arp.setSeqSync (v);
        arp.setSeqPlayMode (v);
        arp.setSeqNextSeq (v);
        arp.setBendRange (v);
        arp.setTapAvg (v);
        arp.setGateLen (v);
        se.setArpHold (v != 0);
        se.setBendRange (v);
        se.setTapAvg (v);
        se.setGateLen (v);
    }
    EXPECT_TRUE (samePixels (snapshot (arp), arpBefore));
    EXPECT_TRUE (samePixels (snapshot (se), seBefore));
}

TEST (ParametersTab, LegatoAndPlayModeConversions)
{
    struct Case
    {
        int value;
        Cap legato;   // greater than zero is on
        Cap playMode; // not zero is on
    };
    const Case cases[] = { { 2, Cap::high, Cap::high }, { 1, Cap::high, Cap::high }, { 0, Cap::low, Cap::low },
                           { -1, Cap::low, Cap::high }, { -200, Cap::low, Cap::high }, { 255, Cap::high, Cap::high } };
    GUIParametersTab_KelaArp arp;
    GUIParametersTab_KelaSE se;
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.value);
        arp.setLegatoState (1 - (c.legato == Cap::high)); // start from the other side
        arp.setLegatoState (c.value);
        EXPECT_EQ (capShown (childOfType<GUILegato> (arp)), c.legato);
        se.setLegatoState (c.value);
        EXPECT_EQ (capShown (childOfType<GUILegato> (se)), c.legato);
        se.setSeqPlayMode (c.playMode == Cap::high ? 0 : 1);
        se.setSeqPlayMode (c.value);
        EXPECT_EQ (capShown (childOfType<GUISeqPlayMode> (se)), c.playMode);
    }
}

namespace
{
// Clicks every control of a page through the framework, as a user would.
juce::StringArray clickEverything (juce::Component& page, MessageLog& log, int expectedCount)
{
    for (auto* control : page.getChildren())
    {
        if (auto* chooser = dynamic_cast<GUIMIDIChooser*> (control))
        {
            for (auto* child : chooser->getChildren())
                if (auto* knob = dynamic_cast<juce::ImageButton*> (child))
                    knob->triggerClick();
        }
        else
            onlyButton (*control).triggerClick();
    }
    return log.takeArray (expectedCount);
}

void expectEachOnce (juce::StringArray got, juce::StringArray expected)
{
    got.sort (false);
    expected.sort (false);
    EXPECT_EQ (MessageLog::joined (got), MessageLog::joined (expected));
}

void callEverySetter (GUIParametersTab& page)
{
    page.setChannelIn (3);
    page.setChannelOut (4);
    page.setAudioGateThreshold (1);
    page.setLFORetrig (true);
    page.setArpHold (true);
    page.setKeyboardMode (1);
    page.setLegatoState (1);
    page.setVelocityCurbNum (1);
    page.setAftertouchCurbNum (1);
    page.setBendRange (3);
    page.setStepSize (8);
    page.setTapAvg (1);
    page.setGateLen (2);
    page.setSeqSync (1);
    page.setSeqPlayMode (1);
    page.setSeqNextSeq (1);
}
} // namespace

TEST (ParametersTab, RegisterListenerConnectsEveryControlOnce)
{
    {
        GUIParametersTab_KelaArp page;
        MessageLog log;
        EXPECT_TRUE (clickEverything (page, log, 0).isEmpty()) << "nobody listens before registering";
        page.registerListener (&log);
        page.registerListener (&log); // a second registration adds nothing
        callEverySetter (page);
        EXPECT_EQ (log.take (0), juce::String()) << "neither registering nor setters send anything";
        // From the values the setters left: in 3, out 4, gain 1, keyboard 1, velocity 1,
        // aftertouch 1, arp hold on, legato on.
        expectEachOnce (clickEverything (page, log, 9),
                        { "MIN  4", "MOUT 5", "INGN 2", "MKEY 2", "LFO  0", "VELO 2", "AFTE 2", "ARP  0", "LKEY 0" });
        EXPECT_EQ (log.take (0), juce::String());
    }
    {
        GUIParametersTab_KelaSE page;
        MessageLog log;
        EXPECT_TRUE (clickEverything (page, log, 0).isEmpty());
        page.registerListener (&log);
        callEverySetter (page);
        EXPECT_EQ (log.take (0), juce::String());
        expectEachOnce (clickEverything (page, log, 12),
                        { "MKEY 2", "LFO  0", "VELO 2", "SQNS 2", "SQPM 0", "STEP 16", "SYNC 2", "MIN  4", "MOUT 5",
                          "INGN 2", "LKEY 0", "AFTE 2" });
        EXPECT_EQ (log.take (0), juce::String());
    }
}
