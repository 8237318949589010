#include "review/AviFile.h"

#include "base/Dialogs.h"
#include "review/OpenForReading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace zelvan::review
{

namespace
{

const QString kLineBreak = QStringLiteral("\r\n");

// The header list of a sane AVI file is a few kilobytes (a little more with an OpenDML super
// index); anything beyond this is not a header we want to hold in memory.
constexpr qint64 kMaxHeaderListBytes = 16 * 1024 * 1024;
// Chunks skipped before the header list (JUNK and the like) are few.
constexpr int kMaxChunksBeforeHeader = 64;

constexpr int kMainHeaderBytes = 56;
constexpr int kStreamHeaderMinBytes = 48; // without the frame rectangle
constexpr int kStreamHeaderBytes = 56;
constexpr int kBitmapInfoHeaderBytes = 40;

quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(p));
}
qint16 le16s(const char* p)
{
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar*>(p));
}
quint16 le16(const char* p)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(p));
}
bool isTag(const char* p, const char* tag)
{
    return std::memcmp(p, tag, 4) == 0;
}

QByteArray fourcc(const char* p)
{
    QByteArray out(p, 4);
    // Trailing blanks and NULs are padding, not part of the code.
    while (!out.isEmpty() && (out.endsWith(' ') || out.endsWith('\0')))
        out.chop(1);
    return out;
}

// Calls `visit(id, data, available)` for each chunk inside [begin, begin + length). A chunk
// that claims more than is left is handed over with what is there; `available` is exact.
template <typename Visit> void forEachChunk(const char* begin, qint64 length, Visit visit)
{
    qint64 off = 0;
    while (off + 8 <= length) {
        const char* id = begin + off;
        const qint64 size = le32(begin + off + 4);
        const qint64 dataOff = off + 8;
        const qint64 available = qMin(size, length - dataOff);
        visit(id, begin + dataOff, available);
        off = dataOff + size + (size & 1);
    }
}

struct StreamList {
    bool isVideo = false;
    bool hasHeader = false;
    const char* strh = nullptr;
    qint64 strhBytes = 0;
    const char* strf = nullptr;
    qint64 strfBytes = 0;
};

StreamList readStreamList(const char* data, qint64 length)
{
    StreamList s;
    forEachChunk(data, length, [&](const char* id, const char* p, qint64 n) {
        if (isTag(id, "strh") && !s.hasHeader && n >= kStreamHeaderMinBytes) {
            s.hasHeader = true;
            s.strh = p;
            s.strhBytes = n;
            s.isVideo = isTag(p, "vids");
        } else if (isTag(id, "strf") && !s.strf) {
            s.strf = p;
            s.strfBytes = n;
        }
    });
    return s;
}

void parseHeaderList(const char* data, qint64 length, AviHeaders& out, bool& hasMainHeader)
{
    forEachChunk(data, length, [&](const char* id, const char* p, qint64 n) {
        if (isTag(id, "avih") && n >= kMainHeaderBytes && !hasMainHeader) {
            hasMainHeader = true;
            out.info.maxBytesPerSec = le32(p + 4);
            out.info.flags = le32(p + 12);
            out.info.streams = le32(p + 24);
            out.info.suggestedBufferSize = le32(p + 28);
            out.info.width = le32(p + 32);
            out.info.height = le32(p + 36);
            // Until a video stream says otherwise, the main header's count is the length.
            out.info.length = le32(p + 16);
            return;
        }
        if (!isTag(id, "LIST") || n < 4)
            return;
        if (isTag(p, "strl")) {
            if (out.hasVideo)
                return;
            const StreamList s = readStreamList(p + 4, n - 4);
            if (!s.hasHeader || !s.isVideo)
                return;
            out.hasVideo = true;
            out.handler = fourcc(s.strh + 4);
            out.info.scale = le32(s.strh + 20);
            out.info.rate = le32(s.strh + 24);
            out.streamStart = le32(s.strh + 28);
            out.streamLength = le32(s.strh + 32);
            if (s.strhBytes >= kStreamHeaderBytes) {
                out.frameWidth = le16s(s.strh + 52) - le16s(s.strh + 48);
                out.frameHeight = le16s(s.strh + 54) - le16s(s.strh + 50);
            }
            if (s.strf && s.strfBytes >= kBitmapInfoHeaderBytes) {
                out.bitCount = le16(s.strf + 14);
                if (le32(s.strf + 16) != 0)
                    out.compression = fourcc(s.strf + 16);
                // Some writers leave the frame rectangle empty; the picture format knows.
                if (out.frameWidth <= 0 || out.frameHeight <= 0) {
                    out.frameWidth = qint32(le32(s.strf + 4));
                    out.frameHeight = qAbs(qint32(le32(s.strf + 8)));
                }
            }
        } else if (isTag(p, "odml")) {
            forEachChunk(p + 4, n - 4, [&](const char* sid, const char* sp, qint64 sn) {
                if (isTag(sid, "dmlh") && sn >= 4) {
                    out.hasTotalFrames = true;
                    out.totalFrames = le32(sp);
                }
            });
        }
    });
}

