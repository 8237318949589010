// zelvan-tool simulate: the three files of the synthetic site, written completely or not at
// all, and agreeing with the site they describe.
#include "sim/SimulatedSite.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include "review/FrameReader.h"

#include "FileFailures.h"
#include "ToolRun.h"
#include "Unprivileged.h"
#include <cmath>

using namespace zelvan::sim;

using zelvan::test::fileBytes;
using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

SimulatedSite siteFor(quint32 seed)
{
    SiteOptions o;
    o.seed = seed;
    return SimulatedSite(o);
}

quint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

} // namespace

class SimulateCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_FALSE(qgetenv("ZELVAN_TOOL").isEmpty());
    }
    QTemporaryDir tmp;
};

TEST_F(SimulateCommand, WritesTheSiteItDescribes)
{
    const QString out = tmp.filePath("site");
    const ToolRun r = runTool({"simulate", "--out", out, "--seed", "21"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty());
    const QJsonObject result = r.json();
    EXPECT_EQ(result["dir"].toString(), QDir::toNativeSeparators(out));
    const QJsonArray files = result["files"].toArray();
    ASSERT_EQ(files.size(), 3);
    for (const auto& f : files)
        EXPECT_TRUE(QFileInfo::exists(f.toString())) << qPrintable(f.toString());
    EXPECT_EQ(entries(out), QStringList({"jump.avi", "setup.bmp", "site.json"}));

    const SimulatedSite site = siteFor(21);
    const QJsonObject written = QJsonDocument::fromJson(fileBytes(out + "/site.json")).object();
    EXPECT_EQ(written, site.siteJson());
    EXPECT_EQ(result["landingFrame"].toInt(), site.landingFrame());

    // The set-up picture: the station's 24-bit bottom-up BMP, pixel for pixel the site's.
    const QByteArray bmp = fileBytes(out + "/setup.bmp");
    ASSERT_GT(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bmp, 2), quint32(bmp.size()));
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 18), 640u);
    EXPECT_EQ(le32(bmp, 22), 480u); // positive height: bottom-up rows
    EXPECT_EQ(qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bmp.constData()) + 28), 24);
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(bmp, "BMP"));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32),
              site.renderSetup().convertToFormat(QImage::Format_RGB32));
}

