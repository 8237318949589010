#pragma once
// Reads an AVI back with libavformat/libavcodec, independently of the writer under test, so
// the tests check what any FFmpeg-based player would see.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace zelvan::test
{

struct AviProbe {
    bool ok = false; // opened as AVI and every packet decoded
    QString error;
    QString codec; // FFmpeg codec name of the video stream
    int width = 0;
    int height = 0;
    double frameRate = 0;
    int headerFrames = 0;  // frame count the AVI header claims
    int decodedFrames = 0; // frames actually decoded
    bool hasAudio = false;
    int audioSampleRate = 0;
    int audioChannels = 0;
    int audioBits = 0;
    qint64 audioSamples = 0; // sample frames of the audio stream
    QImage firstFrame;
    QImage lastFrame;
};

AviProbe probeAvi(const QString& path);

// The bytes of every video packet of a file (any container), in file order; empty when it
// cannot be read.
QList<QByteArray> videoPackets(const QString& path);

// What the ffprobe program, another independent reader, counts in the file: its container, the
// frames it reads and the stream's rate ("30/1"). std::nullopt when ffprobe is not installed;
// `ok` false when it cannot read the file.
struct FfprobeCount {
    bool ok = false;
    QString format;
    int frames = 0;
    QString frameRate;
};
std::optional<FfprobeCount> ffprobeCount(const QString& path);

} // namespace zelvan::test
