#include "firmware/HWUpdater.h"
#include "app/Prompts.h"
#include "firmware/CryptedFile.h"
#include "link/HWDetector.h"
#include "link/PortUse.h"

MidiInputPort* HWUpdater::mInput = nullptr;
MidiOutputPort* HWUpdater::mOutput = nullptr;
LPC23XXUpdater HWUpdater::mUpdater;
HWUpdater::MidiCallback HWUpdater::mCallBack;

//==============================================================================
void HWUpdater::MidiCallback::handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& message)
{
    const auto* d = message.getRawData();
    if (message.getRawDataSize() <= SysexFrame::commandIndex || d[0] != 0xF0
        || d[SysexFrame::commandIndex] != toByte (SysexCommand::UpdateAck))
        return;
    HWUpdater::mUpdater.AckReceived (message);
}

//==============================================================================
HWUpdater::UpdateWindow::UpdateWindow()
    : juce::ThreadWithProgressWindow ("Firmware update:", true, false, 10000, "Cancel")
{
    setStatusMessage ("Downloading the firmware, do not unplug or power off the Dorvo...");
    mRelay.startTimer (50);
}

HWUpdater::UpdateWindow::~UpdateWindow()
{
    mRelay.stopTimer();
    stopThread (10000);
}

void HWUpdater::UpdateWindow::ProgressRelay::timerCallback()
{
    owner.setProgress (owner.mProgressValue.load (std::memory_order_acquire));
}

void HWUpdater::UpdateWindow::run()
{
    // A short wait between polls leaves the cores to the transfer it watches.
    while (! threadShouldExit() && HWUpdater::mUpdater.IsUpdating())
    {
        mProgressValue.store (HWUpdater::mUpdater.GetProgression(), std::memory_order_release);
        mPolls.fetch_add (1, std::memory_order_acq_rel);
        wait (pollIntervalMs);
    }
    mProgressValue.store (HWUpdater::mUpdater.GetProgression(), std::memory_order_release);
}

bool HWUpdater::UpdateWindow::runUntilTransferEnds()
{
    launchThread (juce::Thread::Priority::normal);

    bool quit = false;
    while (isThreadRunning())
    {
        if (! PortUse::runSlice (5))
        {
            // The application quits: the transfer ends here, and so does the window's poll.
            quit = true;
            HWUpdater::mUpdater.StopUpdate (2000);
            stopThread (2000);
            break;
        }
    }

    mRelay.timerCallback();
    if (auto* alert = getAlertWindow())
    {
        alert->exitModalState (1);
        alert->setVisible (false);
    }
    return ! quit;
}

//==============================================================================
void HWUpdater::closePorts()
{
    if (mInput != nullptr)
    {
        mInput->stop();
        delete mInput;
        mInput = nullptr;
    }
    delete mOutput;
    mOutput = nullptr;
}

bool HWUpdater::prepareHardware()
{
    const PortUse::Scope holdingPorts;

    closePorts();
    HWDetector::setLookedAfterFamily (0x04, 0x00);
    HWDetector::setLookedAfterMember (0x01, 0x01);   // the instrument running its firmware
    if (HWDetector::findHardware (&mCallBack, &mInput, &mOutput))
    {
        mUpdater.Reboot (mOutput);
        closePorts();

        for (int search = 0; search < bootLoaderSearches; ++search)
        {
            if (! PortUse::runSlice (100))
                return false;
            HWDetector::setLookedAfterMember (0x01, 0x03);   // its boot loader
            if (HWDetector::findHardware (&mCallBack, &mInput, &mOutput))
                return true;
        }
        return false;
    }

    // The instrument may be in its boot loader already (an update that was interrupted).
    if (PortUse::quitting())
        return false;
    HWDetector::setLookedAfterMember (0x01, 0x03);
    return HWDetector::findHardware (&mCallBack, &mInput, &mOutput);
}

bool HWUpdater::findBootLoader()
{
    const PortUse::Scope holdingPorts;

    closePorts();
    HWDetector::setLookedAfterFamily (0x04, 0x00);
    HWDetector::setLookedAfterMember (0x01, 0x03);
    const bool found = HWDetector::findHardware (&mCallBack, &mInput, &mOutput);
    closePorts();
    return found;
}

bool HWUpdater::Update (juce::File* file)
{
    const PortUse::Scope holdingPorts;

    // The container holds the firmware in memory until this function returns, after the
    // transfer has stopped reading it. A chosen file that is gone by now (removed, renamed,
    // its medium unplugged) cannot be opened: nothing is created, nothing sent.
    CryptedFile firmware (file != nullptr ? file->getFullPathName() : juce::String(), CryptedFile::firmwareKey,
                          CryptedFile::Missing::refuse);
    auto* stream = firmware.getCryptedInputStream();
    if (stream == nullptr)
        return false;   // the container has told the user why

    if (! prepareHardware())
    {
        closePorts();
        Prompts::message (Prompts::Icon::warning, updateErrorTitle, cannotPrepareText);
        return false;
    }

    if (mUpdater.StartUpdate (mOutput, stream))
    {
        UpdateWindow window;
        window.runUntilTransferEnds();
    }

    // The worker is gone before the stream and the ports are.
    mUpdater.StopUpdate (5000);
    const bool completed = ! mUpdater.IsUpdating() && mUpdater.GetOutcome() == LPC23XXUpdater::Outcome::completed;
    closePorts();

    if (! completed)
    {
        Prompts::message (Prompts::Icon::warning, updateErrorTitle, notCompletedText);
        return false;
    }
    Prompts::message (Prompts::Icon::info, completeTitle, completeText);
    return true;
}
