#include "app/ActionRecorder.h"
#include "app/GUIEditorWindow.h"
#include "app/GUIUnconnectedTab.h"
#include "app/MainAppWindow.h"
#include "firmware/GUIFirmwareTab.h"
#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/GUIParametersTab_KelaSE.h"
#include "sequences/GUIPatternTab.h"

namespace
{
template <class T>
T* findChild (juce::Component* parent)
{
    if (parent != nullptr)
        for (auto* c : parent->getChildren())
            if (auto* t = dynamic_cast<T*> (c))
                return t;
    return nullptr;
}

/** Clicks a control of the Configuration page the way a user would (its image button). */
template <class Control>
void clickControl (GUIEditorWindow& editor)
{
    auto* control = findChild<Control> (editor.getTabs()->getTabContentComponent (0));
    ASSERT_NE (control, nullptr);
    auto* button = findChild<juce::Button> (control);
    ASSERT_NE (button, nullptr);
    clickAndSettle (*button);
}

juce::Image snapshot (juce::Component& c) { return c.createComponentSnapshot (c.getLocalBounds(), false); }

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    const juce::Image::BitmapData da (a, juce::Image::BitmapData::readOnly), db (b, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < a.getHeight(); ++y)
        if (std::memcmp (da.getLinePointer (y), db.getLinePointer (y), (size_t) (a.getWidth() * da.pixelStride)) != 0)
            return false;
    return true;
}

juce::StringArray tabTitles (TabbedComponentWarp& tabs)
{
    return tabs.getTabNames();
}
} // namespace

