#pragma once

// The simulated instrument: a test double that sits on the virtual port bus and answers as
// the instruments and their boot loader do. It is not part of the system; the application
// uses it only when the virtual bus is chosen (DORVO_MIDI=virtual).

#include "link/SysexBuilder.h"
#include "link/VirtualMidiBus.h"
#include <array>
#include <functional>
#include <mutex>
#include <vector>

namespace sim
{
enum class Model
{
    KelaDorvo,    // no sequencer: GetIsSeq answers 0
    KelaDorvoSE,  // sequencer: GetIsSeq answers 1
    BootLoader    // identity member 01 03, takes the firmware packets
};

enum class Fault
{
    noReply,             // answers nothing (identity, gets, block transfer, boot loader)
    lateReply,           // answers after lateReplyMs (past the 500 ms reply wait)
    wrongCommand,        // answers a get with another command byte
    wrongAckCounter,     // acknowledgements carry another counter
    badChecksum,         // packed payloads it sends carry a wrong checksum (acknowledgements
                         // always, a block chunk only the first time it is sent)
    resendStatus,        // acknowledges a data message (block chunk, firmware packet) with
                         // status -1 once, its resend with 0
    abortStatus,         // acknowledges data messages with status -3
    foreignManufacturer, // identity reply with another manufacturer identifier
    foreignMember,       // identity reply with another member code
    otherDeviceId,       // identity reply with device id deviceIdForFault
    noActiveSensing,     // sends no active sensing
    silentOutput,        // hears nothing the system sends
    inputCannotOpen,     // the system cannot open its input
    // The boot loader's own faults (they change nothing while the firmware runs):
    bootLoaderMute,      // the boot loader answers nothing, not even the identity request
    silentAfterPackets,  // the boot loader stops answering once it has taken
                         // Options::silentAfterPackets firmware packets
    resendForever,       // acknowledges every firmware packet with Options::resendStatusCode
    resendStart,         // acknowledges the first StartUpdate with Options::resendStatusCode,
                         // its resend with 0
    emptyAck,            // acknowledgements without payload (byte 7 = 0)
    strayAcks,           // before each acknowledgement sends the messages that must not count
                         // (wrong counter, another command, too long, more than 28 raw bytes,
                         // too short), and the true one Options::ackDelayMs later
    oddStatusFirst,      // acknowledges each firmware packet with Options::oddStatus first, and
                         // with 0 Options::ackDelayMs later
    slowAcks,            // every acknowledgement of the boot loader comes Options::ackDelayMs late
    // Traffic of its own, whatever the model:
    flood                // while plugged in, a thread of its own sends 10,000 note messages
                         // (note-ons and their note-offs) and, after every ten of them, an
                         // active sensing (unless noActiveSensing) each second
};

using Bytes = std::vector<juce::uint8>;

class SimulatedInstrument : public VirtualMidiDevice
{
public:
    struct Options
    {
        Model model = Model::KelaDorvoSE;
        std::array<juce::uint8, 4> firmware { 1, 0, 3, 0 };  // identity reply bytes 12 to 15
        juce::String portName = "KelaDorvo";
        juce::uint8 deviceId = 0x01;           // identity reply byte 2
        juce::uint8 deviceIdForFault = 0x05;   // with Fault::otherDeviceId
        int lateReplyMs = 700;
        bool activeSensing = true;             // FE every 100 ms while plugged in
        juce::int8 resendStatusCode = -1;      // the status of resendStatus, resendForever, resendStart
        juce::int8 oddStatus = 1;              // with Fault::oddStatusFirst
        int silentAfterPackets = 0;            // with Fault::silentAfterPackets
        int ackDelayMs = 50;                   // with Fault::strayAcks, oddStatusFirst, slowAcks
    };

    SimulatedInstrument();
    explicit SimulatedInstrument (Options options);
    ~SimulatedInstrument() override;  // unplugs

