// Recording from the capture screen on the "Test Pattern" device: Start and its collision rule,
// Contact, ESC, the countdown, the Stop sequence, Capture Frame and the ways out.
#include "PreviewFixture.h"

#include "capture/JumpVideoNames.h"
#include "widgets/Navigator.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>

using namespace zelvan;
using zelvan::test::PreviewTest;
using Screen = app::Station::Screen;

namespace
{

class PreviewRecordingTest : public PreviewTest
{
protected:
    // Start, a short recording, then ESC on the focused control.
    void recordBriefly(int ms = 400)
    {
        button("cmdStartCapture")->click();
        ASSERT_TRUE(control.capturing()) << dialogs.messages().join(" | ").toStdString();
        QTest::qWait(ms);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : preview.get(),
                        Qt::Key_Escape);
    }
    void expectButtons(bool recording)
    {
        EXPECT_EQ(button("cmdStartCapture")->isEnabled(), !recording);
        EXPECT_EQ(button("cmdStartTimer")->isEnabled(), recording);
        EXPECT_EQ(button("cmdEndCapture")->isEnabled(), recording);
        EXPECT_EQ(button("btnCaptureFrame")->isEnabled(), !recording);
        EXPECT_EQ(button("cmdGoToTimer")->isEnabled(), !recording);
        EXPECT_EQ(button("cmdGoSetup")->isEnabled(), !recording);
    }
};

} // namespace

TEST_F(PreviewRecordingTest, CollisionAtStartAppendsXAndRecordsTheNewName)
{
    connectTestPattern();
    touch(video("Smithjump1.avi"));
    build();
    station.setCaptureSkierName("Smith");
    screen("");
    QSignalSpy requests(&station, &app::Station::screenRequested);
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing());
    expectButtons(true);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(box("txtSkierName")->text(), "SmithX");
    EXPECT_EQ(box("txtPass")->text(), "1");
    EXPECT_FALSE(label("Label4")->isHidden());
    EXPECT_EQ(label("Label4")->text(),
              "WARNING! Skier Name has been changed to SmithX to prevent duplicate files");
    EXPECT_EQ(preview->captureFilePath(), video("SmithXjump1.avi"));
    EXPECT_EQ(control.captureFileName(), video("SmithXjump1.avi"));
    EXPECT_EQ(station.measureSkierName(), "SmithX");
    EXPECT_EQ(station.measureJumpNumber(), "1");
    EXPECT_EQ(label("lblStartFrame")->text(), " ");
    QTest::qWait(300);
    preview->escape();
    EXPECT_FALSE(control.capturing());
    expectButtons(false);
    EXPECT_GT(QFileInfo(video("SmithXjump1.avi")).size(), 0);
    EXPECT_EQ(QFileInfo(video("Smithjump1.avi")).size(), 0); // the earlier pass is untouched
    // After Stop the attempt is one higher than the recorded file's.
    EXPECT_EQ(box("txtPass")->text(), "2");
    EXPECT_EQ(station.captureAttemptNumber(), "2");
    EXPECT_EQ(station.captureSkierName(), "SmithX");
    EXPECT_TRUE(station.captureNameWarning());
    EXPECT_EQ(station.capturedVideoFile(), video("SmithXjump1.avi"));
    // Recorded is not measured: no video policy may act on the pass before a frame is taken.
    EXPECT_TRUE(station.selectedVideoFile().isEmpty());
    EXPECT_EQ(station.navigationMode(), "Capture");
    EXPECT_FALSE(station.previewOn());
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].value<Screen>(), Screen::FrameSelection);
    EXPECT_GE(counted, 1);
    for (const char* line : {"Start Capture", "ESC pressed", "Capture Complete"})
        EXPECT_EQ(logged(line), 1) << line;
    EXPECT_EQ(logged("Capture File: " + video("SmithXjump1.avi")), 1);
}

// The frame selection screen's name fix moves the pass and clears the warning: the capture
// screen hides Label4, forgets its flag and knows the pass under its new name, so an idle ESC
// neither runs the fix again nor names the file that was moved away.
TEST_F(PreviewRecordingTest, TheNameFixFinishesItsJob)
{
    connectTestPattern();
    touch(video("Smithjump1.avi"));
    build();
    station.setCaptureSkierName("Smith");
    screen("");
    recordBriefly(200);
    ASSERT_TRUE(station.captureNameWarning());
    ASSERT_TRUE(QFile::rename(video("SmithXjump1.avi"), video("Jonesjump1.avi")));
    station.setCaptureNameWarning(false);
    station.setCapturedVideoFile(video("Jonesjump1.avi"));
    station.setCaptureSkierName("Jones");
    station.setCaptureAttemptNumber("2");
    EXPECT_TRUE(label("Label4")->isHidden());
    EXPECT_FALSE(preview->collision());
    preview->escape();
    EXPECT_FALSE(station.captureNameWarning());
    EXPECT_EQ(station.capturedVideoFile(), video("Jonesjump1.avi"));
    EXPECT_EQ(box("txtPass")->text(), "3");
}

