// A fresh Station over temporary folders.
#include "app/Station.h"
#include "QStringPrint.h"
#include "app/ConfigActions.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

TEST(Station, FreshStationUsesTheFoldersAndStoreItIsGiven)
{
    QTemporaryDir dir;
    FixedClock clock(QDateTime(QDate(2026, 8, 9), QTime(23, 59, 59)));
    const QString ini = dir.filePath(QStringLiteral("DI05.ini"));
    Station station(clock, std::make_unique<QSettings>(ini, QSettings::IniFormat),
                    dir.filePath(QStringLiteral("station")), dir.filePath(QStringLiteral("zqio")));

    station.setAllGridsReady(1);
    station.setGridLoadingFlag(true);
    EXPECT_EQ(station.gridFlags().allGridsReady, 1);
    EXPECT_TRUE(station.gridFlags().gridLoadingFlag);
    EXPECT_EQ(station.allGridsReady(), 1);
    EXPECT_TRUE(station.gridLoadingFlag());

    ASSERT_TRUE(station.debugLog().StartDebugLog());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("zqio/DebugLog.txt"))));
    ASSERT_TRUE(station.settings().write(QStringLiteral("logpath"), dir.path()));
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Settings/logpath")),
              dir.path());

    // The session log name is fixed at start: a write after midnight keeps the start day.
    station.fixSessionLogFileName();
    ASSERT_TRUE(station.setVideoDirectory(dir.path()));
    clock.time = clock.time.addSecs(2);
    ASSERT_TRUE(station.sessionLog().writeSessionStart());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("JumpMeasurementLog080926.txt"))));
}

TEST(Station, StartUpSessionLogAndVideoDirectory)
{
    QTemporaryDir dir;
    FixedClock clock(QDateTime(QDate(2026, 2, 3), QTime(6, 7, 8)));
    const QString ini = dir.filePath(QStringLiteral("DI05.ini"));
    Station station(clock, std::make_unique<QSettings>(ini, QSettings::IniFormat), dir.path(),
                    dir.filePath(QStringLiteral("zqio")));

    // No save-video folder yet: the name is still fixed and stored, nothing is written.
    ASSERT_TRUE(station.startSessionLog());
    EXPECT_EQ(station.settings().logFile(), QStringLiteral("JumpMeasurementLog020326.txt"));

    const QString videos = dir.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(videos));
    ASSERT_TRUE(station.setVideoDirectory(QStringLiteral("  ") + videos + QStringLiteral("/ ")));
    EXPECT_EQ(station.videoDirectory(), videos);
    EXPECT_EQ(station.settings().logPath(), videos);

    ASSERT_TRUE(station.startSessionLog());
    QFile log(videos + QStringLiteral("/JumpMeasurementLog020326.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(),
              QByteArray("02-03-2026    06:07:08      Zelvan Measurement Session started  \r\n"));

    // A folder that has gone is reported, not silently skipped.
    const QString gone = dir.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(gone));
    ASSERT_TRUE(station.setVideoDirectory(gone));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    const Status started = station.startSessionLog();
    EXPECT_FALSE(started);
    EXPECT_FALSE(started.error().isEmpty());
}

TEST(Station, PlatformConstructorFollowsTheEnvironmentOverrides)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("env.ini"));
    qputenv("ZELVAN_SETTINGS", ini.toUtf8());
    qputenv("ZELVAN_APP_DIR", dir.path().toUtf8());
    qputenv("ZELVAN_ZQIO", dir.filePath(QStringLiteral("io")).toUtf8());
    FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    {
        Station station(clock);
        EXPECT_EQ(station.stationFolder(), dir.path());
        EXPECT_EQ(station.zqioFolder(), dir.filePath(QStringLiteral("io")));
        ASSERT_TRUE(station.settings().write(QStringLiteral("grids"), QStringLiteral("2")));
        ASSERT_TRUE(station.debugLog().StartDebugLog());
    }
    qunsetenv("ZELVAN_SETTINGS");
    qunsetenv("ZELVAN_APP_DIR");
    qunsetenv("ZELVAN_ZQIO");
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Settings/grids")),
              QStringLiteral("2"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("io/DebugLog.txt"))));
}

