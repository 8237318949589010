#pragma once
// Hand-made RIFF AVI bytes, for headers the ffmpeg program would never write (OpenDML counts,
// damaged sizes, unknown codecs).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QtEndian>

namespace zelvan::test
{

inline QByteArray le32(quint32 v)
{
    uchar b[4];
    qToLittleEndian(v, b);
    return QByteArray(reinterpret_cast<const char*>(b), 4);
}

inline QByteArray le16(quint16 v)
{
    uchar b[2];
    qToLittleEndian(v, b);
    return QByteArray(reinterpret_cast<const char*>(b), 2);
}

inline QByteArray chunk(const char* id, const QByteArray& data)
{
    QByteArray out = QByteArray(id, 4) + le32(quint32(data.size())) + data;
    if (data.size() & 1)
        out += '\0';
    return out;
}

inline QByteArray list(const char* type, const QByteArray& body)
{
    return chunk("LIST", QByteArray(type, 4) + body);
}

struct AviSpec {
    quint32 width = 64;
    quint32 height = 48;
    quint32 scale = 1;
    quint32 rate = 25;
    quint32 length = 3;      // strh length
    quint32 totalFrames = 3; // avih total frames
    int dmlhFrames = -1;     // -1: no OpenDML header
    QByteArray fourcc = "MJPG";
    quint32 maxBytesPerSec = 123456;
    quint32 streams = 1;
};

inline QByteArray mainHeader(const AviSpec& s)
{
    QByteArray h;
    h += le32(s.scale * 1000000 / qMax<quint32>(1, s.rate)); // microseconds per frame
    h += le32(s.maxBytesPerSec);
    h += le32(0);     // padding granularity
    h += le32(0x910); // flags: has index, interleaved, trust chunk type
    h += le32(s.totalFrames);
    h += le32(0);
    h += le32(s.streams);
    h += le32(65536);
    h += le32(s.width);
    h += le32(s.height);
    h += QByteArray(16, '\0');
    return h;
}

inline QByteArray streamHeader(const AviSpec& s, const char* type = "vids")
{
    QByteArray h = QByteArray(type, 4) + s.fourcc.leftJustified(4, '\0', true);
    h += le32(0);           // flags
    h += le16(0) + le16(0); // priority, language
    h += le32(0);           // initial frames
    h += le32(s.scale) + le32(s.rate);
    h += le32(0) + le32(s.length); // start, length
    h += le32(65536) + le32(quint32(-1)) + le32(0);
    h += le16(0) + le16(0) + le16(quint16(s.width)) + le16(quint16(s.height));
    return h;
}

inline QByteArray bitmapFormat(const AviSpec& s)
{
    QByteArray f = le32(40) + le32(s.width) + le32(s.height) + le16(1) + le16(24);
    f += s.fourcc.leftJustified(4, '\0', true);
    f += le32(s.width * s.height * 3) + QByteArray(16, '\0');
    return f;
}

// A whole file: headers, then a movi list holding `frames` chunks of `frameBytes`.
inline QByteArray buildAvi(const AviSpec& s, const QByteArray& frameBytes = QByteArray("xx"),
                           int frames = 0)
{
    QByteArray hdrl = chunk("avih", mainHeader(s));
    hdrl += list("strl", chunk("strh", streamHeader(s)) + chunk("strf", bitmapFormat(s)));
    if (s.dmlhFrames >= 0)
        hdrl += list("odml", chunk("dmlh", le32(quint32(s.dmlhFrames)) + QByteArray(244, '\0')));
    QByteArray movi;
    for (int i = 0; i < frames; ++i)
        movi += chunk("00dc", frameBytes);
    const QByteArray body = QByteArray("AVI ") + list("hdrl", hdrl) + list("movi", movi);
    return QByteArray("RIFF") + le32(quint32(body.size())) + body;
}

// An 8-bit palettised AVI as the ffmpeg program writes one (rawvideo, pix_fmt pal8): the
// colour table follows the picture format in strf, rows are top-down (negative height), each
// frame is a "00db" chunk of width x height palette indices, and an idx1 index marks every
// frame as a key frame. `width` must be a multiple of 4 (no row padding).
inline QByteArray buildPalettedAvi(quint32 width, quint32 height, const QList<QRgb>& palette,
                                   const QList<QByteArray>& frames, quint32 rate = 5)
{
    AviSpec s;
    s.width = width;
    s.height = height;
    s.rate = rate;
    s.length = quint32(frames.size());
    s.totalFrames = s.length;
    s.fourcc = QByteArray(4, '\0');
    QByteArray format = le32(40) + le32(width) + le32(quint32(-qint32(height))) + le16(1) + le16(8);
    format += le32(0) + le32(width * height) + le32(0) + le32(0);
    format += le32(quint32(palette.size())) + le32(0);
    for (const QRgb c : palette)
        format += QByteArray(1, char(qBlue(c))) + char(qGreen(c)) + char(qRed(c)) + '\0';
    QByteArray hdrl = chunk("avih", mainHeader(s));
    hdrl += list("strl", chunk("strh", streamHeader(s)) + chunk("strf", format));
    QByteArray movi;
    QByteArray index;
    for (const QByteArray& picture : frames) {
        // idx1 offsets count from the "movi" list type.
        index += QByteArray("00db") + le32(0x10) + le32(quint32(4 + movi.size())) +
                 le32(quint32(picture.size()));
        movi += chunk("00db", picture);
    }
    const QByteArray body =
        QByteArray("AVI ") + list("hdrl", hdrl) + list("movi", movi) + chunk("idx1", index);
    return QByteArray("RIFF") + le32(quint32(body.size())) + body;
}

// A 64 x 48 palettised video of 5 frames and the pictures it holds: every colour of the
// table differs in all three channels, and each frame uses the table in its own pattern, so
// a lost table, a stale frame or a flipped row all show.
struct PalettedVideo {
    QByteArray file;
    QList<QImage> pictures; // frame n as it must be shown, RGB32
};

inline PalettedVideo palettedTestVideo()
{
    constexpr int w = 64;
    constexpr int h = 48;
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette << qRgb(i, 255 - i, (i * 37 + 11) & 255);
    PalettedVideo out;
    QList<QByteArray> frames;
    for (int f = 0; f < 5; ++f) {
        QByteArray indices(w * h, '\0');
        QImage picture(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = (x * 3 + y * 5 + f * 17) & 255;
                indices[y * w + x] = char(i);
                picture.setPixel(x, y, palette[i]);
            }
        frames << indices;
        out.pictures << picture;
    }
    out.file = buildPalettedAvi(w, h, palette, frames);
    return out;
}

} // namespace zelvan::test
