#pragma once

#include "JuceIncludes.h"
#include <memory>

/** The enciphered file container of firmware files ("*.kfw") and preset files ("*.preset").
    A file is, before enciphering: the key text itself (the key magic, K bytes), one zero byte
    (the magic terminator, not checked when read) and the payload; the whole file is one key
    stream of LPC23XXCrypter.

    The constructor reads the whole file, deciphers it, checks the key magic and keeps the
    payload in clear in memory; a missing file is created empty, unless the caller only reads
    (then it is refused as a file that cannot be opened), and what is not a regular file (a
    named pipe, a device) is never opened: it cannot be read ("Loading error"). The payload is
    read through getData / getSize or the input stream, or overwritten through the output
    stream: once that has been taken, the destructor stores the file with exactly what the
    stream wrote. The store never loses the old file: the new one is written whole to a
    temporary sibling and put in its place only once it is known to be complete.

    Every failure is told to the user at once with a warning box and leaves the container
    without a payload (every accessor null or 0, nothing stored); callers only test whether
    there is a payload. Message thread only. */
class CryptedFile
{
public:
    /** The key of firmware files: K = 24. */
    static constexpr const char* firmwareKey = "VendelQuorphatIsmalTrune";
    /** The key of preset files: K = 26. */
    static constexpr const char* presetKey = "PolvexMarindTroskaHellowyn";

    /** The largest file read; a larger one is refused before anything is allocated. */
    static constexpr juce::int64 maxFileSize = 16 * 1024 * 1024;

    /** What the constructor does with a path that names no existing file. */
    enum class Missing
    {
        create,   // create it empty, so that a store writes it (the preset store)
        refuse    // a file that cannot be opened: "Loading error", no payload, nothing created
                  // (the firmware update, which only reads)
    };

    CryptedFile (const juce::String& path, const juce::String& key, Missing missing = Missing::create);
    ~CryptedFile();

    /** The payload's bytes; null without payload. */
    void* getData() const;
    /** The payload's size in bytes; 0 without payload. */
    size_t getSize() const;

    /** A stream over the payload, reading it in place; created on the first call, the same
        object later, owned by the container. Null without payload. */
    juce::InputStream* getCryptedInputStream();

    /** A stream that overwrites the payload from its start; created on the first call, the
        same object later, owned by the container. Taking it arms the store at destruction.
        Null without payload. */
    juce::OutputStream* getCryptedOutputStream();

    bool hasPayload() const { return mPayload != nullptr; }

    /** Writes a whole container file with this payload at once, as the store at destruction
        does, without reading or creating anything first: a missing file appears only once it
        is complete. A failure is told with the "Storing error" box and leaves the file as it
        was. True when the file was written. */
    static bool write (const juce::File& file, const juce::String& key, const void* payload, size_t size);

    // The boxes' texts.
    static constexpr const char* loadingErrorTitle = "Loading error";
    static constexpr const char* checkingErrorTitle = "Checking error";
    static constexpr const char* storingErrorTitle = "Storing error";
    static constexpr const char* cannotOpenText = "Unable to open the data file.";
    static constexpr const char* cannotAllocateText = "Unable to allocate memory for this data file.";
    static constexpr const char* notCryptedText = "This file is not a KelaDorvo crypted firmware file.";

private:
    void read();
    void store();
    static bool writeEnciphered (const juce::File& file, const juce::MemoryBlock& key, int keyLength,
                                 const void* payload, size_t size);

    juce::File mFile;
    Missing mMissing = Missing::create;
    std::unique_ptr<juce::MemoryBlock> mPayload;
    std::unique_ptr<juce::MemoryInputStream> mInputStream;
    std::unique_ptr<juce::MemoryOutputStream> mOutputStream;
    juce::MemoryBlock mKey;   // the key text in UTF-8 and a terminating zero
    int mKeyLength = 0;       // K

    JUCE_DECLARE_NON_COPYABLE (CryptedFile)
};
