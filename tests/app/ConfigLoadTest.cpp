// The configuration screen's load, switch and exit without widgets, on a fresh Station.
#include "app/ConfigLoad.h"

#include "QStringPrint.h"
#include "app/StartUp.h"
#include "app/Station.h"
#include "base/Clock.h"
#include "grid/GridFile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

class ConfigLoad : public ::testing::Test
{
protected:
    ConfigLoad()
    {
        QDir(dir.path()).mkpath(QStringLiteral("videos"));
        QDir(dir.path()).mkpath(QStringLiteral("station"));
        EXPECT_TRUE(station.setVideoDirectory(dir.filePath(QStringLiteral("videos"))));
    }
    ~ConfigLoad() override { QDir::setCurrent(QDir::tempPath()); }

    // A grid file pair whose check buoy is picked (screen x > 0) or not.
    QString gridFile(const char* name, int n, double checkScreenX)
    {
        grid::GridSetup setup;
        for (int k = 1; k <= 4; ++k)
            setup.buoy[k] = {1000.0 * k, 500.0 * k, 10.0 * k, 5.0 * k};
        setup.c = {0, 1, 0.5, 0.25, 2, 0.125, 0.0625, 0.001, 0.002};
        setup.gridNumber = n;
        setup.checkScreenX = checkScreenX;
        setup.checkScreenY = 2000;
        QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(grid::saveGridFilePair(path, QStringLiteral("View %1").arg(n), setup,
                                           QStringLiteral("30"), QStringLiteral("15")));
        return path;
    }
    // Which grid indicators show the ready picture.
    std::array<bool, 3> foundPictures() const
    {
        return {station.gridIndicator(1).fileFound, station.gridIndicator(2).fileFound,
                station.gridIndicator(3).fileFound};
    }
    QByteArray results() const
    {
        QFile f(station.resultsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 12, 31), QTime(23, 5, 9))};
    Station station{clock,
                    std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
                    dir.filePath("station"), dir.filePath("zqio")};
};

} // namespace

TEST_F(ConfigLoad, GridsAreLoadedThreeTwoOneWithTheLoadingFlagSet)
{
    ASSERT_TRUE(station.settings().write("grids", "2"));
    ASSERT_TRUE(station.settings().setGridFile(1, gridFile("one.ipt", 1, 4500)));
    ASSERT_TRUE(station.settings().setGridFile(2, gridFile("two.ipt", 2, 0)));
    ASSERT_TRUE(station.settings().setGridFile(3, gridFile("three.ipt", 3, 300)));
    QList<QPair<int, bool>> seen; // grid changed, gridLoadingFlag at that moment
    QObject::connect(&station, &Station::gridChanged,
                     [&](int n) { seen << qMakePair(n, station.gridLoadingFlag()); });

    const config::ConfigLoadResult load = config::loadConfiguration(station);

    EXPECT_EQ(seen, (QList<QPair<int, bool>>{{3, true}, {2, true}, {1, true}}));
    EXPECT_FALSE(station.gridLoadingFlag());
    ASSERT_EQ(load.messages.size(), 1);
    EXPECT_EQ(load.messages[0].text, "Error in load - no check buoy found - setup grid again");
    EXPECT_TRUE(station.gridReady(3));
    EXPECT_FALSE(station.gridReady(2));
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_EQ(station.allGridsReady(), 0); // grid 2 is in use and not ready
    EXPECT_EQ(station.currentGrid(), 1);
    EXPECT_EQ(station.resultsFilePath(),
              QDir::toNativeSeparators(dir.filePath("videos/JumpMeasurementResults123126.txt")));
    // Two blocks, grid 3's first; each starts with the date and time of the load.
    const QList<QByteArray> lines = results().split('\n');
    EXPECT_EQ(results().count("12-31-2026 23:05:09 New Set-up now in place\r\n"), 2);
    EXPECT_EQ(lines.value(1).trimmed(), QDir::toNativeSeparators(dir.filePath("three.ipt")));
    EXPECT_EQ(app::gridIndicators(station.numGrids(), {}).visible, (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(foundPictures(), (std::array<bool, 3>{true, true, true}));
    // A loaded grid shows its descriptive line.
    EXPECT_EQ(station.gridIndicator(1).description, station.gridDescription(1));
    EXPECT_FALSE(station.gridIndicator(1).description.isEmpty());
    EXPECT_FALSE(load.loupe);
}

TEST_F(ConfigLoad, ChoosingTheNumberOfGridsMovesTheIndicators)
{
    ASSERT_TRUE(station.settings().setGridFile(2, dir.filePath("missing.ipt")));
    config::loadConfiguration(station);
    EXPECT_TRUE(config::chooseNumGrids(station, 3).isEmpty());
    EXPECT_EQ(app::gridIndicators(station.numGrids(), {}).visible, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(foundPictures(), (std::array<bool, 3>{false, false, false}));
    config::chooseNumGrids(station, 7); // not a number of grids: one
    EXPECT_EQ(station.numGrids(), 1);
    EXPECT_EQ(app::gridIndicators(station.numGrids(), {}).visible, (std::array<bool, 3>{true, false, false}));
}

TEST_F(ConfigLoad, WithoutAResultsFileTheOperatorIsAskedForOne)
{
    config::loadConfiguration(station);
    station.setResultsFilePath(QString());
    const OperatorMessages allowed = config::allowInvalidSetup(station, true);
    ASSERT_EQ(allowed.size(), 1);
    EXPECT_EQ(allowed[0].text, "Enter valid path and filename for results file");
    EXPECT_TRUE(station.allowInvalidSetup());
    const config::ConfigExit left = config::leaveConfiguration(station, QString());
    ASSERT_EQ(left.messages.size(), 1);
    EXPECT_EQ(left.messages[0].text, "Enter valid path and filename for results file");
}

TEST_F(ConfigLoad, LeavingStoresTheNameAndReadsTheSkiers)
{
    config::loadConfiguration(station);
    station.setTournamentName(QStringLiteral("Winter Jump"));
    const QString names = dir.filePath("names.txt");
    QFile f(names);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\"Lee, Ann\",Bo\n");
    f.close();
    const config::ConfigExit left = config::leaveConfiguration(station, names + "  ");
    EXPECT_TRUE(left.messages.isEmpty());
    EXPECT_EQ(station.skierNames(), (QStringList{"Lee, Ann", "Bo"}));
    EXPECT_EQ(station.settings().read("TournamentName"), "Winter Jump");
    EXPECT_EQ(left.capturesPath, dir.filePath("videos") + QDir::separator());
    EXPECT_EQ(results(), QByteArray("New Configuration: 12-31-2026  23:05:09 Winter Jump\r\n"));
}
