// The grid set-up screen with real widgets, offscreen, answered by scripted dialogs.
#include "grid/ui/GridSetupScreen.h"
#include "AccessibleName.h"

#include "CanvasInput.h"
#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "TestFiles.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "app/ConfigLoad.h"
#include "base/Clock.h"
#include "grid/GridFile.h"
#include "grid/Transform.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/Magnifier.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using zelvan::grid::ui::GridSetupScreen;

namespace
{

class GridSetupScreenTest : public ::testing::Test, protected test::StationFolder
{
protected:
    GridSetupScreenTest()
    {
        station.debugLog().StartDebugLog();
        screen.resize(1366, 768);
        screen.show();
    }

    QLineEdit* box(const char* name) { return screen.findChild<QLineEdit*>(name); }
    // The operator types over a box's text.
    void type(const char* name, const QString& text)
    {
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
    template <class W = QPushButton> W* control(const char* name)
    {
        return screen.findChild<W*>(name);
    }
    void select(const char* option) { control<QRadioButton>(option)->click(); }
    // Clicks the picture where picture point `twips` is shown.
    void clickAt(QPointF twips)
    {
        widgets::PictureCanvas& canvas = screen.canvas();
        QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {},
                          canvas.viewportPixelAt(twips).toPoint());
    }
    QString debugLog() const
    {
        return QString::fromLatin1(test::fileBytes(dir.filePath("zqio/DebugLog.txt")));
    }
    // Picks the five points of a grid and types the check buoy's survey value.
    void pickAllFive()
    {
        const char* options[] = {"upper_left_button", "upper_right_button", "lower_left_button",
                                 "lower_right_button", "optCheckBuoy"};
        const QPointF at[] = {{1500, 1500}, {7500, 1500}, {1500, 6000}, {7500, 6000}, {4500, 3000}};
        for (int i = 0; i < 5; ++i) {
            select(options[i]);
            clickAt(at[i]);
        }
        type("txtCheckX", "10");
    }

    ScriptedDialogs dialogs;
    GridSetupScreen screen{station, dialogs};
};

QImage water()
{
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(20, 60, 90));
    return picture;
}

} // namespace

TEST_F(GridSetupScreenTest, LoadsWithItsInitialTextsAndNothingSelected)
{
    EXPECT_EQ(screen.objectName(), "Grid_Setup");
    EXPECT_EQ(screen.windowTitle(), "Grid Setup");
    EXPECT_EQ(box("upper_left_x")->text(), "auto");
    EXPECT_EQ(box("ul_survey_x")->text(), "input");
    EXPECT_EQ(box("jump_x")->text(), "jump x");
    EXPECT_EQ(box("txtCheckY")->text(), "CheckY");
    EXPECT_EQ(box("ipt_file_description")->text(), "No File");
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    EXPECT_FALSE(control("btnAccuracyCheck")->isEnabled());
    EXPECT_FALSE(screen.findChild<QWidget*>("lblCB")->isVisible());
    EXPECT_EQ(station.pictureWidthTwips(), 12000);
    EXPECT_EQ(control("show_alignment")->accessibleName(), "Draw Buoys");
    EXPECT_EQ(box("jump_x")->accessibleDescription(), "jump_x");

    // A click with no point chosen does nothing.
    clickAt({3000, 3000});
    EXPECT_EQ(box("upper_left_x")->text(), "auto");
    EXPECT_EQ(screen.canvas().drawingCount(), 0);
}

TEST_F(GridSetupScreenTest, ChoosingAPointSendsTheKeyboardToTheFileBox)
{
    QApplication::setActiveWindow(&screen);
    select("lower_left_button");
    EXPECT_TRUE(box("ipt_file_description")->hasFocus());
}

TEST_F(GridSetupScreenTest, LockIsRefusedUntilAllPointsAreEntered)
{
    control<QCheckBox>("chkboxGridLock")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], "Cannot Lock Grid Until buoy positions have been entered "
                                     "for all four buoys and check buoy");
    EXPECT_FALSE(control<QCheckBox>("chkboxGridLock")->isChecked());
    EXPECT_FALSE(screen.findChild<QWidget*>("gridLockedLabel")->isVisible());
}

