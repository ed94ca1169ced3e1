#include "app/ActionDispatcher.h"
#include "ActionCodes.h"
#include "app/DorvoEditorApplication.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "link/PortUse.h"
#include "sequences/SequenceActions.h"
#include "presets/PresetActions.h"

namespace
{
using Host = ActionDispatcher::Host;
using Kind = ActionDispatcher::Kind;

template <void (*Set) (MidiOutputPort*, juce::uint8)>
void sendSetting (Host& host, const juce::String& message)
{
    Set (host.instrumentOutput(), ActionDispatcher::valueOf (message));
}

void toggleConnection (Host& host, const juce::String&)
{
    if (! host.isConnected())
    {
        host.connectHardware();
        host.updateInterface();
    }
    else
    {
        host.disconnectHardware();
    }
}

void updateFirmware (Host& host, const juce::String&) { host.updateFirmware(); }

void resetSequences (Host& host, const juce::String&) { SequenceActions::factoryReset (host.instrumentOutput()); }
void loadSequences (Host& host, const juce::String&) { SequenceActions::load (host.instrumentOutput()); }
void saveSequences (Host& host, const juce::String&) { SequenceActions::save (host.instrumentOutput()); }

// The preset library: the bodies are PresetActions'; the file lists are parsed here.
void importPresets (Host& host, const juce::String&)
{
    PresetActions::importPresets();
    host.refreshPresetsList();
}

void exportPresets (Host& host, const juce::String& message)
{
    juce::OwnedArray<juce::File> files;
    DorvoEditorApplication::parseFileString (message, files);
    PresetActions::exportPresets (files);
    host.refreshPresetsList();
}

void deletePresets (Host& host, const juce::String& message)
{
    juce::OwnedArray<juce::File> files;
    DorvoEditorApplication::parseFileString (message, files);
    PresetActions::deletePresets (files);
    host.refreshPresetsList();
}

void copyPreset (Host& host, const juce::String& message)
{
    PresetActions::copyPreset (message.substring (5));
    host.refreshPresetsList();
}

void renamePreset (Host& host, const juce::String& message)
{
    PresetActions::renamePreset (message.substring (5));
    host.refreshPresetsList();
}

void dropOnList (Host& host, const juce::String& message) { PresetActions::dropOnList (host.instrumentOutput(), message); }
void dropOnSlot (Host& host, const juce::String& message) { PresetActions::dropOnSlot (host.instrumentOutput(), message); }
} // namespace

const std::vector<ActionDispatcher::Row>& ActionDispatcher::rows()
{
    // The local actions come first: the watchdog runs only when none of them matched.
    static const std::vector<Row> table {
        { ActionCode::connect, Kind::local, &toggleConnection },
        { ActionCode::firmwareUpdate, Kind::local, &updateFirmware, true },
        { ActionCode::importPresets, Kind::local, &importPresets },
        { ActionCode::exportPresets, Kind::local, &exportPresets },
        { ActionCode::deletePresets, Kind::local, &deletePresets },
        { ActionCode::copyPreset, Kind::local, &copyPreset },
        { ActionCode::renamePreset, Kind::local, &renamePreset },

        { ActionCode::dropOnList, Kind::instrument, &dropOnList },
        { ActionCode::dropOnSlot, Kind::instrument, &dropOnSlot },

        { ActionCode::channelIn, Kind::setting, &sendSetting<&HWMessages::setChannelIn> },
        { ActionCode::channelOut, Kind::setting, &sendSetting<&HWMessages::setChannelOut> },
        { ActionCode::keyboardMode, Kind::setting, &sendSetting<&HWMessages::setKeyboardMode> },
        { ActionCode::legato, Kind::setting, &sendSetting<&HWMessages::setLegatoState> },
        { ActionCode::inputGain, Kind::setting, &sendSetting<&HWMessages::setAudioGateThreshold> },
        { ActionCode::lfoRetrig, Kind::setting, &sendSetting<&HWMessages::setLFORetrig> },
        { ActionCode::velocityCurve, Kind::setting, &sendSetting<&HWMessages::setVelocityCurbNum> },
        { ActionCode::aftertouchCurve, Kind::setting, &sendSetting<&HWMessages::setAftertouchCurbNum> },
        { ActionCode::arpHold, Kind::setting, &sendSetting<&HWMessages::setArpHold> },
        { ActionCode::bendRange, Kind::setting, &sendSetting<&HWMessages::setBendRange> },
        { ActionCode::stepSize, Kind::setting, &sendSetting<&HWMessages::setStepSize> },
        { ActionCode::gateLength, Kind::setting, &sendSetting<&HWMessages::setGateLen> },
        { ActionCode::tapAverage, Kind::setting, &sendSetting<&HWMessages::setTapAvg> },
        { ActionCode::clockSync, Kind::setting, &sendSetting<&HWMessages::setSeqSync> },
        { ActionCode::seqRetrig, Kind::setting, &sendSetting<&HWMessages::setSeqRetrig> },
        { ActionCode::seqPlayMode, Kind::setting, &sendSetting<&HWMessages::setSeqPlayMode> },
        { ActionCode::seqNextSeq, Kind::setting, &sendSetting<&HWMessages::setSeqNextSeq> },

        { ActionCode::factorySequences, Kind::instrument, &resetSequences },
        { ActionCode::loadSequences, Kind::instrument, &loadSequences },
        { ActionCode::saveSequences, Kind::instrument, &saveSequences },
        { ActionCode::sequenceUnused, Kind::instrument, nullptr },
    };
    return table;
}

