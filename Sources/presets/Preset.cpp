#include "presets/Preset.h"
#include "TextDecoding.h"
#include "firmware/CryptedFile.h"
#include <cstring>

namespace
{
constexpr int versionOffset = 0;
constexpr int signatureOffset = 51;
constexpr int nbStepsOffset = 52;
constexpr int notesOrderOffset = 53;
constexpr int gateTimeOffset = 54;
constexpr int firstStepOffset = 55;

int dynamicsOffset (int step) { return firstStepOffset + 2 * step; }
int tieOffset (int step) { return firstStepOffset + 2 * step + 1; }
bool isStep (juce::uint8 step) { return step < Preset::stepCount; }
} // namespace

Preset::Preset() : HWTemplate ((unsigned long) blockSize) {}

Preset::~Preset() = default;

juce::uint8 Preset::byteAt (int offset) const
{
    return (size_t) offset < mData.getSize() ? static_cast<const juce::uint8*> (mData.getData())[offset] : juce::uint8 (0);
}

void Preset::setByteAt (int offset, juce::uint8 value)
{
    if ((size_t) offset < mData.getSize())
        static_cast<juce::uint8*> (mData.getData())[offset] = value;
}

juce::uint8 Preset::getVersion() const { return byteAt (versionOffset); }
void Preset::setVersion (int version) { setByteAt (versionOffset, juce::uint8 (version & 0xFF)); }

juce::String Preset::getName() const
{
    // A copy of the field with room behind it: a broken multi-byte character at its end can
    // only run into these zeros, never into the bytes that follow the field.
    char field[nameFieldSize + 4] = {};
    for (int i = 0; i < nameFieldSize; ++i)
        field[i] = (char) byteAt (nameOffset + i);

    const int length = (int) ::strnlen (field, (size_t) nameFieldSize);
    // Not well-formed UTF-8: each byte stands for itself.
    return TextDecoding::fromOutsideBytes (field, (size_t) length);
}

void Preset::setName (const juce::String& name)
{
    if (name.isEmpty())
        return;

    char field[nameFieldSize] = {};
    // At most 24 bytes with the terminating zero: 23 bytes of whole characters.
    name.trim().copyToUTF8 (field, (size_t) nameMaxBytes + 1);
    for (int i = 0; i < nameFieldSize; ++i)
        setByteAt (nameOffset + i, (juce::uint8) field[i]);
}

void Preset::setName (const juce::File& file) { setName (file.getFileNameWithoutExtension()); }

Preset::eSignatures Preset::getSignature() const { return static_cast<eSignatures> (byteAt (signatureOffset)); }
void Preset::setSignature (eSignatures signature) { setByteAt (signatureOffset, (juce::uint8) signature); }
juce::uint8 Preset::getNbSteps() const { return byteAt (nbStepsOffset); }
void Preset::setNbSteps (juce::uint8 steps) { setByteAt (nbStepsOffset, steps); }
Preset::eNotesOrder Preset::getNotesOrder() const { return static_cast<eNotesOrder> (byteAt (notesOrderOffset)); }
void Preset::setNotesOrder (eNotesOrder order) { setByteAt (notesOrderOffset, (juce::uint8) order); }
juce::uint8 Preset::getGateTime() const { return byteAt (gateTimeOffset); }
void Preset::setGateTime (juce::uint8 gateTime) { setByteAt (gateTimeOffset, gateTime); }

juce::uint8 Preset::getStepDyn (juce::uint8 step) const { return isStep (step) ? byteAt (dynamicsOffset (step)) : 0; }

void Preset::setStepDyn (juce::uint8 step, juce::uint8 dynamics)
{
    if (isStep (step))
        setByteAt (dynamicsOffset (step), dynamics);
}

bool Preset::getStepTie (juce::uint8 step) const { return isStep (step) && byteAt (tieOffset (step)) != 0; }

void Preset::setStepTie (juce::uint8 step, bool tie)
{
    if (isStep (step))
        setByteAt (tieOffset (step), tie ? 1 : 0);
}

bool Preset::receiveWhole (MidiOutputPort* output)
{
    // A receive writes into the block from its start and cuts it to what arrived: keep the
    // block as it was unless a whole preset came.
    const juce::MemoryBlock before (mData);
    const bool received = receive (output);
    if (received && mData.getSize() == (size_t) blockSize)
        return true;

    if (! isSending() && ! isReceiving())
        mData = before;
    return false;
}

bool Preset::loadPreset (const juce::File& file)
{
    // Reading never creates a file: a missing one is simply not a preset.
    if (! file.existsAsFile())
        return false;

    const CryptedFile container (file.getFullPathName(), CryptedFile::presetKey, CryptedFile::Missing::refuse);
    if (container.getSize() < (size_t) blockSize)
        return false;

    mData.setSize ((size_t) blockSize);
    mData.copyFrom (container.getData(), 0, (size_t) blockSize);
    return true;
}

bool Preset::storePreset (const juce::File& file)
{
    if (file == juce::File() || file.isDirectory() || mData.getSize() != (size_t) blockSize)
        return false;

    const bool existed = file.existsAsFile();
    bool written = false;
    if (existed)
    {
        // The container checks that the file is a preset file, and writes it when it goes: a
        // temporary sibling first, put in place only once complete.
        CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
        if (auto* out = container.getCryptedOutputStream())
            written = out->write (mData.getData(), mData.getSize());
    }
    else
    {
        // A new file appears only once it is complete: the container would first create it
        // empty, and a save cut short there would leave an empty preset file in the list.
        written = CryptedFile::write (file, CryptedFile::presetKey, mData.getData(), mData.getSize());
    }

    // Read back: the file holds this block, or the store did not happen.
    bool stored = false;
    const auto fileSize = (juce::int64) std::strlen (CryptedFile::presetKey) + 1 + blockSize;
    if (written && file.getSize() == fileSize)
    {
        const CryptedFile check (file.getFullPathName(), CryptedFile::presetKey, CryptedFile::Missing::refuse);
        stored = check.getSize() == mData.getSize() && std::memcmp (check.getData(), mData.getData(), mData.getSize()) == 0;
    }

    // A new file that did not get its preset is not left behind empty.
    if (! stored && ! existed)
        file.deleteFile();
    return stored;
}
