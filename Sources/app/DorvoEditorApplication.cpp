#include "app/DorvoEditorApplication.h"
#include "app/Prompts.h"
#include "app/MainAppWindow.h"
#include "app/SingleInstance.h"
#include "firmware/HWUpdater.h"
#include "link/HWDetector.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"

// =============================================================================================
// The application object

DorvoEditorApplication::DorvoEditorApplication() : mMainWindow (std::make_unique<MainAppWindow>())
{
    PortUse::setObserver (this);
}

DorvoEditorApplication::~DorvoEditorApplication()
{
    PortUse::removeObserver (this);
    closePorts();
    mInstanceListener = nullptr;
    mMainWindow = nullptr;
}

const juce::String DorvoEditorApplication::getApplicationName() { return "Dorvo Connection"; }
const juce::String DorvoEditorApplication::getApplicationVersion() { return "Dorvo Connection"; }
// Only one instance runs per user, but the lock that decides it is the application's own
// (SingleInstance::Lock, taken by the entry point): the framework's would be one for the
// whole machine.
bool DorvoEditorApplication::moreThanOneInstanceAllowed() { return true; }

void DorvoEditorApplication::anotherInstanceStarted (const juce::String&)
{
    showMultipleInstanceBox();
}

void DorvoEditorApplication::showMultipleInstanceBox()
{
    Prompts::message (Prompts::Icon::info, "Multiple instance",
                      "Only one TavinDorvo Connection can be opened at the same time !");
}

void DorvoEditorApplication::systemRequestedQuit()
{
    juce::JUCEApplication::quit();
}

void DorvoEditorApplication::shutdown()
{
    mInstanceListener = nullptr;
    disconnectHardware();
}

bool DorvoEditorApplication::isFirmwareOutdated (juce::uint8 r1, juce::uint8 r2, juce::uint8 r3)
{
    return r1 == 0 || (r1 == 1 && r2 == 0 && r3 <= 2);
}

void DorvoEditorApplication::initialise (const juce::String&)
{
    if (mHandOverSocket.isNotEmpty())
        mInstanceListener = std::make_unique<SingleInstance::Listener> (
            mHandOverSocket, [this] (const juce::String& commandLine) { anotherInstanceStarted (commandLine); });

    ActionDispatcher::Operation startUp (mDispatcher);

    connectHardware();
    if (! mConnected || PortUse::quitting())
        return;

    if (! connectedFirmwareIsOutdated())
    {
        updateInterface();
        return;
    }

    // Cancel leaves the instrument connected without read-back: an outdated firmware may not
    // answer the gets.
    if (Prompts::okCancel (Prompts::Icon::warning, "Firmware version",
                           "The firmware version is outdated. Would you like to update the firmware to the latest version?"))
        updateFirmware();
}

bool DorvoEditorApplication::updateFirmware()
{
    ActionDispatcher::Operation updating (mDispatcher);

    disconnectHardware();
    auto file = getFirmwareFile();
    const bool updated = HWUpdater::Update (&file);
    if (PortUse::quitting())
        return false;   // the application is closing: no new connection
    connectHardware();
    // Whatever became of the update (completed, failed, its chooser cancelled), the
    // reconnection built the pages afresh: they show what the instrument holds only once it is
    // read back. A firmware that is still outdated (an update that did not run) may not answer
    // the gets, and is left unread, as at start-up.
    if (mConnected && ! connectedFirmwareIsOutdated())
        updateInterface();
    return updated;
}

bool DorvoEditorApplication::connectedFirmwareIsOutdated()
{
    juce::uint8 r1 = 0, r2 = 0, r3 = 0, r4 = 0;
    HWDetector::getSoftwareRev (r1, r2, r3, r4);
    return isFirmwareOutdated (r1, r2, r3);
}