TEST_F(GridSetupScreenTest, WithTheLockAClickThirtyTwipsRightMovesAllFivePoints)
{
    pickAllFive();
    EXPECT_EQ(box("upper_right_x")->text(), "7500");
    EXPECT_EQ(box("txtCheckXpix")->text(), "4500");
    control<QCheckBox>("chkboxGridLock")->click();
    ASSERT_TRUE(control<QCheckBox>("chkboxGridLock")->isChecked());
    EXPECT_TRUE(screen.findChild<QWidget*>("gridLockedLabel")->isVisible());
    EXPECT_TRUE(screen.findChild<QWidget*>("lblGridDragIt")->isVisible());

    select("upper_left_button");
    clickAt({1530, 1500});
    EXPECT_EQ(box("upper_left_x")->text(), "1530");
    EXPECT_EQ(box("upper_right_x")->text(), "7530");
    EXPECT_EQ(box("lower_left_x")->text(), "1530");
    EXPECT_EQ(box("lower_right_x")->text(), "7530");
    EXPECT_EQ(box("txtCheckXpix")->text(), "4530");
    EXPECT_EQ(box("lower_right_y")->text(), "6000");
    EXPECT_EQ(box("txtCheckYpix")->text(), "3000");
    EXPECT_EQ(station.workingSet().buoyScreenX[UpperRight], 7530);
    EXPECT_EQ(station.workingSet().checkScreenX, 4530);
}

TEST_F(GridSetupScreenTest, AZoomedClickStoresTheTwipsBetweenTwoPixels)
{
    screen.showPicture(water(), "test");
    screen.canvas().setZoom(4.0, QPointF(0, 0));
    select("upper_left_button");
    // 42 view pixels at 400 % lie between picture pixels 10 and 11.
    QTest::mouseClick(screen.canvas().viewport(), Qt::LeftButton, {}, QPoint(42, 62));
    EXPECT_EQ(box("upper_left_x")->text(), "157.5");
    EXPECT_EQ(box("upper_left_y")->text(), "232.5");
}

TEST_F(GridSetupScreenTest, MicroAdjustByButtonsAndByHeldKeys)
{
    select("lower_right_button");
    clickAt({3000, 3000});
    control<QToolButton>("AdjustRight")->click();
    control<QToolButton>("AdjustUp")->click();
    EXPECT_EQ(box("lower_right_x")->text(), "3015");
    EXPECT_EQ(box("lower_right_y")->text(), "2985");

    // Right held for ten polls (one second): ten steps of 15 twips.
    auto* poll = screen.findChild<widgets::CursorKeyPoll*>();
    ASSERT_NE(poll, nullptr);
    EXPECT_TRUE(poll->isActive()) << "polling while the screen is shown";
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(box("jump_x"), &press);
    for (int i = 0; i < 10; ++i)
        poll->poll();
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(box("jump_x"), &release);
    EXPECT_EQ(box("lower_right_x")->text(), "3165");
    screen.hide();
    EXPECT_FALSE(poll->isActive()) << "no polling while the screen is hidden";
}

TEST_F(GridSetupScreenTest, EditingAReadyGridClearsItsReadinessSettingAndDescription)
{
    ASSERT_TRUE(station.settings().setGridFile(1, dir.filePath("lake.ipt")));
    station.changeGrids([](GridStore& store, WorkingSet&, GridFlags& flags) {
        store.ready[1] = true;
        store.gridDescription2[1] = "Lake north";
        flags.allGridsReady = 1;
    });
    station.setGridIndicator(1, {true, "Lake north"});
    type("ul_survey_x", "12.5abc");
    EXPECT_EQ(station.workingSet().buoySurveyX[UpperLeft], 12.5) << "the leading number";
    EXPECT_FALSE(station.gridReady(1));
    EXPECT_EQ(station.gridDescription(1), "");
    EXPECT_EQ(station.settings().gridFile(1), "");
    EXPECT_EQ(station.gridIndicator(1), app::Station::GridIndicator({false, ""}));
    EXPECT_EQ(station.allGridsReady(), 0);
    type("jump_y", "-3");
    EXPECT_EQ(station.workingSet().jumpSurveyY, -3);
    EXPECT_EQ(station.gridStore().setup[1].jumpY, -3);
}

