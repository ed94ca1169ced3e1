#include "TestSupport.h"
#include "app/Prompts.h"
#include "firmware/CryptedFile.h"
#include "firmware/LPC23XXCrypter.h"
#include <cstring>
#include <unistd.h>

using Bytes = std::vector<juce::uint8>;

namespace
{
Bytes keyBytes (const char* key) { return Bytes (key, key + std::strlen (key)); }

/** The file format written out by hand: key magic, terminator, payload, every byte i XORed
    with key byte (4 + i) mod K. */
Bytes encipheredFile (const char* key, const Bytes& payload, juce::uint8 terminator = 0)
{
    const auto k = keyBytes (key);
    Bytes plain = k;
    plain.push_back (terminator);
    plain.insert (plain.end(), payload.begin(), payload.end());
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] ^= k[(4 + i) % k.size()];
    return plain;
}

Bytes pattern (size_t n, int seed = 7)
{
    Bytes b (n);
    for (size_t i = 0; i < n; ++i)
        b[i] = juce::uint8 ((i * 37 + (size_t) seed) & 0xFF);
    return b;
}

using testsupport::contentsOf;

void write (const juce::File& f, const Bytes& b)
{
    // Not juce::File::replaceWithData: it deletes the file for empty contents.
    f.deleteFile();
    juce::FileOutputStream out (f);
    ASSERT_TRUE (out.openedOk());
    ASSERT_TRUE (b.empty() || out.write (b.data(), b.size()));
    out.flush();
    ASSERT_TRUE (out.getStatus().wasOk());
}

struct CryptedFileTest : ::testing::Test
{
    void SetUp() override
    {
        dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("dorvo-crypted-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
        ASSERT_TRUE (dir.createDirectory());
    }
    void TearDown() override { dir.deleteRecursively(); }

    /** The boxes shown, as "title / text". */
    juce::StringArray boxes() const
    {
        juce::StringArray out;
        for (auto& p : prompts.prompts())
        {
            EXPECT_EQ (p.kind, Prompts::Kind::message);
            EXPECT_EQ (p.icon, Prompts::Icon::warning);
            out.add (p.title + " / " + p.text);
        }
        return out;
    }

    juce::File dir;
    Prompts::ScriptedResponder prompts;
    Prompts::ScopedResponder scope { prompts };
};

const juce::String notCrypted = "Checking error / This file is not a KelaDorvo crypted firmware file.";
} // namespace

TEST (LPC23XXCrypter, KeyStreamStartsAtIndexFourAndWraps)
{
    struct Case
    {
        const char* key;
        std::vector<std::pair<int, int>> fileByteToKeyByte;
    };
    const Case cases[] = {
        { CryptedFile::firmwareKey, { { 0, 4 }, { 19, 23 }, { 20, 0 }, { 43, 23 }, { 44, 0 } } },
        { CryptedFile::presetKey, { { 0, 4 }, { 21, 25 }, { 22, 0 }, { 47, 25 }, { 48, 0 } } },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.key);
        const auto key = keyBytes (c.key);
        Bytes zeros (60, 0);
        LPC23XXCrypter crypter (key.data(), (int) key.size());
        crypter.cypherData (zeros.data(), (int) zeros.size());
        for (auto [fileByte, keyByte] : c.fileByteToKeyByte)
            EXPECT_EQ (zeros[(size_t) fileByte], key[(size_t) keyByte]) << "file byte " << fileByte;

        // The index is kept between calls: two calls are one stream, and the same operation
        // deciphers.
        auto data = pattern (60);
        const auto original = data;
        LPC23XXCrypter once (key.data(), (int) key.size());
        once.cypherData (data.data(), 60);
        auto split = original;
        LPC23XXCrypter twice (key.data(), (int) key.size());
        twice.cypherData (split.data(), 25);
        twice.cypherData (split.data() + 25, 35);
        EXPECT_EQ (split, data);
        LPC23XXCrypter back (key.data(), (int) key.size());
        back.uncypherData (data.data(), 60);
        EXPECT_EQ (data, original);

        // Skipping and resetting move the index; a new key starts at the stream start again.
        twice.resetKeyIndex();
        EXPECT_EQ (twice.getKeyIndex(), 4);
        twice.skipKeyIndex ((int) key.size() - 4);
        EXPECT_EQ (twice.getKeyIndex(), 0);
        twice.skipKeyIndex (3 * (int) key.size() + 5);
        EXPECT_EQ (twice.getKeyIndex(), 5);
        const unsigned char shortKey[] = { 'a', 'b', 'c' };
        twice.setKey (shortKey, 3);
        EXPECT_EQ (twice.getKeyIndex(), 1);   // 4 mod 3
        EXPECT_EQ (twice.getKeyLength(), 3);
    }
}

