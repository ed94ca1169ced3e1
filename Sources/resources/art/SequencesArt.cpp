// The Sequences page background: the captions above the factory, load and save keys.

#include "ArtRegistry.h"
#include "ArtStyle.h"

DORVO_ART (seqTab_kelaSe_jpg, 950, 420, ArtFormat::jpeg)
{
    using namespace artstyle;
    drawPageBackground (g, width, height);

    g.setFont (titleFont());
    g.setColour (colours::caption());
    g.drawText ("Sequences", juce::Rectangle<int> (40, 40, width - 80, 24), juce::Justification::centredLeft, false);
    g.setFont (textFont());
    g.setColour (colours::label());
    g.drawFittedText ("The six step sequences stored in the instrument: bring back the factory set, load them from "
                      "a sequence file (*.kdseq) or save them to one, optionally with a MIDI file per sequence.",
                      juce::Rectangle<int> (40, 68, width - 80, 36), juce::Justification::topLeft, 2, 1.0f);

    // Buttons at (304, 232), (533, 232) and (694, 232), each 70 x 55.
    const juce::Rectangle<int> factory (304, 232, 70, 55), load (533, 232, 70, 55), save (694, 232, 70, 55);
    const float top = 232.0f - 46.0f, bottom = 232.0f + 55.0f + 16.0f;

    drawGroup (g, juce::Rectangle<float> (254.0f, top, 170.0f, bottom - top), "FACTORY");
    drawGroup (g, juce::Rectangle<float> (481.0f, top, 335.0f, bottom - top), "SEQUENCE FILE");

    auto captionAbove = [&] (juce::Rectangle<int> key, const juce::String& text)
    {
        drawCaption (g, text, key.withY (key.getY() - 32).withHeight (28).expanded (30, 0));
    };
    captionAbove (factory, "reset all\nsequences");
    captionAbove (load, "load\nsequences");
    captionAbove (save, "save\nsequences");

    drawBrand (g, juce::Rectangle<float> ((float) width - 290.0f, 316.0f, 250.0f, 62.0f), "KelaDorvo SE");
}
