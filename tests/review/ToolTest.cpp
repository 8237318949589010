// zelvan-tool avi-info and frame: one JSON object on success; on bad input one "error:" line,
// exit code 2 and no file written.
#include "AviBuilder.h"
#include "VideoFixtures.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "FileFailures.h"
#include "ToolRun.h"
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zelvan::test;

using zelvan::test::expectRefused;
using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

class ToolTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariable("ZELVAN_TOOL").isEmpty());
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(makeVideo(file("pass.avi"), 320, 240, QStringLiteral("30000/1001"), 18,
                              QStringLiteral("mjpeg")));
        ASSERT_TRUE(makeVideo(file("pass.mp4"), 320, 240, QStringLiteral("25"), 18,
                              QStringLiteral("libx264")));
    }
    static void TearDownTestSuite() { dir.reset(); }
    static QString file(const char* name) { return dir->filePath(QString::fromLatin1(name)); }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static std::unique_ptr<QTemporaryDir> dir;
};
std::unique_ptr<QTemporaryDir> ToolTest::dir;

TEST_F(ToolTest, AviInfoReportsTheHeaders)
{
    const ToolRun r = runTool({QStringLiteral("avi-info"), file("pass.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject o = r.json();
    EXPECT_EQ(o.value("isAvi").toBool(false), true);
    EXPECT_EQ(o.value("frameRate").toDouble(), 30);
    EXPECT_EQ(o.value("frameCount").toDouble(), 18);
    EXPECT_EQ(o.value("width").toDouble(), 320);
    EXPECT_EQ(o.value("height").toDouble(), 240);
    EXPECT_EQ(o.value("codec").toString(), QStringLiteral("MJPG"));

    AviSpec spec;
    spec.fourcc = "H264";
    spec.rate = 60000;
    spec.scale = 1001;
    spec.length = 300;
    spec.width = 1920;
    spec.height = 1080;
    write(file("hand.avi"), buildAvi(spec));
    const QJsonObject h = runTool({QStringLiteral("avi-info"), file("hand.avi")}).json();
    EXPECT_EQ(h.value("frameRate").toDouble(), 60);
    EXPECT_EQ(h.value("frameCount").toDouble(), 300);
    EXPECT_EQ(h.value("width").toDouble(), 1920);
    EXPECT_EQ(h.value("codec").toString(), QStringLiteral("H264"));
}

TEST_F(ToolTest, AviInfoOnOtherFiles)
{
    write(file("notes.avi"), "plain text\r\n");
    for (const char* name : {"notes.avi", "pass.mp4"}) {
        const ToolRun r = runTool({QStringLiteral("avi-info"), file(name)});
        ASSERT_EQ(r.exitCode, 0) << name;
        EXPECT_EQ(r.json().value("isAvi").toBool(true), false) << name;
        EXPECT_EQ(r.json().value("frameCount").toDouble(-1), 0) << name;
    }
    const ToolRun missing = runTool({QStringLiteral("avi-info"), file("missing.avi")});
    expectRefused(missing);
    EXPECT_TRUE(missing.err.contains("File does not exist:"));
    write(file("cut.avi"), buildAvi(AviSpec()).left(40));
    const ToolRun cut = runTool({QStringLiteral("avi-info"), file("cut.avi")});
    expectRefused(cut);
    EXPECT_TRUE(cut.err.contains("Unable to read AVI file info from:"));
    expectRefused(runTool({QStringLiteral("avi-info")}));
}

TEST_F(ToolTest, FrameWritesTheStationBitmap)
{
    const QString out = file("frame.bmp");
    const ToolRun r =
        runTool({QStringLiteral("frame"), QStringLiteral("--video"), file("pass.mp4"),
                 QStringLiteral("--frame"), QStringLiteral("11"), QStringLiteral("--out"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject o = r.json();
    EXPECT_EQ(o.value("width").toDouble(), 320);
    EXPECT_EQ(o.value("height").toDouble(), 240);
    EXPECT_EQ(o.value("frame").toDouble(), 11);
    EXPECT_TRUE(o.value("written").toString().endsWith(QStringLiteral("frame.bmp")));
    const QByteArray bmp = read(out);
    ASSERT_EQ(bmp.size(), 320 * 3 * 240 + 54);
    const auto* p = reinterpret_cast<const uchar*>(bmp.constData());
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 2), quint32(bmp.size()));
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 10), 54u);
    EXPECT_EQ(qFromLittleEndian<quint16>(p + 28), 24);
    QByteArray topDown;
    for (int y = 239; y >= 0; --y)
        topDown += bmp.mid(54 + y * 960, 960);
    const QByteArray expected = ffmpegFrameBgr(file("pass.mp4"), 11);
    ASSERT_EQ(topDown.size(), expected.size());
    int worst = 0;
    for (qsizetype i = 0; i < topDown.size(); ++i)
        worst = qMax(worst, qAbs(int(uchar(topDown[i])) - int(uchar(expected[i]))));
    EXPECT_LE(worst, 2);
}

TEST_F(ToolTest, FrameRefusesBadInputAndWritesNothing)
{
    write(file("notes.avi"), "plain text\r\n");
    write(file("keep.bmp"), "earlier picture");
    const QString fresh = file("fresh.bmp");
    const QStringList bad[] = {
        {"--video", file("pass.avi"), "--frame", "18", "--out", fresh},
        {"--video", file("pass.avi"), "--frame", "-1", "--out", fresh},
        {"--video", file("pass.avi"), "--frame", "two", "--out", fresh},
        {"--video", file("notes.avi"), "--frame", "0", "--out", fresh},
        {"--video", file("missing.avi"), "--frame", "0", "--out", fresh},
        {"--video", file("pass.avi"), "--frame", "0", "--out", file("no/such/dir.bmp")},
        {"--video", file("pass.avi"), "--frame", "0", "--out", dir->path()},
        {"--video", file("pass.avi"), "--frame", "0"},
        {"--video", file("pass.avi"), "--frame", "0", "--out", fresh, "--speed", "2"},
        {"--video", file("pass.avi"), "--frame", "99", "--out", file("keep.bmp")},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        expectRefused(runTool(QStringList{QStringLiteral("frame")} + args));
        EXPECT_FALSE(QFile::exists(fresh));
    }
    EXPECT_EQ(read(file("keep.bmp")), QByteArray("earlier picture"));
}

#ifdef Q_OS_UNIX
TEST_F(ToolTest, SpecialFilesAreRefusedWithoutBlocking)
{
    const QString fifo = file("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Nothing ever writes into the FIFO: a tool that opened it would never finish.
    ToolRun r = runTool({QStringLiteral("avi-info"), fifo}, 20000);
    expectRefused(r);
    EXPECT_EQ(r.errText(), QStringLiteral("error: File is not a regular file - cannot read: ") +
                               fifo + QLatin1Char('\n'));
    r = runTool({QStringLiteral("frame"), QStringLiteral("--video"), fifo,
                 QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--out"),
                 file("from-fifo.bmp")},
                20000);
    expectRefused(r);
    EXPECT_EQ(r.errText(), QStringLiteral("error: %1 is not a regular file\n").arg(fifo));
    EXPECT_FALSE(QFile::exists(file("from-fifo.bmp")));

    // A picture is never written onto a FIFO or a device, which stay what they were.
    const QString outFifo = file("pipe.bmp");
    ASSERT_EQ(mkfifo(QFile::encodeName(outFifo).constData(), 0600), 0);
    for (const QString& target : {outFifo, QStringLiteral("/dev/full")}) {
        SCOPED_TRACE(target.toStdString());
        r = runTool({QStringLiteral("frame"), QStringLiteral("--video"), file("pass.avi"),
                     QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--out"),
                     target},
                    20000);
        expectRefused(r);
        EXPECT_EQ(r.errText(),
                  QStringLiteral("error: Cannot write %1: it is not a regular file\n").arg(target));
        struct stat st {
        };
        ASSERT_EQ(stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode));
    }
}

TEST_F(ToolTest, AFullDiskKeepsThePreviousPicture)
{
    const QString out = file("kept.bmp");
    write(out, "earlier picture");
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(100)}) {
        SCOPED_TRACE(limit);
        const ToolRun r = runToolWithFileSizeLimit(
            {QStringLiteral("frame"), QStringLiteral("--video"), file("pass.avi"),
             QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--out"), out},
            limit);
        expectRefused(r);
        EXPECT_EQ(r.errText(),
                  QStringLiteral("error: frame 0 not written: Cannot write %1: File too large\n")
                      .arg(out));
        EXPECT_EQ(read(out), QByteArray("earlier picture"));
    }
}
#endif

} // namespace
