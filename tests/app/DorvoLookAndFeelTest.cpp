#include "TestSupport.h"
#include "app/DorvoEditorApplication.h"
#include "app/DorvoLookAndFeel.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "link/HWDetector.h"
#include "link/VirtualMidiBus.h"
#include "resources/art/ArtStyle.h"

// Every box, chooser and progress window in the application's look: each is shown for real
// through the Prompts layer (or, for the discovery window, as the connection shows it) under
// the display, checked and photographed while it is up, then answered.

namespace
{
bool drawnByDorvoLook (juce::Component& c) { return dynamic_cast<DorvoLookAndFeel*> (&c.getLookAndFeel()) != nullptr; }

/** Waits on the message loop for the next modal box to show, then hands it to inspect, which
    answers it. A box that never shows fails the test instead of hanging it. */
class WhenShown : private juce::Timer
{
public:
    using Ready = std::function<bool (juce::Component&)>;

    explicit WhenShown (std::function<void (juce::Component&)> inspect, Ready ready = [] (juce::Component&) { return true; })
        : mInspect (std::move (inspect)), mReady (std::move (ready))
    {
        mDeadline = juce::Time::getMillisecondCounter() + 10000;
        startTimer (20);
    }
    ~WhenShown() override { stopTimer(); }
    bool seen() const { return mSeen; }

private:
    void timerCallback() override
    {
        auto* manager = juce::ModalComponentManager::getInstance();
        auto* box = manager->getModalComponent (0);
        if (box != nullptr && box->isShowing() && mReady (*box))
        {
            stopTimer();
            mSeen = true;
            mInspect (*box);
        }
        else if (juce::Time::getMillisecondCounter() > mDeadline)
        {
            stopTimer();
            ADD_FAILURE() << "no box showed";
            manager->cancelAllModalComponents();
        }
    }

    std::function<void (juce::Component&)> mInspect;
    Ready mReady;
    juce::uint32 mDeadline = 0;
    bool mSeen = false;
};

/** The rows of the first list in c, or -1 when it holds none. */
int rowsOfList (juce::Component& c)
{
    if (auto* list = dynamic_cast<juce::ListBox*> (&c))
        return list->getModel() != nullptr ? list->getModel()->getNumRows() : 0;
    for (auto* child : c.getChildren())
        if (const int rows = rowsOfList (*child); rows >= 0)
            return rows;
    return -1;
}

void answerWithReturn (juce::Component& box) { box.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)); }
void cancel (juce::Component&) { juce::ModalComponentManager::getInstance()->cancelAllModalComponents(); }

juce::StringArray buttonTexts (juce::Component& box)
{
    juce::StringArray texts;
    for (auto* c : box.getChildren())
        if (auto* b = dynamic_cast<juce::TextButton*> (c))
            texts.add (b->getButtonText());
    return texts;
}

/** The mean colour of a strip near the bottom of a box, clear of its screws and buttons. */
juce::Colour bottomStrip (const juce::Image& shot)
{
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = shot.getHeight() - 6; y < shot.getHeight() - 3; ++y)
        for (int x = 30; x < shot.getWidth() - 30; ++x)
        {
            const auto c = shot.getPixelAt (x, y);
            r += c.getRed();
            g += c.getGreen();
            b += c.getBlue();
            ++n;
        }
    return juce::Colour ((juce::uint8) (r / n), (juce::uint8) (g / n), (juce::uint8) (b / n));
}

/** The box is a plate of the pages' brushed metal: near its bottom the panel's gradient shows. */
void expectBrushedMetal (const juce::Image& shot)
{
    const auto expected = artstyle::colours::panelTop().interpolatedWith (
        artstyle::colours::panelBottom(), (float) (shot.getHeight() - 4.5) / (float) shot.getHeight());
    const auto seen = bottomStrip (shot);
    // The brushing's streaks move a short strip's mean a little; the framework's own slate
    // (263238) is too blue to pass.
    EXPECT_NEAR (seen.getRed(), expected.getRed(), 10) << seen.toDisplayString (false);
    EXPECT_NEAR (seen.getGreen(), expected.getGreen(), 10) << seen.toDisplayString (false);
    EXPECT_NEAR (seen.getBlue(), expected.getBlue(), 10) << seen.toDisplayString (false);
    EXPECT_LT (std::abs (seen.getBlue() - seen.getRed()), 12) << "a neutral grey " << seen.toDisplayString (false);
}

