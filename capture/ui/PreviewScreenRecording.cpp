// The capture screen's recording: Start, Contact, the countdown, ESC and the Stop sequence,
// and "Capture Frame".
#include "base/Platform.h"
#include "capture/CaptureErrorMessage.h"
#include "capture/JumpVideoNames.h"
#include "capture/ui/PreviewScreen.h"

#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace zelvan::capture::ui
{

namespace
{

bool fileExists(const QString& path)
{
    return QFileInfo::exists(path);
}

// The wait cursor of a step, put back however the step ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void PreviewScreen::applyButtons(CaptureState state)
{
    const CaptureButtons b = buttonsFor(state);
    cmdStartCapture_->setEnabled(b.start);
    cmdStartTimer_->setEnabled(b.contact);
    cmdEndCapture_->setEnabled(b.stop);
    btnCaptureFrame_->setEnabled(b.captureFrame);
    cmdGoToTimer_->setEnabled(b.leave);
    cmdGoSetup_->setEnabled(b.leave);
    // The control refuses a new length while it records; arming then has no pass to start.
    preTriggerSeconds_->setEnabled(b.start);
    cmdArmTrigger_->setEnabled(b.start);
}

void PreviewScreen::startRecording()
{
    if (control_.capturing())
        return; // mnuStart while a pass is being recorded
    btnCaptureFrame_->setEnabled(false);
    lblStartFrame_->setText(QStringLiteral(" "));
    const WaitCursor wait;
    log(QStringLiteral("Start Capture"));
    const StartName start = startRecordingName(station_.videoDirectory(), txtSkierName_->text(),
                                               txtPass_->text(), fileExists);
    collisionFlag_ = start.collision;
    if (start.collision) {
        txtSkierName_->setText(start.skierName); // the attempt goes back to 1 with it
        txtPass_->setText(start.attempt);
    }
    if (startRefused(start.path)) {
        applyButtons(CaptureState::Ready);
        return;
    }
    if (start.collision) {
        label4_->setText(start.warning);
        label4_->show();
    }
    station_.setMeasureSkierName(txtSkierName_->text().trimmed());
    station_.setMeasureJumpNumber(txtPass_->text());
    log(QStringLiteral("Capture File: ") + start.path);
    if (!startCaptureTo(start.path)) {
        applyButtons(CaptureState::Ready);
        return;
    }
    // Only a pass that started has a file to name; a refused one leaves the last pass named.
    captureFilePath_ = start.path;
    lblWarning_->clear();
    timer40_->setInterval(1000);
    timer40_->start();
    captime_->setText(captureSecondsText(captureSeconds_));
    applyButtons(CaptureState::Recording);
    cmdStartTimer_->setFocus();
}

// A recording is only ever made inside the save-video folder and never over a file.
bool PreviewScreen::startRefused(const QString& path)
{
    if (!QFileInfo(station_.videoDirectory()).isDir()) {
        dialogs_.message(QStringLiteral("The Log File Folder you specified does not exist. "
                                        "Please change it to a Folder that does exist."),
                         Icon::Warning, QStringLiteral("Path Error"));
        return true;
    }
    if (fileExists(path)) {
        dialogs_.message(QStringLiteral("A file for this pass already exists and is never "
                                        "overwritten. Please change the skier name:\r\n") +
                             QDir::toNativeSeparators(path),
                         Icon::Warning, QStringLiteral("Duplicate File Warning"));
        return true;
    }
    return false;
}

bool PreviewScreen::startCaptureTo(const QString& path)
{
    if (panel_.applyCaptureValues && !panel_.applyCaptureValues())
        return false; // the panel has told the operator
    // Asked once the capture values are applied: the pass is recorded at what the control holds.
    const PassFormat format = passFormat();
    if (passWontFit(format))
        return false;
    try {
        control_.setCaptureFileName(path);
        control_.startCapture();
    } catch (const CaptureError& error) {
        showError(error);
        return false;
    }
    passStarted_ = true;
    passFormat_ = format;
    return true;
}

PassFormat PreviewScreen::passFormat() const
{
    PassFormat format;
    try {
        format.fps = control_.frameRate();
        const int compressor = control_.videoCompressorIndex();
        format.compressor = compressor < 0 ? QStringLiteral("Uncompressed")
                                           : control_.videoCompressorName(compressor);
        const int resolution = control_.resolutionIndex();
        if (resolution >= 0 && resolution < control_.resolutionCount())
            format.size = resolutionSize(control_.resolutionName(resolution));
        if (control_.audioDeviceIndex() >= 0)
            format.audioBytesPerSecond =
                qint64(control_.sampleRate()) * control_.channels() * control_.bitsPerSample() / 8;
    } catch (const CaptureError&) {
        // A format the control cannot tell is not estimated; Start tells the control's error.
    }
    return format;
}

// A disk that fills during the pass would lose the jump: one that cannot hold it is told now.
bool PreviewScreen::passWontFit(const PassFormat& format)
{
    const auto need = passNeed(format, captureSeconds_, lastPass_);
    if (!need)
        return false;
    const QString folder = station_.videoDirectory();
    const auto refusal =
        passSpaceRefusal(folder, platform::freeDiskBytes(folder), format, captureSeconds_, *need);
    if (!refusal)
        return false;
    log(QStringLiteral("Start refused: ") + refusal->text);
    showMessages(dialogs_, {*refusal});
    return true;
}

// What the pass that just ended wrote tells the next Start how much one pass needs.
void PreviewScreen::notePassEnd(bool started)
{
    if (!started)
        return;
    const auto perSecond = passBytesPerSecond(QFileInfo(captureFilePath_).size(),
                                              capturedFrameCount_, captureFrameRate_);
    if (perSecond)
        lastPass_ = RecordedPass{passFormat_, *perSecond};
}

void PreviewScreen::markContact()
{
    const int frames = control_.framesCaptured();
    lblStartFrame_->setText(QString::number(frames));
    station_.setContactFrameHint(frames);
}

void PreviewScreen::countdownTick()
{
    const CountdownTick tick = capture::countdownTick(captime_->text());
    captime_->setText(QString::number(tick.left));
    if (tick.ended) {
        timer40_->stop();
        cmdStartCapture_->setEnabled(true);
        cmdEndCapture_->setEnabled(false);
        captime_->setText(captureSecondsText(captureSeconds_));
        stopControl();
        if (lblStartFrame_->text() == QLatin1String(" "))
            setDefaultContactFrame();
        stopRecording();
    }
    lblFrame_->setText(QString::number(control_.framesCaptured()));
    lblFrmDrop_->setText(QString::number(control_.framesDropped()));
}

void PreviewScreen::escape()
{
    // Armed and waiting for the skier, ESC only takes the trigger back.
    if (!control_.capturing() && control_.triggerState() == CaptureControl::TriggerArmed) {
        control_.disarmTrigger();
        log(QStringLiteral("Trigger disarmed"));
        return;
    }
    timer40_->stop();
    if (lblStartFrame_->text() == QLatin1String(" "))
        setDefaultContactFrame();
    log(QStringLiteral("ESC pressed"));
    stopRecording();
}

void PreviewScreen::setDefaultContactFrame()
{
    // The recording time runs from Start; the file's frames count from its first one, which
    // may be seconds kept from before Start.
    const QString rate = panel_.rateText ? panel_.rateText() : QString();
    station_.setContactFrameHint(defaultContactFrame(rate, captureSeconds_) +
                                 control_.startFrame());
}

void PreviewScreen::stopRecording()
{
    stopControl();
    if (panel_.showCounters)
        panel_.showCounters();
    timer40_->stop();
    applyButtons(CaptureState::Stopped);
    lblFrame_->setText(QString::number(control_.framesCaptured()));
    lblFrmDrop_->setText(QString::number(control_.framesDropped()));
    const bool started = std::exchange(passStarted_, false);
    // A pass that left no file at all keeps its attempt: the next one records it again.
    if (!started || passLeftFile(captureFilePath_))
        txtPass_->setText(nextAttempt(txtPass_->text()));
    captureFrameRate_ = control_.frameRate();
    capturedFrameCount_ = control_.framesCaptured();
    notePassEnd(started);
    // A trigger that started this pass is spent; the next pass is armed again by hand.
    if (control_.triggerState() == CaptureControl::TriggerTriggered)
        control_.disarmTrigger();
    log(QStringLiteral("Capture Complete"));
    // Only the recorded pass is named here; the pass measured is the one a frame is taken of.
    station_.setCapturedVideoFile(captureFilePath_);
    station_.setCaptureNameWarning(collisionFlag_ && label4_->isVisibleTo(this));
    station_.setNavigationMode(QStringLiteral("Capture"));
    station_.setPreviewOn(false);
    station_.showScreen(app::Station::Screen::FrameSelection);
    showHeldWarnings();
}

void PreviewScreen::stopControl()
{
    try {
        control_.stopCapture();
    } catch (const CaptureError& error) {
        showError(error);
    }
}

void PreviewScreen::captureFrame()
{
    const QString still = station_.currentCapturePath();
    try {
        control_.setStillFileName(still);
        control_.grabStill();
    } catch (const CaptureError& error) {
        // No picture was taken: the screen stays, nothing else is shown a stale one.
        showError(error);
        return;
    }
    // The still shows the skier now at the ramp, under the attempt the screen shows; it is a
    // frame of no video, so no video policy acts on it.
    station_.setCapturePicturePass(
        {QString(), 0, txtSkierName_->text().trimmed(), txtPass_->text()});
    station_.setNavigationMode(QStringLiteral("SelectFrame"));
    if (station_.allGridsReady() != 1) {
        dialogs_.message(QStringLiteral("One or more grids are not configured.  You may not use "
                                        "the Measure Screen until all listed grids are configured"),
                         Icon::Warning);
        station_.showScreen(app::Station::Screen::GridSetup);
        return;
    }
    station_.setMeasureSkierName(txtSkierName_->text().trimmed());
    station_.setMeasureJumpNumber(txtPass_->text());
    // The live picture stays shown under the measurement screen.
    station_.showScreenOver(app::Station::Screen::Measure, app::Station::Screen::Capture);
}

void PreviewScreen::showError(const CaptureError& error)
{
    const OperatorMessage m = captureErrorMessage(error, NumberBase::Hexadecimal);
    dialogs_.message(m.text, m.icon, m.title);
}

} // namespace zelvan::capture::ui
