// The measurement screen's pictures with real widgets, offscreen, answered by scripted dialogs:
// Save Picture, the picture and video policies on each way of leaving, the pictures from a
// file, the clipboard, the snapshot and the flag file, Clear, the picture log and the menu.
#include "AccessibleName.h"
#include "measure/LeavingRules.h"
#include "measure/ui/MeasureScreen.h"

#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "TestFiles.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "grid/SetupScreenRules.h"
#include "grid/Transform.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::app::Station;
using zelvan::measure::ui::MeasureScreen;

using zelvan::test::bytesOf;
using zelvan::test::put;

namespace
{

QImage filled(int w, int h, QColor colour)
{
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

grid::GridSetup linearGrid()
{
    grid::GridSetup g;
    g.c = {0, 0, 0.01, 0, 0, 0, 0, 0, 0.01};
    const double at[5][2] = {{0, 0}, {7500, 1500}, {7500, 6000}, {1500, 1500}, {1500, 6000}};
    for (int k = 1; k <= 4; ++k)
        g.buoy[k] = {at[k][0], at[k][1], at[k][0] / 100, at[k][1] / 100};
    g.gridNumber = 1;
    return g;
}

// Fields in 14-column print zones, as the session log lays them out.
QByteArray zoned(const QStringList& fields)
{
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        line += fields[i];
        if (i + 1 < fields.size())
            line += QString((14 - line.size() % 14) % 14, ' ');
    }
    return (line + "\r\n").toUtf8();
}

class MeasurePicturesTest : public ::testing::Test, protected test::StationFolder
{
protected:
    MeasurePicturesTest() : StationFolder(QTime(14, 3, 22))
    {
        for (const char* sub : {"zqio", "videos", "captures"})
            QDir(dir.path()).mkdir(sub);
        station.setResultsFilePath(dir.filePath("results.txt"));
        (void)station.setVideoDirectory(videos());
        station.fixSessionLogFileName();
        station.setCapturesPath(dir.filePath("captures"));
        station.setPictureFormat(".bmp", "BMP");
        station.setCaptureSkierName("SMITH");
        station.setCaptureAttemptNumber("4");
        station.changeGrids([](grid::GridStore& store, grid::WorkingSet& ws, grid::GridFlags&) {
            store.setup[1] = linearGrid();
            store.gridDescription2[1] = "North camera";
            grid::loadIntoWorkingSet(store.setup[1], 1, ws);
        });
        station.setMeasureSkierName("SMITH");
        station.setMeasureJumpNumber("3");
        EXPECT_TRUE(filled(320, 240, QColor(40, 90, 140)).save(capture(), "BMP"));
        station.setNavigationMode("SelectFrame");
        screen.resize(1366, 768);
        screen.show();
        QApplication::processEvents();
    }