/** The share of an area's pixels that pass test. */
float shareOf (const juce::Image& shot, juce::Rectangle<int> area, std::function<bool (juce::Colour)> test)
{
    int hits = 0, n = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x, ++n)
            hits += test (shot.getPixelAt (x, y)) ? 1 : 0;
    return n == 0 ? 0.0f : (float) hits / (float) n;
}

bool amber (juce::Colour c) { return c.getRed() > 170 && c.getGreen() > 90 && c.getGreen() < 200 && c.getBlue() < 110; }
bool lightMetal (juce::Colour c) { return c.getBrightness() > 0.5f && c.getSaturation() < 0.15f; }
} // namespace

struct BoxCase
{
    const char* name;
    Prompts::Icon icon;
    juce::StringArray buttons;
    std::function<void()> show;
    void (*answer) (juce::Component&);
};

// Message boxes with the information and warning icons, the OK/Cancel box, the OK/Cancel and
// Yes/No/Cancel alerts: their titles, texts and buttons as the framework gives them, on the
// metal plate, the icon within the box.
TEST (DorvoLookAndFeel, BoxesAreMetalPlatesWithTheirIconInside)
{
    DORVO_REQUIRE_DISPLAY();
    DorvoLookAndFeel::Installed look;

    using Prompts::Icon;
    const BoxCase cases[] = {
        { "box-message-info", Icon::info, { "OK" },
          [] { Prompts::message (Icon::info, "Multiple instance", "Only one TavinDorvo Connection can be opened at the same time !"); },
          answerWithReturn },
        { "box-message-warning", Icon::warning, { "OK" },
          [] { Prompts::message (Icon::warning, "Update error", "Unable to communicate with TavinDorvo. Closing connection !"); },
          answerWithReturn },
        { "box-ok-cancel", Icon::warning, { "OK", "Cancel" },
          [] {
              EXPECT_TRUE (Prompts::okCancel (Icon::warning, "Firmware version",
                                              "The firmware version is outdated. Would you like to update the firmware to the latest version?"));
          },
          answerWithReturn },
        { "box-alert-ok-cancel", Icon::question, { "OK", "Cancel" },
          [] { EXPECT_FALSE (Prompts::alertOkCancel (Icon::question, "Delete presets :", "Are you sure ?")); }, cancel },
        { "box-alert-yes-no-cancel", Icon::question, { "Yes", "No", "Cancel" },
          [] { EXPECT_EQ (Prompts::alertYesNoCancel (Icon::question, "Overwrite preset :", "Are you sure ?"), Prompts::cancel); },
          cancel },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        WhenShown watcher ([&c] (juce::Component& box) {
            auto* alert = dynamic_cast<juce::AlertWindow*> (&box);
            ASSERT_NE (alert, nullptr);
            EXPECT_TRUE (drawnByDorvoLook (box));
            EXPECT_EQ (buttonTexts (box), c.buttons);
            for (auto* child : box.getChildren())
            {
                if (auto* b = dynamic_cast<juce::TextButton*> (child))
                {
                    EXPECT_TRUE (drawnByDorvoLook (*b));
                }
            }

            const auto shot = box.createComponentSnapshot (box.getLocalBounds(), false);
            testsupport::saveArtefact (shot, c.name);
            expectBrushedMetal (shot);

            const auto icon = DorvoLookAndFeel::iconArea (*alert);
            EXPECT_TRUE (box.getLocalBounds().reduced (4).toFloat().contains (icon)) << icon.toString();
            EXPECT_GE (icon.getWidth(), 32.0f);
            const auto inner = icon.reduced (icon.getWidth() * 0.2f).toNearestInt();
            if (c.icon == Prompts::Icon::warning)
                EXPECT_GT (shareOf (shot, inner, amber), 0.3f) << "an amber warning sign";
            else
                EXPECT_GT (shareOf (shot, inner, lightMetal), 0.3f) << "a metal disc";
            c.answer (box);
        });
        c.show();
        EXPECT_TRUE (watcher.seen());
    }
}

