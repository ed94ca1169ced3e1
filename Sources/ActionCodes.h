#pragma once

// The action codes: the five characters at the start of every action message that a page, a
// control or the CONNECT switch broadcasts to the application. The controls build their
// messages from these, and the dispatcher finds its rows by them; no code is written anywhere
// else.
namespace ActionCode
{
// Local actions: handled whether or not an instrument is connected, without the watchdog.
inline constexpr const char* connect = "COMI ";
inline constexpr const char* firmwareUpdate = "FIRM ";
inline constexpr const char* importPresets = "IMPO ";
inline constexpr const char* exportPresets = "EXPO ";
inline constexpr const char* deletePresets = "DELE ";
inline constexpr const char* copyPreset = "COPY ";
inline constexpr const char* renamePreset = "RENA ";

// Drops of the librarian page: a slot digit, "," and a path (or a slot's description).
inline constexpr const char* dropOnList = "DRLT ";
inline constexpr const char* dropOnSlot = "DRSL ";

// Settings: the code followed by a decimal value.
inline constexpr const char* channelIn = "MIN  ";
inline constexpr const char* channelOut = "MOUT ";
inline constexpr const char* keyboardMode = "MKEY ";
inline constexpr const char* legato = "LKEY ";
inline constexpr const char* inputGain = "INGN ";
inline constexpr const char* lfoRetrig = "LFO  ";
inline constexpr const char* velocityCurve = "VELO ";
inline constexpr const char* aftertouchCurve = "AFTE ";
inline constexpr const char* arpHold = "ARP  ";
inline constexpr const char* bendRange = "BEND ";
inline constexpr const char* stepSize = "STEP ";
inline constexpr const char* gateLength = "GLEN ";
inline constexpr const char* tapAverage = "TAP  ";
inline constexpr const char* clockSync = "SYNC ";
inline constexpr const char* seqRetrig = "RTRG ";
inline constexpr const char* seqPlayMode = "SQPM ";
inline constexpr const char* seqNextSeq = "SQNS ";

// The Sequences page.
inline constexpr const char* factorySequences = "FCSQ ";
inline constexpr const char* loadSequences = "LDSQ ";
inline constexpr const char* saveSequences = "SVSQ ";
inline constexpr const char* sequenceUnused = "SSQD ";  // nothing sends it; no effect
} // namespace ActionCode
