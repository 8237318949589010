#pragma once
// Whether the save-video folder's drive can hold one more pass, asked before a recording
// starts: a disk that fills during the pass loses the jump, one seen before it loses nothing.
// What one pass needs is estimated from the compressor at the picture size and rate, or taken
// from the bytes per second of the last pass recorded in the same format.
#include "base/OperatorMessage.h"

#include <QSize>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace zelvan::capture
{

// The picture size a resolution's name gives ("1920x1080"); invalid for any other name.
QSize resolutionSize(const QString& name);

// What a pass is recorded as.
struct PassFormat {
    QSize size;                     // invalid: the device names no size
    double fps = 0;                 // frames per second
    QString compressor;             // "MJPEG", "Uncompressed" or an encoder name
    qint64 audioBytesPerSecond = 0; // PCM sound; 0 without sound
    bool operator==(const PassFormat& o) const
    {
        return size == o.size && qFuzzyCompare(fps + 1, o.fps + 1) &&
               compressor.compare(o.compressor, Qt::CaseInsensitive) == 0 &&
               audioBytesPerSecond == o.audioBytesPerSecond;
    }
    bool operator!=(const PassFormat& o) const { return !(*this == o); }
};

// A pass recorded in this run: its format and what it wrote per second.
struct RecordedPass {
    PassFormat format;
    double bytesPerSecond = 0;
};

// The bytes per second of a finished pass of `frames` frames at `fps`; std::nullopt when the
// pass says nothing (no file, no frame, no rate).
std::optional<double> passBytesPerSecond(qint64 fileBytes, int frames, double fps);

// Rough bytes of one recorded frame at the size: uncompressed pictures are 24-bit rows padded
// to four bytes; MJPEG at the station's fixed high quality stays below half a byte a pixel on
// a busy lake; other compressors, which predict from earlier frames, below a quarter.
// Each frame adds its AVI chunk header and index entry.
qint64 frameBytesEstimate(QSize size, const QString& compressor);

struct PassNeed {
    qint64 bytes = 0;
    bool fromLastPass = false; // measured on the last pass rather than estimated
};
// What one pass of `seconds` needs: the last pass's bytes per second when it was recorded in
// this format, else the compressor's estimate. A pass runs up to a second past its time (the
// countdown stops it on its tick), and the file has a header and an index. std::nullopt when
// neither tells (no size and no pass in this format).
std::optional<PassNeed> passNeed(const PassFormat& format, double seconds,
                                 const std::optional<RecordedPass>& last);

// The refusal of a Start whose pass would not fit, naming the folder, its free space and what
// one pass needs (both in whole decimal megabytes, as the frame selection screen shows free
// space); std::nullopt when it fits or the free space cannot be told (below 0).
std::optional<OperatorMessage> passSpaceRefusal(const QString& videoDirectory, qint64 freeBytes,
                                                const PassFormat& format, double seconds,
                                                const PassNeed& need);
inline const char* const kDiskSpaceTitle = "Disk Space Warning";

// Whether a pass recorded to `videoPath` left a file: the video itself or what the recorder
// kept of it when it failed ("<name>.part", "<name>.<n>.part").
bool passLeftFile(const QString& videoPath);

} // namespace zelvan::capture
