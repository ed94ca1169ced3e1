#include "TestSupport.h"
#include "app/GUIUnconnectedTab.h"
#include "firmware/GUIFirmwareTab.h"
#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/GUIParametersTab_KelaSE.h"
#include "resources/art/ArtStyle.h"
#include "sequences/GUIPatternTab.h"

// What the window shows of a page is its top 403 rows: the window is 433 high and its tab bar
// takes 30. Below them, and in the last few rows above, a page background carries nothing but
// the brushed metal panel, and the screws in its corners sit within what shows.

namespace
{
struct PageBackground
{
    const char* name;
    const char* data;
    int size;
    int shownWidth; // the page's own width; a wider picture is cut at the right
};

#define PAGE(owner, pic, shownWidth) { #owner, owner::pic, owner::pic##Size, shownWidth }
const PageBackground pageBackgrounds[] = {
    PAGE (GUIParametersTab, mainPanel_backGround2_jpg, 1000),
    PAGE (GUIParametersTab_KelaArp, mainPanel_backGround_png4, 795),
    PAGE (GUIParametersTab_KelaSE, mainPanel_backGround_kelaDorvoSe_jpg, 950),
    PAGE (GUIUnconnectedTab, mainPanel_backGround_notConnected_jpg, 795),
    PAGE (GUIFirmwareTab, tavinDorvo_firmwareTab_jpg, 1000),
    PAGE (GUIFirmwareTab_KelaArp, updatePanel_backGround_kelaArp_png, 795),
    PAGE (GUIFirmwareTab_KelaSE, firmwareTab_kelaSe_jpg, 950),
    PAGE (GUIPatternTab, seqTab_kelaSe_jpg, 950),
};
#undef PAGE

/** How far two pictures differ within a rectangle: the largest difference of one colour
    channel of one pixel, and the mean difference over all channels of all pixels. */
struct Difference
{
    int largest = 0;
    double mean = 0.0;
};

Difference compare (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area)
{
    Difference d;
    double sum = 0.0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = a.getPixelAt (x, y), q = b.getPixelAt (x, y);
            for (int c : { std::abs (p.getRed() - q.getRed()), std::abs (p.getGreen() - q.getGreen()),
                           std::abs (p.getBlue() - q.getBlue()) })
            {
                d.largest = juce::jmax (d.largest, c);
                sum += c;
            }
        }
    d.mean = sum / (3.0 * juce::jmax (1, area.getWidth() * area.getHeight()));
    return d;
}

/** The brushed metal alone, as the art draws it under everything else. */
juce::Image plainMetal (int width, int height)
{
    juce::Image image (juce::Image::RGB, width, height, true);
    juce::Graphics g (image);
    artstyle::drawPanelTexture (g, width, height);
    return image;
}

/** The page background drawn alone: the metal with the edges and screws of the part shown. */
juce::Image emptyPanel (int width, int height, int shownWidth)
{
    auto image = plainMetal (width, height);
    juce::Graphics g (image);
    artstyle::drawPanelFrame (g, shownWidth, artstyle::visiblePageHeight);
    return image;
}

// The pictures are JPEGs: their own coding error stays well below these bounds (5 and 0.9
// here), while a letter, a screw or a frame line drawn into a row exceeds the first and a
// darker or lighter fill across it the second.
constexpr int largestPixelDifference = 24;
constexpr double largestRowMean = 2.0;
// Text that reaches the window's lower edge is cut there: the last rows the window shows
// carry nothing but the panel either.
constexpr int edgeMargin = 6;
} // namespace

TEST (PageBackgrounds, NothingButThePanelAtTheWindowsLowerEdgeAndBelow)
{
    ASSERT_EQ (artstyle::visiblePageHeight, 403);
    for (const auto& page : pageBackgrounds)
    {
        SCOPED_TRACE (page.name);
        const auto picture = juce::ImageFileFormat::loadFrom (page.data, (size_t) page.size);
        ASSERT_EQ (picture.getHeight(), artstyle::pageHeight);
        const auto panel = emptyPanel (picture.getWidth(), picture.getHeight(), page.shownWidth);

        // Row by row, so that a thin line or a few letters stand out in the mean of their row.
        int worstPixelRow = -1, worstMeanRow = -1;
        Difference worst;
        for (int y = artstyle::visiblePageHeight - edgeMargin; y < artstyle::pageHeight; ++y)
        {
            const auto d = compare (picture, panel, { 0, y, picture.getWidth(), 1 });
            if (d.largest > worst.largest)
            {
                worst.largest = d.largest;
                worstPixelRow = y;
            }
            if (d.mean > worst.mean)
            {
                worst.mean = d.mean;
                worstMeanRow = y;
            }
        }
        EXPECT_LE (worst.largest, largestPixelDifference) << "in row " << worstPixelRow;
        EXPECT_LE (worst.mean, largestRowMean) << "in row " << worstMeanRow;
    }
}

TEST (PageBackgrounds, BottomCornerScrewsShowInTheWindow)
{
    for (const auto& page : pageBackgrounds)
    {
        SCOPED_TRACE (page.name);
        const auto picture = juce::ImageFileFormat::loadFrom (page.data, (size_t) page.size);
        const auto plain = plainMetal (picture.getWidth(), picture.getHeight());
        const int top = artstyle::visiblePageHeight - 24;
        for (int left : { 0, page.shownWidth - 24 })
        {
            // A light metal head on the dark panel: far brighter than any coding error.
            const auto d = compare (picture, plain, { left, top, 24, 24 });
            EXPECT_GT (d.largest, 120) << "no screw in the corner at x " << left;
        }
    }
}
