#include "capture/PcmConversion.h"

namespace zelvan::capture
{

QByteArray pcmInFormat(const int16_t* samples, int count, int bits)
{
    if (bits == 16)
        return QByteArray(reinterpret_cast<const char*>(samples), count * 2);
    QByteArray out(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        out[i] = char(uint8_t((samples[i] >> 8) + 128));
    return out;
}

} // namespace zelvan::capture
