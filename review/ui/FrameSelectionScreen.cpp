#include "review/ui/FrameSelectionScreen.h"

#include "app/ui/LogViewer.h"
#include "base/OperatorMessage.h"
#include "base/Platform.h"
#include "review/FileChecks.h"
#include "review/FrameGrab.h"
#include "review/FrameSelection.h"
#include "review/NameFix.h"
#include "widgets/Accessibility.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/FramePlayer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace zelvan::review::ui
{

using Screen = app::Station::Screen;

FrameSelectionScreen::FrameSelectionScreen(app::Station& station, Dialogs& dialogs, QWidget* parent,
                                           FreeBytes freeBytes)
    : QWidget(parent), station_(station), dialogs_(dialogs), freeBytes_(std::move(freeBytes))
{
    setObjectName(QStringLiteral("frmSetStart"));
    setWindowTitle(QStringLiteral("Zelvan 2005 Frame Selection"));
    if (!freeBytes_)
        freeBytes_ = platform::freeDiskBytes;
    buildControls();
    keyPoll_ = new widgets::CursorKeyPoll(this);
    connect(keyPoll_, &widgets::CursorKeyPoll::keyHeld, this, [this](Qt::Key key) {
        if (key == Qt::Key_Left)
            stepBack();
        else if (key == Qt::Key_Right)
            stepForward();
    });
    connect(player_, &widgets::FramePlayer::keypadStep, this,
            [this](int direction) { direction > 0 ? stepForward() : stepBack(); });
    // A video policy is about to move or delete the video: let go of it.
    connect(&station_, &app::Station::videoReleaseRequested, player_, &widgets::FramePlayer::close);
    // The video log picks a video while this screen is shown: paint once both values are set.
    connect(&station_, &app::Station::navigationModeChanged, this, [this] {
        if (station_.navigationMode() == QLatin1String("View"))
            schedulePaint();
    });
    connect(&station_, &app::Station::videoFileToViewChanged, this, [this] {
        if (station_.navigationMode() == QLatin1String("View"))
            schedulePaint();
    });
    // Load: nothing to take until a video is named.
    cmdMarkStart_->setEnabled(false);
    btnGoToSetup_->setEnabled(false);
    label5_->setText(QString::fromLatin1(kSelectStart));
    widgets::describeControls(this);
}

FrameSelectionScreen::~FrameSelectionScreen() = default;

void FrameSelectionScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Restored from the task bar: the same visit goes on, nothing is reloaded.
    if (!event->spontaneous())
        paint();
}

void FrameSelectionScreen::schedulePaint()
{
    if (!isVisible() || paintPending_)
        return;
    paintPending_ = true;
    QTimer::singleShot(0, this, [this] {
        paintPending_ = false;
        // A video picked in a video log is loaded even when one was loaded in this visit.
        viewPainted_ = false;
        if (isVisible())
            paint();
    });
}

void FrameSelectionScreen::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous()) // minimised: the visit goes on
        return;
    keyPoll_->stop();
    // The video log's video is loaded once per visit; the next visit paints afresh, so a
    // pass recorded afterwards is opened.
    viewPainted_ = false;
}

void FrameSelectionScreen::log(const QString& line)
{
    showMessages(dialogs_, station_.debugLog().WriteDebugLog(line).messages);
}

void FrameSelectionScreen::paint()
{
    if (viewPainted_)
        return;
    log(QStringLiteral("SetStart Form painted"));
    keyPoll_->start();
    showDiskSpace();
    switch (paintFlowFor(station_.navigationMode())) {
    case PaintFlow::ClearVideo:
        // No video open means none: the player lets go of the previous pass too.
        text6_->clear();
        player_->close();
        break;
    case PaintFlow::View:
        paintView();
        break;
    case PaintFlow::Capture:
        paintCapture();
        break;
    case PaintFlow::KeepVideo:
        break;
    }
    label9_->setVisible(station_.settings().barefoot());
}

void FrameSelectionScreen::showDiskSpace()
{
    const QString folder = station_.videoDirectory();
    const DiskSpaceDisplay d = diskSpaceFor(folder, freeBytes_(diskQueryPath(folder)));
    label10_->setText(d.driveCaption);
    lblDiskSpace_->setText(d.freeText);
    label11_->setVisible(d.low);
}

void FrameSelectionScreen::paintView()
{
    viewPainted_ = true;
    const QString video = station_.videoFileToView();
    text6_->setText(video);
    openInPlayer(video);
    if (const auto measured = alreadyMeasuredMessage(video, true))
        showMessages(dialogs_, {*measured});
    enableTaking(QString::fromLatin1(kSelectContact));
    player_->setFocus();
}

void FrameSelectionScreen::paintCapture()
{
    station_.setNavigationMode(QString());
    if (!station_.capturedVideoFile().isEmpty())
        text6_->setText(station_.capturedVideoFile());
    if (station_.captureNameWarning())
        fixName();
    if (!text6_->text().isEmpty())
        openInPlayer(text6_->text());
    cmdMarkStart_->setEnabled(true);
    btnGoToSetup_->setEnabled(true);
    const double hint = station_.contactFrameHint();
    if (hint > 0) {
        if (player_->isOpen())
            (void)player_->setPosition(qint64(hint));
        label5_->setText(QString::fromLatin1(kSelectStart));
    }
}

