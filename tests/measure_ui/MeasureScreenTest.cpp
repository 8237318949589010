// The measurement screen with real widgets, offscreen, answered by scripted dialogs: marking,
// micro-adjust, grids, verify, every outcome through Record, and the files it writes.
#include "measure/ui/MeasureScreen.h"

#include "CanvasInput.h"
#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "TestFiles.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "base/Numbers.h"
#include "grid/Transform.h"
#include "measure/RecordJump.h"
#include "tools/ui/CalibrateScreen.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/Magnifier.h"
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::measure::ui::MeasureScreen;

using zelvan::test::bytesOf;

namespace
{

// water = screen / scale metres, jump point at the origin, buoys around the landing.
grid::GridSetup linearGrid(double scale, int number)
{
    grid::GridSetup g;
    g.c = {0, 0, 1 / scale, 0, 0, 0, 0, 0, 1 / scale};
    const double at[5][2] = {{0, 0}, {7500, 1500}, {7500, 6000}, {1500, 1500}, {1500, 6000}};
    for (int k = 1; k <= 4; ++k)
        g.buoy[k] = {at[k][0], at[k][1], at[k][0] / scale, at[k][1] / scale};
    g.gridNumber = number;
    return g;
}

// Scripted answers; `whileAsking` runs while an input box is open, as the operator types in it.
class AskingDialogs : public ScriptedDialogs
{
public:
    std::function<void()> whileAsking;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override
    {
        if (whileAsking)
            whileAsking();
        return ScriptedDialogs::input(prompt, title, proposed, posTwips);
    }
};

// Holds Left for five polls in `window`, made the active window of the station.
void holdLeftIn(QWidget& window, widgets::CursorKeyPoll& poll)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyPress(&window, Qt::Key_Left);
    for (int i = 0; i < 5; ++i)
        poll.poll();
    QTest::keyRelease(&window, Qt::Key_Left);
}

class MeasureScreenTest : public ::testing::Test, protected test::StationFolder
{
protected:
    MeasureScreenTest() : StationFolder(QTime(14, 3, 22))
    {
        QDir(dir.path()).mkdir("zqio");
        station.setResultsFilePath(dir.filePath("results.txt"));
        station.setWstims(true);
        station.changeGrids([](grid::GridStore& store, grid::WorkingSet& ws, grid::GridFlags&) {
            store.setup[1] = linearGrid(100, 1);
            store.setup[2] = linearGrid(50, 2);
            store.gridDescription2[1] = "North camera";
            grid::loadIntoWorkingSet(store.setup[1], 1, ws);
        });
        station.setMeasureSkierName("SMITH, JOHN");
        station.setMeasureJumpNumber("3");
        screen.resize(1366, 768);
        screen.show();
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(QColor(40, 90, 140));
        screen.showPicture(picture, "test");
        // It opened fitted; these cases click whole picture pixels at natural size.
        screen.canvas().setZoom(1.0, QPointF(0, 0));
    }

    template <class W = QLineEdit> W* control(const char* name)
    {
        W* w = screen.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(const char* name) { return control<QLineEdit>(name)->text(); }
    void clickAt(QPointF twips)
    {
        widgets::PictureCanvas& canvas = screen.canvas();
        test::clickOver(canvas, canvas.viewPointOfPixel(twips / kTwipsPerPixel));
    }
    void choose(const char* option) { control<QRadioButton>(option)->click(); }
    void record() { control<QPushButton>("Record")->click(); }
    QByteArray results() const { return bytesOf(dir.filePath("results.txt")); }
    QByteArray zq(const char* name) const { return bytesOf(dir.filePath("zqio/") + name); }
    void screenshot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        QApplication::processEvents();
        ASSERT_TRUE(screen.grab().save(QDir(folder).filePath(name + ".png")));
    }

    QByteArray line(const char* jump, const char* rest) const
    {
        return QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump ") + jump + " - " + rest + "\r\n";
    }
    bool activate(QWidget& window)
    {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }

    AskingDialogs dialogs;
    MeasureScreen screen{station, dialogs};
};

} // namespace

