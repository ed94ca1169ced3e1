// The preset pages' pictures: the librarian's file buttons, arrows, refresh key and slot pads,
// and the preset editor's step pattern (bars and ties; its LED is the main window's ledoff_png).

#include "ArtRegistry.h"
#include "ArtStyle.h"

namespace
{
// ---------------------------------------------------------------------------------------------
// Librarian

/** A 47 x 27 metal key with its word engraved, on a transparent ground. */
void drawWordKey (juce::Graphics& g, int width, int height, const juce::String& word)
{
    using namespace artstyle;
    const juce::Rectangle<float> r (0.0f, 0.0f, (float) width, (float) height);
    const float corner = 5.0f;
    g.setColour (juce::Colour (0x70000000));
    g.fillRoundedRectangle (r.reduced (1.0f).translated (0.0f, 1.5f), corner);
    const auto face = r.reduced (1.0f).withTrimmedBottom (2.0f);
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), 0.0f, face.getY(),
                                             colours::metalDark(), 0.0f, face.getBottom(), false));
    g.fillRoundedRectangle (face, corner);

    // Brushing across the face.
    juce::Random random (0x7b1 + word.hashCode());
    for (int i = 0; i < 24; ++i)
    {
        const float y = face.getY() + 2.0f + random.nextFloat() * (face.getHeight() - 4.0f);
        g.setColour ((random.nextBool() ? juce::Colours::white : juce::Colours::black).withAlpha (0.06f));
        g.fillRect (face.getX() + 3.0f, y, face.getWidth() - 6.0f, 0.6f);
    }
    g.setColour (juce::Colour (0x90ffffff));
    g.drawLine (face.getX() + corner, face.getY() + 1.0f, face.getRight() - corner, face.getY() + 1.0f, 1.0f);
    g.setColour (juce::Colour (0xff2a2d31));
    g.drawRoundedRectangle (face.reduced (0.5f), corner, 1.0f);

    auto f = font (11.0f, true);
    const float room = face.getWidth() - 6.0f;
    if ((float) f.getStringWidth (word) > room)
        f = f.withHeight (f.getHeight() * room / (float) f.getStringWidth (word));
    g.setFont (f);
    g.setColour (juce::Colour (0x80ffffff));
    g.drawText (word, face.translated (0.0f, 0.8f), juce::Justification::centred, false);
    g.setColour (juce::Colour (0xff1b1d20));
    g.drawText (word, face, juce::Justification::centred, false);
}

/** A 46 x 37 metal arrow pointing left or right, on a transparent ground. */
void drawArrow (juce::Graphics& g, int width, int height, bool pointsLeft)
{
    using namespace artstyle;
    const float w = (float) width, h = (float) height;
    juce::Path arrow;
    // Pointing right; mirrored for the left one.
    arrow.startNewSubPath (3.0f, h * 0.34f);
    arrow.lineTo (w * 0.55f, h * 0.34f);
    arrow.lineTo (w * 0.55f, 4.0f);
    arrow.lineTo (w - 3.0f, h * 0.5f);
    arrow.lineTo (w * 0.55f, h - 6.0f);
    arrow.lineTo (w * 0.55f, h * 0.66f - 2.0f);
    arrow.lineTo (3.0f, h * 0.66f - 2.0f);
    arrow.closeSubPath();
    if (pointsLeft)
        arrow.applyTransform (juce::AffineTransform::scale (-1.0f, 1.0f).translated (w, 0.0f));

    g.setColour (juce::Colour (0x60000000));
    g.fillPath (arrow, juce::AffineTransform::translation (1.0f, 2.0f));
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), 0.0f, 4.0f, colours::metalDark(), 0.0f, h - 6.0f, false));
    g.fillPath (arrow);
    g.setColour (colours::accent());
    g.strokePath (arrow, juce::PathStrokeType (1.0f), juce::AffineTransform::translation (0.0f, 0.0f));
    g.setColour (juce::Colour (0xff2a2d31));
    g.strokePath (arrow, juce::PathStrokeType (0.8f));
}

