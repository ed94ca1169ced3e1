// Backgrounds of the Configuration pages. Each page's background carries every group frame,
// control caption, position label and dial marking; the controls on top draw only the switch
// caps and knobs, at the rectangles the pages give them (GUIParametersTab_KelaArp.cpp and
// GUIParametersTab_KelaSE.cpp).

#include "ArtRegistry.h"
#include "ArtStyle.h"

namespace
{
using namespace artstyle;

enum class CaptionSide { above, below };
enum class Marks { text, curves };

// Small curve symbols for the velocity and aftertouch responses, in a box of 22 x 12 centred
// on (x + 11, y).
void drawCurveSymbol (juce::Graphics& g, float x, float y, int kind)
{
    const float w = 22.0f, h = 12.0f, left = x, bottom = y + h * 0.5f, top = y - h * 0.5f;
    g.setColour (colours::dimLabel());
    g.drawLine (left, bottom + 0.5f, left + w, bottom + 0.5f, 1.0f);
    g.drawLine (left - 0.5f, top, left - 0.5f, bottom + 1.0f, 1.0f);

    juce::Path curve;
    curve.startNewSubPath (left, bottom);
    for (int i = 1; i <= 24; ++i)
    {
        const float t = (float) i / 24.0f;
        float v = t;                                          // straight rising line
        if (kind == 1) v = 1.0f - (1.0f - t) * (1.0f - t) * (1.0f - t); // steep, then flat
        if (kind == 2) v = t * t * t;                         // flat, then steep
        curve.lineTo (left + t * w, bottom - v * h);
    }
    g.setColour (colours::caption());
    g.strokePath (curve, juce::PathStrokeType (1.6f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

/** A slide switch at the control rectangle (x, y, 29, 65): plate and slot, position labels to
    its right at the cap positions (top to bottom), and the caption above or below. */
void drawSwitch (juce::Graphics& g, int x, int y, const juce::String& caption,
                 const juce::StringArray& labels, CaptionSide side, Marks marks = Marks::text)
{
    const juce::Rectangle<float> r ((float) x, (float) y, (float) switchWidth, (float) switchHeight);
    drawSwitchSlot (g, r);

    // Top to bottom: three labels sit at high, center, low; two at high and low.
    const int positions3[] = { 2, 1, 0 }, positions2[] = { 2, 0 };
    const int* positions = labels.size() == 3 ? positions3 : positions2;
    const float labelX = r.getRight() + 6.0f;
    float widest = 0.0f;
    for (int i = 0; i < labels.size(); ++i)
    {
        const float ly = r.getY() + switchCapCentreY (positions[i]);
        if (marks == Marks::curves)
        {
            drawCurveSymbol (g, labelX + 1.0f, ly, i);
            widest = 24.0f;
        }
        else
        {
            drawLabel (g, labels[i], labelX, ly);
            widest = juce::jmax (widest, labelWidth (labels[i]));
        }
    }

    const float blockCentre = (r.getX() + labelX + widest) * 0.5f;
    const int w = 96, h = 30;
    const int cx = juce::roundToInt (blockCentre) - w / 2;
    if (side == CaptionSide::above)
        drawCaption (g, caption, { cx, y - h - 4, w, h }, juce::Justification::centredBottom);
    else
        drawCaption (g, caption, { cx, y + switchHeight + 3, w, h }, juce::Justification::centredTop);
}

/** The two dials of the MIDI channel panel placed at (x, y) of the page (knob rectangles at
    (42, 17) and (167, 15) within it), with their captions below. */
void drawMidiChannelDials (juce::Graphics& g, int x, int y)
{
    const juce::Rectangle<float> out ((float) x + 42.0f, (float) y + 17.0f, (float) knobWidth, (float) knobHeight);
    const juce::Rectangle<float> in ((float) x + 167.0f, (float) y + 15.0f, (float) knobWidth, (float) knobHeight);

    juce::StringArray channels;
    for (int c = 1; c <= 16; ++c)
        channels.add (juce::String (c));
    juce::StringArray receive ("All");
    receive.addArray (channels);

    drawKnobDial (g, out, 2, channels);  // channel n on frame n + 1
    drawKnobDial (g, in, 1, receive);    // All on frame 1, channel n on frame n + 1

    g.setFont (captionFont());
    g.setColour (colours::caption());
    g.drawText ("TRANSMIT CHANNEL", juce::Rectangle<float> (out.getCentreX() - 60.0f, (float) y + 90.0f, 120.0f, 16.0f),
                juce::Justification::centred, false);
    g.drawText ("RECEIVE CHANNEL", juce::Rectangle<float> (in.getCentreX() - 60.0f, (float) y + 90.0f, 120.0f, 16.0f),
                juce::Justification::centred, false);
}

const juce::StringArray onOff { "On", "Off" };
const juce::StringArray curves { "linear", "steep", "soft" }; // drawn as symbols
} // namespace

// The base page's default background; the pages replace it, so it only carries the panel.
// The base page is 1000 wide: the last 35 columns never show.
DORVO_ART (mainPanel_backGround2_jpg, 1035, 420, ArtFormat::jpeg)
{
    drawPanelTexture (g, width, height);
    drawPanelFrame (g, 1000, juce::jmin (height, visiblePageHeight));
}

// KelaDorvo page, 795 x 420 (a JPEG despite the name).
DORVO_ART (mainPanel_backGround_png4, 795, 420, ArtFormat::jpeg)
{
    drawPageBackground (g, width, height);

    drawBrand (g, { 74.0f, 70.0f, 148.0f, 90.0f }, "KelaDorvo");

    drawGroup (g, { 236.0f, 50.0f, 148.0f, 138.0f }, "AUDIO INPUT");
    drawSwitch (g, 280, 106, "Audio Gate\nThreshold", { "High", "Medium", "Low" }, CaptionSide::above);

    drawGroup (g, { 400.0f, 50.0f, 330.0f, 138.0f }, "MODULE PARAMETERS");
    drawSwitch (g, 439, 106, "LFO Key\nRetrigger", onOff, CaptionSide::above);
    drawSwitch (g, 532, 110, "Envelope\nLegato Mode", onOff, CaptionSide::above);
    drawSwitch (g, 644, 106, "Arpeggiator\nHold", onOff, CaptionSide::above);

    drawGroup (g, { 70.0f, 212.0f, 314.0f, 138.0f }, "MIDI CHANNEL SELECT", LegendEdge::bottom);
    drawMidiChannelDials (g, 80, 220);

    drawGroup (g, { 400.0f, 212.0f, 330.0f, 138.0f }, "KEYBOARD PARAMETERS", LegendEdge::bottom);
    drawSwitch (g, 440, 228, "Note Priority", { "High", "Last", "Low" }, CaptionSide::below);
    drawSwitch (g, 533, 225, "Velocity\nResponse", curves, CaptionSide::below, Marks::curves);
    drawSwitch (g, 644, 225, "Aftertouch\nResponse", curves, CaptionSide::below, Marks::curves);
}

// KelaDorvo SE page, 950 x 420.
DORVO_ART (mainPanel_backGround_kelaDorvoSe_jpg, 950, 420, ArtFormat::jpeg)
{
    drawPageBackground (g, width, height);

    drawGroup (g, { 70.0f, 44.0f, 314.0f, 136.0f }, "KEYBOARD PARAMETERS");
    drawSwitch (g, 160, 99, "Audio Gate\nThreshold", { "High", "Medium", "Low" }, CaptionSide::above);
    drawSwitch (g, 253, 99, "LFO Key\nRetrigger", onOff, CaptionSide::above);

    drawGroup (g, { 400.0f, 44.0f, 480.0f, 136.0f }, "SEQUENCER CONTROL");
    drawSwitch (g, 439, 98, "Play", { "Note On", "Hold" }, CaptionSide::above);
    drawSwitch (g, 547, 98, "Next Seq.", { "End", "Inst. Reset", "Inst. Cont." }, CaptionSide::above);
    drawSwitch (g, 652, 98, "Sync", { "Ext", "Int", "Auto" }, CaptionSide::above);
    drawSwitch (g, 756, 97, "Step", { "1/16", "1/8", "1/4" }, CaptionSide::above);

    drawGroup (g, { 70.0f, 212.0f, 314.0f, 138.0f }, "MIDI CHANNEL SELECT", LegendEdge::bottom);
    drawMidiChannelDials (g, 80, 220);

    drawGroup (g, { 400.0f, 212.0f, 480.0f, 138.0f }, "MODULE PARAMETERS", LegendEdge::bottom);
    drawSwitch (g, 436, 225, "Note Priority", { "High", "Last", "Low" }, CaptionSide::below);
    drawSwitch (g, 546, 225, "Envelope\nLegato Mode", onOff, CaptionSide::below);
    drawSwitch (g, 649, 225, "Velocity\nResponse", curves, CaptionSide::below, Marks::curves);
    drawSwitch (g, 756, 225, "After Touch\nResponse", curves, CaptionSide::below, Marks::curves);

    // Below the right-hand groups, clear of the legend on their bottom edge and above the
    // window's lower edge.
    drawBrand (g, { 580.0f, 354.0f, 300.0f, 46.0f }, "KelaDorvo SE");
}
