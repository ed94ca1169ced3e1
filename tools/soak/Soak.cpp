// The soak run's driver (scripts/soak.sh): the application object itself, DorvoEditorApplication
// with its main window, against the simulated KelaDorvo SE on the virtual port bus, used for a
// given time as a person would, round after round:
//   - clicks on the Configuration page's controls (mouse events through the window's peer, as
//     the windowing system delivers them), each until its set message reaches the instrument;
//   - the Sequences page's Save (with and without MIDI files), Load and, every fifth round,
//     Factory buttons, the choosers and questions answered by a script; a load must bring back
//     what the save wrote;
//   - the preset rows through the dispatcher: a slot stored into a new file of the preset
//     folder (a temporary folder here, never the real one), a file loaded into a slot, copy,
//     rename, delete, and every fifth round export and import;
//   - a reconnection with two clicks on the CONNECT switch, until the page is filled again.
// Every check that fails is counted and told; the exit status is 0 only when none failed.
//
//   dorvo_soak --seconds N --folder DIR [--pid-file FILE] [--seed N]
// The pid file holds the process id while the rounds run, and goes once they are over.
#include "app/DorvoEditorApplication.h"
#include "app/GUIEditorWindow.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "app/SwitchButton.h"
#include "app/TabbedComponentWarp.h"
#include "link/PortUse.h"
#include "panels/GUIParametersTab.h"
#include "presets/PresetFolder.h"
#include "presets/Trash.h"
#include "sequences/GUIPatternTab.h"
#include "simulator/SimulatedInstrument.h"
#include <atomic>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
/** The simulated instrument, counting the set messages (one value, 11 bytes) it hears. */
struct CountingInstrument : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;
    void messageFromHost (const juce::MidiMessage& m) override
    {
        if (m.getRawDataSize() == 11 && m.getRawData()[0] == 0xF0)
            sets.fetch_add (1, std::memory_order_relaxed);
        SimulatedInstrument::messageFromHost (m);
    }
    std::atomic<int> sets { 0 };
};

bool pumpUntil (const std::function<bool()>& pred, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! pred())
    {
        if (juce::Time::getMillisecondCounter() >= end)
            return pred();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
    }
    return true;
}

class Soak
{
public:
    Soak (const juce::File& folder, std::uint32_t seed) : mFolder (folder), mRandom (seed)
    {
        mFolder.createDirectory();
        mLibrary = mFolder.getChildFile ("Presets");
        mLibrary.createDirectory();
        mExports = mFolder.getChildFile ("Exports");
        mExports.createDirectory();
        PresetFolder::setForTests (mLibrary);

        mInstrument.plugIn();
        mApp = std::make_unique<DorvoEditorApplication>();
        mApp->initialise ({});
        check (mApp->isConnected() && settled(), "start-up connects");
    }

    ~Soak()
    {
        mApp->shutdown();
        mApp = nullptr;
        PresetFolder::setForTests ({});
    }

    void round()
    {
        ++mRounds;
        clickControls (20);
        sequences();
        presets();
        reconnect();
        // What the test double and the script keep of every message and box.
        mInstrument.clearReceived();
        mPrompts.clear();
        unexpectedBoxes();
    }

    int failures() const { return mFailures; }

    void summary() const
    {
        std::printf ("rounds %d: %d clicks, %d sequence saves, %d loads, %d factory resets, %d slot stores, %d slot loads, "
                     "%d copies, %d renames, %d deletes, %d exports, %d imports, %d reconnections; %d failed checks\n",
                     mRounds, mClicks, mSaves, mLoads, mFactory, mSlotStores, mSlotLoads, mCopies, mRenames, mDeletes,
                     mExportsDone, mImports, mReconnections, mFailures);
    }

private:
    // ------------------------------------------------------------------------------------------
    // Input as the windowing system delivers it: through the window's peer.

    void click (juce::Component& target)
    {
        auto* window = mApp->getMainWindow();
        auto* peer = window != nullptr ? window->getPeer() : nullptr;
        if (peer == nullptr || ! target.isShowing())
        {
            check (false, "the control to click is on screen");
            return;
        }
        const auto at = window->getLocalPoint (&target, target.getLocalBounds().getCentre()).toFloat();
        const auto t = juce::Time::currentTimeMillis();
        using Source = juce::MouseInputSource;
        peer->handleMouseEvent (Source::InputSourceType::mouse, at, juce::ModifierKeys(), Source::defaultPressure, Source::defaultOrientation, t);
        peer->handleMouseEvent (Source::InputSourceType::mouse, at, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                Source::defaultPressure, Source::defaultOrientation, t + 1);
        peer->handleMouseEvent (Source::InputSourceType::mouse, at, juce::ModifierKeys(), Source::defaultPressure, Source::defaultOrientation, t + 60);
        // The pointer leaves, so the next click starts from nothing.
        peer->handleMouseEvent (Source::InputSourceType::mouse, { -10.0f, -10.0f }, juce::ModifierKeys(), Source::defaultPressure,
                                Source::defaultOrientation, t + 61);
    }

