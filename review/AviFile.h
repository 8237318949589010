#pragma once
// The AVI checks the frame selection screen makes before it opens a video: is it a RIFF AVI
// file, and what do its headers say (frame rate, length, picture size). The headers are read
// straight from the RIFF structure, so nothing here depends on a decoder.
#include "base/Result.h"
#include "review/Informed.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace zelvan::review
{

// The 108-byte AVI file information record, field for field.
struct AviFileInfo {
    quint32 maxBytesPerSec = 0;
    quint32 flags = 0;
    quint32 caps = 0;
    quint32 streams = 0;
    quint32 suggestedBufferSize = 0;
    quint32 width = 0;
    quint32 height = 0;
    quint32 scale = 0;
    quint32 rate = 0;
    quint32 length = 0; // in frames
    quint32 editCount = 0;
    char fileType[64] = {};
};
static_assert(sizeof(AviFileInfo) == 108, "the AVI file information record is 108 bytes");

// Capability bit set in AviFileInfo::caps: the file can be read.
constexpr quint32 kAviCapsCanRead = 0x1;

// What the RIFF headers of an AVI file say, beyond the information record.
struct AviHeaders {
    AviFileInfo info;
    bool hasVideo = false;
    QByteArray handler;     // fourcc of the first video stream's handler (strh)
    QByteArray compression; // fourcc of its picture format (strf); empty for uncompressed
    quint16 bitCount = 0;   // bits per pixel of its picture format
    quint32 streamStart = 0;
    quint32 streamLength = 0;    // strh length of the first video stream
    bool hasTotalFrames = false; // an OpenDML dmlh chunk was found
    quint32 totalFrames = 0;
    qint32 frameWidth = 0; // frame rectangle of the first video stream
    qint32 frameHeight = 0;
};

// Reads the RIFF headers from `device` (positioned anywhere; it is read from byte 0). Bounds
// are checked everywhere: damaged or hostile files give a failure, never a read past the end.
Result<AviHeaders> readAviHeaders(QIODevice& device);

// True when bytes 0..3 are "RIFF" and 8..11 "AVI ". Tells the operator only when the file is
// missing or cannot be opened.
Informed<bool> isAviFile(const QString& path);

// The file's information record; empty, and the operator told why, when it cannot be read.
Informed<std::optional<AviFileInfo>> readAviFileInfo(const QString& path);

// rate / scale rounded to the nearest whole number (halves to even); 0 when the header cannot
// be read (the operator told why) or the scale is 0. Each call reads the file afresh.
Informed<int> aviFrameRate(const QString& path);

// The length in frames; 0 when the header cannot be read (the operator told why).
Informed<qint64> aviFrameCount(const QString& path);

// Rounds rate / scale as aviFrameRate does; 0 for a scale of 0.
int wholeFrameRate(quint32 rate, quint32 scale);

} // namespace zelvan::review
