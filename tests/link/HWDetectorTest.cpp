#include "link/HWDetector.h"
#include "link/VirtualMidiBus.h"
#include "simulator/SimulatedInstrument.h"
#include "TestSupport.h"
#include <cstdio>
#include <functional>

using Bytes = std::vector<juce::uint8>;

namespace
{
const Bytes identityRequest { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 };

Bytes identityReply (juce::uint8 id, juce::uint8 member2 = 0x01, std::array<juce::uint8, 4> rev = { 1, 0, 3, 0 })
{
    return { 0xF0, 0x7E, id, 0x06, 0x02, 0x00, 0x2F, 0x5A, 0x04, 0x00, 0x01, member2,
             rev[0], rev[1], rev[2], rev[3], 0xF7 };
}

/** A device that answers the n-th identity request (0-based) with whatever the script says. */
struct IdentityPeer : VirtualMidiDevice
{
    std::function<std::vector<Bytes> (int attempt)> script = [] (int) { return std::vector<Bytes> {}; };
    std::atomic<int> requests { 0 };
    std::atomic<int> strayMessages { 0 };
    mutable std::atomic<int> opensLeft { -1 };  // -1: the input always opens

    void messageFromHost (const juce::MidiMessage& m) override
    {
        if (Bytes (m.getRawData(), m.getRawData() + m.getRawDataSize()) != identityRequest)
        {
            strayMessages.fetch_add (1);
            return;
        }
        for (auto& reply : script (requests.fetch_add (1)))
            VirtualMidiBus::instance().sendToHost (this, juce::MidiMessage (reply.data(), (int) reply.size()));
    }

    bool inputCanOpen() const override
    {
        int left = opensLeft.load();
        while (left > 0 && ! opensLeft.compare_exchange_weak (left, left - 1)) {}
        return left != 0;
    }
};

std::function<std::vector<Bytes> (int)> always (Bytes reply)
{
    return [reply] (int) { return std::vector<Bytes> { reply }; };
}

struct CallerCallback : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage&) override { heard.fetch_add (1); }
    std::atomic<int> heard { 0 };
};

struct SearchResult
{
    bool found;
    int in, out;
    double progress;
    juce::uint32 ms;
};

struct DetectorTest : ::testing::Test
{
    void SetUp() override
    {
        DORVO_REQUIRE_DISPLAY();
        MidiPorts::useVirtualBus();
        HWDetector::setLookedAfterFamily (0x04, 0x00);
        HWDetector::setLookedAfterMember (0x01, 0x01);
        HWDetector::setLookedAfterID (0x01);

        // The process's first window pays for fonts and the X set-up (seconds under the
        // sanitizers); it must not count against a search's own time.
        static bool warmedUp = false;
        if (! warmedUp)
        {
            warmedUp = true;
            HWDetector::DetectionWindow window;
            window.runUntilSearchEnds();
        }
    }

    void TearDown() override
    {
        for (auto& p : peers)
            VirtualMidiBus::instance().removeDevice (p.get());
    }

    IdentityPeer& addPeer (const juce::String& name, VirtualMidiBus::Ports ports = VirtualMidiBus::Ports::both)
    {
        peers.push_back (std::make_unique<IdentityPeer>());
        VirtualMidiBus::instance().addDevice (name, peers.back().get(), ports);
        return *peers.back();
    }

    /** One search in the progress window, as findHardware runs it. */
    static SearchResult search()
    {
        const auto t0 = juce::Time::getMillisecondCounter();
        HWDetector::DetectionWindow window;
        window.runUntilSearchEnds();
        return { HWDetector::mFound, HWDetector::mFoundIn, HWDetector::mFoundOut, window.getSearchProgress(),
                 juce::Time::getMillisecondCounter() - t0 };
    }

    std::vector<std::unique_ptr<IdentityPeer>> peers;
};
} // namespace

TEST_F (DetectorTest, NoOutputsFindsNothingAtOnce)
{
    addPeer ("Keyboard", VirtualMidiBus::Ports::inputOnly);

    const auto r = search();
    EXPECT_FALSE (r.found);
    EXPECT_EQ (r.progress, 0.0);
    EXPECT_LT (r.ms, 1000u);

    CallerCallback caller;
    MidiInputPort* in = reinterpret_cast<MidiInputPort*> (1);
    MidiOutputPort* out = reinterpret_cast<MidiOutputPort*> (1);
    EXPECT_FALSE (HWDetector::findHardware (&caller, &in, &out));
    EXPECT_EQ (in, nullptr);
    EXPECT_EQ (out, nullptr);
}