/** A round brushed metal key with two green arrows circling each other, on white. */
void drawRefreshKey (juce::Graphics& g, int width, int height)
{
    using namespace artstyle;
    g.fillAll (juce::Colours::white);
    const juce::Point<float> c ((float) width * 0.5f, (float) height * 0.5f);
    const float outer = (float) juce::jmin (width, height) * 0.5f - 6.0f;

    g.setColour (juce::Colour (0x40000000));
    g.fillEllipse (c.x - outer + 2.0f, c.y - outer + 5.0f, outer * 2, outer * 2);
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), c.x - outer * 0.6f, c.y - outer,
                                             colours::metalDark(), c.x + outer * 0.6f, c.y + outer, false));
    g.fillEllipse (c.x - outer, c.y - outer, outer * 2, outer * 2);
    juce::Random random (0x2ef);
    for (int i = 0; i < 160; ++i)
    {
        const float r = random.nextFloat() * outer * 0.95f;
        const float a0 = random.nextFloat() * juce::MathConstants<float>::twoPi;
        juce::Path streak;
        streak.addCentredArc (c.x, c.y, r, r, 0.0f, a0, a0 + 0.4f + random.nextFloat(), true);
        g.setColour ((random.nextBool() ? juce::Colours::white : juce::Colours::black).withAlpha (0.05f));
        g.strokePath (streak, juce::PathStrokeType (1.0f));
    }
    g.setColour (juce::Colour (0xff2a2d31));
    g.drawEllipse (c.x - outer, c.y - outer, outer * 2, outer * 2, 3.0f);

    // Two arcs of a circle, each ending in an arrow head, chasing each other clockwise.
    const float ring = outer * 0.55f, thickness = outer * 0.16f;
    const juce::Colour green (0xff2fa33a), darkGreen (0xff15601c);
    for (int k = 0; k < 2; ++k)
    {
        const float start = (float) k * juce::MathConstants<float>::pi + 0.35f;
        const float end = start + juce::MathConstants<float>::pi - 0.9f;
        juce::Path arc;
        arc.addCentredArc (c.x, c.y, ring, ring, 0.0f, start, end, true);

        const auto tip = artstyle::onDial (c, ring, end + 0.45f);
        const auto inner = artstyle::onDial (c, ring - thickness * 1.6f, end);
        const auto outerPoint = artstyle::onDial (c, ring + thickness * 1.6f, end);
        juce::Path head;
        head.addTriangle (inner, outerPoint, tip);

        for (int pass = 0; pass < 2; ++pass)
        {
            const auto shift = juce::AffineTransform::translation (pass == 0 ? 2.0f : 0.0f, pass == 0 ? 3.0f : 0.0f);
            g.setColour (pass == 0 ? juce::Colour (0x50000000) : green);
            g.strokePath (arc, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::butt), shift);
            g.fillPath (head, shift);
        }
        g.setColour (darkGreen);
        g.strokePath (arc, juce::PathStrokeType (1.5f));
        g.strokePath (head, juce::PathStrokeType (1.5f));
    }
}

/** A 91 x 91 rubber pad, unlit, in its metal bezel, on a transparent ground. */
void drawPad (juce::Graphics& g, int width, int height)
{
    using namespace artstyle;
    const juce::Rectangle<float> r (2.0f, 2.0f, (float) width - 4.0f, (float) height - 4.0f);
    g.setColour (juce::Colour (0x50000000));
    g.fillRoundedRectangle (r.translated (1.0f, 2.0f), 10.0f);
    g.setGradientFill (juce::ColourGradient (colours::metalLight(), 0.0f, r.getY(), colours::metalDark(), 0.0f, r.getBottom(), false));
    g.fillRoundedRectangle (r, 10.0f);
    g.setColour (juce::Colour (0xff2a2d31));
    g.drawRoundedRectangle (r.reduced (0.5f), 10.0f, 1.0f);

    const auto pad = r.reduced (9.0f);
    g.setColour (colours::slot());
    g.fillRoundedRectangle (pad.expanded (1.5f), 8.0f);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff4a4e55), pad.getCentreX(), pad.getY(),
                                             juce::Colour (0xff1d1f23), pad.getCentreX(), pad.getBottom(), false));
    g.fillRoundedRectangle (pad, 7.0f);
    g.setColour (juce::Colour (0x30ffffff));
    g.drawRoundedRectangle (pad.reduced (3.0f), 5.0f, 1.0f);

    // The pad's light, off: a dark amber strip along its top edge.
    g.setColour (colours::accent().darker (2.2f));
    g.fillRoundedRectangle (pad.getX() + 10.0f, pad.getY() + 6.0f, pad.getWidth() - 20.0f, 4.0f, 2.0f);
}

