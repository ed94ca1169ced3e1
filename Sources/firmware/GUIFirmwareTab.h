#pragma once

#include "firmware/GUIUpdater.h"
#include "firmware/GUIWebLink.h"

/** What the three Firmware Update pages share: the update button, the "Firmware Version:"
    caption, the version label and the model's web link over a background picture, and the
    two operations the editor window calls on whichever page it built. */
class GUIFirmwarePage : public juce::Component,
                        public juce::ActionBroadcaster
{
public:
    struct Layout
    {
        int width;                       // page size is width x 420
        const char* background;
        int backgroundSize;
        int paintedWidth;                // background drawn within (0, 0, paintedWidth, 420)
        juce::Rectangle<int> updater, caption, version, webLink;
        GUIWebLinkButton* (*makeWebLink)();
    };

    explicit GUIFirmwarePage (const Layout& layout);
    ~GUIFirmwarePage() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Shows the version as the four numbers joined by "." (1, 0, 3, 0 reads 1.0.3.0), whole
        however long: a long one is drawn smaller. */
    void SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);

    /** Adds the listener to the update button, which then delivers "FIRM " to it. */
    void registerListener (juce::ActionListener* listener);

    GUIUpdater* getUpdateButton() const noexcept { return mUpdateButton; }
    juce::Label* getVersionCaption() const noexcept { return mVersionCaption; }
    juce::Label* getVersionLabel() const noexcept { return mVersionLabel; }
    GUIWebLinkButton* getWebLink() const noexcept { return mWebLink; }

private:
    /** Sets the version label's text, in a font that lets the whole text fit its rectangle. */
    void showVersion (const juce::String& text);

    const Layout mLayout;
    GUIUpdater* mUpdateButton = nullptr;
    juce::Label* mVersionCaption = nullptr;
    juce::Label* mVersionLabel = nullptr;
    GUIWebLinkButton* mWebLink = nullptr;
    juce::Image mBackground;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIFirmwarePage)
};

/** TavinDorvo's Firmware Update page (1000 x 420); no layout builds it. */
class GUIFirmwareTab : public GUIFirmwarePage
{
public:
    GUIFirmwareTab();

    static const char* tavinDorvo_firmwareTab_jpg;
    static const int tavinDorvo_firmwareTab_jpgSize;
};

/** KelaDorvo's Firmware Update page (795 x 420). */
class GUIFirmwareTab_KelaArp : public GUIFirmwarePage
{
public:
    GUIFirmwareTab_KelaArp();

    // JPEG data, whatever the name says.
    static const char* updatePanel_backGround_kelaArp_png;
    static const int updatePanel_backGround_kelaArp_pngSize;
};

/** KelaDorvo SE's Firmware Update page (950 x 420). */
class GUIFirmwareTab_KelaSE : public GUIFirmwarePage
{
public:
    GUIFirmwareTab_KelaSE();

    static const char* firmwareTab_kelaSe_jpg;
    static const int firmwareTab_kelaSe_jpgSize;
};