bool readAt(QIODevice& device, qint64 pos, char* buffer, qint64 n)
{
    return device.seek(pos) && device.read(buffer, n) == n;
}

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

std::optional<AviHeaders> readHeadersOfFile(const QString& path, AviReadError* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = AviReadError::NotAvi;
        return std::nullopt;
    }
    return readAviHeaders(file, error);
}

} // namespace

std::optional<AviHeaders> readAviHeaders(QIODevice& device, AviReadError* error)
{
    auto fail = [&](AviReadError e) -> std::optional<AviHeaders> {
        if (error)
            *error = e;
        return std::nullopt;
    };
    const qint64 size = device.size();
    char riff[12];
    if (!readAt(device, 0, riff, 12) || !isTag(riff, "RIFF") || !isTag(riff + 8, "AVI "))
        return fail(AviReadError::NotAvi);

    qint64 pos = 12;
    for (int i = 0; i < kMaxChunksBeforeHeader && pos + 12 <= size; ++i) {
        char head[12];
        if (!readAt(device, pos, head, 12))
            break;
        const qint64 chunkSize = le32(head + 4);
        if (isTag(head, "LIST") && isTag(head + 8, "hdrl")) {
            const qint64 listBytes = qMin(chunkSize - 4, size - pos - 12);
            if (listBytes <= 0 || listBytes > kMaxHeaderListBytes)
                break;
            QByteArray list(listBytes, '\0');
            if (!readAt(device, pos + 12, list.data(), listBytes))
                break;
            AviHeaders out;
            bool hasMainHeader = false;
            parseHeaderList(list.constData(), listBytes, out, hasMainHeader);
            if (!hasMainHeader)
                break;
            if (out.hasVideo)
                out.info.length = out.streamLength;
            // An OpenDML file counts all its frames here; the other headers only the first
            // RIFF part.
            if (out.hasTotalFrames && out.totalFrames > out.info.length)
                out.info.length = out.totalFrames;
            if (out.info.width == 0 || out.info.height == 0) {
                out.info.width = quint32(qMax(0, out.frameWidth));
                out.info.height = quint32(qMax(0, out.frameHeight));
            }
            out.info.caps = kAviCapsCanRead;
            std::strncpy(out.info.fileType, "AVI file", sizeof out.info.fileType - 1);
            if (error)
                *error = AviReadError::None;
            return out;
        }
        if (isTag(head, "LIST") && isTag(head + 8, "movi"))
            break; // the pictures begin and no header came before them
        pos += 8 + chunkSize + (chunkSize & 1);
    }
    return fail(AviReadError::NoHeader);
}

bool isAviFile(const QString& path, Dialogs& dialogs)
{
    QFile file(path);
    if (!detail::openForReading(file, dialogs))
        return false;
    char head[12];
    return file.read(head, 12) == 12 && isTag(head, "RIFF") && isTag(head + 8, "AVI ");
}

bool readAviFileInfo(const QString& path, AviFileInfo& info, Dialogs& dialogs)
{
    AviReadError error = AviReadError::None;
    const std::optional<AviHeaders> headers = readHeadersOfFile(path, &error);
    if (!headers) {
        if (error == AviReadError::NotAvi)
            dialogs.message(QStringLiteral("Unable to open file:") + kLineBreak + shownPath(path),
                            Icon::Error);
        else
            dialogs.message(QStringLiteral("Unable to read AVI file info from:") + kLineBreak +
                                shownPath(path),
                            Icon::Error);
        return false;
    }
    info = headers->info;
    return true;
}

int wholeFrameRate(quint32 rate, quint32 scale)
{
    if (scale == 0)
        return 0;
    const quint64 q = rate / scale;
    const quint64 r = rate % scale;
    const quint64 twice = 2 * r;
    quint64 whole = q;
    if (twice > scale || (twice == scale && (q & 1)))
        ++whole;
    return int(whole);
}

int aviFrameRate(const QString& path, Dialogs& dialogs)
{
    AviFileInfo info;
    if (!readAviFileInfo(path, info, dialogs))
        return 0;
    return wholeFrameRate(info.rate, info.scale);
}

qint64 aviFrameCount(const QString& path, Dialogs& dialogs)
{
    AviFileInfo info;
    if (!readAviFileInfo(path, info, dialogs))
        return 0;
    return info.length;
}

} // namespace zelvan::review