// Every layout: tab titles, the first tab selected, and the pages each tab holds.
TEST (GUIEditorWindow, SwitchDorvoTypeBuildsEachLayout)
{
    GUIEditorWindow editor;
    EXPECT_EQ (editor.getDorvoType(), NotConnected);
    EXPECT_EQ (tabTitles (*editor.getTabs()), juce::StringArray ({ " " }));
    EXPECT_NE (dynamic_cast<GUIUnconnectedTab*> (editor.getTabs()->getTabContentComponent (0)), nullptr);

    struct Case { DorvoType type; juce::StringArray titles; };
    const Case cases[] = {
        { KelaSE, { "Configuration", "Firmware Update", "Sequences" } },
        { KelaArp, { "Configuration", "Firmware Update" } },
        { Reserved, {} },
        { NotConnected, { " " } },
        { KelaArp, { "Configuration", "Firmware Update" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE ((int) c.type);
        editor.SwitchDorvoType (c.type);
        auto& tabs = *editor.getTabs();
        EXPECT_EQ (editor.getDorvoType(), c.type);
        EXPECT_EQ (tabTitles (tabs), c.titles);
        EXPECT_EQ (tabs.getCurrentTabIndex(), c.titles.isEmpty() ? -1 : 0);
        for (int i = 0; i < tabs.getNumTabs(); ++i)
            EXPECT_EQ (tabs.getTabBackgroundColour (i), juce::Colours::black);

        auto* page0 = tabs.getTabContentComponent (0);
        auto* page1 = tabs.getTabContentComponent (1);
        switch (c.type)
        {
            case KelaArp:
                EXPECT_NE (dynamic_cast<GUIParametersTab_KelaArp*> (page0), nullptr);
                EXPECT_NE (dynamic_cast<GUIFirmwareTab_KelaArp*> (page1), nullptr);
                break;
            case KelaSE:
                EXPECT_NE (dynamic_cast<GUIParametersTab_KelaSE*> (page0), nullptr);
                EXPECT_NE (dynamic_cast<GUIFirmwareTab_KelaSE*> (page1), nullptr);
                EXPECT_NE (dynamic_cast<GUIPatternTab*> (tabs.getTabContentComponent (2)), nullptr);
                break;
            case NotConnected:
                EXPECT_NE (dynamic_cast<GUIUnconnectedTab*> (page0), nullptr);
                break;
            case Reserved:
                break;
        }
        const bool connected = c.type == KelaArp || c.type == KelaSE;
        EXPECT_EQ (editor.getParamsTab() != nullptr, connected);
        EXPECT_EQ (editor.getFirmwareTab() != nullptr, connected);
        if (connected)
        {
            EXPECT_EQ (static_cast<juce::Component*> (editor.getParamsTab()), page0);
            EXPECT_EQ (static_cast<juce::Component*> (editor.getFirmwareTab()), page1);
        }
    }
}

// Page state never survives a switch, not even a switch to the same model.
TEST (GUIEditorWindow, EverySwitchBuildsFreshPages)
{
    GUIEditorWindow editor;
    ActionRecorder recorder;
    for (auto type : { KelaArp, KelaSE, KelaArp })
    {
        editor.SwitchDorvoType (type);
        editor.registerListener (&recorder);
        EXPECT_EQ (editor.getFirmwareTab()->getVersionLabel()->getText(), "Unknown");
        recorder.messages.clear();
        clickControl<GUIKeyboard> (editor);
        EXPECT_EQ (recorder.messages, juce::StringArray ({ "MKEY 1" }));

        editor.SetFirmwareVersion (1, 0, 3, 0);
        editor.setKeyboardMode (1);
        EXPECT_EQ (editor.getFirmwareTab()->getVersionLabel()->getText(), "1.0.3.0");
    }
}

// What registerListener reaches in each layout; a second registration adds nothing.
TEST (GUIEditorWindow, RegisterListenerPerLayoutDeliversEachMessageOnce)
{
    GUIEditorWindow editor;
    ActionRecorder recorder;

    auto pageBroadcastsReach = [&] (int index) {
        recorder.messages.clear();
        auto* page = dynamic_cast<juce::ActionBroadcaster*> (editor.getTabs()->getTabContentComponent (index));
        if (page == nullptr)
            return false;
        page->sendActionMessage ("PAGE");
        testsupport::pumpMessages (30);
        return recorder.messages == juce::StringArray ({ "PAGE" });
    };

    // KelaDorvo SE: every control of every page, and the pages' own broadcasters.
    editor.SwitchDorvoType (KelaSE);
    editor.registerListener (&recorder);
    editor.registerListener (&recorder);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE (pageBroadcastsReach (i)) << "page " << i;

    recorder.messages.clear();
    clickControl<GUISeqPlayMode> (editor);
    clickAndSettle (*editor.getFirmwareTab()->getUpdateButton()->getImageButton());
    auto* sequences = dynamic_cast<GUIPatternTab*> (editor.getTabs()->getTabContentComponent (2));
    clickAndSettle (*sequences->getFactoryButton()->getImageButton());
    clickAndSettle (*sequences->getLoadButton()->getImageButton());
    clickAndSettle (*sequences->getSaveButton()->getImageButton());
    EXPECT_EQ (recorder.messages, juce::StringArray ({ "SQPM 1", "FIRM ", "FCSQ ", "LDSQ ", "SVSQ " }));

    // KelaDorvo: both pages; before registering, the fresh pages reach nobody.
    editor.SwitchDorvoType (KelaArp);
    recorder.messages.clear();
    clickControl<GUIArpHold> (editor);
    EXPECT_TRUE (recorder.messages.isEmpty());
    editor.registerListener (&recorder);
    editor.registerListener (&recorder);
    clickControl<GUIArpHold> (editor);
    clickAndSettle (*editor.getFirmwareTab()->getUpdateButton()->getImageButton());
    EXPECT_EQ (recorder.messages, juce::StringArray ({ "ARP  0", "FIRM " }));
    EXPECT_TRUE (pageBroadcastsReach (0));
    EXPECT_TRUE (pageBroadcastsReach (1));

    // Not connected: only the page's own broadcaster.
    editor.SwitchDorvoType (NotConnected);
    editor.registerListener (&recorder);
    EXPECT_TRUE (pageBroadcastsReach (0));

    // Reserved: there is nothing to register with.
    editor.SwitchDorvoType (Reserved);
    editor.registerListener (&recorder);
    EXPECT_EQ (editor.getTabs()->getNumTabs(), 0);
}

// Each setter reaches its control on the page that has one: the next click then starts from
// the value set. Setters for settings the page lacks leave the page as it was.
TEST (GUIEditorWindow, SettersReachTheConfigurationPageOrChangeNothing)
{
    struct Case
    {
        const char* name;
        std::function<void (GUIEditorWindow&)> set;
        std::function<void (GUIEditorWindow&)> click; // null: no switch control to click
        const char* messageAfterSet;
        bool onArp, onSE;
    };
    const std::vector<Case> cases = {
        { "gate", [] (auto& e) { e.setAudioGateThreshold (1); }, clickControl<GUIInputGain>, "INGN 2", true, true },
        { "lfo", [] (auto& e) { e.setLFORetrig (true); }, clickControl<GUILFO>, "LFO  0", true, true },
        { "arp hold", [] (auto& e) { e.setArpHold (true); }, clickControl<GUIArpHold>, "ARP  0", true, false },
        { "keyboard", [] (auto& e) { e.setKeyboardMode (1); }, clickControl<GUIKeyboard>, "MKEY 2", true, true },
        { "legato", [] (auto& e) { e.setLegatoState (2); }, clickControl<GUILegato>, "LKEY 0", true, true },
        { "velocity", [] (auto& e) { e.setVelocityCurbNum (1); }, clickControl<GUIVelocitySelector>, "VELO 2", true, true },
        { "aftertouch", [] (auto& e) { e.setAftertouchCurbNum (1); }, clickControl<GUIAftertouchSelector>, "AFTE 2", true, true },
        { "step", [] (auto& e) { e.setStepSize (4); }, clickControl<GUIStepSizeSliding3p>, "STEP 8", false, true },
        { "clock sync", [] (auto& e) { e.setClkSync (1); }, clickControl<GUIClkSyncSliding3p>, "SYNC 2", false, true },
        { "play mode", [] (auto& e) { e.setSeqPlayMode (-3); }, clickControl<GUISeqPlayMode>, "SQPM 0", false, true },
        { "next seq", [] (auto& e) { e.setSeqNextSeq (1); }, clickControl<GUISeqNextSeq>, "SQNS 2", false, true },
        { "channel in", [] (auto& e) { e.setChannelIn (9); }, nullptr, nullptr, true, true },
        { "channel out", [] (auto& e) { e.setChannelOut (9); }, nullptr, nullptr, true, true },
        { "bend range", [] (auto& e) { e.setBendRange (5); }, nullptr, nullptr, false, false },
        { "tap avg", [] (auto& e) { e.setTapAvg (1); }, nullptr, nullptr, false, false },
        { "gate len", [] (auto& e) { e.setGateLen (2); }, nullptr, nullptr, false, false },
    };

    for (auto type : { KelaArp, KelaSE })
    {
        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.name) + (type == KelaSE ? " on SE" : " on KelaDorvo"));
            GUIEditorWindow editor;
            editor.SwitchDorvoType (type);
            ActionRecorder recorder;
            editor.registerListener (&recorder);
            auto* page = editor.getTabs()->getTabContentComponent (0);

            const auto before = snapshot (*page);
            c.set (editor);
            testsupport::pumpMessages (20);
            EXPECT_TRUE (recorder.messages.isEmpty()) << "a setter sent " << recorder.messages.joinIntoString (",");
            const bool hasControl = type == KelaSE ? c.onSE : c.onArp;
            EXPECT_EQ (! samePixels (before, snapshot (*page)), hasControl);

            if (hasControl && c.click)
            {
                c.click (editor);
                EXPECT_EQ (recorder.messages, juce::StringArray ({ c.messageAfterSet }));
            }
        }
    }
}