    template <class W = QLineEdit> W* control(const char* name)
    {
        W* w = screen.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void trigger(const char* menuItem) { control<QAction>(menuItem)->trigger(); }
    QString capture() const { return dir.filePath("currentcapture.bmp"); }
    QString videos() const { return QDir::toNativeSeparators(dir.filePath("videos")); }
    QString inVideos(const QString& name) const { return videos() + QDir::separator() + name; }
    QString sessionLog() const { return inVideos("JumpMeasurementLog070426.txt"); }
    QByteArray results() const { return bytesOf(dir.filePath("results.txt")); }
    bool debugLogged(const QString& line)
    {
        return station.debugLog().lines().filter(line).size() > 0;
    }
    QString video() const { return inVideos("SMITHjump3.avi"); }
    void takeVideo(const QString& path, double frame)
    {
        put(path, "RIFF video");
        station.setSelectedVideoFile(path);
        station.setSelectedFrame(frame);
    }
    void screenshot(const QString& name, QSize size)
    {
        const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        screen.resize(size);
        QApplication::processEvents();
        ASSERT_TRUE(screen.grab().save(QDir(folder).filePath(name + ".png")));
    }

    ScriptedDialogs dialogs;
    QSignalSpy requested{&station, &Station::screenRequested};
    MeasureScreen screen{station, dialogs};
};

Station::Screen lastRequested(const QSignalSpy& spy)
{
    return spy.isEmpty() ? Station::Screen::Manual : spy.last().at(0).value<Station::Screen>();
}

} // namespace

TEST_F(MeasurePicturesTest, ActivationAfterFrameSelectionShowsTheCapturePicture)
{
    const QImage shown = screen.canvas().picture();
    EXPECT_EQ(shown.size(), QSize(320, 240));
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(40, 90, 140));
    const QSizeF twips = grid::pictureSizeTwips({320, 240});
    EXPECT_EQ(station.pictureWidthTwips(), twips.width());
    EXPECT_EQ(station.pictureHeightTwips(), twips.height());
    EXPECT_NE(twips.width(), 320 * 15.0); // through HIMETRIC, not the plain pixel size
    EXPECT_TRUE(debugLogged("Measure form Activated - picture loaded - " +
                            QDir::toNativeSeparators(capture())));
    EXPECT_TRUE(control("gif_file_name")->isHidden());
    EXPECT_EQ(control<QAction>("SavePict")->text(), "&Save Picture");
    EXPECT_EQ(control<QAction>("mnuCapture")->text(), "C&apture Next Jump");
    EXPECT_EQ(control<QPushButton>("btnNextJump")->text(), "Capture Next Jump");
    EXPECT_EQ(control<QPushButton>("Command1")->text(), "Reselect capture frame");
    EXPECT_EQ(control<QCheckBox>("cbAutoLoadClipboard")->text(), "Auto Load");
    for (const char* name : {"ClipSnapShot", "ImgSnapShot", "gif_file_name", "btnNextJump"}) {
        QWidget* w = control<QWidget>(name);
        EXPECT_EQ(w->accessibleDescription(), name);
        EXPECT_FALSE(zelvan::test::accessibleNameOf(w).isEmpty()) << name;
    }
    EXPECT_EQ(control<QTimer>("loadTimer")->interval(), 0);
    EXPECT_FALSE(control<QTimer>("loadTimer")->isActive());
}

TEST_F(MeasurePicturesTest, SavePictureTwiceWithOverwriteThenWithRename)
{
    control("distance")->setText("45.3m");
    const QString path = inVideos("SMITHjump3.bmp");
    trigger("SavePict");
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(bytesOf(path), bytesOf(capture()));
    EXPECT_TRUE(QFile::exists(capture()));
    EXPECT_EQ(bytesOf(path + ".info"), (path + ", SMITH, 4\r\n").toUtf8());
    const QByteArray pictureLine = zoned(
        {"07-04-2026", "14:03:22", "Skier: SMITH", "Jump: 3", "Distance: 45.3m", "File: " + path});
    EXPECT_EQ(bytesOf(sessionLog()), pictureLine);
    EXPECT_EQ(results(), ("07-04-2026 14:03:22 Saved picture: " + path + "\r\n").toUtf8());
    EXPECT_TRUE(debugLogged("save " + path));
    EXPECT_TRUE(debugLogged("Picture actually Saved"));

    dialogs.yesNoAnswers << true;
    trigger("SavePict");
    EXPECT_EQ(dialogs.texts(),
              QStringList({"File: " + path + " already exists.  Do you want to overwrite it?"}));
    EXPECT_EQ(bytesOf(sessionLog()), pictureLine + pictureLine);

    dialogs.clear();
    const QString renamed = inVideos("SMITHjump3 again.bmp");
    dialogs.inputAnswers << renamed;
    trigger("SavePict");
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].text,
              "This File Name already exists. You must rename the file before saving.");
    EXPECT_EQ(dialogs.shown[1].title, "Rename Picture");
    EXPECT_EQ(bytesOf(renamed), bytesOf(capture()));
    EXPECT_EQ(bytesOf(renamed + ".info"), (renamed + ", SMITH, 4\r\n").toUtf8());
    EXPECT_TRUE(results().endsWith(("Saved picture: " + renamed + "\r\n").toUtf8()));
    EXPECT_EQ(bytesOf(sessionLog()), pictureLine + pictureLine +
                                         zoned({"07-04-2026", "14:03:22", "Skier: SMITH", "Jump: 3",
                                                "Distance: 45.3m", "File: " + renamed}));
}

