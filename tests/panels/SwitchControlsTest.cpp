#include "PanelTestSupport.h"
#include "panels/GUISwitchControls.h"
#include <memory>

using paneltest::Cap;
using paneltest::capShown;
using paneltest::MessageLog;
using paneltest::onlyButton;

namespace
{
struct Step
{
    int value;
    Cap cap;
};

struct SwitchCase
{
    const char* name;
    std::function<std::unique_ptr<GUISwitchControl>()> make;
    std::function<void (GUISwitchControl&, int)> set; // the member's own setter
    const char* code;
    int width, height;
    const char* buttonName;
    Cap initialCap;
    std::vector<Step> clicks;  // from construction, past the wrap-around
    std::vector<Step> mapping; // every value the setter shows
};

template <class T, class Setter>
SwitchCase member (const char* name, Setter setter, const char* code, int w, int h, const char* buttonName,
                   Cap initial, std::vector<Step> clicks, std::vector<Step> mapping)
{
    return { name,
             [] { return std::unique_ptr<GUISwitchControl> (new T()); },
             [setter] (GUISwitchControl& c, int v) { setter (static_cast<T&> (c), v); },
             code, w, h, buttonName, initial, std::move (clicks), std::move (mapping) };
}

std::vector<SwitchCase> switchCases()
{
    const std::vector<Step> cycleHCL { { 1, Cap::center }, { 2, Cap::low }, { 0, Cap::high }, { 1, Cap::center } };
    const std::vector<Step> mapHCL { { 0, Cap::high }, { 1, Cap::center }, { 2, Cap::low } };
    const std::vector<Step> toggle { { 1, Cap::high }, { 0, Cap::low }, { 1, Cap::high } };
    const std::vector<Step> mapToggle { { 0, Cap::low }, { 1, Cap::high } };
    return {
        member<GUIAftertouchSelector> ("GUIAftertouchSelector", [] (auto& c, int v) { c.setCurb (v); }, "AFTE ", 34, 76,
                                       "new button", Cap::high, cycleHCL, mapHCL),
        member<GUIInputGain> ("GUIInputGain", [] (auto& c, int v) { c.setAudioGateThreshold (v); }, "INGN ", 29, 65,
                              "new button", Cap::high, cycleHCL, mapHCL),
        member<GUIKeyboard> ("GUIKeyboard", [] (auto& c, int v) { c.setMode (v); }, "MKEY ", 29, 65, "Mode",
                             Cap::center, { { 1, Cap::low }, { 2, Cap::high }, { 0, Cap::center } },
                             { { 0, Cap::center }, { 1, Cap::low }, { 2, Cap::high } }),
        member<GUILFO> ("GUILFO", [] (auto& c, int v) { c.setRetrig (v != 0); }, "LFO  ", 29, 65, "new button",
                        Cap::low, toggle, mapToggle),
        member<GUIVelocitySelector> ("GUIVelocitySelector", [] (auto& c, int v) { c.setCurb (v); }, "VELO ", 34, 76,
                                     "new button", Cap::high, cycleHCL, mapHCL),
        member<GUIArpHold> ("GUIArpHold", [] (auto& c, int v) { c.setArpHold (v != 0); }, "ARP  ", 34, 76,
                            "new button", Cap::low, toggle, mapToggle),
        member<GUITapAvg> ("GUITapAvg", [] (auto& c, int v) { c.setTapAvg (v); }, "TAP  ", 34, 76, "new button",
                           Cap::high, { { 1, Cap::low }, { 0, Cap::high }, { 1, Cap::low } },
                           { { 0, Cap::high }, { 1, Cap::low } }),
        member<GUIGateLen> ("GUIGateLen", [] (auto& c, int v) { c.setGateLen (v); }, "GLEN ", 34, 76, "new button",
                            Cap::high, { { 2, Cap::center }, { 3, Cap::low }, { 1, Cap::high }, { 2, Cap::center } },
                            { { 1, Cap::high }, { 2, Cap::center }, { 3, Cap::low } }),
        member<GUIClkSyncSliding3p> ("GUIClkSyncSliding3p", [] (auto& c, int v) { c.setState (v); }, "SYNC ", 29, 65,
                                     "new button", Cap::low,
                                     { { 1, Cap::center }, { 2, Cap::high }, { 0, Cap::low } },
                                     { { 0, Cap::low }, { 1, Cap::center }, { 2, Cap::high } }),
        member<GUISeqNextSeq> ("GUISeqNextSeq", [] (auto& c, int v) { c.setState (v); }, "SQNS ", 29, 65,
                               "new button", Cap::high, cycleHCL, mapHCL),
        member<GUISeqPlayMode> ("GUISeqPlayMode", [] (auto& c, int v) { c.setState (v != 0); }, "SQPM ", 29, 65,
                                "new button", Cap::low, toggle, mapToggle),
        member<GUISeqRetrig> ("GUISeqRetrig", [] (auto& c, int v) { c.setSeqRetrig (v); }, "RTRG ", 29, 65,
                              "new button", Cap::high, cycleHCL, mapHCL),
        member<GUIStepSizeSliding3p> ("GUIStepSizeSliding3p", [] (auto& c, int v) { c.setState (v); }, "STEP ", 29, 65,
                                      "new button", Cap::high,
                                      { { 4, Cap::low }, { 8, Cap::center }, { 16, Cap::high }, { 4, Cap::low } },
                                      { { 4, Cap::low }, { 8, Cap::center }, { 16, Cap::high } }),
        member<GUILegato> ("GUILegato", [] (auto& c, int v) { c.setLegato (v != 0); }, "LKEY ", 29, 65, "Mode",
                           Cap::low, toggle, mapToggle),
    };
}

void click (GUISwitchControl& c) { c.buttonClicked (&onlyButton (c)); }
} // namespace

