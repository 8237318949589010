#include "capture/PartialAvi.h"

#include "review/AviFile.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace zelvan::capture
{

namespace
{

// Where the header fields sit that a finished file would hold.
struct HeaderPlaces {
    qint64 totalFrames = -1; // avih dwTotalFrames
    qint64 videoLength = -1; // strh dwLength of the first video stream
    qint64 movi = -1;        // the "LIST" of the movi list
};

bool tagIs(const char* p, const char* tag)
{
    return std::memcmp(p, tag, 4) == 0;
}

quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(p));
}

// FFmpeg writes the header lists, padding and the start of the movi list within the first
// kilobytes; the places are looked for there.
HeaderPlaces findPlaces(const QByteArray& head)
{
    HeaderPlaces at;
    const char* p = head.constData();
    for (qsizetype i = 12; i + 12 <= head.size(); ++i) {
        if (at.totalFrames < 0 && tagIs(p + i, "avih") && i + 8 + 20 <= head.size())
            at.totalFrames = i + 8 + 16;
        if (at.videoLength < 0 && tagIs(p + i, "strh") && i + 8 + 36 <= head.size() &&
            tagIs(p + i + 8, "vids"))
            at.videoLength = i + 8 + 32;
        if (tagIs(p + i, "LIST") && tagIs(p + i + 8, "movi")) {
            at.movi = i;
            break;
        }
    }
    return at;
}

struct MoviCount {
    int pictures = 0;
    qint64 end = 0; // just past the last complete chunk
};

// Walks the chunks of the movi list to the first one that is cut short.
MoviCount countPictures(QFile& file, qint64 movi)
{
    MoviCount count;
    const qint64 size = file.size();
    qint64 pos = movi + 12;
    count.end = pos;
    char header[8];
    while (pos + 8 <= size && file.seek(pos) && file.read(header, 8) == 8) {
        // Past the first gigabyte FFmpeg goes on in an "AVIX" list of its own; the count stays
        // with the first one, whose header this is.
        if (tagIs(header, "RIFF"))
            break;
        const qint64 chunkEnd = pos + 8 + le32(header + 4) + (le32(header + 4) & 1);
        if (chunkEnd > size)
            break;
        if (tagIs(header, "00dc") || tagIs(header, "00db"))
            ++count.pictures;
        pos = chunkEnd;
        count.end = pos;
    }
    return count;
}

bool putLe32(QFile& file, qint64 at, quint32 value)
{
    uchar bytes[4];
    qToLittleEndian(value, bytes);
    return file.seek(at) && file.write(reinterpret_cast<const char*>(bytes), 4) == 4;
}

} // namespace

Result<int> finishPartialAvi(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(file.errorString());
    const HeaderPlaces at = findPlaces(file.read(64 * 1024));
    if (at.totalFrames < 0 || at.videoLength < 0 || at.movi < 0)
        return fail(QStringLiteral("its header is incomplete"));
    const MoviCount count = countPictures(file, at.movi);
    if (count.pictures == 0)
        return fail(QStringLiteral("no picture reached the disk"));
    const bool patched = putLe32(file, at.totalFrames, quint32(count.pictures)) &&
                         putLe32(file, at.videoLength, quint32(count.pictures)) &&
                         putLe32(file, 4, quint32(count.end - 8)) &&
                         putLe32(file, at.movi + 4, quint32(count.end - at.movi - 8)) &&
                         file.flush();
    if (!patched)
        return fail(file.errorString());
    if (!file.seek(0))
        return fail(file.errorString());
    const Result<review::AviHeaders> back = review::readAviHeaders(file);
    if (!back || back->info.length != quint32(count.pictures))
        return fail(QStringLiteral("its header does not read back"));
    return count.pictures;
}

} // namespace zelvan::capture
