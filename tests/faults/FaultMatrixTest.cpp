// The fault matrix: every fault of the simulated instrument (and the cable pulled in the middle
// of an operation) against every operation of the application that can meet it. One table
// holds every cell: what the operation must come to, the boxes the user must see, and the
// system's own limits that the fault makes it run out. Every cell that runs is checked for its
// time, its boxes, its outcome as the instrument and the disk show it, no success told of what
// failed, and nothing left behind: no thread, window, modal loop, port user, reply wait, listed
// block, running update, held lock, or changed file. Cells that cannot meet are in the table
// too, with the reason. The table of outcomes is printed and saved with the test artefacts
// (fault-matrix.txt).

#include "FaultMatrixSupport.h"
#include "../firmware/FirmwareTestSupport.h"
#include "../presets/PresetLibraryTestSupport.h"
#include "FileSaving.h"
#include "app/ActionDispatcher.h"
#include "app/DorvoEditorApplication.h"
#include "app/GUIEditorWindow.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "app/TabbedComponentWarp.h"
#include "firmware/HWUpdater.h"
#include "link/HWDetector.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"
#include "link/PortUse.h"
#include "presets/PresetFolder.h"
#include "sequences/SequenceFile.h"
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

using namespace faultmatrix;
using Prompts::Kind;
using sim::Fault;
using sim::Model;

namespace
{
// =============================================================================================
// The operations

enum class Op
{
    connect,
    readBack,
    click,
    saveSequences,
    loadSequences,
    firmware,
    presetToSlot,
    slotToPreset
};

struct Operation
{
    Op op;
    const char* name;
    const char* part;    // the test case that runs its cells, unless a cell names another
    const char* how;
    const char* bound;   // the system's own limits
};

const Operation operations[] = {
    { Op::connect, "connect", "Connect", "connectHardware() of a fresh application; the retry box answered Cancel",
      "the discovery: five one-second attempts on each output (one here), then the sequencer question's 500 ms" },
    { Op::readBack, "read-back", "ReadBackAndClick", "updateInterface() once connected",
      "fifteen gets of at most 500 ms; the first that fails ends it" },
    { Op::click, "click", "ReadBackAndClick", "\"AFTE 2\" through actionListenerCallback once connected",
      "a set goes out at once and awaits nothing" },
    { Op::saveSequences, "save sequences", "Sequences", "\"SVSQ \" once connected: a file that exists, MIDI files too",
      "fourteen gets of at most 500 ms; the first that fails ends it" },
    { Op::loadSequences, "load sequences", "Sequences", "\"LDSQ \" once connected: a file of six sequences",
      "sets only: they go out at once" },
    { Op::firmware, "firmware update", "Firmware",
      "updateFirmware() with a 100-byte image (4 packets), once connected or with the instrument in its boot loader; "
      "the retry box answered Cancel",
      "each discovery as above, the reboot's 5 s and up to five boot-loader searches, the transfer 10 s without "
      "progress or 16 resends of one packet, then the reconnection and its read-back" },
    { Op::presetToSlot, "preset file to slot", "PresetToSlot", "\"DRSL 4,<file>\" once connected: the file's block, then slot 4 stored",
      "the block transfer: 5 s without progress, or 16 resends of one chunk" },
    { Op::slotToPreset, "slot to preset file", "SlotToPreset", "\"DRLT 2,Mon preset\" once connected: slot 2 into a new library file",
      "the block transfer: 5 s without progress, or 16 resends of one chunk" },
};

const Operation& operation (Op op)
{
    for (auto& o : operations)
        if (o.op == op)
            return o;
    return operations[0];
}

// =============================================================================================
// The troubles: the simulated instrument's faults, and the cable pulled by the test

struct Trouble
{
    const char* name;
    std::optional<Fault> fault;
    bool pullsTheCable = false;
};

namespace tr
{
const Trouble none { "none", std::nullopt };
const Trouble noReply { "noReply", Fault::noReply };
const Trouble lateReply { "lateReply", Fault::lateReply };
const Trouble wrongCommand { "wrongCommand", Fault::wrongCommand };
const Trouble wrongAckCounter { "wrongAckCounter", Fault::wrongAckCounter };
const Trouble badChecksum { "badChecksum", Fault::badChecksum };
const Trouble resendStatus { "resendStatus", Fault::resendStatus };
const Trouble abortStatus { "abortStatus", Fault::abortStatus };
const Trouble foreignManufacturer { "foreignManufacturer", Fault::foreignManufacturer };
const Trouble foreignMember { "foreignMember", Fault::foreignMember };
const Trouble otherDeviceId { "otherDeviceId", Fault::otherDeviceId };
const Trouble noActiveSensing { "noActiveSensing", Fault::noActiveSensing };
const Trouble silentOutput { "silentOutput", Fault::silentOutput };
const Trouble inputCannotOpen { "inputCannotOpen", Fault::inputCannotOpen };
const Trouble bootLoaderMute { "bootLoaderMute", Fault::bootLoaderMute };
const Trouble silentAfterPackets { "silentAfterPackets", Fault::silentAfterPackets };
const Trouble resendForever { "resendForever", Fault::resendForever };
const Trouble resendStart { "resendStart", Fault::resendStart };
const Trouble emptyAck { "emptyAck", Fault::emptyAck };
const Trouble strayAcks { "strayAcks", Fault::strayAcks };
const Trouble oddStatusFirst { "oddStatusFirst", Fault::oddStatusFirst };
const Trouble slowAcks { "slowAcks", Fault::slowAcks };
const Trouble flood { "flood", Fault::flood };
const Trouble unplugged { "unplugged", std::nullopt, true };
} // namespace tr

/** Every trouble, in the order of the simulator's faults. */
const Trouble* const allTroubles[] = {
    &tr::none, &tr::noReply, &tr::lateReply, &tr::wrongCommand, &tr::wrongAckCounter, &tr::badChecksum,
    &tr::resendStatus, &tr::abortStatus, &tr::foreignManufacturer, &tr::foreignMember, &tr::otherDeviceId,
    &tr::noActiveSensing, &tr::silentOutput, &tr::inputCannotOpen, &tr::bootLoaderMute, &tr::silentAfterPackets,
    &tr::resendForever, &tr::resendStart, &tr::emptyAck, &tr::strayAcks, &tr::oddStatusFirst, &tr::slowAcks,
    &tr::flood, &tr::unplugged,
};

// =============================================================================================
// The boxes the user sees

struct Box
{
    Kind kind;
    juce::String title;
    juce::String text;   // for a chooser its patterns

