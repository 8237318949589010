// The whole road of a jump on a demo station, offscreen, through the station's own screens and
// their controls: start-up, the capture screen recording 5 s of the "Simulated Jump Site",
// frame selection opening on the hint frame, stepping to the site's landing frame, taking it,
// clicking the landing on the measurement picture and recording the jump, then "Capture Next
// Jump" under each picture and video policy. The recorded distance must be the site's true
// distance plus the 2.1 m offset, to within 0.1 m.
#include "CanvasInput.h"
#include "ScriptedDialogs.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "app/SessionLog.h"
#include "app/Station.h"
#include "app/ui/MainScreen.h"
#include "base/Clock.h"
#include "base/Numbers.h"
#include "capture/DeviceRegistry.h"
#include "capture/FfmpegCaptureControl.h"
#include "measure/LeavingRules.h"
#include "measure/ui/MeasureScreen.h"
#include "review/FrameReader.h"
#include "sim/SimulatedSite.h"
#include "station/StationScreens.h"
#include "widgets/FramePlayer.h"
#include "widgets/Navigator.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

using namespace zelvan;
using zelvan::test::fileBytes;
using zelvan::test::runTool;
using Screen = app::Station::Screen;

namespace
{

// Mean absolute difference of two pictures over a sparse grid of pixels; 255 when the sizes
// differ.
double pictureDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    int n = 0;
    for (int j = 0; j < x.height(); j += 3)
        for (int i = 0; i < x.width(); i += 3) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
            n += 3;
        }
    return sum / n;
}

// The frame of the recording that shows the site's landing: the device loops the pass from
// wherever it was when Start was pressed, so the recording is searched for the landing picture.
qint64 landingFrameIn(const QString& video, const QImage& landing, qint64* frames)
{
    review::FrameReader reader;
    EXPECT_TRUE(reader.open(video));
    *frames = reader.frameCount();
    qint64 best = -1;
    double bestDifference = 1e9;
    for (qint64 n = 1; n < reader.frameCount(); ++n) {
        const Result<QImage> frame = reader.frame(n);
        if (!frame)
            continue;
        const double d = pictureDifference(*frame, landing);
        if (d < bestDifference) {
            bestDifference = d;
            best = n;
        }
    }
    EXPECT_LT(bestDifference, 6) << "the landing picture is not in the recording";
    return best;
}

QString textOf(const QString& path)
{
    return QString::fromUtf8(fileBytes(path));
}