TEST_F (CryptedFileTest, RoundTripWritesTheFormatAndReadsItBack)
{
    struct Case
    {
        const char* key;
        size_t payload;
        size_t fileSize;
    };
    for (auto c : { Case { CryptedFile::presetKey, 87, 114 }, Case { CryptedFile::firmwareKey, 1000, 1025 } })
    {
        SCOPED_TRACE (c.key);
        const auto file = dir.getChildFile ("new.bin");
        file.deleteFile();
        const auto payload = pattern (c.payload);
        {
            CryptedFile container (file.getFullPathName(), c.key);
            EXPECT_TRUE (file.existsAsFile());   // created empty at once
            EXPECT_EQ (container.getSize(), 0u);
            ASSERT_NE (container.getCryptedOutputStream(), nullptr);
            EXPECT_EQ (container.getCryptedOutputStream(), container.getCryptedOutputStream());
            EXPECT_TRUE (container.getCryptedOutputStream()->write (payload.data(), payload.size()));
        }
        EXPECT_EQ ((size_t) file.getSize(), c.fileSize);
        EXPECT_EQ (contentsOf (file), encipheredFile (c.key, payload));

        CryptedFile again (file.getFullPathName(), c.key);
        ASSERT_EQ (again.getSize(), payload.size());
        EXPECT_EQ (Bytes (static_cast<juce::uint8*> (again.getData()),
                          static_cast<juce::uint8*> (again.getData()) + again.getSize()), payload);

        // The input stream reads the payload in place, and is one object.
        auto* in = again.getCryptedInputStream();
        ASSERT_NE (in, nullptr);
        EXPECT_EQ (in, again.getCryptedInputStream());
        auto* memory = dynamic_cast<juce::MemoryInputStream*> (in);
        ASSERT_NE (memory, nullptr);
        EXPECT_EQ (memory->getData(), again.getData());
        Bytes read (payload.size() + 10);
        EXPECT_EQ ((size_t) in->read (read.data(), (int) read.size()), payload.size());
        read.resize (payload.size());
        EXPECT_EQ (read, payload);
    }
    EXPECT_TRUE (boxes().isEmpty());
}

// Files that are refused: one box each, no payload, and the file is never written, even when
// the output stream is asked for.
TEST_F (CryptedFileTest, RefusedFilesHaveNoPayloadAndAreLeftAlone)
{
    const auto good = encipheredFile (CryptedFile::firmwareKey, pattern (40));
    auto oneByteOff = good;
    oneByteOff[7] ^= 0x01;
    auto lastMagicByteOff = good;
    lastMagicByteOff[23] ^= 0x20;   // a case change of the last key letter
    const auto presetFile = encipheredFile (CryptedFile::presetKey, pattern (87));

    struct Case
    {
        const char* name;
        Bytes contents;
    };
    const Case cases[] = {
        { "magic differs in one byte", oneByteOff },
        { "last magic byte differs", lastMagicByteOff },
        { "a preset file read with the firmware key", presetFile },
        { "key magic without terminator (K bytes)", Bytes (good.begin(), good.begin() + 24) },
        { "shorter than the key magic", Bytes (good.begin(), good.begin() + 10) },
        { "one byte", Bytes (good.begin(), good.begin() + 1) },
        { "empty file", {} },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        prompts.clear();
        const auto file = dir.getChildFile ("refused.kfw");
        write (file, c.contents);
        {
            CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
            EXPECT_FALSE (container.hasPayload());
            EXPECT_EQ (container.getSize(), 0u);
            EXPECT_EQ (container.getData(), nullptr);
            EXPECT_EQ (container.getCryptedInputStream(), nullptr);
            EXPECT_EQ (container.getCryptedOutputStream(), nullptr);
        }
        EXPECT_EQ (boxes(), juce::StringArray (notCrypted));
        EXPECT_EQ (contentsOf (file), c.contents);
    }
}

