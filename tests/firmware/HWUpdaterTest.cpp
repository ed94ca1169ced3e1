#include "FirmwareTestSupport.h"
#include "app/Prompts.h"
#include "firmware/HWUpdater.h"
#include "link/VirtualMidiBus.h"

using fwtest::Bytes;
using Prompts::Icon;
using Prompts::Kind;
using sim::Fault;
using sim::Model;

namespace
{
struct HWUpdaterTest : ::testing::Test
{
    void SetUp() override
    {
        DORVO_REQUIRE_DISPLAY();
        MidiPorts::useVirtualBus();
    }

    void TearDown() override
    {
        HWUpdater::mUpdater.StopUpdate (5000);
        instrument = nullptr;
    }

    sim::SimulatedInstrument& plug (Model model, sim::SimulatedInstrument::Options options = {})
    {
        options.model = model;
        instrument = std::make_unique<sim::SimulatedInstrument> (options);
        instrument->plugIn();
        return *instrument;
    }

    juce::File firmwareFile (const Bytes& image)
    {
        return fwtest::writeFirmwareFile (folder.folder.getChildFile ("update.kfw"), image);
    }

    /** The boxes shown, as "title / text". */
    juce::StringArray boxes() const
    {
        juce::StringArray out;
        for (auto& p : prompts.prompts())
            out.add (p.title + " / " + p.text);
        return out;
    }

    static bool portsClosed() { return HWUpdater::mInput == nullptr && HWUpdater::mOutput == nullptr; }

    fwtest::TemporaryFolder folder;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
    std::unique_ptr<sim::SimulatedInstrument> instrument;
};

const juce::String completeBox = juce::String (HWUpdater::completeTitle) + " / " + HWUpdater::completeText;
const juce::String cannotPrepareBox = "Update error / Unable to prepare the Device for update.\nPlease check your connections.";
const juce::String notCompletedBox = "Update error / The firmware update did not complete.\nPlease check your connections and retry.";
} // namespace

// A running instrument is found, rebooted, its boot loader found and the firmware streamed; an
// instrument already in its boot loader is not rebooted; a firmware of no bytes still reboots,
// starts and ends. The boot loader keeps exactly the firmware file's payload.
TEST_F (HWUpdaterTest, UpdatesTheInstrumentThroughItsBootLoader)
{
    struct Case
    {
        const char* name;
        Model model;
        size_t bytes;
        const char* heard;
    };
    const Case cases[] = {
        { "running instrument", Model::KelaDorvoSE, 300, "ID 00 ID 01 03x11 02" },
        { "already in its boot loader", Model::BootLoader, 57, "ID ID 01 03x3 02" },
        { "firmware of no bytes", Model::KelaDorvo, 0, "ID 00 ID 01 02" },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        auto& loader = plug (c.model);
        const auto image = fwtest::firmwareImage (c.bytes);
        auto file = firmwareFile (image);
        juce::MemoryBlock before, after;
        file.loadFileAsData (before);

        EXPECT_TRUE (HWUpdater::Update (&file));

        EXPECT_EQ (fwtest::heardWords (loader), juce::String (c.heard));
        EXPECT_EQ (loader.getFirmwareImage(), image);
        EXPECT_TRUE (loader.updateEnded());
        EXPECT_EQ (boxes(), juce::StringArray (completeBox));
        ASSERT_EQ (prompts.prompts().size(), 1u);
        EXPECT_EQ (prompts.prompts()[0].icon, Icon::info);
        EXPECT_TRUE (portsClosed());
        EXPECT_FALSE (HWUpdater::mUpdater.IsUpdating());
        file.loadFileAsData (after);
        EXPECT_EQ (after, before) << "the firmware file is not rewritten";
        instrument = nullptr;
    }
}

// Neither the instrument nor its boot loader answers (only another maker's device is there: two
// searches, one for each), or the boot loader is never found after the reboot (five searches
// of five attempts each): "Update error", nothing streamed.
TEST_F (HWUpdaterTest, HardwareThatCannotBePreparedIsReported)
{
    struct Case
    {
        const char* name;
        Model model;
        Fault fault;
        int identityRequests;
        int reboots;
    };
    const Case cases[] = {
        { "no instrument at all", Model::KelaDorvoSE, Fault::foreignManufacturer, 2, 0 },
        { "boot loader never found", Model::KelaDorvoSE, Fault::bootLoaderMute, 1 + 5 * 5, 1 },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        auto& device = plug (c.model);
        device.setFault (c.fault);
        auto file = firmwareFile (fwtest::firmwareImage (100));

        EXPECT_FALSE (HWUpdater::Update (&file));

        EXPECT_EQ (boxes(), juce::StringArray (cannotPrepareBox));
        EXPECT_EQ (prompts.prompts()[0].icon, Icon::warning);
        int requests = 0;
        for (auto& m : device.received())
            requests += (m.size() == 6 && m[1] == 0x7E) ? 1 : 0;
        EXPECT_EQ (requests, c.identityRequests);
        EXPECT_EQ (device.rebootCount(), c.reboots);
        EXPECT_TRUE (device.receivedWithCommand (0x01).empty()) << "no StartUpdate";
        EXPECT_TRUE (portsClosed());
        instrument = nullptr;
    }

    // And with nothing plugged in at all.
    prompts.clear();
    auto file = firmwareFile (fwtest::firmwareImage (100));
    EXPECT_FALSE (HWUpdater::Update (&file));
    EXPECT_EQ (boxes(), juce::StringArray (cannotPrepareBox));
}