TEST_F(MeasurePicturesTest, AnUnsafeSkierNameStaysInsideTheVideoFolder)
{
    station.setMeasureSkierName("..\\../ANN|LEE");
    station.setMeasureJumpNumber("2");
    trigger("SavePict");
    const QString path = inVideos(".. .. ANN LEEjump2.bmp");
    EXPECT_EQ(bytesOf(path), bytesOf(capture()));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("replaced by spaces"));
    EXPECT_EQ(QDir(dir.path()).entryList({"*.bmp"}, QDir::Files),
              QStringList({"currentcapture.bmp"}));
    EXPECT_EQ(control<QComboBox>("Skier_name")->currentText(), "..\\../ANN|LEE");
    EXPECT_TRUE(results().endsWith(("Saved picture: " + path + "\r\n").toUtf8()));
}

TEST_F(MeasurePicturesTest, CancelledRenameSavesNothingAndSaysSo)
{
    put(inVideos("SMITHjump3.bmp"), "earlier");
    trigger("SavePict"); // No to overwriting, then no new name
    EXPECT_EQ(bytesOf(inVideos("SMITHjump3.bmp")), "earlier");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("has not been saved"));
    EXPECT_FALSE(QFile::exists(sessionLog()));
    EXPECT_FALSE(QFile::exists(dir.filePath("results.txt")));
    EXPECT_FALSE(debugLogged("Picture actually Saved"));
    EXPECT_TRUE(QFile::exists(capture()));
}

