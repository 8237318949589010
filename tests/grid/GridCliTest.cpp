// zelvan-tool's grid commands end to end: solve and save a set-up, then measure with the
// saved grid file; bad input never writes anything.
#include "TestSite.h"

#include "FileFailures.h"
#include "ToolRun.h"
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using zelvan::grid::PlanePoint;
using zelvan::test::TestSite;

using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

QJsonObject point(const TestSite& site, PlanePoint s)
{
    const PlanePoint w = site.water(s.x, s.y);
    return {{QStringLiteral("screen"), QJsonArray{s.x, s.y}},
            {QStringLiteral("survey"), QJsonArray{w.x, w.y}}};
}

QJsonObject setupJson(const TestSite& site)
{
    return {{QStringLiteral("grid"), 1},
            {QStringLiteral("numGrids"), 1},
            {QStringLiteral("description"), QStringLiteral("Lake north camera")},
            {QStringLiteral("pictureWidthTwips"), site.pictureWidth},
            {QStringLiteral("upperRight"), point(site, site.upperRight())},
            {QStringLiteral("lowerRight"), point(site, site.lowerRight())},
            {QStringLiteral("upperLeft"), point(site, site.upperLeft())},
            {QStringLiteral("lowerLeft"), point(site, site.lowerLeft())},
            {QStringLiteral("check"), point(site, site.check)},
            {QStringLiteral("jump"), QJsonArray{site.jumpX, site.jumpY}}};
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

class GridCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariable("ZELVAN_TOOL").isEmpty());
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(GridCli, SolveSaveThenMeasureWithTheSavedGrid)
{
    const TestSite site;
    const QString in =
        writeFile(dir, QStringLiteral("setup.json"), QJsonDocument(setupJson(site)).toJson());
    const QString grid = dir.filePath(QStringLiteral("lake.ipt"));
    ToolRun r = runTool({QStringLiteral("grid"), QStringLiteral("solve"), QStringLiteral("--in"),
                         in, QStringLiteral("--save"), grid});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(r.json().value(QStringLiteral("accepted")).toBool());
    const QJsonArray c = r.json().value(QStringLiteral("coefficients")).toArray();
    ASSERT_EQ(c.size(), 8);
    EXPECT_NEAR(c[1].toDouble(), site.c2(), 1e-12);
    EXPECT_NEAR(c[5].toDouble(), 140, 1e-9);
    EXPECT_EQ(r.json().value(QStringLiteral("fieldOfView")).toDouble(), 24.8);
    EXPECT_TRUE(r.json().value(QStringLiteral("checkBuoy"))[QStringLiteral("valid")].toBool());
    EXPECT_NEAR(r.json().value(QStringLiteral("frontRatio")).toDouble(), 91.6666666, 1e-6);
    EXPECT_EQ(r.json().value(QStringLiteral("surveyDirection")).toDouble(), -1);
    EXPECT_TRUE(r.json().value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(r.json().value(QStringLiteral("saved")).toArray(),
              QJsonArray({grid, grid + QStringLiteral(".cb")}));
    ASSERT_TRUE(QFile::exists(grid + QStringLiteral(".cb")));

    // Read back, the saved grid carries the solved coefficients to 15 significant digits.
    const ToolRun shown = runTool({QStringLiteral("grid"), QStringLiteral("show"), grid});
    ASSERT_EQ(shown.exitCode, 0) << shown.errText().toStdString();
    const QJsonArray back = shown.json().value(QStringLiteral("coefficients")).toArray();
    ASSERT_EQ(back.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(QString::number(back[i].toDouble(), 'g', 15),
                  QString::number(c[i].toDouble(), 'g', 15))
            << "c" << i + 1;
    EXPECT_TRUE(shown.json().value(QStringLiteral("ready")).toBool());

    // 5000 twips down the centre line lies at (0, 70): 80 m from the jump point, + 2.1 m.
    r = runTool({QStringLiteral("distance"), QStringLiteral("--grid"), grid, QStringLiteral("--at"),
                 QStringLiteral("6000,5000")});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_NEAR(r.json().value(QStringLiteral("waterY")).toDouble(), 70, 1e-9);
    EXPECT_NEAR(r.json().value(QStringLiteral("distance")).toDouble(), 82.1, 1e-9);
    EXPECT_EQ(r.json().value(QStringLiteral("meters")).toString(), QStringLiteral("82.1"));
    EXPECT_EQ(r.json().value(QStringLiteral("feet")).toString(), QStringLiteral("269"));
    EXPECT_EQ(r.json().value(QStringLiteral("raw")).toString(), QStringLiteral("82.1"));

    r = runTool({QStringLiteral("distance"), QStringLiteral("--grid"), grid, QStringLiteral("--at"),
                 QStringLiteral("6000,5000"), QStringLiteral("--barefoot")});
    EXPECT_EQ(r.json().value(QStringLiteral("meters")).toString(), QStringLiteral("80"));
    EXPECT_EQ(r.json().value(QStringLiteral("feet")).toString(), QStringLiteral("262.5"));

    r = runTool({QStringLiteral("to-screen"), QStringLiteral("--grid"), grid,
                 QStringLiteral("--water"), QStringLiteral("0,70")});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_NEAR(r.json().value(QStringLiteral("screenX")).toDouble(), 6000, 1e-6);
    EXPECT_NEAR(r.json().value(QStringLiteral("screenY")).toDouble(), 5000, 1e-6);

    r = runTool({QStringLiteral("accuracy"), QStringLiteral("--grid"), grid,
                 QStringLiteral("--display"), QStringLiteral("distance")});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QJsonArray points = r.json().value(QStringLiteral("points")).toArray();
    ASSERT_EQ(points.size(), 49);
    const QJsonObject last = points[48].toObject();
    EXPECT_EQ(last.value(QStringLiteral("h")).toInt(), 6);
    EXPECT_EQ(last.value(QStringLiteral("r")).toInt(), 6);
    EXPECT_EQ(last.value(QStringLiteral("x")).toDouble(), 11500);
    EXPECT_FALSE(last.value(QStringLiteral("label")).toString().isEmpty());

    r = runTool({QStringLiteral("accuracy"), QStringLiteral("--grid"), grid,
                 QStringLiteral("--display"), QStringLiteral("colour")});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(GridCli, RefusedSetUpReportsWhyAndSavesNothing)
{
    TestSite site;
    QJsonObject json = setupJson(site);
    json[QStringLiteral("check")] = point(site, {6000, 4000});
    QJsonObject check = json[QStringLiteral("check")].toObject();
    check[QStringLiteral("screen")] = QJsonArray{6040, 4000};
    json[QStringLiteral("check")] = check;
    const QString in = writeFile(dir, QStringLiteral("off.json"), QJsonDocument(json).toJson());
    const QString grid = dir.filePath(QStringLiteral("off.ipt"));
    const ToolRun r = runTool({QStringLiteral("grid"), QStringLiteral("solve"),
                               QStringLiteral("--in"), in, QStringLiteral("--save"), grid});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_FALSE(r.json().value(QStringLiteral("accepted")).toBool());
    EXPECT_FALSE(r.json().value(QStringLiteral("checkBuoy"))[QStringLiteral("valid")].toBool());
    EXPECT_EQ(r.json().value(QStringLiteral("messages")).toArray(),
              QJsonArray({QStringLiteral("Check Buoy Does not Validate")}));
    const QJsonObject box = r.json().value(QStringLiteral("messageBoxes"))[0].toObject();
    EXPECT_EQ(box.value(QStringLiteral("title")).toString(), QStringLiteral("Zelvan Measurement"));
    EXPECT_EQ(box.value(QStringLiteral("icon")).toString(), QStringLiteral("none"));
    EXPECT_TRUE(r.json().value(QStringLiteral("saved")).toArray().isEmpty());
    EXPECT_FALSE(QFile::exists(grid));
}

TEST_F(GridCli, BadInputIsAnErrorAndWritesNothing)
{
    const TestSite site;
    const QString grid = dir.filePath(QStringLiteral("bad.ipt"));
    QJsonObject missing = setupJson(site);
    missing.remove(QStringLiteral("check"));
    QJsonObject text = setupJson(site);
    text[QStringLiteral("jump")] = QJsonArray{QStringLiteral("12,x"), 3};
    const QList<QByteArray> inputs = {
        QByteArray("{ \"grid\": 1, "),
        QJsonDocument(missing).toJson(),
        QJsonDocument(text).toJson(),
        QByteArray("[1, 2]"),
    };
    int i = 0;
    for (const QByteArray& bytes : inputs) {
        const QString in = writeFile(dir, QStringLiteral("in%1.json").arg(i++), bytes);
        const ToolRun r = runTool({QStringLiteral("grid"), QStringLiteral("solve"),
                                   QStringLiteral("--in"), in, QStringLiteral("--save"), grid});
        EXPECT_EQ(r.exitCode, 2) << bytes.toStdString();
        EXPECT_TRUE(r.errText().startsWith(QStringLiteral("error: "))) << r.errText().toStdString();
        EXPECT_TRUE(r.json().isEmpty());
        EXPECT_FALSE(QFile::exists(grid));
    }
    EXPECT_EQ(runTool({QStringLiteral("grid"), QStringLiteral("solve"), QStringLiteral("--in"),
                       dir.filePath(QStringLiteral("absent.json"))})
                  .exitCode,
              2);
    EXPECT_EQ(runTool({QStringLiteral("distance"), QStringLiteral("--grid"), grid,
                       QStringLiteral("--at"), QStringLiteral("1,2")})
                  .exitCode,
              2);
}

// A grid of exactly 1/64 m per twip with the jump point at the origin: the screen x of a point
// on the centre line gives its distance without rounding error, so the official texts can be
// checked at their rounding edges.
TEST_F(GridCli, OfficialTextsAtTheRoundingEdges)
{
    QByteArray ipt = "Initialization Points for file: edges.ipt\r\nEdges\r\n";
    for (const char* buoy : {" 6400 , 0 , 100 , 0 ", " 6400 , 640 , 100 , 10 ", " 0 , 0 , 0 , 0 ",
                             " 0 , 640 , 0 , 10 "})
        ipt += QByteArray(buoy) + "\r\n";
    for (const char* c : {" 0 ", " .015625 ", " 0 ", " 0 ", " 0 ", " 0 ", " 0 ", " .015625 "})
        ipt += QByteArray(c) + "\r\n";
    ipt += " 0 \r\n 0 \r\n 10 \r\n 2 \r\n 1 \r\n";
    const QString grid = writeFile(dir, QStringLiteral("edges.ipt"), ipt);
    writeFile(dir, QStringLiteral("edges.ipt.cb"), " 3200 \r\n 320 \r\n50\r\n5\r\n");

    struct Case {
        double meters; // distance D wanted
        bool barefoot;
        const char* officialMeters;
        const char* officialFeet;
    };
    const Case cases[] = {
        {45.25, true, "45.3", "148.5"}, {45.249, true, "45.2", "148.5"},
        {45.3, true, "45.3", "148.6"},  {45.25, false, "45.3", "148"},
        {45.249, false, "45.2", "148"}, {45.3, false, "45.3", "149"},
    };
    for (const Case& k : cases) {
        const double r = k.barefoot ? k.meters : k.meters - 2.1;
        QStringList args{QStringLiteral("distance"), QStringLiteral("--grid"), grid,
                         QStringLiteral("--at"), QStringLiteral("%1,0").arg(r * 64, 0, 'g', 17)};
        if (k.barefoot)
            args << QStringLiteral("--barefoot");
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.errText().toStdString();
        EXPECT_EQ(run.json().value(QStringLiteral("meters")).toString(), k.officialMeters)
            << k.meters << (k.barefoot ? " barefoot" : "");
        EXPECT_EQ(run.json().value(QStringLiteral("feet")).toString(), k.officialFeet)
            << k.meters << (k.barefoot ? " barefoot" : "");
    }
}

#ifdef Q_OS_UNIX
TEST_F(GridCli, AFullDiskKeepsThePreviousPair)
{
    const TestSite site;
    const QString in =
        writeFile(dir, QStringLiteral("setup.json"), QJsonDocument(setupJson(site)).toJson());
    const QString grid = dir.filePath(QStringLiteral("lake.ipt"));
    const QByteArray oldGrid("old grid file\r\n");
    const QByteArray oldCb("old check buoy file\r\n");
    writeFile(dir, QStringLiteral("lake.ipt"), oldGrid);
    writeFile(dir, QStringLiteral("lake.ipt.cb"), oldCb);
    const QStringList args{QStringLiteral("grid"),   QStringLiteral("solve"),
                           QStringLiteral("--in"),   in,
                           QStringLiteral("--save"), grid};
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(100)}) {
        SCOPED_TRACE(limit);
        const ToolRun r = zelvan::test::runToolWithFileSizeLimit(args, limit);
        zelvan::test::expectRefused(r);
        EXPECT_EQ(r.errText(),
                  QStringLiteral("error: Grid file lake.ipt: cannot be written (Cannot write %1: "
                                 "File too large)\n")
                      .arg(grid));
        QFile g(grid);
        ASSERT_TRUE(g.open(QIODevice::ReadOnly));
        EXPECT_EQ(g.readAll(), oldGrid);
        QFile cb(grid + QStringLiteral(".cb"));
        ASSERT_TRUE(cb.open(QIODevice::ReadOnly));
        EXPECT_EQ(cb.readAll(), oldCb);
    }
}

TEST_F(GridCli, SpecialFilesAreRefusedWithoutBlocking)
{
    const TestSite site;
    const QString in =
        writeFile(dir, QStringLiteral("setup.json"), QJsonDocument(setupJson(site)).toJson());
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ToolRun r = runTool(
        {QStringLiteral("grid"), QStringLiteral("solve"), QStringLiteral("--in"), fifo}, 20000);
    zelvan::test::expectRefused(r);
    EXPECT_EQ(r.errText(), QStringLiteral("error: %1 is not a regular file\n").arg(fifo));
    r = runTool({QStringLiteral("grid"), QStringLiteral("solve"), QStringLiteral("--in"), in,
                 QStringLiteral("--save"), fifo},
                20000);
    zelvan::test::expectRefused(r);
    EXPECT_EQ(r.errText(), QStringLiteral("error: Grid file pipe: cannot be written (Cannot write "
                                          "%1: it is not a regular file)\n")
                               .arg(fifo));
    EXPECT_FALSE(QFile::exists(fifo + QStringLiteral(".cb")));
    r = runTool({QStringLiteral("grid"), QStringLiteral("show"), fifo}, 20000);
    zelvan::test::expectRefused(r);
    EXPECT_EQ(r.errText(), QStringLiteral("error: Grid file pipe: not a regular file\n"));
    r = runTool({QStringLiteral("grid"), QStringLiteral("show"), dir.path()}, 20000);
    zelvan::test::expectRefused(r);
    EXPECT_TRUE(r.errText().endsWith(QStringLiteral(": not a regular file\n")));
    struct stat st {
    };
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(GridCli, APathThatIsNotTextIsToldSo)
{
    // A file name in another encoding (Latin-1 "lake" with a byte that is no UTF-8): it exists,
    // but Qt cannot hand it to the tool as it is, so the tool must not call it "not found".
    const QByteArray name = QFile::encodeName(dir.path()) + "/l\xe4ke.ipt";
    FILE* made = std::fopen(name.constData(), "w");
    ASSERT_NE(made, nullptr);
    std::fclose(made);
    // QProcess takes its arguments as text; the shell's printf makes the byte itself.
    QProcess p;
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("exec \"$0\" grid show \"$(printf '%s/l\\344ke.ipt' \"$1\")\""),
             qEnvironmentVariable("ZELVAN_TOOL"), dir.path()});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.startsWith("error: argument 3 is not valid UTF-8 text, so the file it names "
                               "cannot be opened: "))
        << err.constData();
    EXPECT_FALSE(err.contains("not found")) << err.constData();
}
// A 16 KiB file system that is full, then read-only, in a mount namespace of the test's own
// (where the system lets it make one): the pair on it stays as it was.
TEST_F(GridCli, AFullOrReadOnlyFileSystemKeepsThePreviousPair)
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        GTEST_SKIP() << "no mount namespace can be made here";
    const TestSite site;
    const QString in =
        writeFile(dir, QStringLiteral("setup.json"), QJsonDocument(setupJson(site)).toJson());
    const QString small = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(small));
    const QByteArray script = R"(set -e
tool="$1"; dir="$2"; in="$3"
mount -t tmpfs -o size=16k tmpfs "$dir"
printf 'old grid\r\n' > "$dir/lake.ipt"
printf 'old cb\r\n' > "$dir/lake.ipt.cb"
dd if=/dev/zero of="$dir/filler" bs=1k count=64 2>/dev/null || true
set +e
"$tool" grid solve --in "$in" --save "$dir/lake.ipt"; echo "full $?"
rm -f "$dir/filler"
mount -o remount,ro "$dir"
"$tool" grid solve --in "$in" --save "$dir/lake.ipt"; echo "read-only $?"
cat "$dir/lake.ipt" "$dir/lake.ipt.cb"
ls -A "$dir"
)";
    const QString scriptPath = writeFile(dir, QStringLiteral("mount.sh"), script);
    QProcess p;
    p.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("sh"), scriptPath,
                                        qEnvironmentVariable("ZELVAN_TOOL"), small, in});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(out,
              QStringLiteral("full 2\nread-only 2\nold grid\r\nold cb\r\nlake.ipt\nlake.ipt.cb\n"))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("No space left on device"))) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("error: Grid file lake.ipt: cannot be written")), 2)
        << err.toStdString();
}
#endif
