#pragma once

// The application's one look, shared by every picture the art tool draws and by the boxes,
// choosers and progress windows the framework draws (app/DorvoLookAndFeel): a dark brushed
// metal front panel with corner screws, engraved group frames with an amber legend, light
// control captions and small position labels. Page backgrounds carry all the text; controls
// draw only their moving part on a transparent ground.
//
// Everything here is inline and deterministic (fixed random seeds), so a clean build draws
// byte-identical art.

#include "JuceIncludes.h"
#include <cmath>

namespace artstyle
{
// ---------------------------------------------------------------------------------------------
// Palette
namespace colours
{
inline juce::Colour panelTop()         { return juce::Colour (0xff3b3f45); }
inline juce::Colour panelBottom()      { return juce::Colour (0xff202226); }
inline juce::Colour groupFill()        { return juce::Colour (0x30000000); }
inline juce::Colour groupEngrave()     { return juce::Colour (0xff101113); }
inline juce::Colour groupHighlight()   { return juce::Colour (0x40ffffff); }
inline juce::Colour accent()           { return juce::Colour (0xfff0a040); } // amber legends
inline juce::Colour caption()          { return juce::Colour (0xffeceff2); } // control captions
inline juce::Colour label()            { return juce::Colour (0xffb9c0c8); } // position labels
inline juce::Colour dimLabel()         { return juce::Colour (0xff7d848c); }
inline juce::Colour slot()             { return juce::Colour (0xff0b0c0d); }
inline juce::Colour plate()            { return juce::Colour (0xff2b2e33); }
inline juce::Colour metalLight()       { return juce::Colour (0xffe4e7ea); }
inline juce::Colour metalMid()         { return juce::Colour (0xffa9afb6); }
inline juce::Colour metalDark()        { return juce::Colour (0xff5d636a); }
inline juce::Colour pointer()          { return juce::Colour (0xfff0a040); }
inline juce::Colour buttonText()       { return juce::Colour (0xff1b1d20); } // captions on metal faces
inline juce::Colour buttonEdge()       { return juce::Colour (0xff2a2d31); }
} // namespace colours

// ---------------------------------------------------------------------------------------------
// Fonts ("DejaVu Sans" is installed; sizes are in pixels)
inline const char* typefaceName() { return "DejaVu Sans"; }
inline juce::Font font (float height, bool bold)
{
    return juce::Font (typefaceName(), height, bold ? juce::Font::bold : juce::Font::plain);
}
inline juce::Font legendFont()   { return font (12.5f, true); }  // group captions, upper case
inline juce::Font captionFont()  { return font (11.5f, true); }  // control captions
inline juce::Font labelFont()    { return font (10.5f, false); } // position labels
inline juce::Font dialFont()     { return font (9.5f, true); }   // knob dial numbers
inline juce::Font brandFont()    { return font (30.0f, true); }
inline juce::Font titleFont()    { return font (16.0f, true); }  // headings of other pages
inline juce::Font textFont()     { return font (12.5f, false); } // running text on pages

// ---------------------------------------------------------------------------------------------
// Panel

inline void drawScrew (juce::Graphics& g, juce::Point<float> centre, float radius, float slotAngle)
{
    const juce::Rectangle<float> head (centre.x - radius, centre.y - radius, radius * 2, radius * 2);
    g.setColour (juce::Colour (0x60000000));
    g.fillEllipse (head.translated (0.8f, 1.2f).expanded (0.6f));
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), head.getX(), head.getY(),
                                             colours::metalDark(), head.getRight(), head.getBottom(), false));
    g.fillEllipse (head);
    g.setColour (juce::Colour (0x80000000));
    g.drawEllipse (head, 0.8f);
    const float dx = std::cos (slotAngle) * radius * 0.75f, dy = std::sin (slotAngle) * radius * 0.75f;
    g.setColour (juce::Colour (0xff2a2d31));
    g.drawLine (centre.x - dx, centre.y - dy, centre.x + dx, centre.y + dy, radius * 0.35f);
}

