// Taking the contact frame: the picture written must be FFmpeg's frame n with the station's
// headers, and a grab that fails must keep the earlier picture.
#include "review/FrameGrab.h"

#include "AviBuilder.h"
#include "ScriptedDialogs.h"
#include "Told.h"
#include "VideoFixtures.h"
#include "review/FrameReader.h"
#include "review/cDIB.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

using namespace zelvan;
using namespace zelvan::review;
using namespace zelvan::test;

namespace
{

const QString kBreak = QStringLiteral("\r\n");

// Packed BGR rows (top-down, unpadded) of a 24-bit bottom-up BMP.
QByteArray topDownRows(const QByteArray& bmp, int w, int h)
{
    const int row = ((w * 3 + 3) / 4) * 4;
    QByteArray out;
    for (int y = h - 1; y >= 0; --y)
        out += bmp.mid(54 + y * row, w * 3);
    return out;
}

int maxDifference(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size() || a.isEmpty())
        return -1;
    int worst = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        worst = qMax(worst, qAbs(int(uchar(a[i])) - int(uchar(b[i]))));
    return worst;
}

class FrameGrabTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        videos = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(makeVideo(video("pass.avi"), 320, 240, QStringLiteral("30"), 15,
                              QStringLiteral("mjpeg")));
        ASSERT_TRUE(makeVideo(video("odd.avi"), 322, 242, QStringLiteral("30"), 5,
                              QStringLiteral("mjpeg"),
                              {QStringLiteral("-vf"), QStringLiteral("crop=321:241:0:0:exact=1")}));
        ASSERT_TRUE(makeVideo(video("pass.mp4"), 320, 240, QStringLiteral("30"), 30,
                              QStringLiteral("libx264"),
                              {QStringLiteral("-g"), QStringLiteral("12")}));
        // Recordings from other cameras: a phone held upright (the sensor's landscape picture
        // with a quarter turn to show it), HEVC in 10 bits, an interlaced capture card.
        for (const char* turn : {"90", "270"})
            ASSERT_TRUE(
                runFfmpeg({QStringLiteral("-i"), video("pass.mp4"), QStringLiteral("-c"),
                           QStringLiteral("copy"), QStringLiteral("-metadata:s:v:0"),
                           QStringLiteral("rotate=%1").arg(QLatin1String(turn)),
                           video(turn == QLatin1String("90") ? "phone.mov" : "phone270.mp4")}));
        ASSERT_TRUE(makeVideo(video("hevc10.mov"), 320, 240, QStringLiteral("30"), 20,
                              QStringLiteral("libx265"),
                              {QStringLiteral("-x265-params"), QStringLiteral("log-level=error"),
                               QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p10le")}));
        ASSERT_TRUE(makeVideo(video("interlaced.mpg"), 320, 240, QStringLiteral("25"), 20,
                              QStringLiteral("mpeg2video"),
                              {QStringLiteral("-flags"), QStringLiteral("+ildct+ilme"),
                               QStringLiteral("-top"), QStringLiteral("1"), QStringLiteral("-bf"),
                               QStringLiteral("2")}));
    }
    static void TearDownTestSuite() { videos.reset(); }
    static QString video(const char* name) { return videos->filePath(QString::fromLatin1(name)); }

    QString capture() const { return station.filePath(QStringLiteral("currentcapture.bmp")); }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static std::unique_ptr<QTemporaryDir> videos;
    QTemporaryDir station;
    ScriptedDialogs dialogs;
};
std::unique_ptr<QTemporaryDir> FrameGrabTest::videos;

TEST_F(FrameGrabTest, WritesFrameNWithTheStationHeaders)
{
    struct Case {
        const char* name;
        qint64 frame;
        int w;
        int h;
    } const cases[] = {{"pass.avi", 7, 320, 240},       {"odd.avi", 3, 321, 241},
                       {"pass.mp4", 17, 320, 240},      {"phone.mov", 17, 240, 320},
                       {"phone270.mp4", 5, 240, 320},   {"hevc10.mov", 13, 320, 240},
                       {"interlaced.mpg", 11, 320, 240}};
    for (const Case& c : cases) {
        ASSERT_TRUE(told(grabVideoFrame(video(c.name), c.frame, station.path()), dialogs))
            << c.name;
        EXPECT_TRUE(dialogs.shown.isEmpty());
        const QByteArray bmp = read(capture());
        const int row = ((c.w * 3 + 3) / 4) * 4;
        ASSERT_EQ(bmp.size(), row * c.h + 54) << c.name;
        const auto* p = reinterpret_cast<const uchar*>(bmp.constData());
        EXPECT_EQ(qFromLittleEndian<quint32>(p + 2), quint32(row * c.h + 54));
        EXPECT_EQ(qFromLittleEndian<quint32>(p + 10), 54u);
        EXPECT_EQ(qFromLittleEndian<quint16>(p + 28), 24);
        EXPECT_EQ(qFromLittleEndian<quint32>(p + 34), quint32(row * c.h));
        const int diff =
            maxDifference(topDownRows(bmp, c.w, c.h), ffmpegFrameBgr(video(c.name), c.frame));
        EXPECT_GE(diff, 0) << c.name;
        EXPECT_LE(diff, 2) << c.name;
    }
}

// The picture written for measuring is the picture as it was filmed: the turn of a phone's
// recording is in it, so the twips clicked on it are twips of the upright picture. (The
// ffmpeg program's "rotate" tag writes a display matrix that turns the picture counter-
// clockwise by the tag's angle; the station follows the matrix, as the ffmpeg program does.)
TEST_F(FrameGrabTest, APhonesRecordingIsWrittenUpright)
{
    ASSERT_TRUE(told(grabVideoFrame(video("pass.mp4"), 9, station.path()), dialogs));
    const QImage flat(capture());
    ASSERT_EQ(flat.size(), QSize(320, 240));
    const int w = flat.width();
    const int h = flat.height();
    struct Turn {
        const char* name;
        bool clockwise;
    } const turns[] = {{"phone.mov", false}, {"phone270.mp4", true}};
    for (const Turn& t : turns) {
        ASSERT_TRUE(told(grabVideoFrame(video(t.name), 9, station.path()), dialogs)) << t.name;
        const QImage turned(capture());
        ASSERT_EQ(turned.size(), QSize(h, w)) << t.name;
        int moved = 0;
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < h; ++x)
                moved += turned.pixel(x, y) ==
                         (t.clockwise ? flat.pixel(y, h - 1 - x) : flat.pixel(w - 1 - y, x));
        EXPECT_EQ(moved, w * h) << t.name << ": every pixel is the stored one, turned";
    }
}

