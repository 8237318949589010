// The frame reader against FFmpeg's own decode: frame n must be the same picture whichever
// way it is reached (opening at it, stepping to it, jumping back to it).
#include "review/FrameReader.h"

#include "AviBuilder.h"
#include "VideoFixtures.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace zelvan;
using namespace zelvan::review;
using namespace zelvan::test;

namespace
{

struct Sample {
    const char* name;
    int width;
    int height;
    int frames;
    const char* codec;
    QStringList extra;
};

class FrameReaderTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        const QStringList gop{QStringLiteral("-g"), QStringLiteral("10")};
        const Sample samples[] = {
            {"mjpeg.avi", 320, 240, 40, "mjpeg", {}},
            // The test card comes in even sizes only; a crop makes the odd one.
            {"odd.avi",
             322,
             242,
             12,
             "mjpeg",
             {QStringLiteral("-vf"), QStringLiteral("crop=321:241:0:0:exact=1")}},
            {"h264.avi", 320, 240, 40, "libx264", gop},
            {"h264.mp4", 320, 240, 40, "libx264", gop},
            // Groups of pictures whose leading B frames refer back across the key frame.
            {"open.mp4", 320, 240, 40, "libx264",
             gop + QStringList{QStringLiteral("-x264-params"),
                               QStringLiteral("open-gop=1:bframes=3:scenecut=0")}},
        };
        for (const Sample& s : samples)
            ASSERT_TRUE(makeVideo(path(s.name), s.width, s.height, QStringLiteral("30000/1001"),
                                  s.frames, QString::fromLatin1(s.codec), s.extra))
                << s.name;
        // Cut without re-encoding: the file starts at a key frame before the cut and its edit
        // list hides the frames up to the cut.
        ASSERT_TRUE(runFfmpeg({QStringLiteral("-ss"), QStringLiteral("0.5"), QStringLiteral("-i"),
                               path("h264.mp4"), QStringLiteral("-c"), QStringLiteral("copy"),
                               path("trimmed.mp4")}));
    }
    static void TearDownTestSuite() { dir.reset(); }
    static QString path(const char* name) { return dir->filePath(QString::fromLatin1(name)); }

    static std::unique_ptr<QTemporaryDir> dir;
};
std::unique_ptr<QTemporaryDir> FrameReaderTest::dir;

TEST_F(FrameReaderTest, ReportsFrameCountRateAndSizeOfEachKindOfFile)
{
    struct Expect {
        const char* name;
        qint64 frames;
        QSize size;
        const char* codec;
    } const cases[] = {{"mjpeg.avi", 40, {320, 240}, "mjpeg"},
                       {"odd.avi", 12, {321, 241}, "mjpeg"},
                       {"h264.avi", 40, {320, 240}, "h264"},
                       {"h264.mp4", 40, {320, 240}, "h264"}};
    for (const Expect& e : cases) {
        FrameReader reader;
        ASSERT_TRUE(reader.open(path(e.name)).ok()) << e.name;
        EXPECT_TRUE(reader.isOpen());
        EXPECT_EQ(reader.frameCount(), e.frames) << e.name;
        EXPECT_NEAR(reader.frameRate(), 30000.0 / 1001.0, 1e-6) << e.name;
        EXPECT_EQ(reader.size(), e.size) << e.name;
        EXPECT_EQ(reader.codecName(), QString::fromLatin1(e.codec)) << e.name;
        EXPECT_EQ(reader.current(), -1);
    }
}

TEST_F(FrameReaderTest, RandomAccessMatchesFfmpegDecodeWithinTwoLevels)
{
    // Out of order on purpose: backwards across key frames, forwards within a group, and
    // the first and last frame.
    const QList<qint64> order{17, 3, 39, 0, 25, 26, 11, 19, 20};
    for (const char* name : {"mjpeg.avi", "h264.avi", "h264.mp4", "open.mp4"}) {
        const QMap<qint64, QByteArray> expected = ffmpegFramesBgr(path(name), order, 320, 240);
        ASSERT_EQ(expected.size(), order.size()) << name;
        FrameReader reader;
        ASSERT_TRUE(reader.open(path(name)).ok());
        for (qint64 n : order) {
            const Result<QImage> picture = reader.frame(n);
            ASSERT_TRUE(picture.ok())
                << name << " frame " << n << ": " << picture.error().toStdString();
            EXPECT_EQ(reader.current(), n);
            const int diff = maxChannelDifference(*picture, expected.value(n));
            EXPECT_GE(diff, 0) << name << " frame " << n;
            EXPECT_LE(diff, 2) << name << " frame " << n;
        }
    }
}