TEST_F(SimulateCommand, LandingIsVisibleInTheRecordedPass)
{
    const QString out = tmp.filePath("site");
    const ToolRun r = runTool({"simulate", "--out", out, "--seed", "4"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject site = QJsonDocument::fromJson(fileBytes(out + "/site.json")).object();
    const QJsonObject landing = site["landing"].toObject();
    const int frame = landing["frame"].toInt();
    const QJsonArray screen = landing["screen"].toArray();
    const QPoint at(int(std::lround(screen[0].toDouble() / 15)),
                    int(std::lround(screen[1].toDouble() / 15)));

    zelvan::review::FrameReader reader;
    ASSERT_TRUE(reader.open(out + "/jump.avi").ok());
    EXPECT_EQ(reader.frameCount(), site["frameCount"].toInt());
    EXPECT_EQ(reader.size(), QSize(640, 480));
    EXPECT_NEAR(reader.frameRate(), 30, 1e-6);

    auto brightness = [](QRgb p) { return std::min({qRed(p), qGreen(p), qBlue(p)}); };
    const QImage before = reader.frame(0).valueOr(QImage());
    ASSERT_FALSE(before.isNull());
    const QRgb water = before.pixel(at);
    EXPECT_GT(qBlue(water), qRed(water) + 20) << "water at the landing point before the jump";
    EXPECT_LT(brightness(water), 150);
    // Frame numbers in the file are the site's: no spray up to the contact frame.
    for (int k : {-1, 0})
        EXPECT_LT(brightness(reader.frame(frame + k).valueOr(QImage()).pixel(at)), 150)
            << "frame " << k;
    for (int k : {1, 3, 8, 14}) {
        const QImage img = reader.frame(frame + k).valueOr(QImage());
        ASSERT_FALSE(img.isNull());
        for (int dx = -1; dx <= 1; ++dx)
            EXPECT_GT(brightness(img.pixel(at + QPoint(dx, 0))), 185) << "splash at frame +" << k;
    }
}

TEST_F(SimulateCommand, SameSeedSameFilesOtherSeedOtherSite)
{
    const QString a = tmp.filePath("a"), b = tmp.filePath("b"), c = tmp.filePath("c");
    ASSERT_EQ(runTool({"simulate", "--out", a, "--seed", "8"}).exitCode, 0);
    ASSERT_EQ(runTool({"simulate", "--out", b, "--seed", "8"}).exitCode, 0);
    ASSERT_EQ(runTool({"simulate", "--out", c, "--seed", "9"}).exitCode, 0);
    for (const char* name : {"/site.json", "/setup.bmp"})
        EXPECT_EQ(fileBytes(a + name), fileBytes(b + name)) << name;
    EXPECT_NE(fileBytes(a + "/site.json"), fileBytes(c + "/site.json"));
    // Without --seed the site is seed 1.
    const QString d = tmp.filePath("d");
    ASSERT_EQ(runTool({"simulate", "--out", d}).exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(fileBytes(d + "/site.json")).object(), siteFor(1).siteJson());
}

TEST_F(SimulateCommand, ReplacesAnEarlierSiteAndLeavesOtherFiles)
{
    const QString out = tmp.filePath("site");
    ASSERT_EQ(runTool({"simulate", "--out", out, "--seed", "2"}).exitCode, 0);
    QFile other(out + "/notes.txt");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("keep me");
    other.close();
    ASSERT_EQ(runTool({"simulate", "--out", out, "--seed", "3"}).exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(fileBytes(out + "/site.json")).object(),
              siteFor(3).siteJson());
    EXPECT_EQ(fileBytes(out + "/notes.txt"), QByteArray("keep me"));
    EXPECT_EQ(entries(out), QStringList({"jump.avi", "notes.txt", "setup.bmp", "site.json"}));
}

TEST_F(SimulateCommand, BadInputIsRefusedAndWritesNothing)
{
    QFile file(tmp.filePath("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    const QStringList before = entries(tmp.path());

    struct Case {
        QStringList args;
        const char* reason;
    };
    const Case cases[] = {
        {{"simulate", "--out", tmp.filePath("plain.txt")}, "--out is not a folder"},
        {{"simulate", "--out", tmp.filePath("plain.txt/inside/deeper")}, "cannot create folder"},
        {{"simulate", "--out", tmp.filePath("new"), "--seed", "abc"}, "--seed must be"},
        {{"simulate", "--out", tmp.filePath("new"), "--seed", "-4"}, "--seed must be"},
        {{"simulate", "--out", tmp.filePath("new"), "--size", "641x480"}, "--size must be"},
        {{"simulate", "--out", tmp.filePath("new"), "--fps", "0"}, "--fps must be"},
        {{"simulate", "--out", tmp.filePath("new"), "--sed", "4"}, "unknown option --sed"},
        {{"simulate"}, "--out is required"},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("error: ")) << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.constData();
        EXPECT_EQ(r.err.count('\n'), 1);
        EXPECT_EQ(entries(tmp.path()), before) << qPrintable(c.args.join(' '));
    }
    EXPECT_EQ(fileBytes(tmp.filePath("plain.txt")), QByteArray("x"));
}

TEST_F(SimulateCommand, ReadOnlyFolderIsRefusedAndKeptAsItWas)
{
    const QString out = tmp.filePath("locked");
    ASSERT_TRUE(QDir().mkpath(out));
    QFile old(out + "/site.json");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("{}");
    old.close();
    const QFile::Permissions readable =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(tmp.path(), readable | QFile::WriteOwner);
    QFile::setPermissions(out, readable);
    std::function<void()> account;
#ifdef Q_OS_UNIX
    // The superuser writes anywhere: the tool runs as "nobody" for whom the folder is locked.
    if (geteuid() == 0)
        account = zelvan::test::childAsNobody;
#endif
    QFile probe(out + "/probe");
    if (!account && probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QFile::setPermissions(out, readable | QFile::WriteOwner);
        GTEST_SKIP() << "read-only folders are writable for this account";
    }
    const ToolRun r = runTool({"simulate", "--out", out}, 60000, account);
    QFile::setPermissions(out, readable | QFile::WriteOwner);
    if (r.exitCode == zelvan::test::kNoAccountChange)
        GTEST_SKIP() << "the tool cannot be run as another account here";
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("error: cannot write to folder")) << r.err.constData();
    EXPECT_EQ(entries(out), QStringList({"site.json"}));
    EXPECT_EQ(fileBytes(out + "/site.json"), QByteArray("{}"));
}

TEST_F(SimulateCommand, SiteDescriptionIsAStationSetup)
{
    const QString out = tmp.filePath("site");
    ASSERT_EQ(runTool({"simulate", "--out", out, "--seed", "13"}).exitCode, 0);
    const ToolRun r = runTool({"grid", "solve", "--in", out + "/site.json"});
    if (r.err.startsWith("error: unknown command"))
        GTEST_SKIP() << "grid solve is not part of this build";
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject solved = r.json();
    EXPECT_TRUE(solved["accepted"].toBool());
    EXPECT_EQ(solved["messages"].toArray().size(), 0);
    EXPECT_LE(solved["fieldOfView"].toDouble(), 30);
    EXPECT_GE(solved["screenWidthPercent"].toDouble(), 80);
    EXPECT_GE(solved["frontRatio"].toDouble(), 80);
    EXPECT_TRUE(solved["checkBuoy"].toObject()["valid"].toBool());
}

#ifdef Q_OS_UNIX
TEST(SimulateFullDisk, LeavesTheFolderAsItWasAndClaimsNothingKept)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("site"));
    ASSERT_TRUE(QDir().mkpath(out));
    QFile earlier(out + QStringLiteral("/site.json"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier site");
    earlier.close();
    // 1 byte: the first file fails; 2 MB: the pictures fit, the video does not.
    for (rlim_t limit : {rlim_t(1), rlim_t(2) * 1024 * 1024}) {
        SCOPED_TRACE(limit);
        const ToolRun r = zelvan::test::runToolWithFileSizeLimit(
            {QStringLiteral("simulate"), QStringLiteral("--out"), out, QStringLiteral("--seed"),
             QStringLiteral("7")},
            limit);
        zelvan::test::expectRefused(r);
        EXPECT_TRUE(r.errText().startsWith(QStringLiteral("error: cannot write ") + out))
            << r.errText().toStdString();
        EXPECT_TRUE(r.errText().contains(QStringLiteral("File too large")))
            << r.errText().toStdString();
        EXPECT_FALSE(r.errText().contains(QStringLiteral("kept"))) << r.errText().toStdString();
        EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("site.json")});
        QFile kept(out + QStringLiteral("/site.json"));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("earlier site"));
    }
}
#endif

