#include "PanelTestSupport.h"
#include "panels/GUIMIDIChooser.h"
#include "panels/GUIParametersTab_KelaSE.h"

// The keyboard on a Configuration page on screen: after a click on the transmit knob, Tab,
// Shift+Tab, the arrow keys and Return reach whatever holds the focus, the way the window's
// key events do. The transmit knob must show the channel last sent, whatever the keys did.

namespace
{
/** The SE Configuration page in a window of its own, driven through the window's peer with
    the mouse and key events that the windowing system hands it. */
struct PageOnScreen
{
    juce::Component window;
    GUIParametersTab_KelaSE page;
    paneltest::MessageLog log;

    PageOnScreen()
    {
        window.setSize (page.getWidth(), page.getHeight());
        window.addAndMakeVisible (page);
        window.addToDesktop (juce::ComponentPeer::windowAppearsOnTaskbar);
        window.setVisible (true);
        page.registerListener (&log);
    }

    ~PageOnScreen() { window.removeFromDesktop(); }

    juce::ComponentPeer& peer() { return *window.getPeer(); }
    GUIMIDIChooser& chooser() { return paneltest::childOfType<GUIMIDIChooser> (page); }
    juce::ComboBox& box() { return paneltest::childOfType<juce::ComboBox> (chooser()); }
    juce::ImageButton& transmitKnob()
    {
        for (auto* c : chooser().getChildren())
            if (c->getName() == "mMidiOutKnob")
                return *dynamic_cast<juce::ImageButton*> (c);
        throw std::runtime_error ("no transmit knob");
    }

    /** Where the page's own handling of the last event put the keyboard focus. */
    juce::Component* focus = nullptr;

    /** Other windows of a parallel run take the display's focus now and then, and the window
        then lets go of its keyboard focus when it hears of it. This takes both back, to where
        the page's own handling left them (as the window does when it gets the focus back), and
        does so without handling any event in between, so the next event finds them in place. */
    bool takeFocus()
    {
        for (int attempt = 0; attempt < 600; ++attempt)
        {
            peer().grabFocus();
            if (peer().isFocused())
            {
                if (focus != nullptr && juce::Component::getCurrentlyFocusedComponent() != focus)
                    focus->grabKeyboardFocus();
                if (focus == nullptr || juce::Component::getCurrentlyFocusedComponent() == focus)
                    return true;
            }
            juce::Thread::sleep (5);
        }
        return false;
    }

    /** Press and release of the left button over the centre of c. */
    void click (juce::Component& c)
    {
        ASSERT_TRUE (takeFocus());
        const auto at = window.getLocalPoint (&c, c.getLocalBounds().getCentre()).toFloat();
        const auto t = juce::Time::currentTimeMillis();
        peer().handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at,
                                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, t);
        peer().handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at, juce::ModifierKeys(),
                                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, t + 20);
        focus = juce::Component::getCurrentlyFocusedComponent();
        settle();
    }

    /** A key press to whatever holds the focus, as the window hands it on. */
    void press (const juce::KeyPress& key)
    {
        ASSERT_TRUE (takeFocus());
        peer().handleKeyPress (key);
        focus = juce::Component::getCurrentlyFocusedComponent();
        settle();
    }

    /** Lets everything the last event posted arrive: a change of the combo box posts its
        notification, which posts the action message, so a few rounds of the queue. */
    static void settle()
    {
        for (int round = 0; round < 4; ++round)
        {
            auto done = std::make_shared<bool> (false);
            juce::MessageManager::callAsync ([done] { *done = true; });
            testsupport::pumpUntil ([done] { return *done; }, 3000);
        }
    }
};
} // namespace

TEST (MIDIChooser, KeysAfterAKnobClickNeverSendAChannelTheKnobDoesNotShow)
{
    DORVO_REQUIRE_DISPLAY();
    PageOnScreen screen;
    ASSERT_TRUE (testsupport::pumpUntil ([&] { return screen.window.isShowing() && screen.takeFocus(); }, 3000));

    auto& knob = screen.transmitKnob();
    screen.click (knob);
    EXPECT_EQ (screen.focus, &knob) << "a click gives the knob the keyboard focus";
    EXPECT_EQ (screen.log.take (1), "MOUT 1");
    EXPECT_EQ (paneltest::frameOf (knob.getNormalImage()), 3);

    using K = juce::KeyPress;
    const juce::ModifierKeys shift (juce::ModifierKeys::shiftModifier);
    const K keys[] = { K (K::tabKey), K (K::downKey), K (K::downKey), K (K::upKey), K (K::rightKey),
                       K (K::tabKey), K (K::downKey), K (K::tabKey, shift, 0), K (K::tabKey, shift, 0),
                       K (K::downKey), K (K::leftKey), K (K::pageDownKey), K (K::endKey), K (K::homeKey) };
    bool focusMoved = false;
    for (const auto& key : keys)
    {
        SCOPED_TRACE (key.getTextDescription());
        screen.press (key);
        auto* now = screen.focus;
        EXPECT_FALSE (now == &screen.box() || (now != nullptr && screen.box().isParentOf (now)))
            << "the hidden box never holds the keyboard";
        focusMoved = focusMoved || (now != nullptr && now != &knob);
    }
    EXPECT_TRUE (focusMoved) << "Tab moves the focus on the page";
    EXPECT_EQ (screen.log.take (0), "") << "no channel sent behind the knob's back";
    EXPECT_EQ (paneltest::frameOf (knob.getNormalImage()), 3);

    // Back on the knob, Return works it like a click: one set, and the picture follows.
    screen.click (knob);
    EXPECT_EQ (screen.log.take (1), "MOUT 2");
    ASSERT_EQ (screen.focus, &knob);
    screen.press (K (K::returnKey));
    EXPECT_EQ (screen.log.take (1), "MOUT 3");
    EXPECT_EQ (paneltest::frameOf (knob.getNormalImage()), 5);
}
