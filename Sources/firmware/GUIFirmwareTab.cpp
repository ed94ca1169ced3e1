#include "firmware/GUIFirmwareTab.h"

namespace
{
void styleLabel (juce::Label& label, juce::Colour text)
{
    label.setFont (juce::Font (15.0f, juce::Font::plain));
    label.setJustificationType (juce::Justification::centredLeft);
    label.setEditable (false, false, false);
    label.setColour (juce::Label::textColourId, text);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
}

// The version label keeps its small rectangle: a long version (up to 255.255.255.255) is
// drawn a little narrower and then smaller until it fits whole, instead of being cut short.
constexpr float versionNarrowest = 0.75f;

juce::Font versionFontFor (const juce::String& text, float room)
{
    const juce::Font font (15.0f, juce::Font::plain);
    // A little margin, so rounding in the layout never tips the text over the edge.
    const float fit = room * 0.98f / (font.getStringWidthFloat (text) * versionNarrowest);
    return fit < 1.0f ? font.withHeight (font.getHeight() * fit) : font;
}
} // namespace

GUIFirmwarePage::GUIFirmwarePage (const Layout& layout)
    : mLayout (layout)
{
    mUpdateButton = new GUIUpdater();
    addAndMakeVisible (mUpdateButton);

    mVersionCaption = new juce::Label ("new label", "Firmware Version:");
    addAndMakeVisible (mVersionCaption);
    styleLabel (*mVersionCaption, juce::Colour (0xffffffff));

    mVersionLabel = new juce::Label ("new label", "Unknown");
    addAndMakeVisible (mVersionLabel);
    styleLabel (*mVersionLabel, juce::Colour (0xfffffefe));
    mVersionLabel->setBorderSize ({ 1, 1, 1, 1 });
    mVersionLabel->setMinimumHorizontalScale (versionNarrowest);
    showVersion ("Unknown");

    mWebLink = mLayout.makeWebLink();
    addAndMakeVisible (mWebLink);

    mBackground = juce::ImageCache::getFromMemory (mLayout.background, mLayout.backgroundSize);
    setSize (mLayout.width, 420);
}

GUIFirmwarePage::~GUIFirmwarePage()
{
    delete mUpdateButton;
    mUpdateButton = nullptr;
    delete mVersionCaption;
    mVersionCaption = nullptr;
    delete mVersionLabel;
    mVersionLabel = nullptr;
    delete mWebLink;
    mWebLink = nullptr;
}

void GUIFirmwarePage::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (mBackground, 0, 0, mLayout.paintedWidth, 420, juce::RectanglePlacement::centred, false);
}

void GUIFirmwarePage::resized()
{
    mUpdateButton->setBounds (mLayout.updater);
    mVersionCaption->setBounds (mLayout.caption);
    mVersionLabel->setBounds (mLayout.version);
    mWebLink->setBounds (mLayout.webLink);
}

void GUIFirmwarePage::SetFirmwareVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    showVersion (juce::String ((int) a) + "." + juce::String ((int) b) + "." + juce::String ((int) c) + "."
                 + juce::String ((int) d));
}

void GUIFirmwarePage::showVersion (const juce::String& text)
{
    const auto room = mVersionLabel->getBorderSize().subtractedFrom (mLayout.version.withZeroOrigin());
    mVersionLabel->setFont (versionFontFor (text, (float) room.getWidth()));
    mVersionLabel->setText (text, juce::dontSendNotification);
}

void GUIFirmwarePage::registerListener (juce::ActionListener* listener)
{
    mUpdateButton->addActionListener (listener);
}

// ---------------------------------------------------------------------------------------------

GUIFirmwareTab::GUIFirmwareTab()
    : GUIFirmwarePage ({ 1000, tavinDorvo_firmwareTab_jpg, tavinDorvo_firmwareTab_jpgSize, 1035,
                         { 704, 232, 70, 55 }, { 242, 238, 128, 24 }, { 380, 238, 60, 26 }, { 544, 232, 70, 55 },
                         []() -> GUIWebLinkButton* { return new GUIWebLink(); } })
{
}

GUIFirmwareTab_KelaArp::GUIFirmwareTab_KelaArp()
    : GUIFirmwarePage ({ 795, updatePanel_backGround_kelaArp_png, updatePanel_backGround_kelaArp_pngSize, 795,
                         { 584, 232, 70, 55 }, { 120, 240, 128, 24 }, { 256, 240, 60, 26 }, { 424, 232, 70, 55 },
                         []() -> GUIWebLinkButton* { return new GUIWebLink_Kela(); } })
{
}

GUIFirmwareTab_KelaSE::GUIFirmwareTab_KelaSE()
    : GUIFirmwarePage ({ 950, firmwareTab_kelaSe_jpg, firmwareTab_kelaSe_jpgSize, 950,
                         { 702, 232, 70, 55 }, { 239, 246, 128, 24 }, { 380, 245, 60, 26 }, { 541, 232, 70, 55 },
                         []() -> GUIWebLinkButton* { return new GUIWebLink_KelaSE(); } })
{
}
