// The frame player on small recorded passes, offscreen.
#include "widgets/FramePlayer.h"

#include "../review/VideoFixtures.h"
#include "WidgetTestApp.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::widgets::FramePlayer;

namespace
{

constexpr int kFrames = 20;

class FramePlayerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        made = test::makeVideo(video(), 160, 120, QStringLiteral("10"), kFrames,
                               QStringLiteral("mjpeg"));
    }
    static void TearDownTestSuite() { delete dir; }
    static QString video() { return dir->filePath(QStringLiteral("pass.avi")); }

    void SetUp() override
    {
        ASSERT_TRUE(made) << "the ffmpeg program could not make the test video";
        player.resize(400, 300);
        player.show();
        ASSERT_TRUE(player.open(video()));
    }
    QSlider* slider() { return player.findChild<QSlider*>(QStringLiteral("sldPosition")); }
    // The decoder's own picture of frame n, as rows of BGR.
    static QByteArray rows(const QImage& image)
    {
        QByteArray bytes;
        for (int y = 0; y < image.height(); ++y)
            bytes.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 3);
        return bytes;
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline bool made = false;
    FramePlayer player;
};

TEST_F(FramePlayerTest, OpensOnTheFirstFrameWithItsNumberAndTime)
{
    EXPECT_TRUE(player.isOpen());
    EXPECT_EQ(player.fileName(), video());
    EXPECT_EQ(player.position(), 0);
    EXPECT_EQ(player.frameCount(), kFrames);
    EXPECT_TRUE(slider()->isEnabled());
    EXPECT_EQ(slider()->maximum(), kFrames - 1);
    EXPECT_EQ(player.positionText(), QStringLiteral("Frame 0 of 20   0.000 s"));
    ASSERT_TRUE(player.setPosition(15));
    EXPECT_EQ(player.positionText(), QStringLiteral("Frame 15 of 20   1.500 s"));
}

TEST_F(FramePlayerTest, ShowsTheDecodersOwnPictureOfEachFrame)
{
    for (qint64 n : {qint64(0), qint64(7), qint64(19)}) {
        ASSERT_TRUE(player.setPosition(n));
        EXPECT_EQ(rows(player.currentImage()), test::ffmpegFrameBgr(video(), n)) << "frame " << n;
    }
}

TEST_F(FramePlayerTest, StepsAndStaysWithinTheVideo)
{
    QSignalSpy moved(&player, &FramePlayer::positionChanged);
    ASSERT_TRUE(player.stepForward());
    ASSERT_TRUE(player.stepForward());
    EXPECT_EQ(player.position(), 2);
    ASSERT_TRUE(player.stepBack());
    EXPECT_EQ(player.position(), 1);
    EXPECT_EQ(moved.count(), 3);
    EXPECT_EQ(moved.last().at(0).toLongLong(), 1);

    ASSERT_TRUE(player.setPosition(500));
    EXPECT_EQ(player.position(), kFrames - 1);
    ASSERT_TRUE(player.stepForward());
    EXPECT_EQ(player.position(), kFrames - 1);
    ASSERT_TRUE(player.setPosition(-3));
    EXPECT_EQ(player.position(), 0);
    EXPECT_EQ(slider()->value(), 0);
}

TEST_F(FramePlayerTest, TheSliderSetsThePositionAndFollowsIt)
{
    slider()->setValue(12);
    EXPECT_EQ(player.position(), 12);
    ASSERT_TRUE(player.stepForward());
    EXPECT_EQ(slider()->value(), 13);
}

TEST_F(FramePlayerTest, NeverPlaysOnByItself)
{
    ASSERT_TRUE(player.setPosition(5));
    QTest::qWait(400);
    EXPECT_EQ(player.position(), 5);
}

TEST_F(FramePlayerTest, KeypadFourAndSixAskForAStepOtherKeysDoNot)
{
    QSignalSpy asked(&player, &FramePlayer::keypadStep);
    QTest::keyClick(&player, Qt::Key_6, Qt::KeypadModifier);
    QTest::keyClick(&player, Qt::Key_4, Qt::KeypadModifier);
    QTest::keyClick(&player, Qt::Key_6);
    ASSERT_EQ(asked.count(), 2);
    EXPECT_EQ(asked.at(0).at(0).toInt(), 1);
    EXPECT_EQ(asked.at(1).at(0).toInt(), -1);
    EXPECT_EQ(player.position(), 0); // the screen decides the step, not the player
}