TEST_F(MeasurePicturesTest, ReturnToMainScreenAppliesThePicturePolicy)
{
    const QString path = inVideos("SMITHjump3.bmp");
    struct Case {
        const char* mode;
        QList<bool> answers;
        bool saved;
        int questions;
    } cases[] = {{"Save", {}, true, 0},
                 {"NoSave", {}, false, 0},
                 {"Ask", {true}, true, 1},
                 {"Ask", {false}, false, 1}};
    for (const Case& c : cases) {
        QFile::remove(path);
        dialogs.clear();
        dialogs.yesNoAnswers = QQueue<bool>();
        for (bool a : c.answers)
            dialogs.yesNoAnswers << a;
        station.setPictureSaveMode(c.mode);
        station.setNavigationMode("SelectFrame");
        station.setMeasureJumpNumber("3");
        station.showScreen(Station::Screen::Measure);
        // Shown again, as the navigator does: activation puts the frame back on the screen.
        screen.hide();
        screen.show();
        trigger("Exit");
        EXPECT_EQ(QFile::exists(path), c.saved) << c.mode;
        EXPECT_EQ(dialogs.shown.size(), c.questions) << c.mode;
        if (c.questions) {
            EXPECT_EQ(dialogs.shown[0].text, "Do you want to save this picture?");
        }
        EXPECT_EQ(station.navigationMode(), "");
        EXPECT_EQ(station.measureJumpNumber(), "4"); // Clear ran
        EXPECT_EQ(lastRequested(requested), Station::Screen::Main);
    }
    // Not after a frame selection: nothing asked, nothing saved.
    QFile::remove(path);
    dialogs.clear();
    station.setPictureSaveMode("Save");
    station.setNavigationMode("PictureLoadMenu");
    trigger("Exit");
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(MeasurePicturesTest, CaptureNextJumpAppliesEachVideoPolicy)
{
    station.setPictureSaveMode("NoSave");
    struct Case {
        const char* mode;
        QList<bool> answers;
        bool kept;
    } cases[] = {
        {"Save", {}, true}, {"NoSave", {}, false}, {"Ask", {true}, true}, {"Ask", {false}, false}};
    for (const Case& c : cases) {
        QFile::remove(sessionLog());
        QFile::remove(video() + ".info");
        takeVideo(video(), 57);
        dialogs.clear();
        for (bool a : c.answers)
            dialogs.yesNoAnswers << a;
        station.setVideoSaveMode(c.mode);
        station.setNavigationMode("SelectFrame");
        station.setPreviewOn(false);
        bool presentAtRelease = false;
        const auto held = QObject::connect(&station, &Station::videoReleaseRequested,
                                           [&] { presentAtRelease = QFile::exists(video()); });
        control<QPushButton>("btnNextJump")->click();
        QObject::disconnect(held);
        EXPECT_TRUE(presentAtRelease) << c.mode; // released before the policy
        EXPECT_EQ(QFile::exists(video()), c.kept) << c.mode;
        if (c.kept) {
            EXPECT_EQ(bytesOf(video() + ".info"), (video() + ",57\r\n").toUtf8());
            EXPECT_EQ(bytesOf(sessionLog()),
                      zoned({"07-04-2026", "14:03:22", "Skier: SMITH", "Jump: 3",
                             "Contact Frame: 57", "File: " + video()}));
            EXPECT_TRUE(debugLogged("Video File " + video() + " Saved"));
        } else {
            EXPECT_FALSE(QFile::exists(video() + ".info"));
            EXPECT_FALSE(QFile::exists(sessionLog()));
            EXPECT_TRUE(debugLogged("Video File " + video() + " Erased"));
        }
        EXPECT_EQ(dialogs.shown.size(), c.answers.size()) << c.mode;
        EXPECT_EQ(station.navigationMode(), "Measure");
        EXPECT_TRUE(station.previewOn());
        EXPECT_EQ(lastRequested(requested), Station::Screen::Capture);
    }
}

TEST_F(MeasurePicturesTest, AVideoDecidedOnIsNotDecidedOnAgain)
{
    station.setPictureSaveMode("NoSave");
    station.setVideoSaveMode("Save");
    takeVideo(video(), 57);
    control<QPushButton>("btnNextJump")->click();
    ASSERT_TRUE(QFile::exists(video()));
    const QByteArray logged = bytesOf(sessionLog());
    EXPECT_TRUE(station.selectedVideoFile().isEmpty());
    // Back on the measurement screen with a loaded picture, under "Ask": the kept pass is
    // neither logged again nor put to the question again.
    station.setVideoSaveMode("Ask");
    station.setNavigationMode(QString());
    dialogs.clear();
    dialogs.yesNoAnswers << false; // do not remain; the cleared screen has no picture to save
    control<QPushButton>("btnNextJump")->click();
    EXPECT_TRUE(QFile::exists(video()));
    EXPECT_EQ(bytesOf(sessionLog()), logged);
    EXPECT_EQ(dialogs.texts(), QStringList({measure::kRemainQuestion}));
}

TEST_F(MeasurePicturesTest, CaptureNextJumpWithThePictureSavedAndANonStandardVideo)
{
    station.setPictureSaveMode("Save");
    station.setVideoSaveMode("Save");
    const QString odd = inVideos("SMITH.avi");
    takeVideo(odd, 12);
    trigger("mnuCapture");
    EXPECT_TRUE(QFile::exists(inVideos("SMITHjump3.bmp")));
    EXPECT_EQ(dialogs.messages(),
              QStringList({"Warning, this is not a  standard KLT file so it will not be saved "
                           "in the Log for future reference"}));
    EXPECT_TRUE(QFile::exists(odd));
    EXPECT_FALSE(QFile::exists(odd + ".info"));
    // Only the picture's line reached the session log.
    EXPECT_EQ(QString(bytesOf(sessionLog())).count("\r\n"), 1);
    EXPECT_EQ(lastRequested(requested), Station::Screen::Capture);
}

TEST_F(MeasurePicturesTest, CaptureNextJumpAfterLoadPictureAlwaysAsks)
{
    station.setPictureSaveMode("NoSave");
    station.setVideoSaveMode("NoSave");
    takeVideo(video(), 5);
    station.setNavigationMode("PictureLoadMenu");
    dialogs.yesNoAnswers << true << true; // save it, and remain
    trigger("mnuCapture");
    EXPECT_EQ(dialogs.texts(), QStringList({"Do you want to save this picture?",
                                            "Do you want to remain on this form?"}));
    EXPECT_TRUE(QFile::exists(inVideos("SMITHjump3.bmp")));
    EXPECT_TRUE(QFile::exists(video())); // remained: the video policy did not run
    EXPECT_TRUE(requested.isEmpty());
    EXPECT_EQ(station.measureJumpNumber(), "3");

    dialogs.clear();
    trigger("mnuCapture"); // No, No
    EXPECT_EQ(dialogs.shown.size(), 2);
    EXPECT_FALSE(QFile::exists(video()));
    EXPECT_EQ(station.measureJumpNumber(), "4");
    EXPECT_EQ(lastRequested(requested), Station::Screen::Capture);
}

TEST_F(MeasurePicturesTest, LoadPictureFromTheCapturesFolder)
{
    const QString file = QDir::toNativeSeparators(dir.filePath("captures/earlier.bmp"));
    ASSERT_TRUE(filled(200, 100, Qt::yellow).save(file, "BMP"));
    dialogs.fileAnswers << file;
    trigger("LoadPict");
    ASSERT_EQ(dialogs.fileAsks.size(), 1);
    EXPECT_EQ(dialogs.fileAsks[0].folder, dir.filePath("captures"));
    EXPECT_EQ(dialogs.fileAsks[0].filter,
              "All Files (*.*)|*.*|Text Files (*.txt)|*.txt|Jump Picture Files (*.gif)|*.gif|"
              "Jump Picture Files (*.bmp)|*.bmp|Jump Picture Files (*.jpg)|*.jpg|");
    EXPECT_EQ(dialogs.fileAsks[0].selectedFilter, 4);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(200, 100));
    EXPECT_EQ(screen.canvas().background(), QColor(Qt::black));
    EXPECT_EQ(station.pictureWidthTwips(), grid::pictureSizeTwips({200, 100}).width());
    EXPECT_EQ(screen.pictureOrigin(), file);
    QLineEdit* origin = control("gif_file_name");
    // Under the grid description, in the group its handle drags.
    QLineEdit* description = control("grid_description");
    EXPECT_EQ(origin->parentWidget(), description->parentWidget());
    EXPECT_GT(origin->y(), description->geometry().bottom());
    EXPECT_EQ(origin->x(), description->x());
    EXPECT_FALSE(screen.pictureFrozen());
    EXPECT_EQ(station.navigationMode(), "PictureLoadMenu");
    const QByteArray loaded = ("07-04-2026 14:03:22 Loaded picture: " + file + "\r\n").toUtf8();
    EXPECT_EQ(results(), loaded);

    // A cancel writes the line of the picture still shown.
    trigger("LoadPict");
    EXPECT_EQ(results(), loaded + loaded);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(200, 100));

    // A picture extension decides the entry the dialog starts on.
    station.setPictureFormat(".jpg", "JPG");
    trigger("LoadPict");
    EXPECT_EQ(dialogs.fileAsks.last().selectedFilter, 5);
}