TEST_F(SimulateCommand, NoSkierWritesMovingWaterWithNobodyOnIt)
{
    const QString out = tmp.filePath("empty");
    const ToolRun r = runTool({"simulate", "--out", out, "--seed", "5", "--no-skier"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject written = QJsonDocument::fromJson(fileBytes(out + "/site.json")).object();
    EXPECT_FALSE(written["skier"].toBool());
    EXPECT_TRUE(written["movingWater"].toBool());
    EXPECT_EQ(written, SimulatedSite(skierFreeSite(5)).siteJson());

    // The pass holds the variant's pictures: the water moves from frame to frame, and the
    // pictures are the skier-free site's (MJPEG keeps them close, not exact).
    zelvan::review::FrameReader reader;
    ASSERT_TRUE(reader.open(out + "/jump.avi").ok());
    const SimulatedSite empty(skierFreeSite(5));
    const SimulatedSite withSkier = siteFor(5);
    const int n = withSkier.landingFrame() - 5;
    const QRect skier = withSkier.skierBounds(n).toAlignedRect();
    ASSERT_FALSE(skier.isEmpty());
    const auto frame = reader.frame(n);
    ASSERT_TRUE(frame.ok()) << qPrintable(frame.error());
    const QImage got = frame->convertToFormat(QImage::Format_RGB32);
    const QImage expected = empty.renderFrame(n);
    double worst = 0;
    for (int y = skier.top(); y <= skier.bottom(); ++y)
        for (int x = skier.left(); x <= skier.right(); ++x)
            worst = std::max(
                worst, double(std::abs(qGreen(got.pixel(x, y)) - qGreen(expected.pixel(x, y)))));
    EXPECT_LT(worst, 40) << "a skier where there should be none";
}