    GUIEditorWindow* editor() const
    {
        auto* window = mApp->getMainWindow();
        return window != nullptr ? window->getEditorWindow() : nullptr;
    }

    void showTab (int index)
    {
        auto* tabs = editor() != nullptr ? editor()->getTabs() : nullptr;
        if (tabs == nullptr || tabs->getNumTabs() <= index)
        {
            check (false, "the page's tab is there");
            return;
        }
        if (tabs->getCurrentTabIndex() != index)
            if (auto* tab = tabs->getTabbedButtonBar().getTabButton (index))
                click (*tab);
        check (pumpUntil ([tabs, index] { return tabs->getCurrentTabIndex() == index; }, 2000), "a click on a tab shows its page");
    }

    /** Nothing runs on the ports and no message waits: the application is idle. */
    bool settled() const
    {
        return PortUse::users() == 0 && ! mApp->getDispatcher().isBusy();
    }

    bool waitSettled() { return pumpUntil ([this] { return settled(); }, 10000); }

    // ------------------------------------------------------------------------------------------

    void clickControls (int clicks)
    {
        showTab (0);
        auto* page = editor() != nullptr ? editor()->getParamsTab() : nullptr;
        if (page == nullptr)
        {
            check (false, "the Configuration page stands");
            return;
        }
        juce::Array<juce::ImageButton*> controls;
        collectButtons (*page, controls);
        if (controls.isEmpty())
        {
            check (false, "the Configuration page has controls");
            return;
        }
        for (int c = 0; c < clicks; ++c)
        {
            auto* control = controls[(int) (mRandom() % (std::uint32_t) controls.size())];
            const int before = mInstrument.sets.load (std::memory_order_relaxed);
            click (*control);
            ++mClicks;
            check (pumpUntil ([&] { return mInstrument.sets.load (std::memory_order_relaxed) > before; }, 3000),
                   "a click on a control sends its set message");
        }
    }

    static void collectButtons (juce::Component& parent, juce::Array<juce::ImageButton*>& into)
    {
        for (auto* child : parent.getChildren())
        {
            if (auto* b = dynamic_cast<juce::ImageButton*> (child); b != nullptr && b->isShowing() && b->isEnabled()
                                                                     && parent.getLocalBounds().contains (child->getBounds().getCentre()))
                into.add (b);
            collectButtons (*child, into);
        }
    }

    std::array<juce::uint8, 64> randomSequence()
    {
        std::array<juce::uint8, 64> steps {};
        const int length = (int) (mRandom() % 65);
        for (int k = 0; k < length; ++k)
            steps[(size_t) k] = mRandom() % 5 == 0 ? 127 : juce::uint8 (1 + mRandom() % 125);
        return steps;
    }

    GUIPatternTab* sequencesPage()
    {
        auto* tabs = editor() != nullptr ? editor()->getTabs() : nullptr;
        return tabs != nullptr && tabs->getNumTabs() > 2 ? dynamic_cast<GUIPatternTab*> (tabs->getTabContentComponent (2)) : nullptr;
    }

