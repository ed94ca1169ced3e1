#include "app/DorvoLookAndFeel.h"
#include "resources/art/ArtStyle.h"

namespace colours = artstyle::colours;

namespace
{
juce::LookAndFeel_V4::ColourScheme scheme()
{
    return { colours::panelBottom(), // window background
             colours::plate(),       // widget background
             colours::slot(),        // menu background (also the path and file name fields)
             colours::metalDark(),   // outline
             colours::caption(),     // text
             colours::metalMid(),    // fill (scroll bar thumbs and the like)
             colours::slot(),        // text on a selection
             colours::accent(),      // selection
             colours::caption() };   // menu text
}

// The column at a box's left that the framework keeps free for its icon, and the box's text
// position beside it (the framework lays a box out for these).
constexpr int iconColumn = 80;
constexpr int textTop = 30;
constexpr float iconSize = 48.0f;

void drawIcon (juce::Graphics& g, juce::Rectangle<float> r, juce::MessageBoxIconType type)
{
    juce::Path shape;
    juce::String mark;
    auto markArea = r;
    juce::Colour top, bottom;
    if (type == juce::MessageBoxIconType::WarningIcon)
    {
        shape.addTriangle (r.getCentreX(), r.getY(), r.getRight(), r.getBottom(), r.getX(), r.getBottom());
        shape = shape.createPathWithRoundedCorners (4.0f);
        top = colours::accent().brighter (0.3f);
        bottom = colours::accent().darker (0.35f);
        mark = "!";
        markArea = r.withTrimmedTop (r.getHeight() * 0.3f).withTrimmedBottom (r.getHeight() * 0.05f);
    }
    else
    {
        // A domed metal button, like the panel's screws.
        shape.addEllipse (r);
        top = colours::metalLight();
        bottom = colours::metalDark();
        mark = type == juce::MessageBoxIconType::InfoIcon ? "i" : "?";
        markArea = r.reduced (r.getWidth() * 0.18f);
    }

    g.setColour (juce::Colour (0x60000000));
    g.fillPath (shape, juce::AffineTransform::translation (1.0f, 2.0f));
    g.setGradientFill (juce::ColourGradient (top, r.getX(), r.getY(), bottom, r.getRight(), r.getBottom(), false));
    g.fillPath (shape);
    g.setColour (colours::groupEngrave());
    g.strokePath (shape, juce::PathStrokeType (1.2f));

    juce::GlyphArrangement glyphs;
    glyphs.addFittedText (artstyle::font (markArea.getHeight(), true), mark, markArea.getX(), markArea.getY(),
                          markArea.getWidth(), markArea.getHeight(), juce::Justification::centred, 1);
    juce::Path markPath;
    glyphs.createPath (markPath);
    g.setColour (colours::buttonText());
    g.fillPath (markPath);
}

/** A box or dialog as a plate of the pages' brushed metal, with its screws and an engraved edge. */
void drawPlate (juce::Graphics& g, int width, int height)
{
    artstyle::drawPanelTexture (g, width, height);
    artstyle::drawPanelFrame (g, width, height);
    // A dark edge with a lit line inside it, so the plate stands out from a page behind it.
    g.setColour (colours::groupEngrave());
    g.drawRect (0, 0, width, height, 1);
    g.setColour (colours::groupHighlight());
    g.drawRect (1, 1, width - 2, height - 2, 1);
}
} // namespace

// ---------------------------------------------------------------------------------------------
DorvoLookAndFeel::DorvoLookAndFeel() : juce::LookAndFeel_V4 (scheme())
{
    setDefaultSansSerifTypefaceName (artstyle::typefaceName());

    setColour (juce::AlertWindow::backgroundColourId, colours::panelTop());
    setColour (juce::AlertWindow::textColourId, colours::caption());
    setColour (juce::AlertWindow::outlineColourId, colours::groupEngrave());

    setColour (juce::TextButton::buttonColourId, colours::metalMid());
    setColour (juce::TextButton::buttonOnColourId, colours::metalMid());
    setColour (juce::TextButton::textColourOffId, colours::buttonText());
    setColour (juce::TextButton::textColourOnId, colours::buttonText());

    setColour (juce::TextEditor::backgroundColourId, colours::slot());
    setColour (juce::TextEditor::textColourId, colours::caption());
    setColour (juce::TextEditor::outlineColourId, colours::metalDark());
    setColour (juce::TextEditor::focusedOutlineColourId, colours::accent());
    setColour (juce::TextEditor::highlightColourId, colours::accent().withAlpha (0.45f));
    setColour (juce::CaretComponent::caretColourId, colours::accent());

    setColour (juce::ListBox::backgroundColourId, colours::slot());
    setColour (juce::ListBox::outlineColourId, colours::metalDark());
    setColour (juce::ComboBox::backgroundColourId, colours::slot());
    setColour (juce::ComboBox::arrowColourId, colours::accent());
    setColour (juce::ScrollBar::thumbColourId, colours::metalDark());

    setColour (juce::PopupMenu::backgroundColourId, colours::plate());

    setColour (juce::ProgressBar::backgroundColourId, colours::slot());
    setColour (juce::ProgressBar::foregroundColourId, colours::accent());

    setColour (juce::FileChooserDialogBox::titleTextColourId, colours::accent());
}

