#pragma once

#include "JuceIncludes.h"
#include "link/HWTemplate.h"

/** One preset: an 87-byte block of instrument data, sent to the instrument or received from it
    by the block transfer, and kept in an enciphered preset file ("*.preset").

    The block, byte by byte:
      0        version
      1..25    name, UTF-8, at most 23 bytes, padded with zero bytes (byte 25 is always 0)
      26..50   carried unchanged
      51       signature (eSignatures)
      52       number of steps
      53       notes order (eNotesOrder)
      54       gate time
      55 + 2i  dynamics of step i (i = 0 to 15)
      56 + 2i  tie of step i: 0 or 1 (anything but 0 reads as tied)

    A new block is all zero. The step accessors take steps 0 to 15: a step above reads 0 (or
    untied) and a write to it changes nothing. */
class Preset : public HWTemplate
{
public:
    enum eSignatures : juce::uint8
    {
        Binary = 0,
        Ternary = 1
    };

    enum eNotesOrder : juce::uint8
    {
        Chrono = 0,
        PitchUp = 1,
        PitchDown = 2
    };

    static constexpr int blockSize = 87;
    static constexpr int stepCount = 16;
    static constexpr int nameOffset = 1;
    static constexpr int nameFieldSize = 25;
    static constexpr int nameMaxBytes = 23;

    Preset();
    ~Preset();

    juce::uint8 getVersion() const;
    /** Stores the low byte. */
    void setVersion (int version);

    /** The name field decoded as UTF-8 up to its first zero byte; never reads past the field. */
    juce::String getName() const;
    /** Nothing for an empty name; otherwise the name trimmed of white space, cut to whole
        characters of at most 23 bytes, the rest of the field cleared. */
    void setName (const juce::String& name);
    /** The file's name without its extension. */
    void setName (const juce::File& file);

    eSignatures getSignature() const;
    void setSignature (eSignatures signature);
    juce::uint8 getNbSteps() const;
    void setNbSteps (juce::uint8 steps);
    eNotesOrder getNotesOrder() const;
    void setNotesOrder (eNotesOrder order);
    juce::uint8 getGateTime() const;
    void setGateTime (juce::uint8 gateTime);

    juce::uint8 getStepDyn (juce::uint8 step) const;
    void setStepDyn (juce::uint8 step, juce::uint8 dynamics);
    bool getStepTie (juce::uint8 step) const;
    void setStepTie (juce::uint8 step, bool tie);

    /** Reads a preset file into the block: true when the file held a preset payload of at
        least 87 bytes (its first 87 are taken). Otherwise false and the block stays as it
        was; a missing file is neither read nor created. */
    bool loadPreset (const juce::File& file);

    /** Writes the block to a preset file (a new one, or an existing preset file, which is
        replaced whole or not at all). False when nothing was written. */
    bool storePreset (const juce::File& file);

    /** Receives the instrument's block: true only for a whole block of 87 bytes. Otherwise
        false, and the block stays as it was before. */
    bool receiveWhole (MidiOutputPort* output);

private:
    juce::uint8 byteAt (int offset) const;
    void setByteAt (int offset, juce::uint8 value);

    JUCE_DECLARE_NON_COPYABLE (Preset)
};