    void sequences()
    {
        showTab (2);
        auto* page = sequencesPage();
        if (page == nullptr)
        {
            check (false, "the Sequences page stands");
            return;
        }

        std::array<std::array<juce::uint8, 64>, 6> saved;
        for (int s = 0; s < 6; ++s)
            mInstrument.setSequence (s, saved[(size_t) s] = randomSequence());
        const bool withMidi = mRounds % 2 == 0;
        const auto file = mFolder.getChildFile ("soak.kdseq");
        mPrompts.files.push_back ({ file });
        mPrompts.choices.push_back (withMidi ? 1 : 0);
        const auto before = file.getLastModificationTime();
        click (*page->getSaveButton()->getImageButton());
        ++mSaves;
        check (pumpUntil ([&] { return mPrompts.titles().contains ("Generate MidiFiles?"); }, 5000) && waitSettled()
                   && file.existsAsFile() && (mSaves == 1 || file.getLastModificationTime() >= before),
               "a save writes the sequence file");
        if (withMidi)
            check (file.getSiblingFile ("soak.kdseq_6.mid").existsAsFile(), "a save with MIDI files writes them");

        for (int s = 0; s < 6; ++s)
            mInstrument.setSequence (s, {});
        mPrompts.files.push_back ({ file });
        click (*page->getLoadButton()->getImageButton());
        ++mLoads;
        check (pumpUntil ([&] { return mPrompts.titles().contains ("Load Sequences"); }, 5000) && waitSettled(), "a load runs");
        bool same = true;
        for (int s = 0; s < 6; ++s)
            same = same && mInstrument.getSequence (s) == saved[(size_t) s];
        check (same, "a load brings back what the save wrote");

        if (mRounds % 5 == 0)
        {
            mPrompts.choices.push_back (1);
            click (*page->getFactoryButton()->getImageButton());
            ++mFactory;
            check (pumpUntil ([&] { return mPrompts.titles().contains ("Reset All Sequences"); }, 5000) && waitSettled()
                       && mInstrument.getSequence (0)[0] == 60,
                   "a factory reset sends the factory set");
        }
    }

    juce::Array<juce::File> libraryFiles() const
    {
        auto files = mLibrary.findChildFiles (juce::File::findFiles, false, "*.preset");
        files.sort();
        return files;
    }

    void dispatch (const juce::String& message)
    {
        mApp->actionListenerCallback (message);
        waitSettled();
    }

    void presets()
    {
        sim::Bytes block (87);
        for (auto& b : block)
            b = juce::uint8 (mRandom());
        block[1] = 'S';   // a name
        block[2] = 0;
        mInstrument.setBlockToSend (block);

        const auto before = libraryFiles();
        dispatch ("DRLT 3,Soak");
        ++mSlotStores;
        const auto after = libraryFiles();
        juce::File stored;
        for (auto& f : after)
            if (! before.contains (f))
                stored = f;
        check (stored.existsAsFile() && stored.getSize() == 114, "a slot stored into a new preset file");
        if (stored == juce::File())
            return;

        dispatch ("DRSL 4," + stored.getFullPathName());
        ++mSlotLoads;
        check (mInstrument.getReceivedBlock() == block, "a preset file loaded into a slot");

        mPrompts.names.push_back ("Copied " + juce::String (mRounds));
        dispatch ("COPY " + stored.getFullPathName());
        ++mCopies;
        const auto copy = mLibrary.getChildFile ("Copied " + juce::String (mRounds) + ".preset");
        check (copy.existsAsFile(), "a copy");

        mPrompts.names.push_back ("Renamed " + juce::String (mRounds));
        dispatch ("RENA " + copy.getFullPathName());
        ++mRenames;
        check (! copy.exists() && mLibrary.getChildFile ("Renamed " + juce::String (mRounds) + ".preset").existsAsFile(), "a rename");

        if (mRounds % 5 == 0)
        {
            mPrompts.files.push_back ({ mExports });
            dispatch ("EXPO " + stored.getFullPathName());
            ++mExportsDone;
            const auto exported = mExports.getChildFile (stored.getFileName());
            check (exported.existsAsFile(), "an export");
            mPrompts.files.push_back ({ exported });
            stored.deleteFile();
            dispatch ("IMPO ");
            ++mImports;
            check (stored.existsAsFile(), "an import");
            exported.deleteFile();
        }

        // The library is kept small: all but the two newest files go.
        auto files = libraryFiles();
        if (files.size() > 4)
        {
            juce::String paths;
            for (int i = 0; i < files.size() - 2; ++i)
                paths << (i > 0 ? "," : "") << files[i].getFullPathName();
            mPrompts.choices.push_back (1);
            dispatch ("DELE " + paths);
            ++mDeletes;
            check (libraryFiles().size() == 2, "a delete");
        }
        // What the deletes put in the trash goes too, with the trash's notes of where each came
        // from (the trash is this run's own: main points the home folder into the run's folder
        // and leaves no XDG_DATA_HOME that would put the trash elsewhere).
        const auto trash = Trash::filesFolder().getParentDirectory();
        trash.getChildFile ("files").deleteRecursively();
        trash.getChildFile ("info").deleteRecursively();
    }