TEST_F(MeasureScreenTest, AtLoad)
{
    EXPECT_EQ(screen.windowTitle(), "Measure");
    EXPECT_TRUE(control<QPushButton>("Set_grid")->isHidden()); // one grid configured
    EXPECT_TRUE(control<QRadioButton>("optJumpOK")->isChecked());
    for (const char* r : {"xtwips", "ytwips", "xposition", "yposition", "VerifyDistance"})
        EXPECT_TRUE(control(r)->isHidden()) << r;
    EXPECT_TRUE(control<QLabel>("FrozenSign")->isHidden());
    EXPECT_FALSE(control<QLabel>("AdjustmentLabel")->isVisible());
    // A fresh screen, before any skier change empties the boxes.
    MeasureScreen fresh{station, dialogs};
    EXPECT_EQ(fresh.findChild<QLineEdit*>("distance")->text(), "M");
    EXPECT_EQ(fresh.findChild<QLineEdit*>("distance_ft")->text(), "FT");
    EXPECT_EQ(fresh.findChild<QLineEdit*>("Jump_no")->text(), "3");
    EXPECT_EQ(text("Jump_no"), "3");
    EXPECT_EQ(control<QComboBox>("Skier_name")->currentText(), "SMITH, JOHN");
    EXPECT_EQ(text("grid_description"), "North camera");
    EXPECT_EQ(control<QLabel>("maxbuoy")->text(), "70 feet"); // 21.2 m * 3.28 + 0.5
    EXPECT_EQ(control<QPushButton>("Record")->accessibleDescription(), "Record");
    EXPECT_TRUE(control("barefoot_indicator")->isHidden());
}

TEST_F(MeasureScreenTest, MeasuredJumpIsRecordedExactly)
{
    clickAt({0, 4320});
    EXPECT_EQ(text("distance"), "m");
    EXPECT_EQ(text("distance_ft"), "ft");
    EXPECT_TRUE(control<QLabel>("AdjustmentLabel")->isVisible());
    EXPECT_EQ(screen.markedImpact(), QPointF(0, 4320));
    screenshot("measure-marked");
    record();
    EXPECT_EQ(text("distance"), "45.3m");
    EXPECT_EQ(text("distance_ft"), "149ft");
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 45.3m  "
                                    "(IWSF)149ft  (AWSA) (0/43.2) (0/4320) (45.3)\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    EXPECT_EQ(zq("zqraw.dst"), QByteArray("14:03:22 ,SMITH,OK, 45.3, 149, 3\r\n"));
    EXPECT_EQ(text("Jump_no"), "3");
    EXPECT_TRUE(dialogs.shown.isEmpty());
    screenshot("measure-recorded");
}

TEST_F(MeasureScreenTest, MicroAdjustByButtonsAndHeldKeys)
{
    clickAt({3000, 4500});
    control<QToolButton>("AdjustRight")->click();
    control<QToolButton>("AdjustUp")->click();
    EXPECT_EQ(screen.markedImpact(), QPointF(3015, 4485));
    auto* poll = screen.findChild<widgets::CursorKeyPoll*>();
    ASSERT_NE(poll, nullptr);
    EXPECT_TRUE(poll->isActive());
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(control("Jump_no"), &press);
    for (int i = 0; i < 4; ++i)
        poll->poll();
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(control("Jump_no"), &release);
    EXPECT_EQ(screen.markedImpact(), QPointF(2955, 4485));
    EXPECT_EQ(QApplication::focusWidget(), control<QPushButton>("Show_grid"));
    // The record uses the adjusted point: 44.85 m + 2.1 from (29.55, 44.85).
    record();
    EXPECT_TRUE(results().contains("(29.55/44.85) (2955/4485)"));
    screen.hide();
    EXPECT_FALSE(poll->isActive());
}

TEST_F(MeasureScreenTest, FallOnALivePictureAdvancesAndClears)
{
    choose("Fall");
    record();
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 -   (IWSF)  "
                                    "(AWSA)Fall (0/0) (0/0) ()\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Fall, 0, 0,3\r\n"));
    EXPECT_EQ(text("Jump_no"), "4");
    EXPECT_EQ(station.measureJumpNumber(), "4");
    EXPECT_FALSE(control<QRadioButton>("Fall")->isChecked());
    EXPECT_TRUE(control("distance")->text().isEmpty());
}

