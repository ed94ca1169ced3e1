#pragma once

#include "JuceIncludes.h"
#include <vector>

/** The repeating-key XOR of the enciphered files. File byte i of a pass is XORed with key byte
    (4 + i) mod K: the key index starts at the key stream start (4 mod K), advances by one per
    byte and wraps to 0. XOR is its own inverse, so enciphering and deciphering are the same
    operation; the index is kept from one call to the next. */
class LPC23XXCrypter
{
public:
    /** Where every pass over a file starts in the key. */
    static constexpr int keyStreamStart = 4;

    /** Copies the key (length bytes). A missing or empty key becomes one zero byte, which
        leaves every byte as it is. */
    LPC23XXCrypter (const unsigned char* key, int length);

    void cypherData (unsigned char* data, int count);
    void uncypherData (unsigned char* data, int count);

    /** Replaces the key and puts the index back to the key stream start. */
    void setKey (const unsigned char* key, int length);
    /** index = 4 mod K. */
    void resetKeyIndex();
    /** index = (index + count) mod K; count is a number of bytes, not negative. */
    void skipKeyIndex (int count);

    int getKeyIndex() const { return mKeyIndex; }
    int getKeyLength() const { return mKeyLength; }

private:
    std::vector<unsigned char> mKey;   // the key bytes and a terminating zero
    int mKeyLength = 1;                // K, never 0
    int mKeyIndex = 0;                 // 0 to K - 1
};