    bool operator== (const Box& o) const { return kind == o.kind && title == o.title && text == o.text; }
};
using Boxes = std::vector<Box>;

namespace box
{
const Box retry { Kind::okCancel, "No instrument found",
                  "The software was not able to find a KelaDorvo connected to the computer.\nPlease make sure:\n"
                  "1. The USB connection is correctly set between KelaDorvo and your computer.\n2. KelaDorvo is switched on.\n"
                  "3. KelaDorvo has been correctly rebooted after a firmware update.\n\nDo you want to retry ?" };
const Box givenUp { Kind::message, "No instrument found", "Editing is disabled until a valid connection is made." };
const Box readBackFailed { Kind::message, "Update error", "Unable to communicate with TavinDorvo. Closing connection !" };
const Box connectionLost { Kind::message, "Connection", "KelaDorvo has been disconnected !" };
const Box saveChooser { Kind::saveFile, "Save Sequences", "*.kdseq" };
const Box midiQuestion { Kind::okCancel, "Generate MidiFiles?",
                         "You are about to save your sequences as a .kdseq file.\nWould you like to generate separate MidiFiles too?" };
const Box notRead { Kind::message, "Save error", "Unable to read the sequences from KelaDorvo.\nThe file was not written." };
const Box loadChooser { Kind::openFile, "Load Sequences", "*.kdseq" };
const Box firmwareChooser { Kind::openFile, "Select Firmware binary file", "*.kfw" };
const Box cannotPrepare { Kind::message, "Update error", "Unable to prepare the Device for update.\nPlease check your connections." };
const Box notCompleted { Kind::message, "Update error", "The firmware update did not complete.\nPlease check your connections and retry." };
const Box bootLoaderOffer { Kind::okCancel, "Firmware update",
                            "A KelaDorvo is waiting in its boot loader: its firmware is not complete.\nUpdate the firmware now?" };
const Box complete { Kind::message, "Firmware update: complete",
                     "The firmware has been successfully updated!\n Please reboot your Dorvo, then only press OK." };
} // namespace box

// =============================================================================================
// What an operation comes to, as the instrument, the window and the disk show it

namespace is
{
const char* const connectedSE = "connected as KelaDorvo SE";
const char* const connectedKela = "connected as KelaDorvo";
const char* const notConnected = "not connected";
const char* const allRead = "all read";
const char* const closed = "closed";
const char* const droppedClosed = "dropped, closed";   // the watchdog's: nothing sent
const char* const stored = "stored";
const char* const notHeard = "not heard";
const char* const loaded = "loaded";
const char* const written = "written";
const char* const notWritten = "not written";
const char* const updatedConnected = "updated, connected";
const char* const updatedNotConnected = "updated, not connected";
const char* const notUpdated = "not updated, not connected";
const char* const endedWithoutImage = "ended without the image, connected";
const char* const inSlot = "stored in slot 4";
const char* const notStored = "not stored";
const char* const fileWritten = "file written";
const char* const noFile = "no file";
} // namespace is

// =============================================================================================
// The system's limits that a trouble makes run out (ms)

constexpr int discoveryMs = HWDetector::attemptsPerOutput * HWDetector::pollsPerAttempt * HWDetector::pollIntervalMs;
constexpr int attemptMs = HWDetector::pollIntervalMs;   // an attempt answered: its first poll
constexpr int getMs = HWMessages::replySlices * HWMessages::replySliceMs;
constexpr int lateMs = 700;                              // the simulator's lateReplyMs
constexpr int transferStallMs = HWTemplate::timeoutMs;
constexpr int firmwareStallMs = LPC23XXUpdater::ackTimeoutMs;
constexpr int rebootMs = LPC23XXUpdater::rebootBlockMs + 100;   // the block, and the first search's slice
constexpr int firmwareBytes = 100;
constexpr int firmwareAcks = 1 + (firmwareBytes + LPC23XXUpdater::packetBytes - 1) / LPC23XXUpdater::packetBytes;
constexpr int blockSteps = 1 + (87 + HWTemplate::chunkSize - 1) / HWTemplate::chunkSize;   // start and chunks

// Everything the operation does besides running out its limits (windows, answered searches and
// gets, page building, boxes), and the slack of long waits.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int workMs = 9000;
constexpr const char* buildKind = "sanitizer build";
#else
constexpr int workMs = 2500;
constexpr const char* buildKind = "plain build";
#endif

int boundFor (int limitsMs) { return limitsMs + limitsMs / 10 + workMs; }

// =============================================================================================
// The table

enum class Start
{
    connected,    // connected to the running instrument before the trouble starts
    bootLoader    // firmware only: not connected, the instrument waiting in its boot loader
};

struct Cell
{
    Op op = Op::connect;
    Trouble trouble = tr::none;
    const char* notApplicable = nullptr;   // why the trouble cannot meet the operation
    const char* expected = "";
    Boxes boxes;
    int limitsMs = 0;
    Start start = Start::connected;
    const char* partName = nullptr;
    const char* note = "";
    bool acceptedByContract = false;       // an end the protocol counts as success, the image not kept

    Cell& from (Start s) { start = s; return *this; }
    Cell& in (const char* p) { partName = p; return *this; }
    Cell& says (const char* n) { note = n; return *this; }
    Cell& byContract() { acceptedByContract = true; return *this; }

