#pragma once

#include "JuceIncludes.h"

/** The preset editor's step pattern: eight columns of a bar and an LED, a tie between each two
    neighbouring columns, one before the first and one after the last. Its buttons do nothing
    when clicked. */
class GUIPattern : public juce::Component,
                   public juce::Button::Listener
{
public:
    static constexpr int numButtons = 25;

    GUIPattern();
    ~GUIPattern() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    /** The buttons in field order (0 to 24): bar 1, LED 1, bar 2, tie 1-2, ... start tie. */
    juce::ImageButton* getButton (int index) const;
    /** The bounds resized() gives the index-th button. */
    static juce::Rectangle<int> buttonBounds (int index);

    static const char* barre_orange_png;
    static const int barre_orange_pngSize;
    static const char* barre_verte_png;
    static const int barre_verte_pngSize;
    static const char* barre_rouge_png;
    static const int barre_rouge_pngSize;
    static const char* ledoff_png;
    static const int ledoff_pngSize;
    static const char* liaison_png;
    static const int liaison_pngSize;
    static const char* liaison_gauche_png;
    static const int liaison_gauche_pngSize;
    static const char* liaison_droite_png;
    static const int liaison_droite_pngSize;

private:
    // Bar 1, LED 1, bar 2, tie 1-2, tie 2-3, LED 2, bar 3, LED 3, bar 4, tie 3-4, tie 4-5, LED 4,
    // bar 5, LED 5, bar 6, tie 5-6, tie 6-7, LED 6, bar 7, LED 7, bar 8, tie 7-8, end tie, LED 8,
    // start tie: creation and paint order.
    juce::ImageButton* mButtons[numButtons] = {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIPattern)
};