TEST_F(PreviewRecordingTest, SecondCollisionGivesSmithXX)
{
    connectTestPattern();
    touch(video("Smithjump1.avi"));
    touch(video("SmithXjump1.avi"));
    build();
    station.setCaptureSkierName("Smith");
    screen("");
    recordBriefly(200);
    EXPECT_EQ(station.captureSkierName(), "SmithXX");
    EXPECT_EQ(station.capturedVideoFile(), video("SmithXXjump1.avi"));
    EXPECT_GT(QFileInfo(video("SmithXXjump1.avi")).size(), 0);
    EXPECT_EQ(logged("ESC pressed"), 1);
}

TEST_F(PreviewRecordingTest, EscWithoutContactOpensOnTheMiddleFrame)
{
    // Nothing kept before Start: the hint is the middle of the recording time alone (the kept
    // frames it adds are the trigger tests' business).
    ASSERT_TRUE(station.settings().write("preTriggerSeconds", "0"));
    connectTestPattern();
    for (const char* r : {"30", "25"}) {
        rate = r;
        build();
        station.setCaptureSkierName(QStringLiteral("Rate") + r);
        screen("");
        recordBriefly(200);
        EXPECT_EQ(station.contactFrameHint(), rate == "30" ? 75 : 62) << r;
        EXPECT_FALSE(station.captureNameWarning());
    }
}

TEST_F(PreviewRecordingTest, ContactMarksTheFramesRecorded)
{
    connectTestPattern();
    build();
    station.setCaptureSkierName("Jones");
    screen("");
    preview->findChild<QAction*>("mnuStart")->trigger();
    ASSERT_TRUE(control.capturing());
    EXPECT_EQ(preview->focusWidget(), button("cmdStartTimer"));
    preview->findChild<QAction*>("mnuStart")->trigger(); // ignored while recording
    EXPECT_EQ(dialogs.shown.size(), 0);
    QTest::qWait(400);
    button("cmdStartTimer")->click();
    const QString marked = label("lblStartFrame")->text();
    EXPECT_GT(marked.toInt(), 0);
    EXPECT_EQ(station.contactFrameHint(), marked.toInt());
    preview->escape();
    EXPECT_EQ(station.contactFrameHint(), marked.toInt()); // Contact wins over the default
}

TEST_F(PreviewRecordingTest, CountdownStopsAtZero)
{
    connectTestPattern();
    ASSERT_TRUE(station.settings().write("captureTime", "3.0"));
    ASSERT_TRUE(station.settings().write("preTriggerSeconds", "0")); // the hint: the middle alone
    build();
    station.setCaptureSkierName("Jones");
    screen("");
    QSignalSpy requests(&station, &app::Station::screenRequested);
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing());
    EXPECT_EQ(label("captime")->text(), "3");
    const auto* timer = preview->findChild<QTimer*>("Timer40");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    QTest::qWait(300);
    preview->countdownTick();
    EXPECT_EQ(label("captime")->text(), "2");
    EXPECT_TRUE(control.capturing());
    preview->countdownTick();
    preview->countdownTick();
    EXPECT_FALSE(control.capturing());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(label("captime")->text(), "3");
    EXPECT_EQ(station.contactFrameHint(), 45); // 30 fps x 3 s / 2
    EXPECT_GT(label("LblFrame")->text().toInt(), 0);
    expectButtons(false);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(box("txtPass")->text(), "2");
    EXPECT_TRUE(QFileInfo::exists(video("Jonesjump1.avi")));
}

TEST_F(PreviewRecordingTest, EscWhileNotRecordingRunsTheStopSequence)
{
    screen();
    QSignalSpy requests(&station, &app::Station::screenRequested);
    box("txtSkierName")->setFocus();
    QTest::keyClick(box("txtSkierName"), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
    EXPECT_EQ(box("txtPass")->text(), "2");
    EXPECT_EQ(station.capturedVideoFile(), "");
    EXPECT_EQ(station.contactFrameHint(), 0); // no Start: lblStartFrame still "0"
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].value<Screen>(), Screen::FrameSelection);
    EXPECT_EQ(station.navigationMode(), "Capture");
}