    /** Adds the instrument's input and output to the virtual bus (the bus becomes the
        backend), at the end of the device lists. */
    void plugIn (VirtualMidiBus::Ports ports = VirtualMidiBus::Ports::both);
    void unplug();

    void setModel (Model model);      // e.g. the reboot into the boot loader
    Model getModel() const;
    void setFirmware (std::array<juce::uint8, 4> version);
    void setFault (Fault fault, bool on = true);
    bool hasFault (Fault fault) const;
    void clearFaults();

    // Settings: value stored per Set code (SetChannelIn, ...). Every Set stores, every Get
    // answers with its Set code and the stored value.
    juce::uint8 getSetting (SysexCommand setCode) const;
    void setSetting (SysexCommand setCode, juce::uint8 value);

    // The six stored sequences of 64 steps (index 0 to 5), served in halves.
    std::array<juce::uint8, 64> getSequence (int index) const;
    void setSequence (int index, const std::array<juce::uint8, 64>& steps);

    // Block transfer, the instrument's side: the block it received last, and the block it
    // sends in answer to TemplateRequest (an 87-byte factory preset at first; a block it
    // received whole replaces it).
    Bytes getReceivedBlock() const;
    void setBlockToSend (const Bytes& block);

    // Boot loader: the firmware image received through UpdatePacket messages, and whether
    // EndOfUpdate arrived. An image that begins with the bytes "DVFW" and four version bytes
    // becomes, at EndOfUpdate, the firmware version the instrument reports from then on.
    Bytes getFirmwareImage() const;
    bool updateEnded() const;
    int rebootCount() const;
    /** Firmware packets and end messages that arrived while the boot loader still owed the
        acknowledgement of the message before them (Fault::strayAcks, Fault::oddStatusFirst):
        the system went on without waiting for the acknowledgement that counts. */
    int ackOrderViolations() const;

    // Every message it received from the system, whole, in order (active sensing excepted;
    // the system sends none). Also written as hex lines to the file named by the environment
    // variable DORVO_SIM_LOG, when set.
    std::vector<Bytes> received() const;
    void clearReceived();
    /** Received messages whose byte 8 (device messages) is command. */
    std::vector<Bytes> receivedWithCommand (juce::uint8 command) const;
    /** Waits up to timeoutMs until pred holds over the received messages. */
    bool waitForReceived (const std::function<bool (const std::vector<Bytes>&)>& pred, int timeoutMs) const;

    /** Sends any message to the system, as the instrument would. */
    void sendToHost (const juce::MidiMessage& message);

    // VirtualMidiDevice
    void messageFromHost (const juce::MidiMessage& message) override;
    bool inputCanOpen() const override;

private:
    struct State;
    std::unique_ptr<State> mState;

    // The answers to one message, worked out with the state lock held.
    void answer (const Bytes& message, std::vector<Bytes>& out);
    void answerRunning (const Bytes& message, std::vector<Bytes>& out);
    void answerBootLoader (const Bytes& message, std::vector<Bytes>& out);
    juce::uint8 ackCounter (const Bytes& message) const;
    /** Starts or stops the flood's thread as plugged-in and Fault::flood now ask. */
    void updateFlood();
    void floodLoop();
    Bytes ack (juce::uint8 command, const Bytes& message, juce::int8 status) const;
    juce::int8 dataStatus (const Bytes& message, bool takenWell);
};

/** Builds the simulated instrument the application uses with DORVO_MIDI=virtual, from the
    environment (DORVO_SIM_MODEL kela | kelase | none, DORVO_SIM_FIRMWARE "1.0.3.0",
    DORVO_SIM_FAULTS comma-separated fault names). Null for "none". The instrument comes
    back plugged in; DORVO_SIM_MODEL bootloader starts it in its boot loader. */
std::unique_ptr<SimulatedInstrument> makeSimulatedInstrumentFromEnvironment();
} // namespace sim
