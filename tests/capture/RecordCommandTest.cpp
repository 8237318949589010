// zelvan-tool devices and record, run as a separate process like a script would.
#include "AviProbe.h"
#include "capture/TestPatternGenerator.h"

#include "FileFailures.h"
#include "ToolRun.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using zelvan::test::probeAvi;

using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

} // namespace

TEST(RecordCommand, DevicesListsBuiltInDevicesWithSizesAndRates)
{
    const ToolRun r = runTool({"devices"});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QJsonArray video = r.json()["video"].toArray();
    ASSERT_GE(video.size(), 2);
    const QJsonObject pattern = video.at(video.size() - 2).toObject();
    EXPECT_EQ(pattern["name"].toString(), "Test Pattern");
    EXPECT_TRUE(pattern["sizes"].toArray().contains("1920x1080"));
    EXPECT_TRUE(pattern["rates"].toArray().contains(60.0));
    // Its modes: each colour format at every size and rate, as the capture panel offers them.
    const QJsonArray modes = pattern["modes"].toArray();
    EXPECT_EQ(modes.size(),
              2 * pattern["sizes"].toArray().size() * pattern["rates"].toArray().size());
    EXPECT_TRUE(
        modes.contains(QJsonObject{{"format", "yuvj420p"}, {"size", "1920x1080"}, {"rate", 60.0}}));
    EXPECT_TRUE(
        modes.contains(QJsonObject{{"format", "bgr24"}, {"size", "1920x1080"}, {"rate", 60.0}}));
    EXPECT_EQ(video.last().toObject()["name"].toString(), "Simulated Jump Site");
    EXPECT_EQ(r.json()["audio"].toArray().last().toObject()["name"].toString(), "Test Tone");
}

TEST(RecordCommand, RecordsAndReportsTheFields)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("pass.avi");
    const ToolRun r = runTool({"record", "--device", "Test Pattern", "--seconds", "1.5", "--fps",
                               "20", "--size", "320x240", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(QDir::fromNativeSeparators(r.json()["file"].toString()), out);
    EXPECT_NEAR(r.json()["framesCaptured"].toDouble(), 30, 1);
    EXPECT_EQ(r.json()["framesDropped"].toDouble(), 0);
    EXPECT_EQ(r.json()["frameRate"].toDouble(), 20);
    EXPECT_NEAR(r.json()["captureTimeMs"].toDouble(), 1500, 100);
    const auto probe = probeAvi(out);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, int(r.json()["framesCaptured"].toDouble()));
}

TEST(RecordCommand, BadInputIsAnErrorAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("x.avi");
    const QList<QStringList> bad{
        {"record", "--device", "No Such Camera", "--seconds", "1", "--out", out},
        {"record", "--device", "Test Pattern", "--seconds", "1", "--size", "333x222", "--out", out},
        {"record", "--device", "Test Pattern", "--seconds", "1", "--size", "big", "--out", out},
        {"record", "--device", "Test Pattern", "--seconds", "abc", "--out", out},
        {"record", "--device", "Test Pattern", "--seconds", "1", "--codec", "nope", "--out", out},
        {"record", "--device", "Test Pattern", "--seconds", "1", "--out",
         dir.filePath("missing/x.avi")},
        {"record", "--device", "Test Pattern", "--seconds", "1"},
        {"record", "--device", "Test Pattern", "--seconds", "1", "--out", out, "--bogus", "1"},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.errText().startsWith("error: ")) << r.errText().toStdString();
        EXPECT_TRUE(r.json().isEmpty());
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(RecordCommand, ARecordingWithoutAPictureIsAnError)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("short.avi");
    // Shorter than one frame period: no picture belongs to it.
    const ToolRun r = runTool({"record", "--device", "Test Pattern", "--seconds", "0.01", "--fps",
                               "10", "--size", "320x240", "--out", out});
    zelvan::test::expectRefused(r);
    EXPECT_TRUE(
        r.errText().contains("Nothing was recorded: no picture arrived before the recording ended"))
        << r.errText().toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(RecordCommand, AKeptPartialRecordingSurvivesTheNextRecording)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("jump.avi");
    const QByteArray kept("frames of the jump that was cut short");
    {
        QFile part(out + ".part");
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write(kept);
    }
    const ToolRun r = runTool({"record", "--device", "Test Pattern", "--seconds", "0.5", "--fps",
                               "20", "--size", "320x240", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_GT(probeAvi(out).decodedFrames, 0);
    QFile part(out + ".part");
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    EXPECT_EQ(part.readAll(), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"jump.avi", "jump.avi.part"}));
}

#ifdef Q_OS_UNIX
TEST(RecordCommand, AFullDiskKeepsTheFramesInAPartThatReadsBack)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("cut.avi");
    // 2 MB hold a second or two of these pictures, not three.
    const ToolRun r = zelvan::test::runToolWithFileSizeLimit({"record", "--device", "Test Pattern",
                                                              "--seconds", "3", "--fps", "30",
                                                              "--size", "640x480", "--out", out},
                                                             2 * 1024 * 1024);
    zelvan::test::expectRefused(r);
    EXPECT_TRUE(r.errText().contains("File too large")) << r.errText().toStdString();
    EXPECT_FALSE(QFile::exists(out));
    ASSERT_TRUE(QFile::exists(out + ".part"));
    const auto probe = probeAvi(out + ".part");
    EXPECT_GT(probe.decodedFrames, 10);
    EXPECT_EQ(probe.headerFrames, probe.decodedFrames) << "every reader counts the kept frames";
    EXPECT_TRUE(
        r.errText().endsWith(QStringLiteral("; the %1 frames recorded so far are kept in %2\n")
                                 .arg(probe.decodedFrames)
                                 .arg(out + ".part")))
        << r.errText().toStdString();
    // The next recording of that name leaves the kept frames alone.
    const ToolRun again = runTool({"record", "--device", "Test Pattern", "--seconds", "0.5",
                                   "--fps", "30", "--size", "640x480", "--out", out});
    ASSERT_EQ(again.exitCode, 0) << again.errText().toStdString();
    EXPECT_EQ(probeAvi(out + ".part").decodedFrames, probe.decodedFrames);
}

