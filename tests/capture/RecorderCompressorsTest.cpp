// The compressor list offers what keeps up live: measured on this machine, at the size and
// rate asked.
#include "capture/RecorderCompressors.h"
#include "capture/FfmpegCaptureControl.h"

#include <QCoreApplication>
#include <cstdio>
#include <gtest/gtest.h>

using namespace zelvan::capture;

TEST(RecorderCompressorsTest, OnlyEncodersThatKeepUpAreOffered)
{
    const QStringList candidates = compressorCandidates();
    ASSERT_FALSE(candidates.isEmpty());
    EXPECT_EQ(candidates.first(), "MJPEG");
    for (const QSize size : {QSize(640, 480), QSize(1280, 720), QSize(1920, 1080)}) {
        std::printf("%dx%d:", size.width(), size.height());
        for (const QString& codec : candidates)
            std::printf(" %s %.0f", qPrintable(codec), encodeRate(codec, size));
        std::printf("\n");
        for (const double fps : {30.0, 60.0}) {
            const QStringList live = liveCompressors(size, fps);
            for (const QString& codec : candidates)
                EXPECT_EQ(live.contains(codec), encodeRate(codec, size) >= fps * 4 / 3)
                    << codec.toStdString() << " at " << size.width() << " " << fps;
        }
    }
    // No encoder compresses a picture in a microsecond.
    EXPECT_TRUE(liveCompressors(QSize(640, 480), 1e6).isEmpty());
    // A size the encoder refuses counts as not keeping up.
    EXPECT_EQ(encodeRate("MJPEG", QSize(0, 0)), 0);
    EXPECT_EQ(encodeRate("not-a-codec", QSize(640, 480)), 0);
}

TEST(RecorderCompressorsTest, TheControlListsTheLiveOnesAndKeepsItsChoiceByName)
{
    int argc = 1;
    char name[] = "capture_compressors_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    control.setFrameRate(30);
    QStringList listed;
    for (int i = 0; i < control.videoCompressorCount(); ++i)
        listed << control.videoCompressorName(i);
    EXPECT_EQ(listed, liveCompressors(control.frameSize(), 30));
    EXPECT_EQ(control.videoCompressorName(control.videoCompressorIndex()), "MJPEG");
    control.setVideoCompressorIndex(-1);
    EXPECT_EQ(control.videoCompressorIndex(), -1);
}