TEST_F(MeasureScreenTest, PassAfterAMarkRepeatsTheSplashPoint)
{
    clickAt({0, 4320});
    record();
    clickAt({0, 4320});
    choose("Pass");
    record();
    // The marking left the splash point (2.1 m beyond) in the registers; the raw distance is
    // the last measured jump's.
    const QList<QByteArray> lines = results().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith("(AWSA)Pass (2.1/43.2) (210/4320) (45.3)\r")) << lines[1].data();
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Pass, 0, 0,3\r\n"));
}

TEST_F(MeasureScreenTest, OtherGridAcceptedAndMismatched)
{
    choose("Other_Grid");
    dialogs.yesNoAnswers << true << true;
    for (const char* answer : {"10", "35", "10", "34.8"})
        dialogs.inputAnswers.enqueue(QString::fromLatin1(answer));
    record();
    EXPECT_EQ(dialogs.messages(),
              QStringList{"The meter distance and the foot distance you entered did not match, "
                          "please enter them again"});
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 10,  34.8, 3\r\n"));
    EXPECT_EQ(text("distance"), "10m");
    EXPECT_EQ(text("distance_ft"), " 34.8ft");
    EXPECT_FALSE(control<QRadioButton>("Other_Grid")->isChecked());
    EXPECT_EQ(text("Jump_no"), "4");
    choose("Other_Grid");
    record(); // answered No
    EXPECT_TRUE(
        results().endsWith("jump 4 -   (IWSF)  (AWSA)Other Grid - no distance recorded\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, , , 4\r\n"));
}

TEST_F(MeasureScreenTest, ReridesAndACommentAreWrittenAtOnce)
{
    choose("O_reride");
    EXPECT_FALSE(control<QRadioButton>("O_reride")->isChecked());
    clickAt({0, 4320});
    record();
    choose("M_Reride");
    EXPECT_TRUE(text("distance").isEmpty());
    dialogs.inputAnswers.enqueue(QString("wind gust"));
    choose("Make_comment");
    EXPECT_EQ(dialogs.texts(), QStringList{"What comment would you like to add?"});
    const QList<QByteArray> lines = results().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "07-04-2026 14:03:22 Optional Reride on previous jump\r");
    EXPECT_EQ(lines[2], "07-04-2026 14:03:22 Mandatory Reride - disregard last jump\r");
    EXPECT_EQ(lines[3], "07-04-2026 14:03:22 wind gust\r");
    EXPECT_FALSE(control<QRadioButton>("Make_comment")->isChecked());
}

TEST_F(MeasureScreenTest, BarefootWithVerifyMode)
{
    station.setTournamentType(app::Station::TournamentType::Barefoot);
    EXPECT_FALSE(control("barefoot_indicator")->isHidden());
    EXPECT_EQ(text("barefoot_indicator"), "Barefoot Jump");
    control<QPushButton>("verify")->click();
    EXPECT_EQ(control<QPushButton>("verify")->text(), "Verify off");
    EXPECT_FALSE(control<QLabel>("UnofficialJump")->isHidden());
    QTest::mouseMove(screen.canvas().viewport(),
                     screen.canvas().viewportPixelAt({0, 4320}).toPoint());
    EXPECT_EQ(text("VerifyDistance"), "43.2m 142ft");
    EXPECT_EQ(text("yposition"), "43.2");
    clickAt({0, 4320});
    record();
    screenshot("measure-verify");
    EXPECT_EQ(results(),
              QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 43.2m  (IWSF)141.7ft  "
                         "(AWSA) BAREFOOT  UNOFFICIAL JUMP - verify mode  (0/43.2) "
                         "(0/4320) (43.2)\r\n"));
    control<QPushButton>("verify")->click();
    EXPECT_TRUE(control<QLabel>("UnofficialJump")->isHidden());
    EXPECT_TRUE(control("VerifyDistance")->isHidden());
}

TEST_F(MeasureScreenTest, GridCyclingWithTwoGrids)
{
    station.setNumGrids(2);
    auto* setGrid = control<QPushButton>("Set_grid");
    EXPECT_FALSE(setGrid->isHidden());
    setGrid->click();
    EXPECT_EQ(setGrid->text(), "&Grid 2");
    EXPECT_EQ(station.currentGrid(), 2);
    clickAt({0, 2160}); // 2160 / 50 = 43.2 m on grid 2
    record();
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    setGrid->click();
    EXPECT_EQ(setGrid->text(), "&Grid 1");
    EXPECT_EQ(station.currentGrid(), 1);
}

