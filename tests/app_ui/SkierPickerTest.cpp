// The skier picker with real widgets, offscreen.
#include "app/ui/SkierPicker.h"
#include "ViewerFixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace zelvan;
using namespace zelvan::test;
using app::ui::SkierPicker;

namespace
{
class SkierPickerTest : public ViewerFixture
{
protected:
    QListWidget* list() { return picker.findChild<QListWidget*>("lstSkiers"); }
    void doubleClick(int row)
    {
        const QPoint at = list()->visualItemRect(list()->item(row)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
    SkierPicker picker{station, dialogs};
};
} // namespace

TEST_F(SkierPickerTest, ListsEveryNonEmptyLineWithCommasAsSpaces)
{
    write("SkierNames.txt", "Doe,Jane,USA\r\n\r\nSmith John\r\n,Lead,\r\n\r\n");
    ASSERT_TRUE(picker.open());
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.entries(), QStringList({"Doe Jane USA", "Smith John", " Lead "}));
    EXPECT_EQ(picker.pos(), QPoint(2280 / 15, 120 / 15));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SkierPickerTest, OnlyEmptyLinesGiveAnEmptyListAndEachOpeningReadsTheFileAgain)
{
    write("SkierNames.txt", "\r\n\r\n\n");
    ASSERT_TRUE(picker.open());
    EXPECT_TRUE(picker.entries().isEmpty());
    picker.noSelection();
    write("SkierNames.txt", "Ann,B\r\n");
    ASSERT_TRUE(picker.open());
    EXPECT_EQ(picker.entries(), QStringList{"Ann B"});
}

TEST_F(SkierPickerTest, MissingNamesFileIsToldAndThePickerStaysClosed)
{
    EXPECT_FALSE(picker.open());
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(
        dialogs.messages(),
        QStringList{
            "No file of skier names called SkierNames.txt exists in the application directory"});
}

TEST_F(SkierPickerTest, DoubleClickSetsTheCaptureSkierNameAndCloses)
{
    write("SkierNames.txt", "Doe,Jane,USA\r\nRoe,Ray\r\n");
    station.setCaptureSkierName("typed before");
    ASSERT_TRUE(picker.open());
    QSignalSpy chosen(&picker, &SkierPicker::skierChosen);
    doubleClick(1);
    EXPECT_EQ(station.captureSkierName(), "Roe Ray");
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), "Roe Ray");
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(SkierPickerTest, NoSelectionLeavesTheSkierNameAsItWas)
{
    write("SkierNames.txt", "Doe,Jane,USA\r\n");
    station.setCaptureSkierName("Kept Name");
    ASSERT_TRUE(picker.open());
    QSignalSpy chosen(&picker, &SkierPicker::skierChosen);
    picker.findChild<QPushButton*>("cmdNoSelect")->click();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(station.captureSkierName(), "Kept Name");
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_FALSE(picker.choose(5));
}

TEST_F(SkierPickerTest, KeyboardAloneChoosesOrDeclines)
{
    write("SkierNames.txt", "Doe,Jane\r\nRoe,Ray\r\n");
    ASSERT_TRUE(picker.open());
    QApplication::setActiveWindow(&picker);
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(station.captureSkierName(), "Roe Ray");
    ASSERT_TRUE(picker.open());
    QApplication::setActiveWindow(&picker);
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(station.captureSkierName(), "Roe Ray");
}

TEST_F(SkierPickerTest, ControlsCarryTheirNamesCaptionsAndDescriptions)
{
    EXPECT_EQ(picker.windowTitle(), "Select A Skier");
    EXPECT_EQ(picker.findChild<QLabel*>("Label1")->text(),
              "Double Click on Skier Name to select it");
    EXPECT_EQ(picker.findChild<QPushButton*>("cmdNoSelect")->text(), "No Selection");
    for (const char* name : {"lstSkiers", "Label1", "cmdNoSelect"}) {
        QWidget* w = picker.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->accessibleDescription(), name);
    }
    EXPECT_EQ(list()->accessibleName(), "Double Click on Skier Name to select it");

    write("SkierNames.txt", "Doe,Jane,USA\r\nRoe,Ray\r\nSmith,John,CAN\r\nLee,Kim,AUS\r\n");
    ASSERT_TRUE(picker.open());
    screenshot(picker, "frmSelectSkier_1366x768");
    picker.resize(picker.size() * 1.35);
    screenshot(picker, "frmSelectSkier_1920x1080");
}

// The screen that opens the picker gets the keyboard back where it was, or on the control it
// names, so Space presses that control instead of opening the picker again.
TEST_F(SkierPickerTest, ClosingGivesTheFocusBackToTheCaller)
{
    write("SkierNames.txt", "Doe,Jane\r\nRoe,Ray\r\n");
    QWidget caller;
    auto* record = new QPushButton("Start Recording", &caller);
    auto* select = new QPushButton("Select Skier", &caller);
    select->move(0, 40);
    auto* own = new SkierPicker(station, dialogs, &caller);
    QObject::connect(select, &QPushButton::clicked, own, [own] { own->open(); });
    caller.resize(300, 120);
    caller.show();
    QApplication::setActiveWindow(&caller);
    select->setFocus();
    QTest::keyClick(select, Qt::Key_Space);
    ASSERT_TRUE(own->isVisible());
    QApplication::setActiveWindow(own);
    EXPECT_EQ(QApplication::focusWidget(), own->findChild<QListWidget*>("lstSkiers"));
    record->setFocus(); // only within the caller's window, which is not the active one
    ASSERT_TRUE(own->choose(1));
    EXPECT_EQ(caller.focusWidget(), select) << "back where it was";

    QSignalSpy recorded(record, &QPushButton::clicked);
    ASSERT_TRUE(own->open(record));
    QApplication::setActiveWindow(own);
    QTest::keyClick(own->findChild<QListWidget*>("lstSkiers"), Qt::Key_Escape);
    EXPECT_FALSE(own->isVisible());
    EXPECT_EQ(caller.focusWidget(), record) << "on the control the caller named";
    QApplication::setActiveWindow(&caller);
    ASSERT_EQ(QApplication::focusWidget(), record);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(recorded.size(), 1);
    EXPECT_FALSE(own->isVisible());
}