// Each output is worth five steps: silent attempts one each, a foreign reply the rest at once,
// a reply with another device id none; a found instrument ends the search.
TEST_F (DetectorTest, ProbesEveryOutputInTurn)
{
    const Bytes foreignMaker { 0xF0, 0x7E, 0x01, 0x06, 0x02, 0x00, 0x20, 0x33, 0x04, 0x00, 0x01, 0x01, 1, 0, 3, 0, 0xF7 };
    const Bytes fullReply = identityReply (0x01);
    const Bytes shortReply (fullReply.begin(), fullReply.begin() + 12);
    const auto instrument = always (identityReply (0x01));
    const auto foreign = always (foreignMaker);
    const auto silent = [] (int) { return std::vector<Bytes> {}; };

    struct Case
    {
        const char* name;
        std::vector<std::function<std::vector<Bytes> (int)>> scripts;  // one peer each, in port order
        bool found;
        int foundIndex;
        std::vector<int> requests;
        double progress;
        std::array<juce::uint8, 4> rev { 1, 0, 3, 0 };
    };
    const std::vector<Case> cases {
        { "silent output, then the instrument", { silent, instrument }, true, 1, { 5, 1 }, 0.5 },
        { "foreign reply at the third attempt",
          { [&] (int a) { return a < 2 ? std::vector<Bytes> {} : std::vector<Bytes> { foreignMaker }; }, instrument },
          true, 1, { 3, 1 }, 0.5 },
        { "device id 7F accepted", { always (identityReply (0x7F)) }, true, 0, { 1 }, 0.0 },
        { "device id 5 refused, every attempt used", { always (identityReply (0x05)) }, false, 0, { 5 }, 0.0 },
        { "boot loader is not the instrument", { always (identityReply (0x01, 0x03)) }, false, 0, { 1 }, 1.0 },
        { "reply too short is foreign", { always (shortReply) }, false, 0, { 1 }, 1.0 },
        { "instrument behind the last of several", { foreign, foreign, foreign, instrument }, true, 3, { 1, 1, 1, 1 }, 0.75 },
        { "second reply ignored",
          { [] (int) { return std::vector<Bytes> { identityReply (0x01, 0x01, { 1, 0, 2, 7 }),
                                                   identityReply (0x01, 0x01, { 9, 9, 9, 9 }) }; } },
          true, 0, { 1 }, 0.0, { 1, 0, 2, 7 } },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TearDown();
        peers.clear();
        for (size_t i = 0; i < c.scripts.size(); ++i)
            addPeer ("Port " + juce::String ((int) i)).script = c.scripts[i];

        const auto r = search();
        EXPECT_EQ (r.found, c.found);
        if (c.found)
        {
            EXPECT_EQ (r.in, c.foundIndex);
            EXPECT_EQ (r.out, c.foundIndex);
            juce::uint8 rev[4] {};
            HWDetector::getSoftwareRev (rev[0], rev[1], rev[2], rev[3]);
            EXPECT_EQ (std::vector<juce::uint8> (rev, rev + 4), std::vector<juce::uint8> (c.rev.begin(), c.rev.end()));
        }
        EXPECT_NEAR (r.progress, c.progress, 1e-9);
        for (size_t i = 0; i < c.requests.size(); ++i)
        {
            EXPECT_EQ (peers[i]->requests.load(), c.requests[i]) << "port " << i;
            EXPECT_EQ (peers[i]->strayMessages.load(), 0);
        }
    }
}

