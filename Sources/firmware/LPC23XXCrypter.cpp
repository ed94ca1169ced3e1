#include "firmware/LPC23XXCrypter.h"

LPC23XXCrypter::LPC23XXCrypter (const unsigned char* key, int length)
{
    setKey (key, length);
}

void LPC23XXCrypter::setKey (const unsigned char* key, int length)
{
    if (key == nullptr || length <= 0)
    {
        mKey.assign (2, 0);
        mKeyLength = 1;
    }
    else
    {
        mKey.assign (key, key + length);
        mKey.push_back (0);
        mKeyLength = length;
    }
    resetKeyIndex();
}

void LPC23XXCrypter::resetKeyIndex()
{
    mKeyIndex = keyStreamStart % mKeyLength;
}

void LPC23XXCrypter::skipKeyIndex (int count)
{
    if (count > 0)
        mKeyIndex = (int) (((juce::int64) mKeyIndex + count) % mKeyLength);
}

void LPC23XXCrypter::cypherData (unsigned char* data, int count)
{
    if (data == nullptr)
        return;
    for (int i = 0; i < count; ++i)
    {
        data[i] = (unsigned char) (data[i] ^ mKey[(size_t) mKeyIndex]);
        if (++mKeyIndex == mKeyLength)
            mKeyIndex = 0;
    }
}

void LPC23XXCrypter::uncypherData (unsigned char* data, int count)
{
    cypherData (data, count);
}
