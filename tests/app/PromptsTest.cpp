#include "TestSupport.h"
#include "app/Prompts.h"

namespace
{
/** Answers the next modal box with Return (its default button) or by cancelling it. */
void answerNextBoxWith (bool returnKey)
{
    juce::Timer::callAfterDelay (150, [returnKey] {
        auto* manager = juce::ModalComponentManager::getInstance();
        if (auto* box = manager->getModalComponent (0))
        {
            if (returnKey)
                box->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
            else
                manager->cancelAllModalComponents();
        }
    });
}
} // namespace

// The JUCE boxes really block and hand back the user's answer.
TEST (Prompts, JuceBoxesReturnTheAnswer)
{
    DORVO_REQUIRE_DISPLAY();

    answerNextBoxWith (true);
    EXPECT_TRUE (Prompts::okCancel (Prompts::Icon::warning, "No instrument found", "Do you want to retry ?"));
    answerNextBoxWith (false);
    EXPECT_FALSE (Prompts::okCancel (Prompts::Icon::warning, "No instrument found", "Do you want to retry ?"));
    answerNextBoxWith (true);
    EXPECT_TRUE (Prompts::alertOkCancel (Prompts::Icon::question, "Delete presets :", "Sure ?"));
    answerNextBoxWith (false);
    EXPECT_EQ (Prompts::alertYesNoCancel (Prompts::Icon::question, "Overwrite preset :", "Sure ?"), Prompts::cancel);
    answerNextBoxWith (true);
    Prompts::message (Prompts::Icon::info, "Multiple instance", "closed by Return");
}

TEST (Prompts, ScriptedResponderRecordsAndAnswersInOrderThenCancels)
{
    Prompts::ScriptedResponder script;
    Prompts::ScopedResponder scope (script);
    script.choices = { 1, 0 };
    script.names = { "renamed.preset" };

    EXPECT_TRUE (Prompts::okCancel (Prompts::Icon::warning, "A", "first"));
    EXPECT_FALSE (Prompts::okCancel (Prompts::Icon::warning, "B", "second"));
    EXPECT_FALSE (Prompts::okCancel (Prompts::Icon::warning, "C", "unscripted is cancelled"));
    EXPECT_EQ (Prompts::alertYesNoCancel (Prompts::Icon::question, "D", ""), Prompts::cancel);
    EXPECT_EQ (Prompts::chooseFile ({ Prompts::Kind::openFile, "E", {}, "*.kfw" }), juce::File());
    juce::String name ("old.preset");
    Prompts::editName ("F", name);
    EXPECT_EQ (name, "renamed.preset");

    const auto prompts = script.prompts();
    ASSERT_EQ (prompts.size(), 6u);
    EXPECT_EQ (script.titles().joinIntoString (""), "ABCDEF");
    EXPECT_EQ (prompts[1].text, "second");
    EXPECT_EQ (prompts[4].kind, Prompts::Kind::openFile);
    EXPECT_EQ (prompts[4].text, "*.kfw");
    EXPECT_EQ (prompts[5].text, "old.preset");
}

TEST (Prompts, ScopedRespondersNestAndRestore)
{
    Prompts::ScriptedResponder outer, inner;
    Prompts::ScopedResponder a (outer);
    {
        Prompts::ScopedResponder b (inner);
        Prompts::message (Prompts::Icon::info, "inner", "");
    }
    Prompts::message (Prompts::Icon::info, "outer", "");
    EXPECT_EQ (inner.titles(), juce::StringArray ("inner"));
    EXPECT_EQ (outer.titles(), juce::StringArray ("outer"));
}