TEST_F (DetectorTest, FindsEachModelOfTheSimulatedInstrumentAndHandsBackItsPorts)
{
    struct Case
    {
        sim::Model model;
        juce::uint8 member2;
    };
    for (auto c : { Case { sim::Model::KelaDorvo, 0x01 }, Case { sim::Model::KelaDorvoSE, 0x01 },
                    Case { sim::Model::BootLoader, 0x03 } })
    {
        SCOPED_TRACE ((int) c.model);
        sim::SimulatedInstrument::Options options;
        options.model = c.model;
        options.firmware = { 1, 0, 2, 7 };
        // The instrument answers only once the message thread has looked at the window that
        // the search shows: the look happens while the search surely runs, however slowly
        // the window paints.
        struct AnswersAfterALook : sim::SimulatedInstrument
        {
            using SimulatedInstrument::SimulatedInstrument;
            void messageFromHost (const juce::MidiMessage& m) override
            {
                juce::MessageManager::callAsync ([this, m] {
                    if (auto* modal = juce::ModalComponentManager::getInstance()->getModalComponent (0))
                    {
                        auto* alert = dynamic_cast<juce::AlertWindow*> (modal);
                        modalWindowSeen = modal->isOnDesktop() && modal->isShowing()
                                          && modal->getName() == "Checking connection with KelaDorvo synthesizer"
                                          && alert != nullptr && alert->getNumButtons() == 0;
                        testsupport::saveArtefact (modal->createComponentSnapshot (modal->getLocalBounds()),
                                                   "detection-window");
                    }
                    SimulatedInstrument::messageFromHost (m);
                });
            }
            bool modalWindowSeen = false;
        };
        AnswersAfterALook instrument (options);
        instrument.plugIn();
        HWDetector::setLookedAfterMember (0x01, c.member2);

        CallerCallback caller;
        MidiInputPort* in = nullptr;
        MidiOutputPort* out = nullptr;
        testing::internal::CaptureStdout();
        const bool found = HWDetector::findHardware (&caller, &in, &out);
        std::fflush (stdout);
        const auto printed = testing::internal::GetCapturedStdout();
        std::unique_ptr<MidiInputPort> input (in);
        std::unique_ptr<MidiOutputPort> output (out);

        ASSERT_TRUE (found);
        ASSERT_TRUE (input && output);
        EXPECT_TRUE (instrument.modalWindowSeen);
        EXPECT_EQ (input->getDeviceIndex(), 0);
        EXPECT_EQ (output->getDeviceIndex(), 0);
        juce::uint8 rev[4] {};
        HWDetector::getSoftwareRev (rev[0], rev[1], rev[2], rev[3]);
        EXPECT_EQ (std::vector<juce::uint8> (rev, rev + 4), (std::vector<juce::uint8> { 1, 0, 2, 7 }));
        EXPECT_NE (printed.find ("Device family member2 : " + std::to_string (c.member2) + " !\n"), std::string::npos);

        // The caller's input is open and started: the instrument's active sensing reaches it.
        EXPECT_TRUE (testsupport::pumpUntil ([&] { return caller.heard.load() > 0; }, 1000));
        EXPECT_EQ (instrument.received().size(), 1u) << "one attempt, one identity request, nothing else";
        input->stop();
    }
}

TEST_F (DetectorTest, InstrumentBehindASecondInputWhenTheFirstDoesNotOpen)
{
    addPeer ("Broken keyboard", VirtualMidiBus::Ports::inputOnly).opensLeft = 0;
    addPeer ("KelaDorvo").script = always (identityReply (0x01));

    CallerCallback caller;
    MidiInputPort* in = nullptr;
    MidiOutputPort* out = nullptr;
    testing::internal::CaptureStdout();
    const bool found = HWDetector::findHardware (&caller, &in, &out);
    std::fflush (stdout);
    const auto printed = testing::internal::GetCapturedStdout();
    std::unique_ptr<MidiInputPort> input (in);
    std::unique_ptr<MidiOutputPort> output (out);

    ASSERT_TRUE (found);
    ASSERT_TRUE (input && output);
    EXPECT_EQ (input->getDeviceIndex(), 1);
    EXPECT_EQ (output->getDeviceIndex(), 0);
    EXPECT_NE (printed.find ("Unable to open 0 \n"), std::string::npos);
}

TEST_F (DetectorTest, AnsweredButNotReopenableGivesNoPortsAtAll)
{
    auto& peer = addPeer ("KelaDorvo");
    peer.script = always (identityReply (0x01));
    peer.opensLeft = 1;  // the search's own open succeeds, the caller's does not

    CallerCallback caller;
    MidiInputPort* in = nullptr;
    MidiOutputPort* out = nullptr;
    EXPECT_FALSE (HWDetector::findHardware (&caller, &in, &out));
    EXPECT_TRUE (HWDetector::mFound);
    EXPECT_EQ (in, nullptr);
    EXPECT_EQ (out, nullptr);
}

TEST_F (DetectorTest, EnumerateMidiListsInputsThenOutputsByIndex)
{
    addPeer ("Keyboard", VirtualMidiBus::Ports::inputOnly);
    addPeer ("KelaDorvo");

    testing::internal::CaptureStdout();
    const auto text = HWDetector::enumerateMidi();
    std::fflush (stdout);
    const auto printed = testing::internal::GetCapturedStdout();

    const juce::String expected ("Inputs : \n0 : Keyboard\n1 : KelaDorvo\nOutputs : \n0 : KelaDorvo\n");
    EXPECT_EQ (text, expected);
    EXPECT_EQ (juce::String (printed), expected);
}