TEST_F(GridSetupScreenTest, SwitchingGridsFollowsTheNumberOfGrids)
{
    station.setNumGrids(2);
    control("grid_select")->click();
    EXPECT_EQ(control("grid_select")->text(), "Grid 2");
    EXPECT_EQ(station.currentGrid(), 2);
    control("grid_select")->click();
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    station.setNumGrids(1);
    control("grid_select")->click();
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    station.setNumGrids(3);
    control("grid_select")->click();
    control("grid_select")->click();
    control("grid_select")->click();
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    const QString log = debugLog();
    EXPECT_EQ(log.count("Changed from grid 1 to grid 2"), 2);
    EXPECT_EQ(log.count("Changed from grid 2 to grid 1"), 1);
    EXPECT_EQ(log.count("Changed from grid 2 to grid 3"), 1);
    EXPECT_EQ(log.count("Changed from grid 3 to grid 1"), 1);
    EXPECT_EQ(log.count("Changed from grid 1 to grid 1"), 0);
}

TEST_F(GridSetupScreenTest, CheckBuoyLabelButtonToggles)
{
    QPushButton* toggle = control("cmdCBlabel");
    toggle->click();
    EXPECT_EQ(toggle->text(), "Show Check Buoy");
    toggle->click();
    EXPECT_EQ(toggle->text(), "Clear Check Buoy");
    EXPECT_TRUE(screen.findChild<QWidget*>("lblCB")->isVisible());
}

TEST_F(GridSetupScreenTest, CompleteWithPlaceholdersLeftWarnsAndStaysNotReady)
{
    pickAllFive();
    control("Load")->click();
    ASSERT_FALSE(dialogs.messages().isEmpty());
    EXPECT_EQ(dialogs.messages()[0], "Warning - Not all parameters have been set up on grid");
    EXPECT_FALSE(station.gridReady(1));
}

TEST_F(GridSetupScreenTest, LeavingWithGridsNotReadyAsksAndLogsTheStatus)
{
    station.showScreen(app::Station::Screen::GridSetup);
    dialogs.yesNoAnswers.enqueue(false);
    screen.leave();
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::GridSetup) << "No: stays";
    dialogs.yesNoAnswers.enqueue(true);
    screen.leave();
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].text,
              "Do you want to leave the grid setup with all configured grids not setup?");
    EXPECT_EQ(dialogs.shown[1].title, "Grid Setup Error");
    EXPECT_EQ(debugLog().count("status on exit of grid setup"), 2);
    EXPECT_EQ(debugLog().count("end of status"), 2);
    EXPECT_EQ(debugLog().count("setup is OK"), 0);
}

TEST_F(GridSetupScreenTest, PictureSizeIsTakenInTwipsFromTheShownPicture)
{
    screen.showPicture(water(), "test");
    // 640 px = 16933 HIMETRIC; x 15 / 26.5.
    EXPECT_DOUBLE_EQ(station.pictureWidthTwips(), 16933 * 15 / 26.5);
    EXPECT_DOUBLE_EQ(station.pictureHeightTwips(), 12700 * 15 / 26.5);
    EXPECT_EQ(box("txtPicWidth")->text(), QString::number(16933 * 15 / 26.5, 'g', 15));
    EXPECT_EQ(screen.canvas().picture().size(), QSize(640, 480));

    // No currentcapture.bmp in the station folder: told, and the picture stays.
    screen.findChild<QAction*>("mnuMeasurePic")->trigger();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("There is no picture to show in "));
    EXPECT_TRUE(dialogs.messages()[0].endsWith("currentcapture.bmp"));
    EXPECT_EQ(screen.canvas().picture().size(), QSize(640, 480));
    EXPECT_DOUBLE_EQ(station.pictureWidthTwips(), 16933 * 15 / 26.5);
}

TEST_F(GridSetupScreenTest, EveryNamedControlCarriesItsNameAndIsReachedByTab)
{
    QSet<QWidget*> focusable;
    for (QWidget* w : screen.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        EXPECT_EQ(w->accessibleDescription(), w->objectName());
        EXPECT_FALSE(zelvan::test::accessibleNameOf(w).isEmpty()) << w->objectName().toStdString();
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() && w->isEnabled())
            focusable.insert(w);
    }
    EXPECT_GE(focusable.size(), 30);
    QApplication::setActiveWindow(&screen);
    box("upper_left_x")->setFocus();
    QSet<QWidget*> reached;
    for (int i = 0; i < 200; ++i) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The five point options are one tab stop, as every option group; the arrow keys choose
    // among them.
    const bool optionsReached = std::any_of(
        reached.begin(), reached.end(), [](QWidget* w) { return qobject_cast<QRadioButton*>(w); });
    EXPECT_TRUE(optionsReached);
    for (QWidget* w : focusable) {
        if (!qobject_cast<QRadioButton*>(w)) {
            EXPECT_TRUE(reached.contains(w))
                << w->objectName().toStdString() << " not reached by Tab";
        }
    }

    // By keyboard alone: choose a point with the keyboard, then nudge it with the arrows.
    control<QRadioButton>("upper_left_button")->setFocus();
    QTest::keyClick(control<QRadioButton>("upper_left_button"), Qt::Key_Space);
    ASSERT_EQ(screen.selectedPoint(), SetupPoint::UpperLeft);
    control<QToolButton>("AdjustDown")->setFocus();
    QTest::keyClick(control<QToolButton>("AdjustDown"), Qt::Key_Space);
    EXPECT_EQ(box("upper_left_y")->text(), "15");
}

