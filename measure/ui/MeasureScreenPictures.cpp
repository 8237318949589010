#include "measure/ui/MeasureScreen.h"

// The measurement screen's pictures from outside the frame selection: a loaded file, the
// clipboard, the capture tool's snapshot and flag file, and the picture log.
#include "app/ui/PictureLogViewer.h"
#include "app/ui/ResultsViewer.h"
#include "base/Numbers.h"
#include "grid/SetupScreenRules.h"
#include "measure/ContactPicture.h"
#include "measure/PictureSources.h"
#include "measure/RecordFiles.h"
#include "tools/ui/CalibrateScreen.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/FilledBox.h"
#include "widgets/PictureCanvas.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace zelvan::measure::ui
{

namespace
{

QImage clipboardPicture()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->image() : QImage();
}

} // namespace

void MeasureScreen::writeDebug(const QString& line)
{
    showMessages(dialogs_, station_.debugLog().WriteDebugLog(line).messages);
}

void MeasureScreen::writeDebug(const QStringList& lines)
{
    for (const QString& line : lines)
        writeDebug(line);
}

void MeasureScreen::writeResults(const QString& line)
{
    const QString kept =
        QDir(station_.stationFolder()).filePath(QLatin1String(kKeptResultsFileName));
    const ResultsWrite w = writeResultsLine(station_.resultsFilePath(), kept, line);
    if (!w.message.isEmpty())
        dialogs_.message(w.message, Icon::Error);
}

void MeasureScreen::showPicture(const QImage& picture, const QString& from)
{
    if (picture.isNull()) {
        dialogs_.message(QStringLiteral("There is no picture to show in %1").arg(from),
                         Icon::Warning);
        return;
    }
    forgetImpact(); // a click on the picture before is no landing on this one
    canvas_->setPicture(picture);
    // The overlay takes the picture's size as the set-up took it: through HIMETRIC.
    const QSizeF twips = grid::pictureSizeTwips(picture.size());
    station_.setPictureSize(twips.width(), twips.height());
    show_the_grid();
    showGrid_->setFocus();
}

void MeasureScreen::showCurrentCapture()
{
    const QString path = station_.currentCapturePath();
    showPicture(QImage(path), QDir::toNativeSeparators(path));
}

void MeasureScreen::showOrigin(const QString& text)
{
    widgets::fillBox(origin_, text);
    origin_->setMinimumWidth(std::max(320, origin_->fontMetrics().horizontalAdvance(text) + 16));
    origin_->show();
    gridGroup_->adjustSize();
    gridGroup_->raise();
    // FROZEN is shown with it and must stay readable.
    if (frozenSign_->geometry().intersects(gridGroup_->geometry())) {
        const double twipsPerPixel = kTwipsPerPixel / canvas_->zoom();
        const QPointF group = canvas_->placedAt(gridGroup_).value_or(QPointF());
        canvas_->placeAt(frozenSign_,
                         group + QPointF(0, (gridGroup_->height() + 4) * twipsPerPixel));
    }
}

QString MeasureScreen::pictureOrigin() const
{
    return origin_->isHidden() ? QString() : origin_->text();
}

void MeasureScreen::loadPicture()
{
    const QString folder = station_.capturesPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        dialogs_.message(QLatin1String(kInvalidCapturesPathText), Icon::Warning);
    } else {
        const QString file = dialogs_.openFile(QStringLiteral("Load Picture"), folder,
                                               QLatin1String(kLoadPictureFilter),
                                               loadPictureFilterEntry(station_.pictureExtension()));
        if (!file.isEmpty()) {
            const Result<QImage> picture = readPicture(file);
            if (!picture) {
                dialogs_.message(picture.error(), Icon::Warning);
            } else {
                canvas_->setBackground(Qt::black);
                showPicture(*picture, file);
                loadedFile_ = QDir::toNativeSeparators(file);
                showOrigin(loadedFile_);
            }
        }
    }
    // The line names the picture shown, the earlier one when nothing new was loaded.
    writeResults(loadedPictureLine(station_.clock().now(), loadedFile_));
    station_.setNavigationMode(QStringLiteral("PictureLoadMenu"));
}

