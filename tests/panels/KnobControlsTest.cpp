#include "PanelTestSupport.h"
#include "panels/GUIKnobControls.h"
#include "panels/GUIMIDIChooser.h"

using paneltest::frameOf;
using paneltest::MessageLog;
using paneltest::onlyButton;

namespace
{
int frameShown (juce::ImageButton& b) { return frameOf (b.getNormalImage()); }
int frameShown (juce::Component& control) { return frameShown (onlyButton (control)); }

struct Step
{
    int value;
    int frame;
};

void click (GUIKnobControl& c) { c.buttonClicked (&onlyButton (c)); }

/** Clicks n times; checks each frame and the messages sent. */
void expectClicks (GUIKnobControl& control, MessageLog& log, const juce::String& code, const std::vector<Step>& steps)
{
    juce::StringArray expected;
    for (auto& s : steps)
    {
        click (control);
        EXPECT_EQ (frameShown (control), s.frame) << "click to " << s.value;
        expected.add (code + juce::String (s.value));
    }
    EXPECT_EQ (log.take (expected.size()), MessageLog::joined (expected));
}
} // namespace

TEST (KnobControls, LayoutAndStartFrames)
{
    GUIStepSize step;
    GUIBendRange bend;
    GUIClkSync sync;
    for (auto [control, frame] : { std::pair<GUIKnobControl*, int> { &step, 6 }, { &bend, 2 }, { &sync, 2 } })
    {
        EXPECT_EQ (control->getBounds(), juce::Rectangle<int> (0, 0, 120, 120));
        EXPECT_EQ (onlyButton (*control).getBounds(), juce::Rectangle<int> (24, 24, 66, 65));
        EXPECT_EQ (onlyButton (*control).getName(), "mBendRange");
        EXPECT_EQ (frameShown (*control), frame);
    }
}

TEST (KnobControls, ClickRulesFromTheStart)
{
    MessageLog log;
    {
        GUIStepSize c;
        c.addActionListener (&log);
        expectClicks (c, log, "STEP ", { { 32, 8 }, { 4, 2 }, { 8, 4 }, { 16, 6 } });
    }
    {
        GUIBendRange c;
        c.addActionListener (&log);
        std::vector<Step> steps;
        for (int v = 2; v <= 12; ++v)
            steps.push_back ({ v, v + 1 });
        steps.push_back ({ 1, 2 });
        expectClicks (c, log, "BEND ", steps);
    }
    {
        GUIClkSync c;
        c.addActionListener (&log);
        expectClicks (c, log, "SYNC ", { { 1, 4 }, { 2, 6 }, { 0, 2 } });
    }
}

TEST (KnobControls, SettersStoreUnlistedValuesAndNeverBroadcast)
{
    MessageLog log;
    {
        GUIClkSync c;
        c.addActionListener (&log);
        c.setClkSync (3);
        EXPECT_EQ (frameShown (c), 5);
        EXPECT_EQ (log.take (0), juce::String());
        expectClicks (c, log, "SYNC ", { { 1, 4 } });
    }
    {
        GUIStepSize c;
        c.addActionListener (&log);
        c.setStepSize (8);
        EXPECT_EQ (frameShown (c), 4);
        c.setStepSize (5);
        EXPECT_EQ (frameShown (c), 4);
        EXPECT_EQ (log.take (0), juce::String());
        expectClicks (c, log, "STEP ", { { 10, 4 }, { 20, 4 }, { 4, 2 } });
    }
    {
        // A read-back of 0 no longer locks the knob at 0: the doubled 0 restarts at 4.
        GUIStepSize c;
        c.addActionListener (&log);
        c.setStepSize (0);
        EXPECT_EQ (frameShown (c), 6);
        expectClicks (c, log, "STEP ", { { 4, 2 }, { 8, 4 } });
        c.setStepSize (128);
        expectClicks (c, log, "STEP ", { { 4, 2 } });
    }
    for (unsigned char stored : { (unsigned char) 0, (unsigned char) 13, (unsigned char) 200 })
    {
        GUIBendRange c;
        c.addActionListener (&log);
        c.setBendRange (5);
        c.setBendRange (stored);
        EXPECT_EQ (frameShown (c), 6) << "stored " << (int) stored;
        expectClicks (c, log, "BEND ", { { 1, 2 } });
    }
}

TEST (KnobControls, IgnoreClicksOfOtherButtons)
{
    GUIBendRange c;
    MessageLog log;
    c.addActionListener (&log);
    juce::ImageButton stranger;
    c.buttonClicked (&stranger);
    EXPECT_EQ (log.take (0), juce::String());
    expectClicks (c, log, "BEND ", { { 2, 3 } });
}

// --------------------------------------------------------------------------------------------

namespace
{
struct Chooser
{
    GUIMIDIChooser chooser;
    MessageLog log;
    Chooser() { chooser.addActionListener (&log); }