ActionDispatcher::ActionDispatcher (Host& host)
    : mHost (host), mClock ([] { return juce::Time::getMillisecondCounter(); })
{
}

ActionDispatcher::~ActionDispatcher()
{
    *mAlive = false;
}

juce::uint8 ActionDispatcher::valueOf (const juce::String& message)
{
    return juce::uint8 (message.substring (5).getIntValue() & 0xFF);
}

bool ActionDispatcher::belongsToItsConnection (const Row* row)
{
    return row == nullptr || row->kind != Kind::local || row->forTheInstrument;
}

const ActionDispatcher::Row* ActionDispatcher::rowFor (const juce::String& message)
{
    for (auto& row : rows())
        if (message.startsWith (row.code))
            return &row;
    return nullptr;
}

void ActionDispatcher::dispatch (const juce::String& message)
{
    JUCE_ASSERT_MESSAGE_THREAD

    const auto* row = rowFor (message);
    if (isBusy() && (row == nullptr || row->kind != Kind::setting))
    {
        mQueue.push_back ({ false, message, mHost.isConnected(), mHost.connectionNumber() });
        return;
    }
    handle (message);
}

void ActionDispatcher::handle (const juce::String& message)
{
    const auto* row = rowFor (message);

    if (row == nullptr || row->kind != Kind::local)
    {
        // Everything else needs the instrument, and the instrument alive.
        if (! mHost.isConnected())
            return;

        if (! activeSensingIsFresh (mClock(), mHost.lastActiveSense()))
        {
            if (isBusy())
            {
                if (! mDisconnectHeld)
                    mQueue.push_back ({ true, {}, true, mHost.connectionNumber() });
                mDisconnectHeld = true;
            }
            else
            {
                watchdogDisconnect();
            }
            return;
        }
    }

    if (row == nullptr || row->handler == nullptr)
        return;

    if (row->kind == Kind::setting)
    {
        row->handler (mHost, message);
        return;
    }

    // Everything but a setting may run nested loops: later messages wait for it.
    Operation operation (*this);
    row->handler (mHost, message);
}

void ActionDispatcher::watchdogDisconnect()
{
    Operation operation (*this);
    mHost.disconnectHardware();
    Prompts::message (Prompts::Icon::warning, "Connection", "KelaDorvo has been disconnected !");
}

ActionDispatcher::Operation::Operation (ActionDispatcher& dispatcher) : mDispatcher (dispatcher)
{
    ++mDispatcher.mDepth;
}

ActionDispatcher::Operation::~Operation()
{
    mDispatcher.operationEnded();
}

void ActionDispatcher::portUseBegins()
{
    ++mDepth;
}

void ActionDispatcher::portUseEnds()
{
    if (--mDepth > 0 || mDraining || mQueue.empty())
        return;

    std::weak_ptr<bool> alive = mAlive;
    juce::MessageManager::callAsync ([this, alive]
    {
        if (auto a = alive.lock(); a != nullptr && *a && ! isBusy())
            drainQueue();
    });
}

void ActionDispatcher::operationEnded()
{
    if (--mDepth > 0 || mDraining)
        return;
    drainQueue();
}

void ActionDispatcher::drainQueue()
{
    // Once the application quits, nothing queued is started any more.
    if (PortUse::quitting())
    {
        mQueue.clear();
        mDisconnectHeld = false;
        return;
    }

    mDraining = true;
    while (! mQueue.empty())
    {
        const auto next = mQueue.front();
        mQueue.pop_front();
        if (next.heldDisconnect)
        {
            mDisconnectHeld = false;
            if (mHost.isConnected())
                watchdogDisconnect();
        }
        else if (next.message.startsWith (ActionCode::connect))
        {
            // Clicked on a connection state that is gone: the click meant something else.
            if (next.connectedWhenQueued == mHost.isConnected())
                handle (next.message);
        }
        else if (belongsToItsConnection (rowFor (next.message))
                 && next.connectionWhenQueued != mHost.connectionNumber())
        {
            // Clicked under a connection that has ended since (the firmware update closes
            // its connection and opens a new one): dropped, as the gate drops an action taken
            // with no connection.
        }
        else
        {
            handle (next.message);
        }
    }
    mDraining = false;
}