TEST_F(FrameReaderTest, FramesHiddenByAnEditListAreNotCounted)
{
    const qint64 shown = ffprobeDecodedFrames(path("trimmed.mp4"));
    ASSERT_GT(shown, 0);
    FrameReader reader;
    ASSERT_TRUE(reader.open(path("trimmed.mp4")).ok());
    EXPECT_EQ(reader.frameCount(), shown);
    const QList<qint64> order{shown - 1, 0, shown / 2, 1};
    const QMap<qint64, QByteArray> expected = ffmpegFramesBgr(path("trimmed.mp4"), order, 320, 240);
    for (qint64 n : order) {
        const int diff = maxChannelDifference(reader.frame(n).valueOr(QImage()), expected.value(n));
        EXPECT_GE(diff, 0) << "frame " << n;
        EXPECT_LE(diff, 2) << "frame " << n;
    }
}

TEST_F(FrameReaderTest, OddWidthFrameMatchesFfmpegDecode)
{
    FrameReader reader;
    ASSERT_TRUE(reader.open(path("odd.avi")).ok());
    const QImage picture = reader.frame(7).valueOr(QImage());
    ASSERT_EQ(picture.size(), QSize(321, 241));
    const int diff = maxChannelDifference(picture, ffmpegFrameBgr(path("odd.avi"), 7));
    EXPECT_GE(diff, 0);
    EXPECT_LE(diff, 2);
}

TEST_F(FrameReaderTest, SteppingGivesTheSamePicturesAsJumping)
{
    for (const char* name : {"mjpeg.avi", "h264.avi", "h264.mp4", "open.mp4"}) {
        FrameReader stepper;
        FrameReader jumper;
        ASSERT_TRUE(stepper.open(path(name)).ok());
        ASSERT_TRUE(jumper.open(path(name)).ok());
        // Forward through the whole file one frame at a time.
        for (qint64 n = 0; n < stepper.frameCount(); ++n) {
            const Result<QImage> stepped = stepper.next();
            ASSERT_TRUE(stepped.ok()) << name << " frame " << n;
            ASSERT_EQ(stepper.current(), n) << name;
            ASSERT_EQ(*stepped, jumper.frame(n).valueOr(QImage())) << name << " frame " << n;
        }
        EXPECT_FALSE(stepper.next().ok()) << "past the last frame";
        EXPECT_EQ(stepper.current(), stepper.frameCount() - 1);
        // And back again across the group boundaries.
        for (qint64 n = stepper.frameCount() - 2; n >= 5; --n) {
            const Result<QImage> stepped = stepper.previous();
            ASSERT_TRUE(stepped.ok()) << name << " frame " << n;
            ASSERT_EQ(stepper.current(), n) << name;
            ASSERT_EQ(*stepped, jumper.frame(n).valueOr(QImage())) << name << " frame " << n;
        }
    }
}

TEST_F(FrameReaderTest, NeighbouringFramesDiffer)
{
    // The test card moves, so a reader that hands out a stale picture is caught.
    FrameReader reader;
    ASSERT_TRUE(reader.open(path("h264.mp4")).ok());
    const QImage a = reader.frame(9).valueOr(QImage());
    const QImage b = reader.next().valueOr(QImage());
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    EXPECT_NE(a, b);
    EXPECT_EQ(reader.previous().valueOr(QImage()), a);
}

TEST_F(FrameReaderTest, FramesOutsideTheVideoAreRefusedWithoutLosingThePosition)
{
    FrameReader reader;
    ASSERT_TRUE(reader.open(path("mjpeg.avi")).ok());
    ASSERT_TRUE(reader.frame(5).ok());
    const Result<QImage> beyond = reader.frame(40);
    EXPECT_FALSE(beyond.ok());
    EXPECT_FALSE(beyond.error().isEmpty());
    EXPECT_FALSE(reader.frame(-1).ok());
    EXPECT_EQ(reader.current(), 5);
    EXPECT_TRUE(reader.next().ok());
    EXPECT_EQ(reader.current(), 6);

    FrameReader atStart;
    ASSERT_TRUE(atStart.open(path("mjpeg.avi")).ok());
    EXPECT_FALSE(atStart.previous().ok());
    EXPECT_EQ(atStart.current(), -1);
}