// ---------------------------------------------------------------------------------------------
// Pages are 420 rows high, but the window (433 high) gives them only what its 30-pixel tab bar
// leaves: the top 403 rows. Everything that matters is drawn there; the rows below carry the
// plain brushed metal alone.
constexpr int pageHeight = 420;
constexpr int visiblePageHeight = 433 - 30;

/** The brushed metal alone, over the whole picture: the plain texture of every page. */
inline void drawPanelTexture (juce::Graphics& g, int width, int height)
{
    g.setGradientFill (juce::ColourGradient (colours::panelTop(), 0.0f, 0.0f,
                                             colours::panelBottom(), 0.0f, (float) height, false));
    g.fillRect (0, 0, width, height);

    // Brushing: faint horizontal streaks of varying length and brightness.
    juce::Random random (0x5eed);
    for (int i = 0; i < height * 3; ++i)
    {
        const float y = random.nextFloat() * (float) height;
        const float x = random.nextFloat() * (float) width;
        const float len = 40.0f + random.nextFloat() * (float) width * 0.5f;
        const bool light = random.nextBool();
        g.setColour ((light ? juce::Colours::white : juce::Colours::black)
                         .withAlpha (0.015f + random.nextFloat() * 0.03f));
        g.fillRect (x - len * 0.5f, y, len, 1.0f);
    }
}

/** The panel's edges and a screw in each corner of the width x height rectangle at the origin:
    a lit top edge and a dark bottom edge give the panel some depth. */
inline void drawPanelFrame (juce::Graphics& g, int width, int height)
{
    g.setColour (juce::Colour (0x30ffffff));
    g.fillRect (0, 0, width, 1);
    g.setColour (juce::Colour (0x60000000));
    g.fillRect (0, height - 2, width, 2);

    const float r = 5.0f, inset = 12.0f;
    drawScrew (g, { inset, inset }, r, 0.6f);
    drawScrew (g, { (float) width - inset, inset }, r, 2.1f);
    drawScrew (g, { inset, (float) height - inset }, r, 1.2f);
    drawScrew (g, { (float) width - inset, (float) height - inset }, r, 2.7f);
}

/** The brushed metal front panel with a screw in each corner of the part the window shows;
    every page background starts here. */
inline void drawPageBackground (juce::Graphics& g, int width, int height)
{
    drawPanelTexture (g, width, height);
    drawPanelFrame (g, width, juce::jmin (height, visiblePageHeight));
}

enum class LegendEdge { top, bottom };

/** An engraved group frame with its caption (upper case as given) set into the top or bottom edge. */
inline void drawGroup (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& legend,
                       LegendEdge edge = LegendEdge::top)
{
    const float corner = 7.0f;
    g.setColour (colours::groupFill());
    g.fillRoundedRectangle (area, corner);

    const auto font = legendFont();
    const float textW = (float) font.getStringWidth (legend) + 16.0f;
    const float lineY = edge == LegendEdge::top ? area.getY() : area.getBottom();
    const juce::Rectangle<float> tab (area.getX() + 16.0f, lineY - font.getHeight() * 0.5f - 1.0f,
                                      textW, font.getHeight() + 2.0f);

    // Engraving: a dark line with a light line one pixel below-right, broken where the legend sits.
    juce::Path frame;
    frame.addRoundedRectangle (area, corner);
    g.saveState();
    g.excludeClipRegion (tab.getSmallestIntegerContainer());
    g.setColour (colours::groupHighlight());
    g.strokePath (frame, juce::PathStrokeType (1.0f), juce::AffineTransform::translation (1.0f, 1.0f));
    g.setColour (colours::groupEngrave());
    g.strokePath (frame, juce::PathStrokeType (1.3f));
    g.restoreState();

    g.setFont (font);
    g.setColour (colours::accent());
    g.drawText (legend, tab, juce::Justification::centred, false);
}