// ---------------------------------------------------------------------------------------------
// Preset editor pattern, 25 x 41 bars and 8-row ties on white.

void drawBar (juce::Graphics& g, int width, int height, juce::Colour colour, int rows, bool rim)
{
    g.fillAll (juce::Colours::white);
    const juce::Rectangle<int> bar (0, height - rows, width, rows);
    g.setGradientFill (juce::ColourGradient (colour.brighter (0.35f), 0.0f, 0.0f, colour.darker (0.15f), (float) width, 0.0f, false));
    g.fillRect (bar);
    if (rim)
    {
        g.setColour (colour.darker (0.6f));
        g.drawRect (bar, 2);
    }
}

/** The tie arc of a width x 8 picture from x0 to x1 (the full arc spans 0 to 33). */
void drawTie (juce::Graphics& g, int width, int height, float fullFrom)
{
    g.fillAll (juce::Colours::white);
    const float full = 33.0f;
    juce::Path arc;
    arc.startNewSubPath (fullFrom + 1.0f, (float) height - 1.0f);
    arc.cubicTo (fullFrom + full * 0.25f, 0.5f, fullFrom + full * 0.75f, 0.5f, fullFrom + full - 1.0f, (float) height - 1.0f);
    g.setColour (juce::Colours::black);
    g.strokePath (arc, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    juce::ignoreUnused (width);
}
} // namespace

DORVO_ART (serig_kre_left_png, 46, 37, ArtFormat::png)  { drawArrow (g, width, height, true); }
DORVO_ART (serig_kre_right_png, 46, 37, ArtFormat::png) { drawArrow (g, width, height, false); }
DORVO_ART (tb_export_up_png, 47, 27, ArtFormat::png)    { drawWordKey (g, width, height, "export"); }
DORVO_ART (tb_import_up_png, 47, 27, ArtFormat::png)    { drawWordKey (g, width, height, "import"); }
DORVO_ART (tb_delete_up_png, 47, 27, ArtFormat::png)    { drawWordKey (g, width, height, "delete"); }
DORVO_ART (tb_copy_up_png, 47, 27, ArtFormat::png)      { drawWordKey (g, width, height, "copy"); }
DORVO_ART (tb_rename_up_png, 47, 27, ArtFormat::png)    { drawWordKey (g, width, height, "rename"); }
DORVO_ART (images_jpeg, 204, 204, ArtFormat::jpeg)      { drawRefreshKey (g, width, height); }
DORVO_ART (pad_91x91_down_off_png, 91, 91, ArtFormat::png) { drawPad (g, width, height); }

DORVO_ART (barre_orange_png, 25, 41, ArtFormat::png) { drawBar (g, width, height, juce::Colour (0xfff08a1c), 25, true); }
DORVO_ART (barre_verte_png, 25, 41, ArtFormat::png)  { drawBar (g, width, height, juce::Colour (0xff3cb043), 17, false); }
DORVO_ART (barre_rouge_png, 25, 41, ArtFormat::png)  { drawBar (g, width, height, juce::Colour (0xffd8232a), 41, false); }
DORVO_ART (liaison_png, 33, 8, ArtFormat::png)        { drawTie (g, width, height, 0.0f); }
DORVO_ART (liaison_gauche_png, 17, 8, ArtFormat::png) { drawTie (g, width, height, 0.0f); }   // rises from the lower left
DORVO_ART (liaison_droite_png, 17, 8, ArtFormat::png) { drawTie (g, width, height, -16.0f); } // falls to the lower right
