// The video log, contact picture log and results viewers with real widgets, offscreen.
#include "AccessibleName.h"
#include "ViewerFixture.h"
#include "app/LogViewerLines.h"
#include "app/ui/ExtentList.h"
#include "app/ui/LogViewer.h"
#include "app/ui/PictureLogViewer.h"
#include "app/ui/ResultsViewer.h"
#include "grid/SetupScreenRules.h"

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <sys/stat.h>

using namespace zelvan;
using namespace zelvan::test;
using app::Station;
using app::ui::LogViewer;
using app::ui::PictureLogViewer;
using app::ui::ResultsViewer;

namespace
{

const QString kStart = "07-04-2026    09:30:00      Zelvan Measurement Session started  ";
const QString kPictureLine = "07-04-2026    09:41:10      Skier: Ann    Jump: 1       "
                             "Distance: 41.5File: /v/caps/Ann1.bmp";
const QString kVideoLine = "07-04-2026    09:42:00      Skier: Ann    Jump: 1       "
                           "Contact Frame: 40            File: /v/Ann jump1.avi";
const QString kVideoNoFile = "07-04-2026    09:43:00      note about Bo jump2.avi";
const QString kUpperVideo = "07-04-2026    09:44:00      File: /v/CAPS.AVI";

class LogViewers : public ViewerFixture
{
protected:
    LogViewers()
    {
        EXPECT_TRUE(station.setVideoDirectory(path("videos")));
        station.fixSessionLogFileName();
        todayLog = path("videos/" + station.sessionLogFileName());
    }
    void writeToday(const QStringList& lines)
    {
        write("videos/" + station.sessionLogFileName(), (lines.join("\r\n") + "\r\n").toUtf8());
    }
    template <class W = QPushButton> static W* control(QWidget& window, const char* name)
    {
        W* w = window.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void doubleClick(app::ui::ExtentList* list, int row)
    {
        // A real double click: press and release, then the second press as a double click.
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    QString todayLog;
};

} // namespace

TEST_F(LogViewers, VideoLogListsExactlyTheLowerCaseAviLinesInFileOrder)
{
    writeToday({kStart, kVideoLine, kPictureLine, kUpperVideo, kVideoNoFile, ""});
    LogViewer viewer{station, dialogs};
    viewer.open();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.logFileText(), todayLog);
    EXPECT_EQ(viewer.entries(), QStringList({kVideoLine, kVideoNoFile}));

    PictureLogViewer pictures{station, dialogs};
    pictures.open();
    EXPECT_EQ(pictures.logFileText(), todayLog);
    EXPECT_EQ(pictures.entries(), QStringList({kPictureLine}));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(LogViewers, MissingTodaysLogOpensEmptyWithoutAMessage)
{
    LogViewer viewer{station, dialogs};
    viewer.open();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(viewer.entries().isEmpty());
    EXPECT_TRUE(viewer.logFileText().isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(LogViewers, SelectingTakesTheTextAfterFileOrEmptiesTheBox)
{
    writeToday({kVideoLine, kVideoNoFile});
    LogViewer viewer{station, dialogs};
    viewer.open();
    auto* box = control<QLineEdit>(viewer, "txtFileToView");
    auto* list = control<app::ui::ExtentList>(viewer, "lstLog");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(box->text(), "/v/Ann jump1.avi");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(box->text(), "");
    // A double click on a line without "File:" only empties the box.
    box->setText("typed");
    doubleClick(list, 1);
    EXPECT_EQ(box->text(), "");
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(requested().isEmpty());
    EXPECT_EQ(station.navigationMode(), "");
}

TEST_F(LogViewers, DoubleClickOnAVideoOpensItOnTheFrameSelectionScreen)
{
    writeToday({kVideoNoFile, kVideoLine});
    LogViewer viewer{station, dialogs};
    viewer.open();
    doubleClick(control<app::ui::ExtentList>(viewer, "lstLog"), 1);
    EXPECT_EQ(station.navigationMode(), "View");
    EXPECT_EQ(station.videoFileToView(), "/v/Ann jump1.avi");
    EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::FrameSelection});
    EXPECT_FALSE(viewer.isVisible());
}

TEST_F(LogViewers, ViewButtonNeedsASelectedVideoAndTheKeyboardReachesIt)
{
    writeToday({kVideoLine});
    LogViewer viewer{station, dialogs};
    viewer.open();
    control(viewer, "cmdView")->click();
    EXPECT_TRUE(requested().isEmpty());
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(station.videoFileToView(), "");

    // Keyboard alone: into the list, first entry, Enter.
    auto* list = control<app::ui::ExtentList>(viewer, "lstLog");
    QApplication::setActiveWindow(&viewer);
    list->setFocus();
    list->setCurrentRow(-1);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(viewer.selectedPath(), "/v/Ann jump1.avi");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(station.videoFileToView(), "/v/Ann jump1.avi");
    EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::FrameSelection});
}