// The file chooser (the framework's own, as there is no system chooser here) on the same plate.
TEST (DorvoLookAndFeel, FileChooserIsAMetalPlate)
{
    DORVO_REQUIRE_DISPLAY();
    for (auto* tool : { "zenity", "kdialog" })
        if (juce::File ("/usr/bin").getChildFile (tool).existsAsFile())
            GTEST_SKIP() << "the system's own chooser (" << tool << ") is shown instead of the application's";

    DorvoLookAndFeel::Installed look;
    juce::TemporaryFile folderName;
    const auto folder = folderName.getFile();
    ASSERT_TRUE (folder.createDirectory());
    for (auto* name : { "Arpeggios.kdseq", "Basslines.kdseq", "Live set.kdseq" })
        folder.getChildFile (name).replaceWithText ("1:60 x 62\r\n");

    WhenShown watcher ([] (juce::Component& box) {
        EXPECT_NE (dynamic_cast<juce::FileChooserDialogBox*> (&box), nullptr);
        EXPECT_TRUE (drawnByDorvoLook (box));
        const auto shot = box.createComponentSnapshot (box.getLocalBounds(), false);
        testsupport::saveArtefact (shot, "box-file-chooser");
        expectBrushedMetal (shot);
        cancel (box);
    },
    [] (juce::Component& box) { return rowsOfList (box) >= 3; }); // photographed once the folder is listed
    const auto chosen = Prompts::chooseFile ({ Prompts::Kind::openFile, "Load Sequences", folder, "*.kdseq" });
    EXPECT_TRUE (watcher.seen());
    EXPECT_EQ (chosen, juce::File());
    folder.deleteRecursively();
}

namespace
{
/** An output that never answers, so the discovery window stays up until it is cancelled. */
struct SilentPort : VirtualMidiDevice
{
    void messageFromHost (const juce::MidiMessage&) override {}
};
} // namespace

// The discovery window, a progress window with its bar, on the same plate.
TEST (DorvoLookAndFeel, DiscoveryWindowIsAMetalPlate)
{
    DORVO_REQUIRE_DISPLAY();
    DorvoLookAndFeel::Installed look;
    MidiPorts::useVirtualBus();
    SilentPort port;
    VirtualMidiBus::instance().addDevice ("Silent port", &port);

    WhenShown watcher ([] (juce::Component& box) {
        EXPECT_EQ (box.getName(), "Checking connection with KelaDorvo synthesizer");
        EXPECT_TRUE (drawnByDorvoLook (box));
        bool barSeen = false;
        for (auto* c : box.getChildren())
            if (auto* bar = dynamic_cast<juce::ProgressBar*> (c))
                barSeen = drawnByDorvoLook (*bar);
        EXPECT_TRUE (barSeen);
        const auto shot = box.createComponentSnapshot (box.getLocalBounds(), false);
        testsupport::saveArtefact (shot, "box-progress-window");
        expectBrushedMetal (shot);
        cancel (box); // the window stops its search at its next check
    });
    {
        HWDetector::DetectionWindow window;
        window.runUntilSearchEnds();
    }
    EXPECT_TRUE (watcher.seen());
    VirtualMidiBus::instance().removeDevice (&port);
}

// The application holds the look from before its window is made until it is gone.
TEST (DorvoLookAndFeel, TheApplicationInstallsItForItsLifetime)
{
    DORVO_REQUIRE_DISPLAY();
    auto* before = &juce::LookAndFeel::getDefaultLookAndFeel();
    {
        DorvoEditorApplication app;
        EXPECT_NE (dynamic_cast<DorvoLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
        ASSERT_NE (app.getMainWindow(), nullptr);
        EXPECT_TRUE (drawnByDorvoLook (*app.getMainWindow()));
    }
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), before);
}
