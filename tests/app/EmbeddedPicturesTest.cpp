#include "TestSupport.h"
#include "app/GUIEditorWindow.h"
#include "app/GUIUnconnectedTab.h"
#include "firmware/GUIFirmwareTab.h"
#include "sequences/GUIPatternTab.h"

namespace
{
struct PictureCase
{
    const char* name;
    const char* data;
    int size;
    int width, height;
    bool png; // else JPEG
};

#define PICTURE(owner, pic, w, h, png) { #owner "::" #pic, owner::pic, owner::pic##Size, w, h, png }
#define KEYS(owner)                                              \
    PICTURE (owner, pushButton_down_png, 70, 55, true),          \
    PICTURE (owner, pushButton_over_png, 70, 55, true),          \
    PICTURE (owner, pushButton_up_png, 70, 55, true)

const PictureCase pictureCases[] = {
    PICTURE (GUIEditorWindow, ledoff_png, 21, 21, true),
    PICTURE (GUIEditorWindow, ledon_green_png, 21, 21, true),
    PICTURE (GUIUnconnectedTab, mainPanel_backGround_notConnected_jpg, 795, 420, false),
    PICTURE (GUIFirmwareTab, tavinDorvo_firmwareTab_jpg, 1035, 420, false),
    PICTURE (GUIFirmwareTab_KelaArp, updatePanel_backGround_kelaArp_png, 795, 420, false),
    PICTURE (GUIFirmwareTab_KelaSE, firmwareTab_kelaSe_jpg, 950, 420, false),
    PICTURE (GUIPatternTab, seqTab_kelaSe_jpg, 950, 420, false),
    KEYS (GUIUpdater), KEYS (GUIWebLink), KEYS (GUIWebLink_Kela), KEYS (GUIWebLink_KelaSE),
    KEYS (GUISeqFactory), KEYS (GUISeqLoad), KEYS (GUISeqSave),
};
#undef KEYS
#undef PICTURE
} // namespace

// Each embedded picture decodes at its binding size and in its binding format; PNGs keep alpha.
TEST (EmbeddedPictures, SizesAndFormats)
{
    for (const auto& c : pictureCases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_GT (c.size, 8);
        const auto* b = reinterpret_cast<const unsigned char*> (c.data);
        if (c.png)
            EXPECT_TRUE (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G');
        else
            EXPECT_TRUE (b[0] == 0xff && b[1] == 0xd8);

        juce::MemoryInputStream in (c.data, (size_t) c.size, false);
        auto image = juce::ImageFileFormat::loadFrom (in);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), c.width);
        EXPECT_EQ (image.getHeight(), c.height);
        if (c.png)
        {
            EXPECT_TRUE (image.hasAlphaChannel());
            EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0) << "corner should be transparent";
        }
    }
}

// Resting, hover and pressed keys differ, hover lighter and pressed darker than resting.
TEST (EmbeddedPictures, KeyStatesReadAsRaisedLighterAndPushed)
{
    auto centre = [] (const char* d, int s) {
        auto im = juce::ImageCache::getFromMemory (d, s);
        return im.getPixelAt (im.getWidth() / 2, im.getHeight() / 3).getPerceivedBrightness();
    };
    const float resting = centre (GUIUpdater::pushButton_down_png, GUIUpdater::pushButton_down_pngSize);
    const float hover = centre (GUIUpdater::pushButton_over_png, GUIUpdater::pushButton_over_pngSize);
    const float pressed = centre (GUIUpdater::pushButton_up_png, GUIUpdater::pushButton_up_pngSize);
    EXPECT_GT (hover, resting);
    EXPECT_LT (pressed, resting);
}

// Every push button shows its own resting, hover and pressed pictures as they are: no state tints.
TEST (EmbeddedPictures, PushButtonsShowEachStateUntinted)
{
    struct Case { const char* name; std::function<GUIPushButton*()> make; const char* down; int downSize; const char* over; int overSize; const char* up; int upSize; };
#define CASE(C) { #C, [] { return new C(); }, C::pushButton_down_png, C::pushButton_down_pngSize, \
                  C::pushButton_over_png, C::pushButton_over_pngSize, C::pushButton_up_png, C::pushButton_up_pngSize }
    const std::vector<Case> cases = { CASE (GUIUpdater), CASE (GUIWebLink), CASE (GUIWebLink_Kela), CASE (GUIWebLink_KelaSE),
                                      CASE (GUISeqFactory), CASE (GUISeqLoad), CASE (GUISeqSave) };
#undef CASE
    for (const auto& c : cases)
    {
        std::unique_ptr<GUIPushButton> button (c.make());
        auto& image = *button->getImageButton();
        const std::pair<juce::Button::ButtonState, juce::Image> states[] = {
            { juce::Button::buttonNormal, juce::ImageCache::getFromMemory (c.down, c.downSize) },
            { juce::Button::buttonOver, juce::ImageCache::getFromMemory (c.over, c.overSize) },
            { juce::Button::buttonDown, juce::ImageCache::getFromMemory (c.up, c.upSize) },
        };
        for (const auto& [state, expected] : states)
        {
            image.setState (state);
            const auto shot = image.createComponentSnapshot (image.getLocalBounds(), false);
            for (auto p : { juce::Point<int> (35, 20), juce::Point<int> (10, 45), juce::Point<int> (0, 0) })
                EXPECT_EQ (shot.getPixelAt (p.x, p.y), expected.getPixelAt (p.x, p.y))
                    << c.name << " state " << (int) state << " at " << p.toString();
        }
    }
}