TEST_F(FrameReaderTest, BadFilesAreRefusedWithAReason)
{
    const QString text = dir->filePath(QStringLiteral("notes.avi"));
    const QString wave = dir->filePath(QStringLiteral("sound.avi"));
    const QString noise = dir->filePath(QStringLiteral("noise.avi"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a video\r\n");
    }
    ASSERT_TRUE(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=duration=0.2"), QStringLiteral("-f"),
                           QStringLiteral("wav"), wave}));
    {
        QFile f(noise);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bytes(64 * 1024, '\0');
        QRandomGenerator rng(12345);
        for (char& c : bytes)
            c = char(rng.bounded(256));
        f.write(bytes);
    }
    for (const QString& bad : {text, wave, noise, dir->filePath(QStringLiteral("missing.avi"))}) {
        FrameReader reader;
        const Status opened = reader.open(bad);
        EXPECT_FALSE(opened.ok()) << bad.toStdString();
        EXPECT_FALSE(opened.error().isEmpty()) << bad.toStdString();
        EXPECT_FALSE(reader.isOpen());
        EXPECT_FALSE(reader.frame(0).ok());
        EXPECT_EQ(reader.frameCount(), 0);
    }
}

TEST_F(FrameReaderTest, PalettisedFramesKeepTheirColourTable)
{
    // The colour table travels with the first packet only; reaching a frame by stepping,
    // jumping back or jumping ahead must still give its colours.
    const PalettedVideo video = palettedTestVideo();
    const QString file = dir->filePath(QStringLiteral("pal8.avi"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(video.file);
    }
    FrameReader reader;
    const Status opened = reader.open(file);
    ASSERT_TRUE(opened.ok()) << opened.error().toStdString();
    EXPECT_EQ(reader.codecName(), QStringLiteral("rawvideo"));
    ASSERT_EQ(reader.frameCount(), 5);
    EXPECT_EQ(reader.size(), QSize(64, 48));
    auto expectFrame = [&](const Result<QImage>& got, qint64 n) {
        ASSERT_TRUE(got.ok()) << "frame " << n << ": " << got.error().toStdString();
        EXPECT_EQ(reader.current(), n);
        EXPECT_EQ(got->convertToFormat(QImage::Format_RGB32), video.pictures[int(n)])
            << "frame " << n;
    };
    for (qint64 n = 0; n < 5; ++n)
        expectFrame(reader.next(), n);
    expectFrame(reader.previous(), 3);
    for (const qint64 n : {1, 4, 0, 2})
        expectFrame(reader.frame(n), n);

    // A reader whose first picture is a jump into the middle.
    FrameReader jumper;
    ASSERT_TRUE(jumper.open(file).ok());
    const Result<QImage> third = jumper.frame(3);
    ASSERT_TRUE(third.ok()) << third.error().toStdString();
    EXPECT_EQ(third->convertToFormat(QImage::Format_RGB32), video.pictures[3]);
}

TEST_F(FrameReaderTest, TruncatedFileGivesTheFramesThatAreThere)
{
    const QString whole = path("mjpeg.avi");
    const QString cut = dir->filePath(QStringLiteral("cut.avi"));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() / 2));
    out.close();

    FrameReader reader;
    ASSERT_TRUE(reader.open(cut).ok());
    ASSERT_GT(reader.frameCount(), 5);
    EXPECT_LT(reader.frameCount(), 40);
    const qint64 last = reader.frameCount() - 2; // the very last one may be cut through
    const Result<QImage> picture = reader.frame(last);
    ASSERT_TRUE(picture.ok()) << picture.error().toStdString();
    FrameReader full;
    ASSERT_TRUE(full.open(whole).ok());
    EXPECT_EQ(*picture, full.frame(last).valueOr(QImage()));
    EXPECT_FALSE(reader.frame(39).ok());
}

} // namespace
