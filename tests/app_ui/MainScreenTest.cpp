// The main screen with real widgets, offscreen, answered by scripted dialogs: its start-up, its
// buttons and menus, and the grid indicators that follow the Station.
#include "app/ui/MainScreen.h"
#include "app/ui/LogViewer.h"
#include "app/ui/PictureLogViewer.h"

#include "ScriptedDialogs.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "app/SettingsStore.h"
#include "base/Clock.h"
#include "capture/FfmpegCaptureControl.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::app::Station;
using zelvan::app::ui::MainScreen;
using Screen = Station::Screen;
using Kind = ScriptedDialogs::Kind;

namespace
{

// The name a screen reader or an automation tool reads.
QString accessibleName(QWidget* w)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

class MainScreenTest : public ::testing::Test
{
protected:
    MainScreenTest()
    {
        QDir(dir.path()).mkpath(QStringLiteral("videos"));
        QDir(dir.path()).mkpath(QStringLiteral("zqio"));
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QSettings& ini() { return *new QSettings(path("DI05.ini"), QSettings::IniFormat, &owner); }
    MainScreen& screen()
    {
        if (!screen_) {
            screen_ = std::make_unique<MainScreen>(station, dialogs, control);
            screen_->resize(1366, 768);
            screen_->show();
        }
        return *screen_;
    }
    template <class W = QPushButton> W* control_(const char* name)
    {
        return screen().findChild<W*>(QLatin1String(name));
    }
    // Answers the two reset questions with No: start-up goes straight to the folder.
    void declineReset() { dialogs.yesNoAnswers << false; }
    QString sessionLog() const
    {
        return QString::fromLatin1(
            test::fileBytes(dir.filePath("videos/JumpMeasurementLog070426.txt")));
    }

    QTemporaryDir dir;
    QObject owner;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30, 0))};
    Station station{clock,
                    std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
                    dir.path(), dir.filePath("zqio")};
    ScriptedDialogs dialogs;
    capture::FfmpegCaptureControl control{false};
    std::unique_ptr<MainScreen> screen_;
};

} // namespace

TEST_F(MainScreenTest, FirstStartAsksEveryResetQuestionWithZeroAndTheFolderUntilOneExists)
{
    dialogs.yesNoAnswers << true << true << false << false << false << false << false << false
                         << false << false;
    dialogs.inputAnswers << QString() << std::nullopt << path("nowhere") << path("videos");
    QSignalSpy requested(&station, &Station::screenRequested);
    screen().startUp();

    const QStringList expected = {
        "Do you want to reset all parameters to install values?",
        "Are you certain? This means you are crashing and can't operate",
        "Logpath = 0 Clear it?",
        "barefoot = 0 Clear it?",
        "compression = 0 Clear it?",
        "device = 0 Clear it?",
        "framerate = 0 Clear it?",
        "Grid 1 File = 0 Clear it?",
        "Grid 2 File = 0 Clear it?",
        "Grid 3 File = 0 Clear it?",
        "No Correct Save Video Directory has been set.  Please put in the path of the Save "
        "Video Directory here.",
        "You entered an invalid path - try  again",
        "No Correct Save Video Directory has been set.  Please put in the path of the Save "
        "Video Directory here.",
        "You entered an invalid path - try  again",
        "No Correct Save Video Directory has been set.  Please put in the path of the Save "
        "Video Directory here.",
        "You entered an invalid path - try  again",
        "No Correct Save Video Directory has been set.  Please put in the path of the Save "
        "Video Directory here.",
        "Please Verify all Setup Parameters"};
    EXPECT_EQ(dialogs.texts(), expected);
    EXPECT_EQ(dialogs.shown.last().title, "Zelvan Measurement");
    EXPECT_EQ(dialogs.shown[10].title, "Input Save Video Files Path");

    EXPECT_EQ(station.videoDirectory(), path("videos"));
    EXPECT_EQ(control_<QLineEdit>("txtVideoDir")->text(), path("videos"));
    EXPECT_EQ(control_<QLabel>("lblVideodir")->text(), path("videos"));
    EXPECT_EQ(ini().value("Settings/logpath").toString(), path("videos"));
    EXPECT_EQ(ini().value("Settings/logfile").toString(), "JumpMeasurementLog070426.txt");
    EXPECT_TRUE(sessionLog().contains("07-04-2026")) << sessionLog().toStdString();
    EXPECT_TRUE(sessionLog().endsWith("\r\n"));
    const QString debugLog =
        QString::fromLatin1(test::fileBytes(dir.filePath("zqio/DebugLog.txt")));
    EXPECT_TRUE(debugLog.section("\r\n", 0, 0).endsWith("Debug Log Session Started"))
        << debugLog.toStdString();
    EXPECT_TRUE(debugLog.contains("MainForm Load"));
    EXPECT_TRUE(control.preview()) << "preview switched on at start-up";
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.at(0).at(0).value<Screen>(), Screen::Config);
}