// Once the pages are gone (a read-back resumed after a nested reconnection gave up), the setters
// and the version must not reach the deleted pages.
TEST (GUIEditorWindow, SettersAreIgnoredWithoutAConfigurationPage)
{
    for (auto type : { NotConnected, Reserved })
    {
        GUIEditorWindow editor;
        editor.SwitchDorvoType (KelaSE);
        editor.SwitchDorvoType (type);
        EXPECT_EQ (editor.getParamsTab(), nullptr);
        EXPECT_EQ (editor.getFirmwareTab(), nullptr);

        editor.SetFirmwareVersion (1, 0, 3, 0);
        editor.setChannelIn (3);
        editor.setChannelOut (3);
        editor.setAudioGateThreshold (1);
        editor.setLFORetrig (true);
        editor.setArpHold (true);
        editor.setKeyboardMode (1);
        editor.setLegatoState (1);
        editor.setVelocityCurbNum (1);
        editor.setAftertouchCurbNum (1);
        editor.setBendRange (1);
        editor.setStepSize (4);
        editor.setTapAvg (1);
        editor.setGateLen (1);
        editor.setClkSync (1);
        editor.setSeqPlayMode (1);
        editor.setSeqNextSeq (1);
        editor.refreshPresetsList();
        EXPECT_EQ (editor.getTabs()->getNumTabs(), type == Reserved ? 0 : 1);
    }
}

