// Configuration screen actions against a real INI store, and its results-file lines.
#include "app/ConfigActions.h"
#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"
#include "app/Station.h"
#include "base/Clock.h"

#include "QStringPrint.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

class ConfigActionsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 9, 8), QTime(7, 6, 5))};
    Station station{
        clock,
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("DI05.ini")), QSettings::IniFormat),
        dir.path(), dir.filePath(QStringLiteral("zqio"))};
    SettingsStore& store = station.settings();
    const SettingsMirror& mirror = station.mirror();
    QString stored(const char* k) { return store.read(QLatin1String(k), QStringLiteral("<none>")); }
};

TEST_F(ConfigActionsTest, BarefootAndSitSkiExcludeEachOther)
{
    ASSERT_TRUE(config::setSitSki(station, true));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("sitski"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QStringLiteral("Sit Ski Jump"));

    ASSERT_TRUE(config::setBarefoot(station, true));
    EXPECT_TRUE(mirror.barefootMode);
    EXPECT_FALSE(mirror.sitSkiMode);
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("barefoot"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QStringLiteral("Barefoot Jump"));

    // Clearing the sit-ski box that is already clear leaves barefoot alone.
    ASSERT_TRUE(config::setSitSki(station, false));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("barefoot"));
    ASSERT_TRUE(config::setBarefoot(station, false));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("normal"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QString());
}

TEST_F(ConfigActionsTest, OptionsSetTheMirrorAndTheirStoredWords)
{
    ASSERT_TRUE(config::setNumGrids(station, 3));
    EXPECT_EQ(mirror.numGrids, 3);
    ASSERT_TRUE(config::setNumGrids(station, 5));
    EXPECT_EQ(stored("grids"), QStringLiteral("1"));
    ASSERT_TRUE(config::setRightToLeft(station, true));
    EXPECT_EQ(stored("right2left"), QStringLiteral("True"));
    ASSERT_TRUE(config::setLineControl(station, true));
    EXPECT_FALSE(mirror.boxLineOff);
    EXPECT_EQ(stored("boxlineoff"), QStringLiteral("False"));
    ASSERT_TRUE(config::setBuoyMarker(station, true));
    EXPECT_EQ(stored("buoymarker"), QStringLiteral("cross"));
    ASSERT_TRUE(config::setWstims(station, true));
    EXPECT_EQ(stored("WSTIMS"), QStringLiteral("1"));
    EXPECT_TRUE(station.wstims());
    ASSERT_TRUE(config::setLoupe(store, true));
    EXPECT_EQ(stored("Loupe"), QStringLiteral("1"));
    ASSERT_TRUE(config::setPictureSave(station, QStringLiteral("NoSave")));
    EXPECT_EQ(stored("PictureSave"), QStringLiteral("NoSave"));
    ASSERT_TRUE(config::setVideoSave(station, QStringLiteral("bogus")));
    EXPECT_EQ(mirror.videoSaveMode, QStringLiteral("Ask"));

    ASSERT_TRUE(config::setLabelColor(station, QStringLiteral("white")));
    EXPECT_EQ(mirror.labelColorValue, 16777215);
    ASSERT_TRUE(config::setLabelColor(station, QStringLiteral("default")));
    EXPECT_EQ(mirror.labelColorValue, 16777215);
    EXPECT_EQ(stored("labelcolor"), QStringLiteral("default"));
    ASSERT_TRUE(config::setImpactColor(station, QStringLiteral("red")));
    EXPECT_EQ(mirror.impactColorValue, 255);
    EXPECT_EQ(stored("impactcolor"), QStringLiteral("red"));

    station.setTournamentName(QStringLiteral("Spring Open"));
    ASSERT_TRUE(config::storeOnExit(store, mirror));
    EXPECT_EQ(stored("TournamentName"), QStringLiteral("Spring Open"));
}

TEST_F(ConfigActionsTest, AnUnwritableStoreStillChangesTheRun)
{
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    Station locked(
        clock,
        std::make_unique<QSettings>(blocker + QStringLiteral("/DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath(QStringLiteral("zqio")));
    const Status set = config::setNumGrids(locked, 2);
    EXPECT_FALSE(set);
    EXPECT_FALSE(set.error().isEmpty());
    EXPECT_EQ(locked.numGrids(), 2);
}

TEST(ConfigLines, ResultsFileLinesAndCapturesPath)
{
    const QDateTime t(QDate(2026, 9, 8), QTime(7, 6, 5));
    EXPECT_EQ(config::configurationLine(config::ConfigLine::NewConfiguration, t,
                                        QStringLiteral("Lake Cup")),
              QStringLiteral("New Configuration: 09-08-2026  07:06:05 Lake Cup"));
    EXPECT_EQ(config::configurationLine(config::ConfigLine::InvalidAllowed, t, QString()),
              QStringLiteral("Invalid Configurations Allowed: 09-08-2026  07:06:05 "));
    EXPECT_EQ(
        config::configurationLine(config::ConfigLine::OnlyValidAllowed, t, QStringLiteral("X")),
        QStringLiteral("Only valid Configurations Allowed: 09-08-2026  07:06:05 X"));

    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("JumpMeasurementResults090826.txt"));
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(config::appendConfigurationLine(results, config::ConfigLine::NewConfiguration,
                                                    t, QStringLiteral("Lake Cup")));
    QFile f(results);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("New Configuration: 09-08-2026  07:06:05 Lake Cup\r\n"
                                      "New Configuration: 09-08-2026  07:06:05 Lake Cup\r\n"));
    const Status appended =
        config::appendConfigurationLine(dir.filePath(QStringLiteral("no/r.txt")),
                                        config::ConfigLine::NewConfiguration, t, QString());
    EXPECT_FALSE(appended);
    EXPECT_FALSE(appended.error().isEmpty());

    EXPECT_EQ(config::capturesPathOnExit(QStringLiteral("/caps  ")),
              QStringLiteral("/caps") + QDir::separator());
    EXPECT_EQ(config::capturesPathOnExit(QStringLiteral("C:\\caps\\ ")),
              QStringLiteral("C:\\caps\\"));
}

} // namespace