TEST_F(MainScreenTest, AStoredFolderWithATrailingSeparatorIsTakenWithoutIt)
{
    ini().setValue("Settings/logpath", path("videos") + QDir::separator());
    ini().sync();
    declineReset();
    screen().startUp();
    EXPECT_EQ(station.videoDirectory(), path("videos"));
    EXPECT_EQ(dialogs.texts(), QStringList({"Do you want to reset all parameters to install "
                                            "values?",
                                            "Please Verify all Setup Parameters"}));
}

TEST_F(MainScreenTest, TwoStartsOnOneDayAppendToOneSessionLog)
{
    ini().setValue("Settings/logpath", path("videos"));
    ini().sync();
    declineReset();
    screen().startUp();
    const QString once = sessionLog();
    ASSERT_FALSE(once.isEmpty());

    // A second run of the station on the same day, over the same folders.
    Station again{clock, std::make_unique<QSettings>(path("DI05.ini"), QSettings::IniFormat),
                  dir.path(), path("zqio")};
    ScriptedDialogs answers;
    answers.yesNoAnswers << false;
    MainScreen second(again, answers, control);
    second.startUp();
    EXPECT_EQ(sessionLog(), once + once);
}

TEST_F(MainScreenTest, StartUpGoesOnWhenTheLogsCannotBeWritten)
{
    // zqio is a file and the save-video folder's log name is taken by a folder.
    QDir(path("zqio")).removeRecursively();
    QFile blocker(path("zqio"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QDir(path("videos")).mkpath("JumpMeasurementLog070426.txt");
    ini().setValue("Settings/logpath", path("videos"));
    ini().setValue("Settings/barefoot", "1");
    ini().sync();
    declineReset();
    QSignalSpy requested(&station, &Station::screenRequested);
    screen().startUp();

    const QStringList texts = dialogs.texts();
    EXPECT_TRUE(texts.contains("Error occurred while trying to close file, please retry."))
        << texts.join('|').toStdString();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) {
        return t.startsWith("The session log could not be written: ");
    })) << texts.join('|').toStdString();
    EXPECT_EQ(texts.last(), "Please Verify all Setup Parameters");
    EXPECT_EQ(requested.count(), 1) << "the configuration screen still comes";
    EXPECT_TRUE(control_<QCheckBox>("cb15")->isChecked());
}

TEST_F(MainScreenTest, BarefootBoxAndVideoFolderAreStoredTheMomentTheyChange)
{
    screen();
    control_<QCheckBox>("cb15")->click();
    EXPECT_EQ(ini().value("Settings/barefoot").toString(), "1");
    control_<QCheckBox>("cb15")->click();
    EXPECT_EQ(ini().value("Settings/barefoot").toString(), "0");

    auto* folder = control_<QLineEdit>("txtVideoDir");
    folder->setFocus();
    folder->selectAll();
    QTest::keyClicks(folder, path("videos") + "/");
    EXPECT_EQ(station.videoDirectory(), path("videos"));
    EXPECT_EQ(ini().value("Settings/logpath").toString(), path("videos"));
    EXPECT_EQ(folder->text(), path("videos") + "/") << "the operator's typing stays as typed";
}

TEST_F(MainScreenTest, ChangingTheFolderRefusesAMissingOneAndCancelChangesNothing)
{
    ini().setValue("Settings/logpath", path("videos"));
    ini().sync();
    declineReset();
    screen().startUp();
    dialogs.clear();
    QDir(dir.path()).mkpath("other");
    dialogs.inputAnswers << path("missing") << path("other");
    control_("btnChangeDirectory")->click();
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[0].text, "Please put in the path of the Save Video Directory here.");
    EXPECT_EQ(dialogs.shown[0].title, "Input Save Video Files Path");
    EXPECT_EQ(dialogs.shown[1].text, "The folder you entered does not exist");
    EXPECT_EQ(dialogs.shown[1].title, "Jump Measurement Alert");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Warning);
    EXPECT_EQ(station.videoDirectory(), path("other"));
    EXPECT_EQ(control_<QLabel>("lblVideodir")->text(), path("other"));
    EXPECT_EQ(ini().value("Settings/logpath").toString(), path("other"));

    dialogs.clear();
    control_("btnChangeDirectory")->click(); // cancelled: the queue is empty
    EXPECT_EQ(station.videoDirectory(), path("other"));
    EXPECT_EQ(dialogs.shown.size(), 1);
}

