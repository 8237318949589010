// The configuration screen with real widgets, offscreen, answered by scripted dialogs.
#include "app/StartUp.h"
#include "ConfigScreenFixture.h"

#include "app/ConfigActions.h"
#include "app/ConfigLoad.h"
#include "widgets/Loupe.h"

#include <QSignalSpy>

using namespace zelvan;
using zelvan::test::ConfigScreenTest;

namespace
{

// Which grid indicators of the main screen show, and which show the ready picture.
std::array<bool, 3> visibleIndicators(const app::Station& station)
{
    return app::gridIndicators(station.numGrids(), {}).visible;
}
std::array<bool, 3> foundPictures(const app::Station& station)
{
    return {station.gridIndicator(1).fileFound, station.gridIndicator(2).fileFound,
            station.gridIndicator(3).fileFound};
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}

// The set-up block the start-up load writes for grid n from its file pair.
QStringList startupBlock(const QString& path, int n, const QDateTime& at)
{
    const auto pair = grid::loadGridFilePair(path);
    EXPECT_TRUE(pair) << pair.error().toStdString();
    return pair ? grid::loadSetupBlock(*pair, n, at, grid::SetupBlockForm::StartupLoad)
                : QStringList();
}

} // namespace

TEST_F(ConfigScreenTest, FirstRunStoresTheDefaultsAndShowsThem)
{
    EXPECT_FALSE(screen.loaded());
    open();
    ASSERT_TRUE(screen.loaded());
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('|').toStdString();

    EXPECT_EQ(stored("labelcolor"), "default");
    EXPECT_EQ(stored("grids"), "1");
    EXPECT_EQ(stored("tournamentType"), "normal");
    EXPECT_EQ(stored("WSTIMS"), "0");
    EXPECT_EQ(stored("right2left"), "False");
    EXPECT_EQ(stored("buoymarker"), "circle");
    EXPECT_EQ(stored("PictureSave"), "Ask");
    EXPECT_EQ(stored("VideoSave"), "Ask");
    // Left alone: written only when the screen is left, or by their own controls.
    EXPECT_EQ(stored("TournamentName"), "<missing>");
    EXPECT_EQ(stored("Loupe"), "<missing>");

    EXPECT_EQ(box("TournamentName")->text(), "");
    EXPECT_EQ(box("ResultsPathName")->text(), resultsFile());
    EXPECT_EQ(station.resultsFilePath(), resultsFile());
    EXPECT_EQ(box("CapturesPathName")->text(), station.videoDirectory());
    EXPECT_EQ(box("SetupFilesPathName")->text(), "");
    EXPECT_EQ(box("SkierNameFile")->text(), "");
    for (const char* on : {"Opt1Grid", "left_to_right_button", "OptCircle", "default_color",
                           "OptImpactWhite", "OptPictureAsk", "OptVideoAsk"})
        EXPECT_TRUE(option(on)->isChecked()) << on;
    EXPECT_TRUE(check("line_control_check")->isChecked());
    for (const char* off : {"Barefoot_box", "SitSki_box", "WSTIMS", "chkLoupe", "chkBadSetup"})
        EXPECT_FALSE(check(off)->isChecked()) << off;
    EXPECT_TRUE(control<QLabel>("ZQIOLabel")->isHidden());
    EXPECT_EQ(station.impactColorValue(), app::settings::kWhite);
    EXPECT_EQ(station.pictureExtension(), ".bmp");
    EXPECT_EQ(station.pictureFormatCode(), "1");
    EXPECT_EQ(screen.loupe(), nullptr);
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(station.stationFolder()).canonicalPath());
}

TEST_F(ConfigScreenTest, LoadsOnceAndLaterRequestsOnlyShowIt)
{
    store("TournamentName", QStringLiteral("Spring Open"));
    open();
    EXPECT_EQ(box("TournamentName")->text(), "Spring Open");
    store("TournamentName", QStringLiteral("Changed behind the screen"));
    store("grids", QStringLiteral("3"));
    station.showScreen(app::Station::Screen::Main);
    open();
    EXPECT_FALSE(screen.ensureLoaded());
    EXPECT_EQ(box("TournamentName")->text(), "Spring Open");
    EXPECT_TRUE(option("Opt1Grid")->isChecked());
    EXPECT_EQ(station.numGrids(), 1);
}

