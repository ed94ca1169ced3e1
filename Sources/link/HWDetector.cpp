#include "link/HWDetector.h"
#include "link/PortUse.h"
#include <cstdio>

juce::uint8 HWDetector::mFamily1 = 0;
juce::uint8 HWDetector::mFamily2 = 0;
juce::uint8 HWDetector::mMember1 = 0;
juce::uint8 HWDetector::mMember2 = 0;
juce::uint8 HWDetector::mID = 1;
juce::uint8 HWDetector::mSoftRev1 = 0;
juce::uint8 HWDetector::mSoftRev2 = 0;
juce::uint8 HWDetector::mSoftRev3 = 0;
juce::uint8 HWDetector::mSoftRev4 = 0;
juce::int32 HWDetector::mFoundIn = 0;
juce::int32 HWDetector::mFoundOut = 0;
bool HWDetector::mFound = false;
juce::CriticalSection HWDetector::mutex;

namespace
{
constexpr int identityReplySize = 17;
constexpr juce::uint8 anyDevice = 0x7F;
constexpr juce::uint8 noMatch = 0xFF;
} // namespace

//==============================================================================
void HWDetector::MidiCallback::handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> taking (mTaking);

    if (mReceived.load (std::memory_order_acquire))
        return;

    const auto* d = message.getRawData();
    const int n = message.getRawDataSize();
    if (n < 5 || d[0] != 0xF0 || d[4] != 0x02)
        return;

    if (n > 11)
        std::printf ("Device family member2 : %i !\n", (int) d[11]);

    // A reply too short to hold the revision is some other device's.
    const bool matches = n >= identityReplySize
                         && d[5] == 0x00 && d[6] == 0x2F && d[7] == 0x5A
                         && d[8] == HWDetector::mFamily1 && d[9] == HWDetector::mFamily2
                         && d[10] == HWDetector::mMember1 && d[11] == HWDetector::mMember2;
    if (matches)
    {
        mFoundId = d[2];
        mSource = source;
        HWDetector::mSoftRev1 = d[12];
        HWDetector::mSoftRev2 = d[13];
        HWDetector::mSoftRev3 = d[14];
        HWDetector::mSoftRev4 = d[15];
    }
    else
    {
        mFoundId = noMatch;
    }

    mReceived.store (true, std::memory_order_release);
}

//==============================================================================
HWDetector::DetectionWindow::DetectionWindow()
    : juce::ThreadWithProgressWindow ("Checking connection with KelaDorvo synthesizer", true, false, 10000, "Cancel")
{
    setStatusMessage ("Please wait...");

    mOutputNames = MidiOutputPort::getDevices();
    mInputNames = MidiInputPort::getDevices();

    for (int i = 0; i < mInputNames.size(); ++i)
    {
        if (auto* input = MidiInputPort::openDevice (i, &mCallback))
        {
            input->start();
            mOpenedInputs.add (input);
        }
        else
        {
            std::printf ("Unable to open %i \n", i);
        }
    }

    mRelay.startTimer (50);
}

HWDetector::DetectionWindow::~DetectionWindow()
{
    mRelay.stopTimer();
    // The worker must be gone before the inputs it listens through.
    stopThread (10000);
    for (auto* input : mOpenedInputs)
        input->stop();
    mOpenedInputs.clear();
}

void HWDetector::DetectionWindow::runUntilSearchEnds()
{
    launchThread (juce::Thread::Priority::normal);
    while (isThreadRunning())
    {
        if (! PortUse::runSlice (2))
        {
            // The application quits: the search ends at once, finding nothing.
            signalThreadShouldExit();
            stopThread (10000);
            HWDetector::mFound = false;
            break;
        }
    }

    mRelay.timerCallback();
    if (auto* alert = getAlertWindow())
    {
        alert->exitModalState (1);
        alert->setVisible (false);
    }
}

void HWDetector::DetectionWindow::ProgressRelay::timerCallback()
{
    owner.setProgress (owner.mProgressValue.load (std::memory_order_acquire));
}

void HWDetector::DetectionWindow::addSteps (double steps)
{
    mProgressValue.store (mProgressValue.load (std::memory_order_relaxed) + steps * mStep,
                          std::memory_order_release);
}

