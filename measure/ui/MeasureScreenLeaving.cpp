#include "measure/ui/MeasureScreen.h"

// Leaving the measurement screen and its menu's other windows: Save Picture, the picture and
// video policies, Capture Next Jump, Return to Main Screen, the frame selection again, the
// results viewer, the calibration assistant and the picture log.
#include "app/ui/PictureLogViewer.h"
#include "app/ui/ResultsViewer.h"
#include "measure/ContactPicture.h"
#include "measure/LeavingRules.h"
#include "measure/RecordFiles.h"
#include "tools/ui/CalibrateScreen.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/PictureCanvas.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace zelvan::measure::ui
{

using Screen = app::Station::Screen;

namespace
{

bool afterFrameSelection(const app::Station& station)
{
    return station.navigationMode() == QLatin1String("SelectFrame");
}

} // namespace

// An empty screen (after Clear, or before any picture) has nothing to save: the capture picture
// on disk shows a pass that is no longer on the screen.
bool MeasureScreen::showsPicture() const
{
    return !canvas_->picture().isNull();
}

void MeasureScreen::savePicture()
{
    if (!showsPicture()) {
        dialogs_.message(QStringLiteral("There is no picture on the screen to save."),
                         Icon::Warning);
        return;
    }
    PictureSaveInput in;
    in.now = station_.clock().now();
    in.stationFolder = station_.stationFolder();
    in.videoDirectory = station_.videoDirectory();
    in.skierName = skier_->currentText();
    in.jumpNumber = jumpNo_->text();
    in.extension = station_.pictureExtension();
    in.captureSkierName = station_.captureSkierName();
    in.captureAttempt = station_.captureAttemptNumber();
    // The capture picture carries the pass it shows.
    const app::Station::PicturePass pass = station_.capturePicturePass();
    if (afterFrameSelection(station_) && !pass.skier.isEmpty())
        nameAfterPass(in, pass.skier, pass.attempt);
    in.resultsPath = station_.resultsFilePath();
    in.keptPath = QDir(in.stationFolder).filePath(QLatin1String(kKeptResultsFileName));
    const PictureSave out = measure::savePicture(in, dialogs_);
    writeDebug(out.debugLines);
    if (!out.saved)
        return;
    const Status logged = station_.sessionLog().writeContactPicture(
        in.captureSkierName, pictureLogJump(in.captureAttempt), distance_->text(), out.picturePath);
    if (!logged)
        dialogs_.message(logged.error(), Icon::Error);
}

void MeasureScreen::applyPicturePolicy()
{
    if (showsPicture() && pictureToBeSaved(station_.pictureSaveMode(), dialogs_))
        savePicture();
}

void MeasureScreen::applyVideoPolicy()
{
    const QString video = station_.selectedVideoFile();
    const double frame = station_.selectedFrame();
    const VideoPolicyOutcome out =
        measure::applyVideoPolicy(station_.videoSaveMode(), video, frame, dialogs_);
    // Kept or deleted, the pass is decided on: a later Capture Next Jump (after a loaded
    // picture) must neither log it again nor ask again and delete a pass the operator chose to
    // keep. A pass that could not be deleted stays selected.
    if (!QFileInfo::exists(video) || !out.debugLines.isEmpty())
        station_.setSelectedVideoFile(QString());
    writeDebug(out.debugLines);
    if (!out.retained)
        return;
    const Status logged = station_.sessionLog().writeMeasuredVideo(
        out.name.skier, out.name.jump, QString::number(qint64(frame)), video);
    if (!logged)
        dialogs_.message(logged.error(), Icon::Error);
}

void MeasureScreen::leave()
{
    if (afterFrameSelection(station_))
        applyPicturePolicy();
    station_.setNavigationMode(QString());
    clear();
    for (QLabel* label : buoyLabels_)
        label->clear();
    gridDescription_->hide();
    keys_->stop();
    station_.showScreen(Screen::Main);
}

void MeasureScreen::captureNextJump()
{
    if (!afterFrameSelection(station_)) {
        if (showsPicture() && dialogs_.askYesNo(QLatin1String(kSavePictureQuestion), QString()))
            savePicture();
        if (dialogs_.askYesNo(QLatin1String(kRemainQuestion), QString()))
            return;
    } else {
        applyPicturePolicy();
    }
    // The frame selection screen's player lets go of the video before it is deleted.
    station_.releaseVideo();
    applyVideoPolicy();
    station_.setNavigationMode(QStringLiteral("Measure"));
    clear();
    keys_->stop();
    station_.showScreen(Screen::Capture);
    station_.setPreviewOn(true);
}

void MeasureScreen::reselectFrame()
{
    keys_->stop();
    station_.showScreen(Screen::FrameSelection);
}

void MeasureScreen::openResults()
{
    if (!results_) {
        results_ = new app::ui::ResultsViewer(station_, dialogs_, this);
        results_->installEventFilter(this);
    }
    results_->open();
}

void MeasureScreen::openCalibration()
{
    if (!calibrate_)
        useCalibration(new tools::ui::CalibrateScreen(station_, dialogs_, this));
    calibrate_->openOver(canvas_);
}

void MeasureScreen::useCalibration(tools::ui::CalibrateScreen* shared)
{
    calibrate_ = shared;
    if (shared) {
        shared->addCanvas(canvas_);
        shared->installEventFilter(this); // closing it makes this screen active again
    }
}

void MeasureScreen::openPictureLog()
{
    if (!pictureLog_) {
        pictureLog_ = new app::ui::PictureLogViewer(station_, dialogs_, this);
        pictureLog_->installEventFilter(this);
    }
    pictureLog_->open();
}

} // namespace zelvan::measure::ui