TEST (GUIEditorWindow, SetFirmwareVersionReachesTheFirmwarePage)
{
    GUIEditorWindow editor;
    for (auto type : { KelaArp, KelaSE })
    {
        editor.SwitchDorvoType (type);
        editor.SetFirmwareVersion (255, 0, 0, 12);
        auto* page = dynamic_cast<GUIFirmwarePage*> (editor.getTabs()->getTabContentComponent (1));
        ASSERT_NE (page, nullptr);
        EXPECT_EQ (page->getVersionLabel()->getText(), "255.0.0.12");
    }
}

// A click flips the switch to green at once and sends "COMI "; setConnectedState only shows
// the state and sends nothing.
TEST (GUIEditorWindow, ConnectSwitchAndLabel)
{
    GUIEditorWindow editor;
    ActionRecorder recorder;
    editor.addActionListener (&recorder);
    editor.addActionListener (&recorder);
    auto& sw = *editor.getConnectButton();
    auto& label = *editor.getStatusLabel();
    EXPECT_FALSE (sw.getToggleState());
    EXPECT_EQ (label.getText(), "NOT Connected");
    EXPECT_EQ (sw.getButtonText(), "CONNECT");

    const auto ledOff = snapshot (sw);
    clickAndSettle (sw);
    EXPECT_EQ (recorder.messages, juce::StringArray ({ "COMI " }));
    EXPECT_TRUE (sw.getToggleState());
    const auto ledOn = snapshot (sw);
    testsupport::pumpMessages (150); // a click from code flashes the pressed state until painted
    EXPECT_FALSE (samePixels (ledOff, ledOn));
    EXPECT_GT (centrePixel (ledOn).getGreen(), centrePixel (ledOff).getGreen() + 40);

    // The application reports that the connection failed, then that it succeeded.
    recorder.messages.clear();
    editor.setConnectedState (false);
    EXPECT_FALSE (sw.getToggleState());
    EXPECT_EQ (label.getText(), "NOT Connected");
    EXPECT_TRUE (samePixels (snapshot (sw), ledOff));
    editor.setConnectedState (true);
    EXPECT_TRUE (sw.getToggleState());
    EXPECT_EQ (label.getText(), "Connected");
    EXPECT_TRUE (samePixels (snapshot (sw), ledOn));
    testsupport::pumpMessages (40);
    EXPECT_TRUE (recorder.messages.isEmpty());

    // Clicking a connected switch turns it off and asks again.
    clickAndSettle (sw);
    EXPECT_FALSE (sw.getToggleState());
    EXPECT_EQ (recorder.messages, juce::StringArray ({ "COMI " }));
}