void DorvoEditorApplication::connectHardware()
{
    ActionDispatcher::Operation connecting (mDispatcher);

    disconnectHardware();
    bool offerTheUpdate = true;   // until the user declines it in this connection

    while (! mConnected)
    {
        HWDetector::setLookedAfterFamily (0x04, 0x00);
        HWDetector::setLookedAfterMember (0x01, 0x01);

        MidiInputPort* input = nullptr;
        MidiOutputPort* output = nullptr;
        const bool found = HWDetector::findHardware (this, &input, &output);

        if (found && input != nullptr && output != nullptr)
        {
            mMidiInput = input;
            mMidiOutput = output;
            mConnected = true;
            mMainWindow->setConnectedState (true);

            juce::uint8 isSeq = 0xFF;
            HWMessages::getIsSeq (mMidiOutput, &isSeq);
            mMainWindow->SwitchDorvoType (isSeq == 1 ? KelaSE : KelaArp);
            mMainWindow->registerListener (this);

            juce::uint8 a = 0, b = 0, c = 0, d = 0;
            HWDetector::getSoftwareRev (a, b, c, d);
            mMainWindow->SetFirmwareVersion (a, b, c, d);
            ++mConnectionNumber;
            return;
        }

        // Found, but one of its ports did not open: every later request needs both, so this
        // counts as not found.
        if (input != nullptr)
        {
            input->stop();
            delete input;
        }
        delete output;

        // An instrument left in its boot loader (an update that did not complete) does not
        // answer as a running one: the only way to make it run again is an update.
        if (offerTheUpdate && ! PortUse::quitting() && HWUpdater::findBootLoader())
        {
            if (Prompts::okCancel (Prompts::Icon::warning, "Firmware update",
                                   "A KelaDorvo is waiting in its boot loader: its firmware is not complete.\n"
                                   "Update the firmware now?"))
            {
                auto file = getFirmwareFile();
                HWUpdater::Update (&file);
                if (! PortUse::quitting())
                    continue;   // the reconnection
            }
            offerTheUpdate = false;
        }

        if (Prompts::okCancel (Prompts::Icon::warning, "No instrument found",
                               "The software was not able to find a KelaDorvo connected to the computer.\n"
                               "Please make sure:\n"
                               "1. The USB connection is correctly set between KelaDorvo and your computer.\n"
                               "2. KelaDorvo is switched on.\n"
                               "3. KelaDorvo has been correctly rebooted after a firmware update.\n"
                               "\n"
                               "Do you want to retry ?"))
        {
            if (PortUse::runSlice (100))
                continue;
        }

        Prompts::message (Prompts::Icon::warning, "No instrument found",
                          "Editing is disabled until a valid connection is made.");
        mMainWindow->SwitchDorvoType (NotConnected);
        mMainWindow->setConnectedState (false);
        mMainWindow->registerListener (this);
        ++mConnectionNumber;
        return;
    }
}

void DorvoEditorApplication::closePorts()
{
    // A port still held by a running user of the link (a wait, a transfer...) is only retired
    // here, and closed when the last user has ended.
    if (mMidiInput != nullptr)
    {
        mMidiInput->stop();
        mRetiredInputs.add (mMidiInput);
        mMidiInput = nullptr;
    }
    if (mMidiOutput != nullptr)
    {
        mRetiredOutputs.add (mMidiOutput);
        mMidiOutput = nullptr;
    }
    if (PortUse::users() == 0)
    {
        mRetiredInputs.clear();
        mRetiredOutputs.clear();
    }
}

void DorvoEditorApplication::portUseBegins()
{
    mDispatcher.portUseBegins();
}

void DorvoEditorApplication::portUseEnds()
{
    mRetiredInputs.clear();
    mRetiredOutputs.clear();
    mDispatcher.portUseEnds();
}

void DorvoEditorApplication::disconnectHardware()
{
    if (! mConnected)
        return;

    mMainWindow->setConnectedState (false);
    mConnected = false;
    ++mConnectionNumber;
    closePorts();
}

namespace
{
struct ReadBackStep
{
    bool (*get) (MidiOutputPort*, juce::uint8*);
    void (*show) (MainAppWindow&, juce::uint8);
};

const ReadBackStep readBack[] = {
    { &HWMessages::getChannelIn, [] (MainAppWindow& w, juce::uint8 v) { w.setChannelIn (v); } },
    { &HWMessages::getChannelOut, [] (MainAppWindow& w, juce::uint8 v) { w.setChannelOut (v); } },
    { &HWMessages::getAudioGateThreshold, [] (MainAppWindow& w, juce::uint8 v) { w.setAudioGateThreshold (v); } },
    { &HWMessages::getLFORetrig, [] (MainAppWindow& w, juce::uint8 v) { w.setLFORetrig (v == 1); } },
    { &HWMessages::getArpHold, [] (MainAppWindow& w, juce::uint8 v) { w.setArpHold (v == 1); } },
    { &HWMessages::getKeyboardMode, [] (MainAppWindow& w, juce::uint8 v) { w.setKeyboardMode (v); } },
    { &HWMessages::getLegatoState, [] (MainAppWindow& w, juce::uint8 v) { w.setLegatoState (v); } },
    { &HWMessages::getVelocityCurbNum, [] (MainAppWindow& w, juce::uint8 v) { w.setVelocityCurbNum (v); } },
    { &HWMessages::getAftertouchCurbNum, [] (MainAppWindow& w, juce::uint8 v) { w.setAftertouchCurbNum (v); } },
    { &HWMessages::getStepSize, [] (MainAppWindow& w, juce::uint8 v) { w.setStepSize (v); } },
    { &HWMessages::getGateLen, [] (MainAppWindow& w, juce::uint8 v) { w.setGateLen (v); } },
    { &HWMessages::getTapAvg, [] (MainAppWindow& w, juce::uint8 v) { w.setTapAvg (v); } },
    { &HWMessages::getSeqSync, [] (MainAppWindow& w, juce::uint8 v) { w.setClkSync (v); } },
    { &HWMessages::getSeqPlayMode, [] (MainAppWindow& w, juce::uint8 v) { w.setSeqPlayMode (v); } },
    { &HWMessages::getSeqNextSeq, [] (MainAppWindow& w, juce::uint8 v) { w.setSeqNextSeq (v); } },
};
} // namespace