TEST_F(LogViewers, ChoosingAnotherLogUsesTheFilterAndKeepsTheListWhenTheFileIsMissing)
{
    writeToday({kVideoLine});
    write("videos/JumpMeasurementLog070326.txt", ("x File: /old/a.avi\r\n" + kUpperVideo).toUtf8());
    LogViewer viewer{station, dialogs};
    viewer.open();

    dialogs.fileAnswers << path("videos/JumpMeasurementLog070326.txt");
    control(viewer, "cmdSelectLogFile")->click();
    ASSERT_EQ(dialogs.fileAsks.size(), 1);
    EXPECT_EQ(dialogs.fileAsks[0].folder, station.videoDirectory());
    EXPECT_EQ(dialogs.fileAsks[0].filter, "*.txt|JumpMeasurementLog*.txt");
    EXPECT_EQ(viewer.logFileText(), path("videos/JumpMeasurementLog070326.txt"));
    EXPECT_EQ(viewer.entries(), QStringList{"x File: /old/a.avi"});

    dialogs.fileAnswers << path("videos/gone.txt");
    control(viewer, "cmdSelectLogFile")->click();
    EXPECT_EQ(viewer.logFileText(), path("videos/gone.txt"));
    EXPECT_EQ(viewer.entries(), QStringList{"x File: /old/a.avi"});

    // Cancel leaves the log shown as it was.
    control(viewer, "cmdSelectLogFile")->click();
    EXPECT_EQ(viewer.logFileText(), path("videos/gone.txt"));
    EXPECT_EQ(dialogs.fileAsks.size(), 3);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(LogViewers, ALogThatCannotBeReadIsToldAndListsNothing)
{
    writeToday({kVideoLine});
    LogViewer viewer{station, dialogs};
    viewer.open();
    const QString fifo = path("videos/JumpMeasurementLogfifo.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    dialogs.fileAnswers << fifo;
    control(viewer, "cmdSelectLogFile")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("The log file cannot be read."));
    EXPECT_TRUE(dialogs.messages()[0].contains(fifo));
    EXPECT_TRUE(viewer.entries().isEmpty());
}

TEST_F(LogViewers, ScrollExtentIsTheWidestEntryAndASpaceInTheWindowFont)
{
    const QString longLine = kVideoLine + QString(200, 'x') + ".avi";
    writeToday({kVideoLine, longLine, kVideoNoFile});
    LogViewer viewer{station, dialogs};
    viewer.resize(500, 300);
    viewer.open();
    auto* list = control<app::ui::ExtentList>(viewer, "lstLog");
    const int expected = QFontMetrics(viewer.font()).horizontalAdvance(longLine + " ");
    EXPECT_EQ(list->horizontalExtent(), expected);
    QApplication::processEvents();
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), expected - list->viewport()->width());
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);

    // The widest of equally long entries is the first; an empty list measures one space.
    EXPECT_EQ(app::widestLogEntry({"ab.avi", "cd.avi", "e.avi"}), "ab.avi");
    const QFontMetrics metrics(viewer.font());
    EXPECT_EQ(app::logListScrollExtent({}, metrics), metrics.horizontalAdvance(" "));
}