TEST_F(MeasurePicturesTest, LoadPictureWithoutTheCapturesFolderOrAReadablePicture)
{
    station.setCapturesPath(dir.filePath("gone"));
    trigger("LoadPict");
    EXPECT_EQ(dialogs.messages(), QStringList({"Invalid path, change in configuration screen"}));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_TRUE(dialogs.fileAsks.isEmpty());
    EXPECT_EQ(results(), "07-04-2026 14:03:22 Loaded picture: \r\n");
    EXPECT_EQ(station.navigationMode(), "PictureLoadMenu");

    dialogs.clear();
    station.setCapturesPath(dir.filePath("captures"));
    put(dir.filePath("captures/notes.txt"), "not a picture");
    dialogs.fileAnswers << dir.filePath("captures/notes.txt");
    trigger("LoadPict");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("cannot be read"));
    EXPECT_EQ(screen.canvas().picture().size(), QSize(320, 240));
}

TEST_F(MeasurePicturesTest, PasteAndSnapshotsFreezeThePicture)
{
    control("distance")->setText("45.3m");
    ASSERT_TRUE(filled(100, 50, Qt::green).save(capture(), "BMP"));
    trigger("mnuPaste");
    EXPECT_TRUE(screen.pictureFrozen());
    EXPECT_TRUE(control<QLabel>("FrozenSign")->isVisible());
    EXPECT_EQ(control<QLabel>("FrozenSign")->text(), "FROZEN");
    EXPECT_EQ(control("distance")->text(), "");
    EXPECT_EQ(control("distance_ft")->text(), "");
    EXPECT_EQ(screen.canvas().picture().size(), QSize(100, 50));
    EXPECT_EQ(screen.pictureOrigin(), "Picture from Clipboard");
    EXPECT_FALSE(control<QLabel>("FrozenSign")
                     ->geometry()
                     .intersects(control("gif_file_name")->geometry())); // both readable
    EXPECT_EQ(screen.focusWidget(), control<QPushButton>("Show_grid"));
    screen.clear();
    EXPECT_FALSE(screen.pictureFrozen());
    EXPECT_TRUE(control<QLabel>("FrozenSign")->isHidden());
    EXPECT_EQ(screen.pictureOrigin(), "");

    QGuiApplication::clipboard()->setImage(filled(90, 60, Qt::red));
    control<QToolButton>("ClipSnapShot")->click();
    EXPECT_TRUE(screen.pictureFrozen());
    EXPECT_EQ(screen.canvas().picture().size(), QSize(90, 60));
    EXPECT_EQ(screen.pictureOrigin(), "Picture from Clipboard");
    screen.clear();

    ASSERT_TRUE(filled(80, 40, Qt::blue).save(dir.filePath("zqio/snapshot.bmp"), "BMP"));
    control<QToolButton>("ImgSnapShot")->click();
    EXPECT_TRUE(screen.pictureFrozen());
    EXPECT_EQ(screen.canvas().picture().size(), QSize(80, 40));
    EXPECT_EQ(screen.pictureOrigin(), "snapshot.bmp");
    EXPECT_TRUE(dialogs.shown.isEmpty());
    screen.clear(); // and the interface folder's pictures go
    EXPECT_FALSE(QFile::exists(dir.filePath("zqio/snapshot.bmp")));

    control<QToolButton>("ImgSnapShot")->click();
    EXPECT_EQ(dialogs.messages(),
              QStringList({"Warning, snapshot file has not been saved in the \\zqio directory"}));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_FALSE(screen.pictureFrozen());
}