    const char* part() const { return partName != nullptr ? partName : operation (op).part; }
    juce::String name() const { return juce::String (operation (op).name) + " x " + trouble.name; }
};

Cell run (Op op, const Trouble& t, const char* expected, Boxes boxes, int limitsMs = 0)
{
    Cell c;
    c.op = op;
    c.trouble = t;
    c.expected = expected;
    c.boxes = std::move (boxes);
    c.limitsMs = limitsMs;
    return c;
}

Cell na (Op op, const Trouble& t, const char* reason)
{
    Cell c;
    c.op = op;
    c.trouble = t;
    c.notApplicable = reason;
    return c;
}

namespace why
{
const char* const noAckOrChecksum = "nothing of it is acknowledged or packed";
const char* const getsRaw = "gets are answered raw: no acknowledgement, no checksum";
const char* const bootLoaderOnly = "a fault of the boot loader: only a firmware update talks to it";
const char* const identityOnly = "only a search reads the identity reply";
const char* const inputOpen = "the connection opened the input before";
const char* const setsOnly = "sends sets only, which get no answer";
const char* const noGet = "a block transfer asks no get";
const char* const receivesBlock = "the instrument sends the block and acknowledges nothing; statuses answer only what it receives";
} // namespace why

const std::vector<Cell>& matrix()
{
    using namespace tr;
    using B = std::vector<Box>;
    const B retryThenGiveUp { box::retry, box::givenUp };
    const B chooser { box::firmwareChooser };
    const B fwComplete { box::firmwareChooser, box::complete };
    const B fwNotPrepared { box::firmwareChooser, box::cannotPrepare, box::retry, box::givenUp };
    const B fwNotCompleted { box::firmwareChooser, box::notCompleted, box::retry, box::givenUp };
    // The reconnection finds the boot loader and offers the update again: Cancel.
    const B fwNotCompletedOffered { box::firmwareChooser, box::notCompleted, box::bootLoaderOffer, box::retry, box::givenUp };
    const B fwReadBackFails { box::firmwareChooser, box::complete, box::readBackFailed };
    const B saved { box::saveChooser, box::midiQuestion };
    const B notSaved { box::saveChooser, box::midiQuestion, box::notRead };
    const B lost { box::connectionLost };

    constexpr auto C = Op::connect, R = Op::readBack, K = Op::click, S = Op::saveSequences, L = Op::loadSequences,
                   F = Op::firmware, P = Op::presetToSlot, T = Op::slotToPreset;
    constexpr auto bootLoader = Start::bootLoader;

    static const std::vector<Cell> table {
        // ---- connect ------------------------------------------------------------------------
        run (C, none, is::connectedSE, {}),
        // A search that finds nothing looks once more, for a boot loader.
        run (C, noReply, is::notConnected, retryThenGiveUp, 2 * discoveryMs),
        run (C, lateReply, is::connectedKela, {}, lateMs + getMs)
            .says ("the sequencer question times out: the model without one is taken, as the protocol says"),
        run (C, wrongCommand, is::connectedKela, {}, getMs).says ("the sequencer question goes unanswered: the model without one"),
        na (C, wrongAckCounter, why::noAckOrChecksum),
        na (C, badChecksum, why::noAckOrChecksum),
        na (C, resendStatus, why::noAckOrChecksum),
        na (C, abortStatus, why::noAckOrChecksum),
        run (C, foreignManufacturer, is::notConnected, retryThenGiveUp, 2 * attemptMs),
        run (C, foreignMember, is::notConnected, retryThenGiveUp, 2 * attemptMs),
        run (C, otherDeviceId, is::notConnected, retryThenGiveUp, (HWDetector::attemptsPerOutput + 1) * attemptMs),
        run (C, noActiveSensing, is::connectedSE, {}).says ("a connection does not watch active sensing"),
        run (C, silentOutput, is::notConnected, retryThenGiveUp, 2 * discoveryMs),
        run (C, inputCannotOpen, is::notConnected, retryThenGiveUp, 2 * discoveryMs),
        na (C, bootLoaderMute, why::bootLoaderOnly),
        na (C, silentAfterPackets, why::bootLoaderOnly),
        na (C, resendForever, why::bootLoaderOnly),
        na (C, resendStart, why::bootLoaderOnly),
        na (C, emptyAck, why::bootLoaderOnly),
        na (C, strayAcks, why::bootLoaderOnly),
        na (C, oddStatusFirst, why::bootLoaderOnly),
        na (C, slowAcks, why::bootLoaderOnly),
        run (C, flood, is::connectedSE, {}),
        run (C, unplugged, is::notConnected, retryThenGiveUp, discoveryMs).says ("cable pulled at the first identity request"),

        // ---- read-back ----------------------------------------------------------------------
        run (R, none, is::allRead, {}),
        run (R, noReply, is::closed, { box::readBackFailed }, getMs),
        run (R, lateReply, is::closed, { box::readBackFailed }, getMs),
        run (R, wrongCommand, is::closed, { box::readBackFailed }, getMs),
        na (R, wrongAckCounter, why::getsRaw),
        na (R, badChecksum, why::getsRaw),
        na (R, resendStatus, why::getsRaw),
        na (R, abortStatus, why::getsRaw),
        na (R, foreignManufacturer, why::identityOnly),
        na (R, foreignMember, why::identityOnly),
        na (R, otherDeviceId, why::identityOnly),
        run (R, noActiveSensing, is::allRead, {}).says ("the read-back is not watched"),
        run (R, silentOutput, is::closed, { box::readBackFailed }, getMs),
        na (R, inputCannotOpen, why::inputOpen),
        na (R, bootLoaderMute, why::bootLoaderOnly),
        na (R, silentAfterPackets, why::bootLoaderOnly),
        na (R, resendForever, why::bootLoaderOnly),
        na (R, resendStart, why::bootLoaderOnly),
        na (R, emptyAck, why::bootLoaderOnly),
        na (R, strayAcks, why::bootLoaderOnly),
        na (R, oddStatusFirst, why::bootLoaderOnly),
        na (R, slowAcks, why::bootLoaderOnly),
        run (R, flood, is::allRead, {}),
        run (R, unplugged, is::closed, { box::readBackFailed }, getMs).says ("cable pulled at the third get"),

        // ---- a setting click ----------------------------------------------------------------
        run (K, none, is::stored, {}),
        na (K, noReply, why::setsOnly),
        na (K, lateReply, why::setsOnly),
        na (K, wrongCommand, why::setsOnly),
        na (K, wrongAckCounter, why::noAckOrChecksum),
        na (K, badChecksum, why::noAckOrChecksum),
        na (K, resendStatus, why::noAckOrChecksum),
        na (K, abortStatus, why::noAckOrChecksum),
        na (K, foreignManufacturer, why::identityOnly),
        na (K, foreignMember, why::identityOnly),
        na (K, otherDeviceId, why::identityOnly),
        run (K, noActiveSensing, is::droppedClosed, lost).says ("clicked once the last active sensing is over 300 ms old"),
        run (K, silentOutput, is::notHeard, {}).says ("a set has no answer: nothing can tell"),
        na (K, inputCannotOpen, why::inputOpen),
        na (K, bootLoaderMute, why::bootLoaderOnly),
        na (K, silentAfterPackets, why::bootLoaderOnly),
        na (K, resendForever, why::bootLoaderOnly),
        na (K, resendStart, why::bootLoaderOnly),
        na (K, emptyAck, why::bootLoaderOnly),
        na (K, strayAcks, why::bootLoaderOnly),
        na (K, oddStatusFirst, why::bootLoaderOnly),
        na (K, slowAcks, why::bootLoaderOnly),
        run (K, flood, is::stored, {}),
        run (K, unplugged, is::droppedClosed, lost)
            .says ("a set has no wait to pull the cable in: pulled before, clicked once active sensing is over 300 ms old"),

        // ---- save sequences -----------------------------------------------------------------
        run (S, none, is::written, saved),
        run (S, noReply, is::notWritten, notSaved, getMs),
        run (S, lateReply, is::notWritten, notSaved, getMs),
        run (S, wrongCommand, is::notWritten, notSaved, getMs),
        na (S, wrongAckCounter, why::getsRaw),
        na (S, badChecksum, why::getsRaw),
        na (S, resendStatus, why::getsRaw),
        na (S, abortStatus, why::getsRaw),
        na (S, foreignManufacturer, why::identityOnly),
        na (S, foreignMember, why::identityOnly),
        na (S, otherDeviceId, why::identityOnly),
        run (S, noActiveSensing, is::droppedClosed, lost),
        run (S, silentOutput, is::notWritten, notSaved, getMs),
        na (S, inputCannotOpen, why::inputOpen),
        na (S, bootLoaderMute, why::bootLoaderOnly),
        na (S, silentAfterPackets, why::bootLoaderOnly),
        na (S, resendForever, why::bootLoaderOnly),
        na (S, resendStart, why::bootLoaderOnly),
        na (S, emptyAck, why::bootLoaderOnly),
        na (S, strayAcks, why::bootLoaderOnly),
        na (S, oddStatusFirst, why::bootLoaderOnly),
        na (S, slowAcks, why::bootLoaderOnly),
        run (S, flood, is::written, saved),
        run (S, unplugged, is::notWritten, notSaved, 2 * getMs)
            .says ("cable pulled at the first sequence half asked for: both halves of it are asked for"),

        // ---- load sequences -----------------------------------------------------------------
        run (L, none, is::loaded, { box::loadChooser }),
        na (L, noReply, why::setsOnly),
        na (L, lateReply, why::setsOnly),
        na (L, wrongCommand, why::setsOnly),
        na (L, wrongAckCounter, why::noAckOrChecksum),
        na (L, badChecksum, why::noAckOrChecksum),
        na (L, resendStatus, why::noAckOrChecksum),
        na (L, abortStatus, why::noAckOrChecksum),
        na (L, foreignManufacturer, why::identityOnly),
        na (L, foreignMember, why::identityOnly),
        na (L, otherDeviceId, why::identityOnly),
        run (L, noActiveSensing, is::droppedClosed, lost),
        run (L, silentOutput, is::notHeard, { box::loadChooser }).says ("sets have no answer: nothing can tell"),
        na (L, inputCannotOpen, why::inputOpen),
        na (L, bootLoaderMute, why::bootLoaderOnly),
        na (L, silentAfterPackets, why::bootLoaderOnly),
        na (L, resendForever, why::bootLoaderOnly),
        na (L, resendStart, why::bootLoaderOnly),
        na (L, emptyAck, why::bootLoaderOnly),
        na (L, strayAcks, why::bootLoaderOnly),
        na (L, oddStatusFirst, why::bootLoaderOnly),
        na (L, slowAcks, why::bootLoaderOnly),
        run (L, flood, is::loaded, { box::loadChooser }),
        run (L, unplugged, is::notHeard, { box::loadChooser }).says ("cable pulled while the chooser is up: sets have no answer"),

        // ---- firmware update: through the reboot where the running instrument matters, from the
        //      boot loader where only the boot loader does ---------------------------------------
        run (F, none, is::updatedConnected, fwComplete, rebootMs).says ("through the reboot"),
        run (F, noReply, is::notUpdated, fwNotPrepared, 4 * discoveryMs).in ("FirmwareUnanswered")
            .says ("neither the instrument nor its boot loader is found; the reconnection finds neither"),
        run (F, lateReply, is::updatedNotConnected, fwReadBackFails, (3 + firmwareAcks) * lateMs + 2 * getMs).from (bootLoader)
            .says ("from the boot loader: every answer 700 ms late; the read-back's gets time out"),
        run (F, wrongCommand, is::updatedNotConnected, fwReadBackFails, 2 * getMs).from (bootLoader)
            .says ("from the boot loader; the read-back after the update fails"),
        run (F, wrongAckCounter, is::notUpdated, fwNotCompletedOffered, firmwareStallMs).from (bootLoader).in ("FirmwareStalled")
            .says ("from the boot loader: no acknowledgement counts; the reconnection finds the boot loader only"),
        run (F, badChecksum, is::updatedConnected, fwComplete).from (bootLoader)
            .says ("from the boot loader: the status byte is taken as it unpacks"),
        run (F, resendStatus, is::updatedConnected, fwComplete).from (bootLoader).says ("from the boot loader"),
        run (F, abortStatus, is::endedWithoutImage, fwComplete).from (bootLoader).byContract()
            .says ("from the boot loader: -3 counts as accepted in the boot-loader protocol; the simulated boot loader keeps nothing"),
        run (F, foreignManufacturer, is::notUpdated, fwNotPrepared, 4 * attemptMs),
        run (F, foreignMember, is::notUpdated, fwNotPrepared, 4 * attemptMs),
        run (F, otherDeviceId, is::notUpdated, fwNotPrepared, (2 * HWDetector::attemptsPerOutput + 2) * attemptMs),
        run (F, noActiveSensing, is::updatedConnected, fwComplete).from (bootLoader)
            .says ("from the boot loader: nothing in an update watches active sensing"),
        run (F, silentOutput, is::notUpdated, fwNotPrepared, 4 * discoveryMs).in ("FirmwareUnanswered"),
        run (F, inputCannotOpen, is::notUpdated, fwNotPrepared, 4 * discoveryMs).in ("FirmwareUnheard"),
        run (F, bootLoaderMute, is::notUpdated, fwNotPrepared, 4 * discoveryMs).from (bootLoader).in ("FirmwareUnheard")
            .says ("from the boot loader (after a reboot its five searches would add 25 s: HWUpdaterTest has them)"),
        run (F, silentAfterPackets, is::notUpdated, fwNotCompletedOffered, firmwareStallMs).from (bootLoader).in ("FirmwareStalled")
            .says ("from the boot loader: silent after the first packet"),
        run (F, resendForever, is::notUpdated, fwNotCompletedOffered).from (bootLoader).says ("from the boot loader: the 17th resend ends it"),
        run (F, resendStart, is::updatedConnected, fwComplete).from (bootLoader).says ("from the boot loader"),
        run (F, emptyAck, is::updatedConnected, fwComplete).from (bootLoader).says ("from the boot loader"),
        run (F, strayAcks, is::updatedConnected, fwComplete).from (bootLoader).says ("from the boot loader"),
        run (F, oddStatusFirst, is::updatedConnected, fwComplete).from (bootLoader).says ("from the boot loader"),
        run (F, slowAcks, is::updatedConnected, fwComplete, firmwareAcks * 50).from (bootLoader).says ("from the boot loader"),
        run (F, flood, is::updatedConnected, fwComplete, rebootMs).says ("through the reboot"),
        run (F, unplugged, is::notUpdated, fwNotCompleted, firmwareStallMs).from (bootLoader).in ("FirmwareStalled")
            .says ("from the boot loader: cable pulled at the second packet; the reconnection finds nothing"),

        // ---- a preset file dropped on slot 4 ------------------------------------------------
        run (P, none, is::inSlot, {}),
        run (P, noReply, is::notStored, {}, transferStallMs).says ("a failed transfer is not told (the preset library tells none)"),
        run (P, lateReply, is::inSlot, {}, blockSteps * lateMs),
        na (P, wrongCommand, why::noGet),
        run (P, wrongAckCounter, is::notStored, {}, transferStallMs),
        run (P, badChecksum, is::notStored, {}, transferStallMs).says ("an acknowledgement that does not unpack counts as none"),
        run (P, resendStatus, is::inSlot, {}),
        run (P, abortStatus, is::notStored, {}),
        na (P, foreignManufacturer, why::identityOnly),
        na (P, foreignMember, why::identityOnly),
        na (P, otherDeviceId, why::identityOnly),
        run (P, noActiveSensing, is::droppedClosed, lost),
        run (P, silentOutput, is::notStored, {}, transferStallMs),
        na (P, inputCannotOpen, why::inputOpen),
        na (P, bootLoaderMute, why::bootLoaderOnly),
        na (P, silentAfterPackets, why::bootLoaderOnly),
        na (P, resendForever, why::bootLoaderOnly),
        na (P, resendStart, why::bootLoaderOnly),
        na (P, emptyAck, why::bootLoaderOnly),
        na (P, strayAcks, why::bootLoaderOnly),
        na (P, oddStatusFirst, why::bootLoaderOnly),
        na (P, slowAcks, why::bootLoaderOnly),
        run (P, flood, is::inSlot, {}),
        run (P, unplugged, is::notStored, {}, transferStallMs).says ("cable pulled at the second chunk"),

        // ---- slot 2 dropped on the preset list ----------------------------------------------
        run (T, none, is::fileWritten, {}),
        run (T, noReply, is::noFile, {}, transferStallMs).says ("a failed transfer is not told (the preset library tells none)"),
        run (T, lateReply, is::fileWritten, {}, blockSteps * lateMs),
        na (T, wrongCommand, why::noGet),
        na (T, wrongAckCounter, why::receivesBlock),
        run (T, badChecksum, is::fileWritten, {}).says ("each chunk's first sending does not unpack and is asked for again"),
        na (T, resendStatus, why::receivesBlock),
        na (T, abortStatus, why::receivesBlock),
        na (T, foreignManufacturer, why::identityOnly),
        na (T, foreignMember, why::identityOnly),
        na (T, otherDeviceId, why::identityOnly),
        run (T, noActiveSensing, is::droppedClosed, lost),
        run (T, silentOutput, is::noFile, {}, transferStallMs),
        na (T, inputCannotOpen, why::inputOpen),
        na (T, bootLoaderMute, why::bootLoaderOnly),
        na (T, silentAfterPackets, why::bootLoaderOnly),
        na (T, resendForever, why::bootLoaderOnly),
        na (T, resendStart, why::bootLoaderOnly),
        na (T, emptyAck, why::bootLoaderOnly),
        na (T, strayAcks, why::bootLoaderOnly),
        na (T, oddStatusFirst, why::bootLoaderOnly),
        na (T, slowAcks, why::bootLoaderOnly),
        run (T, flood, is::fileWritten, {}),
        run (T, unplugged, is::noFile, {}, transferStallMs).says ("cable pulled at our second acknowledgement"),
    };
    return table;
}

/** The test cases, in the order the table first names them. */
std::vector<std::string> parts()
{
    std::vector<std::string> out;
    for (auto& c : matrix())
        if (std::find (out.begin(), out.end(), c.part()) == out.end())
            out.push_back (c.part());
    return out;
}

// =============================================================================================
// One cell's world: a folder of its own with the files the operations read and write

struct Files
{
    Files()
        : root (juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("dorvo-faults-" + juce::Uuid().toString())),
          library (root.getChildFile ("Presets")),
          sequenceFile (root.getChildFile ("seq.kdseq")),
          sequencesToLoad (root.getChildFile ("load.kdseq")),
          firmwareFile (root.getChildFile ("update.kfw")),
          presetFile (root.getChildFile ("Bass.preset")),
          newPreset (library.getChildFile ("Mon preset.preset")),
          firmwareImage (fwtest::firmwareImageWithVersion ((size_t) firmwareBytes, { 1, 0, 4, 0 })),
          presetBlock (presettest::pattern (87, 5)),
          slotBlock (presettest::pattern (87, 9))
    {
        root.createDirectory();
        library.createDirectory();
        presettest::writePresetFile (library.getChildFile ("Old.preset"), presettest::pattern (87, 1));
        presettest::writePresetFile (presetFile, presetBlock);
        fwtest::writeFirmwareFile (firmwareFile, firmwareImage);
        sequenceFile.replaceWithText ("1: 60 61 62\r\n");

        // Six sequences unlike the instrument's, the last one over 32 steps.
        juce::String text;
        for (int n = 1; n <= SequenceFile::sequenceCount; ++n)
        {
            auto& steps = loadedSteps[(size_t) n - 1];
            const int count = n < 6 ? 3 + n : 40;
            text << n << ":";
            for (int k = 0; k < count; ++k)
            {
                steps[(size_t) k] = k % 5 == 4 ? SequenceFile::restStep : juce::uint8 (40 + (k * 3 + n * 11) % 50);
                text << (k > 0 ? " " : "") << (steps[(size_t) k] == SequenceFile::restStep ? juce::String ("x") : juce::String (steps[(size_t) k]));
            }
            text << "\r\n";
        }
        sequencesToLoad.replaceWithText (text);
        PresetFolder::setForTests (library);
    }

