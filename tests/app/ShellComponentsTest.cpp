#include "TestSupport.h"
#include "app/GUIUnconnectedTab.h"
#include "app/SwitchButton.h"
#include "app/TabbedComponentWarp.h"

namespace
{
struct TabRecorder : TabbedComponentWarp::TabbedComponentListener
{
    TabRecorder (juce::StringArray& log, juce::String name) : log (log), name (std::move (name)) {}
    void currentTabChanged (juce::TabbedComponent* tabs, int index, const juce::String& title) override
    {
        log.add (name + ":" + juce::String (index) + ":" + title);
        lastTabs = tabs;
    }
    juce::StringArray& log;
    juce::String name;
    juce::TabbedComponent* lastTabs = nullptr;
};

juce::Image solid (juce::Colour c)
{
    juce::Image im (juce::Image::ARGB, 8, 8, true);
    im.clear (im.getBounds(), c);
    return im;
}

juce::Colour paintedCentre (SwitchButton& b, bool over, bool down)
{
    juce::Image out (juce::Image::ARGB, b.getWidth(), b.getHeight(), true);
    juce::Graphics g (out);
    b.paintButton (g, over, down);
    return out.getPixelAt (b.getWidth() / 2, b.getHeight() / 2);
}
} // namespace

TEST (TabbedComponentWarp, ListenersAreUniqueAndCalledLatestFirst)
{
    TabbedComponentWarp tabs (juce::TabbedButtonBar::TabsAtTop);
    tabs.setSize (200, 100);
    tabs.addTab ("A", juce::Colours::black, new juce::Component(), true);
    tabs.addTab ("B", juce::Colours::black, new juce::Component(), true);

    juce::StringArray log;
    TabRecorder first (log, "first"), second (log, "second");
    tabs.addListener (&first);
    tabs.addListener (&first);
    tabs.addListener (nullptr);
    tabs.addListener (&second);

    tabs.setCurrentTabIndex (1);
    EXPECT_EQ (log, juce::StringArray ({ "second:1:B", "first:1:B" }));
    EXPECT_EQ (first.lastTabs, &tabs);

    log.clear();
    tabs.removeListener (&second);
    tabs.removeListener (&second);
    tabs.setCurrentTabIndex (0);
    EXPECT_EQ (log, juce::StringArray ({ "first:0:A" }));
}

TEST (TabbedComponentWarp, TabChangeWithoutListenersOnlySwitchesThePage)
{
    TabbedComponentWarp tabs (juce::TabbedButtonBar::TabsAtTop);
    tabs.setSize (200, 100);
    auto* a = new juce::Component();
    auto* b = new juce::Component();
    tabs.addTab ("A", juce::Colours::black, a, true);
    tabs.addTab ("B", juce::Colours::black, b, true);
    tabs.setCurrentTabIndex (1);
    EXPECT_EQ (tabs.getCurrentContentComponent(), b);
    EXPECT_TRUE (b->isVisible());
}

// The toggle state, not the mouse button, picks the pressed picture and its overlay.
TEST (SwitchButton, ToggleStateDecidesThePressedPicture)
{
    SwitchButton sw ("");
    sw.setSize (8, 8);
    const juce::Colour normal (0xffff0000), down (0xff0000ff);
    sw.setImages (false, true, true, solid (normal), 1.0f, juce::Colour (0x00000000),
                  solid (juce::Colours::lime), 1.0f, juce::Colour (0x00000000),
                  solid (down), 1.0f, juce::Colour (0x00000000), 0.0f);

    struct Case { bool toggle, over, mouseDown; juce::Colour expected; };
    const Case cases[] = {
        { false, false, false, normal },
        { false, false, true, normal }, // a press alone does not light it
        { true, false, false, down },
        { true, true, false, down },
        { true, false, true, down },
    };
    for (const auto& c : cases)
    {
        sw.setToggleState (c.toggle, juce::dontSendNotification);
        EXPECT_EQ (paintedCentre (sw, c.over, c.mouseDown), c.expected)
            << "toggle " << c.toggle << " over " << c.over << " down " << c.mouseDown;
    }
}

TEST (SwitchButton, ClickFlipsBeforeListenersHearAndCodeSetsSilently)
{
    struct Probe : juce::Button::Listener
    {
        void buttonClicked (juce::Button* b) override { states.push_back (b->getToggleState()); }
        std::vector<bool> states;
    } probe;

    SwitchButton sw ("");
    sw.addListener (&probe);

    sw.setToggleState (true, juce::dontSendNotification);
    testsupport::pumpMessages (20);
    EXPECT_TRUE (probe.states.empty());

    sw.triggerClick();
    testsupport::pumpMessages (40);
    sw.triggerClick();
    testsupport::pumpMessages (40);
    EXPECT_EQ (probe.states, (std::vector<bool> { false, true }));
    sw.removeListener (&probe);
}

// Whatever size the tab component gives the page, the picture stays at its own size at the top
// left and the rest of the page is white.
TEST (GUIUnconnectedTab, PictureAtTopLeftUnscaledRestWhite)
{
    auto picture = juce::ImageCache::getFromMemory (GUIUnconnectedTab::mainPanel_backGround_notConnected_jpg,
                                                    GUIUnconnectedTab::mainPanel_backGround_notConnected_jpgSize);
    ASSERT_EQ (picture.getBounds(), juce::Rectangle<int> (0, 0, 795, 420));

    GUIUnconnectedTab page;
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 795, 420));
    page.setSize (900, 460);
    auto shot = page.createComponentSnapshot (page.getLocalBounds());

    for (auto p : { juce::Point<int> (5, 5), juce::Point<int> (400, 200), juce::Point<int> (790, 415) })
        EXPECT_EQ (shot.getPixelAt (p.x, p.y), picture.getPixelAt (p.x, p.y)) << p.toString();
    for (auto p : { juce::Point<int> (850, 100), juce::Point<int> (100, 440) })
        EXPECT_EQ (shot.getPixelAt (p.x, p.y), juce::Colour (0xffffffff)) << p.toString();
}