TEST_F(MeasureScreenTest, SkierChangeResetsTheJumpNumberAndClearAdvancesIt)
{
    control<QComboBox>("Skier_name")->setEditText("DOE");
    EXPECT_EQ(text("Jump_no"), "1");
    EXPECT_EQ(station.measureSkierName(), "DOE");
    clickAt({0, 4320});
    choose("Fall");
    control<QPushButton>("Unfreeze")->click();
    EXPECT_EQ(text("Jump_no"), "2");
    EXPECT_EQ(text("distance"), "m");
    EXPECT_TRUE(control<QRadioButton>("optJumpOK")->isChecked());
    EXPECT_FALSE(control<QLabel>("AdjustmentLabel")->isVisible());
}

TEST_F(MeasureScreenTest, VanishingLineIsRefused)
{
    station.changeGrids([](grid::GridStore&, grid::WorkingSet& ws, grid::GridFlags&) {
        grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, -1.0 / 3000, 0, 0, 0, 0.01});
    });
    const QString before = text("distance");
    clickAt({3000, 100});
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(text("distance"), before); // nothing changed
    EXPECT_FALSE(control<QLabel>("AdjustmentLabel")->isVisible());
}

TEST_F(MeasureScreenTest, ResultsFileReadOnlyMidSessionLosesNothing)
{
    // A folder in the way of the results file: the line is kept and WSTIMS still written.
    QDir(dir.path()).mkdir("blocked.txt");
    station.setResultsFilePath(dir.filePath("blocked.txt"));
    clickAt({0, 4320});
    record();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(
        dialogs.messages()[0].contains(QDir::toNativeSeparators(dir.filePath("blocked.txt"))));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    station.setResultsFilePath(dir.filePath("results.txt"));
    choose("Fall");
    record();
    const QList<QByteArray> lines = results().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains("jump 3 - 45.3m"));
    EXPECT_TRUE(lines[1].contains("jump 3 -   (IWSF)  (AWSA)Fall"));
}

TEST_F(MeasureScreenTest, ZoomedScreenshot)
{
    screen.canvas().setZoom(4.0, screen.canvas().viewportPixelAt({0, 4320}));
    clickAt({300, 4320});
    EXPECT_NEAR(screen.markedImpact().x(), 300, 4);
    EXPECT_NEAR(screen.markedImpact().y(), 4320, 4);
    screenshot("measure-zoomed");
    screen.resize(1920, 1080);
    screen.canvas().setZoom(1.0);
    screenshot("measure-1920");
}