TEST(RecordCommand, SpecialFilesAreNeverRecordedOver)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& target : {fifo, QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(target.toStdString());
        const ToolRun r = runTool({"record", "--device", "Test Pattern", "--seconds", "0.5",
                                   "--fps", "20", "--size", "320x240", "--out", target},
                                  30000);
        zelvan::test::expectRefused(r);
        EXPECT_EQ(r.errText(),
                  QStringLiteral("error: Cannot write %1: it is not a regular file\n").arg(target));
        struct stat st {
        };
        ASSERT_EQ(stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode));
    }
}
#endif

TEST(RecordCommand, AnExistingFileIsNeverReplaced)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("keep.avi");
    {
        QFile keep(out);
        ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
        keep.write("keep");
    }
    const ToolRun r = runTool({"record", "--device", "Test Pattern", "--seconds", "0.5", "--fps",
                               "10", "--size", "320x240", "--out", out});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.errText().contains("a file of that name is already there"))
        << r.errText().toStdString();
    QFile keep(out);
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), "keep");
    EXPECT_GT(probeAvi(out + ".part").decodedFrames, 0);
}

TEST(RecordCommand, SecondsBeforeALateStartAreTheDevicesFramesBeforeIt)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("late.avi");
    const ToolRun r =
        runTool({"record", "--device", "Test Pattern", "--seconds", "1", "--size", "320x240",
                 "--pre-seconds", "2", "--start-after", "3", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(r.json()["preFrames"].toDouble(), 60);
    EXPECT_EQ(r.json()["startFrame"].toDouble(), 60);
    EXPECT_EQ(r.json()["framesCaptured"].toDouble() + r.json()["framesDropped"].toDouble(), 90);
    const auto probe = probeAvi(out);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, 90);
    // The card numbers its pictures from the device's start: the file's first is about a
    // second in (Start at 3 s, 2 s kept), its last 89 pictures later.
    const int first = zelvan::capture::TestPatternGenerator::decodeFrameNumber(probe.firstFrame);
    const int last = zelvan::capture::TestPatternGenerator::decodeFrameNumber(probe.lastFrame);
    EXPECT_NEAR(first, 30, 6);
    EXPECT_EQ(last - first, 89);
    EXPECT_FALSE(QFileInfo::exists(out + ".part"));
}

TEST(RecordCommand, TheTriggerStartsOnTheSkierAndGivesUpOnTheEmptySite)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("trig.avi");
    // A zone on the landing area of the 640x480 site.
    const ToolRun fired =
        runTool({"record", "--device", "Simulated Jump Site", "--seconds", "1", "--pre-seconds",
                 "1", "--trigger", "260,220,120,80", "--arm-seconds", "20", "--out", out});
    ASSERT_EQ(fired.exitCode, 0) << fired.errText().toStdString();
    EXPECT_EQ(fired.json()["startFrame"].toDouble(), 30);
    EXPECT_GE(fired.json()["preFrames"].toDouble(), 30);
    EXPECT_EQ(probeAvi(out).decodedFrames, 60);

    qputenv("ZELVAN_SIMULATED_SITE", "no-skier");
    const QString none = dir.filePath("none.avi");
    const ToolRun quiet =
        runTool({"record", "--device", "Simulated Jump Site", "--seconds", "1", "--trigger",
                 "260,220,120,80", "--arm-seconds", "3", "--out", none});
    qunsetenv("ZELVAN_SIMULATED_SITE");
    EXPECT_EQ(quiet.exitCode, 2);
    EXPECT_EQ(quiet.errText().trimmed(),
              "error: the trigger did not fire within 3 seconds; nothing was recorded");
    EXPECT_TRUE(quiet.json().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"trig.avi"});
}

TEST(RecordCommand, BadStartOptionsAreErrors)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("x.avi");
    const QStringList base{"record", "--device", "Simulated Jump Site", "--seconds", "1",
                           "--out",  out};
    const QList<std::pair<QStringList, QString>> bad{
        {{"--pre-seconds", "6"}, "error: --pre-seconds: "},
        {{"--pre-seconds", "two"}, "error: --pre-seconds: "},
        {{"--start-after", "-1"}, "error: --start-after must be 0 to 3600 seconds"},
        {{"--start-after", "2", "--trigger", "1,1,20,20"},
         "error: give either --start-after or --trigger, not both"},
        {{"--arm-seconds", "3"}, "error: --arm-seconds and --threshold need --trigger"},
        {{"--trigger", "1,1,2"}, "error: --trigger: "},
        {{"--trigger", "1,1,20,20", "--arm-seconds", "0"},
         "error: --arm-seconds must be a number of seconds above 0"},
        {{"--trigger", "630,470,40,40", "--arm-seconds", "1"},
         "error: --trigger: the zone 630,470,40,40 is not inside the 640x480 picture"},
    };
    for (const auto& [extra, text] : bad) {
        SCOPED_TRACE(extra.join(' ').toStdString());
        const ToolRun r = runTool(base + extra);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.errText().startsWith(text)) << r.errText().toStdString();
        EXPECT_TRUE(r.json().isEmpty());
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}
