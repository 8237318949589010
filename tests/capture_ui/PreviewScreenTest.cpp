// The capture screen's controls, names and never-overwrite rules, offscreen.
#include "PreviewFixture.h"

#include "widgets/Accessibility.h"

#include <QAction>
#include <QMenuBar>

using namespace zelvan;
using zelvan::test::PreviewTest;

TEST_F(PreviewTest, ControlsAtLoad)
{
    auto& s = screen();
    EXPECT_EQ(s.objectName(), "PreviewForm");
    EXPECT_EQ(s.windowTitle(), "Zelvan 2005 Capture Screen");
    EXPECT_EQ(button("cmdStartCapture")->text(), "Start Recording     (skier hits ramp)");
    EXPECT_EQ(button("cmdStartTimer")->text(), "Contact");
    EXPECT_FALSE(button("cmdStartTimer")->isEnabled());
    EXPECT_EQ(button("cmdEndCapture")->text(), "Stop Recording");
    EXPECT_FALSE(button("cmdEndCapture")->isEnabled());
    EXPECT_TRUE(button("cmdEndCapture")->isHidden());
    EXPECT_EQ(label("Label3")->text(), "Hit ESC to stop recording");
    EXPECT_EQ(label("Label9")->text(), "Length of time to record");
    EXPECT_EQ(label("Label7")->text(), "Capture Time Left");
    EXPECT_EQ(label("captime")->text(), "5");
    EXPECT_EQ(label("Label5")->text(), "Frames Recorded");
    EXPECT_EQ(label("LblFrame")->text(), "0");
    EXPECT_EQ(label("Label6")->text(), "Frames Dropped");
    EXPECT_EQ(label("LblFrmDrop")->text(), "0");
    EXPECT_EQ(label("Label2")->text(), "Attempt Number");
    EXPECT_EQ(box("txtPass")->text(), "1");
    EXPECT_EQ(button("cmdSelect")->text(), "Select Name");
    EXPECT_EQ(button("btnGetName")->text(), "Get WSTIMS name");
    EXPECT_TRUE(button("btnGetName")->isHidden());
    EXPECT_TRUE(label("Label4")->isHidden());
    EXPECT_TRUE(label("lblStartFrame")->isHidden());
    EXPECT_EQ(label("lblStartFrame")->text(), "0");
    EXPECT_EQ(button("btnCaptureFrame")->text(), "Capture Frame");
    EXPECT_EQ(button("cmdGoToTimer")->text(), "View Already Recorded Jumps");
    EXPECT_EQ(button("cmdGoSetup")->text(), "Go Back To Main Screen");
    EXPECT_NE(s.findChild<QWidget*>("CapturePRO1"), nullptr);
    EXPECT_NE(s.findChild<QObject*>("Timer40"), nullptr);
    EXPECT_EQ(s.findChild<QAction*>("mnuStart")->text(), "&Start Recording");
    EXPECT_EQ(s.findChild<QAction*>("mnuResults")->text(), "&Results");
    const auto* list = find<QListWidget>("captureTimeValue");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "3.0");
    EXPECT_EQ(list->item(3)->text(), "6.0");
    // Described for assistive technology by its documented name, named by its caption.
    EXPECT_EQ(button("cmdSelect")->accessibleDescription(), "cmdSelect");
    EXPECT_EQ(box("txtPass")->accessibleName(), "Attempt Number");
    EXPECT_EQ(list->accessibleName(), "Length of time to record");
    EXPECT_EQ(logged("Capture Video Form Activated"), 1);
    // Activated with previewOn: Start has the focus.
    EXPECT_EQ(s.focusWidget(), button("cmdStartCapture"));
}

TEST_F(PreviewTest, CaptureTimeFromTheSetting)
{
    ASSERT_TRUE(station.settings().write("captureTime", "4"));
    auto& s = screen();
    EXPECT_EQ(find<QListWidget>("captureTimeValue")->currentItem()->text(), "4.0");
    EXPECT_EQ(s.captureSeconds(), 4);
    EXPECT_EQ(label("captime")->text(), "4");
    EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "4");
    // A click stores the item's text and shows it.
    find<QListWidget>("captureTimeValue")->setCurrentRow(3);
    EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "6.0");
    EXPECT_EQ(s.captureSeconds(), 6);
    EXPECT_EQ(label("captime")->text(), "6");
}

