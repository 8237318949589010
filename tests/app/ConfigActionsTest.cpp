// Configuration screen actions against a real INI store, and its results-file lines.
#include "app/ConfigActions.h"
#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"

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
    SettingsStore store{std::make_unique<QSettings>(dir.filePath(QStringLiteral("DI05.ini")),
                                                    QSettings::IniFormat)};
    SettingsMirror mirror;
    QString stored(const char* k) { return store.read(QLatin1String(k), QStringLiteral("<none>")); }
};

TEST_F(ConfigActionsTest, BarefootAndSitSkiExcludeEachOther)
{
    ASSERT_TRUE(config::setSitSki(store, mirror, true));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("sitski"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QStringLiteral("Sit Ski Jump"));

    ASSERT_TRUE(config::setBarefoot(store, mirror, true));
    EXPECT_TRUE(mirror.barefootMode);
    EXPECT_FALSE(mirror.sitSkiMode);
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("barefoot"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QStringLiteral("Barefoot Jump"));

    // Clearing the sit-ski box that is already clear leaves barefoot alone.
    ASSERT_TRUE(config::setSitSki(store, mirror, false));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("barefoot"));
    ASSERT_TRUE(config::setBarefoot(store, mirror, false));
    EXPECT_EQ(stored("tournamentType"), QStringLiteral("normal"));
    EXPECT_EQ(config::jumpTypeIndicator(mirror), QString());
}

TEST_F(ConfigActionsTest, OptionsSetTheMirrorAndTheirStoredWords)
{
    ASSERT_TRUE(config::setNumGrids(store, mirror, 3));
    EXPECT_EQ(mirror.numGrids, 3);
    ASSERT_TRUE(config::setNumGrids(store, mirror, 5));
    EXPECT_EQ(stored("grids"), QStringLiteral("1"));
    ASSERT_TRUE(config::setRightToLeft(store, mirror, true));
    EXPECT_EQ(stored("right2left"), QStringLiteral("True"));
    ASSERT_TRUE(config::setLineControl(store, mirror, true));
    EXPECT_FALSE(mirror.boxLineOff);
    EXPECT_EQ(stored("boxlineoff"), QStringLiteral("False"));
    ASSERT_TRUE(config::setBuoyMarker(store, mirror, true));
    EXPECT_EQ(stored("buoymarker"), QStringLiteral("cross"));
    ASSERT_TRUE(config::setWstims(store, true));
    EXPECT_EQ(stored("WSTIMS"), QStringLiteral("1"));
    ASSERT_TRUE(config::setPictureSave(store, mirror, QStringLiteral("NoSave")));
    EXPECT_EQ(stored("PictureSave"), QStringLiteral("NoSave"));
    ASSERT_TRUE(config::setVideoSave(store, mirror, QStringLiteral("bogus")));
    EXPECT_EQ(mirror.videoSaveMode, QStringLiteral("Ask"));

    ASSERT_TRUE(config::setLabelColor(store, mirror, QStringLiteral("white")));
    EXPECT_EQ(mirror.labelColorValue, 16777215);
    ASSERT_TRUE(config::setLabelColor(store, mirror, QStringLiteral("default")));
    EXPECT_EQ(mirror.labelColorValue, 16777215);
    EXPECT_EQ(stored("labelcolor"), QStringLiteral("default"));
    ASSERT_TRUE(config::setImpactColor(store, mirror, QStringLiteral("red")));
    EXPECT_EQ(mirror.impactColorValue, 255);
    EXPECT_EQ(stored("impactcolor"), QStringLiteral("red"));

    mirror.tournamentName = QStringLiteral("Spring Open");
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
    SettingsStore locked(
        std::make_unique<QSettings>(blocker + QStringLiteral("/DI05.ini"), QSettings::IniFormat));
    QString error;
    EXPECT_FALSE(config::setNumGrids(locked, mirror, 2, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(mirror.numGrids, 2);
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
    QString error;
    EXPECT_FALSE(config::appendConfigurationLine(dir.filePath(QStringLiteral("no/r.txt")),
                                                 config::ConfigLine::NewConfiguration, t, QString(),
                                                 &error));
    EXPECT_FALSE(error.isEmpty());

    EXPECT_EQ(config::capturesPathOnExit(QStringLiteral("/caps  ")),
              QStringLiteral("/caps") + QDir::separator());
    EXPECT_EQ(config::capturesPathOnExit(QStringLiteral("C:\\caps\\ ")),
              QStringLiteral("C:\\caps\\"));
}

} // namespace
