#include "firmware/CryptedFile.h"
#include "firmware/LPC23XXCrypter.h"
#include "FileReading.h"
#include "FileSaving.h"
#include "app/Prompts.h"
#include <cstring>

namespace
{
void warn (const char* title, const char* text)
{
    Prompts::message (Prompts::Icon::warning, title, text);
}
} // namespace

CryptedFile::CryptedFile (const juce::String& path, const juce::String& key, Missing missing)
    // juce::File takes absolute paths only: anything else names no file at all.
    : mFile (juce::File::isAbsolutePath (path) ? juce::File (path) : juce::File()), mMissing (missing)
{
    const auto utf8 = key.toRawUTF8();
    mKeyLength = (int) std::strlen (utf8);
    mKey.replaceAll (utf8, (size_t) mKeyLength + 1);
    read();
}

CryptedFile::~CryptedFile()
{
    if (mPayload != nullptr && mOutputStream != nullptr)
        store();
    mOutputStream = nullptr;
    mInputStream = nullptr;
    mPayload = nullptr;
}

void CryptedFile::read()
{
    if (mFile == juce::File() || ! mFile.existsAsFile())
    {
        // A missing file is created empty, so that a later store writes it; a reader that only
        // reads never creates what it could not find.
        if (mFile == juce::File() || mFile.isDirectory() || mMissing == Missing::refuse || ! mFile.create().wasOk())
        {
            warn (loadingErrorTitle, cannotOpenText);
            return;
        }
        mPayload = std::make_unique<juce::MemoryBlock>();
        return;
    }

    // A named pipe or a device is no data file: opening a pipe would wait for a writer for ever.
    if (! FileReading::isRegularFile (mFile))
    {
        warn (loadingErrorTitle, cannotOpenText);
        return;
    }

    std::unique_ptr<juce::FileInputStream> in (mFile.createInputStream());
    if (in == nullptr || ! in->openedOk())
    {
        warn (loadingErrorTitle, cannotOpenText);
        return;
    }

    const auto total = in->getTotalLength();
    if (total < 0 || total > maxFileSize)
    {
        warn (loadingErrorTitle, cannotAllocateText);
        return;
    }

    juce::HeapBlock<unsigned char> buffer;
    buffer.malloc ((size_t) juce::jmax<juce::int64> (total, 1));
    if (buffer == nullptr)
    {
        warn (loadingErrorTitle, cannotAllocateText);
        return;
    }

    // The whole file, however many reads the stream takes for it.
    juce::int64 got = 0;
    while (got < total)
    {
        const int n = in->read (buffer + got, (int) (total - got));
        if (n <= 0)
            break;
        got += n;
    }
    if (got != total)
    {
        warn (loadingErrorTitle, cannotOpenText);
        return;
    }

    // The key magic and its terminator must be there before anything is compared.
    if (total < (juce::int64) mKeyLength + 1)
    {
        warn (checkingErrorTitle, notCryptedText);
        return;
    }

    LPC23XXCrypter crypter (static_cast<const unsigned char*> (mKey.getData()), mKeyLength);
    crypter.uncypherData (buffer, (int) total);

    if (std::memcmp (buffer, mKey.getData(), (size_t) mKeyLength) != 0)
    {
        warn (checkingErrorTitle, notCryptedText);
        return;
    }

    // The byte at offset K, the terminator, is skipped unchecked.
    const auto payloadStart = (size_t) mKeyLength + 1;
    mPayload = std::make_unique<juce::MemoryBlock> (buffer + payloadStart, (size_t) total - payloadStart);
}

void* CryptedFile::getData() const
{
    if (mPayload == nullptr)
        return nullptr;
    // An empty payload is still a payload: its bytes are somewhere, just none of them.
    static unsigned char none = 0;
    return mPayload->getSize() > 0 ? mPayload->getData() : &none;
}

size_t CryptedFile::getSize() const
{
    return mPayload != nullptr ? mPayload->getSize() : 0;
}

juce::InputStream* CryptedFile::getCryptedInputStream()
{
    if (mPayload == nullptr)
        return nullptr;
    if (mInputStream == nullptr)
        mInputStream = std::make_unique<juce::MemoryInputStream> (*mPayload, false);
    return mInputStream.get();
}

juce::OutputStream* CryptedFile::getCryptedOutputStream()
{
    if (mPayload == nullptr)
        return nullptr;
    if (mOutputStream == nullptr)
        mOutputStream = std::make_unique<juce::MemoryOutputStream> (*mPayload, false);
    return mOutputStream.get();
}

void CryptedFile::store()
{
    // The payload becomes exactly what the stream wrote from its start.
    mOutputStream->flush();
    writeEnciphered (mFile, mKey, mKeyLength, mPayload->getData(), mPayload->getSize());
}

bool CryptedFile::write (const juce::File& file, const juce::String& key, const void* payload, size_t size)
{
    const auto utf8 = key.toRawUTF8();
    const auto keyLength = (int) std::strlen (utf8);
    if (keyLength == 0 || file == juce::File() || (size > 0 && payload == nullptr))
    {
        warn (storingErrorTitle, cannotOpenText);
        return false;
    }
    return writeEnciphered (file, juce::MemoryBlock (utf8, (size_t) keyLength + 1), keyLength, payload, size);
}

bool CryptedFile::writeEnciphered (const juce::File& file, const juce::MemoryBlock& key, int keyLength,
                                   const void* payload, size_t payloadSize)
{
    const size_t total = (size_t) keyLength + 1 + payloadSize;
    juce::HeapBlock<unsigned char> buffer;
    buffer.malloc (total);
    if (buffer == nullptr)
    {
        warn (storingErrorTitle, cannotAllocateText);
        return false;
    }

    // Key magic with its terminating zero, then the payload; then the whole of it enciphered.
    std::memcpy (buffer, key.getData(), (size_t) keyLength + 1);
    if (payloadSize > 0)
        std::memcpy (buffer + keyLength + 1, payload, payloadSize);
    LPC23XXCrypter crypter (static_cast<const unsigned char*> (key.getData()), keyLength);
    crypter.cypherData (buffer, (int) total);

    // Written whole to a temporary sibling and checked before it replaces the old file; on
    // any failure the old file stays as it was.
    if (! FileSaving::replaceWith (file, buffer.get(), total))
    {
        warn (storingErrorTitle, cannotOpenText);
        return false;
    }
    return true;
}