    ~Files()
    {
        PresetFolder::setForTests ({});
        root.deleteRecursively();
    }

    juce::File root, library, sequenceFile, sequencesToLoad, firmwareFile, presetFile, newPreset;
    fwtest::Bytes firmwareImage;
    presettest::Bytes presetBlock, slotBlock;
    std::array<SequenceFile::Steps, SequenceFile::sequenceCount> loadedSteps {};
};

// =============================================================================================
// Running a cell

const std::vector<int> readBackGets { 0x06, 0x08, 0x0A, 0x10, 0x26, 0x0C, 0x0E, 0x12, 0x14, 0x39, 0x37, 0x2B, 0x3D, 0x2F, 0x33 };
constexpr juce::uint8 isSeqGet = 0x3F, seqHalfGet = 0x3B, packet = 0x03, chunk = 0x16, blockAck = 0x18, storeSlot = 0x1B;

struct Row
{
    explicit Row (const Cell* c) : cell (c) {}
    const Cell* cell;
    juce::String outcome;
    juce::String boxes;
    juce::String checks;
    int ms = 0;
};

juce::String describe (const std::vector<Prompts::ScriptedResponder::Prompt>& shown)
{
    juce::StringArray out;
    for (auto& p : shown)
    {
        const bool chooser = p.kind == Kind::openFile || p.kind == Kind::openFiles || p.kind == Kind::saveFile || p.kind == Kind::directory;
        out.add (chooser ? "[" + p.title + "]" : p.kind == Kind::message ? p.title : "<" + p.title + ">");
    }
    return out.isEmpty() ? juce::String ("-") : out.joinIntoString (" | ");
}

bool templatesListed()
{
    const juce::ScopedLock listed (HWTemplate::mMutex);
    return ! HWTemplate::templates.isEmpty();
}

std::vector<int> commandsHeard (const sim::SimulatedInstrument& i)
{
    std::vector<int> out;
    for (auto& m : i.received())
        if (isDeviceMessage (m))
            out.push_back (m[8]);
    return out;
}

std::array<SequenceFile::Steps, SequenceFile::sequenceCount> sequencesOf (const sim::SimulatedInstrument& i)
{
    std::array<SequenceFile::Steps, SequenceFile::sequenceCount> out {};
    for (int s = 0; s < SequenceFile::sequenceCount; ++s)
    {
        const auto steps = i.getSequence (s);
        std::copy (steps.begin(), steps.end(), out[(size_t) s].begin());
    }
    return out;
}

bool sensingIsFresh (const DorvoEditorApplication& app)
{
    return app.getLastActiveSense() != 0
           && ActionDispatcher::activeSensingIsFresh (juce::Time::getMillisecondCounter(), app.getLastActiveSense());
}

class CellRun
{
public:
    explicit CellRun (const Cell& c) : cell (c) {}