TEST (SwitchControls, StartAndClickThroughTheirValues)
{
    for (auto& m : switchCases())
    {
        SCOPED_TRACE (m.name);
        auto control = m.make();
        MessageLog log;
        control->addActionListener (&log);

        EXPECT_EQ (control->getWidth(), m.width);
        EXPECT_EQ (control->getHeight(), m.height);
        EXPECT_EQ (onlyButton (*control).getBounds(), control->getLocalBounds());
        EXPECT_EQ (onlyButton (*control).getName(), m.buttonName);
        EXPECT_EQ (onlyButton (*control).getButtonText(), "new button");
        EXPECT_EQ (capShown (*control), m.initialCap) << "initial picture";

        juce::StringArray expected;
        for (auto& step : m.clicks)
        {
            click (*control);
            EXPECT_EQ (capShown (*control), step.cap) << "after the click to " << step.value;
            expected.add (m.code + juce::String (step.value));
        }
        EXPECT_EQ (log.take (expected.size()), MessageLog::joined (expected));
    }
}

TEST (SwitchControls, SettersShowEveryMappedValueAndNeverBroadcast)
{
    for (auto& m : switchCases())
    {
        SCOPED_TRACE (m.name);
        auto control = m.make();
        MessageLog log;
        control->addActionListener (&log);

        // Each listed value, in reverse so each one is a change, then the first again.
        for (auto it = m.mapping.rbegin(); it != m.mapping.rend(); ++it)
        {
            m.set (*control, it->value);
            EXPECT_EQ (capShown (*control), it->cap) << "value " << it->value;
        }
        m.set (*control, m.mapping.front().value);
        EXPECT_EQ (capShown (*control), m.mapping.front().cap);
        EXPECT_EQ (log.take (0), juce::String());
    }
}

