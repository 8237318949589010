#pragma once
// Hand-made RIFF AVI bytes, for headers the ffmpeg program would never write (OpenDML counts,
// damaged sizes, unknown codecs).
#include <QByteArray>
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

} // namespace zelvan::test