TEST_F(LogViewers, PictureLogOpensThePictureOnTheMeasurementScreen)
{
    QImage picture(640, 480, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(path("Ann1.bmp")));
    const QString line = "07-04-2026    09:41:10      Skier: Ann    File: " + path("Ann1.bmp");
    writeToday({kStart, line, "no file here.bmp"});
    PictureLogViewer viewer{station, dialogs};
    viewer.open();
    ASSERT_EQ(viewer.entries(), QStringList({line, "no file here.bmp"}));
    doubleClick(control<app::ui::ExtentList>(viewer, "lstPicLog"), 0);

    const QSizeF twips = grid::pictureSizeTwips(QSize(640, 480));
    EXPECT_DOUBLE_EQ(station.pictureWidthTwips(), twips.width());
    EXPECT_DOUBLE_EQ(station.pictureHeightTwips(), twips.height());
    EXPECT_NEAR(station.pictureWidthTwips(), 640 * 15, 640 * 15 * 0.01);
    EXPECT_EQ(station.pictureToView(), path("Ann1.bmp"));
    EXPECT_EQ(station.navigationMode(), "PictureLog");
    EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::Measure});
    EXPECT_FALSE(viewer.isVisible());
}

TEST_F(LogViewers, PictureLogWithoutAPictureStillGoesOnAndAMissingPictureStays)
{
    writeToday({"no file here.bmp", "x File: " + path("gone.bmp")});
    PictureLogViewer viewer{station, dialogs};
    viewer.open();
    auto* list = control<app::ui::ExtentList>(viewer, "lstPicLog");
    // A line without "File:": the measurement screen opens with its picture unchanged.
    doubleClick(list, 0);
    EXPECT_EQ(viewer.selectedPath(), "");
    EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::Measure});
    EXPECT_EQ(station.navigationMode(), "");
    EXPECT_EQ(station.pictureToView(), "");

    // A picture that is not there is told; nothing changes and the viewer stays.
    viewer.open();
    viewer.selectEntry(1);
    control(viewer, "cmdViewPicLog")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains(path("gone.bmp")));
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(requested().size(), 1);
    EXPECT_EQ(station.pictureWidthTwips(), 12000);
    EXPECT_EQ(station.pictureToView(), "");
}

TEST_F(LogViewers, ResultsViewerShowsTheWholeFileUnderItsPathAndExitEmptiesIt)
{
    const QByteArray results = "New Configuration: 07-04-2026\r\nAnn   41.5  ü\r\n";
    write("results.txt", results);
    station.setResultsFilePath("  " + path("results.txt"));
    ResultsViewer viewer{station, dialogs};
    viewer.open();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.windowTitle(), path("results.txt"));
    EXPECT_EQ(viewer.text(), QString::fromUtf8(results).replace("\r\n", "\n"));
    EXPECT_TRUE(dialogs.shown.isEmpty());

    QAction* exit = viewer.findChild<QAction*>("Exit_results");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "E&xit");
    exit->trigger();
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(viewer.text(), "");
}

TEST_F(LogViewers, MissingResultsFileIsToldAndTheViewerShowsNothing)
{
    station.setResultsFilePath(path("none.txt"));
    ResultsViewer viewer{station, dialogs};
    viewer.open();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("The results file cannot be read."));
    EXPECT_TRUE(dialogs.messages()[0].contains(path("none.txt")));
    EXPECT_EQ(viewer.text(), "");
    EXPECT_EQ(viewer.windowTitle(), path("none.txt"));
}