bool HWDetector::DetectionWindow::pollForReply()
{
    for (int poll = 0; poll < pollsPerAttempt; ++poll)
    {
        if (threadShouldExit())
            return false;
        juce::Thread::sleep (pollIntervalMs);
        if (mCallback.mReceived.load (std::memory_order_acquire))
            return true;
    }
    return false;
}

void HWDetector::DetectionWindow::run()
{
    mProgressValue.store (0.0, std::memory_order_release);
    HWDetector::mFound = false;

    const int outputs = mOutputNames.size();
    if (outputs == 0)
        return;
    mStep = 1.0 / (attemptsPerOutput * outputs);

    for (int o = 0; o < outputs && ! threadShouldExit(); ++o)
    {
        std::unique_ptr<MidiOutputPort> output (MidiOutputPort::openDevice (o));
        if (output == nullptr)
        {
            addSteps (attemptsPerOutput);
            continue;
        }

        for (int a = 0; a < attemptsPerOutput; ++a)
        {
            mCallback.mReceived.store (false, std::memory_order_release);
            HWDetector::sendIdRequest (output.get());

            if (! pollForReply())
            {
                addSteps (1);
                mCallback.mReceived.store (true, std::memory_order_release);  // late replies are ignored
                if (threadShouldExit())
                    return;
                continue;
            }

            const juce::uint8 id = mCallback.mFoundId;
            if (id == noMatch)
            {
                addSteps (attemptsPerOutput - a);
                break;
            }

            if (id == HWDetector::mID || id == anyDevice)
            {
                HWDetector::mFoundIn = -1;
                for (auto* input : mOpenedInputs)
                    if (input == mCallback.mSource)
                        HWDetector::mFoundIn = input->getDeviceIndex();
                HWDetector::mFoundOut = o;
                HWDetector::mFound = true;
                return;
            }
            // Any other device id: the attempt failed, the output gets its remaining ones.
        }
    }
}

//==============================================================================
void HWDetector::setLookedAfterFamily (juce::uint8 family1, juce::uint8 family2)
{
    mFamily1 = family1;
    mFamily2 = family2;
}

void HWDetector::setLookedAfterMember (juce::uint8 member1, juce::uint8 member2)
{
    mMember1 = member1;
    mMember2 = member2;
}

void HWDetector::setLookedAfterID (juce::uint8 id)
{
    mID = id;
}

void HWDetector::getSoftwareRev (juce::uint8& rev1, juce::uint8& rev2, juce::uint8& rev3, juce::uint8& rev4)
{
    rev1 = mSoftRev1;
    rev2 = mSoftRev2;
    rev3 = mSoftRev3;
    rev4 = mSoftRev4;
}

void HWDetector::sendIdRequest (MidiOutputPort* output)
{
    if (output == nullptr)
        return;
    const juce::uint8 request[] = { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 };
    output->sendMessageNow (juce::MidiMessage (request, (int) sizeof (request)));
}

bool HWDetector::findHardware (MidiInputPortCallback* callback, MidiInputPort** input, MidiOutputPort** output)
{
    const juce::ScopedLock searching (mutex);
    // The search's own ports, and the caller's once handed back, are held across the window's
    // nested loop.
    const PortUse::Scope holdingThePorts;

    if (input != nullptr)
        *input = nullptr;
    if (output != nullptr)
        *output = nullptr;

    {
        DetectionWindow window;
        window.runUntilSearchEnds();
    }

    if (! mFound || mFoundIn < 0 || callback == nullptr || input == nullptr || output == nullptr || PortUse::quitting())
        return false;

    std::unique_ptr<MidiInputPort> in (MidiInputPort::openDevice (mFoundIn, callback));
    std::unique_ptr<MidiOutputPort> out (MidiOutputPort::openDevice (mFoundOut));
    if (in == nullptr || out == nullptr)
        return false;  // whatever did open is closed here: no caller gets half a connection

    in->start();
    *input = in.release();
    *output = out.release();
    return true;
}

juce::String HWDetector::enumerateMidi()
{
    juce::String text ("Inputs : \n");
    const auto inputs = MidiInputPort::getDevices();
    for (int i = 0; i < inputs.size(); ++i)
        text << i << " : " << inputs[i] << "\n";

    text << "Outputs : \n";
    const auto outputs = MidiOutputPort::getDevices();
    for (int i = 0; i < outputs.size(); ++i)
        text << i << " : " << outputs[i] << "\n";

    std::printf ("%s", text.toRawUTF8());
    return text;
}
