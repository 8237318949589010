// The bitmap class: exact header arithmetic, bottom-up rows, atomic writing and a reader that
// refuses damaged files instead of reading past their end.
#include "review/cDIB.h"

#include "ScriptedDialogs.h"
#include "Told.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::review;
using zelvan::test::told;

namespace
{

const QString kBreak = QStringLiteral("\r\n");

quint32 u32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
quint16 u16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// A picture whose every pixel differs from its neighbours, so a flipped or shifted row shows.
QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 5 + 3 * x) & 255, (x ^ y) & 255));
    return image;
}

class cDIBTest : public ::testing::Test
{
protected:
    QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(cDIBTest, WritesTheStationHeadersAndBottomUpRows)
{
    for (const QSize size : {QSize(320, 240), QSize(321, 241), QSize(1, 1), QSize(2, 3)}) {
        const int w = size.width();
        const int h = size.height();
        const QImage image = pattern(w, h);
        const QString path = dir.filePath(QStringLiteral("p%1x%2.bmp").arg(w).arg(h));
        const Status written = writeImageAsBmp(image, path);
        ASSERT_TRUE(written) << written.error().toStdString();
        const QByteArray b = read(path);

        const int row = ((w * 3 + 3) / 4) * 4;
        const quint32 imageSize = quint32(row * h);
        ASSERT_EQ(b.size(), qsizetype(imageSize) + 54);
        EXPECT_EQ(b.left(2), QByteArray("BM"));
        EXPECT_EQ(u32(b, 2), imageSize + 54);
        EXPECT_EQ(u16(b, 6), 0);
        EXPECT_EQ(u16(b, 8), 0);
        EXPECT_EQ(u32(b, 10), 54u);
        EXPECT_EQ(u32(b, 14), 40u);
        EXPECT_EQ(qint32(u32(b, 18)), w);
        EXPECT_EQ(qint32(u32(b, 22)), h); // positive: bottom-up
        EXPECT_EQ(u16(b, 26), 1);
        EXPECT_EQ(u16(b, 28), 24);
        EXPECT_EQ(u32(b, 30), 0u);
        EXPECT_EQ(u32(b, 34), imageSize);
        for (int at = 38; at < 54; at += 4)
            EXPECT_EQ(u32(b, at), 0u);

        for (int y = 0; y < h; ++y) {
            const char* line = b.constData() + 54 + (h - 1 - y) * row;
            for (int x = 0; x < w; ++x) {
                const QRgb px = image.pixel(x, y);
                ASSERT_EQ(uchar(line[x * 3]), qBlue(px)) << x << "," << y;
                ASSERT_EQ(uchar(line[x * 3 + 1]), qGreen(px));
                ASSERT_EQ(uchar(line[x * 3 + 2]), qRed(px));
            }
            for (int pad = w * 3; pad < row; ++pad)
                ASSERT_EQ(line[pad], '\0');
        }
        // Any other BMP reader sees the same picture.
        EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), image);
    }
}

TEST_F(cDIBTest, PackedDibIsTakenWithItsSizes)
{
    const QByteArray packed = packedDib24(pattern(321, 2));
    cDIB dib;
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(packed.constData(), packed.size()));
    EXPECT_EQ(dib.SizeImage(), 964 * 2);
    EXPECT_EQ(dib.SizeFileHeader(), 964 * 2 + 54);
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.Width(), 321);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.Planes(), 1);
    EXPECT_EQ(dib.Compression(), 0);
    EXPECT_EQ(dib.SizeInfoHeader(), 40);
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
    EXPECT_EQ(dib.XPPM(), 0);
    EXPECT_EQ(dib.ClrUsed(), 0);
    ASSERT_NE(dib.PointerToBits(), nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.PointerToBits()), dib.SizeImage()),
              packed.mid(40));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.PointerToBitmapInfo()), 40),
              packed.left(40));
}

TEST_F(cDIBTest, PackedDibWithTooFewBitsOrNoneIsRefusedAndNothingChanges)
{
    const QByteArray good = packedDib24(pattern(4, 4));
    cDIB dib;
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(good.constData(), good.size()));
    const QByteArray before = dib.fileBytes();

    QByteArray eightBit = packedDib24(pattern(8, 8));
    qToLittleEndian<quint16>(8, reinterpret_cast<uchar*>(eightBit.data()) + 14);
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(eightBit.constData(), eightBit.size()));

    QByteArray noBits = packedDib24(pattern(8, 8));
    qToLittleEndian<quint32>(0, reinterpret_cast<uchar*>(noBits.data()) + 20);
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(noBits.constData(), noBits.size()));

    // A header claiming more bits than there are bytes.
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(good.constData(), good.size() - 1));
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(good.constData(), 39));
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(nullptr, 1000));

    EXPECT_EQ(dib.fileBytes(), before);
    EXPECT_EQ(dib.Width(), 4);

    cDIB empty;
    EXPECT_FALSE(empty.CreateFromPackedDIBPointer(eightBit.constData(), eightBit.size()));
    EXPECT_EQ(empty.SizeBitmapInfo(), 0);
    EXPECT_EQ(empty.PointerToBits(), nullptr);
    const Status written = empty.WriteToFile(dir.filePath(QStringLiteral("x.bmp")));
    EXPECT_FALSE(written.ok());
    EXPECT_FALSE(written.error().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.bmp"))));
}