namespace
{

// A press on `handle`, a move by `by` view pixels with the button held, and the release.
void drag(QWidget* handle, QPoint by)
{
    const QPointF local(5, 5);
    const QPointF global = handle->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    QMouseEvent move(QEvent::MouseMove, local + by, global + by, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + by, global + by, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
}

} // namespace

TEST_F(GridSetupScreenTest, DragHandlesMoveTheirGroupsOverThePictureInTwips)
{
    screen.showPicture(water(), "test");
    widgets::PictureCanvas& canvas = screen.canvas();
    canvas.setZoom(1.0, QPointF(0, 0)); // a view pixel is a picture pixel
    auto* handle = screen.findChild<QWidget*>("AdjustmentLabel");
    QWidget* pad = control<QToolButton>("AdjustUp")->parentWidget();
    ASSERT_EQ(pad, handle->parentWidget()) << "the arrows move with their handle";
    const QPointF start = *canvas.placedAt(pad);
    const QPoint upBefore = control<QToolButton>("AdjustUp")->mapTo(&screen, QPoint());

    drag(handle, QPoint(30, 20));
    EXPECT_EQ(*canvas.placedAt(pad), start + QPointF(450, 300));
    EXPECT_EQ(control<QToolButton>("AdjustUp")->mapTo(&screen, QPoint()),
              upBefore + QPoint(30, 20));
    EXPECT_EQ(box("upper_left_x")->text(), "auto") << "a drag is not a pick";

    // At 200 % the same mouse displacement is half as far on the picture, and the group stays
    // on its picture point whatever the zoom.
    canvas.setZoom(2.0, QPointF(0, 0));
    drag(handle, QPoint(30, 20));
    EXPECT_EQ(*canvas.placedAt(pad), start + QPointF(675, 450));
    EXPECT_EQ(pad->pos(), canvas.viewportPixelAt(start + QPointF(675, 450)).toPoint());

    // The marker size and the lock notice have their own handles.
    QWidget* bar = screen.findChild<QWidget*>("Setup_Cross_size");
    const QPointF barStart = *canvas.placedAt(bar->parentWidget());
    drag(screen.findChild<QWidget*>("CrossSizeLabel"), QPoint(-10, 4));
    EXPECT_EQ(*canvas.placedAt(bar->parentWidget()), barStart + QPointF(-75, 30));
    QWidget* lockNotice = screen.findChild<QWidget*>("gridLockedLabel")->parentWidget();
    const QPointF lockStart = *canvas.placedAt(lockNotice);
    drag(screen.findChild<QWidget*>("lblGridDragIt"), QPoint(8, 8));
    EXPECT_EQ(*canvas.placedAt(lockNotice), lockStart + QPointF(60, 60));
    EXPECT_EQ(screen.findChild<QWidget*>("gridLockedLabel")->parentWidget(),
              screen.findChild<QWidget*>("lblGridDragIt")->parentWidget());
}

TEST_F(GridSetupScreenTest, FilledBoxesShowTheStartOfALongText)
{
    const QString path = "/srv/zelvan/sites/a-very-long-lake-name/north-camera/2026/lake.ipt";
    station.setNumGrids(2);
    station.changeGrids([&](GridStore& store, WorkingSet&, GridFlags&) {
        store.gridDescription[2] = path;
        store.gridDescription2[2] = QString("North camera ").repeated(8);
    });
    control("grid_select")->click();
    EXPECT_EQ(box("ipt_file_description")->text(), path);
    EXPECT_EQ(box("ipt_file_description")->cursorPosition(), 0);
    EXPECT_EQ(box("ipt_file_description_2")->cursorPosition(), 0);
}

TEST_F(GridSetupScreenTest, SavingAsGridTwoStoresItsSettingAndALoadWithoutCheckBuoyFileIsRefused)
{
    QDir(dir.path()).mkpath("setups");
    station.setSetupFilesPath(dir.filePath("setups"));
    station.setNumGrids(2);
    pickAllFive();
    dialogs.fileAnswers.enqueue("lake.ipt");
    dialogs.inputAnswers.enqueue(QString("South camera")); // the descriptive line
    dialogs.yesNoAnswers.enqueue(false);                   // not "Save Grid 1"
    dialogs.inputAnswers.enqueue(QString("2"));            // "What grid are you saving?"
    screen.findChild<QAction*>("gridSave")->trigger();
    const QString saved = dir.filePath("setups/lake.ipt");
    ASSERT_TRUE(QFile::exists(saved)) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(QFile::exists(saved + ".cb"));
    EXPECT_EQ(station.settings().gridFile(2), saved);
    EXPECT_EQ(station.settings().gridFile(1), "");
    EXPECT_EQ(station.gridIndicator(2).description, "South camera");
    EXPECT_TRUE(dialogs.texts().contains("What grid are you saving?"));

    // The same file without its check-buoy file is an old set-up: told, grid 2 not ready.
    ASSERT_TRUE(QFile::remove(saved + ".cb"));
    dialogs.clear();
    dialogs.yesNoAnswers.enqueue(false);        // not "Load Grid 1"
    dialogs.inputAnswers.enqueue(QString("2")); // "What grid are you loading?"
    dialogs.fileAnswers.enqueue("lake.ipt");
    screen.findChild<QAction*>("gridLoad")->trigger();
    EXPECT_TRUE(dialogs.texts().contains("What grid are you loading?"));
    EXPECT_TRUE(dialogs.messages().contains(
        "I cannot find a  check  buoy file for this setup.  That means you are inputting an old "
        "set-up file that does not have a check buoy.  To complete the set up correctly, you "
        "must have a check buoy input to the set up."))
        << dialogs.texts().join(" | ").toStdString();
    EXPECT_FALSE(station.gridReady(2));
    // No results file is named in this station: that is told plainly.
    EXPECT_TRUE(dialogs.messages().contains("Enter valid path and filename for results file"));
}

TEST_F(GridSetupScreenTest, AGridLoadedAtStartUpFillsTheHiddenScreen)
{
    screen.hide();
    GridSetup setup;
    for (int k = 1; k <= 4; ++k)
        setup.buoy[k] = {1000.0 * k, 500.0 * k, 10.0 * k, 5.0 * k};
    setup.c = {0, 1, 0.5, 0.25, 2, 0.125, 0.0625, 0.001, 0.002};
    setup.gridNumber = 1;
    setup.checkScreenX = 2500;
    setup.checkScreenY = 2000;
    setup.jumpX = -3;
    const QString lake = dir.filePath("lake.ipt");
    ASSERT_TRUE(saveGridFilePair(lake, "North tower", setup, "30", "15"));
    station.setGridLoadingFlag(true);
    app::config::loadConfiguredGrid(station, 1, lake);
    station.setGridLoadingFlag(false);
    ASSERT_TRUE(station.gridReady(1));

    // The four buoys' screen x, in whichever order the file holds them.
    QStringList xs;
    for (const char* name : {"upper_left_x", "upper_right_x", "lower_left_x", "lower_right_x"})
        xs << box(name)->text();
    xs.sort();
    EXPECT_EQ(xs, QStringList({"1000", "2000", "3000", "4000"}));
    EXPECT_EQ(box("ipt_file_description_2")->text(), "North tower");
    EXPECT_EQ(box("txtCheckX")->text(), "30");
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    EXPECT_TRUE(control("btnAccuracyCheck")->isEnabled());
    EXPECT_TRUE(station.gridReady(1)) << "showing the loaded values is no edit";
    EXPECT_EQ(station.settings().gridFile(1), lake);
}

namespace
{

// Two cameras' set-ups in the station's set-up folder, each with or without its check-buoy file.
class TwoCameraSetupTest : public GridSetupScreenTest
{
protected:
    TwoCameraSetupTest()
    {
        QDir(dir.path()).mkpath("setups");
        station.setSetupFilesPath(dir.filePath("setups"));
        station.setNumGrids(2);
    }
    QString write(const char* name, const QString& description, double scale, bool checkFile)
    {
        GridSetup setup;
        for (int k = 1; k <= 4; ++k)
            setup.buoy[k] = {1000.0 * k, 500.0 * k, 10.0 * k * scale, 5.0 * k * scale};
        setup.c = {0, 0, scale / 100, 0, 0, 0, 0, 0, scale / 100};
        setup.checkScreenX = 2500;
        setup.checkScreenY = 2000;
        const QString path = dir.filePath(QStringLiteral("setups/") + name);
        EXPECT_TRUE(saveGridFilePair(path, description, setup, "30", "15"));
        if (!checkFile) {
            EXPECT_TRUE(QFile::remove(path + ".cb"));
        }
        return path;
    }
    // "&Load File" into grid n.
    void load(int n, const QString& path)
    {
        dialogs.yesNoAnswers.enqueue(n == 1); // "Load Grid 1?"
        if (n != 1)
            dialogs.inputAnswers.enqueue(QString::number(n));
        dialogs.fileAnswers.enqueue(path);
        screen.findChild<QAction*>("gridLoad")->trigger();
    }
};

} // namespace

TEST_F(TwoCameraSetupTest, LeavingFromGridTwoWithBothReadyKeepsMeasuringOpen)
{
    const QString north = write("north.ipt", "North tower", 1, true);
    const QString south = write("south.ipt", "South tower", 2, true);
    load(1, north);
    load(2, south);
    ASSERT_EQ(station.allGridsReady(), 1.0);
    ASSERT_EQ(control("grid_select")->text(), "Grid 2");
    station.showScreen(app::Station::Screen::GridSetup);
    dialogs.clear();
    screen.leave();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);
    EXPECT_EQ(station.allGridsReady(), 1.0);
    EXPECT_EQ(station.currentGrid(), 1);
    EXPECT_EQ(control("grid_select")->text(), "Grid 1");
    EXPECT_TRUE(debugLog().contains("status on exit of grid setup\r\n"));
    const QStringList after =
        debugLog().mid(debugLog().indexOf("status on exit of grid setup")).split("\r\n");
    ASSERT_GE(after.size(), 5);
    const QStringList status = {"Grid 1 is loaded", "Grid 2 is loaded", "setup is OK",
                                "end of status"};
    for (int i = 1; i < 5; ++i) {
        EXPECT_TRUE(after[i].endsWith(status[i - 1])) << after[i].toStdString();
    }
    EXPECT_EQ(station.settings().gridFile(1), north);
    EXPECT_EQ(station.settings().gridFile(2), south);
    // Back in the set-up, switching shows each grid without touching its readiness.
    control("grid_select")->click();
    control("grid_select")->click();
    EXPECT_EQ(station.allGridsReady(), 1.0);
    EXPECT_TRUE(station.gridReady(1) && station.gridReady(2));
    // The operator's own typing, even the same value in another form, is an edit.
    type("ul_survey_x", "30.000");
    EXPECT_FALSE(station.gridReady(1));
    EXPECT_EQ(station.allGridsReady(), 0);
    EXPECT_EQ(station.settings().gridFile(1), "");
    EXPECT_EQ(debugLog().count("load grid 1"), 1) << "logged once a load";
}

