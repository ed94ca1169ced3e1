#include "app/ActionDispatcher.h"
#include "ActionCodes.h"
#include "app/DorvoEditorApplication.h"
#include "app/Prompts.h"
#include "link/HWMessages.h"
#include "link/PortUse.h"
#include "sequences/SequenceActions.h"
#include "presets/PresetFolder.h"
#include "presets/PresetManager.h"

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

// ---------------------------------------------------------------------------------------------
// The preset library. Its messages carry file paths; a message that does not hold exactly
// what its sender sends (full paths of existing files, a slot of the six, and for a deletion
// only files of the preset library folder) is dropped whole, so no file is ever touched on a
// guess.

/** The text names an existing file by its full path. */
bool isExistingFile (const juce::String& path)
{
    return path.startsWithChar ('/') && juce::File (path).existsAsFile();
}

/** Every file of the list is an existing file (an empty file from a malformed element is not). */
bool allExistingFiles (const juce::OwnedArray<juce::File>& files)
{
    for (auto* file : files)
        if (file->getFullPathName().isEmpty() || ! file->existsAsFile())
            return false;
    return true;
}

void importPresets (Host& host, const juce::String&)
{
    PresetManager::importPresets();
    host.refreshPresetsList();
}

void exportPresets (Host& host, const juce::String& message)
{
    juce::OwnedArray<juce::File> files;
    DorvoEditorApplication::parseFileString (message, files);
    if (allExistingFiles (files))
        PresetManager::exportPresets (files);
    host.refreshPresetsList();
}

void deletePresets (Host& host, const juce::String& message)
{
    juce::OwnedArray<juce::File> files;
    DorvoEditorApplication::parseFileString (message, files);

    bool allInTheLibrary = allExistingFiles (files);
    const auto folder = PresetFolder::get();
    for (auto* file : files)
        allInTheLibrary = allInTheLibrary && file->getParentDirectory() == folder;

    if (allInTheLibrary)
        PresetManager::deletePresets (files);
    host.refreshPresetsList();
}

void copyPreset (Host& host, const juce::String& message)
{
    const auto path = message.substring (5);
    if (isExistingFile (path))
        PresetManager::copyPreset (juce::File (path));
    host.refreshPresetsList();
}

void renamePreset (Host& host, const juce::String& message)
{
    const auto path = message.substring (5);
    if (isExistingFile (path))
        PresetManager::renamePreset (juce::File (path), false);
    host.refreshPresetsList();
}

/** The slot of a drop message: its one digit at index 5, 1 to 6, followed by ","; 0 for none. */
juce::uint8 slotOf (const juce::String& message)
{
    if (message.length() < 7 || message[6] != ',')
        return 0;
    const auto digit = message[5];
    return digit >= '1' && digit <= '6' ? juce::uint8 (digit - '0') : juce::uint8 (0);
}

/** A slot dropped on the preset list: the slot is stored into a new preset file of the preset
    library folder. A drag from a slot names no file but "Mon preset": the file takes that name.
    Nothing existing is ever written over. */
void dropOnList (Host& host, const juce::String& message)
{
    const auto slot = slotOf (message);
    if (slot == 0)
        return;

    const auto text = message.substring (7);
    if (text.startsWithChar ('/'))
    {
        const juce::File file (text);
        if (file.getParentDirectory() == PresetFolder::get())
            PresetManager::storePresetAsNewFile (host.instrumentOutput(), file, slot);
        return;
    }

    const auto name = text.trim();
    if (name.isEmpty() || name.containsChar ('/') || name == "." || name == "..")
        return;
    const auto fileName = name.endsWith (PresetManager::extension) ? name : name + PresetManager::extension;
    PresetManager::storePresetAsNewFile (host.instrumentOutput(), PresetFolder::get().getChildFile (fileName), slot);
}

/** A preset file dropped on a slot: the file is loaded into the slot. */
void dropOnSlot (Host& host, const juce::String& message)
{
    const auto slot = slotOf (message);
    const auto path = message.substring (7);
    if (slot == 0 || ! isExistingFile (path))
        return;

    juce::String name;
    PresetManager::loadPresetOnHW (host.instrumentOutput(), juce::File (path), slot, name);
}
} // namespace

const std::vector<ActionDispatcher::Row>& ActionDispatcher::rows()
{
    // The local actions come first: the watchdog runs only when none of them matched.
    static const std::vector<Row> table {
        { ActionCode::connect, Kind::local, &toggleConnection },
        { ActionCode::firmwareUpdate, Kind::local, &updateFirmware },
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
        mQueue.push_back ({ false, message, mHost.isConnected() });
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
                    mQueue.push_back ({ true, {}, true });
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
        else if (next.message.startsWith (ActionCode::connect) && next.connectedWhenQueued != mHost.isConnected())
        {
            // Clicked on a connection state that is gone: the click meant something else.
        }
        else
        {
            handle (next.message);
        }
    }
    mDraining = false;
}
