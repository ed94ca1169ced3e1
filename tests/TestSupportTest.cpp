#include "TestSupport.h"

// A failing comparison of text lists shows the texts, in every test file.
TEST (TestSupport, TextListsPrintAsTheirTexts)
{
    EXPECT_EQ (::testing::PrintToString (juce::StringArray ("a", "b\nc", "")), "{ \"a\", \"b\\nc\", \"\" }");
}