TEST_F(ConfigScreenTest, StoredParametersComeBackOnTheControls)
{
    const QString setups = dir.filePath(QStringLiteral("grids"));
    const std::pair<const char*, QString> values[] = {{"TournamentName", "Lake Cup"},
                                                      {"SetupFiles", setups},
                                                      {"grids", "2"},
                                                      {"right2left", "True"},
                                                      {"boxlineoff", "True"},
                                                      {"tournamentType", "sitski"},
                                                      {"WSTIMS", "1"},
                                                      {"buoymarker", "cross"},
                                                      {"labelcolor", "yellow"},
                                                      {"impactcolor", "red"},
                                                      {"PictureSave", "NoSave"},
                                                      {"VideoSave", "Save"}};
    for (const auto& [key, value] : values)
        store(key, value);
    open();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(box("TournamentName")->text(), "Lake Cup");
    EXPECT_EQ(box("SetupFilesPathName")->text(), setups);
    EXPECT_EQ(station.setupFilesPath(), setups);
    for (const char* on : {"Opt2grid", "right_to_left_button", "OptCross", "yellow_color",
                           "OptImpactRed", "OptPictureNoSave", "OptVideoSave"})
        EXPECT_TRUE(option(on)->isChecked()) << on;
    EXPECT_TRUE(check("SitSki_box")->isChecked());
    EXPECT_FALSE(check("Barefoot_box")->isChecked());
    EXPECT_TRUE(check("WSTIMS")->isChecked());
    EXPECT_FALSE(control<QLabel>("ZQIOLabel")->isHidden());
    EXPECT_FALSE(check("line_control_check")->isChecked());
    EXPECT_TRUE(station.boxLineOff());
    EXPECT_EQ(station.labelColorValue(), app::settings::kYellow);
    EXPECT_EQ(station.impactColorValue(), app::settings::kRed);
    EXPECT_EQ(app::config::jumpTypeIndicator(station.mirror()), "Sit Ski Jump");
    EXPECT_EQ(visibleIndicators(station), (std::array<bool, 3>{true, true, false}));
}

