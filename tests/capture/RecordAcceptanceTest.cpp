// The recordings a station must manage on a two-core machine: 1280x720 at 30 fps for 10 s and
// 1920x1080 at 60 fps for 5 s from "Test Pattern", no frame dropped, rate x seconds (+-1)
// frames in a file FFmpeg reads. Run alone (timing means nothing on a loaded machine).
#include "AviProbe.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using zelvan::test::probeAvi;

namespace
{

void recordAndCheck(const QString& size, int fps, int seconds)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("acceptance.avi");
    QProcess p;
    p.start(qEnvironmentVariable("ZELVAN_TOOL"),
            {"record", "--device", "Test Pattern", "--seconds", QString::number(seconds), "--fps",
             QString::number(fps), "--size", size, "--out", out});
    ASSERT_TRUE(p.waitForFinished(seconds * 1000 + 60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const int expected = fps * seconds;
    EXPECT_EQ(json["framesDropped"].toDouble(), 0);
    EXPECT_NEAR(json["framesCaptured"].toDouble(), expected, 1);

    const auto probe = probeAvi(out);
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_EQ(QString("%1x%2").arg(probe.width).arg(probe.height), size);
    EXPECT_EQ(probe.decodedFrames, int(json["framesCaptured"].toDouble()));

    // ffprobe, an independent reader, must agree when it is installed.
    const auto ffprobe = zelvan::test::ffprobeCount(out);
    if (!ffprobe)
        return;
    ASSERT_TRUE(ffprobe->ok);
    EXPECT_EQ(ffprobe->format, "avi");
    EXPECT_NEAR(ffprobe->frames, expected, 1);
    EXPECT_EQ(ffprobe->frameRate, QString("%1/1").arg(fps));
}

} // namespace

TEST(RecordAcceptance, Hd720At30FpsFor10Seconds)
{
    recordAndCheck("1280x720", 30, 10);
}

TEST(RecordAcceptance, FullHdAt60FpsFor5Seconds)
{
    recordAndCheck("1920x1080", 60, 5);
}
