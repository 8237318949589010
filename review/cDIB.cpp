#include "review/cDIB.h"

#include "review/OpenForReading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace zelvan::review
{

namespace
{

const QString kLineBreak = QStringLiteral("\r\n");

// Pictures beyond this are not station pictures; refusing them keeps a corrupt size field
// from making us read gigabytes.
constexpr qint64 kMaxBmpFileBytes = qint64(512) * 1024 * 1024;

template <typename T> T le(const uchar* p)
{
    return qFromLittleEndian<T>(p);
}

void putLe16(QByteArray& out, quint16 v)
{
    uchar b[2];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char*>(b), 2);
}

void putLe32(QByteArray& out, quint32 v)
{
    uchar b[4];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char*>(b), 4);
}

} // namespace

void cDIB::readInfoHeader(const uchar* p)
{
    sizeInfoHeader = le<quint32>(p);
    width = le<qint32>(p + 4);
    height = le<qint32>(p + 8);
    planes = le<quint16>(p + 12);
    bitCount = le<quint16>(p + 14);
    compression = le<quint32>(p + 16);
    sizeImage = le<quint32>(p + 20);
    xppm = le<qint32>(p + 24);
    yppm = le<qint32>(p + 28);
    clrUsed = le<quint32>(p + 32);
    clrImportant = le<quint32>(p + 36);
}

Status cDIB::CreateFromPackedDIBPointer(const void* packed, qint64 available)
{
    if (!packed || available < kInfoHeaderSize)
        return fail(QStringLiteral("no bitmap information header"));
    const auto* p = static_cast<const uchar*>(packed);
    cDIB next;
    next.readInfoHeader(p);
    if (next.bitCount < 16 || next.sizeImage < 1)
        return fail(QStringLiteral("not a picture of 16 bits a pixel or more"));
    // The file size field is 32 bits and the bits must really be there.
    if (qint64(next.sizeImage) > std::numeric_limits<qint32>::max() - 54 ||
        available - kInfoHeaderSize < qint64(next.sizeImage))
        return fail(QStringLiteral("the picture's bits are missing or too large"));
    next.bits = QByteArray(reinterpret_cast<const char*>(p + kInfoHeaderSize),
                           static_cast<qsizetype>(next.sizeImage));
    next.bitmapInfo = QByteArray(reinterpret_cast<const char*>(p), kInfoHeaderSize);
    next.fileType = kBitmapType;
    next.fileSize = next.sizeImage + 54;
    next.bitOffset = 54;
    *this = std::move(next);
    return {};
}

QByteArray cDIB::fileBytes() const
{
    QByteArray out;
    out.reserve(kFileHeaderSize + bitmapInfo.size() + bits.size());
    putLe16(out, fileType);
    putLe32(out, fileSize);
    putLe16(out, 0);
    putLe16(out, 0);
    putLe32(out, bitOffset);
    out += bitmapInfo;
    out += bits;
    return out;
}

Status cDIB::WriteToFile(const QString& path) const
{
    if (bitmapInfo.isEmpty())
        return fail(QStringLiteral("no picture to write"));
    // QSaveFile writes beside the target and renames: a longer earlier file is replaced as a
    // whole and a failed write never leaves half a picture behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray bytes = fileBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return {};
}

Status cDIB::CreateFromBytes(const QByteArray& file)
{
    const auto* p = reinterpret_cast<const uchar*>(file.constData());
    const qint64 size = file.size();
    if (size < kFileHeaderSize || le<quint16>(p) != kBitmapType)
        return fail(QStringLiteral("not a BMP file"));
    if (size < kFileHeaderSize + kInfoHeaderSize)
        return fail(QStringLiteral("the BMP file is cut short"));
    cDIB next;
    next.fileType = le<quint16>(p);
    next.fileSize = le<quint32>(p + 2);
    next.bitOffset = le<quint32>(p + 10);
    next.readInfoHeader(p + kFileHeaderSize);
    if (next.bitOffset < quint32(kFileHeaderSize + kInfoHeaderSize))
        return fail(QStringLiteral("the BMP header is damaged"));
    if (next.sizeImage == 0)
        return fail(QStringLiteral("the BMP file holds no picture"));
    if (qint64(next.bitOffset) > size || qint64(next.sizeImage) > size - qint64(next.bitOffset))
        return fail(QStringLiteral("the BMP file is cut short"));
    next.bitmapInfo = file.mid(kFileHeaderSize, qsizetype(next.bitOffset) - kFileHeaderSize);
    next.bits = file.mid(qsizetype(next.bitOffset), qsizetype(next.sizeImage));
    *this = std::move(next);
    return {};
}

Informed<bool> cDIB::CreateFromFile(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    Informed<bool> out;
    out.messages = detail::openForReading(file);
    if (!out.messages.isEmpty())
        return out;
    // A size beyond any station picture is refused before anything is read.
    const QByteArray bytes = file.size() <= kMaxBmpFileBytes ? file.readAll() : QByteArray();
    file.close();
    // A damaged header (no bits, sizes past the end) is refused like any other non-bitmap
    // instead of being read past the end of the file.
    if (!CreateFromBytes(bytes)) {
        out.messages << OperatorMessage{QStringLiteral("File is not a supported bitmap format:") +
                                            kLineBreak + shown,
                                        Icon::Information, QString()};
        return out;
    }
    out.value = true;
    return out;
}

QByteArray packedDib24(const QImage& image)
{
    if (image.isNull())
        return QByteArray();
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const qint64 w = bgr.width();
    const qint64 h = bgr.height();
    const qint64 row = bmpRowBytes24(w);
    const qint64 imageSize = row * h;
    if (imageSize > std::numeric_limits<qint32>::max() - 54)
        return QByteArray();
    QByteArray out;
    out.reserve(cDIB::kInfoHeaderSize + imageSize);
    putLe32(out, cDIB::kInfoHeaderSize);
    putLe32(out, quint32(w));
    putLe32(out, quint32(h));
    putLe16(out, 1);
    putLe16(out, 24);
    putLe32(out, 0);
    putLe32(out, quint32(imageSize));
    putLe32(out, 0);
    putLe32(out, 0);
    putLe32(out, 0);
    putLe32(out, 0);
    out.resize(cDIB::kInfoHeaderSize + imageSize, '\0');
    char* dst = out.data() + cDIB::kInfoHeaderSize;
    // Bottom-up: the last picture row comes first.
    for (qint64 y = 0; y < h; ++y)
        std::memcpy(dst + (h - 1 - y) * row, bgr.constScanLine(int(y)), size_t(w * 3));
    return out;
}

Status writeImageAsBmp(const QImage& image, const QString& path)
{
    const QByteArray packed = packedDib24(image);
    cDIB dib;
    if (!dib.CreateFromPackedDIBPointer(packed.constData(), packed.size()))
        return fail(QStringLiteral("empty or oversized picture"));
    return dib.WriteToFile(path);
}

} // namespace zelvan::review