    Row go()
    {
        Row row (&cell);
        const auto filesBefore = snapshot (files.root);
        const int threadsAtStart = threadCount();
        const int windowsAtStart = juce::Desktop::getInstance().getNumComponents();

        {
            Prompts::ScopedResponder scope (prompts);
            instrument = PullableInstrument::make (options());
            app = std::make_unique<DorvoEditorApplication>();
            instrument->plugIn();

            if (prepare())
            {
                prompts.clear();
                instrument->clearReceived();
                instrument->clearWire();
                const int threadsBefore = threadCount();
                const int windowsBefore = juce::Desktop::getInstance().getNumComponents();

                const auto t0 = juce::Time::getMillisecondCounterHiRes();
                act();
                row.ms = juce::roundToInt (juce::Time::getMillisecondCounterHiRes() - t0);

                // Right at its end: nothing of the operation may still run.
                check (PortUse::users() == 0, "port users");
                check (! HWMessages::isWaitPending(), "reply wait");
                check (! templatesListed(), "block listed");
                check (! HWUpdater::mUpdater.IsUpdating() && HWUpdater::mInput == nullptr && HWUpdater::mOutput == nullptr, "updater");
                check (! app->getDispatcher().isBusy(), "dispatcher busy");
                check (juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0, "modal loop");
                check (lockIsFree (HWMessages::mutex) && lockIsFree (HWDetector::mutex) && lockIsFree (HWTemplate::mMutex)
                           && lockIsFree (HWTemplate::mCritical),
                       "lock held");

                row.outcome = observe();
                row.boxes = describe (prompts.prompts());
                Boxes shown;
                for (auto& p : prompts.prompts())
                    shown.push_back ({ p.kind, p.title, p.text });

                check (row.ms <= boundFor (cell.limitsMs), "time");
                // A limit it runs out is waited out: a search that gives up after one attempt,
                // or a transfer that fails at once, would often come to the same outcome.
                check (row.ms + 50 >= cell.limitsMs - cell.limitsMs / 20, "ended early");
                check (shown == cell.boxes, "boxes");
                check (row.outcome == cell.expected, "outcome");
                check (! reportedSuccess || observedSuccess, "success told of a failure");
                check (testsupport::pumpUntil ([&] { return threadCount() <= threadsBefore; }, 3000), "threads");
                check (testsupport::pumpUntil ([&] { return juce::Desktop::getInstance().getNumComponents() == windowsBefore; }, 3000),
                       "windows");
            }

            app->shutdown();
            app = nullptr;
            instrument = nullptr;
        }

        check (testsupport::pumpUntil ([&] { return threadCount() <= threadsAtStart; }, 3000), "threads at the end");
        check (testsupport::pumpUntil ([&] { return juce::Desktop::getInstance().getNumComponents() == windowsAtStart; }, 3000),
               "windows at the end");
        const auto filesAfter = snapshot (files.root);
        check (observedSuccess ? without (filesAfter, mayWrite()) == without (filesBefore, mayWrite()) : filesAfter == filesBefore,
               "files");

        row.checks = problems.isEmpty() ? juce::String ("ok") : problems.joinIntoString (", ");
        return row;
    }