TEST_F(MainScreenTest, ScreensOpenOnlyWhenTheirConditionsHold)
{
    for (Screen s : {Screen::GridSetup, Screen::Measure, Screen::Capture, Screen::FrameSelection})
        screen().setScreenAvailable(s, true);
    QSignalSpy requested(&station, &Station::screenRequested);
    auto last = [&] { return requested.last().at(0).value<Screen>(); };

    control_("ccmdGoToMeasure")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              "At least one measurement grid that you have specified has not been set up.  All "
              "grids specified must be set up correctly before you can use the measurement "
              "screen");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(last(), Screen::GridSetup);
    station.setAllGridsReady(1);
    control_("ccmdGoToMeasure")->click();
    EXPECT_EQ(last(), Screen::Measure);

    // No save-video folder yet: capture and frame selection refuse with "Path Error".
    dialogs.clear();
    const int before = requested.count();
    control_("cmdGoCapture")->click();
    control_("cmdGoTimer")->click();
    EXPECT_EQ(requested.count(), before);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, "The Log File Folder you specified does not exist. Please "
                                     "change it to a Folder that does exist.");
    EXPECT_EQ(dialogs.shown[0].title, "Path Error");
    EXPECT_EQ(dialogs.shown[1].title, "Path Error");

    ASSERT_TRUE(station.setVideoDirectory(path("videos")));
    control_("cmdGoCapture")->click();
    EXPECT_EQ(last(), Screen::Capture);
    EXPECT_EQ(station.navigationMode(), "Setup");
    EXPECT_TRUE(station.previewOn());
    EXPECT_TRUE(control.preview());
    station.setNavigationMode(QString());
    control_("cmdGoTimer")->click();
    EXPECT_EQ(last(), Screen::FrameSelection);
    EXPECT_EQ(station.navigationMode(), "Setup");
    control_("cmdSetup")->click();
    EXPECT_EQ(last(), Screen::GridSetup);
    control_("cmdConfigure")->click();
    EXPECT_EQ(last(), Screen::Config);
}

TEST_F(MainScreenTest, ButtonsOfScreensNotYetThereAreDisabled)
{
    for (const char* name : {"cmdSetup", "ccmdGoToMeasure", "cmdGoCapture", "cmdGoTimer"})
        EXPECT_FALSE(control_(name)->isEnabled()) << name;
    screen().setScreenAvailable(Screen::GridSetup, true);
    EXPECT_TRUE(control_("cmdSetup")->isEnabled());
    EXPECT_TRUE(control_("cmdConfigure")->isEnabled());
}

TEST_F(MainScreenTest, KeyboardStartsOnTheRoadAndFollowsTheColumns)
{
    for (Screen s : {Screen::GridSetup, Screen::Measure, Screen::Capture, Screen::FrameSelection})
        screen().setScreenAvailable(s, true);
    QStringList order;
    QWidget* w = control_("cmdGoCapture");
    for (int i = 0; i < 9; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(order,
              QStringList({"cmdGoCapture", "cmdGoTimer", "ccmdGoToMeasure", "cmdShowConfig",
                           "cmdSetup", "cmdConfigure", "cmdImport", "btnChangeDirectory", "cb15"}));
    // The first control of the screen that takes the keyboard is the road's first step.
    QWidget* first = &screen();
    do
        first = first->nextInFocusChain();
    while (!(first->focusPolicy() & Qt::TabFocus) || !first->isEnabled() ||
           !first->isVisibleTo(&screen()));
    EXPECT_EQ(first->objectName(), "cmdGoCapture");
}

TEST_F(MainScreenTest, ImportingANamesFileCopiesItAndGivesTheFirstSkierToTheCaptureScreen)
{
    QFile names(path("from-wstims.csv"));
    ASSERT_TRUE(names.open(QIODevice::WriteOnly));
    names.write("Smith,John,USA\r\nDoe,Jane,CAN\r\n");
    names.close();
    dialogs.fileAnswers << path("from-wstims.csv");
    control_("cmdImport")->click();
    EXPECT_EQ(station.captureSkierName(), "Smith John USA");
    EXPECT_EQ(test::fileBytes(path("SkierNames.txt")), "Smith,John,USA\r\nDoe,Jane,CAN\r\n");

    // Cancelled: nothing changes. A file that cannot be read is told.
    control_("cmdImport")->click();
    EXPECT_EQ(station.captureSkierName(), "Smith John USA");
    dialogs.fileAnswers << path("gone.csv");
    dialogs.clear();
    control_("cmdImport")->click();
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Warning);
    EXPECT_EQ(station.captureSkierName(), "Smith John USA");
}