void DorvoEditorApplication::updateInterface()
{
    if (! mConnected)
        return;

    ActionDispatcher::Operation reading (mDispatcher);
    for (auto& step : readBack)
    {
        juce::uint8 value = 0;
        if (! step.get (mMidiOutput, &value))
        {
            disconnectHardware();
            Prompts::message (Prompts::Icon::warning, "Update error",
                              "Unable to communicate with TavinDorvo. Closing connection !");
            return;
        }
        step.show (*mMainWindow, value);
    }
}

void DorvoEditorApplication::handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& message)
{
    if (message.isActiveSense())
    {
        mLastActiveSense.store (juce::Time::getMillisecondCounter(), std::memory_order_relaxed);
        return;
    }
    HWMessages::midiReceived (message);
    HWTemplate::MidiReceived (message);
}

void DorvoEditorApplication::actionListenerCallback (const juce::String& message)
{
    mDispatcher.dispatch (message);
}

juce::File DorvoEditorApplication::getFirmwareFile()
{
    Prompts::FileRequest request;
    request.kind = Prompts::Kind::openFile;
    request.title = "Select Firmware binary file";
    request.patterns = "*.kfw";
    // The folder that holds the application.
    request.initialLocation = juce::File::getSpecialLocation (juce::File::currentApplicationFile).getParentDirectory();
    return Prompts::chooseFile (request);
}

void DorvoEditorApplication::DispatchHost::refreshPresetsList()
{
    app.mMainWindow->refreshPresetsList();
}

void DorvoEditorApplication::parseFileString (const juce::String& message, juce::OwnedArray<juce::File>& files)
{
    auto rest = message.substring (5);
    while (rest.isNotEmpty())
    {
        // All of rest when it holds no ",".
        const auto last = rest.fromLastOccurrenceOf (",", false, false);
        // Only a full path names a file: a relative one would be taken against whatever the
        // working folder happens to be.
        files.add (new juce::File (last.startsWithChar ('/') ? juce::File (last) : juce::File()));
        rest = rest.substring (0, rest.length() - last.length() - 1);
    }
}

namespace
{
/** A block for the loop-back test, filled by the test itself. */
struct LoopBackBlock : HWTemplate
{
    using HWTemplate::HWTemplate;
    juce::MemoryBlock& bytes() { return mData; }
};
} // namespace

void DorvoEditorApplication::testTemplate()
{
    constexpr int blockSize = 88;
    LoopBackBlock sent (blockSize), received (blockSize);
    for (int i = 0; i < blockSize; ++i)
        static_cast<juce::uint8*> (sent.bytes().getData())[i] = juce::uint8 (i);

    // A soak test of the block transfer: it runs until the application quits.
    for (juce::int64 pass = 1;; ++pass)
    {
        if (! sent.send (mMidiOutput))
            Prompts::message (Prompts::Icon::warning, "Error :", "Unable to send the template !");
        if (! PortUse::runSlice (100))
            return;
        if (! received.receive (mMidiOutput))
            Prompts::message (Prompts::Icon::warning, "Error :", "Unable to receive the template !");

        const auto& a = sent.getBlock();
        const auto& b = received.getBlock();
        for (int i = 0; i < blockSize; ++i)
        {
            const bool same = (size_t) i < b.getSize() && a[i] == b[i];
            if (! same)
                Prompts::message (Prompts::Icon::warning, "Error :",
                                  "Bad compare ! Octet : " + juce::String (i) + "test : " + juce::String (pass));
        }
        if (! PortUse::runSlice (100))
            return;
    }
}