/** A control's caption, centred in area; '\n' breaks lines. */
inline void drawCaption (juce::Graphics& g, const juce::String& text, juce::Rectangle<int> area,
                         juce::Justification just = juce::Justification::centred)
{
    g.setFont (captionFont());
    g.setColour (colours::caption());
    g.drawFittedText (text, area, just, 3, 1.0f);
}

/** A position label; the text's vertical centre is at y. */
inline void drawLabel (juce::Graphics& g, const juce::String& text, float x, float y,
                       juce::Justification just = juce::Justification::centredLeft, float width = 80.0f)
{
    const auto font = labelFont();
    g.setFont (font);
    g.setColour (colours::label());
    const float h = font.getHeight() + 2.0f;
    float left = x;
    if (just.testFlags (juce::Justification::right))
        left = x - width;
    else if (just.testFlags (juce::Justification::horizontallyCentred))
        left = x - width * 0.5f;
    g.drawText (text, juce::Rectangle<float> (left, y - h * 0.5f, width, h), just, false);
}

inline float labelWidth (const juce::String& text) { return (float) labelFont().getStringWidth (text); }

/** Large model name and a small application line, e.g. in a free corner of a page. */
inline void drawBrand (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& model,
                       const juce::String& subline = "Dorvo Connection")
{
    auto big = brandFont();
    const float fit = (area.getWidth() - 4.0f) / (float) juce::jmax (1, big.getStringWidth (model));
    if (fit < 1.0f)
        big = big.withHeight (big.getHeight() * fit);
    g.setFont (big);
    g.setColour (juce::Colour (0x22000000));
    g.drawText (model, area.translated (1.0f, 1.5f).withTrimmedBottom (area.getHeight() * 0.35f),
                juce::Justification::centredBottom, false);
    g.setColour (colours::caption().withAlpha (0.85f));
    g.drawText (model, area.withTrimmedBottom (area.getHeight() * 0.35f), juce::Justification::centredBottom, false);
    g.setFont (labelFont());
    g.setColour (colours::accent().withAlpha (0.9f));
    g.drawText (subline.toUpperCase(), area.withTrimmedTop (area.getHeight() * 0.68f),
                juce::Justification::centredTop, false);
}

// ---------------------------------------------------------------------------------------------
// Slide switches: the page background draws the plate and slot, the control's picture the cap.

constexpr int switchWidth = 29, switchHeight = 65;

/** Vertical centre of the switch cap in a 29 x 65 frame: 0 bottom, 1 middle, 2 top. */
inline float switchCapCentreY (int position)
{
    return position == 2 ? 13.0f : (position == 1 ? 32.5f : 52.0f);
}

inline void drawSwitchSlot (juce::Graphics& g, juce::Rectangle<float> r)
{
    g.setColour (juce::Colour (0x50000000));
    g.fillRoundedRectangle (r.translated (1.0f, 1.5f), 4.0f);
    g.setGradientFill (juce::ColourGradient (colours::plate().brighter (0.15f), r.getX(), r.getY(),
                                             colours::plate().darker (0.3f), r.getX(), r.getBottom(), false));
    g.fillRoundedRectangle (r, 4.0f);
    g.setColour (colours::groupEngrave());
    g.drawRoundedRectangle (r.reduced (0.5f), 4.0f, 1.0f);

    const juce::Rectangle<float> slot (r.getCentreX() - 3.5f, r.getY() + 5.0f, 7.0f, r.getHeight() - 10.0f);
    g.setColour (colours::slot());
    g.fillRoundedRectangle (slot, 3.0f);
    g.setColour (juce::Colour (0x30ffffff));
    g.drawLine (slot.getX() + 1.0f, slot.getBottom() + 0.5f, slot.getRight() - 1.0f, slot.getBottom() + 0.5f, 1.0f);

    // Detent ticks at the three cap positions, on both sides.
    g.setColour (colours::dimLabel());
    for (int p = 0; p < 3; ++p)
    {
        const float y = r.getY() + switchCapCentreY (p) * r.getHeight() / (float) switchHeight;
        g.fillRect (r.getX() + 1.5f, y - 0.5f, 3.0f, 1.0f);
        g.fillRect (r.getRight() - 4.5f, y - 0.5f, 3.0f, 1.0f);
    }
}