TEST_F(cDIBTest, WritingReplacesALongerFileWholeAndReportsFailures)
{
    const QString path = dir.filePath(QStringLiteral("currentcapture.bmp"));
    write(QStringLiteral("currentcapture.bmp"), QByteArray(500000, 'z'));
    ASSERT_TRUE(writeImageAsBmp(pattern(10, 10), path));
    const QByteArray b = read(path);
    EXPECT_EQ(b.size(), 32 * 10 + 54) << "no tail of the earlier, longer file";
    EXPECT_FALSE(b.contains('z'));

    // A folder that does not exist, and a target that is a folder: false, and no stray
    // temporary files.
    Status written = writeImageAsBmp(pattern(3, 3), dir.filePath(QStringLiteral("no/such.bmp")));
    EXPECT_FALSE(written);
    EXPECT_FALSE(written.error().isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.bmp")));
    written = writeImageAsBmp(pattern(3, 3), dir.filePath(QStringLiteral("taken.bmp")));
    EXPECT_FALSE(written);
    EXPECT_FALSE(written.error().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("currentcapture.bmp")}));
    EXPECT_EQ(read(path), b) << "a failed write elsewhere leaves the picture alone";
    EXPECT_FALSE(writeImageAsBmp(QImage(), path));
    EXPECT_EQ(read(path), b);
}

TEST_F(cDIBTest, ReadsBackWhatItWrote)
{
    const QString path = dir.filePath(QStringLiteral("set-up.bmp"));
    ASSERT_TRUE(writeImageAsBmp(pattern(33, 7), path));
    cDIB dib;
    ASSERT_TRUE(told(dib.CreateFromFile(path), dialogs));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(dib.Width(), 33);
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_EQ(dib.SizeImage(), 100 * 7);
    EXPECT_EQ(dib.fileBytes(), read(path));
    const QString copy = dir.filePath(QStringLiteral("copy.bmp"));
    ASSERT_TRUE(dib.WriteToFile(copy).ok());
    EXPECT_EQ(read(copy), read(path));
}

TEST_F(cDIBTest, ColourTableIsPartOfTheBitmapInfo)
{
    // 8-bit picture with a 4-entry colour table: offset of the bits 54 + 16.
    QByteArray b("BM");
    QByteArray info(40, '\0');
    qToLittleEndian<quint32>(40, reinterpret_cast<uchar*>(info.data()));
    qToLittleEndian<qint32>(4, reinterpret_cast<uchar*>(info.data()) + 4);
    qToLittleEndian<qint32>(2, reinterpret_cast<uchar*>(info.data()) + 8);
    qToLittleEndian<quint16>(1, reinterpret_cast<uchar*>(info.data()) + 12);
    qToLittleEndian<quint16>(8, reinterpret_cast<uchar*>(info.data()) + 14);
    qToLittleEndian<quint32>(8, reinterpret_cast<uchar*>(info.data()) + 20);
    QByteArray head(12, '\0');
    qToLittleEndian<quint32>(54 + 16 + 8, reinterpret_cast<uchar*>(head.data()));
    qToLittleEndian<quint32>(54 + 16, reinterpret_cast<uchar*>(head.data()) + 8);
    b += head + info + QByteArray(16, '\x11') + QByteArray("abcdefgh");
    const QString path = write(QStringLiteral("palette.bmp"), b);
    cDIB dib;
    ASSERT_TRUE(told(dib.CreateFromFile(path), dialogs));
    EXPECT_EQ(dib.SizeBitmapInfo(), 56);
    EXPECT_EQ(dib.BitOffset(), 70);
    EXPECT_EQ(dib.BitCount(), 8);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.PointerToBits()), 8),
              QByteArray("abcdefgh"));
}

TEST_F(cDIBTest, BadFilesAreToldWithTheirMessage)
{
    const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
    cDIB dib;
    EXPECT_FALSE(told(dib.CreateFromFile(missing), dialogs));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("File does not exist:") + kBreak + QDir::toNativeSeparators(missing));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(dialogs.shown[0].title, QString::fromLatin1(kAppTitle));

    QByteArray good = packedDib24(pattern(6, 5));
    {
        cDIB source;
        ASSERT_TRUE(source.CreateFromPackedDIBPointer(good.constData(), good.size()));
        good = source.fileBytes();
    }
    QByteArray noImage = good;
    qToLittleEndian<quint32>(0, reinterpret_cast<uchar*>(noImage.data()) + 34);
    QByteArray hugeImage = good;
    qToLittleEndian<quint32>(0x7FFFFFF0, reinterpret_cast<uchar*>(hugeImage.data()) + 34);
    QByteArray farOffset = good;
    qToLittleEndian<quint32>(0xFFFFFFF0, reinterpret_cast<uchar*>(farOffset.data()) + 10);
    QByteArray shortOffset = good;
    qToLittleEndian<quint32>(20, reinterpret_cast<uchar*>(shortOffset.data()) + 10);
    const QByteArray cases[] = {QByteArray("just some text"),
                                QByteArray("PK\x03\x04zip"),
                                good.left(good.size() - 1),
                                good.left(53),
                                good.left(2),
                                QByteArray(),
                                noImage,
                                hugeImage,
                                farOffset,
                                shortOffset};
    int i = 0;
    for (const QByteArray& bytes : cases) {
        dialogs.clear();
        const QString path = write(QStringLiteral("bad%1.bmp").arg(i++), bytes);
        cDIB reader;
        EXPECT_FALSE(told(reader.CreateFromFile(path), dialogs)) << i;
        ASSERT_EQ(dialogs.shown.size(), 1) << i;
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("File is not a supported bitmap format:") +
                                             kBreak + QDir::toNativeSeparators(path));
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Information);
        EXPECT_EQ(reader.SizeBitmapInfo(), 0) << "nothing half-read is kept";
    }
    const QString ok = write(QStringLiteral("ok.bmp"), good);
    dialogs.clear();
    EXPECT_TRUE(told(dib.CreateFromFile(ok), dialogs));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

} // namespace
