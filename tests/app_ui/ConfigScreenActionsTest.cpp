// The configuration screen's controls and its exit, driven like the operator drives them.
#include "AccessibleName.h"
#include "ConfigScreenFixture.h"

#include "app/ConfigActions.h"
#include "widgets/Loupe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QMenuBar>
#include <QSpontaneKeyEvent>
#include <QTest>

using namespace zelvan;
using zelvan::test::ConfigScreenTest;

namespace
{

// With ZELVAN_SCREENSHOTS set to a folder, the screen is saved there as the operator sees it.
void screenshot(QWidget& screen, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QApplication::processEvents();
    ASSERT_TRUE(screen.grab().save(QDir(folder).filePath(name + ".png")));
}

} // namespace

TEST_F(ConfigScreenTest, LeavingTwiceWritesTwoConfigurationLines)
{
    open();
    screen.show();
    box("TournamentName")->clear();
    QTest::keyClicks(box("TournamentName"), "Spring Open");
    option("white_color")->click();
    box("CapturesPathName")->setText(videos() + "   ");
    leave();

    EXPECT_TRUE(screen.isHidden());
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    EXPECT_EQ(stored("TournamentName"), "Spring Open");
    EXPECT_EQ(stored("labelcolor"), "white");
    EXPECT_EQ(box("CapturesPathName")->text(), videos() + QDir::separator());
    EXPECT_EQ(station.capturesPath(), videos() + QDir::separator());
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('|').toStdString();

    clock.time = clock.time.addSecs(65);
    open();
    leave();
    // A folder that ends in a separator keeps just that one.
    EXPECT_EQ(station.capturesPath(), videos() + QDir::separator());
    EXPECT_EQ(fileBytes(resultsFile()),
              QByteArray("New Configuration: 07-04-2026  09:30:00 Spring Open\r\n"
                         "New Configuration: 07-04-2026  09:31:05 Spring Open\r\n"));
}

TEST_F(ConfigScreenTest, ClosingTheWindowLeavesLikeTheExit)
{
    open();
    screen.show();
    EXPECT_TRUE(screen.close());
    EXPECT_TRUE(screen.isHidden());
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    EXPECT_EQ(fileBytes(resultsFile()), QByteArray("New Configuration: 07-04-2026  09:30:00 \r\n"));
}

TEST_F(ConfigScreenTest, BarefootTickedWhileSitSkiIsTickedClearsSitSki)
{
    open();
    check("SitSki_box")->click();
    EXPECT_EQ(stored("tournamentType"), "sitski");
    EXPECT_TRUE(station.sitSkiMode());
    check("Barefoot_box")->click();
    EXPECT_FALSE(check("SitSki_box")->isChecked());
    EXPECT_TRUE(check("Barefoot_box")->isChecked());
    EXPECT_EQ(stored("tournamentType"), "barefoot");
    EXPECT_TRUE(station.barefootMode());
    EXPECT_FALSE(station.sitSkiMode());
    EXPECT_EQ(app::config::jumpTypeIndicator(station.mirror()), "Barefoot Jump");
    check("Barefoot_box")->click();
    EXPECT_EQ(stored("tournamentType"), "normal");
    EXPECT_EQ(app::config::jumpTypeIndicator(station.mirror()), "");
}