TEST_F(TwoCameraSetupTest, AFileWithoutItsCheckBuoyFileIsLoadedIntoTheGridAsked)
{
    screen.showPicture(water(), "test");
    const QString north = write("north.ipt", "North tower", 1, true);
    const QString south = write("south.ipt", "South tower", 2, false);
    load(1, north);
    const GridSetup grid1 = station.gridStore().setup[1];
    load(2, south);
    EXPECT_EQ(station.currentGrid(), 2);
    EXPECT_EQ(control("grid_select")->text(), "Grid 2");
    EXPECT_FALSE(station.gridReady(2));
    EXPECT_EQ(station.gridIndicator(2), app::Station::GridIndicator({false, "South tower"}));
    EXPECT_EQ(box("txtPicWidth")->text(), QString::number(16933 * 15 / 26.5, 'g', 15));
    EXPECT_EQ(box("txtPicHeight")->text(), QString::number(12700 * 15 / 26.5, 'g', 15));
    // The operator picks the check buoy and completes: grid 2 is the one worked on.
    select("optCheckBuoy");
    clickAt({4500, 3000});
    control("Load")->click();
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_EQ(station.settings().gridFile(1), north);
    EXPECT_EQ(station.gridStore().setup[1].buoy[1].surveyX, grid1.buoy[1].surveyX);
    EXPECT_EQ(station.gridStore().setup[1].c, grid1.c);
    EXPECT_EQ(debugLog().count("load grid 2"), 1);
    control("grid_select")->click();
    EXPECT_EQ(box("txtPicWidth")->text(), QString::number(16933 * 15 / 26.5, 'g', 15));
}