namespace
{

// Every signal of a Station, counted.
class SignalCounter
{
public:
    explicit SignalCounter(const Station& station)
    {
        const QMetaObject& meta = Station::staticMetaObject;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                spies.emplace_back(std::make_unique<QSignalSpy>(&station, meta.method(i)));
    }
    // "name xN" for each signal emitted since the last call, in declaration order.
    QStringList takeEmitted()
    {
        QStringList out;
        for (auto& spy : spies) {
            if (!spy->isEmpty())
                out << QStringLiteral("%1 x%2").arg(QString::fromLatin1(spy->signal()),
                                                    QString::number(spy->count()));
            spy->clear();
        }
        return out;
    }
    size_t size() const { return spies.size(); }

private:
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

class StationSignals : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))};
    Station station{
        clock,
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("DI05.ini")), QSettings::IniFormat),
        dir.path(), dir.filePath(QStringLiteral("zqio"))};
    SignalCounter counter{station};

    // The change emits exactly `signal` once; doing it again emits nothing at all.
    void expectOnce(const std::function<void()>& change, const char* signal)
    {
        change();
        EXPECT_EQ(counter.takeEmitted(),
                  QStringList({QLatin1String(signal) + QStringLiteral(" x1")}))
            << signal;
        change();
        EXPECT_EQ(counter.takeEmitted(), QStringList()) << signal << " again";
    }
};

TEST_F(StationSignals, EachChangeEmitsItsSignalOnceAndARepeatNothing)
{
    ASSERT_GT(counter.size(), 30u);
    using Type = Station::TournamentType;
    expectOnce([&] { station.setNavigationMode(QStringLiteral("Setup")); },
               "navigationModeChanged()");
    expectOnce([&] { station.setNumGrids(2); }, "numGridsChanged()");
    expectOnce([&] { station.setRightToLeft(true); }, "rightToLeftChanged()");
    expectOnce([&] { station.setBoxLineOff(true); }, "boxLineOffChanged()");
    expectOnce([&] { station.setBuoyMarker(QStringLiteral("cross")); }, "buoyMarkerChanged()");
    expectOnce([&] { station.setLabelColor(QStringLiteral("white"), 16777215); },
               "labelColorChanged()");
    expectOnce([&] { station.setImpactColorValue(255); }, "impactColorChanged()");
    expectOnce([&] { station.setTournamentType(Type::SitSki); }, "tournamentTypeChanged()");
    expectOnce([&] { station.setWstims(true); }, "wstimsChanged()");
    expectOnce([&] { station.setPictureSaveMode(QStringLiteral("Save")); },
               "pictureSaveModeChanged()");
    expectOnce([&] { station.setVideoSaveMode(QStringLiteral("NoSave")); },
               "videoSaveModeChanged()");
    expectOnce([&] { station.setTournamentName(QStringLiteral("Cup")); },
               "tournamentNameChanged()");
    expectOnce([&] { station.setResultsFilePath(QStringLiteral("/r.txt")); },
               "resultsFilePathChanged()");
    expectOnce([&] { station.setCapturesPath(QStringLiteral("/caps")); }, "capturesPathChanged()");
    expectOnce([&] { station.setSetupFilesPath(QStringLiteral("/ipt")); },
               "setupFilesPathChanged()");
    expectOnce([&] { station.setPictureFormat(QStringLiteral(".jpg"), QStringLiteral("2")); },
               "pictureFormatChanged()");
    expectOnce([&] { station.setAllowInvalidSetup(true); }, "allowInvalidSetupChanged()");
    expectOnce([&] { station.setPictureSize(9600, 7200); }, "pictureSizeChanged()");
    expectOnce(
        [&] {
            station.setSkierNames({QStringLiteral("Ann"), QStringLiteral("Bo")});
        },
        "skierNamesChanged()");
    expectOnce([&] { station.setMeasureSkierName(QStringLiteral("Ann")); },
               "measureSkierNameChanged()");
    expectOnce([&] { station.setMeasureJumpNumber(QStringLiteral("2")); },
               "measureJumpNumberChanged()");
    expectOnce([&] { station.setCaptureSkierName(QStringLiteral("Bo")); },
               "captureSkierNameChanged()");
    expectOnce([&] { ASSERT_TRUE(station.setVideoDirectory(dir.path())); },
               "videoDirectoryChanged()");
    expectOnce([&] { station.fixSessionLogFileName(); }, "sessionLogFileNameChanged()");
    expectOnce([&] { station.setPreviewOn(true); }, "previewOnChanged()");
    expectOnce([&] { station.setSelectedVideoFile(QStringLiteral("/v/a.avi")); },
               "selectedVideoFileChanged()");
    expectOnce([&] { station.setSelectedFrame(40); }, "selectedFrameChanged()");
    expectOnce([&] { station.setContactFrameHint(38); }, "contactFrameHintChanged()");
    expectOnce([&] { station.setVideoFileToView(QStringLiteral("/v/b.avi")); },
               "videoFileToViewChanged()");
    expectOnce([&] { station.setPictureToView(QStringLiteral("/v/c.bmp")); },
               "pictureToViewChanged()");
    expectOnce([&] { station.setCapturedVideoFile(QStringLiteral("/v/SmithXjump1.avi")); },
               "capturedVideoFileChanged()");
    expectOnce([&] { station.setCaptureNameWarning(true); }, "captureNameWarningChanged()");
    expectOnce([&] { station.setCaptureAttemptNumber(QStringLiteral("2")); },
               "captureAttemptNumberChanged()");
    expectOnce([&] { station.showScreen(Station::Screen::Config); },
               "screenRequested(zelvan::app::Station::Screen)");

    // Every value reads back.
    EXPECT_EQ(station.navigationMode(), QStringLiteral("Setup"));
    EXPECT_EQ(station.numGrids(), 2);
    EXPECT_EQ(station.labelColorValue(), 16777215);
    EXPECT_EQ(station.tournamentType(), Type::SitSki);
    EXPECT_TRUE(station.sitSkiMode());
    EXPECT_FALSE(station.barefootMode());
    EXPECT_TRUE(station.allowInvalidSetup());
    EXPECT_EQ(station.pictureWidthTwips(), 9600);
    EXPECT_EQ(station.pictureHeightTwips(), 7200);
    EXPECT_EQ(station.measureJumpNumber(), QStringLiteral("2"));
    EXPECT_EQ(station.sessionLogFileName(), QStringLiteral("JumpMeasurementLog030426.txt"));
    EXPECT_EQ(station.currentScreen(), Station::Screen::Config);
    EXPECT_EQ(station.capturedVideoFile(), QStringLiteral("/v/SmithXjump1.avi"));
    EXPECT_TRUE(station.captureNameWarning());
    EXPECT_EQ(station.captureAttemptNumber(), QStringLiteral("2"));
}