TEST_F(PreviewRecordingTest, StartFailuresAreToldAndNothingIsRecorded)
{
    // Not connected: the control's error, in hexadecimal.
    screen("");
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Eror code: 1002 "))
        << dialogs.shown[0].text.toStdString();
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    expectButtons(false);
    // The panel refuses its values: it has told, the screen adds nothing.
    connectTestPattern();
    applyResult = fail("bad rate");
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    EXPECT_EQ(dialogs.shown.size(), 1);
    // The save-video folder is gone.
    applyResult = {};
    ASSERT_TRUE(QDir(videos()).removeRecursively());
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].title, "Path Error");
    expectButtons(false);
}

TEST_F(PreviewRecordingTest, CaptureFrameRefusedWhileGridsAreNotReady)
{
    connectTestPattern();
    control.setPreview(true);
    screen();
    QTRY_VERIFY_WITH_TIMEOUT(!preview->livePicture().frame().isNull(), 3000);
    QSignalSpy requests(&station, &app::Station::screenRequested);
    button("btnCaptureFrame")->click();
    const QString still = dir.filePath("station/currentcapture.bmp");
    EXPECT_FALSE(QImage(still).isNull());
    EXPECT_EQ(station.navigationMode(), "SelectFrame");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "One or more grids are not configured.  You may not use the "
                                     "Measure Screen until all listed grids are configured");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].value<Screen>(), Screen::GridSetup);

    station.setAllGridsReady(1);
    station.setCaptureSkierName("Doe Jane");
    box("txtPass")->setText("2");
    ASSERT_TRUE(QFile::remove(still));
    // A pass measured earlier is no longer the one on the measurement screen: the still is of
    // no video, so no video policy may act on that pass for it.
    station.setCapturePicturePass({video("Annjump1.avi"), 20, "Ann", "1"});
    button("btnCaptureFrame")->click();
    const app::Station::PicturePass still2{QString(), 0, "Doe Jane", "2"};
    EXPECT_EQ(station.capturePicturePass(), still2);
    EXPECT_TRUE(station.selectedVideoFile().isEmpty());
    EXPECT_FALSE(QImage(still).isNull());
    EXPECT_EQ(dialogs.shown.size(), 1);
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1][0].value<Screen>(), Screen::Measure);
    EXPECT_EQ(station.measureSkierName(), "Doe Jane");
    EXPECT_EQ(station.measureJumpNumber(), "2");
}

TEST_F(PreviewRecordingTest, CaptureFrameWithoutAPictureStays)
{
    screen();
    QSignalSpy requests(&station, &app::Station::screenRequested);
    button("btnCaptureFrame")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Eror code: "));
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("station/currentcapture.bmp")));
}

TEST_F(PreviewRecordingTest, WaysOutAndControlWarnings)
{
    screen();
    station.showScreen(Screen::Capture);
    QSignalSpy requests(&station, &app::Station::screenRequested);
    button("cmdGoSetup")->click();
    EXPECT_EQ(station.navigationMode(), "Capture");
    EXPECT_FALSE(station.previewOn());
    station.setPreviewOn(true);
    button("cmdGoToTimer")->click();
    EXPECT_EQ(station.navigationMode(), "CaptureGoToTimer");
    EXPECT_FALSE(station.previewOn());
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0][0].value<Screen>(), Screen::Main);
    EXPECT_EQ(requests[1][0].value<Screen>(), Screen::FrameSelection);
    emit control.warning("Frames are being dropped");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Warning: Frames are being dropped");
}

TEST_F(PreviewRecordingTest, WarningsDuringAPassWaitOnTheStatusLineUntilItIsOver)
{
    connectTestPattern();
    screen("");
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing());
    emit control.warning("Frames are being dropped");
    emit control.warning("Frames are being dropped");
    EXPECT_TRUE(dialogs.shown.isEmpty()) << "nothing modal in front of a pass";
    EXPECT_EQ(label("lblWarning")->text(), "Warning: Frames are being dropped");
    QTest::qWait(200);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // Contact has the focus
    EXPECT_NE(label("lblStartFrame")->text(), " ");
    preview->escape();
    EXPECT_FALSE(control.capturing());
    EXPECT_EQ(dialogs.texts(), QStringList{"Warning: Frames are being dropped"});
}