TEST_F(PreviewTest, CaptureTimeAbsentOrGarbageGivesFiveStored)
{
    for (const char* stored : {"", "abc", "4.5"}) {
        preview.reset();
        if (*stored) {
            ASSERT_TRUE(station.settings().write("captureTime", stored));
        }
        auto& s = screen();
        EXPECT_EQ(find<QListWidget>("captureTimeValue")->currentItem()->text(), "5.0") << stored;
        EXPECT_EQ(s.captureSeconds(), 5) << stored;
        EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "5") << stored;
    }
}

TEST_F(PreviewTest, CaptureTimeSetByHandToTenSecondsIsKept)
{
    ASSERT_TRUE(station.settings().write("captureTime", "10"));
    auto& s = screen();
    EXPECT_TRUE(find<QListWidget>("captureTimeValue")->selectedItems().isEmpty());
    EXPECT_EQ(s.captureSeconds(), 10);
    EXPECT_EQ(label("captime")->text(), "10");
    EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "10");
    // Tabbing onto the list makes its first entry current without choosing it.
    auto* list = find<QListWidget>("captureTimeValue");
    s.activateWindow();
    list->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(s.captureSeconds(), 10);
    EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "10");
    // An entry chosen by keyboard is a choice.
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->selectedItems().value(0)->text(), "4.0");
    EXPECT_EQ(s.captureSeconds(), 4);
    EXPECT_EQ(station.settings().read("captureTime", "<missing>"), "4.0");
}

TEST_F(PreviewTest, InitialNameFromTheNamesFile)
{
    screen();
    EXPECT_EQ(box("txtSkierName")->text(), "Skier Name");
    EXPECT_EQ(station.captureSkierName(), "Skier Name");
    preview.reset();
    writeFile(dir.filePath("station/SkierNames.txt"), "Doe,John\r\nSmith,Ann\r\n");
    screen();
    EXPECT_EQ(box("txtSkierName")->text(), "Doe John");
    EXPECT_EQ(station.captureSkierName(), "Doe John");
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(PreviewTest, TypedCommaIsReplacedAndAttemptRestarts)
{
    screen();
    box("txtPass")->setText("3");
    box("txtSkierName")->clear();
    QTest::keyClicks(box("txtSkierName"), "Smith,J");
    EXPECT_EQ(box("txtSkierName")->text(), "Smith J");
    EXPECT_EQ(box("txtPass")->text(), "1");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Sorry, you cannot use the \",\" character in this box");
    EXPECT_EQ(dialogs.shown[0].title, "Input Error");
    EXPECT_EQ(station.captureSkierName(), "Smith J");
    // A name given from outside goes through the same rule: never a path out of the folder.
    station.setCaptureSkierName("../x");
    EXPECT_EQ(box("txtSkierName")->text(), ".. x");
    EXPECT_EQ(dialogs.shown.last().text, capture::kUnsafeNameMessage);
}

TEST_F(PreviewTest, FirstPaintRaisesTheAttemptToThree)
{
    touch(video("Smithjump1.avi"));
    touch(video("Smithjump2.avi"));
    build();
    station.setCaptureSkierName("Smith");
    screen();
    EXPECT_EQ(box("txtSkierName")->text(), "Smith");
    EXPECT_EQ(box("txtPass")->text(), "3");
    EXPECT_EQ(station.captureAttemptNumber(), "3");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate File Warning");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_EQ(station.navigationMode(), "");
}

TEST_F(PreviewTest, FirstPaintRaisesTheAttemptToFourOnceOnly)
{
    for (const char* f : {"Smithjump1.avi", "Smithjump2.avi", "Smithjump3.avi"})
        touch(video(f));
    build();
    station.setCaptureSkierName("Smith");
    auto& s = screen("Timer");
    EXPECT_EQ(box("txtPass")->text(), "4");
    ASSERT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate File Warning");
    EXPECT_EQ(dialogs.shown[1].text,
              "Warning, the jump number is greater than 3.  You may need to change the skier name");
    EXPECT_EQ(dialogs.shown[1].title, "Possible Name Change Warning");
    // Later visits do not check again.
    s.hide();
    box("txtPass")->setText("1");
    screen();
    EXPECT_EQ(box("txtPass")->text(), "1");
    EXPECT_EQ(dialogs.messages().size(), 2);
}

TEST_F(PreviewTest, FirstPaintFromElsewhereDoesNotCheck)
{
    touch(video("Smithjump1.avi"));
    build();
    station.setCaptureSkierName("Smith");
    screen("Capture");
    EXPECT_EQ(box("txtPass")->text(), "1");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(station.navigationMode(), "Capture");
}