TEST_F(MeasureScreenTest, KeysTypedInAnotherWindowOfTheStationNeverMoveTheImpact)
{
    auto* poll = screen.findChild<widgets::CursorKeyPoll*>();
    ASSERT_NE(poll, nullptr);
    clickAt({0, 4320});
    // Left held while typing in the comment box.
    dialogs.whileAsking = [&] {
        QInputDialog box(&screen);
        box.setWindowModality(Qt::ApplicationModal);
        holdLeftIn(box, *poll);
    };
    dialogs.inputAnswers << QString("wind");
    choose("Make_comment");
    // Left held in another window of the station (a viewer).
    QLineEdit viewer;
    holdLeftIn(viewer, *poll);
    // Pressed there and still held when the screen is active again: not the screen's key.
    QTest::keyPress(&viewer, Qt::Key_Right);
    ASSERT_TRUE(activate(screen));
    poll->poll();
    QTest::keyRelease(&viewer, Qt::Key_Right);
    EXPECT_EQ(screen.markedImpact(), QPointF(0, 4320));
    record();
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 wind\r\n") +
                             line("3", "45.3m  (IWSF)149ft  (AWSA) (0/43.2) (0/4320) (45.3)"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    // Its own keys still move it.
    QTest::keyPress(control("Jump_no"), Qt::Key_Left);
    poll->poll();
    QTest::keyRelease(control("Jump_no"), Qt::Key_Left);
    EXPECT_EQ(screen.markedImpact(), QPointF(-15, 4320));
}

TEST_F(MeasureScreenTest, ACommentOrAnotherGridLeavesTheOutcomeAsChosen)
{
    choose("Fall");
    dialogs.inputAnswers << QString("wind");
    choose("Make_comment");
    EXPECT_TRUE(control<QRadioButton>("Fall")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("Make_comment")->isChecked());
    record();
    const QByteArray fall = line("3", "  (IWSF)  (AWSA)Fall (0/0) (0/0) ()");
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 wind\r\n") + fall);
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Fall, 0, 0,3\r\n"));
    EXPECT_EQ(text("Jump_no"), "4");

    // Chosen through the accessibility interface: toggled, never clicked.
    control<QRadioButton>("Pass")->toggle();
    record();
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Pass, 0, 0,4\r\n"));
    control<QRadioButton>("optJumpOK")->toggle();
    control<QRadioButton>("Other_Grid")->setChecked(true);
    EXPECT_TRUE(control<QRadioButton>("optJumpOK")->isChecked());
    dialogs.yesNoAnswers << true;
    dialogs.inputAnswers << QString("10") << QString("34.8");
    record();
    EXPECT_EQ(zq("zqraw.dst"), QByteArray("14:03:22 ,SMITH,Fall, 0, 0,3\r\n"
                                          "14:03:22 ,SMITH,Pass, 0, 0,4\r\n"
                                          "14:03:22 ,SMITH,OK, 10,  34.8, 5\r\n"));
    EXPECT_TRUE(
        results().endsWith(line("5", "10m  (IWSF) 34.8ft  (AWSA)Distance from other grid")));
}

TEST_F(MeasureScreenTest, AMeasuredRecordNeedsAnImpactOnThePictureShown)
{
    const QString noImpact = QLatin1String(measure::kNoImpactText);
    station.setNumGrids(2);
    record(); // a fresh screen
    EXPECT_EQ(dialogs.messages(), QStringList{noImpact});
    EXPECT_FALSE(QFile::exists(dir.filePath("results.txt")));
    EXPECT_FALSE(QFile::exists(dir.filePath("zqio/zqresult.dst")));
    clickAt({0, 4320});
    record();
    control<QPushButton>("Unfreeze")->click();
    record(); // after Clear
    clickAt({0, 4320});
    QImage next(640, 480, QImage::Format_RGB32);
    next.fill(Qt::darkGreen);
    screen.showPicture(next, "test");
    record(); // on a new picture
    clickAt({0, 4320});
    control<QPushButton>("Set_grid")->click();
    record(); // with another grid
    control<QPushButton>("Set_grid")->click();
    record(); // back on the first grid, still not clicked since
    EXPECT_EQ(dialogs.messages(), QStringList(5, noImpact));
    EXPECT_EQ(results(), line("3", "45.3m  (IWSF)149ft  (AWSA) (0/43.2) (0/4320) (45.3)"));
    EXPECT_EQ(zq("zqraw.dst"), QByteArray("14:03:22 ,SMITH,OK, 45.3, 149, 3\r\n"));
    EXPECT_EQ(text("Jump_no"), "4");
}

TEST_F(MeasureScreenTest, AFallOnAFrozenPictureStaysAFall)
{
    QImage still(320, 240, QImage::Format_RGB32);
    still.fill(Qt::gray);
    QGuiApplication::clipboard()->setImage(still);
    control<QToolButton>("ClipSnapShot")->click();
    ASSERT_TRUE(screen.pictureFrozen());
    choose("Fall");
    record();
    record();
    const QByteArray fall = line("3", "  (IWSF)  (AWSA)Fall (0/0) (0/0) ()");
    EXPECT_TRUE(results().endsWith(fall + fall));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Fall, 0, 0,3\r\n"));
    EXPECT_EQ(zq("zqraw.dst"),
              QByteArray("14:03:22 ,SMITH,Fall, 0, 0,3\r\n14:03:22 ,SMITH,Fall, 0, 0,3\r\n"));
    EXPECT_TRUE(control<QRadioButton>("Fall")->isChecked());
    EXPECT_EQ(text("Jump_no"), "3");
}

TEST_F(MeasureScreenTest, OtherGridEntriesAreNumbersAndACancelledOneRecordsNothing)
{
    choose("Other_Grid");
    dialogs.yesNoAnswers << true;
    dialogs.inputAnswers << QString("45,3") << QString("abc") << QString(" 149 ");
    record();
    EXPECT_EQ(dialogs.messages(), QStringList{measure::kOtherGridNotNumberText});
    const QByteArray entered = line("3", "45.3m  (IWSF) 149ft  (AWSA)Distance from other grid");
    EXPECT_EQ(results(), entered);
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3,  149, 3\r\n"));
    EXPECT_EQ(text("Jump_no"), "4");

    choose("Other_Grid");
    dialogs.yesNoAnswers << true;
    dialogs.inputAnswers << QString("45.3") << std::nullopt; // the feet cancelled
    record();
    EXPECT_EQ(results(), entered);
    EXPECT_EQ(zq("zqraw.dst"), QByteArray("14:03:22 ,SMITH,OK, 45.3,  149, 3\r\n"));
    EXPECT_EQ(text("Jump_no"), "4");
    EXPECT_EQ(text("distance"), "45.3m");
    EXPECT_TRUE(control<QRadioButton>("Other_Grid")->isChecked());
}

TEST_F(MeasureScreenTest, SetGridNamesTheGridInUseWhenShown)
{
    station.setNumGrids(2);
    screen.hide();
    // The grid set-up leaves grid 2 active.
    station.changeGrids([](grid::GridStore& store, grid::WorkingSet& ws, grid::GridFlags&) {
        grid::loadIntoWorkingSet(store.setup[2], 2, ws);
    });
    screen.show();
    auto* setGrid = control<QPushButton>("Set_grid");
    EXPECT_EQ(setGrid->text(), "&Grid 2");
    clickAt({0, 2160}); // 43.2 m on grid 2
    record();
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    setGrid->click();
    EXPECT_EQ(setGrid->text(), "&Grid 1");
    EXPECT_EQ(station.currentGrid(), 1);
}

TEST_F(MeasureScreenTest, SkierBoxesAndTheCalibrationAssistant)
{
    // Picking the same skier again starts the numbering over.
    station.setSkierNames({"SMITH, JOHN", "DOE"});
    auto* skier = control<QComboBox>("Skier_name");
    emit skier->activated(skier->findText("SMITH, JOHN"));
    EXPECT_EQ(text("Jump_no"), "1");
    EXPECT_EQ(station.measureJumpNumber(), "1");

    // Until a skier is set the boxes say what they hold.
    station.setMeasureSkierName(QString());
    station.setMeasureJumpNumber(QString());
    MeasureScreen fresh{station, dialogs};
    EXPECT_EQ(fresh.findChild<QComboBox*>("Skier_name")->currentText(), "Skier Name");
    EXPECT_EQ(fresh.findChild<QLineEdit*>("Jump_no")->text(), "Jump");

    // Closing the calibration assistant makes the screen active again.
    const auto activations = [&] {
        return station.debugLog().lines().filter("Measure form Activated").size();
    };
    const qsizetype before = activations();
    screen.openCalibration();
    auto* assistant = screen.findChild<tools::ui::CalibrateScreen*>();
    ASSERT_NE(assistant, nullptr);
    assistant->close();
    EXPECT_EQ(activations(), before + 1);
}

TEST_F(MeasureScreenTest, TheMessageColourReachesEveryLabelAndDefaultGivesEachItsOwn)
{
    const char* labels[] = {"Make_comment",    "Other_Grid", "Fall",       "Pass",      "optJumpOK",
                            "M_Reride",        "O_reride",   "FrozenSign", "IWSFlabel", "AWSAlabel",
                            "AdjustmentLabel", "CrossLabel", "maxbuoy",    "maxbuoym",  "minbuoy",
                            "minbuoym"};
    // Options carry their colour in their palette (their circle needs it), labels in a style sheet.
    const auto colourOf = [&](const char* name) {
        const auto* w = control<QWidget>(name);
        if (qobject_cast<const QAbstractButton*>(w))
            return w->palette().color(QPalette::WindowText).name();
        const QString style = w->styleSheet();
        return style.mid(style.lastIndexOf("color: ") + 7, 7);
    };
    station.setLabelColor("yellow", 65535);
    for (const char* name : labels)
        EXPECT_EQ(colourOf(name), "#ffff00") << name;
    station.setLabelColor("default", 65535);
    const char* own[] = {"#000000", "#000000", "#000000", "#000000", "#000000", "#ff0000",
                         "#ffff00", "#ffffff", "#000000", "#000000", "#ffffff", "#ffffff",
                         "#ffffff", "#ffffff", "#ffffff", "#ffffff"};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(colourOf(labels[i]), own[i]) << labels[i];
    EXPECT_TRUE(control<QWidget>("FrozenSign")->styleSheet().contains("background: red"));
    // The distance captions are never black on black.
    for (const char* caption : {"IWSFlabel", "AWSAlabel"})
        EXPECT_FALSE(control<QWidget>(caption)->styleSheet().contains("background: black"))
            << caption;
    // The yellow reride option is read on black; the black ones on the panel.
    EXPECT_TRUE(control<QWidget>("O_reride")->autoFillBackground());
    EXPECT_EQ(control<QWidget>("O_reride")->palette().color(QPalette::Button), QColor(Qt::black));
    EXPECT_FALSE(control<QWidget>("Fall")->autoFillBackground());
}

TEST_F(MeasureScreenTest, TheContactPictureOpensFillingItsAreaAndTheEmptyAreaSaysHowToGetOne)
{
    MeasureScreen fresh{station, dialogs};
    fresh.resize(1366, 768);
    fresh.show();
    EXPECT_EQ(fresh.canvas().emptyText(),
              "No picture yet.\nTake a frame on Frame Selection (Use displayed frame to measure "
              "jump), or choose Load Picture or Paste on the menu.");
    QImage contact(640, 480, QImage::Format_RGB32);
    contact.fill(QColor(40, 90, 140));
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        fresh.resize(size);
        fresh.showPicture(contact, "contact");
        EXPECT_TRUE(fresh.canvas().fitted()) << size.width();
        EXPECT_GE(test::pictureCoverage(fresh.canvas()), 0.9) << size.width();
    }
}

