#pragma once
// One device-independent bitmap (file header, information header, bits) as the station keeps
// and writes its pictures: the contact frame, stills and set-up pictures are all 24-bit
// bottom-up BMP files with a 54-byte header.
#include "base/Result.h"
#include "review/Informed.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QImage;

namespace zelvan::review
{

class cDIB
{
public:
    static constexpr int kFileHeaderSize = 14;
    static constexpr int kInfoHeaderSize = 40;
    static constexpr quint16 kBitmapType = 19778; // "BM"

    cDIB() = default;

    // A packed DIB is a 40-byte information header immediately followed by the bits.
    // `available` is the number of bytes readable at `packed`; a header that claims more
    // bits than that is refused instead of read past its end. Succeeds only for bit counts
    // of 16 and more and an image size of at least 1; otherwise nothing changes.
    Status CreateFromPackedDIBPointer(const void* packed, qint64 available);

    // Writes file header, bitmap info bytes and bits. The file is replaced as a whole or not
    // at all (a failed write keeps the earlier picture).
    Status WriteToFile(const QString& path) const;

    // Reads a BMP file: true when it was taken; every failure is told to the operator.
    Informed<bool> CreateFromFile(const QString& path);

    // The byte-level reader behind CreateFromFile, shared with the fuzz target; on failure
    // nothing changes.
    Status CreateFromBytes(const QByteArray& file);

    // Information header fields.
    qint32 BitCount() const { return bitCount; }
    qint32 Height() const { return height; }
    qint32 Width() const { return width; }
    qint32 Compression() const { return static_cast<qint32>(compression); }
    qint32 SizeInfoHeader() const { return static_cast<qint32>(sizeInfoHeader); }
    qint32 SizeImage() const { return static_cast<qint32>(sizeImage); }
    qint32 Planes() const { return planes; }
    qint32 ClrImportant() const { return static_cast<qint32>(clrImportant); }
    qint32 ClrUsed() const { return static_cast<qint32>(clrUsed); }
    qint32 XPPM() const { return xppm; }
    qint32 YPPM() const { return yppm; }

    // File header fields.
    qint32 FileType() const { return fileType; }
    qint32 SizeFileHeader() const { return static_cast<qint32>(fileSize); }
    qint32 BitOffset() const { return static_cast<qint32>(bitOffset); }

    const uchar* PointerToBits() const
    {
        return bits.isEmpty() ? nullptr : reinterpret_cast<const uchar*>(bits.constData());
    }
    const uchar* PointerToBitmapInfo() const
    {
        return bitmapInfo.isEmpty() ? nullptr
                                    : reinterpret_cast<const uchar*>(bitmapInfo.constData());
    }
    qint32 SizeBitmapInfo() const { return static_cast<qint32>(bitmapInfo.size()); }

    // The whole file as WriteToFile writes it.
    QByteArray fileBytes() const;

private:
    void readInfoHeader(const uchar* p);

    quint16 fileType = 0;
    quint32 fileSize = 0;
    quint32 bitOffset = 0;

    quint32 sizeInfoHeader = 0;
    qint32 width = 0;
    qint32 height = 0;
    quint16 planes = 0;
    quint16 bitCount = 0;
    quint32 compression = 0;
    quint32 sizeImage = 0;
    qint32 xppm = 0;
    qint32 yppm = 0;
    quint32 clrUsed = 0;
    quint32 clrImportant = 0;

    QByteArray bitmapInfo;
    QByteArray bits;
};

// Row length of a 24-bit picture: 3 bytes a pixel, padded to a multiple of 4.
inline qint64 bmpRowBytes24(qint64 width)
{
    return (width * 3 + 3) & ~qint64(3);
}

// A packed 24-bit bottom-up DIB (information header + bits) of `image`, the form a frame
// grab hands to cDIB. Empty for a null image.
QByteArray packedDib24(const QImage& image);

// Writes `image` as a 24-bit bottom-up BMP with the station's headers (offset 54, file size =
// image size + 54), atomically.
Status writeImageAsBmp(const QImage& image, const QString& path);

} // namespace zelvan::review
