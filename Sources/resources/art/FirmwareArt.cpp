// The Firmware Update page backgrounds and the push-button key shared by the Firmware Update
// and Sequences pages.

#include "ArtRegistry.h"
#include "ArtStyle.h"

namespace
{
// ---------------------------------------------------------------------------------------------
// The 70 x 55 key: a raised grey key on a transparent ground; captions live on the page.
enum class KeyState { resting, hover, pressed };

void drawKey (juce::Graphics& g, int width, int height, KeyState state)
{
    const juce::Rectangle<float> well (1.0f, 1.0f, (float) width - 2.0f, (float) height - 2.0f);
    const float corner = 6.0f;

    // The recess the key sits in.
    g.setColour (juce::Colour (0xa0000000));
    g.fillRoundedRectangle (well, corner + 1.0f);
    g.setColour (juce::Colour (0x40ffffff));
    g.drawRoundedRectangle (well.translated (0.0f, 0.5f), corner + 1.0f, 1.0f);

    const bool pressed = state == KeyState::pressed;
    const float lift = pressed ? 1.0f : 4.0f;
    auto face = well.reduced (4.0f, 4.0f).withTrimmedBottom (lift).translated (0.0f, pressed ? 2.0f : 0.0f);

    juce::Colour top (0xffc9cdd2), bottom (0xff7c828a);
    if (state == KeyState::hover)
    {
        top = top.brighter (0.12f);
        bottom = bottom.brighter (0.12f);
    }
    else if (pressed)
    {
        top = top.darker (0.35f);
        bottom = bottom.darker (0.35f);
    }

    // Side of the key below the face: the deeper it is, the higher the key stands.
    g.setColour (bottom.darker (0.6f));
    g.fillRoundedRectangle (face.withHeight (face.getHeight() + lift), corner);

    g.setGradientFill (juce::ColourGradient (top, 0.0f, face.getY(), bottom, 0.0f, face.getBottom(), false));
    g.fillRoundedRectangle (face, corner);

    // Lit top edge on a raised key, a shadowed one on a pressed key.
    g.setColour (pressed ? juce::Colour (0x50000000) : juce::Colour (0x90ffffff));
    g.drawLine (face.getX() + corner, face.getY() + 1.0f, face.getRight() - corner, face.getY() + 1.0f, 1.0f);
    g.setColour (artstyle::colours::buttonEdge());
    g.drawRoundedRectangle (face.reduced (0.5f), corner, 1.0f);

    // A faint groove across the face to read as a key.
    g.setColour (juce::Colour (0x30000000));
    const float gy = face.getCentreY();
    g.fillRoundedRectangle (face.getCentreX() - 14.0f, gy - 1.5f, 28.0f, 3.0f, 1.5f);
    g.setColour (juce::Colour (0x40ffffff));
    g.fillRect (face.getCentreX() - 13.0f, gy + 1.5f, 26.0f, 0.8f);
}

// ---------------------------------------------------------------------------------------------
// A Firmware Update page: the version area on the left, the web link and update keys on the
// right, each with its caption above.
struct FirmwarePageLayout
{
    const char* model;
    juce::Rectangle<int> caption, version, webLink, updater;
};

void drawFirmwarePage (juce::Graphics& g, int pictureWidth, int width, int height, const FirmwarePageLayout& l)
{
    using namespace artstyle;
    // The texture covers the whole picture, the frame only what the page shows of it.
    drawPanelTexture (g, pictureWidth, height);
    drawPanelFrame (g, width, juce::jmin (height, visiblePageHeight));

    g.setFont (titleFont());
    g.setColour (colours::caption());
    g.drawText ("Firmware Update", juce::Rectangle<int> (40, 40, width - 80, 24), juce::Justification::centredLeft, false);
    g.setFont (textFont());
    g.setColour (colours::label());
    g.drawFittedText ("Keep the " + juce::String (l.model) + " up to date: the update button asks for a firmware file (*.kfw) "
                      "and writes it into the instrument; the instrument restarts when it is done.",
                      juce::Rectangle<int> (40, 68, width - 80, 36), juce::Justification::topLeft, 2, 1.0f);

    // The version: white labels on a dark inset plate.
    const auto versionArea = l.caption.getUnion (l.version);
    const auto plate = versionArea.toFloat().expanded (12.0f, 8.0f);
    drawGroup (g, plate.expanded (18.0f, 30.0f).withTrimmedTop (8.0f), "INSTRUMENT");
    g.setColour (juce::Colour (0xff0d0e10));
    g.fillRoundedRectangle (plate, 4.0f);
    g.setColour (juce::Colour (0x30ffffff));
    g.drawRoundedRectangle (plate.translated (0.0f, 1.0f), 4.0f, 1.0f);
    g.setColour (colours::groupEngrave());
    g.drawRoundedRectangle (plate, 4.0f, 1.2f);

    // The two keys in one group, captions above them.
    const auto keys = l.webLink.getUnion (l.updater).toFloat();
    drawGroup (g, keys.expanded (34.0f, 0.0f).withTop (keys.getY() - 44.0f).withBottom (keys.getBottom() + 16.0f), "FIRMWARE");
    drawCaption (g, "product\nresources", l.webLink.withY (l.webLink.getY() - 32).withHeight (28).expanded (20, 0));
    drawCaption (g, "update\nfirmware", l.updater.withY (l.updater.getY() - 32).withHeight (28).expanded (20, 0));

    drawBrand (g, juce::Rectangle<float> ((float) width - 290.0f, 316.0f, 250.0f, 62.0f), l.model);
}
} // namespace

DORVO_ART (pushButton_down_png, 70, 55, ArtFormat::png) { drawKey (g, width, height, KeyState::resting); }
DORVO_ART (pushButton_over_png, 70, 55, ArtFormat::png) { drawKey (g, width, height, KeyState::hover); }
DORVO_ART (pushButton_up_png, 70, 55, ArtFormat::png)   { drawKey (g, width, height, KeyState::pressed); }

// TavinDorvo: drawn at the origin of a 1000 wide page, so the last 35 columns never show.
DORVO_ART (tavinDorvo_firmwareTab_jpg, 1035, 420, ArtFormat::jpeg)
{
    drawFirmwarePage (g, width, 1000, height,
                      { "TavinDorvo", { 242, 238, 128, 24 }, { 380, 238, 60, 26 }, { 544, 232, 70, 55 }, { 704, 232, 70, 55 } });
}

// JPEG, whatever its name says.
DORVO_ART (updatePanel_backGround_kelaArp_png, 795, 420, ArtFormat::jpeg)
{
    drawFirmwarePage (g, width, width, height,
                      { "KelaDorvo", { 120, 240, 128, 24 }, { 256, 240, 60, 26 }, { 424, 232, 70, 55 }, { 584, 232, 70, 55 } });
}

DORVO_ART (firmwareTab_kelaSe_jpg, 950, 420, ArtFormat::jpeg)
{
    drawFirmwarePage (g, width, width, height,
                      { "KelaDorvo SE", { 239, 246, 128, 24 }, { 380, 245, 60, 26 }, { 541, 232, 70, 55 }, { 702, 232, 70, 55 } });
}
