#pragma once

#include "JuceIncludes.h"

class SysexBuilder;

// The system's one narrow way to MIDI: device names by index, opening an input with a
// callback (started and stopped by its owner; whole messages, system-exclusive ones in one
// piece, delivered on a thread of the backend's own, never the message thread), opening an
// output, sending a message at once. Two backends serve it: JUCE's MIDI classes (the
// operating system's MIDI service) and the in-process virtual port bus (VirtualMidiBus).

class MidiInputPort;

class MidiInputPortCallback
{
public:
    virtual ~MidiInputPortCallback() = default;

    /** A whole message arrived on source. Called on the backend's MIDI thread. */
    virtual void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) = 0;

    /** Part of a system-exclusive message; backends of this system deliver them whole. */
    virtual void handlePartialSysexMessage (MidiInputPort*, const juce::uint8*, int, double) {}
};

class MidiInputPort
{
public:
    /** Stops delivery and waits for a callback still running before returning. */
    virtual ~MidiInputPort() = default;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual int getDeviceIndex() const = 0;
    virtual juce::String getName() const = 0;

    /** The names of the MIDI inputs, in device-index order. */
    static juce::StringArray getDevices();

    /** Opens input index with the callback; the caller owns the result. Null when it fails. */
    static MidiInputPort* openDevice (int index, MidiInputPortCallback* callback);
};

class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;
    virtual int getDeviceIndex() const = 0;
    virtual juce::String getName() const = 0;

    /** The names of the MIDI outputs, in device-index order. */
    static juce::StringArray getDevices();

    /** Opens output index; the caller owns the result. Null when it fails. */
    static MidiOutputPort* openDevice (int index);
};

/** Sends a built device message at once. A null port or a builder of size 0 sends nothing;
    returns whether something was sent. */
bool sendSysex (MidiOutputPort* port, const SysexBuilder& message);

class MidiBackend
{
public:
    virtual ~MidiBackend() = default;
    virtual juce::StringArray getInputNames() = 0;
    virtual juce::StringArray getOutputNames() = 0;
    virtual std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPortCallback* callback) = 0;
    virtual std::unique_ptr<MidiOutputPort> openOutput (int index) = 0;
};

namespace MidiPorts
{
/** The backend in use. Chosen on first use: the virtual bus when the environment variable
    DORVO_MIDI is "virtual", JUCE's MIDI classes otherwise. */
MidiBackend& backend();

/** Makes the virtual bus the backend from now on (tests, the simulated-instrument run). */
void useVirtualBus();

bool usingVirtualBus();
} // namespace MidiPorts