    juce::StringArray problems;

private:
    void check (bool ok, const char* what)
    {
        if (! ok)
            problems.addIfNotAlreadyThere (what);
    }

    sim::SimulatedInstrument::Options options() const
    {
        sim::SimulatedInstrument::Options o;
        o.model = cell.start == Start::bootLoader ? Model::BootLoader : Model::KelaDorvoSE;
        o.silentAfterPackets = 1;
        return o;
    }

    void setFault()
    {
        if (cell.trouble.fault)
            instrument->setFault (*cell.trouble.fault);
    }

    /** Connected to the running instrument, its active sensing coming in. */
    bool connect()
    {
        app->connectHardware();
        const bool ok = app->isConnected() && testsupport::pumpUntil ([this] { return sensingIsFresh (*app); }, 3000);
        check (ok, "setup: no connection");
        return ok;
    }

    void waitForStaleSensing()
    {
        check (testsupport::pumpUntil ([this] { return ! sensingIsFresh (*app); }, 3000), "setup: active sensing goes on");
    }

    bool prepare()
    {
        const bool pulls = cell.trouble.pullsTheCable;
        auto& i = *instrument;
        switch (cell.op)
        {
            case Op::connect:
                setFault();
                prompts.choices = { 0 };
                if (pulls)
                    i.pullOn (nth (1, isIdentityRequest));
                return true;

            case Op::firmware:
                prompts.files = { { files.firmwareFile } };
                prompts.choices = { 0 };
                if (cell.start == Start::connected && ! connect())
                    return false;
                setFault();
                if (pulls)
                    i.pullOn (nth (2, withCommand (packet)));
                return true;

            default:
                break;
        }

        if (cell.op == Op::slotToPreset)
            i.setBlockToSend (files.slotBlock);
        if (! connect())
            return false;
        setFault();

        switch (cell.op)
        {
            case Op::saveSequences:
                prompts.files = { { files.sequenceFile } };
                prompts.choices = { 1 };
                break;
            case Op::loadSequences:
                prompts.files = { { files.sequencesToLoad } };
                break;
            default:
                break;
        }

        if (pulls)
        {
            switch (cell.op)
            {
                case Op::readBack: i.pullOn (nth (3, isDeviceMessage)); break;
                case Op::click: i.unplug(); break;
                case Op::saveSequences: i.pullOn (nth (1, withCommand (seqHalfGet))); break;
                case Op::loadSequences:
                    prompts.onPrompt = [this] (const Prompts::ScriptedResponder::Prompt& p) {
                        if (p.title == box::loadChooser.title)
                            instrument->unplug();
                    };
                    break;
                case Op::presetToSlot: i.pullOn (nth (2, withCommand (chunk))); break;
                case Op::slotToPreset: i.pullOn (nth (2, withCommand (blockAck))); break;
                default: break;
            }
        }

        if (cell.trouble.fault == Fault::noActiveSensing || (pulls && cell.op == Op::click))
            waitForStaleSensing();
        return true;
    }