TEST (GUIEditorWindow, SwitchAndLabelSitAtTheRightEndOfTheTabBar)
{
    GUIEditorWindow editor;
    EXPECT_EQ (editor.getBounds(), juce::Rectangle<int> (0, 0, 795, 435));
    for (int width : { 795, 950 })
    {
        editor.setSize (width, 433);
        EXPECT_EQ (editor.getTabs()->getBounds(), juce::Rectangle<int> (0, 0, width, 433));
        EXPECT_EQ (editor.getConnectButton()->getBounds(), juce::Rectangle<int> (width - 48, 0, 24, 30));
        EXPECT_EQ (editor.getStatusLabel()->getBounds(), juce::Rectangle<int> (width - 176, 0, 120, 24));
    }
    EXPECT_EQ (editor.getTabs()->getTabBarDepth(), 30);
}

// Each layout at its window size, as a person would see it; stored as test artefacts.
TEST (GUIEditorWindow, RendersEveryLayout)
{
    struct Case { DorvoType type; int width; bool connected; const char* name; };
    const Case cases[] = {
        { NotConnected, 795, false, "editor-not-connected" },
        { KelaArp, 795, true, "editor-keladorvo" },
        { KelaSE, 950, true, "editor-keladorvo-se" },
        { Reserved, 795, false, "editor-reserved" },
    };
    for (const auto& c : cases)
    {
        GUIEditorWindow editor;
        editor.setSize (c.width, 433);
        editor.SwitchDorvoType (c.type);
        editor.setConnectedState (c.connected);
        editor.SetFirmwareVersion (1, 0, 3, 0);
        const auto shot = snapshot (editor);
        testsupport::saveArtefact (shot, c.name);
        if (c.type == KelaSE)
            for (int tab : { 1, 2 })
            {
                editor.getTabs()->setCurrentTabIndex (tab);
                testsupport::saveArtefact (snapshot (editor), juce::String (c.name) + "-tab" + juce::String (tab));
            }
        if (c.type == KelaArp)
        {
            editor.getTabs()->setCurrentTabIndex (1);
            testsupport::saveArtefact (snapshot (editor), juce::String (c.name) + "-tab1");
        }
    }
}

// The desktop window: its size per model, its content, and the "COMI " sender registered.
TEST (MainAppWindow, SizePerModelAndForwarding)
{
    DORVO_REQUIRE_DISPLAY();
    MainAppWindow window;
    EXPECT_EQ (window.getName(), "Dorvo Connection");
    EXPECT_TRUE (window.isOnDesktop());
    EXPECT_TRUE (window.isUsingNativeTitleBar());
    EXPECT_EQ (window.getWidth(), 795);
    EXPECT_EQ (window.getHeight(), 433);
    auto* editor = window.getEditorWindow();
    ASSERT_EQ (window.getContentComponent(), editor);
    EXPECT_EQ (editor->getDorvoType(), NotConnected);

    struct Case { DorvoType type; int width; };
    for (const auto& c : { Case { KelaSE, 950 }, Case { KelaArp, 795 }, Case { Reserved, 795 }, Case { KelaSE, 950 }, Case { NotConnected, 795 } })
    {
        window.SwitchDorvoType (c.type);
        EXPECT_EQ (window.getWidth(), c.width);
        EXPECT_EQ (window.getHeight(), 433);
        EXPECT_EQ (editor->getDorvoType(), c.type);
        EXPECT_EQ (editor->getWidth(), c.width);
    }

    window.SwitchDorvoType (KelaSE);
    ActionRecorder recorder;
    window.registerListener (&recorder);
    window.registerListener (&recorder);
    window.setConnectedState (true);
    window.SetFirmwareVersion (1, 0, 3, 0);
    window.setStepSize (4);
    EXPECT_EQ (editor->getStatusLabel()->getText(), "Connected");
    EXPECT_EQ (editor->getFirmwareTab()->getVersionLabel()->getText(), "1.0.3.0");
    testsupport::pumpMessages (100);
    testsupport::saveArtefact (window.createComponentSnapshot (window.getLocalBounds()), "main-window-keladorvo-se");

    clickControl<GUIStepSizeSliding3p> (*editor);
    clickAndSettle (*editor->getConnectButton());
    EXPECT_EQ (recorder.messages, juce::StringArray ({ "STEP 8", "COMI " }));

    window.closeButtonPressed(); // no running application here: nothing to ask
}
