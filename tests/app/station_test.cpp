// A fresh Station over temporary folders.
#include "QStringPrint.h"
#include "app/Clock.h"
#include "app/ScriptedDialogs.h"
#include "app/Station.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;

TEST(Station, FreshStationUsesTheFoldersAndStoreItIsGiven)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock(QDateTime(QDate(2026, 8, 9), QTime(23, 59, 59)));
    const QString ini = dir.filePath(QStringLiteral("DI05.ini"));
    Station station(dialogs, clock, std::make_unique<QSettings>(ini, QSettings::IniFormat),
                    dir.filePath(QStringLiteral("station")), dir.filePath(QStringLiteral("zqio")));

    EXPECT_EQ(station.mirror.numGrids, 1);
    EXPECT_EQ(station.mirror.pictureExtension, QStringLiteral(".bmp"));
    EXPECT_EQ(station.work.currentGrid, 1);
    EXPECT_EQ(station.gridFlags.allGridsReady, 0);
    EXPECT_FALSE(station.grids.ready[1]);
    EXPECT_TRUE(station.navigationMode.isEmpty());
    EXPECT_FALSE(station.previewOn);

    ASSERT_TRUE(station.debugLog.StartDebugLog());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("zqio/DebugLog.txt"))));

    ASSERT_TRUE(station.settings.write(QStringLiteral("logpath"), dir.path()));
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Settings/logpath")),
              dir.path());

    station.fixSessionLogFileName();
    EXPECT_EQ(station.sessionLogFileName, QStringLiteral("JumpMeasurementLog080926.txt"));
    station.videoDirectory = dir.path();
    clock.time = clock.time.addSecs(2); // past midnight
    ASSERT_TRUE(station.sessionLog().writeSessionStart());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("JumpMeasurementLog080926.txt"))));
    EXPECT_EQ(station.sessionLogFileName, QStringLiteral("JumpMeasurementLog080926.txt"));
}