TEST_F(ConfigScreenTest, NamesFileWithQuotedCommasGivesOneEntryPerField)
{
    const QString names = dir.filePath(QStringLiteral("station/names.txt"));
    QFile f(names);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Smith,John\r\n\"Doe, Jane\"\r\n");
    f.close();
    open();
    dialogs.fileAnswers.enqueue(names);
    control<QPushButton>("btnFindNames")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(box("SkierNameFile")->text(), QDir::toNativeSeparators(names));
    leave();
    EXPECT_EQ(station.skierNames(), (QStringList{"Smith", "John", "Doe, Jane"}));
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.texts().join('|').toStdString();

    // A names file that is gone: told, and the list is emptied.
    open();
    box("SkierNameFile")->setText(dir.filePath(QStringLiteral("station/gone.txt")));
    leave();
    EXPECT_EQ(dialogs.messages(), QStringList{"Names not loaded, check file name and path"});
    EXPECT_TRUE(station.skierNames().isEmpty());

    // No names file: the list stays as it is and nothing is said.
    station.setSkierNames({"Kept"});
    dialogs.clear();
    open();
    box("SkierNameFile")->clear();
    leave();
    EXPECT_EQ(station.skierNames(), QStringList{"Kept"});
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ConfigScreenTest, FindResultsOffersTheTextFilterAndCancelChangesNothing)
{
    open();
    const QString before = box("ResultsPathName")->text();
    control<QPushButton>("btnFindResults")->click();
    EXPECT_EQ(box("ResultsPathName")->text(), before);
    const QString chosen = dir.filePath(QStringLiteral("station/day.txt"));
    dialogs.fileAnswers.enqueue(chosen);
    control<QPushButton>("btnFindResults")->click();
    EXPECT_EQ(station.resultsFilePath(), QDir::toNativeSeparators(chosen));
    EXPECT_EQ(dialogs.shown.size(), 2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(ConfigScreenTest, ExactTextsOfTheMessagesAndLines)
{
    store("TournamentName", QStringLiteral("Cup"));
    ASSERT_TRUE(station.debugLog().StartDebugLog());
    open();
    box("ResultsPathName")->clear();
    EXPECT_EQ(dialogs.messages(), QStringList{"Enter valid path and filename for results file"});
    EXPECT_EQ(station.resultsFilePath(), "");
    box("ResultsPathName")->setText(resultsFile());
    dialogs.clear();

    check("chkBadSetup")->click();
    EXPECT_TRUE(station.allowInvalidSetup());
    check("chkBadSetup")->click();
    EXPECT_FALSE(station.allowInvalidSetup());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    const QStringList log = station.debugLog().lines();
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[log.size() - 2].endsWith("Warning - Bad Setups allowed"));
    EXPECT_TRUE(log.last().endsWith("Bad Setups restricted again"));
    EXPECT_EQ(fileBytes(resultsFile()),
              QByteArray("Invalid Configurations Allowed: 07-04-2026  09:30:00 Cup\r\n"
                         "Only valid Configurations Allowed: 07-04-2026  09:30:00 Cup\r\n"));
}

TEST_F(ConfigScreenTest, EachOptionStoresItsSettingAndSetsTheStation)
{
    open();
    option("Opt2grid")->click();
    option("right_to_left_button")->click();
    option("OptCross")->click();
    option("yellow_color")->click();
    option("OptImpactBlack")->click();
    option("OptPictureSave")->click();
    option("OptVideoNoSave")->click();
    check("WSTIMS")->click();
    check("line_control_check")->click();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('|').toStdString();

    EXPECT_EQ(stored("grids"), "2");
    EXPECT_EQ(station.numGrids(), 2);
    EXPECT_EQ(stored("right2left"), "True");
    EXPECT_EQ(stored("buoymarker"), "cross");
    EXPECT_EQ(stored("labelcolor"), "yellow");
    EXPECT_EQ(station.labelColorValue(), app::settings::kYellow);
    EXPECT_EQ(stored("impactcolor"), "black");
    EXPECT_EQ(station.impactColorValue(), app::settings::kBlack);
    EXPECT_EQ(stored("PictureSave"), "Save");
    EXPECT_EQ(stored("VideoSave"), "NoSave");
    EXPECT_EQ(stored("WSTIMS"), "1");
    EXPECT_FALSE(control<QLabel>("ZQIOLabel")->isHidden());
    EXPECT_EQ(stored("boxlineoff"), "True");
    EXPECT_TRUE(station.boxLineOff());

    // "Default" gives the labels their own colours back and keeps the value.
    option("default_color")->click();
    EXPECT_EQ(stored("labelcolor"), "default");
    EXPECT_EQ(station.labelColorName(), "default");
    EXPECT_EQ(station.labelColorValue(), app::settings::kYellow);
}

TEST_F(ConfigScreenTest, StoredLoupeStartsTheBuiltInLoupeAndRestartShowsItAgain)
{
    store("Loupe", QStringLiteral("1"));
    open();
    EXPECT_TRUE(check("chkLoupe")->isChecked());
    ASSERT_NE(screen.loupe(), nullptr);
    EXPECT_TRUE(screen.loupe()->isVisible());
    screen.loupe()->close();
    EXPECT_FALSE(screen.loupe()->isVisible());
    control<QPushButton>("cmdLoupe")->click();
    EXPECT_TRUE(screen.loupe()->isVisible());
    check("chkLoupe")->click();
    EXPECT_EQ(stored("Loupe"), "0");
    EXPECT_FALSE(screen.loupe()->isVisible());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ConfigScreenTest, EveryControlCarriesItsNameCaptionAndBuddy)
{
    const char* named[] = {"TournamentName",
                           "ResultsPathName",
                           "btnFindResults",
                           "CapturesPathName",
                           "SetupFilesPathName",
                           "SkierNameFile",
                           "btnFindNames",
                           "gridframe",
                           "Opt1Grid",
                           "Opt2grid",
                           "Opt3grid",
                           "Jump_direction",
                           "right_to_left_button",
                           "left_to_right_button",
                           "Barefoot_box",
                           "SitSki_box",
                           "WSTIMS",
                           "ZQIOLabel",
                           "line_control_check",
                           "Frame1",
                           "OptCross",
                           "OptCircle",
                           "message_colors",
                           "default_color",
                           "black_color",
                           "white_color",
                           "yellow_color",
                           "Frame4",
                           "OptImpactRed",
                           "OptImpactYellow",
                           "OptImpactBlack",
                           "OptImpactWhite",
                           "Frame3",
                           "OptPictureAsk",
                           "OptPictureNoSave",
                           "OptPictureSave",
                           "Frame2",
                           "OptVideoAsk",
                           "OptVideoNoSave",
                           "OptVideoSave",
                           "chkLoupe",
                           "cmdLoupe",
                           "chkBadSetup"};
    for (const char* name : named) {
        QWidget* w = control<QWidget>(name);
        if (!w)
            continue;
        EXPECT_EQ(w->accessibleDescription(), QLatin1String(name));
        EXPECT_FALSE(zelvan::test::accessibleNameOf(w).isEmpty()) << name;
    }
    EXPECT_EQ(screen.objectName(), "Config");
    EXPECT_EQ(screen.windowTitle(), "System Configuration Parameters");
    EXPECT_EQ(box("ResultsPathName")->accessibleName(), "Results file");
    EXPECT_EQ(control<QLabel>("Label5")->buddy(), box("SkierNameFile"));
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), "How  to deal  with captured video files");
    EXPECT_EQ(option("OptVideoNoSave")->text(), "Never Save ");
    EXPECT_EQ(screen.exitAction()->objectName(), "mnuExit");
    EXPECT_EQ(screen.exitAction()->text(), "E&xit and Save Parameters");
}

