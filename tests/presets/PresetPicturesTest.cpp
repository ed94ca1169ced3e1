#include "app/GUIEditorWindow.h"
#include "presets/GUIManagerTab.h"
#include "presets/GUIPattern.h"
#include "presets/GUIPresetSlots.h"
#include "TestSupport.h"

namespace
{
struct PictureCase
{
    const char* name;
    const char* data;
    int size;
    int width, height;
    bool png;
};

#define PICTURE(owner, pic, w, h, png) { #owner "::" #pic, owner::pic, owner::pic##Size, w, h, png }
const PictureCase pictures[] = {
    PICTURE (GUIManagerTab, serig_kre_left_png, 46, 37, true),
    PICTURE (GUIManagerTab, serig_kre_right_png, 46, 37, true),
    PICTURE (GUIManagerTab, tb_export_up_png, 47, 27, true),
    PICTURE (GUIManagerTab, tb_import_up_png, 47, 27, true),
    PICTURE (GUIManagerTab, tb_delete_up_png, 47, 27, true),
    PICTURE (GUIManagerTab, tb_copy_up_png, 47, 27, true),
    PICTURE (GUIManagerTab, images_jpeg, 204, 204, false),
    PICTURE (GUIManagerTab, tb_rename_up_png, 47, 27, true),
    PICTURE (GUIPresetSlots, pad_91x91_down_off_png, 91, 91, true),
    PICTURE (GUIPattern, barre_orange_png, 25, 41, true),
    PICTURE (GUIPattern, barre_verte_png, 25, 41, true),
    PICTURE (GUIPattern, barre_rouge_png, 25, 41, true),
    PICTURE (GUIPattern, ledoff_png, 21, 21, true),
    PICTURE (GUIPattern, liaison_png, 33, 8, true),
    PICTURE (GUIPattern, liaison_gauche_png, 17, 8, true),
    PICTURE (GUIPattern, liaison_droite_png, 17, 8, true),
};
#undef PICTURE

juce::Image decode (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}

bool isWhite (juce::Colour c) { return c.getAlpha() == 255 && c.getRed() > 245 && c.getGreen() > 245 && c.getBlue() > 245; }
} // namespace

// Each picture decodes at its size and in its format; PNGs carry alpha.
TEST (PresetPictures, SizesAndFormats)
{
    for (const auto& c : pictures)
    {
        SCOPED_TRACE (c.name);
        ASSERT_GT (c.size, 8);
        const auto* b = reinterpret_cast<const unsigned char*> (c.data);
        if (c.png)
            EXPECT_TRUE (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G');
        else
            EXPECT_TRUE (b[0] == 0xff && b[1] == 0xd8);
        juce::MemoryInputStream in (c.data, (size_t) c.size, false);
        auto image = juce::ImageFileFormat::loadFrom (in);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), c.width);
        EXPECT_EQ (image.getHeight(), c.height);
        EXPECT_EQ (image.hasAlphaChannel(), c.png);
    }
}

// The pattern LED is the main window's unlit LED, byte for byte.
TEST (PresetPictures, PatternLedIsTheWindowsLed)
{
    ASSERT_EQ (GUIPattern::ledoff_pngSize, GUIEditorWindow::ledoff_pngSize);
    EXPECT_EQ (std::memcmp (GUIPattern::ledoff_png, GUIEditorWindow::ledoff_png, (size_t) GUIPattern::ledoff_pngSize), 0);
}

// What the bars and ties show: the orange bar over the lowest 25 rows of a white field, the
// green one over the lowest 17, the red one over the whole height; black arcs on white, the
// halves rising from the lower left and falling to the lower right.
TEST (PresetPictures, BarsAndTiesShowWhatTheyMean)
{
    auto barRows = [] (const juce::Image& bar) {
        int rows = 0;
        for (int y = 0; y < bar.getHeight(); ++y)
            rows += isWhite (bar.getPixelAt (bar.getWidth() / 2, y)) ? 0 : 1;
        return rows;
    };
    const auto orange = decode (GUIPattern::barre_orange_png, GUIPattern::barre_orange_pngSize);
    const auto green = decode (GUIPattern::barre_verte_png, GUIPattern::barre_verte_pngSize);
    const auto red = decode (GUIPattern::barre_rouge_png, GUIPattern::barre_rouge_pngSize);
    EXPECT_EQ (barRows (orange), 25);
    EXPECT_EQ (barRows (green), 17);
    EXPECT_EQ (barRows (red), 41);
    EXPECT_TRUE (isWhite (orange.getPixelAt (12, 0)));
    EXPECT_TRUE (isWhite (green.getPixelAt (12, 20)));
    auto hue = [] (const juce::Image& im) { return im.getPixelAt (12, 38).getHue() * 360.0f; };
    EXPECT_NEAR (hue (orange), 30.0f, 15.0f);
    EXPECT_NEAR (hue (green), 120.0f, 20.0f);
    EXPECT_TRUE (hue (red) < 10.0f || hue (red) > 350.0f);
    // The orange bar's rim is darker than its middle.
    EXPECT_LT (orange.getPixelAt (0, 39).getBrightness(), orange.getPixelAt (12, 30).getBrightness());

    // Ink height per column of a tie: where the arc is.
    auto inkRow = [] (const juce::Image& tie, int x) {
        for (int y = 0; y < tie.getHeight(); ++y)
            if (tie.getPixelAt (x, y).getBrightness() < 0.5f)
                return y;
        return -1;
    };
    const auto tie = decode (GUIPattern::liaison_png, GUIPattern::liaison_pngSize);
    const auto left = decode (GUIPattern::liaison_gauche_png, GUIPattern::liaison_gauche_pngSize);
    const auto right = decode (GUIPattern::liaison_droite_png, GUIPattern::liaison_droite_pngSize);
    EXPECT_TRUE (isWhite (tie.getPixelAt (16, 7)));
    EXPECT_LT (inkRow (tie, 16), inkRow (tie, 3));
    EXPECT_LT (inkRow (tie, 16), inkRow (tie, 29));
    EXPECT_LT (inkRow (left, 14), inkRow (left, 2)) << "rises from the lower left";
    EXPECT_LT (inkRow (right, 2), inkRow (right, 14)) << "falls to the lower right";
}
