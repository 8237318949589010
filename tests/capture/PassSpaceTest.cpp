// What one pass needs on the disk and when Start is refused for it.
#include "capture/PassSpace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;

namespace
{

const PassFormat kMjpegVga{QSize(640, 480), 30, QStringLiteral("MJPEG"), 0};

} // namespace

TEST(PassSpace, ResolutionNamesGiveTheirSizeAndNothingElseDoes)
{
    EXPECT_EQ(resolutionSize("1920x1080"), QSize(1920, 1080));
    EXPECT_EQ(resolutionSize("640x480"), QSize(640, 480));
    // A name that is not a size gives no estimate rather than a wrong one.
    for (const char* name : {"", "Default", "1920x", "x1080", "0x480", "1920x1080x2", "axb"})
        EXPECT_FALSE(resolutionSize(name).isValid()) << name;
}

TEST(PassSpace, FrameEstimateByCompressorAtTheSize)
{
    // 24-bit rows, padded to four bytes, plus the chunk header and index entry.
    EXPECT_EQ(frameBytesEstimate(QSize(1920, 1080), "Uncompressed"), 1920 * 3 * 1080 + 24);
    EXPECT_EQ(frameBytesEstimate(QSize(641, 480), "uncompressed"), 1924 * 480 + 24);
    EXPECT_EQ(frameBytesEstimate(QSize(1920, 1080), "MJPEG"), 1920 * 1080 / 2 + 24);
    EXPECT_EQ(frameBytesEstimate(QSize(1920, 1080), ""), 1920 * 1080 / 2 + 24);
    EXPECT_EQ(frameBytesEstimate(QSize(1920, 1080), "mpeg4"), 1920 * 1080 / 4 + 24);
    EXPECT_EQ(frameBytesEstimate(QSize(), "MJPEG"), 0);
    EXPECT_EQ(frameBytesEstimate(QSize(0, 480), "Uncompressed"), 0);
}

TEST(PassSpace, BytesPerSecondOfAFinishedPass)
{
    EXPECT_DOUBLE_EQ(*passBytesPerSecond(3000000, 150, 30), 600000);
    EXPECT_DOUBLE_EQ(*passBytesPerSecond(1000, 4, 25), 6250);
    EXPECT_FALSE(passBytesPerSecond(0, 150, 30));
    EXPECT_FALSE(passBytesPerSecond(-1, 150, 30));
    EXPECT_FALSE(passBytesPerSecond(3000000, 0, 30));
    EXPECT_FALSE(passBytesPerSecond(3000000, 150, 0));
    EXPECT_FALSE(passBytesPerSecond(3000000, 150, std::nan("")));
}

TEST(PassSpace, NeedFromTheCompressorOrFromTheLastPassInTheSameFormat)
{
    // 640x480 MJPEG: 153624 bytes a frame, 30 frames a second, 5 s plus the stop's second,
    // plus the header room.
    const auto estimated = passNeed(kMjpegVga, 5, std::nullopt);
    ASSERT_TRUE(estimated);
    EXPECT_EQ(estimated->bytes, 153624LL * 30 * 6 + 65536);
    EXPECT_FALSE(estimated->fromLastPass);
    // Sound adds its PCM bytes.
    PassFormat withSound = kMjpegVga;
    withSound.audioBytesPerSecond = 44100 * 2 * 2;
    EXPECT_EQ(passNeed(withSound, 3, std::nullopt)->bytes, (153624LL * 30 + 176400) * 4 + 65536);

    const RecordedPass last{kMjpegVga, 1000000.5};
    const auto measured = passNeed(kMjpegVga, 5, last);
    ASSERT_TRUE(measured);
    EXPECT_EQ(measured->bytes, 6000003 + 65536);
    EXPECT_TRUE(measured->fromLastPass);
    // Another size, rate, compressor or sound: the last pass says nothing about it.
    PassFormat otherSize = kMjpegVga, otherRate = kMjpegVga, otherCompressor = kMjpegVga,
               otherSound = kMjpegVga;
    otherSize.size = QSize(1280, 720);
    otherRate.fps = 60;
    otherCompressor.compressor = "Uncompressed";
    otherSound.audioBytesPerSecond = 8000;
    for (const PassFormat& other : {otherSize, otherRate, otherCompressor, otherSound}) {
        const auto need = passNeed(other, 5, last);
        ASSERT_TRUE(need);
        EXPECT_FALSE(need->fromLastPass) << other.size.width() << " " << other.fps;
        EXPECT_EQ(need->bytes, passNeed(other, 5, std::nullopt)->bytes);
    }
    // No size and no pass in that format: nothing to go by.
    const PassFormat unknown{QSize(), 30, "MJPEG", 0};
    EXPECT_FALSE(passNeed(unknown, 5, std::nullopt));
    EXPECT_FALSE(passNeed(unknown, 5, last));
    EXPECT_TRUE(passNeed(unknown, 5, RecordedPass{unknown, 500000})->fromLastPass);
    EXPECT_FALSE(passNeed({QSize(640, 480), 0, "MJPEG", 0}, 5, std::nullopt));
}