    void act()
    {
        switch (cell.op)
        {
            case Op::connect: app->connectHardware(); break;
            case Op::readBack: app->updateInterface(); break;
            case Op::click: app->actionListenerCallback ("AFTE 2"); break;
            case Op::saveSequences: app->actionListenerCallback ("SVSQ "); break;
            case Op::loadSequences: app->actionListenerCallback ("LDSQ "); break;
            case Op::firmware: updated = app->updateFirmware(); break;
            case Op::presetToSlot: app->actionListenerCallback ("DRSL 4," + files.presetFile.getFullPathName()); break;
            case Op::slotToPreset: app->actionListenerCallback ("DRLT 2,Mon preset"); break;
        }
    }

    /** The outcome as the instrument, the window and the disk show it; also sets what the
        operation told the user (reportedSuccess) and whether its effect is there
        (observedSuccess). */
    juce::String observe()
    {
        auto& i = *instrument;
        const bool connected = app->isConnected();
        const auto label = app->getMainWindow()->getEditorWindow()->getStatusLabel()->getText();
        check (label == (connected ? "Connected" : "NOT Connected"), "label");
        const auto shown = prompts.prompts();
        auto told = [&] (const Box& b) {
            for (auto& p : shown)
                if (p.title == b.title && p.text == b.text)
                    return true;
            return false;
        };

        switch (cell.op)
        {
            case Op::connect:
            {
                reportedSuccess = connected;
                observedSuccess = connected && app->getMidiOutput() != nullptr && ! i.wireWithCommand (isSeqGet).empty();
                if (! connected)
                    return is::notConnected;
                return app->getMainWindow()->getEditorWindow()->getTabs()->getNumTabs() == 3 ? is::connectedSE : is::connectedKela;
            }

            case Op::readBack:
            {
                const bool heardAll = commandsHeard (i) == readBackGets;
                reportedSuccess = connected && shown.empty();
                observedSuccess = heardAll;
                if (! connected)
                    return is::closed;
                return heardAll ? is::allRead : "connected, not all read";
            }

            case Op::click:
            {
                observedSuccess = i.getSetting (SysexCommand::SetAftertouchCurbNum) == 2;
                if (observedSuccess)
                    return is::stored;
                if (connected)
                    return is::notHeard;
                check (i.wireWithCommand (toByte (SysexCommand::SetAftertouchCurbNum)).empty(), "sent when dropped");
                return is::droppedClosed;
            }

            case Op::saveSequences:
            {
                using namespace SequenceFile;
                const auto sequences = sequencesOf (i);
                const auto timing = Timing::fromAnswers (i.getSetting (SysexCommand::SetStepSize), i.getSetting (SysexCommand::SetGateLen));
                bool midiAll = true, midiNone = true;
                for (int s = 0; s < sequenceCount; ++s)
                {
                    juce::MemoryBlock expected;
                    const auto midi = midiFilePath (files.sequenceFile, s + 1);
                    midiAll = midiAll && midiFileFor (sequences[(size_t) s], timing, expected)
                              && contentsOf (midi) == Bytes (static_cast<const juce::uint8*> (expected.getData()),
                                                          static_cast<const juce::uint8*> (expected.getData()) + expected.getSize());
                    midiNone = midiNone && ! midi.exists();
                }
                const auto text = files.sequenceFile.loadFileAsString();
                reportedSuccess = ! shown.empty() && shown[0].title == box::saveChooser.title && ! told (box::notRead);
                observedSuccess = text == fileText (sequences) && midiAll;
                if (observedSuccess)
                    return is::written;
                if (text == "1: 60 61 62\r\n" && midiNone)
                    return connected ? is::notWritten : is::droppedClosed;
                return "written in part";
            }

            case Op::loadSequences:
            {
                const auto now = sequencesOf (i);
                observedSuccess = now == files.loadedSteps;
                if (observedSuccess)
                    return is::loaded;
                if (now == factorySequences())
                    return connected ? is::notHeard : is::droppedClosed;
                return "loaded in part";
            }

            case Op::firmware:
            {
                const bool ended = i.updateEnded();
                const bool kept = i.getFirmwareImage() == files.firmwareImage;
                reportedSuccess = updated || told (box::complete);
                check (updated == told (box::complete), "result and box differ");
                observedSuccess = ended && (kept || cell.acceptedByContract);
                if (ended && kept)
                    return connected ? is::updatedConnected : is::updatedNotConnected;
                if (ended)
                    return connected ? is::endedWithoutImage : "ended without the image, not connected";
                return connected ? "not updated, connected" : is::notUpdated;
            }

            case Op::presetToSlot:
            {
                const auto stores = i.wireWithCommand (storeSlot);
                reportedSuccess = ! stores.empty();
                observedSuccess = i.getReceivedBlock() == files.presetBlock;
                if (stores.size() == 1 && stores[0][9] == 4 && observedSuccess)
                    return is::inSlot;
                if (stores.empty())
                    return connected ? is::notStored : is::droppedClosed;
                return "stored, but not that block";
            }

            case Op::slotToPreset:
            {
                const bool exists = files.newPreset.exists();
                reportedSuccess = exists;
                observedSuccess = exists && contentsOf (files.newPreset) == presettest::presetFileBytes (files.slotBlock);
                if (observedSuccess)
                    return is::fileWritten;
                if (! exists)
                    return connected ? is::noFile : is::droppedClosed;
                return "a file, but not that block";
            }
        }
        return "?";
    }

    /** What the operation may write when it succeeds (relative to the folder), its contents
        checked by observe. */
    juce::StringArray mayWrite() const
    {
        juce::StringArray paths;
        if (cell.op == Op::saveSequences)
        {
            paths.add (files.sequenceFile.getRelativePathFrom (files.root));
            for (int s = 1; s <= SequenceFile::sequenceCount; ++s)
                paths.add (SequenceFile::midiFilePath (files.sequenceFile, s).getRelativePathFrom (files.root));
        }
        if (cell.op == Op::slotToPreset)
            paths.add (files.newPreset.getRelativePathFrom (files.root));
        return paths;
    }

