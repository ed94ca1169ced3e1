#include "app/ActionRecorder.h"
#include "sequences/GUIPatternTab.h"

TEST (GUIPatternTab, ButtonsSitAtTheirPlaces)
{
    GUIPatternTab page;
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 950, 420));
    EXPECT_EQ (page.getFactoryButton()->getBounds(), juce::Rectangle<int> (304, 232, 70, 55));
    EXPECT_EQ (page.getLoadButton()->getBounds(), juce::Rectangle<int> (533, 232, 70, 55));
    EXPECT_EQ (page.getSaveButton()->getBounds(), juce::Rectangle<int> (694, 232, 70, 55));
    testsupport::saveArtefact (page.createComponentSnapshot (page.getLocalBounds()), "sequences-page");
}

// Each click delivers its code alone, once, even to a listener registered twice; clicks before
// registration reach nobody.
TEST (GUIPatternTab, EachButtonSendsItsCodeOnce)
{
    GUIPatternTab page;
    ActionRecorder recorder;
    page.addActionListener (&recorder);

    struct Case { GUIPushButton* button; const char* code; };
    const Case cases[] = { { page.getFactoryButton(), "FCSQ " }, { page.getLoadButton(), "LDSQ " }, { page.getSaveButton(), "SVSQ " } };

    for (const auto& c : cases)
        clickAndSettle (*c.button->getImageButton());
    EXPECT_TRUE (recorder.messages.isEmpty());

    page.registerListener (&recorder);
    page.registerListener (&recorder);
    for (const auto& c : cases)
    {
        recorder.messages.clear();
        clickAndSettle (*c.button->getImageButton());
        EXPECT_EQ (recorder.messages, juce::StringArray ({ c.code }));
    }
}
