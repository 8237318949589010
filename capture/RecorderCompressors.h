#pragma once
// The compressors a recording can use live: an encoder that cannot compress the device's
// pictures as fast as they come would drop frames, so the list offers only the ones measured
// to keep up at the device's size and rate on this machine.
#include <QSize>
#include <QString>
#include <QStringList>

namespace zelvan::capture
{

// Pictures per second `codec` compresses at `size` here (a few pictures of the test card,
// written to a scratch file); 0 when it cannot record that size. Measured once per codec and
// size, then remembered. Thread-safe.
double encodeRate(const QString& codec, QSize size);

// The candidates, in the order the list offers them (MJPEG first, the station's default).
QStringList compressorCandidates();

// The candidates whose rate at `size` is at least a third above `fps`: recording also
// decodes, previews and writes.
QStringList liveCompressors(QSize size, double fps);

} // namespace zelvan::capture
