#include "presets/GUIPattern.h"

namespace
{
enum class Kind { bar, led, tie, endTie, startTie };

struct ButtonPlace
{
    Kind kind;
    int x, y, w, h;
};

const ButtonPlace buttonPlaces[GUIPattern::numButtons] = {
    { Kind::bar, 16, 32, 32, 64 },   // bar 1
    { Kind::led, 24, 112, 8, 8 },    // LED 1
    { Kind::bar, 64, 32, 32, 64 },   // bar 2
    { Kind::tie, 40, 16, 32, 16 },   // tie 1-2
    { Kind::tie, 88, 16, 32, 16 },   // tie 2-3
    { Kind::led, 72, 112, 8, 8 },    // LED 2
    { Kind::bar, 112, 32, 32, 64 },  // bar 3
    { Kind::led, 120, 112, 8, 8 },   // LED 3
    { Kind::bar, 160, 32, 32, 64 },  // bar 4
    { Kind::tie, 136, 16, 32, 16 },  // tie 3-4
    { Kind::tie, 184, 16, 32, 16 },  // tie 4-5
    { Kind::led, 168, 112, 8, 8 },   // LED 4
    { Kind::bar, 208, 32, 32, 64 },  // bar 5
    { Kind::led, 216, 112, 8, 8 },   // LED 5
    { Kind::bar, 256, 32, 32, 64 },  // bar 6
    { Kind::tie, 232, 16, 32, 16 },  // tie 5-6
    { Kind::tie, 280, 16, 32, 16 },  // tie 6-7
    { Kind::led, 264, 112, 8, 8 },   // LED 6
    { Kind::bar, 304, 32, 32, 64 },  // bar 7
    { Kind::led, 312, 112, 8, 8 },   // LED 7
    { Kind::bar, 352, 32, 32, 64 },  // bar 8
    { Kind::tie, 328, 16, 32, 16 },  // tie 7-8
    { Kind::endTie, 376, 16, 16, 16 },
    { Kind::led, 360, 112, 8, 8 },   // LED 8
    { Kind::startTie, 8, 16, 20, 16 },
};
} // namespace

GUIPattern::GUIPattern()
{
    const juce::Colour clear (0x00000000);
    auto picture = [] (const char* data, int size) { return juce::ImageCache::getFromMemory (data, size); };

    for (int i = 0; i < numButtons; ++i)
    {
        auto* button = new juce::ImageButton (juce::String());
        mButtons[i] = button;
        addAndMakeVisible (button);
        button->addListener (this);

        switch (buttonPlaces[i].kind)
        {
            case Kind::bar:
                button->setImages (false, true, false,
                                   picture (barre_orange_png, barre_orange_pngSize), 1.0f, clear,
                                   picture (barre_verte_png, barre_verte_pngSize), 1.0f, clear,
                                   picture (barre_rouge_png, barre_rouge_pngSize), 1.0f, clear,
                                   0.0f);
                break;
            case Kind::led:
            case Kind::tie:
            case Kind::endTie:
            case Kind::startTie:
            {
                const auto kind = buttonPlaces[i].kind;
                const auto normal = kind == Kind::led      ? picture (ledoff_png, ledoff_pngSize)
                                    : kind == Kind::tie    ? picture (liaison_png, liaison_pngSize)
                                    : kind == Kind::endTie ? picture (liaison_gauche_png, liaison_gauche_pngSize)
                                                           : picture (liaison_droite_png, liaison_droite_pngSize);
                button->setImages (false, true, true,
                                   normal, 1.0f, clear,
                                   juce::Image(), 1.0f, clear,
                                   juce::Image(), 1.0f, clear,
                                   0.0f);
                break;
            }
        }
    }
    setSize (400, 150);
}

GUIPattern::~GUIPattern()
{
    for (auto*& button : mButtons)
    {
        delete button;
        button = nullptr;
    }
}

void GUIPattern::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
}

void GUIPattern::resized()
{
    for (int i = 0; i < numButtons; ++i)
        mButtons[i]->setBounds (buttonBounds (i));
}

void GUIPattern::buttonClicked (juce::Button*)
{
}

juce::ImageButton* GUIPattern::getButton (int index) const
{
    return index >= 0 && index < numButtons ? mButtons[index] : nullptr;
}

juce::Rectangle<int> GUIPattern::buttonBounds (int index)
{
    if (index < 0 || index >= numButtons)
        return {};
    const auto& s = buttonPlaces[index];
    return { s.x, s.y, s.w, s.h };
}