TEST_F(StationSignals, AReleaseRequestIsSignalledEveryTime)
{
    QSignalSpy released(&station, &Station::videoReleaseRequested);
    station.releaseVideo();
    station.releaseVideo();
    EXPECT_EQ(released.count(), 2);
}

TEST_F(StationSignals, PictureSizeStartsAtItsDefaultAndGridStateEmitsPerGrid)
{
    EXPECT_EQ(station.pictureWidthTwips(), 12000);
    EXPECT_EQ(station.pictureHeightTwips(), 9000);
    EXPECT_FALSE(station.allowInvalidSetup());

    expectOnce([&] { station.setGridReady(2, true); }, "gridChanged(int)");
    expectOnce([&] { station.setGridFile(3, QStringLiteral("/g/south.ipt")); }, "gridChanged(int)");
    expectOnce([&] { station.setGridDescription(1, QStringLiteral("North")); }, "gridChanged(int)");
    expectOnce([&] { station.setCurrentGrid(3); }, "workingSetChanged()");
    expectOnce([&] { station.setAllGridsReady(1); }, "gridFlagsChanged()");
    EXPECT_TRUE(station.gridReady(2));
    EXPECT_FALSE(station.gridReady(1));
    EXPECT_EQ(station.gridFile(3), QStringLiteral("/g/south.ipt"));
    EXPECT_EQ(station.gridDescription(1), QStringLiteral("North"));
    EXPECT_EQ(station.currentGrid(), 3);
    expectOnce(
        [&] {
            station.setGridIndicator(2, {true, QStringLiteral("not saved")});
        },
        "gridIndicatorChanged(int)");
    EXPECT_EQ(station.gridIndicator(2).description, QStringLiteral("not saved"));
    EXPECT_TRUE(station.gridIndicator(2).fileFound);
    EXPECT_FALSE(station.gridIndicator(3).fileFound);

    // A grid procedure run through the Station names each grid it changed once.
    QSignalSpy grids(&station, &Station::gridChanged);
    const int answer =
        station.changeGrids([](grid::GridStore& s, grid::WorkingSet& w, grid::GridFlags& f) {
            s.setup[1].jumpX = 5;
            s.setup[1].buoy[2].surveyY = 7;
            s.ready[3] = true;
            w.screenX = 150;
            f.surveyDirection = 1;
            return 42;
        });
    EXPECT_EQ(answer, 42);
    ASSERT_EQ(grids.count(), 2);
    EXPECT_EQ(grids.at(0).at(0).toInt(), 1);
    EXPECT_EQ(grids.at(1).at(0).toInt(), 3);
    EXPECT_EQ(counter.takeEmitted(), QStringList({QStringLiteral("gridChanged(int) x2"),
                                                  QStringLiteral("workingSetChanged() x1"),
                                                  QStringLiteral("gridFlagsChanged() x1")}));
    station.changeGrids([](grid::GridStore&, grid::WorkingSet&, grid::GridFlags&) {});
    EXPECT_EQ(counter.takeEmitted(), QStringList());
    // Grids outside 1..3 are nothing.
    station.setGridReady(4, true);
    station.setGridIndicator(0, {true, QStringLiteral("x")});
    EXPECT_EQ(counter.takeEmitted(), QStringList());
    EXPECT_FALSE(station.gridReady(0));
}