// The measurement screen switches grids through the Station alone; the set-up screen, shown
// again, works on the grid in use: an edit withdraws that grid, never the one shown last.
TEST_F(TwoCameraSetupTest, AGridSwitchedElsewhereIsTheOneShownAndEdited)
{
    const QString north = write("north.ipt", "North tower", 1, true);
    const QString south = write("south.ipt", "South tower", 2, true);
    load(1, north);
    load(2, south);
    screen.leave();
    ASSERT_EQ(control("grid_select")->text(), "Grid 1");
    screen.hide();
    station.changeGrids([](GridStore& store, WorkingSet& work, GridFlags&) {
        loadIntoWorkingSet(store.setup[2], 2, work);
    });
    screen.show();
    EXPECT_EQ(control("grid_select")->text(), "Grid 2");
    EXPECT_EQ(box("ipt_file_description_2")->text(), "South tower");
    EXPECT_TRUE(station.gridReady(2)) << "showing the grid in use is no edit";

    type("ul_survey_x", "31");
    EXPECT_FALSE(station.gridReady(2));
    EXPECT_EQ(station.settings().gridFile(2), "");
    EXPECT_EQ(station.currentGrid(), 2);
    EXPECT_EQ(station.workingSet().buoySurveyX[UpperLeft], 31);
    EXPECT_TRUE(station.gridReady(1)) << "the grid not edited stays ready";
    EXPECT_EQ(station.settings().gridFile(1), north);

    control("grid_select")->click();
    EXPECT_EQ(station.currentGrid(), 1);
    EXPECT_EQ(debugLog().count("Changed from grid 2 to grid 1"), 1);
}