// ---------------------------------------------------------------------------------------------
DorvoLookAndFeel::Installed::Installed() : mLook (std::make_unique<DorvoLookAndFeel>())
{
    JUCE_ASSERT_MESSAGE_THREAD
    mPrevious = &juce::LookAndFeel::getDefaultLookAndFeel();
    juce::LookAndFeel::setDefaultLookAndFeel (mLook.get());
}

DorvoLookAndFeel::Installed::~Installed()
{
    // Everything on screen goes back to the previous look before this one goes.
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == mLook.get())
        juce::LookAndFeel::setDefaultLookAndFeel (mPrevious.get());
    mLook.reset();
}

// ---------------------------------------------------------------------------------------------
juce::Rectangle<float> DorvoLookAndFeel::iconArea (const juce::AlertWindow& box)
{
    if (box.getAlertType() == juce::MessageBoxIconType::NoIcon)
        return {};
    const float size = juce::jmin (iconSize, (float) box.getHeight() - (float) textTop - 8.0f);
    return { ((float) iconColumn - size) * 0.5f + 4.0f, (float) textTop - 2.0f, size, size };
}

void DorvoLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& box, const juce::Rectangle<int>&,
                                     juce::TextLayout& textLayout)
{
    const auto bounds = box.getLocalBounds();
    drawPlate (g, bounds.getWidth(), bounds.getHeight());

    int textLeft = 1;
    if (box.getAlertType() != juce::MessageBoxIconType::NoIcon)
    {
        drawIcon (g, iconArea (box), box.getAlertType());
        textLeft += iconColumn;
    }

    // The title in the amber of the pages' legends, the text in their caption colour.
    juce::TextLayout layout (textLayout);
    const auto titleHeight = getAlertWindowTitleFont().getHeight();
    for (int i = 0; i < layout.getNumLines(); ++i)
        for (auto* run : layout.getLine (i).runs)
            run->colour = run->font.isBold() && run->font.getHeight() == titleHeight
                              ? colours::accent()
                              : box.findColour (juce::AlertWindow::textColourId);

    layout.draw (g, juce::Rectangle<int> (textLeft, textTop, bounds.getWidth(),
                                          bounds.getHeight() - getAlertWindowButtonHeight() - 20)
                        .toFloat());
}

int DorvoLookAndFeel::getAlertWindowButtonHeight() { return 30; }
juce::Font DorvoLookAndFeel::getAlertWindowTitleFont() { return artstyle::font (17.0f, true); }
juce::Font DorvoLookAndFeel::getAlertWindowMessageFont() { return artstyle::font (14.5f, false); }
juce::Font DorvoLookAndFeel::getAlertWindowFont() { return artstyle::font (14.0f, false); }

// ---------------------------------------------------------------------------------------------
juce::Font DorvoLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return artstyle::font (juce::jmin (14.0f, (float) buttonHeight * 0.55f), true);
}

void DorvoLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                             bool isMouseOverButton, bool isButtonDown)
{
    // A metal key like the pages' push buttons; Return's button (and one with the keyboard
    // focus) carries an amber ring.
    const float corner = 4.0f;
    const auto r = button.getLocalBounds().toFloat().reduced (1.5f);
    g.setColour (juce::Colour (0x70000000));
    g.fillRoundedRectangle (r.translated (0.0f, 1.0f), corner + 1.0f);

    const auto face = r.withTrimmedBottom (2.0f).translated (0.0f, isButtonDown ? 1.5f : 0.0f);
    auto top = isButtonDown ? colours::metalMid() : colours::metalLight();
    auto bottom = colours::metalDark();
    if (isMouseOverButton && ! isButtonDown)
    {
        top = top.brighter (0.1f);
        bottom = bottom.brighter (0.15f);
    }
    const float alpha = button.isEnabled() ? 1.0f : 0.5f;
    g.setGradientFill (juce::ColourGradient (top.withMultipliedAlpha (alpha), 0.0f, face.getY(),
                                             bottom.withMultipliedAlpha (alpha), 0.0f, face.getBottom(), false));
    g.fillRoundedRectangle (face, corner);
    g.setColour (colours::buttonEdge());
    g.drawRoundedRectangle (face.reduced (0.5f), corner, 1.0f);

    if (button.isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)) || button.hasKeyboardFocus (false))
    {
        g.setColour (colours::accent());
        g.drawRoundedRectangle (face.expanded (0.5f), corner + 0.5f, 1.5f);
    }
}

// ---------------------------------------------------------------------------------------------
void DorvoLookAndFeel::drawProgressBar (juce::Graphics& g, juce::ProgressBar& bar, int width, int height,
                                        double progress, const juce::String& textToShow)
{
    // An amber bar in a dark slot.
    const auto slot = juce::Rectangle<float> (0.0f, 0.0f, (float) width, (float) height).reduced (0.5f);
    const float corner = juce::jmin (4.0f, slot.getHeight() * 0.5f);
    g.setColour (bar.findColour (juce::ProgressBar::backgroundColourId));
    g.fillRoundedRectangle (slot, corner);

    const auto track = slot.reduced (2.0f);
    juce::Rectangle<float> fill;
    if (progress >= 0.0 && progress <= 1.0)
    {
        fill = track.withWidth (track.getWidth() * (float) progress);
    }
    else
    {
        // No known progress: a block sweeps along the slot.
        const float phase = (float) (juce::Time::getMillisecondCounter() % 1600u) / 1600.0f;
        const float w = track.getWidth() * 0.25f;
        fill = track.withX (track.getX() - w + phase * (track.getWidth() + w)).withWidth (w).getIntersection (track);
    }
    if (! fill.isEmpty())
    {
        const auto amber = bar.findColour (juce::ProgressBar::foregroundColourId);
        g.setGradientFill (juce::ColourGradient (amber.brighter (0.25f), 0.0f, track.getY(), amber.darker (0.3f), 0.0f,
                                                 track.getBottom(), false));
        g.fillRoundedRectangle (fill, juce::jmax (0.0f, corner - 1.5f));
    }

    g.setColour (colours::groupEngrave());
    g.drawRoundedRectangle (slot, corner, 1.0f);
    g.setColour (colours::groupHighlight());
    g.drawLine (slot.getX() + corner, slot.getBottom() + 0.5f, slot.getRight() - corner, slot.getBottom() + 0.5f, 1.0f);

    if (textToShow.isNotEmpty())
    {
        g.setFont (artstyle::font (juce::jmin (12.5f, (float) height * 0.75f), true));
        g.setColour (juce::Colour (0xa0000000));
        g.drawText (textToShow, slot.translated (0.0f, 1.0f), juce::Justification::centred, false);
        g.setColour (colours::caption());
        g.drawText (textToShow, slot, juce::Justification::centred, false);
    }
}

// ---------------------------------------------------------------------------------------------
void DorvoLookAndFeel::fillResizableWindowBackground (juce::Graphics& g, int w, int h,
                                                      const juce::BorderSize<int>& border,
                                                      juce::ResizableWindow& window)
{
    // The file chooser is a plate like the boxes; other windows keep their own colour.
    if (dynamic_cast<juce::FileChooserDialogBox*> (&window) != nullptr)
        drawPlate (g, w, h);
    else
        juce::LookAndFeel_V4::fillResizableWindowBackground (g, w, h, border, window);
}

juce::AttributedString DorvoLookAndFeel::createFileChooserHeaderText (const juce::String& title,
                                                                      const juce::String& instructions)
{
    juce::AttributedString text;
    text.setJustification (juce::Justification::centred);
    text.append (title + "\n\n", artstyle::font (17.0f, true), findColour (juce::FileChooserDialogBox::titleTextColourId));
    text.append (instructions, artstyle::font (14.0f, false), colours::caption());
    return text;
}

juce::Font DorvoLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return artstyle::font (juce::jmin (14.5f, (float) box.getHeight() * 0.85f), false);
}

juce::Font DorvoLookAndFeel::getPopupMenuFont() { return artstyle::font (15.0f, false); }