void MeasureScreen::freeze()
{
    frozen_ = true;
    frozenSign_->show();
    frozenSign_->raise();
    distance_->clear();
    distanceFt_->clear();
    showGrid_->setFocus();
}

// The snapshot actions freeze the screen only once there is a picture to freeze on.
bool MeasureScreen::takeSnapshot(const QImage& picture)
{
    if (picture.isNull())
        return false;
    freeze();
    showPicture(picture, QString());
    return true;
}

void MeasureScreen::pastePicture()
{
    const QString path = station_.currentCapturePath();
    if (!takeSnapshot(QImage(path))) {
        dialogs_.message(
            QStringLiteral("There is no picture to show in %1").arg(QDir::toNativeSeparators(path)),
            Icon::Warning);
        return;
    }
    showOrigin(QLatin1String(kFromClipboardText));
}

void MeasureScreen::clipSnapShot()
{
    if (!takeSnapshot(clipboardPicture())) {
        dialogs_.message(QStringLiteral("There is no picture on the clipboard."), Icon::Warning);
        return;
    }
    showOrigin(QLatin1String(kFromClipboardText));
}

void MeasureScreen::imgSnapShot()
{
    const QString path = QDir(station_.zqioFolder()).filePath(QLatin1String(kSnapshotName));
    const QImage picture = QFileInfo(path).isFile() ? QImage(path) : QImage();
    if (!takeSnapshot(picture)) {
        dialogs_.message(QLatin1String(kSnapshotWarning), Icon::Warning);
        return;
    }
    showOrigin(QLatin1String(kSnapshotName));
}

void MeasureScreen::setAutoLoad(bool on)
{
    if (on) {
        loadTimer_->setInterval(1000);
        loadTimer_->start();
    } else {
        loadTimer_->stop();
    }
}

// Neither the overlay nor the frozen state change: the drawing layer stays over the new
// picture.
void MeasureScreen::autoLoadTick()
{
    if (!clipFlagRaised(station_.zqioFolder()))
        return;
    const QImage picture = clipboardPicture();
    if (!picture.isNull())
        canvas_->setPicture(picture);
    lowerClipFlag(station_.zqioFolder());
}

// A picture chosen in the picture log is taken once; the value is emptied so the same
// picture chosen again is shown again.
void MeasureScreen::showPictureToView()
{
    const QString path = station_.pictureToView();
    if (path.isEmpty())
        return;
    station_.setPictureToView(QString());
    const Result<QImage> picture = readPicture(path);
    if (!picture) {
        dialogs_.message(picture.error(), Icon::Warning);
        return;
    }
    showPicture(*picture, path);
    showOrigin(QDir::toNativeSeparators(path));
}

// Each time the screen becomes active: a frame just selected is shown again, whatever was
// pasted over it since.
void MeasureScreen::activate()
{
    showActiveGrid();
    if (station_.navigationMode() == QLatin1String("SelectFrame"))
        showCurrentCapture();
    else
        show_the_grid();
    keys_->start();
    writeDebug(QStringLiteral("Measure form Activated - picture loaded - ") +
               QDir::toNativeSeparators(station_.currentCapturePath()));
}

void MeasureScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    activate();
}

bool MeasureScreen::eventFilter(QObject* watched, QEvent* event)
{
    const bool ownWindow = (results_ && watched == results_) ||
                           (pictureLog_ && watched == pictureLog_) ||
                           (calibrate_ && watched == calibrate_);
    if (ownWindow && event->type() == QEvent::Hide && isVisible())
        activate();
    return QWidget::eventFilter(watched, event);
}

} // namespace zelvan::measure::ui