TEST_F(FramePlayerTest, CloseReleasesTheFileSoItCanBeDeleted)
{
    player.close();
    EXPECT_FALSE(player.isOpen());
    EXPECT_TRUE(player.fileName().isEmpty());
    EXPECT_TRUE(player.positionText().isEmpty());
    EXPECT_FALSE(slider()->isEnabled());
    EXPECT_FALSE(player.setPosition(3));
    const QString copy = dir->filePath(QStringLiteral("copy.avi"));
    ASSERT_TRUE(QFile::copy(video(), copy));
    ASSERT_TRUE(player.open(copy));
    player.close();
    EXPECT_TRUE(QFile::remove(copy));
    ASSERT_TRUE(player.open(video())); // and it opens again afterwards
}

TEST_F(FramePlayerTest, AFileThatIsNoVideoLeavesNothingOpen)
{
    const QString text = dir->filePath(QStringLiteral("notes.avi"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a video at all");
    f.close();
    const Status opened = player.open(text);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(opened.error().isEmpty());
    EXPECT_FALSE(player.isOpen());
}

TEST_F(FramePlayerTest, PaintsTheFrameFittedAndCentredOnBlack)
{
    ASSERT_TRUE(player.setPosition(4));
    QImage canvas(640, 240, QImage::Format_RGB32); // twice as wide as the 4:3 frame fits
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        player.paintFrame(painter, canvas.rect());
    }
    EXPECT_EQ(canvas.pixel(10, 120), qRgb(0, 0, 0));  // left of the picture
    EXPECT_EQ(canvas.pixel(630, 120), qRgb(0, 0, 0)); // right of it
    // The fitted picture is 320 x 240 from x 160: its pixels are the frame's, scaled 2:1.
    const QImage frame = player.currentImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(canvas.pixel(160 + 2 * 40, 2 * 60), frame.pixel(40, 60));
}

TEST_F(FramePlayerTest, ThePictureFillsItsAreaAtTheLargestSizeKeepingItsShape)
{
    // A 160 x 120 pass in a 1200 x 800 player: the picture area takes all but the slider and
    // the caption, and the frame fills its full height, enlarged, centred across.
    player.resize(1200, 800);
    QApplication::processEvents();
    auto* area = player.findChild<QWidget*>(QStringLiteral("playerPicture"));
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->width(), 1200);
    EXPECT_GE(area->height(), 800 - 100);
    const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QSize fitted = QSize(160, 120).scaled(area->size(), Qt::KeepAspectRatio);
    const int left = (area->width() - fitted.width()) / 2;
    for (int y : {1, area->height() / 2, area->height() - 2})
        EXPECT_NE(shown.pixel(left + fitted.width() / 2, y), qRgb(0, 0, 0)) << y;
    EXPECT_EQ(shown.pixel(left - 3, area->height() / 2), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(left + fitted.width() + 3, area->height() / 2), qRgb(0, 0, 0));
}

} // namespace

// A phone's recording: a variable rate and a picture stored on its side. The caption gives
// each frame's own time, and the picture is shown upright.
TEST(FramePlayerPhoneTest, ShowsEachFramesOwnTimeAndTheUprightPicture)
{
    QTemporaryDir tmp;
    const QString flat = tmp.filePath(QStringLiteral("flat.mp4"));
    const QString phone = tmp.filePath(QStringLiteral("phone.mov"));
    // Ten frames 1/30 s apart, then ten 1/10 s apart.
    ASSERT_TRUE(test::makeVideo(flat, 160, 96, QStringLiteral("30"), 20, QStringLiteral("libx264"),
                                {QStringLiteral("-vf"),
                                 QStringLiteral("setpts='if(lt(N,10),N,3*N-20)/30/TB'"),
                                 QStringLiteral("-fps_mode"), QStringLiteral("passthrough")}));
    ASSERT_TRUE(
        test::runFfmpeg({QStringLiteral("-i"), flat, QStringLiteral("-c"), QStringLiteral("copy"),
                         QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=90"), phone}));
    FramePlayer player;
    ASSERT_TRUE(player.open(phone));
    EXPECT_EQ(player.frameCount(), 20);
    ASSERT_TRUE(player.setPosition(9));
    EXPECT_EQ(player.positionText(), QStringLiteral("Frame 9 of 20   0.300 s"));
    ASSERT_TRUE(player.setPosition(15));
    EXPECT_EQ(player.positionText(), QStringLiteral("Frame 15 of 20   0.833 s"));
    // Shown as the ffmpeg program shows it: turned a quarter clockwise, 96 wide and 160 high.
    EXPECT_EQ(player.currentImage().size(), QSize(96, 160));
    EXPECT_LE(test::maxChannelDifference(player.currentImage(), test::ffmpegFrameBgr(phone, 15)),
              2);
}
