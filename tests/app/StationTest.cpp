// A fresh Station over temporary folders.
#include "app/Station.h"
#include "QStringPrint.h"
#include "ScriptedDialogs.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

TEST(Station, FreshStationUsesTheFoldersAndStoreItIsGiven)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock(QDateTime(QDate(2026, 8, 9), QTime(23, 59, 59)));
    const QString ini = dir.filePath(QStringLiteral("DI05.ini"));
    Station station(dialogs, clock, std::make_unique<QSettings>(ini, QSettings::IniFormat),
                    dir.filePath(QStringLiteral("station")), dir.filePath(QStringLiteral("zqio")));

    station.allGridsReady = 1;
    station.gridLoadingFlag = true;
    EXPECT_EQ(station.gridFlags.allGridsReady, 1);
    EXPECT_TRUE(station.gridFlags.gridLoadingFlag);

    ASSERT_TRUE(station.debugLog.StartDebugLog());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("zqio/DebugLog.txt"))));
    ASSERT_TRUE(station.settings.write(QStringLiteral("logpath"), dir.path()));
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Settings/logpath")),
              dir.path());

    // The session log name is fixed at start: a write after midnight keeps the start day.
    station.fixSessionLogFileName();
    station.videoDirectory = dir.path();
    clock.time = clock.time.addSecs(2);
    ASSERT_TRUE(station.sessionLog().writeSessionStart());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("JumpMeasurementLog080926.txt"))));
}

TEST(Station, StartUpSessionLogAndVideoDirectory)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock(QDateTime(QDate(2026, 2, 3), QTime(6, 7, 8)));
    const QString ini = dir.filePath(QStringLiteral("DI05.ini"));
    Station station(dialogs, clock, std::make_unique<QSettings>(ini, QSettings::IniFormat),
                    dir.path(), dir.filePath(QStringLiteral("zqio")));

    // No save-video folder yet: the name is still fixed and stored, nothing is written.
    ASSERT_TRUE(station.startSessionLog());
    EXPECT_EQ(station.settings.logFile(), QStringLiteral("JumpMeasurementLog020326.txt"));

    const QString videos = dir.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(videos));
    ASSERT_TRUE(station.setVideoDirectory(QStringLiteral("  ") + videos + QStringLiteral("/ ")));
    EXPECT_EQ(station.videoDirectory, videos);
    EXPECT_EQ(station.settings.logPath(), videos);

    ASSERT_TRUE(station.startSessionLog());
    QFile log(videos + QStringLiteral("/JumpMeasurementLog020326.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(),
              QByteArray("02-03-2026    06:07:08      Zelvan Measurement Session started  \r\n"));

    // A folder that has gone is reported, not silently skipped.
    station.videoDirectory = dir.filePath(QStringLiteral("gone"));
    QString error;
    EXPECT_FALSE(station.startSessionLog(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Station, PlatformConstructorFollowsTheEnvironmentOverrides)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("env.ini"));
    qputenv("ZELVAN_SETTINGS", ini.toUtf8());
    qputenv("ZELVAN_APP_DIR", dir.path().toUtf8());
    qputenv("ZELVAN_ZQIO", dir.filePath(QStringLiteral("io")).toUtf8());
    ScriptedDialogs dialogs;
    FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    {
        Station station(dialogs, clock);
        EXPECT_EQ(station.stationFolder, dir.path());
        EXPECT_EQ(station.zqioFolder, dir.filePath(QStringLiteral("io")));
        ASSERT_TRUE(station.settings.write(QStringLiteral("grids"), QStringLiteral("2")));
        ASSERT_TRUE(station.debugLog.StartDebugLog());
    }
    qunsetenv("ZELVAN_SETTINGS");
    qunsetenv("ZELVAN_APP_DIR");
    qunsetenv("ZELVAN_ZQIO");
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Settings/grids")),
              QStringLiteral("2"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("io/DebugLog.txt"))));
}