TEST_F(StationSignals, ASubscriberWithoutScreensSeesConfigurationChanges)
{
    // A plain object and a lambda, as a screen-less listener would be.
    QObject listener;
    QStringList seen;
    QObject::connect(&station, &Station::labelColorChanged, &listener,
                     [&] { seen << QStringLiteral("colour %1").arg(station.labelColorValue()); });
    QObject::connect(&station, &Station::tournamentTypeChanged, &listener,
                     [&] { seen << config::jumpTypeIndicator(station.mirror()); });
    QObject::connect(&station, &Station::wstimsChanged, &listener,
                     [&] { seen << QStringLiteral("wstims %1").arg(station.wstims()); });

    ASSERT_TRUE(config::setLabelColor(station, QStringLiteral("yellow")));
    ASSERT_TRUE(config::setLabelColor(station, QStringLiteral("yellow")));
    ASSERT_TRUE(config::setBarefoot(station, true));
    ASSERT_TRUE(config::setSitSki(station, true));
    ASSERT_TRUE(config::setBarefoot(station, false)); // sit-ski stays: no change
    ASSERT_TRUE(config::setWstims(station, true));
    EXPECT_EQ(seen, QStringList({QStringLiteral("colour 65535"), QStringLiteral("Barefoot Jump"),
                                 QStringLiteral("Sit Ski Jump"), QStringLiteral("wstims 1")}));
    EXPECT_EQ(station.settings().read(QStringLiteral("tournamentType")), QStringLiteral("sitski"));
}

TEST_F(StationSignals, LoadingTheMirrorSignalsOnlyWhatChanged)
{
    ASSERT_TRUE(station.settings().write(QStringLiteral("grids"), QStringLiteral("3")));
    ASSERT_TRUE(station.settings().write(QStringLiteral("impactcolor"), QStringLiteral("red")));
    ASSERT_TRUE(station.settings().write(QStringLiteral("WSTIMS"), QStringLiteral("1")));
    ASSERT_TRUE(station.loadSettingsMirror(clock.now()));
    EXPECT_EQ(station.numGrids(), 3);
    EXPECT_EQ(station.impactColorValue(), 255);
    EXPECT_TRUE(station.wstims());
    EXPECT_EQ(station.resultsFilePath(), QStringLiteral("JumpMeasurementResults030426.txt"));
    EXPECT_EQ(counter.takeEmitted(), QStringList({QStringLiteral("numGridsChanged() x1"),
                                                  QStringLiteral("impactColorChanged() x1"),
                                                  QStringLiteral("wstimsChanged() x1"),
                                                  // the policies start empty and load as "Ask"
                                                  QStringLiteral("pictureSaveModeChanged() x1"),
                                                  QStringLiteral("videoSaveModeChanged() x1"),
                                                  QStringLiteral("resultsFilePathChanged() x1")}));
    // The same store again changes nothing.
    ASSERT_TRUE(station.loadSettingsMirror(clock.now()));
    EXPECT_EQ(counter.takeEmitted(), QStringList());
}

} // namespace

TEST_F(StationSignals, TheGridCountSettlesAllGridsReadyFromTheGrids)
{
    station.changeGrids(
        [](grid::GridStore& store, grid::WorkingSet&, grid::GridFlags&) { store.ready[1] = true; });
    station.setNumGrids(1);
    EXPECT_EQ(station.allGridsReady(), 1) << "grid 1 is all there is to set up";
    station.setNumGrids(3);
    EXPECT_EQ(station.allGridsReady(), 0) << "grids 2 and 3 are not set up";
    station.changeGrids(
        [](grid::GridStore& store, grid::WorkingSet&, grid::GridFlags&) { store.ready[2] = true; });
    EXPECT_EQ(station.allGridsReady(), 0) << "a grid made ready alone settles nothing";
    station.recheckAllGridsReady();
    EXPECT_EQ(station.allGridsReady(), 0) << "grid 3 is still not set up";
    station.setNumGrids(2);
    EXPECT_EQ(station.allGridsReady(), 1);
    station.setGridReady(1, false);
    station.recheckAllGridsReady();
    EXPECT_EQ(station.allGridsReady(), 0);
}