TEST_F(PreviewRecordingTest, SelectNameFromWstimsOrTheSkierList)
{
    screen();
    // WSTIMS on: the name file's first field, also for the measurement screen.
    station.setWstims(true);
    button("cmdSelect")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Error while reading WSTIMS name file: "));
    EXPECT_EQ(box("txtSkierName")->text(), "Skier Name");
    writeFile(dir.filePath("zqio/zqskier.nam"), "\"Smith, Ann\",USA,W2\r\n");
    button("cmdSelect")->click();
    EXPECT_EQ(box("txtSkierName")->text(), "Smith  Ann");
    EXPECT_EQ(station.measureSkierName(), "Smith  Ann");
    EXPECT_EQ(dialogs.shown.last().text, capture::kCommaMessage);
    // WSTIMS off: the skier list, or the message without it.
    station.setWstims(false);
    dialogs.clear();
    button("cmdSelect")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              "No file of skier names called SkierNames.txt exists in the application directory");
    writeFile(dir.filePath("station/SkierNames.txt"), "Doe,John\r\nRoe,Rita\r\n");
    QTest::mouseDClick(box("txtSkierName"), Qt::LeftButton);
    ASSERT_NE(preview->skierPicker(), nullptr);
    EXPECT_TRUE(preview->skierPicker()->isVisible());
    ASSERT_TRUE(preview->skierPicker()->choose(1));
    EXPECT_EQ(box("txtSkierName")->text(), "Roe Rita");
    EXPECT_EQ(box("txtPass")->text(), "1");
    // The picker hands the focus to Start Recording, not back to the box that opened it.
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), button("cmdStartCapture"));
}

TEST_F(PreviewRecordingTest, ResultsMenuShowsTheResultsFile)
{
    writeFile(dir.filePath("results.txt"), "Jump 1  Smith  42.0\r\n");
    station.setResultsFilePath("  " + dir.filePath("results.txt"));
    screen();
    preview->findChild<QAction*>("mnuResults")->trigger();
    ASSERT_NE(preview->resultsViewer(), nullptr);
    EXPECT_TRUE(preview->resultsViewer()->isVisible());
    EXPECT_TRUE(preview->resultsViewer()->text().contains("Smith  42.0"));
}

TEST_F(PreviewRecordingTest, LivePictureAndScreenshots)
{
    connectTestPattern();
    control.setPreview(true);
    screen();
    QTRY_VERIFY_WITH_TIMEOUT(preview->livePicture().framesReceived() > 3, 3000);
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        preview->resize(size);
        QTest::qWait(100);
        EXPECT_TRUE(preview->grab().save(
            QDir(folder).filePath(QStringLiteral("PreviewForm-%1.png").arg(size.width()))));
    }
}

TEST_F(PreviewRecordingTest, AfterCaptureFrameTheCaptureScreenStaysShownBeneathTheMeasurement)
{
    connectTestPattern();
    control.setPreview(true);
    build();
    QWidget main, measure, frameSelection, gridSetup;
    widgets::Navigator navigator(station);
    navigator.registerScreen(Screen::Main, &main);
    navigator.registerScreen(Screen::Capture, preview.get());
    navigator.registerScreen(Screen::Measure, &measure);
    navigator.registerScreen(Screen::FrameSelection, &frameSelection);
    navigator.registerScreen(Screen::GridSetup, &gridSetup);
    station.showScreen(Screen::Capture);
    screen();
    QTRY_VERIFY_WITH_TIMEOUT(!preview->livePicture().frame().isNull(), 3000);
    station.setAllGridsReady(1);
    button("btnCaptureFrame")->click();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.messages().join(" | ").toStdString();
    EXPECT_TRUE(measure.isVisible());
    EXPECT_TRUE(preview->isVisible()) << "the live picture stays shown underneath";
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(frameSelection.isVisible());
    EXPECT_EQ(station.currentScreen(), Screen::Measure);

    // Capture Next Jump: the capture screen alone, activated again with Start ready.
    const int activated = logged("Capture Video Form Activated");
    station.showScreen(Screen::Capture);
    station.setPreviewOn(true);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_FALSE(measure.isVisible());
    QTRY_COMPARE(logged("Capture Video Form Activated"), activated + 1);
    // From the measurement screen to the main screen: one screen is shown, not two.
    button("btnCaptureFrame")->click();
    ASSERT_TRUE(measure.isVisible());
    station.showScreen(Screen::Main);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(measure.isVisible());
    EXPECT_FALSE(preview->isVisible());

    // Grids not ready: the grid setup screen alone, as before.
    station.showScreen(Screen::Capture);
    station.setAllGridsReady(0);
    button("btnCaptureFrame")->click();
    EXPECT_TRUE(gridSetup.isVisible());
    EXPECT_FALSE(preview->isVisible());
}