TEST_F(MeasurePicturesTest, AutoLoadTakesTheClipboardWhenTheFlagIsRaised)
{
    QTimer* timer = control<QTimer>("loadTimer");
    const QString flag = dir.filePath("zqio/clipflag.txt");
    QGuiApplication::clipboard()->setImage(filled(64, 48, Qt::cyan));
    put(flag, "Not yet\r\n");
    control<QCheckBox>("cbAutoLoadClipboard")->click();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    QTest::qWait(1300);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(320, 240)); // flag not raised
    EXPECT_EQ(bytesOf(flag), "Not yet\r\n");

    put(flag, "Ready\r\n");
    const int drawings = screen.canvas().drawingCount();
    QTest::qWait(1300);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(64, 48));
    EXPECT_EQ(bytesOf(flag), "  \r\n");
    EXPECT_FALSE(screen.pictureFrozen());
    EXPECT_TRUE(control<QLabel>("FrozenSign")->isHidden());
    EXPECT_EQ(screen.canvas().drawingCount(), drawings); // the overlay was not redrawn

    control<QCheckBox>("cbAutoLoadClipboard")->click();
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MeasurePicturesTest, ClearAdvancesTheJumpAndEmptiesTheInterfacePictures)
{
    put(dir.filePath("zqio/snapshot.bmp"), "BM");
    put(dir.filePath("zqio/other.bmp"), "BM");
    put(dir.filePath("zqio/zqresult.dst"), "OK\r\n");
    control<QPushButton>("Unfreeze")->click();
    EXPECT_EQ(control("Jump_no")->text(), "4");
    EXPECT_EQ(station.measureJumpNumber(), "4");
    EXPECT_EQ(QDir(dir.filePath("zqio")).entryList({"*.bmp"}, QDir::Files), QStringList());
    EXPECT_TRUE(QFile::exists(dir.filePath("zqio/zqresult.dst")));
    EXPECT_TRUE(screen.canvas().picture().isNull());
    control<QPushButton>("Unfreeze")->click();
    EXPECT_EQ(control("Jump_no")->text(), "5");
}