template <class W> W* control(QWidget* screen, const char* name)
{
    W* w = screen->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

class JumpRoad : public ::testing::Test
{
protected:
    // The demo station: the simulated site the device shows (seed 1, 640x480, 30 fps), its grid
    // solved and saved, a skier list, WSTIMS's current skier.
    void SetUp() override
    {
        QDir root(dir.path());
        for (const char* folder : {"station", "zqio", "videos", "setups"})
            ASSERT_TRUE(root.mkpath(folder));
        ASSERT_EQ(runTool({"simulate", "--seed", "1", "--out", dir.filePath("site")}).exitCode, 0);
        site = QJsonDocument::fromJson(fileBytes(dir.filePath("site/site.json"))).object();
        ASSERT_FALSE(site.isEmpty());
        const auto solved = runTool({"grid", "solve", "--in", dir.filePath("site/site.json"),
                                     "--save", dir.filePath("setups/DemoLake.ipt")});
        ASSERT_EQ(solved.exitCode, 0) << solved.errText().toStdString();
        writeFile("station/SkierNames.txt", "Demo Skier,USA\r\nJane Doe,GBR\r\n");
        writeFile("zqio/zqskier.nam", "Demo Skier,USA,M1\r\n");

        captureControl.devices().setPollInterval(0);
        int device = -1;
        for (int i = 0; i < captureControl.videoDeviceCount(); ++i)
            if (captureControl.videoDeviceName(i) == capture::kSimulatedSite)
                device = i;
        ASSERT_GE(device, 0);
        writeSettings(device);

        station = std::make_unique<app::Station>(
            clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
            dir.filePath("station"), dir.filePath("zqio"));
        navigator = std::make_unique<widgets::Navigator>(*station);
        screens.emplace(buildScreens(*station, dialogs, captureControl, *navigator));
        capture = navigator->screen(Screen::Capture);
        frames = navigator->screen(Screen::FrameSelection);
        measure = navigator->screen(Screen::Measure);
        ASSERT_NE(capture, nullptr);
    }

    void writeFile(const char* name, const char* text)
    {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void writeSettings(int device)
    {
        QSettings ini(dir.filePath("DI05.ini"), QSettings::IniFormat);
        ini.beginGroup("Settings");
        ini.setValue("TournamentName", "Demo Tournament");
        ini.setValue("SetupFiles", dir.filePath("setups"));
        ini.setValue("grids", "1");
        ini.setValue("grid1File", dir.filePath("setups/DemoLake.ipt"));
        ini.setValue("logpath", dir.filePath("videos"));
        ini.setValue("device", QString::number(device));
        ini.setValue("framerate", "30");
        ini.setValue("WSTIMS", "1");
    }

    // Start-up ends on the configuration screen; leaving it returns to the main screen, and
    // "Proceed to Capture Video" opens the capture screen with WSTIMS's skier.
    void startUpToCapture()
    {
        screens->main->startUp();
        QTest::qWait(50);
        ASSERT_EQ(station->currentScreen(), Screen::Config);
        screens->config->findChild<QAction*>("mnuExit")->trigger();
        QTest::qWait(50);
        ASSERT_EQ(station->currentScreen(), Screen::Main);
        ASSERT_EQ(station->allGridsReady(), 1);
        ASSERT_TRUE(captureControl.connected());
        ASSERT_EQ(captureControl.frameSize(), QSize(640, 480)) << "the site was simulated so";
        startUpMessages = dialogs.messages().join(" | ");
        dialogs.clear();
        control<QPushButton>(screens->main.get(), "cmdGoCapture")->click();
        QTest::qWait(100);
        ASSERT_TRUE(capture->isVisible());
        control<QPushButton>(capture, "cmdSelect")->click();
        EXPECT_EQ(control<QLineEdit>(capture, "txtSkierName")->text(), "Demo Skier");
    }

    QString videoOf(int jump) const
    {
        return dir.filePath("videos") + QDir::separator() +
               QStringLiteral("Demo Skierjump%1.avi").arg(jump);
    }

    // One jump from the capture screen to its recorded distance: 5 s of the simulated site
    // stopped by the countdown, frame selection opening on the middle of the recording (30 fps
    // x 5 s / 2, after the frames kept before Start), stepped to the landing, taken, clicked and
    // recorded.
    void recordJump(int jump)
    {
        ASSERT_TRUE(capture->isVisible());
        EXPECT_EQ(control<QLineEdit>(capture, "txtPass")->text(), QString::number(jump));
        dialogs.clear();
        control<QPushButton>(capture, "cmdStartCapture")->click();
        ASSERT_TRUE(captureControl.capturing()) << dialogs.messages().join(" | ").toStdString();
        QTRY_VERIFY_WITH_TIMEOUT(frames->isVisible(), 9000);
        EXPECT_FALSE(captureControl.capturing());
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
        const QString video = videoOf(jump);
        ASSERT_TRUE(QFile::exists(video));
        EXPECT_EQ(control<QLineEdit>(capture, "txtPass")->text(), QString::number(jump + 1));

        auto* player = frames->findChild<widgets::FramePlayer*>();
        ASSERT_NE(player, nullptr);
        EXPECT_EQ(player->fileName(), video);
        // The file begins with the pictures kept before Start; the middle counts from there.
        EXPECT_EQ(player->position(), 75 + captureControl.startFrame());
        EXPECT_EQ(control<QLineEdit>(frames, "Text6")->text(), video);

        qint64 recorded = 0;
        const qint64 landing =
            landingFrameIn(video, truth.renderFrame(truth.landingFrame()), &recorded);
        // 5 s at 30 fps; the countdown's one-second ticks and the stop run on the interface
        // thread, so on a busy machine the recording is a third of a second longer or shorter.
        EXPECT_NEAR(double(recorded), 150, 10);
        ASSERT_GE(landing, 1);
        const char* step = landing > player->position() ? "Command4" : "Command1";
        for (qint64 n = std::abs(landing - player->position()); n > 0; --n)
            control<QPushButton>(frames, step)->click();
        ASSERT_EQ(player->position(), landing);
        control<QPushButton>(frames, "cmdMarkStart")->click();
        QTest::qWait(50);
        ASSERT_TRUE(measure->isVisible()) << dialogs.messages().join(" | ").toStdString();
        const QImage taken(dir.filePath("station/currentcapture.bmp"));
        EXPECT_LT(pictureDifference(taken, truth.renderFrame(truth.landingFrame())), 6);

        auto* canvas = measure->findChild<widgets::PictureCanvas*>();
        ASSERT_NE(canvas, nullptr);
        ASSERT_FALSE(canvas->picture().isNull());
        const QJsonArray at = site.value("landing").toObject().value("screen").toArray();
        const QPointF landingTwips(at[0].toDouble(), at[1].toDouble());
        // The contact picture opens filling its area; the landing is clicked on it as shown.
        EXPECT_TRUE(canvas->fitted());
        EXPECT_GE(test::pictureCoverage(*canvas), 0.9);
        test::clickOver(*canvas, canvas->viewPointOfPixel(landingTwips / kTwipsPerPixel));
        control<QPushButton>(measure, "Record")->click();
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
        EXPECT_NEAR(distanceText().toDouble(), site.value("trueDistance").toDouble() + 2.1, 0.1);
    }

    QString distanceText() const
    {
        return static_cast<measure::ui::MeasureScreen*>(measure)->rawDistanceText();
    }

    // "Capture Next Jump" under the given policies, answering the questions it asks.
    void captureNextJump(const char* picturePolicy, const char* videoPolicy,
                         const QList<bool>& answers = {})
    {
        station->setPictureSaveMode(picturePolicy);
        station->setVideoSaveMode(videoPolicy);
        dialogs.clear();
        for (bool answer : answers)
            dialogs.yesNoAnswers.enqueue(answer);
        control<QPushButton>(measure, "btnNextJump")->click();
        QTest::qWait(50);
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
        EXPECT_TRUE(dialogs.yesNoAnswers.isEmpty()) << "a question was not asked";
        EXPECT_TRUE(capture->isVisible());
        EXPECT_FALSE(measure->isVisible());
    }

    int contactPictures() const
    {
        return QDir(dir.filePath("videos")).entryList({"Demo Skierjump*.bmp"}, QDir::Files).size();
    }

    QString sessionText() const { return textOf(station->sessionLog().filePath()); }

    bool debugLogHas(const QString& line) const
    {
        const QStringList debug = station->debugLog().lines();
        return std::any_of(debug.begin(), debug.end(),
                           [&](const QString& l) { return l.trimmed().endsWith(line); });
    }

    QTemporaryDir dir;
    QJsonObject site;
    sim::SimulatedSite truth;
    capture::FfmpegCaptureControl captureControl{false};
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(14, 3, 22))};
    ScriptedDialogs dialogs; // no emergency reset; every message taken
    std::unique_ptr<app::Station> station;
    std::unique_ptr<widgets::Navigator> navigator;
    std::optional<StationScreens> screens;
    QWidget* capture = nullptr;
    QWidget* frames = nullptr;
    QWidget* measure = nullptr;
    QString startUpMessages;
};

} // namespace