TEST_F(GridSetupScreenTest, KeysTypedInTheCalibrationAssistantNeverMoveAPoint)
{
    ASSERT_TRUE(station.settings().setGridFile(1, dir.filePath("lake.ipt")));
    station.changeGrids([](GridStore& store, WorkingSet&, GridFlags& flags) {
        store.ready[1] = true;
        flags.allGridsReady = 1;
    });
    select("lower_right_button");
    auto* poll = screen.findChild<widgets::CursorKeyPoll*>();
    ASSERT_NE(poll, nullptr);
    screen.openCalibration();
    QWidget* assistant = screen.calibration();
    ASSERT_NE(assistant, nullptr);
    assistant->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(assistant));
    QTest::keyPress(assistant, Qt::Key_Left);
    for (int i = 0; i < 5; ++i)
        poll->poll();
    QTest::keyRelease(assistant, Qt::Key_Left);
    EXPECT_EQ(box("lower_right_x")->text(), "auto");
    EXPECT_TRUE(station.gridReady(1));
    EXPECT_EQ(station.allGridsReady(), 1.0);
    EXPECT_EQ(station.settings().gridFile(1), dir.filePath("lake.ipt"));
}

TEST_F(GridSetupScreenTest, ThePictureOpensFillingItsAreaAndTheEmptyAreaSaysHowToGetOne)
{
    widgets::PictureCanvas& canvas = screen.canvas();
    ASSERT_TRUE(canvas.picture().isNull());
    EXPECT_EQ(canvas.emptyText(),
              "No picture yet.\nChoose Setup Picture on the menu, then Load Picture, Paste from "
              "Clipboard or Paste from Measure, to show the picture of the buoys.");
    const QImage empty = test::shownView(canvas);
    EXPECT_TRUE(empty.pixel(empty.width() / 2, empty.height() / 2) == canvas.background().rgb());
    int written = 0;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            written += empty.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(written, 200) << "the hint is painted on the empty area";

    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        screen.resize(size);
        screen.showPicture(water(), "test");
        EXPECT_TRUE(canvas.fitted()) << size.width();
        EXPECT_GE(test::pictureCoverage(canvas), 0.9) << size.width();
        EXPECT_GT(canvas.zoom(), 1.0) << "a 640 x 480 picture is shown larger than its pixels";
    }
}