TEST_F(MainScreenTest, CaptureConfigurationIsShownAndHiddenByOneButton)
{
    auto* toggle = control_("cmdShowConfig");
    auto* panel = screen().findChild<QWidget*>("CapturePanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(toggle->text(), "Show Video Configuration");
    const int frameLeft = control_<QWidget>("Frame1")->x();
    toggle->click();
    EXPECT_EQ(toggle->text(), "Hide Video Configuration");
    EXPECT_GT(control_<QWidget>("Frame1")->x(), frameLeft) << "the frame makes room";
    toggle->click();
    EXPECT_EQ(toggle->text(), "Show Video Configuration");
    EXPECT_EQ(control_<QWidget>("Frame1")->x(), frameLeft);
}

TEST_F(MainScreenTest, QuittingAsksFirstAndClosingEndsAtOnce)
{
    QSignalSpy quit(&screen(), &MainScreen::quitRequested);
    auto* exit = screen().findChild<QAction*>("mnuExit");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "E&xit");
    exit->trigger();
    EXPECT_EQ(quit.count(), 0);
    EXPECT_EQ(dialogs.texts(), QStringList({"Are you sure you want to quit?"}));
    dialogs.yesNoAnswers << true;
    exit->trigger();
    EXPECT_EQ(quit.count(), 1);
    screen().close();
    EXPECT_EQ(quit.count(), 2);
}

TEST_F(MainScreenTest, GridIndicatorsFollowTheStation)
{
    screen();
    auto visible = [&](int n) {
        return control_<QLabel>(qPrintable(QString("lblGrid%1").arg(n)))->isVisible();
    };
    EXPECT_TRUE(visible(1));
    EXPECT_FALSE(visible(2));
    EXPECT_FALSE(visible(3));
    station.setNumGrids(3);
    EXPECT_TRUE(visible(3));
    EXPECT_EQ(control_<QLabel>("lblGrid3")->text(), "Grid3");
    station.setNumGrids(2);
    EXPECT_TRUE(visible(2));
    EXPECT_FALSE(visible(3));
    EXPECT_FALSE(control_<QLineEdit>("txtGridDescription(2)")->isVisible());

    auto* picture = control_<QLabel>("ImageGrid2");
    EXPECT_EQ(picture->toolTip(), "SmallCaution.jpg");
    station.setGridIndicator(2, {true, "North tower"});
    EXPECT_EQ(picture->toolTip(), "SmallSmiley.jpg");
    EXPECT_FALSE(picture->pixmap().isNull()) << "the compiled-in picture stands in";
    EXPECT_EQ(control_<QLineEdit>("txtGridDescription(1)")->text(), "North tower");
}