TEST_F (CryptedFileTest, TerminatorIsNotCheckedAndKeyMagicAloneIsAnEmptyPayload)
{
    for (juce::uint8 terminator : { 0x00, 0x55, 0xFF })
    {
        SCOPED_TRACE ((int) terminator);
        const auto file = dir.getChildFile ("t.kfw");
        write (file, encipheredFile (CryptedFile::firmwareKey, pattern (3), terminator));
        CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
        ASSERT_EQ (container.getSize(), 3u);
        EXPECT_EQ (static_cast<juce::uint8*> (container.getData())[2], pattern (3)[2]);
    }

    const auto file = dir.getChildFile ("empty-payload.kfw");
    write (file, encipheredFile (CryptedFile::firmwareKey, {}, 0x42));
    EXPECT_EQ (file.getSize(), 25);
    CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
    EXPECT_TRUE (container.hasPayload());
    EXPECT_EQ (container.getSize(), 0u);
    EXPECT_NE (container.getData(), nullptr);
    auto* in = container.getCryptedInputStream();
    ASSERT_NE (in, nullptr);
    EXPECT_EQ (in->getTotalLength(), 0);
    EXPECT_TRUE (in->isExhausted());
    char byte = 0;
    EXPECT_EQ (in->read (&byte, 1), 0);
    EXPECT_TRUE (boxes().isEmpty());
}

TEST_F (CryptedFileTest, StoreWritesExactlyWhatTheStreamWrote)
{
    const auto file = dir.getChildFile ("store.preset");
    const auto old = pattern (87, 1);

    struct Case
    {
        const char* name;
        Bytes written;
    };
    const Case cases[] = {
        { "nothing written: key magic and terminator only", {} },
        { "fewer bytes than before: the old tail is gone", pattern (10, 2) },
        { "more bytes than before", pattern (200, 3) },
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        write (file, encipheredFile (CryptedFile::presetKey, old));
        {
            CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
            ASSERT_EQ (container.getSize(), old.size());
            auto* out = container.getCryptedOutputStream();
            ASSERT_NE (out, nullptr);
            if (! c.written.empty())
            {
                EXPECT_TRUE (out->write (c.written.data(), c.written.size()));
            }
        }
        EXPECT_EQ (file.getSize(), (juce::int64) (27 + c.written.size()));
        EXPECT_EQ (contentsOf (file), encipheredFile (CryptedFile::presetKey, c.written));
    }

    // Without the output stream nothing is written, not even the same bytes again.
    write (file, encipheredFile (CryptedFile::presetKey, old, 0x99));
    {
        CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
        EXPECT_NE (container.getCryptedInputStream(), nullptr);
    }
    EXPECT_EQ (contentsOf (file), encipheredFile (CryptedFile::presetKey, old, 0x99));
    EXPECT_TRUE (boxes().isEmpty());
}

TEST_F (CryptedFileTest, MissingFileIsCreatedEmptyAndAnEmptyPathCannotBeOpened)
{
    const auto file = dir.getChildFile ("missing.preset");
    {
        CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
        EXPECT_TRUE (container.hasPayload());
        EXPECT_EQ (container.getSize(), 0u);
    }
    EXPECT_TRUE (file.existsAsFile());
    EXPECT_EQ (file.getSize(), 0);
    EXPECT_TRUE (boxes().isEmpty());

    // A reader that only reads refuses a missing file as one that cannot be opened, and
    // creates nothing.
    const auto gone = dir.getChildFile ("gone.kfw");
    {
        CryptedFile container (gone.getFullPathName(), CryptedFile::firmwareKey, CryptedFile::Missing::refuse);
        EXPECT_FALSE (container.hasPayload());
        EXPECT_EQ (container.getCryptedInputStream(), nullptr);
    }
    EXPECT_FALSE (gone.exists());
    EXPECT_EQ (boxes(), juce::StringArray ("Loading error / Unable to open the data file."));

    // Under a plain file no file can be created.
    write (dir.getChildFile ("plain"), { 1, 2, 3 });
    for (auto path : { juce::String(), juce::String ("relative/name.kfw"), dir.getFullPathName(),
                       dir.getChildFile ("plain/x.kfw").getFullPathName() })
    {
        SCOPED_TRACE (path);
        prompts.clear();
        {
            CryptedFile container (path, CryptedFile::firmwareKey);
            EXPECT_FALSE (container.hasPayload());
            EXPECT_EQ (container.getCryptedOutputStream(), nullptr);
        }
        EXPECT_EQ (boxes(), juce::StringArray ("Loading error / Unable to open the data file."));
    }
}