TEST_F(ConfigScreenTest, ThreeGridsWithOneFileMissingAndOneWithoutCheckBuoy)
{
    const QString grid1 = gridFile(QStringLiteral("north.ipt"), 1);
    const QString grid3 = gridFile(QStringLiteral("south.ipt"), 3, false);
    store("grids", QStringLiteral("3"));
    store("grid1File", grid1);
    store("grid2File", dir.filePath(QStringLiteral("grids/gone.ipt")));
    store("grid3File", grid3);
    open();

    // Only grid 3's file is read without a check buoy; the missing grid 2 is no error.
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Error in load - no check buoy found - setup grid again"});
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_FALSE(station.gridReady(2));
    EXPECT_FALSE(station.gridReady(3));
    EXPECT_EQ(station.allGridsReady(), 0);
    EXPECT_FALSE(station.gridLoadingFlag());
    EXPECT_EQ(station.gridDescription(1), "Camera 1");
    EXPECT_EQ(station.gridDescription(3), "Camera 3");
    EXPECT_EQ(station.gridFile(1), QDir::toNativeSeparators(grid1));
    EXPECT_EQ(visibleIndicators(station), (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(foundPictures(station), (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(station.gridIndicator(1).description, "Camera 1");
    EXPECT_EQ(fileBytes(resultsFile()), crlf(startupBlock(grid1, 1, clock.time)));
    EXPECT_EQ(startupBlock(grid1, 1, clock.time).value(0),
              "07-04-2026 09:30:00 New Set-up now in place");
}

TEST_F(ConfigScreenTest, GridThreeBeyondTheGridsInUseIsStillLoaded)
{
    const QString grid1 = gridFile(QStringLiteral("north.ipt"), 1);
    const QString grid3 = gridFile(QStringLiteral("south.ipt"), 3);
    store("grid1File", grid1);
    store("grid3File", grid3);
    QSignalSpy indicators(&station, &app::Station::gridIndicatorChanged);
    open();

    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(station.gridReady(3));
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_EQ(station.allGridsReady(), 1);
    EXPECT_EQ(stored("grid3File"), grid3);
    // Grid 3 first, then grid 1, each with its block.
    EXPECT_EQ(fileBytes(resultsFile()),
              crlf(startupBlock(grid3, 3, clock.time) + startupBlock(grid1, 1, clock.time)));
    EXPECT_EQ(visibleIndicators(station), (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(foundPictures(station), (std::array<bool, 3>{true, false, true}));
    EXPECT_GE(indicators.count(), 1);

    // Three grids: the indicators of grids 2 and 3 appear at once.
    option("Opt3grid")->click();
    EXPECT_EQ(stored("grids"), "3");
    EXPECT_EQ(visibleIndicators(station), (std::array<bool, 3>{true, true, true}));
}

TEST_F(ConfigScreenTest, AGridFileThatCannotBeReadIsToldAndTheLoadGoesOn)
{
    const QString broken = dir.filePath(QStringLiteral("grids/broken.ipt"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a grid file\r\n");
    f.close();
    store("grid1File", broken);
    store("right2left", QStringLiteral("True"));
    open();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_FALSE(dialogs.shown[0].text.isEmpty());
    EXPECT_FALSE(station.gridReady(1));
    EXPECT_TRUE(option("right_to_left_button")->isChecked());
    EXPECT_FALSE(QFile::exists(resultsFile()));
}

TEST_F(ConfigScreenTest, MissingResultsFolderIsToldAndTheLoadGoesOn)
{
    const QString grid1 = gridFile(QStringLiteral("north.ipt"), 1);
    store("grid1File", grid1);
    store("buoymarker", QStringLiteral("cross"));
    ASSERT_TRUE(QDir(videos()).removeRecursively());
    open();

    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Cannot open " + resultsFile()))
        << dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_TRUE(option("OptCross")->isChecked());

    // Leaving tells it again and still reaches the main screen; no file appears.
    dialogs.clear();
    leave();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Cannot open " + resultsFile()));
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    EXPECT_FALSE(QFile::exists(resultsFile()));
}

TEST_F(ConfigScreenTest, AResultsFileThatIsAFolderIsTold)
{
    ASSERT_TRUE(QDir().mkpath(resultsFile()));
    open();
    leave();
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_TRUE(dialogs.shown[0].text.contains(resultsFile()));
    EXPECT_TRUE(QFileInfo(resultsFile()).isDir());
}

TEST_F(ConfigScreenTest, AStoreThatCannotBeWrittenIsToldAndTheRunGoesOn)
{
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    app::Station locked(
        clock,
        std::make_unique<QSettings>(blocker + QStringLiteral("/DI05.ini"), QSettings::IniFormat),
        dir.filePath("station"), dir.filePath("zqio"));
    ASSERT_FALSE(locked.setVideoDirectory(videos())); // the folder is taken, its store is not
    ScriptedDialogs told;
    app::ui::ConfigScreen lockedScreen(locked, told);
    locked.showScreen(app::Station::Screen::Config);

    // One warning for the load, not one per setting; the defaults are on the controls.
    ASSERT_EQ(told.shown.size(), 1) << told.texts().join('|').toStdString();
    EXPECT_EQ(told.shown[0].icon, Icon::Warning);
    EXPECT_FALSE(told.shown[0].text.isEmpty());
    EXPECT_TRUE(lockedScreen.findChild<QRadioButton*>("OptPictureAsk")->isChecked());

    told.clear();
    lockedScreen.findChild<QRadioButton*>("Opt3grid")->click();
    EXPECT_EQ(locked.numGrids(), 3);
    EXPECT_EQ(told.shown.size(), 1);
    told.clear();
    lockedScreen.exitAction()->trigger();
    EXPECT_EQ(told.shown.size(), 1); // the tournament name could not be stored
    EXPECT_EQ(locked.currentScreen(), app::Station::Screen::Main);
    EXPECT_EQ(fileBytes(resultsFile()), QByteArray("New Configuration: 07-04-2026  09:30:00 \r\n"));
}