/** The switch cap, drawn into a 29 x 65 frame (position 0 bottom, 1 middle, 2 top). */
inline void drawSwitchCap (juce::Graphics& g, int position)
{
    const float cy = switchCapCentreY (position);
    const juce::Rectangle<float> cap (2.0f, cy - 10.0f, 25.0f, 20.0f);
    g.setColour (juce::Colour (0x70000000));
    g.fillRoundedRectangle (cap.translated (0.0f, 2.0f).expanded (1.0f), 4.0f);
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), 0.0f, cap.getY(),
                                             colours::metalDark(), 0.0f, cap.getBottom(), false));
    g.fillRoundedRectangle (cap, 3.5f);
    g.setColour (juce::Colour (0xff30343a));
    g.drawRoundedRectangle (cap.reduced (0.5f), 3.5f, 1.0f);
    // Grip ridges with the middle one in the accent colour, so the position reads at a glance.
    for (int i = -1; i <= 1; ++i)
    {
        const float y = cy + (float) i * 4.5f;
        g.setColour (i == 0 ? colours::accent() : juce::Colour (0xff454a51));
        g.fillRect (5.0f, y - 0.75f, 19.0f, 1.5f);
        g.setColour (juce::Colour (0x70ffffff));
        g.fillRect (5.0f, y + 0.75f, 19.0f, 0.75f);
    }
}

// ---------------------------------------------------------------------------------------------
// Knobs: 17 frames of 66 x 65, frame 1 lower left, 16 equal clockwise steps, frame 17 lower right.

constexpr int knobWidth = 66, knobHeight = 65, knobFrames = 17;
constexpr float knobSweepDegrees = 270.0f;

/** Pointer angle of a frame (1 to 17) in radians, clockwise from straight up. */
inline float knobAngle (int frame)
{
    const float degrees = -knobSweepDegrees * 0.5f
                          + (float) (frame - 1) * knobSweepDegrees / (float) (knobFrames - 1);
    return degrees * juce::MathConstants<float>::pi / 180.0f;
}

inline juce::Point<float> knobCentre (juce::Rectangle<float> knobRect) { return knobRect.getCentre(); }

inline juce::Point<float> onDial (juce::Point<float> centre, float radius, float angle)
{
    return { centre.x + radius * std::sin (angle), centre.y - radius * std::cos (angle) };
}

/** Dial markings for a knob rectangle: a tick at every labelled frame and its label around it.
    labels[i] belongs to frame firstFrame + i. */
inline void drawKnobDial (juce::Graphics& g, juce::Rectangle<float> knobRect, int firstFrame,
                          const juce::StringArray& labels, float labelRadius = 44.0f)
{
    const auto c = knobCentre (knobRect);
    const auto font = dialFont();
    g.setFont (font);
    for (int i = 0; i < labels.size(); ++i)
    {
        const float a = knobAngle (firstFrame + i);
        const bool major = labels[i].length() > 2 || (i % 2) == 0;
        const auto p0 = onDial (c, 29.0f, a), p1 = onDial (c, major ? 35.0f : 33.5f, a);
        g.setColour (colours::label());
        g.drawLine (p0.x, p0.y, p1.x, p1.y, major ? 1.6f : 1.1f);

        const auto t = onDial (c, labelRadius, a);
        const float w = (float) font.getStringWidth (labels[i]) + 4.0f, h = font.getHeight();
        g.setColour (colours::caption());
        g.drawText (labels[i], juce::Rectangle<float> (t.x - w * 0.5f, t.y - h * 0.5f, w, h),
                    juce::Justification::centred, false);
    }
}