// A transfer that does not complete is told as such, never as a success: a boot loader that
// asks for the same packet again and again, and one that goes silent (the 10 s limit).
TEST_F (HWUpdaterTest, TransferThatDoesNotCompleteIsReportedAsFailure)
{
    struct Case
    {
        const char* name;
        Fault fault;
    };
    for (auto c : { Case { "resend asked for ever", Fault::resendForever }, Case { "boot loader goes silent", Fault::silentAfterPackets } })
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        sim::SimulatedInstrument::Options options;
        options.silentAfterPackets = 1;
        auto& loader = plug (Model::BootLoader, options);
        loader.setFault (c.fault);
        auto file = firmwareFile (fwtest::firmwareImage (200));

        const auto t0 = juce::Time::getMillisecondCounter();
        EXPECT_FALSE (HWUpdater::Update (&file));
        if (c.fault == Fault::silentAfterPackets)
        {
            EXPECT_GE (juce::Time::getMillisecondCounter() - t0, (juce::uint32) LPC23XXUpdater::ackTimeoutMs);
        }

        EXPECT_EQ (boxes(), juce::StringArray (notCompletedBox));
        EXPECT_EQ (prompts.prompts()[0].icon, Icon::warning);
        EXPECT_FALSE (loader.updateEnded());
        EXPECT_TRUE (loader.receivedWithCommand (0x02).empty()) << "no EndOfUpdate";
        EXPECT_TRUE (portsClosed());
        EXPECT_EQ (HWUpdater::mUpdater.GetOutcome(), LPC23XXUpdater::Outcome::failed);
        instrument = nullptr;
    }
}

// A file that is not a firmware file, no file at all (a cancelled chooser) or a file that is
// gone: the container's box, and the instrument is not touched.
TEST_F (HWUpdaterTest, RefusedFileTouchesNothing)
{
    auto& device = plug (Model::KelaDorvoSE);
    const auto presetFile = folder.folder.getChildFile ("a.preset");
    {
        CryptedFile preset (presetFile.getFullPathName(), CryptedFile::presetKey);
        preset.getCryptedOutputStream()->writeByte (1);
    }
    juce::File none;
    EXPECT_FALSE (HWUpdater::Update (&none));
    EXPECT_FALSE (HWUpdater::Update (nullptr));
    auto preset = presetFile;
    EXPECT_FALSE (HWUpdater::Update (&preset));
    // A chosen file that is gone by the time the update opens it is not created.
    auto gone = folder.folder.getChildFile ("gone.kfw");
    EXPECT_FALSE (HWUpdater::Update (&gone));
    EXPECT_FALSE (gone.exists());

    EXPECT_EQ (boxes(), juce::StringArray ({ "Loading error / Unable to open the data file.",
                                             "Loading error / Unable to open the data file.",
                                             "Checking error / This file is not a KelaDorvo crypted firmware file.",
                                             "Loading error / Unable to open the data file." }));
    EXPECT_TRUE (device.received().empty());
    EXPECT_TRUE (portsClosed());
}

namespace
{
struct Ports
{
    explicit Ports (MidiInputPortCallback* callback)
    {
        in.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, callback));
        out.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
        if (in != nullptr)
            in->start();
    }
    ~Ports()
    {
        if (in != nullptr)
            in->stop();
    }
    std::unique_ptr<MidiInputPort> in;
    std::unique_ptr<MidiOutputPort> out;
};

/** Calls check on the message thread every 5 ms while the window runs. */
struct Watch : juce::Timer
{
    std::function<void()> check;
    void timerCallback() override { check(); }
};
} // namespace

// The window's poll waits between looks instead of spinning, stores the transfer's progress for
// the bar, and closes once the worker has stopped.
TEST_F (HWUpdaterTest, WindowPollsTheTransferWithAShortWait)
{
    sim::SimulatedInstrument::Options options;
    options.silentAfterPackets = 2;
    auto& loader = plug (Model::BootLoader, options);
    loader.setFault (Fault::silentAfterPackets);
    Ports link (&HWUpdater::mCallBack);   // the update's own callback hands the acknowledgements on

    const auto image = fwtest::firmwareImage (5 * 28);
    juce::MemoryInputStream stream (image.data(), image.size(), false);
    ASSERT_TRUE (HWUpdater::mUpdater.StartUpdate (link.out.get(), &stream));

    HWUpdater::UpdateWindow window;
    double seen = -1.0;
    Watch watch;
    watch.check = [&] {
        // Three packets are out (the third unanswered): the poll has stored 3/5; then stop.
        if (loader.received().size() == 4 && window.getPolledProgress() == 0.6)
        {
            seen = window.getPolledProgress();
            watch.stopTimer();
            HWUpdater::mUpdater.StopUpdate (5000);
        }
    };
    watch.startTimer (5);

    const auto t0 = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (window.runUntilTransferEnds());
    const auto elapsed = juce::Time::getMillisecondCounter() - t0;

    EXPECT_EQ (seen, 0.6);
    EXPECT_FALSE (HWUpdater::mUpdater.IsUpdating());
    EXPECT_EQ (HWUpdater::mUpdater.GetOutcome(), LPC23XXUpdater::Outcome::stopped);
    EXPECT_GE (window.getPolls(), 1);
    EXPECT_LE (window.getPolls(), (int) (elapsed / HWUpdater::UpdateWindow::pollIntervalMs) + 2) << "the poll does not wait";
    EXPECT_EQ (window.getPolledProgress(), 1.0);
    EXPECT_FALSE (window.getAlertWindow()->isVisible());
}