TEST_F(MeasurePicturesTest, APictureFromThePictureLogIsShownEachTimeItIsChosen)
{
    const QString path = inVideos("SMITHjump2.bmp");
    ASSERT_TRUE(filled(160, 120, Qt::magenta).save(path, "BMP"));
    station.setPictureToView(path);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(160, 120));
    EXPECT_EQ(screen.pictureOrigin(), path);
    screen.showPicture(filled(10, 10, Qt::white), "test");
    station.setPictureToView(path);
    EXPECT_EQ(screen.canvas().picture().size(), QSize(160, 120));
    station.setPictureToView(inVideos("gone.bmp"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("cannot be read"));
    EXPECT_EQ(screen.canvas().picture().size(), QSize(160, 120));
}

TEST_F(MeasurePicturesTest, BackFromTheResultsViewerAfterAFrameSelectionShowsTheFrameAgain)
{
    QGuiApplication::clipboard()->setImage(filled(90, 60, Qt::red));
    control<QToolButton>("ClipSnapShot")->click();
    trigger("mnuResults");
    screen.findChild<QAction*>("Exit_results")->trigger();
    EXPECT_EQ(screen.canvas().picture().size(), QSize(320, 240)); // the frame replaced it

    // A loaded picture changed the token: it survives.
    const QString file = dir.filePath("captures/earlier.bmp");
    ASSERT_TRUE(filled(200, 100, Qt::yellow).save(file, "BMP"));
    dialogs.fileAnswers << file;
    trigger("LoadPict");
    trigger("mnuResults");
    screen.findChild<QAction*>("Exit_results")->trigger();
    EXPECT_EQ(screen.canvas().picture().size(), QSize(200, 100));
}

TEST_F(MeasurePicturesTest, MenuOpensItsWindowsAndReselectGoesBack)
{
    put(dir.filePath("results.txt"), "line one\r\n");
    trigger("mnuResults");
    auto* results = screen.findChild<QWidget*>("Results");
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->windowTitle(), dir.filePath("results.txt"));
    EXPECT_TRUE(
        results->findChild<QPlainTextEdit*>("output_box")->toPlainText().contains("line one"));

    trigger("mnuViewLog");
    auto* log = screen.findChild<QWidget*>("PictureLogView");
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());

    trigger("mnuCalibrate");
    auto* calibrate = screen.findChild<QWidget*>("Calibrate");
    ASSERT_NE(calibrate, nullptr);
    EXPECT_TRUE(calibrate->isVisible());

    control<QPushButton>("Command1")->click();
    EXPECT_EQ(lastRequested(requested), Station::Screen::FrameSelection);
}

