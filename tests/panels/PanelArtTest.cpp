#include "PanelTestSupport.h"
#include "panels/GUIKnobControls.h"
#include "panels/GUIMIDIChooser.h"
#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/GUIParametersTab_KelaSE.h"
#include <cstring>

using paneltest::Cap;

namespace
{
bool isPng (const char* data, int size) { return size > 8 && std::memcmp (data, "\x89PNG\r\n\x1a\n", 8) == 0; }
bool isJpeg (const char* data, int size)
{
    return size > 3 && (unsigned char) data[0] == 0xff && (unsigned char) data[1] == 0xd8 && (unsigned char) data[2] == 0xff;
}

juce::Image decode (const char* data, int size)
{
    // Straight from the bytes, not through the cache, so each check sees the art itself.
    return juce::ImageFileFormat::loadFrom (data, (size_t) size);
}

int opaqueRowsOutside (const juce::Image& img, int fromY, int toY)
{
    int rows = 0;
    for (int y = 0; y < img.getHeight(); ++y)
    {
        if (y >= fromY && y < toY)
            continue;
        for (int x = 0; x < img.getWidth(); ++x)
            if (img.getPixelAt (x, y).getAlpha() != 0)
            {
                ++rows;
                break;
            }
    }
    return rows;
}
} // namespace

TEST (PanelArt, SwitchCapsSitLowMiddleHighOnATransparentGround)
{
    struct Case
    {
        const char* data;
        int size;
        Cap cap;
        int capTop, capBottom; // the rows the cap may cover, shadow included
    };
    const Case cases[] = {
        { GUIInputGain::toggleSwith3_low_png, GUIInputGain::toggleSwith3_low_pngSize, Cap::low, 40, 65 },
        { GUIInputGain::toggleSwith3_center_png, GUIInputGain::toggleSwith3_center_pngSize, Cap::center, 20, 46 },
        { GUIInputGain::toggleSwith3_high_png, GUIInputGain::toggleSwith3_high_pngSize, Cap::high, 0, 26 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (paneltest::capName (c.cap));
        ASSERT_TRUE (isPng (c.data, c.size));
        const auto img = decode (c.data, c.size);
        EXPECT_EQ (img.getWidth(), 29);
        EXPECT_EQ (img.getHeight(), 65);
        EXPECT_TRUE (img.hasAlphaChannel());
        EXPECT_EQ (paneltest::capOf (img), c.cap);
        EXPECT_EQ (opaqueRowsOutside (img, c.capTop, c.capBottom), 0) << "ground must be transparent";
    }
}

TEST (PanelArt, KnobFramesTurnInEqualClockwiseSteps)
{
    const auto frames = knobFramesOf<GUIMIDIChooser>();
    for (int n = 1; n <= 17; ++n)
    {
        SCOPED_TRACE ("frame " + juce::String (n));
        const auto& f = frames[(size_t) (n - 1)];
        ASSERT_TRUE (isPng (*f.data, *f.size));
        const auto img = decode (*f.data, *f.size);
        EXPECT_EQ (img.getWidth(), 66);
        EXPECT_EQ (img.getHeight(), 65);
        EXPECT_EQ (img.getPixelAt (0, 0).getAlpha(), 0);
        EXPECT_EQ (img.getPixelAt (65, 64).getAlpha(), 0);
        // Frame 1 lower left (-135 degrees), frame 9 straight up, frame 17 lower right.
        EXPECT_NEAR (paneltest::pointerDegrees (img), -135.0 + (n - 1) * 270.0 / 16.0, 3.0);
    }
}

TEST (PanelArt, EveryClassHasItsOwnIdenticalCopy)
{
    struct Copy
    {
        const char* data;
        int size;
    };
    const Copy lows[] = { { GUIInputGain::toggleSwith3_low_png, GUIInputGain::toggleSwith3_low_pngSize },
                          { GUILFO::toggleSwith3_low_png, GUILFO::toggleSwith3_low_pngSize },
                          { GUILegato::toggleSwith3_low_png, GUILegato::toggleSwith3_low_pngSize } };
    const Copy knobs[] = { { GUIMIDIChooser::knob179_png, GUIMIDIChooser::knob179_pngSize },
                           { GUIStepSize::knob179_png, GUIStepSize::knob179_pngSize },
                           { GUIClkSync::knob179_png, GUIClkSync::knob179_pngSize } };
    for (auto* set : { lows, knobs })
        for (int i = 1; i < 3; ++i)
        {
            EXPECT_NE (set[i].data, set[0].data);
            ASSERT_EQ (set[i].size, set[0].size);
            EXPECT_EQ (std::memcmp (set[i].data, set[0].data, (size_t) set[0].size), 0);
        }
}

TEST (PanelArt, PageBackgroundsAreJpegsOfTheirPageSize)
{
    struct Case
    {
        const char* name;
        const char* data;
        int size, width, height;
    };
    const Case cases[] = {
        { "default", GUIParametersTab::mainPanel_backGround2_jpg, GUIParametersTab::mainPanel_backGround2_jpgSize, 1035, 420 },
        { "KelaDorvo", GUIParametersTab_KelaArp::mainPanel_backGround_png4, GUIParametersTab_KelaArp::mainPanel_backGround_png4Size, 795, 420 },
        { "KelaDorvo SE", GUIParametersTab_KelaSE::mainPanel_backGround_kelaDorvoSe_jpg,
          GUIParametersTab_KelaSE::mainPanel_backGround_kelaDorvoSe_jpgSize, 950, 420 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_TRUE (isJpeg (c.data, c.size));
        const auto img = decode (c.data, c.size);
        EXPECT_EQ (img.getWidth(), c.width);
        EXPECT_EQ (img.getHeight(), c.height);
    }
}
