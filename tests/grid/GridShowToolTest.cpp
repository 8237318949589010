// zelvan-tool grid show, run as the operator's scripts run it.
#include "GridFileFixtures.h"
#include "grid/GridFile.h"

#include "ToolRun.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan::grid;
using namespace zelvan::test;

using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

QJsonArray pair(double a, double b)
{
    return QJsonArray{a, b};
}

} // namespace

TEST(GridShowTool, PrintsEveryFieldOfAPair)
{
    QTemporaryDir dir;
    const QString lake = dir.filePath(QStringLiteral("lake.ipt"));
    GridSetup s = sampleSetup();
    s.c[1] = 81.25;
    QString error;
    ASSERT_TRUE(savePair(lake, QStringLiteral("North, camera 2"), s, QStringLiteral("41.5"),
                         QStringLiteral("12"), error));

    const ToolRun run = runTool({"grid", "show", lake});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o["path"].toString(), QDir::toNativeSeparators(lake));
    EXPECT_EQ(o["description"].toString(), QStringLiteral("North, camera 2"));
    EXPECT_EQ(o["gridNumber"].toDouble(), 2.0);
    const struct {
        const char* name;
        int buoy;
    } buoys[] = {{"upperRight", UpperRight},
                 {"lowerRight", LowerRight},
                 {"upperLeft", UpperLeft},
                 {"lowerLeft", LowerLeft}};
    for (const auto& b : buoys) {
        SCOPED_TRACE(b.name);
        const QJsonObject buoy = o[QLatin1String(b.name)].toObject();
        EXPECT_EQ(buoy["screen"].toArray(), pair(s.buoy[b.buoy].screenX, s.buoy[b.buoy].screenY));
        EXPECT_EQ(buoy["survey"].toArray(), pair(s.buoy[b.buoy].surveyX, s.buoy[b.buoy].surveyY));
    }
    const QJsonArray c = o["coefficients"].toArray();
    ASSERT_EQ(c.size(), 8);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(c[i - 1].toDouble(), s.c[i]) << i;
    EXPECT_EQ(o["jump"].toArray(), pair(s.jumpX, s.jumpY));
    const QJsonObject check = o["check"].toObject();
    EXPECT_EQ(check["screen"].toArray(), pair(4200, 4455));
    EXPECT_EQ(check["survey"].toArray(), pair(41.5, 12));
    EXPECT_TRUE(o["ready"].toBool());
    EXPECT_TRUE(run.err.isEmpty());

    // Without its check-buoy file the grid is shown but not ready.
    ASSERT_TRUE(QFile::remove(lake + ".cb"));
    const ToolRun old = runTool({"grid", "show", lake});
    ASSERT_EQ(old.exitCode, 0) << old.err.toStdString();
    const QJsonObject oldObject = QJsonDocument::fromJson(old.out).object();
    EXPECT_TRUE(oldObject.contains("check"));
    EXPECT_TRUE(oldObject["check"].isNull());
    EXPECT_FALSE(oldObject["ready"].toBool());
}

TEST(GridShowTool, BadInputIsOneErrorLineAndExitCode2)
{
    QTemporaryDir dir;
    const QString lake = dir.filePath(QStringLiteral("lake.ipt"));
    QString error;
    ASSERT_TRUE(savePair(lake, QStringLiteral("x"), sampleSetup(), QStringLiteral("41.5"),
                         QStringLiteral("12"), error));
    QByteArray bytes = readAll(lake);
    bytes.replace("-12.75 ", "twelve ");
    writeAll(lake, bytes);

    const std::vector<std::pair<QStringList, QByteArray>> cases = {
        {{"grid", "show", lake}, "error: Grid file lake.ipt, line 12: not a number\n"},
        {{"grid", "show", dir.filePath("missing.ipt")},
         "error: Grid file missing.ipt: not found\n"},
        {{"grid", "show"}, "error: grid show needs exactly one grid file\n"},
        {{"grid", "show", lake, "--verbose"}, "error: unknown option --verbose\n"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err, expected);
    }
}