TEST_F(MeasurePicturesTest, Screenshots)
{
    if (qEnvironmentVariable("ZELVAN_SCREENSHOTS").isEmpty())
        GTEST_SKIP() << "ZELVAN_SCREENSHOTS not set";
    station.setMeasureSkierName("SMITH, JOHN");
    station.setMeasureJumpNumber("3");
    // A lake-sized picture: the floating groups sit over its corner, the landing in the open.
    QImage lake(960, 640, QImage::Format_RGB32);
    for (int y = 0; y < lake.height(); ++y)
        lake.setPixelColor(0, y, QColor(30, 80 + y / 8, 120 + y / 10));
    for (int y = 0; y < lake.height(); ++y)
        for (int x = 1; x < lake.width(); ++x)
            lake.setPixelColor(x, y, lake.pixelColor(0, y));
    ASSERT_TRUE(lake.save(capture(), "BMP"));
    screen.showCurrentCapture();
    widgets::PictureCanvas& canvas = screen.canvas();
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        const QString tag = QString::number(size.width());
        screen.resize(size);
        QApplication::processEvents();
        QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {},
                          canvas.viewportPixelAt({6000, 4500}).toPoint());
        screenshot("measure-marked-" + tag, size);
        control<QPushButton>("Record")->click();
        screenshot("measure-recorded-" + tag, size);
        control<QPushButton>("verify")->click();
        QTest::mouseMove(canvas.viewport(), canvas.viewportPixelAt({6600, 3900}).toPoint());
        screenshot("measure-verify-" + tag, size);
        control<QPushButton>("verify")->click();
        canvas.setZoom(3.0);
        screenshot("measure-zoomed-" + tag, size);
        canvas.setZoom(1.0);
        QGuiApplication::clipboard()->setImage(lake.mirrored(true, false));
        control<QToolButton>("ClipSnapShot")->click();
        screenshot("measure-frozen-" + tag, size);
        screen.clear();
        screen.showCurrentCapture();
    }
}

TEST_F(MeasurePicturesTest, APictureIsSavedUnderThePassItShowsAndNeverOverAnother)
{
    station.setPictureSaveMode("Save");
    // A frame of SMITH's attempt 3 is on the screen; recording a fall moved Jump_no on to 4.
    station.setCapturePicturePass({video(), 57, "SMITH", "3"});
    station.setMeasureJumpNumber("4");
    control("distance")->setText("45.3m");
    trigger("Exit");
    const QString third = inVideos("SMITHjump3.bmp");
    EXPECT_EQ(bytesOf(third), bytesOf(capture()));
    EXPECT_EQ(bytesOf(third + ".info"), (third + ", SMITH, 4\r\n").toUtf8());
    EXPECT_EQ(bytesOf(sessionLog()), zoned({"07-04-2026", "14:03:22", "Skier: SMITH", "Jump: 3",
                                            "Distance: 45.3m", "File: " + third}));
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Attempt 4's frame: its own picture, no question about attempt 3's.
    EXPECT_TRUE(filled(320, 240, QColor(200, 10, 10)).save(capture(), "BMP"));
    station.setCapturePicturePass({inVideos("SMITHjump4.avi"), 12, "SMITH", "4"});
    station.setMeasureJumpNumber("5");
    station.setNavigationMode("SelectFrame");
    screen.hide();
    screen.show();
    trigger("Exit");
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(bytesOf(inVideos("SMITHjump4.bmp")), bytesOf(capture()));
    EXPECT_NE(bytesOf(third), bytesOf(capture()));
    EXPECT_FALSE(QFile::exists(inVideos("SMITHjump5.bmp")));

    // The cleared screen shows no picture: the capture picture on disk is not saved under the
    // names now in the boxes.
    station.setNavigationMode("Timer");
    screen.hide();
    screen.show();
    dialogs.clear();
    trigger("SavePict");
    EXPECT_EQ(dialogs.messages(), QStringList{"There is no picture on the screen to save."});
    EXPECT_FALSE(QFile::exists(inVideos("SMITHjump6.bmp")));
    EXPECT_EQ(QDir(videos()).entryList({"*.bmp"}, QDir::Files),
              QStringList({"SMITHjump3.bmp", "SMITHjump4.bmp"}));
}
