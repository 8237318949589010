#include "review/AviFile.h"

#include "base/WholeFile.h"

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

bool startsAsAvi(QIODevice& device)
{
    char riff[12];
    return readAt(device, 0, riff, 12) && isTag(riff, "RIFF") && isTag(riff + 8, "AVI ");
}

// What the header list says once it is read whole; the information record is completed from
// the stream and OpenDML headers.
std::optional<AviHeaders> parseHeaders(const QByteArray& list)
{
    AviHeaders out;
    bool hasMainHeader = false;
    parseHeaderList(list.constData(), list.size(), out, hasMainHeader);
    if (!hasMainHeader)
        return std::nullopt;
    if (out.hasVideo)
        out.info.length = out.streamLength;
    // An OpenDML file counts all its frames here; the other headers only the first RIFF part.
    if (out.hasTotalFrames && out.totalFrames > out.info.length)
        out.info.length = out.totalFrames;
    if (out.info.width == 0 || out.info.height == 0) {
        out.info.width = quint32(qMax(0, out.frameWidth));
        out.info.height = quint32(qMax(0, out.frameHeight));
    }
    out.info.caps = kAviCapsCanRead;
    std::strncpy(out.info.fileType, "AVI file", sizeof out.info.fileType - 1);
    return out;
}

// The headers of a file already known to start as RIFF AVI: the header list is searched
// among the chunks before the pictures.
Result<AviHeaders> headersAfterRiff(QIODevice& device)
{
    const auto noHeader = [] { return fail(QStringLiteral("no AVI header before the pictures")); };
    const qint64 size = device.size();
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
            if (std::optional<AviHeaders> headers = parseHeaders(list))
                return std::move(*headers);
            break;
        }
        if (isTag(head, "LIST") && isTag(head + 8, "movi"))
            break; // the pictures begin and no header came before them
        pos += 8 + chunkSize + (chunkSize & 1);
    }
    return noHeader();
}

} // namespace

Result<AviHeaders> readAviHeaders(QIODevice& device)
{
    if (!startsAsAvi(device))
        return fail(QStringLiteral("not a RIFF AVI file"));
    return headersAfterRiff(device);
}

Informed<bool> isAviFile(const QString& path)
{
    QFile file(path);
    Informed<bool> out;
    out.messages = detail::openForReading(file);
    if (out.messages.isEmpty()) {
        char head[12];
        out.value = file.read(head, 12) == 12 && isTag(head, "RIFF") && isTag(head + 8, "AVI ");
    }
    return out;
}

Informed<std::optional<AviFileInfo>> readAviFileInfo(const QString& path)
{
    Informed<std::optional<AviFileInfo>> out;
    QFile file(path);
    // Only a regular file is opened: a FIFO would block the screen for ever.
    if (!openInputFile(file) || !startsAsAvi(file)) {
        out.messages << OperatorMessage{QStringLiteral("Unable to open file:") + kLineBreak +
                                            shownPath(path),
                                        Icon::Error, QString()};
        return out;
    }
    const Result<AviHeaders> headers = headersAfterRiff(file);
    if (!headers) {
        out.messages << OperatorMessage{QStringLiteral("Unable to read AVI file info from:") +
                                            kLineBreak + shownPath(path),
                                        Icon::Error, QString()};
        return out;
    }
    out.value = headers->info;
    return out;
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

Informed<int> aviFrameRate(const QString& path)
{
    const Informed<std::optional<AviFileInfo>> info = readAviFileInfo(path);
    if (!info.value)
        return {0, info.messages};
    return {wholeFrameRate(info.value->rate, info.value->scale), info.messages};
}

Informed<qint64> aviFrameCount(const QString& path)
{
    const Informed<std::optional<AviFileInfo>> info = readAviFileInfo(path);
    if (!info.value)
        return {0, info.messages};
    return {qint64(info.value->length), info.messages};
}

} // namespace zelvan::review