TEST_F(JumpRoad, ThreeJumpsUnderEachPolicy)
{
    ASSERT_EQ(truth.frameSize(), QSize(640, 480));
    startUpToCapture();
    ASSERT_FALSE(HasFatalFailure());

    // Jump 1, its files on the road.
    recordJump(1);
    ASSERT_FALSE(HasFatalFailure());
    const QString first = videoOf(1);
    const QString results = textOf(station->resultsFilePath().trimmed());
    EXPECT_TRUE(results.contains("Demo Skier")) << results.toStdString();
    EXPECT_TRUE(results.contains(distanceText().left(4))) << results.toStdString();
    EXPECT_TRUE(textOf(dir.filePath("zqio/zqraw.dst")).contains("Demo Skier"));
    EXPECT_FALSE(textOf(dir.filePath("zqio/zqresult.dst")).isEmpty());
    EXPECT_TRUE(sessionText().contains(app::SessionLog::sessionStartLine(clock.now())))
        << sessionText().toStdString() << " / start-up: " << startUpMessages.toStdString();
    for (const QString& line :
         {QStringLiteral("Capture Video Form Activated"), QStringLiteral("Start Capture"),
          QStringLiteral("Capture File: ") + first, QStringLiteral("Capture Complete")})
        EXPECT_TRUE(debugLogHas(line)) << line.toStdString();

    // Both policies "Save": the contact picture saved beside the video, the video kept with its
    // ".info" and session log line, the capture screen shown again at attempt 2.
    captureNextJump("Save", "Save");
    EXPECT_TRUE(QFile::exists(first));
    const QString firstFrame = QString::number(station->selectedFrame());
    EXPECT_EQ(textOf(first + ".info").trimmed(),
              QDir::toNativeSeparators(first) + "," + firstFrame);
    EXPECT_TRUE(sessionText().contains("Contact Frame: " + firstFrame))
        << sessionText().toStdString();
    EXPECT_TRUE(sessionText().contains("Skier: Demo Skier")) << sessionText().toStdString();
    EXPECT_EQ(contactPictures(), 1);
    EXPECT_TRUE(debugLogHas("Video File " + first + " Saved"));
    const QString sessionAfterFirst = sessionText();

    // Jump 2 under "NoSave": nothing asked, no picture, the video deleted after the player let
    // go of it, no ".info" and no session log line.
    recordJump(2);
    ASSERT_FALSE(HasFatalFailure());
    const QString second = videoOf(2);
    captureNextJump("NoSave", "NoSave");
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_FALSE(QFile::exists(second + ".info"));
    EXPECT_EQ(contactPictures(), 1);
    EXPECT_EQ(sessionText(), sessionAfterFirst);
    EXPECT_TRUE(debugLogHas("Video File " + second + " Erased"));

    // Jump 3 under "Ask": the picture question answered Yes saves it, the video question
    // answered No deletes the video.
    recordJump(3);
    ASSERT_FALSE(HasFatalFailure());
    const QString third = videoOf(3);
    captureNextJump("Ask", "Ask", {true, false});
    EXPECT_EQ(dialogs.texts(),
              QStringList({measure::kSavePictureQuestion, measure::kSaveVideoQuestion}));
    EXPECT_EQ(contactPictures(), 2);
    EXPECT_FALSE(QFile::exists(third));
    EXPECT_FALSE(QFile::exists(third + ".info"));
    EXPECT_EQ(sessionText().count("Contact Frame: "), 1) << sessionText().toStdString();
    EXPECT_EQ(control<QLineEdit>(capture, "txtPass")->text(), "4");
    EXPECT_TRUE(QFile::exists(first)) << "the kept video stays";
}