    void reconnect()
    {
        auto* button = editor() != nullptr ? editor()->getConnectButton() : nullptr;
        if (button == nullptr)
        {
            check (false, "the CONNECT switch stands");
            return;
        }
        click (*button);
        check (pumpUntil ([this] { return ! mApp->isConnected() && settled(); }, 5000), "a click on CONNECT disconnects");
        button = editor()->getConnectButton();
        click (*button);
        ++mReconnections;
        check (pumpUntil ([this] { return mApp->isConnected() && settled(); }, 15000), "a second click on CONNECT connects again");
    }

    void unexpectedBoxes()
    {
        // Only the boxes the script answers may come.
        for (auto& p : mSeen)
            check (false, ("an unexpected box: " + p).toRawUTF8());
        mSeen.clear();
    }

    void check (bool ok, const char* what)
    {
        if (ok)
            return;
        ++mFailures;
        std::printf ("round %d: FAILED: %s\n", mRounds, what);
        std::fflush (stdout);
    }

    juce::File mFolder, mLibrary, mExports;
    std::mt19937 mRandom;
    Prompts::ScriptedResponder mPrompts;
    Prompts::ScopedResponder mScope { mPrompts };
    juce::StringArray mSeen;
    CountingInstrument mInstrument;
    std::unique_ptr<DorvoEditorApplication> mApp;
    int mRounds = 0, mClicks = 0, mSaves = 0, mLoads = 0, mFactory = 0, mSlotStores = 0, mSlotLoads = 0, mCopies = 0,
        mRenames = 0, mDeletes = 0, mExportsDone = 0, mImports = 0, mReconnections = 0, mFailures = 0;

public:
    void watchBoxes()
    {
        static const juce::StringArray expected { "Generate MidiFiles?", "Save Sequences", "Load Sequences", "Reset All Sequences",
                                                  "Copy preset :", "Rename preset :", "Delete presets :", "Export presets :",
                                                  "Import presets :" };
        mPrompts.onPrompt = [this] (const Prompts::ScriptedResponder::Prompt& p) {
            if (! expected.contains (p.title))
                mSeen.add (p.title + " / " + p.text);
        };
    }
};
} // namespace

int main (int argc, char** argv)
{
    double seconds = 600;
    juce::String folderPath, pidFile;
    std::uint32_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const juce::String key (argv[i]), value (argv[i + 1]);
        if (key == "--seconds") seconds = value.getDoubleValue();
        else if (key == "--folder") folderPath = value;
        else if (key == "--pid-file") pidFile = value;
        else if (key == "--seed") seed = (std::uint32_t) value.getLargeIntValue();
    }
    if (! juce::File::isAbsolutePath (folderPath) || seconds <= 0)
    {
        std::fprintf (stderr, "usage: dorvo_soak --seconds N --folder ABSOLUTE_DIR [--pid-file FILE] [--seed N]\n");
        return 2;
    }

    // The run's own home folder: the deletes' trash (with no XDG_DATA_HOME, the home trash is
    // under it) and anything else the framework keeps under the home folder stay inside the
    // run's folder.
    const juce::String home = folderPath + "/home";
    ::mkdir (folderPath.toRawUTF8(), 0700);
    ::mkdir (home.toRawUTF8(), 0700);
    ::setenv ("HOME", home.toRawUTF8(), 1);
    ::unsetenv ("XDG_DATA_HOME");

    // With an application factory set, JUCE keeps X errors non-fatal (no window manager).
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    int failures = 0;
    {
        juce::ScopedJuceInitialiser_GUI juce;
        MidiPorts::useVirtualBus();
        if (pidFile.isNotEmpty())
            juce::File (pidFile).replaceWithText (juce::String ((int) ::getpid()));

        Soak soak (juce::File (folderPath), seed);
        soak.watchBoxes();
        const double start = juce::Time::getMillisecondCounterHiRes();
        double lastTold = start;
        while (juce::Time::getMillisecondCounterHiRes() - start < seconds * 1000.0)
        {
            soak.round();
            const double now = juce::Time::getMillisecondCounterHiRes();
            if (now - lastTold >= 60000.0)
            {
                lastTold = now;
                std::printf ("%.0f s: ", (now - start) / 1000.0);
                soak.summary();
                std::fflush (stdout);
            }
        }
        soak.summary();
        std::fflush (stdout);
        failures = soak.failures();
        // The rounds are over: the sampling stops here, before the teardown.
        if (pidFile.isNotEmpty())
            juce::File (pidFile).deleteFile();
    }
    return failures == 0 ? 0 : 1;
}