TEST_F(ConfigScreenTest, DrivenByKeyboardToTheExit)
{
    open();
    screen.show();
    QApplication::setActiveWindow(&screen);
    box("TournamentName")->setFocus();
    // Tab from the tournament name reaches the results box, then its find button.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box("ResultsPathName"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control<QPushButton>("btnFindResults"));
    check("WSTIMS")->setFocus();
    QTest::keyClick(check("WSTIMS"), Qt::Key_Space);
    EXPECT_EQ(stored("WSTIMS"), "1");
    // Arrow keys move between the options of a group and choose as they go.
    option("Opt1Grid")->setFocus();
    QTest::keyClick(option("Opt1Grid"), Qt::Key_Right);
    EXPECT_TRUE(option("Opt2grid")->isChecked());
    EXPECT_EQ(stored("grids"), "2");
    // Alt+X is "E&xit and Save Parameters".
    QTest::keyClick(&screen, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    EXPECT_TRUE(screen.isHidden());
}

TEST_F(ConfigScreenTest, Screenshots)
{
    store("grids", QStringLiteral("2"));
    store("WSTIMS", QStringLiteral("1"));
    open();
    screen.show();
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        screen.resize(size);
        QApplication::processEvents();
        // Everything fits: the screen asks for no more room than the smaller desktop gives.
        EXPECT_LE(screen.minimumSizeHint().height(), 768);
        screenshot(screen, QStringLiteral("config-%1x%2").arg(size.width()).arg(size.height()));
    }
}

TEST_F(ConfigScreenTest, MoreGridsConfiguredAreMoreGridsToSetUp)
{
    station.changeGrids([](grid::GridStore& store, grid::WorkingSet&, grid::GridFlags& flags) {
        store.ready[1] = true;
        flags.allGridsReady = 1;
    });
    option("Opt3grid")->click();
    EXPECT_EQ(station.numGrids(), 3);
    EXPECT_EQ(station.allGridsReady(), 0) << "grids 2 and 3 are not set up";
    option("Opt1Grid")->click();
    EXPECT_EQ(station.allGridsReady(), 1.0) << "grid 1 alone is ready";
}