/** One knob frame (1 to 17) into a 66 x 65 picture on a transparent ground. */
inline void drawKnobFrame (juce::Graphics& g, int frame)
{
    const juce::Point<float> c (knobWidth * 0.5f, knobHeight * 0.5f);
    const float skirt = 27.0f, cap = 20.0f;

    g.setColour (juce::Colour (0x66000000));
    g.fillEllipse (c.x - skirt + 1.0f, c.y - skirt + 2.5f, skirt * 2, skirt * 2);

    // Knurled skirt.
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff50555c), c.x, c.y - skirt,
                                             juce::Colour (0xff16181b), c.x, c.y + skirt, false));
    g.fillEllipse (c.x - skirt, c.y - skirt, skirt * 2, skirt * 2);
    const float turn = knobAngle (frame);
    g.setColour (juce::Colour (0x40000000));
    for (int i = 0; i < 36; ++i)
    {
        const float a = turn + (float) i * juce::MathConstants<float>::twoPi / 36.0f;
        const auto p0 = onDial (c, cap + 1.5f, a), p1 = onDial (c, skirt - 0.8f, a);
        g.drawLine (p0.x, p0.y, p1.x, p1.y, 1.0f);
    }
    g.setColour (juce::Colour (0xff0d0e10));
    g.drawEllipse (c.x - skirt + 0.5f, c.y - skirt + 0.5f, skirt * 2 - 1.0f, skirt * 2 - 1.0f, 1.0f);

    // Brushed cap, lit from the top left (the light does not turn with the knob).
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), c.x - cap * 0.7f, c.y - cap * 0.8f,
                                             colours::metalDark(), c.x + cap * 0.7f, c.y + cap, false));
    g.fillEllipse (c.x - cap, c.y - cap, cap * 2, cap * 2);
    g.setColour (juce::Colour (0xff2c3035));
    g.drawEllipse (c.x - cap, c.y - cap, cap * 2, cap * 2, 1.0f);
    g.setColour (juce::Colour (0x30ffffff));
    g.drawEllipse (c.x - cap * 0.55f, c.y - cap * 0.55f, cap * 1.1f, cap * 1.1f, 0.8f);

    // Pointer: an amber line across cap and skirt, with a dark edge for contrast on the metal.
    const auto from = onDial (c, 6.0f, turn), to = onDial (c, skirt - 1.5f, turn);
    g.setColour (juce::Colour (0xff1a1c1f));
    g.drawLine (from.x, from.y, to.x, to.y, 5.0f);
    g.setColour (colours::pointer());
    g.drawLine (from.x, from.y, to.x, to.y, 3.0f);
}

// ---------------------------------------------------------------------------------------------
// Push buttons drawn into pictures (for pages with picture buttons): a raised metal face with
// a caption; pressed shifts the face down and darkens it.
inline void drawButtonFace (juce::Graphics& g, juce::Rectangle<float> r, const juce::String& text, bool pressed)
{
    const float corner = 5.0f;
    g.setColour (juce::Colour (0x70000000));
    g.fillRoundedRectangle (r.reduced (1.0f).translated (0.0f, 1.5f), corner);
    auto face = r.reduced (1.0f).withTrimmedBottom (2.0f).translated (0.0f, pressed ? 1.5f : 0.0f);
    g.setGradientFill (juce::ColourGradient (pressed ? colours::metalMid() : colours::metalLight(), 0.0f, face.getY(),
                                             colours::metalDark(), 0.0f, face.getBottom(), false));
    g.fillRoundedRectangle (face, corner);
    g.setColour (colours::buttonEdge());
    g.drawRoundedRectangle (face.reduced (0.5f), corner, 1.0f);
    g.setFont (captionFont());
    g.setColour (colours::buttonText());
    g.drawFittedText (text, face.toNearestInt().reduced (4, 2), juce::Justification::centred, 2, 1.0f);
}
} // namespace artstyle