    static std::array<SequenceFile::Steps, SequenceFile::sequenceCount> factorySequences()
    {
        sim::SimulatedInstrument fresh;
        return sequencesOf (fresh);
    }

    const Cell& cell;
    Files files;
    Prompts::ScriptedResponder prompts;
    std::shared_ptr<PullableInstrument> instrument;
    std::unique_ptr<DorvoEditorApplication> app;
    bool updated = false;
    bool reportedSuccess = false;
    bool observedSuccess = false;
};

// =============================================================================================
// The printed table

juce::String padded (juce::String s, int width)
{
    return s.length() >= width ? s + " " : s + juce::String::repeatedString (" ", width - s.length());
}

juce::String rightAligned (int value, int width)
{
    return juce::String (value).paddedLeft (' ', width) + " ";
}

juce::String line (const Row& r)
{
    const auto& c = *r.cell;
    juce::String s = padded (operation (c.op).name, 20) + padded (c.trouble.name, 20);
    s << padded (r.outcome, 36) << rightAligned (r.ms, 6) << rightAligned (c.limitsMs, 6) << rightAligned (boundFor (c.limitsMs), 6)
      << padded (r.checks, 6)
      << r.boxes;
    if (juce::String (c.note).isNotEmpty())
        s << "  (" << c.note << ")";
    return s + "\n";
}

juce::String header()
{
    juce::String s;
    s << "Fault matrix (" << buildKind << "): every fault of the simulated instrument, and the cable pulled, against every operation.\n"
      << "Columns: operation, fault, outcome (as the instrument, the window and the disk show it), ms it took, limit (ms of the\n"
      << "system's own limits that the fault makes it run out: it must wait them out), bound (the limit, a tenth more, and\n"
      << workMs << " ms for the rest of the work: it must end within it), checks, boxes the user saw (<..> a question, [..] a\n"
      << "chooser), note. Checks besides time, boxes and outcome: no success told of a failure; no thread, window, modal loop,\n"
      << "port user, reply wait, listed block, running update or held lock left; no file changed but the operation's own,\n"
      << "written whole.\n\nOperations and their bounds:\n";
    for (auto& o : operations)
        s << "  " << padded (o.name, 20) << o.how << ".\n  " << padded ({}, 20) << "Bound: " << o.bound << ".\n";
    return s << "\n";
}

/** Writes the part's rows beside the others and puts the whole table together, under a lock
    of the artefact folder: the parts run in processes of their own. */
void saveTable (const std::string& part, const juce::String& rows)
{
    const auto dir = testsupport::artefactDir();
    FileSaving::replaceWith (dir.getChildFile ("fault-matrix-" + juce::String (part) + ".txt"), rows);

    const auto lockFile = dir.getChildFile (".fault-matrix.lock");
    const int fd = ::open (lockFile.getFullPathName().toRawUTF8(), O_CREAT | O_RDWR, 0644);
    if (fd >= 0)
        ::flock (fd, LOCK_EX);
    juce::String all = header();
    for (auto& p : parts())
    {
        const auto f = dir.getChildFile ("fault-matrix-" + juce::String (p) + ".txt");
        all << (f.existsAsFile() ? f.loadFileAsString() : "(" + juce::String (p) + ": not run)\n");
    }
    FileSaving::replaceWith (dir.getChildFile ("fault-matrix.txt"), all);
    if (fd >= 0)
    {
        ::flock (fd, LOCK_UN);
        ::close (fd);
    }
}

// =============================================================================================

class FaultMatrix : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        DORVO_REQUIRE_DISPLAY();
        MidiPorts::useVirtualBus();
        warmUp();
    }

    /** What lives as long as the process once used (the framework's timer thread, the bus's
        delivery thread, fonts and images) is made before the first cell counts anything. */
    static void warmUp()
    {
        static bool done = false;
        if (done)
            return;
        done = true;
        Prompts::ScriptedResponder prompts;
        Prompts::ScopedResponder scope (prompts);
        sim::SimulatedInstrument instrument;
        instrument.plugIn();
        auto app = std::make_unique<DorvoEditorApplication>();
        app->initialise ({});
        testsupport::pumpMessages (200);
        app->shutdown();
        app = nullptr;
        testsupport::pumpMessages (100);
    }
};
} // namespace

TEST (FaultMatrixTable, NamesEveryFaultForEveryOperation)
{
    // A fault added to the simulator must be given its cells.
    ASSERT_EQ (std::size (allTroubles), (size_t) static_cast<int> (Fault::flood) + 1 + 2);
    for (int f = 0; f <= static_cast<int> (Fault::flood); ++f)
        EXPECT_TRUE (std::any_of (std::begin (allTroubles), std::end (allTroubles),
                                  [f] (const Trouble* t) { return t->fault == static_cast<Fault> (f); }))
            << "fault " << f;
    for (auto& o : operations)
        for (auto* t : allTroubles)
        {
            const auto n = std::count_if (matrix().begin(), matrix().end(),
                                          [&] (const Cell& c) { return c.op == o.op && juce::String (c.trouble.name) == t->name; });
            EXPECT_EQ (n, 1) << o.name << " x " << t->name;
        }
}

TEST_P (FaultMatrix, Cells)
{
    juce::String rows;
    for (auto& o : operations)
    {
        // The cells of this part that run, then those that cannot meet, by reason.
        std::vector<std::pair<juce::String, juce::StringArray>> notApplicable;
        for (auto& cell : matrix())
        {
            if (cell.op != o.op || cell.part() != GetParam())
                continue;
            if (cell.notApplicable != nullptr)
            {
                auto it = std::find_if (notApplicable.begin(), notApplicable.end(),
                                        [&] (const auto& e) { return e.first == cell.notApplicable; });
                if (it == notApplicable.end())
                    it = notApplicable.insert (notApplicable.end(), { cell.notApplicable, {} });
                it->second.add (cell.trouble.name);
                continue;
            }
            SCOPED_TRACE (cell.name());
            CellRun runner (cell);
            const auto row = runner.go();
            EXPECT_TRUE (runner.problems.isEmpty())
                << cell.name() << ": " << runner.problems.joinIntoString (", ") << "\n  " << line (row);
            rows << line (row);
        }
        for (auto& [reason, troubles] : notApplicable)
            rows << padded (o.name, 20) << "n/a: " << troubles.joinIntoString (", ") << " (" << reason << ")\n";
    }
    std::cout << header() << rows << std::flush;
    saveTable (GetParam(), rows);
}

INSTANTIATE_TEST_SUITE_P (Parts, FaultMatrix, ::testing::ValuesIn (parts()),
                          [] (const ::testing::TestParamInfo<std::string>& info) { return info.param; });
