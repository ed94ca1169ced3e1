#pragma once

#include "JuceIncludes.h"

/** The application's one look for everything the framework draws itself: message boxes and
    questions, file choosers and progress windows, with their buttons, lists and fields. It
    takes its colours and fonts from the art (Sources/resources/art/ArtStyle.h): boxes are
    plates of the pages' dark brushed metal with corner screws, amber titles and light text,
    their icon drawn within the box; buttons are metal keys, the default one ringed in amber;
    fields and lists are dark slots with an amber selection.

    It is installed as the default look of every component by an Installed holder: the
    application holds one from before its window is made, tests that show boxes hold one too. */
class DorvoLookAndFeel : public juce::LookAndFeel_V4
{
public:
    DorvoLookAndFeel();

    /** Makes a DorvoLookAndFeel the default look and feel for the holder's lifetime, and puts
        the one it replaced back afterwards (message thread). */
    class Installed
    {
    public:
        Installed();
        ~Installed();
        Installed (const Installed&) = delete;
        Installed& operator= (const Installed&) = delete;

        DorvoLookAndFeel& get() { return *mLook; }

    private:
        std::unique_ptr<DorvoLookAndFeel> mLook;
        juce::WeakReference<juce::LookAndFeel> mPrevious;
    };

    /** Where a box's icon is drawn: in the column the box keeps free for it at its left,
        wholly inside the box. Empty for a box without icon. */
    static juce::Rectangle<float> iconArea (const juce::AlertWindow& box);

    void drawAlertBox (juce::Graphics&, juce::AlertWindow&, const juce::Rectangle<int>& textArea,
                       juce::TextLayout&) override;
    int getAlertWindowButtonHeight() override;
    juce::Font getAlertWindowTitleFont() override;
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowFont() override;

    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;

    void drawProgressBar (juce::Graphics&, juce::ProgressBar&, int width, int height, double progress,
                          const juce::String& textToShow) override;

    void fillResizableWindowBackground (juce::Graphics&, int w, int h, const juce::BorderSize<int>&,
                                        juce::ResizableWindow&) override;
    juce::AttributedString createFileChooserHeaderText (const juce::String& title,
                                                        const juce::String& instructions) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    juce::Font getPopupMenuFont() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DorvoLookAndFeel)
};