TEST_F(LogViewers, EveryControlCarriesItsNameCaptionAndDescription)
{
    LogViewer video{station, dialogs};
    PictureLogViewer pictures{station, dialogs};
    ResultsViewer results{station, dialogs};
    EXPECT_EQ(video.windowTitle(), "Log Viewer");
    EXPECT_EQ(pictures.windowTitle(), "Contact Picture Log");
    const QList<std::pair<QWidget*, QStringList>> named = {
        {&video,
         {"txtLogFile", "lstLog", "Label1", "Label2", "txtFileToView", "cmdView",
          "cmdSelectLogFile", "cmdDismiss"}},
        {&pictures,
         {"txtPicLogToView", "lstPicLog", "txtPictureToView", "cmdViewPicLog", "cmdSelPicLog"}},
        {&results, {"output_box"}}};
    for (const auto& [window, names] : named)
        for (const QString& name : names) {
            QWidget* w = window->findChild<QWidget*>(name);
            ASSERT_NE(w, nullptr) << name;
            EXPECT_EQ(w->accessibleDescription(), name);
            EXPECT_FALSE(zelvan::test::accessibleNameOf(w).isEmpty()) << name;
        }
    const QList<std::pair<const char*, QString>> captions = {
        {"Label1", "Log File to View"},
        {"Label2", "Click to Select and use View Selected File button to View or Double "
                   "Click to view"},
        {"cmdView", "View Selected File"},
        {"cmdSelectLogFile", "Select Different Log File"},
        {"cmdDismiss", "Exit Log Viewer"}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(video.findChild<QWidget*>(name)->property("text").toString(), caption) << name;
    EXPECT_EQ(pictures.findChild<QPushButton*>("cmdViewPicLog")->text(), "View Picture");
    EXPECT_EQ(pictures.findChild<QPushButton*>("cmdSelPicLog")->text(), "Select a Log File");
    // The log path box is read through its label.
    EXPECT_EQ(video.findChild<QWidget*>("txtLogFile")->accessibleName(), "Log File to View");
    control(video, "cmdDismiss")->click();
    EXPECT_FALSE(video.isVisible());
}

TEST_F(LogViewers, Screenshots)
{
    QStringList lines = {kStart};
    for (int i = 1; i <= 9; ++i) {
        lines << QString("07-04-2026    10:%1:00      Skier: Skier %2  Jump: 1       "
                         "Contact Frame: 4%2           File: %3/Skier %2jump1.avi")
                     .arg(10 + i)
                     .arg(i)
                     .arg(station.videoDirectory());
        lines << QString("07-04-2026    10:%1:30      Skier: Skier %2  Jump: 1       "
                         "Distance: 4%2.5File: %3/Skier %2jump1.bmp")
                     .arg(10 + i)
                     .arg(i)
                     .arg(station.videoDirectory());
    }
    writeToday(lines);
    QStringList resultLines = {"New Configuration: 07-04-2026 09:31:02"};
    for (int i = 1; i <= 9; ++i)
        resultLines << QString("07-04-2026 10:%1:40 Skier %2  jump 1 - 4%2.3m  (IWSF)14%2ft  (AWSA)"
                               " (1%2.125/4%2.250) (%3/%4) (4%2.3127)")
                           .arg(10 + i)
                           .arg(i)
                           .arg(5000 + 10 * i)
                           .arg(3000 + 10 * i);
    resultLines << "07-04-2026 10:21:00 Optional Reride on previous jump";
    write("results.txt", resultLines.join("\r\n").toUtf8());
    station.setResultsFilePath(path("results.txt"));
    LogViewer video{station, dialogs};
    PictureLogViewer pictures{station, dialogs};
    ResultsViewer results{station, dialogs};
    video.open();
    video.selectEntry(2);
    pictures.open();
    pictures.selectEntry(0);
    results.open();
    for (QWidget* w : {static_cast<QWidget*>(&video), static_cast<QWidget*>(&pictures),
                       static_cast<QWidget*>(&results)}) {
        screenshot(*w, w->objectName() + "_1366x768");
        w->resize(w->size() * 1.35);
        screenshot(*w, w->objectName() + "_1920x1080");
    }
    EXPECT_EQ(video.entries().size(), 9);
    EXPECT_EQ(pictures.entries().size(), 9);
}