TEST_F(GridSetupScreenTest, ABuoyClickedAtAnyZoomHasTheTwipsOfItsPixelAndTheWheelZoomsAtThePointer)
{
    screen.showPicture(water(), "test");
    widgets::PictureCanvas& canvas = screen.canvas();
    select("upper_left_button");
    const QPointF buoy(100, 200); // picture pixels
    for (const double zoom : {1.0, 2.0, 4.0}) {
        canvas.setZoom(zoom, canvas.viewPointOfPixel(buoy));
        test::clickOver(canvas, canvas.viewPointOfPixel(buoy));
        EXPECT_EQ(box("upper_left_x")->text(), "1500") << zoom;
        EXPECT_EQ(box("upper_left_y")->text(), "3000") << zoom;
    }
    // Fitted, the nearest view pixel is within half a view pixel of it.
    canvas.fitToWindow();
    test::clickOver(canvas, canvas.viewPointOfPixel(buoy));
    const double within = 7.5 / canvas.zoom();
    EXPECT_NEAR(station.workingSet().buoyScreenX[UpperLeft], 1500, within);
    EXPECT_NEAR(station.workingSet().buoyScreenY[UpperLeft], 3000, within);

    const QPoint pointer = canvas.viewPointOfPixel({500, 100});
    const QPointF under = canvas.twipsAt(pointer);
    const double fitted = canvas.zoom();
    test::wheelOver(canvas, pointer, 2 * 120);
    EXPECT_GT(canvas.zoom(), fitted);
    EXPECT_NEAR(canvas.twipsAt(pointer).x(), under.x(), 15 / canvas.zoom());
    EXPECT_NEAR(canvas.twipsAt(pointer).y(), under.y(), 15 / canvas.zoom());
}

TEST_F(GridSetupScreenTest, TheMagnifierShowsOnceAPointIsToBePlaced)
{
    screen.showPicture(water(), "test");
    widgets::PictureCanvas& canvas = screen.canvas();
    const QPoint over = canvas.viewPointOfPixel({320, 240});
    test::moveOver(canvas, over);
    EXPECT_FALSE(canvas.magnifier()->isVisible()) << "nothing to place yet";
    select("lower_right_button");
    test::moveOver(canvas, over);
    ASSERT_TRUE(canvas.magnifier()->isVisible());
    // On the pointer's picture point, to the nearest quarter pixel.
    EXPECT_NEAR(canvas.magnifier()->centre().x(), canvas.twipsAt(over).x(), 15.0 / 8);
    EXPECT_NEAR(canvas.magnifier()->centre().y(), canvas.twipsAt(over).y(), 15.0 / 8);
}

namespace
{

// A settings store that reads "key=value" lines and refuses every write, as a store on a
// locked-down workstation does.
bool readLines(QIODevice& device, QSettings::SettingsMap& map)
{
    for (const QByteArray& line : device.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            map.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return true;
}

bool refuseWrite(QIODevice&, const QSettings::SettingsMap&)
{
    return false;
}

} // namespace

TEST(GridSetupScreenEdits, OnePickedPointIsOneEditOfTheSetUp)
{
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30))};
    const QSettings::Format locked = QSettings::registerFormat("lockedini", readLines, refuseWrite);
    const QString ini = dir.filePath("DI05.lockedini");
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Settings/grid1File=" + dir.filePath("lake.ipt").toUtf8() + "\n");
    }
    app::Station station(clock, std::make_unique<QSettings>(ini, locked), dir.path(),
                         dir.filePath("zqio"));
    station.debugLog().StartDebugLog();
    ASSERT_FALSE(station.settings().gridFile(1).isEmpty());
    ScriptedDialogs dialogs;
    GridSetupScreen screen(station, dialogs);
    screen.resize(1366, 768);
    screen.show();
    const QString log = dir.filePath("zqio/DebugLog.txt");
    const qsizetype before = test::fileBytes(log).count("grid1File could not be saved");

    station.changeGrids([](GridStore& store, WorkingSet&, GridFlags& flags) {
        store.ready[1] = true;
        flags.allGridsReady = 1;
    });

    screen.findChild<QRadioButton*>("upper_left_button")->click();
    screen.pickAt({1500, 1500});
    EXPECT_EQ(screen.findChild<QLineEdit*>("upper_left_x")->text(), "1500");
    EXPECT_EQ(screen.findChild<QLineEdit*>("upper_left_y")->text(), "1500");
    EXPECT_FALSE(station.gridReady(1));
    EXPECT_EQ(station.allGridsReady(), 0);
    EXPECT_EQ(test::fileBytes(log).count("grid1File could not be saved") - before, 1)
        << "one click, one edit: the failed clearing of the grid's setting is told once";
}