    juce::ImageButton& knob (const char* name)
    {
        for (auto* c : chooser.getChildren())
            if (c->getName() == name)
                return *dynamic_cast<juce::ImageButton*> (c);
        throw std::runtime_error ("no knob");
    }
    juce::ImageButton& in() { return knob ("mMidiInKnob"); }
    juce::ImageButton& out() { return knob ("mMidiOutKnob"); }
    juce::ComboBox& box() { return paneltest::childOfType<juce::ComboBox> (chooser); }
};
} // namespace

TEST (MIDIChooser, LayoutAndStart)
{
    Chooser c;
    EXPECT_EQ (c.chooser.getBounds(), juce::Rectangle<int> (0, 0, 288, 120));
    EXPECT_EQ (c.in().getBounds(), juce::Rectangle<int> (167, 15, 66, 65));
    EXPECT_EQ (c.out().getBounds(), juce::Rectangle<int> (42, 17, 66, 65));
    EXPECT_EQ (c.box().getBounds(), juce::Rectangle<int> (72, 120, 208, 24));
    EXPECT_EQ (c.box().getNumItems(), 16);
    EXPECT_EQ (c.box().getSelectedId(), 0);
    EXPECT_EQ (c.box().getTextWhenNothingSelected(), "Channel 1");
    EXPECT_FALSE (c.box().isTextEditable());
    EXPECT_EQ (c.box().getItemText (15), "Channel 16");
    EXPECT_EQ (frameShown (c.in()), 2);
    EXPECT_EQ (frameShown (c.out()), 2);
}

TEST (MIDIChooser, KnobClicksWrapAround)
{
    Chooser c;
    juce::StringArray expected;
    for (int i = 1; i <= 17; ++i)
    {
        c.chooser.buttonClicked (&c.in());
        const int value = i % 17;
        EXPECT_EQ (frameShown (c.in()), value == 16 ? 1 : value + 2) << "input click " << i;
        expected.add ("MIN  " + juce::String (value));
    }
    EXPECT_EQ (c.log.take (17), MessageLog::joined (expected));

    expected.clear();
    for (int i = 1; i <= 16; ++i)
    {
        c.chooser.buttonClicked (&c.out());
        const int value = i % 16;
        EXPECT_EQ (frameShown (c.out()), value + 2) << "output click " << i;
        expected.add ("MOUT " + juce::String (value));
    }
    EXPECT_EQ (c.log.take (16), MessageLog::joined (expected));
    EXPECT_EQ (frameShown (c.in()), 2) << "the input knob stayed";
}

TEST (MIDIChooser, SettersAndOutOfRangeValues)
{
    struct Case
    {
        bool input;
        int stored;
        int frameAfterSet; // the frame before was 5 (value 3)
        const char* nextMessage;
        int frameAfterClick;
    };
    const Case cases[] = {
        { true, 16, 1, "MIN  0", 2 },   { true, 0, 2, "MIN  1", 3 },    { true, 17, 5, "MIN  1", 3 },
        { true, -1, 5, "MIN  0", 2 },   { true, 255, 5, "MIN  1", 3 },  // 256 mod 17 = 1
        { false, 15, 17, "MOUT 0", 2 }, { false, 16, 5, "MOUT 1", 3 }, { false, 255, 5, "MOUT 0", 2 },
        { false, -1, 5, "MOUT 0", 2 },
    };
    for (auto& k : cases)
    {
        SCOPED_TRACE ((k.input ? "input " : "output ") + juce::String (k.stored));
        Chooser c;
        auto& knob = k.input ? c.in() : c.out();
        auto set = [&] (int v) { k.input ? c.chooser.setChannelIn (v) : c.chooser.setChannelOut (v); };
        set (3);
        set (k.stored);
        EXPECT_EQ (frameShown (knob), k.frameAfterSet);
        EXPECT_EQ (c.log.take (0), juce::String()) << "setters send nothing";
        c.chooser.buttonClicked (&knob);
        EXPECT_EQ (frameShown (knob), k.frameAfterClick);
        EXPECT_EQ (c.log.take (1), juce::String (k.nextMessage));
    }
}

TEST (MIDIChooser, ComboBoxSendsItsIndexAndLeavesTheKnob)
{
    Chooser c;
    c.chooser.setChannelOut (4);
    c.box().setSelectedItemIndex (9); // sends asynchronously, as a user's choice would
    EXPECT_EQ (c.log.take (1), juce::String ("MOUT 9"));
    EXPECT_EQ (frameShown (c.out()), 6);
    c.chooser.buttonClicked (&c.out());
    EXPECT_EQ (c.log.take (1), juce::String ("MOUT 5"));

    juce::ComboBox stranger;
    c.chooser.comboBoxChanged (&stranger);
    juce::ImageButton strangerButton;
    c.chooser.buttonClicked (&strangerButton);
    EXPECT_EQ (c.log.take (0), juce::String());
}
