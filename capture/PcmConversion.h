#pragma once
// Inside the capture library: 16 bit sound into the sample format a recording asked for.
#include <QByteArray>
#include <cstdint>

namespace zelvan::capture
{

// `count` signed 16 bit samples as 16 bit little endian (bits 16) or unsigned 8 bit PCM.
QByteArray pcmInFormat(const int16_t* samples, int count, int bits);

} // namespace zelvan::capture