TEST_F(FrameGrabTest, ConsecutiveGrabsGiveDifferentFrames)
{
    FrameReader reader;
    ASSERT_TRUE(reader.open(video("pass.avi")).ok());
    ASSERT_TRUE(told(grabVideoFrame(reader, 4, station.path()), dialogs));
    const QByteArray four = read(capture());
    ASSERT_TRUE(told(grabVideoFrame(reader, 5, station.path()), dialogs));
    const QByteArray five = read(capture());
    EXPECT_EQ(four.size(), five.size());
    EXPECT_NE(four, five);
    ASSERT_TRUE(told(grabVideoFrame(reader, 4, station.path()), dialogs));
    EXPECT_EQ(read(capture()), four);
}

TEST_F(FrameGrabTest, FailedGrabKeepsThePreviousPictureAndSaysWhy)
{
    ASSERT_TRUE(told(grabVideoFrame(video("pass.avi"), 2, station.path()), dialogs));
    const QByteArray before = read(capture());

    // A frame past the end.
    EXPECT_FALSE(told(grabVideoFrame(video("pass.avi"), 15, station.path()), dialogs));
    EXPECT_EQ(dialogs.messages(),
              QStringList({QStringLiteral("There was an error working with "
                                          "the file:") +
                           kBreak + QDir::toNativeSeparators(video("pass.avi"))}));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Information);
    EXPECT_EQ(read(capture()), before);

    // Files that are no video at all.
    const QString text = station.filePath(QStringLiteral("notes.avi"));
    writeFile(text, "not a video\r\n");
    const QString missing = station.filePath(QStringLiteral("missing.avi"));
    const QString wave = station.filePath(QStringLiteral("sound.avi"));
    ASSERT_TRUE(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=duration=0.1"), QStringLiteral("-f"),
                           QStringLiteral("wav"), wave}));
    const QString noise = station.filePath(QStringLiteral("noise.avi"));
    QByteArray bytes(8192, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    writeFile(noise, bytes);
    // A recording cut short: its header still promises 15 frames.
    const QString cut = station.filePath(QStringLiteral("cut.avi"));
    const QByteArray whole = read(video("pass.avi"));
    writeFile(cut, whole.left(whole.size() / 3));
    const struct {
        QString path;
        qint64 frame;
    } bad[] = {{text, 0}, {missing, 0}, {wave, 0}, {noise, 0}, {cut, 14}};
    for (const auto& [path, frame] : bad) {
        dialogs.clear();
        EXPECT_FALSE(told(grabVideoFrame(path, frame, station.path()), dialogs))
            << path.toStdString();
        EXPECT_EQ(dialogs.messages(),
                  QStringList({QStringLiteral("There was an error working with the file:") +
                               kBreak + QDir::toNativeSeparators(path)}));
        EXPECT_EQ(read(capture()), before);
    }
    // What is there of the cut recording can still be taken.
    dialogs.clear();
    EXPECT_TRUE(told(grabVideoFrame(cut, 1, station.path()), dialogs));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_NE(read(capture()), before);

    // A station folder that cannot be written.
    dialogs.clear();
    const QString nowhere = station.filePath(QStringLiteral("no/such/folder"));
    EXPECT_FALSE(told(grabVideoFrame(video("pass.avi"), 1, nowhere), dialogs));
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().value(0).startsWith(
        QStringLiteral("There was an error working with the file:") + kBreak));
}

TEST_F(FrameGrabTest, PalettisedFrameIsWrittenInItsColours)
{
    const PalettedVideo paletted = palettedTestVideo();
    const QString path = station.filePath(QStringLiteral("pal8.avi"));
    writeFile(path, paletted.file);
    for (const qint64 n : {2, 0, 4}) {
        ASSERT_TRUE(told(grabVideoFrame(path, n, station.path()), dialogs)) << "frame " << n;
        EXPECT_TRUE(dialogs.shown.isEmpty());
        const QImage written(capture());
        ASSERT_EQ(written.size(), QSize(64, 48));
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), paletted.pictures[int(n)])
            << "frame " << n;
    }
}

TEST_F(FrameGrabTest, UnknownCodecHasNoDecompressor)
{
    AviSpec spec;
    spec.fourcc = "ZQ9X";
    const QString path = station.filePath(QStringLiteral("odd-codec.avi"));
    writeFile(path, buildAvi(spec, QByteArray(64, '\x42'), 3));
    EXPECT_FALSE(told(grabVideoFrame(path, 0, station.path()), dialogs));
    EXPECT_EQ(
        dialogs.messages(),
        QStringList({QStringLiteral("No suitable decompressor found for this video stream!")}));
    EXPECT_EQ(dialogs.shown.value(0).icon, Icon::Information);
    EXPECT_FALSE(QFile::exists(capture()));
}

} // namespace