TEST_F(MainScreenTest, EveryControlAndMenuHasItsDocumentedName)
{
    const char* names[] = {"Frame1",
                           "cmdSetup",
                           "cmdConfigure",
                           "ccmdGoToMeasure",
                           "cmdGoCapture",
                           "cmdGoTimer",
                           "cmdImport",
                           "btnChangeDirectory",
                           "cmdShowConfig",
                           "cb15",
                           "txtVideoDir",
                           "Label2",
                           "lblVideodir",
                           "lblConfig",
                           "lblGrid1",
                           "lblGrid2",
                           "lblGrid3",
                           "ImageGrid1",
                           "ImageGrid2",
                           "ImageGrid3",
                           "txtGridDescription(0)",
                           "txtGridDescription(1)",
                           "txtGridDescription(2)"};
    ini().setValue("Settings/logpath", path("videos"));
    ini().sync();
    declineReset();
    screen().startUp();
    EXPECT_EQ(screen().objectName(), "MainForm");
    EXPECT_EQ(screen().windowTitle(), "Zelvan 2005");
    EXPECT_EQ(accessibleName(control_<QWidget>("lblVideodir")), path("videos"));
    for (const char* name : names) {
        auto* w = control_<QWidget>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->accessibleDescription(), name);
        EXPECT_FALSE(accessibleName(w).isEmpty()) << name;
    }
    // Captions that change are read as they are now.
    control_("cmdShowConfig")->click();
    EXPECT_EQ(accessibleName(control_<QWidget>("cmdShowConfig")), "Hide Video Configuration");
    EXPECT_EQ(accessibleName(control_<QWidget>("lblConfig")), "Currently Configured for R");
    EXPECT_EQ(accessibleName(control_<QWidget>("txtVideoDir")),
              "Save Video Files in this Directory");
    EXPECT_EQ(accessibleName(control_<QWidget>("cmdGoTimer")), "View Already Recorded Jump Videos");
    const QStringList menus = {"mnuViewLog", "mnuPictureLog", "munManual", "mnuExit"};
    const QStringList captions = {"&Video Log", "&Picture Log", "View &Manual", "E&xit"};
    for (int i = 0; i < menus.size(); ++i) {
        auto* action = screen().findChild<QAction*>(menus[i]);
        ASSERT_NE(action, nullptr) << menus[i].toStdString();
        EXPECT_EQ(action->text(), captions[i]);
    }
}

// With ZELVAN_SCREENSHOTS set to a folder, the main screen is saved there as the operator sees
// it, with the capture configuration hidden and shown, at both screen sizes.
TEST_F(MainScreenTest, ScreenshotsWhenAsked)
{
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "ZELVAN_SCREENSHOTS not set";
    ini().setValue("Settings/logpath", path("videos"));
    ini().setValue("Settings/framerate", "30");
    ini().sync();
    declineReset();
    screen().startUp();
    station.setNumGrids(2);
    station.setGridIndicator(1, {true, "North tower, camera 1"});
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        screen().resize(size);
        for (const char* state : {"hidden", "shown"}) {
            QApplication::processEvents();
            ASSERT_TRUE(screen().grab().save(
                QDir(folder).filePath(QString("main-%1-%2.png").arg(size.width()).arg(state))));
            control_("cmdShowConfig")->click();
        }
    }
}

TEST_F(MainScreenTest, LogMenusOpenTheViewersBesideTheMainScreen)
{
    ini().setValue("Settings/logpath", path("videos"));
    ini().sync();
    declineReset();
    screen().startUp();
    screen().findChild<QAction*>("mnuViewLog")->trigger();
    ASSERT_NE(screen().videoLog(), nullptr);
    EXPECT_EQ(screen().videoLog()->objectName(), "LogView");
    EXPECT_TRUE(screen().videoLog()->isVisible());
    EXPECT_TRUE(screen().videoLog()->isWindow());
    EXPECT_EQ(screen().videoLog()->parentWidget(), &screen()) << "owned by the main screen";
    EXPECT_TRUE(screen().isVisible()) << "the main screen stays";

    screen().findChild<QAction*>("mnuPictureLog")->trigger();
    ASSERT_NE(screen().pictureLog(), nullptr);
    EXPECT_EQ(screen().pictureLog()->objectName(), "PictureLogView");
    EXPECT_TRUE(screen().pictureLog()->isVisible());
    // Asked again, the same window comes back.
    auto* first = screen().videoLog();
    screen().findChild<QAction*>("mnuViewLog")->trigger();
    EXPECT_EQ(screen().videoLog(), first);

    QSignalSpy requested(&station, &Station::screenRequested);
    screen().findChild<QAction*>("munManual")->trigger();
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.at(0).at(0).value<Screen>(), Screen::Manual);
}

TEST_F(MainScreenTest, ARichTextNamesFileIsImportedAsTheTextItShows)
{
    QFile names(path("names.rtf"));
    ASSERT_TRUE(names.open(QIODevice::WriteOnly));
    names.write(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 M\\'fcller,Anna,GER\\par Doe,Jane,CAN\\par}");
    names.close();
    dialogs.fileAnswers << path("names.rtf");
    control_("cmdImport")->click();
    EXPECT_EQ(station.captureSkierName(), QString::fromUtf8("Müller Anna GER"));
    const QString copied = QString::fromUtf8(test::fileBytes(path("SkierNames.txt")));
    EXPECT_TRUE(copied.startsWith(QString::fromUtf8("Müller,Anna,GER\r\nDoe,Jane,CAN")))
        << copied.toStdString();
}