TEST_F(MeasureScreenTest, TheImpactHasTheSameTwipsAtEveryZoomAndTheMagnifierShowsItsPixels)
{
    widgets::PictureCanvas& canvas = screen.canvas();
    const QPointF landing(20, 288); // picture pixels
    for (const double zoom : {1.0, 1.5, 4.0, 8.0}) {
        canvas.setZoom(zoom, canvas.viewPointOfPixel(landing));
        clickAt(landing * kTwipsPerPixel);
        EXPECT_EQ(screen.markedImpact(), QPointF(300, 4320)) << zoom;
        EXPECT_TRUE(canvas.magnifier()->isVisible()) << zoom;
        EXPECT_EQ(canvas.magnifier()->centre(), QPointF(300, 4320)) << zoom;
    }
    record();
    EXPECT_TRUE(results().contains("(3/43.2) (300/4320)")) << results().toStdString();

    canvas.fitToWindow();
    const QPoint pointer = canvas.viewPointOfPixel({400, 300});
    const QPointF under = canvas.twipsAt(pointer);
    test::wheelOver(canvas, pointer, 120);
    EXPECT_GT(canvas.zoom(), canvas.fitZoom());
    EXPECT_NEAR(canvas.twipsAt(pointer).x(), under.x(), 15 / canvas.zoom());
    EXPECT_NEAR(canvas.twipsAt(pointer).y(), under.y(), 15 / canvas.zoom());
}

TEST_F(MeasureScreenTest, ShownBoxesShowTheStartOfTheirTextAndEnterNeverRecords)
{
    clickAt({0, 4320});
    auto* recordButton = control<QPushButton>("Record");
    EXPECT_FALSE(recordButton->isDefault());
    recordButton->setFocus();
    QTest::keyClick(recordButton, Qt::Key_Return);
    EXPECT_FALSE(QFile::exists(dir.filePath("results.txt"))) << "a stray Enter records nothing";
    record();
    for (const char* name : {"distance", "distance_ft", "xtwips", "ytwips", "xposition",
                             "yposition", "VerifyDistance", "grid_description", "Jump_no"})
        EXPECT_EQ(control(name)->cursorPosition(), 0) << name;
    EXPECT_EQ(text("distance"), "45.3m");
}