// A value that the member's mapping does not list is stored, keeps the picture, and the next
// click goes on from it.
TEST (SwitchControls, UnlistedValuesKeepThePictureAndTheNextClickStartsFromThem)
{
    struct Case
    {
        const char* member;
        int stored;
        Cap before;               // the picture shown before the setter (set to this first)
        int beforeValue;
        std::vector<Step> clicks; // what the following clicks give
    };
    const std::vector<Case> cases {
        { "GUIStepSizeSliding3p", 32, Cap::center, 8, { { 4, Cap::low } } },
        { "GUIStepSizeSliding3p", 5, Cap::center, 8, { { 10, Cap::center }, { 4, Cap::low } } },
        // A read-back of 0 no longer locks the switch at 0: the doubled 0 restarts at 4.
        { "GUIStepSizeSliding3p", 0, Cap::high, 16, { { 4, Cap::low }, { 8, Cap::center } } },
        { "GUIStepSizeSliding3p", 128, Cap::high, 16, { { 4, Cap::low } } },
        { "GUIKeyboard", 7, Cap::low, 1, { { 2, Cap::high } } },
        { "GUIKeyboard", 258, Cap::low, 1, { { 0, Cap::center } } }, // stored as 2; 258 itself is not listed
        { "GUIInputGain", -1, Cap::center, 1, { { 0, Cap::high } } }, // stored as 255
        { "GUIGateLen", 0, Cap::center, 2, { { 1, Cap::high } } },
        { "GUIGateLen", 200, Cap::low, 3, { { 1, Cap::high } } },
        { "GUITapAvg", 5, Cap::low, 1, { { 0, Cap::high } } },
        { "GUISeqRetrig", 3, Cap::low, 2, { { 1, Cap::center } } },
    };

    auto all = switchCases();
    for (auto& c : cases)
    {
        const auto& m = *std::find_if (all.begin(), all.end(), [&] (auto& s) { return juce::String (s.name) == c.member; });
        SCOPED_TRACE (juce::String (c.member) + " holding " + juce::String (c.stored));
        auto control = m.make();
        MessageLog log;
        control->addActionListener (&log);

        m.set (*control, c.beforeValue);
        ASSERT_EQ (capShown (*control), c.before);
        m.set (*control, c.stored);
        EXPECT_EQ (capShown (*control), c.before) << "an unlisted value keeps the picture";

        juce::StringArray expected;
        for (auto& step : c.clicks)
        {
            click (*control);
            EXPECT_EQ (capShown (*control), step.cap) << "click to " << step.value;
            expected.add (m.code + juce::String (step.value));
        }
        EXPECT_EQ (log.take (expected.size()), MessageLog::joined (expected));
    }
}

TEST (SwitchControls, ReadBackValueDecidesTheNextClick)
{
    GUIVelocitySelector velocity;
    MessageLog log;
    velocity.addActionListener (&log);
    click (velocity); // 1
    velocity.setCurb (2);
    click (velocity);
    EXPECT_EQ (log.take (2), "VELO 1|VELO 0");
    EXPECT_EQ (capShown (velocity), Cap::high);

    GUILFO lfo;
    lfo.addActionListener (&log);
    lfo.setRetrig (true);
    EXPECT_EQ (capShown (lfo), Cap::high);
    click (lfo);
    EXPECT_EQ (capShown (lfo), Cap::low);
    EXPECT_EQ (log.take (1), "LFO  0");
}

TEST (SwitchControls, IgnoreClicksOfOtherButtons)
{
    GUIAftertouchSelector control;
    MessageLog log;
    control.addActionListener (&log);
    juce::ImageButton stranger ("stranger");
    control.buttonClicked (&stranger);
    control.buttonClicked (nullptr);
    EXPECT_EQ (log.take (0), juce::String());
    EXPECT_EQ (capShown (control), Cap::high);
    click (control);
    EXPECT_EQ (log.take (1), "AFTE 1"); // the value did not move either
}

// A real click through the framework reaches the listener exactly once.
TEST (SwitchControls, RealClickDeliversOneMessage)
{
    GUIStepSizeSliding3p control;
    MessageLog log;
    control.addActionListener (&log);
    onlyButton (control).triggerClick();
    EXPECT_EQ (log.take (1), "STEP 4");
    EXPECT_EQ (log.take (0), juce::String());
    EXPECT_EQ (capShown (control), Cap::low);
}