// Two passes under "NoSave": the first measured, the second only recorded. Going on to the
// measurement screen from the main screen and on to the next jump keeps the second pass as it
// is: no ".info", not deleted, and no picture of the first pass saved under its name.
TEST_F(JumpRoad, AnUnmeasuredPassIsNeverDecidedOn)
{
    startUpToCapture();
    ASSERT_FALSE(HasFatalFailure());
    recordJump(1);
    ASSERT_FALSE(HasFatalFailure());
    captureNextJump("NoSave", "NoSave");
    EXPECT_FALSE(QFile::exists(videoOf(1)));

    dialogs.clear();
    control<QPushButton>(capture, "cmdStartCapture")->click();
    ASSERT_TRUE(captureControl.capturing());
    QTRY_VERIFY_WITH_TIMEOUT(frames->isVisible(), 9000);
    const QString second = videoOf(2);
    ASSERT_TRUE(QFile::exists(second));
    const QString session = sessionText();
    control<QPushButton>(frames, "cmdGoToSetup")->click();
    QTest::qWait(50);
    control<QPushButton>(screens->main.get(), "ccmdGoToMeasure")->click();
    QTest::qWait(50);
    ASSERT_TRUE(measure->isVisible());
    dialogs.clear();
    dialogs.yesNoAnswers << false; // do not remain on the screen
    control<QPushButton>(measure, "btnNextJump")->click();
    QTest::qWait(50);
    // The screen shows no picture: nothing to save is asked about.
    EXPECT_EQ(dialogs.texts(), QStringList({measure::kRemainQuestion}));
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_FALSE(QFile::exists(second + ".info"));
    EXPECT_EQ(contactPictures(), 0);
    EXPECT_EQ(sessionText(), session);
    EXPECT_FALSE(debugLogHas("Video File " + second + " Erased"));
}