TEST_F (CryptedFileTest, FileAboveTheSizeLimitIsRefusedBeforeAllocating)
{
    const auto file = dir.getChildFile ("huge.kfw");
    {
        // A sparse file: 16 MiB and one byte, with a good key magic at its start.
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk());
        const auto head = encipheredFile (CryptedFile::firmwareKey, {});
        out.write (head.data(), head.size());
        out.setPosition (CryptedFile::maxFileSize);
        out.writeByte (1);
    }
    ASSERT_EQ (file.getSize(), CryptedFile::maxFileSize + 1);
    {
        CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
        EXPECT_FALSE (container.hasPayload());
    }
    EXPECT_EQ (boxes(), juce::StringArray ("Loading error / Unable to allocate memory for this data file."));

    // Exactly 16 MiB is still read.
    ASSERT_EQ (truncate (file.getFullPathName().toRawUTF8(), CryptedFile::maxFileSize), 0);
    prompts.clear();
    CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
    EXPECT_EQ ((juce::int64) container.getSize(), CryptedFile::maxFileSize - 25);
    EXPECT_TRUE (boxes().isEmpty());
}

// A full disk while storing: the old file stays whole, nothing is left behind, and the user is
// told. The disk is "full" through a file-size limit of 0 with SIGXFSZ ignored, so a write
// fails with EFBIG instead of ending the process.
TEST_F (CryptedFileTest, FailedStoreKeepsTheOldFile)
{
    const auto file = dir.getChildFile ("kept.preset");
    const auto old = encipheredFile (CryptedFile::presetKey, pattern (87, 4));
    write (file, old);

    {
        testsupport::FullDisk full;   // goes after the container: its store is refused
        ASSERT_TRUE (full.active());
        CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
        ASSERT_EQ (container.getSize(), 87u);
        const auto fresh = pattern (87, 5);
        container.getCryptedOutputStream()->write (fresh.data(), fresh.size());
    }   // stored here, and refused

    EXPECT_EQ (boxes(), juce::StringArray ("Storing error / Unable to open the data file."));
    EXPECT_EQ (contentsOf (file), old);
    juce::Array<juce::File> all;
    dir.findChildFiles (all, juce::File::findFilesAndDirectories, false, "*");
    EXPECT_EQ (all.size(), 1) << "a temporary sibling was left behind";
}

// The store takes a name of the whole 255 bytes a file name may have: the container's store
// over an existing file and the write of a new one.
TEST_F (CryptedFileTest, StoresToANameOf255Bytes)
{
    const auto file = dir.getChildFile (testsupport::nameOfBytes (255, ".preset"));
    ASSERT_TRUE (CryptedFile::write (file, CryptedFile::presetKey, pattern (87, 1).data(), 87));
    EXPECT_EQ (contentsOf (file), encipheredFile (CryptedFile::presetKey, pattern (87, 1)));
    {
        CryptedFile container (file.getFullPathName(), CryptedFile::presetKey);
        ASSERT_EQ (container.getSize(), 87u);
        const auto fresh = pattern (87, 2);
        container.getCryptedOutputStream()->write (fresh.data(), fresh.size());
    }
    EXPECT_EQ (contentsOf (file), encipheredFile (CryptedFile::presetKey, pattern (87, 2)));
    EXPECT_EQ (dir.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
    EXPECT_TRUE (boxes().isEmpty());
}

// A named pipe or a device is never opened (a pipe would wait for a writer for ever): it
// cannot be read, and nothing is stored into it.
TEST_F (CryptedFileTest, WhatIsNotARegularFileIsNeverOpened)
{
    testsupport::NamedPipe pipe (dir.getChildFile ("pipe.kfw"));
    ASSERT_TRUE (pipe.made());
    for (auto& file : { pipe.file(), juce::File ("/dev/null") })
    {
        SCOPED_TRACE (file.getFullPathName());
        prompts.clear();
        {
            CryptedFile container (file.getFullPathName(), CryptedFile::firmwareKey);
            EXPECT_FALSE (container.hasPayload());
            EXPECT_EQ (container.getCryptedOutputStream(), nullptr);
        }
        EXPECT_EQ (boxes(), juce::StringArray ("Loading error / Unable to open the data file."));
    }
    EXPECT_FALSE (pipe.readerReleased());
}
