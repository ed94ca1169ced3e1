// The main window's own pictures: the CONNECT switch's LED and the not-connected page.

#include "ArtRegistry.h"
#include "ArtStyle.h"

namespace
{
// A round panel LED of 21 x 21 on a transparent ground: a dark bezel and a domed lens.
// The unlit picture is shown under the switch's grey-brown (normal) and yellow-green (hover)
// overlays, so it is kept dark and neutral; the lit one is shown as it is.
void drawLed (juce::Graphics& g, int width, int height, bool lit)
{
    const juce::Point<float> c ((float) width * 0.5f, (float) height * 0.5f);
    const float bezel = (float) juce::jmin (width, height) * 0.5f - 0.5f;
    const float lens = bezel - 3.0f;

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff6a7077), c.x, c.y - bezel,
                                             juce::Colour (0xff1a1c1f), c.x, c.y + bezel, false));
    g.fillEllipse (c.x - bezel, c.y - bezel, bezel * 2, bezel * 2);
    g.setColour (juce::Colour (0xff0b0c0d));
    g.drawEllipse (c.x - bezel + 0.5f, c.y - bezel + 0.5f, bezel * 2 - 1.0f, bezel * 2 - 1.0f, 1.0f);

    const juce::Colour centre = lit ? juce::Colour (0xffb8ff7a) : juce::Colour (0xff2f3a2c);
    const juce::Colour edge = lit ? juce::Colour (0xff1f8f0b) : juce::Colour (0xff121711);
    g.setGradientFill (juce::ColourGradient (centre, c.x, c.y, edge, c.x + lens, c.y + lens, true));
    g.fillEllipse (c.x - lens, c.y - lens, lens * 2, lens * 2);
    g.setColour (juce::Colour (0xc0000000));
    g.drawEllipse (c.x - lens, c.y - lens, lens * 2, lens * 2, 0.8f);

    // Reflection on the dome.
    g.setColour (juce::Colours::white.withAlpha (lit ? 0.75f : 0.35f));
    g.fillEllipse (c.x - lens * 0.55f, c.y - lens * 0.7f, lens * 0.7f, lens * 0.45f);
}
} // namespace

DORVO_ART (ledoff_png, 21, 21, ArtFormat::png)       { drawLed (g, width, height, false); }
DORVO_ART (ledon_green_png, 21, 21, ArtFormat::png)  { drawLed (g, width, height, true); }

// The page while no instrument is connected. The CONNECT switch sits in the tab bar above the
// page's top right corner (x 747 to 770 of the window), so the arrow points up there.
DORVO_ART (mainPanel_backGround_notConnected_jpg, 795, 420, ArtFormat::jpeg)
{
    using namespace artstyle;
    drawPageBackground (g, width, height);

    const juce::Rectangle<float> box (70.0f, 70.0f, 560.0f, 230.0f);
    drawGroup (g, box, "NO INSTRUMENT CONNECTED");

    g.setFont (font (22.0f, true));
    g.setColour (colours::caption());
    g.drawText ("No instrument is connected", box.toNearestInt().reduced (30, 0).withY (100).withHeight (30),
                juce::Justification::centredLeft, false);

    const juce::StringArray steps {
        "1.  Connect the KelaDorvo or KelaDorvo SE to this computer with its USB cable.",
        "2.  Switch the instrument on.",
        "3.  Click the CONNECT switch at the top right of this window.",
    };
    g.setFont (font (13.5f, false));
    for (int i = 0; i < steps.size(); ++i)
    {
        g.setColour (colours::label());
        g.drawText (steps[i], juce::Rectangle<int> (100, 150 + i * 32, 520, 22), juce::Justification::centredLeft, false);
    }
    g.setFont (textFont());
    g.setColour (colours::dimLabel());
    g.drawText ("Its light turns green and the pages of the instrument appear once it answers.",
                juce::Rectangle<int> (100, 252, 520, 20), juce::Justification::centredLeft, false);

    // Arrow from the box's top right towards the switch above the page.
    const float tipX = 758.0f, tipY = 8.0f;
    juce::Path arrow;
    arrow.startNewSubPath (box.getRight() + 6.0f, 170.0f);
    arrow.cubicTo (700.0f, 170.0f, tipX, 120.0f, tipX, tipY + 16.0f);
    g.setColour (colours::accent());
    g.strokePath (arrow, juce::PathStrokeType (3.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    juce::Path head;
    head.addTriangle (tipX - 9.0f, tipY + 20.0f, tipX + 9.0f, tipY + 20.0f, tipX, tipY);
    g.fillPath (head);
    g.setFont (captionFont());
    g.drawText ("CONNECT", juce::Rectangle<float> (tipX - 95.0f, tipY + 24.0f, 80.0f, 16.0f),
                juce::Justification::centredRight, false);

    drawBrand (g, juce::Rectangle<float> ((float) width - 290.0f, 316.0f, 250.0f, 62.0f), "Dorvo", "Dorvo Connection");
}