void FrameSelectionScreen::fixName()
{
    station_.setCaptureNameWarning(false);
    const QString recorded = text6_->text();
    const NameFixResult fix =
        fixSkierName(dialogs_,
                     {station_.captureSkierName(), station_.captureAttemptNumber(),
                      station_.videoDirectory(), recorded},
                     [](const QString& path) { return fileExists(path); });
    if (fix.move) {
        if (player_->fileName() == recorded)
            player_->close();
        if (const Status moved = moveRecording(recorded, fix.videoPath); !moved) {
            // The recording stays under the name it was recorded with.
            dialogs_.message(moved.error(), Icon::Warning);
            return;
        }
    }
    text6_->setText(fix.videoPath);
    station_.setCapturedVideoFile(fix.videoPath);
    station_.setCaptureSkierName(fix.skierName);
    station_.setCaptureAttemptNumber(QStringLiteral("2"));
    // The results line and the contact picture carry the name the video now carries.
    station_.setMeasureSkierName(fix.skierName);
}

bool FrameSelectionScreen::openInPlayer(const QString& path)
{
    const Status opened = player_->open(path);
    if (!opened)
        dialogs_.message(QStringLiteral("The video cannot be played:\r\n") + path +
                             QStringLiteral("\r\n") + opened.error(),
                         Icon::Warning);
    return opened.ok();
}

void FrameSelectionScreen::enableTaking(const QString& instruction)
{
    cmdMarkStart_->setEnabled(true);
    btnGoToSetup_->setEnabled(true);
    label5_->setText(instruction);
}

void FrameSelectionScreen::browse()
{
    const QString path = dialogs_.openFile(QString(), station_.videoDirectory(),
                                           QString::fromLatin1(kVideoFileFilter));
    if (!path.isEmpty()) {
        const Informed<bool> choice =
            chooseVideoFile(path, [this](const QString& p) { return openOtherCamera(p); });
        if (choice.value) {
            text6_->setText(path);
            enableTaking(QString::fromLatin1(kSelectStart));
        }
        showMessages(dialogs_, choice.messages);
    }
    // The player follows the file box, also after a cancelled dialog.
    const QString named = text6_->text();
    if (!named.isEmpty() && named != player_->fileName())
        openInPlayer(named);
    player_->setFocus();
}

bool FrameSelectionScreen::openOtherCamera(const QString& path)
{
    if (path == player_->fileName())
        return true;
    const QString before = player_->fileName();
    const qint64 shown = player_->position();
    if (player_->open(path))
        return true;
    // Not a video after all: the pass that was open comes back on the frame it showed.
    if (!before.isEmpty() && player_->open(before))
        (void)player_->setPosition(shown);
    return false;
}

void FrameSelectionScreen::stepBack()
{
    if (!player_->isOpen())
        return;
    if (const auto to = stepBackFrom(player_->position()))
        if (const Status moved = player_->setPosition(*to); !moved)
            log(moved.error());
}

void FrameSelectionScreen::stepForward()
{
    if (!player_->isOpen())
        return;
    if (const Status moved = player_->stepForward(); !moved)
        log(moved.error());
}

void FrameSelectionScreen::takeFrame()
{
    take(false);
}

void FrameSelectionScreen::takeForSetup()
{
    take(true);
}

void FrameSelectionScreen::take(bool forGridSetup)
{
    if (!player_->isOpen()) {
        dialogs_.message(
            QStringLiteral("No video is open. Open one with the \"...\" button first."),
            Icon::Warning);
        return;
    }
    const qint64 marked = markedFrameFor(double(player_->position()));
    // The picture measured is the picture on screen: position 0 takes frame 1, so show it.
    if (marked != player_->position())
        (void)player_->setPosition(marked);
    const QString video = player_->fileName();
    log(frameSelectedLine(marked, video));
    const Informed<bool> grabbed =
        grabVideoFrame(player_->reader(), marked, station_.stationFolder());
    showMessages(dialogs_, grabbed.messages);
    // Without this frame's picture the operator stays on it: the measurement screen would
    // otherwise show the previous picture as if it were this frame.
    if (!grabbed.value)
        return;
    station_.setCapturePicturePass(
        {video, double(marked), station_.measureSkierName(), station_.measureJumpNumber()});
    station_.setNavigationMode(QStringLiteral("SelectFrame"));
    if (takenFrameGoesToGridSetup(station_.allGridsReady(), forGridSetup)) {
        dialogs_.message(QString::fromLatin1(kGridsNotReady), Icon::Warning);
        station_.showScreen(Screen::GridSetup);
    } else {
        station_.showScreen(Screen::Measure);
    }
}

void FrameSelectionScreen::goToCapture()
{
    keyPoll_->stop();
    station_.showScreen(Screen::Capture);
    station_.setPreviewOn(true);
    station_.setNavigationMode(QStringLiteral("Timer"));
}

void FrameSelectionScreen::goToMain()
{
    keyPoll_->stop();
    station_.showScreen(Screen::Main);
    station_.setNavigationMode(QStringLiteral("Timer"));
}

void FrameSelectionScreen::viewLog()
{
    viewPainted_ = false;
    if (!logViewer_)
        logViewer_ = new app::ui::LogViewer(station_, dialogs_, this);
    static_cast<app::ui::LogViewer*>(logViewer_.data())->open();
}

} // namespace zelvan::review::ui