TEST(PassSpace, StartIsRefusedWhenThePassWouldNotFit)
{
    const PassNeed need{27717856, false};
    const auto refused = passSpaceRefusal("D:\\Videos", 20999999, kMjpegVga, 5, need);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text,
              "There is not enough disk space to record a pass in D:\\Videos: 20 MB free, one "
              "pass of 5 seconds at 640x480, 30 fps, MJPEG needs about 28 MB (estimated).  Free "
              "some space or choose another save-video folder, then start again.");
    EXPECT_EQ(refused->title, "Disk Space Warning");
    EXPECT_EQ(refused->icon, Icon::Warning);
    // Well above the old 200 MB warning, and still too small for one uncompressed HD pass.
    const PassFormat hd{QSize(1920, 1080), 60, "Uncompressed", 176400};
    const auto hdNeed = passNeed(hd, 6, std::nullopt);
    const auto big = passSpaceRefusal("/srv/videos", 2500000000LL, hd, 6, *hdNeed);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->text,
              "There is not enough disk space to record a pass in /srv/videos: 2500 MB free, one "
              "pass of 6 seconds at 1920x1080, 60 fps, Uncompressed with sound needs about "
              "2615 MB (estimated).  Free some space or choose another save-video folder, then "
              "start again.");
    EXPECT_TRUE(passSpaceRefusal("D:\\Videos", 0, kMjpegVga, 4.5, {1500000, true})
                    ->text.contains("0 MB free, one pass of 4.5 seconds at 640x480, 30 fps, MJPEG "
                                    "needs about 2 MB (as the last pass did)."));
    // Room for exactly one pass, or a free space that cannot be told: Start goes ahead.
    EXPECT_FALSE(passSpaceRefusal("D:\\Videos", need.bytes, kMjpegVga, 5, need));
    EXPECT_FALSE(passSpaceRefusal("D:\\Videos", -1, kMjpegVga, 5, need));
}

TEST(PassSpace, APassLeftItsVideoOrAKeptPart)
{
    QTemporaryDir dir;
    const QString video = dir.filePath("Smithjump1.avi");
    const auto make = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_FALSE(passLeftFile(video));
    make(video + ".info");
    make(dir.filePath("Smithjump11.avi.part")); // another pass's
    EXPECT_FALSE(passLeftFile(video));
    make(video + ".2.part");
    EXPECT_TRUE(passLeftFile(video));
    ASSERT_TRUE(QFile::remove(video + ".2.part"));
    make(video + ".part");
    EXPECT_TRUE(passLeftFile(video));
    ASSERT_TRUE(QFile::remove(video + ".part"));
    make(video);
    EXPECT_TRUE(passLeftFile(video));
    EXPECT_FALSE(passLeftFile(QString()));
}
