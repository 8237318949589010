#include "capture/ui/PreviewScreen.h"

#include "app/SkierNames.h"
#include "app/TextFiles.h"
#include "app/ui/ResultsViewer.h"
#include "app/ui/SkierPicker.h"
#include "capture/JumpVideoNames.h"
#include "capture/ui/LivePicture.h"
#include "widgets/Accessibility.h"

#include <QApplication>
#include <QFileInfo>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <utility>

namespace zelvan::capture::ui
{

PreviewScreen::PreviewScreen(app::Station& station, Dialogs& dialogs, CaptureControl& control,
                             CapturePanelLink panel, QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs), control_(control),
      panel_(std::move(panel))
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Zelvan 2005 Capture Screen"));
    buildControls();
    load();
    wireControls();
    // Keys anywhere on the screen reach its key handler before the focused control.
    qApp->installEventFilter(this);
    txtSkierName_->installEventFilter(this);
    resize(1200, 720);
    widgets::describeControls(this);
}

PreviewScreen::~PreviewScreen()
{
    // A recording still running when the station ends is finished, so its file is complete.
    if (control_.capturing())
        stopControl();
}

void PreviewScreen::wireControls()
{
    connect(cmdStartCapture_, &QPushButton::clicked, this, &PreviewScreen::startRecording);
    connect(cmdStartTimer_, &QPushButton::clicked, this, &PreviewScreen::markContact);
    connect(cmdEndCapture_, &QPushButton::clicked, this, &PreviewScreen::stopRecording);
    connect(timer40_, &QTimer::timeout, this, &PreviewScreen::countdownTick);
    connect(btnCaptureFrame_, &QPushButton::clicked, this, &PreviewScreen::captureFrame);
    connect(cmdSelect_, &QPushButton::clicked, this, &PreviewScreen::selectName);
    connect(btnGetName_, &QPushButton::clicked, this, &PreviewScreen::getWstimsName);
    connect(cmdGoSetup_, &QPushButton::clicked, this, &PreviewScreen::goToMain);
    connect(cmdGoToTimer_, &QPushButton::clicked, this, &PreviewScreen::goToFrameSelection);
    // A choice is a selected entry: the list taking the focus makes its first entry current
    // without selecting it, and that must not change a recording time set by hand.
    connect(captureTimeValue_, &QListWidget::itemSelectionChanged, this,
            &PreviewScreen::onCaptureTimeChosen);
    connect(txtSkierName_, &QLineEdit::textChanged, this, &PreviewScreen::onNameChanged);
    connect(txtPass_, &QLineEdit::textChanged, this,
            [this](const QString& text) { station_.setCaptureAttemptNumber(text); });
    // The names import, the skier picker and the frame selection screen's name fix set the
    // name and attempt through the Station.
    connect(&station_, &app::Station::captureSkierNameChanged, this, [this] {
        if (txtSkierName_->text() != station_.captureSkierName())
            txtSkierName_->setText(station_.captureSkierName());
    });
    connect(&station_, &app::Station::captureAttemptNumberChanged, this, [this] {
        if (txtPass_->text() != station_.captureAttemptNumber())
            txtPass_->setText(station_.captureAttemptNumber());
    });
    // The frame selection screen's name fix has done its job: the warning and its flag go, and
    // the pass is known under the name it was moved to.
    connect(&station_, &app::Station::captureNameWarningChanged, this, [this] {
        if (station_.captureNameWarning())
            return;
        label4_->hide();
        collisionFlag_ = false;
    });
    connect(&station_, &app::Station::capturedVideoFileChanged, this,
            [this] { captureFilePath_ = station_.capturedVideoFile(); });
    // Left shown beneath the measurement screen, the screen is not shown again when it comes
    // back on top, but it is activated again.
    connect(&station_, &app::Station::screenRequested, this, [this](app::Station::Screen s) {
        if (s == app::Station::Screen::Capture && isVisible())
            scheduleActivation();
    });
    connect(&control_, &CaptureControl::previewFrame, picture_, &LivePicture::showFrame);
    connect(&control_, &CaptureControl::warning, this, &PreviewScreen::onWarning);
    wireTrigger();
}

void PreviewScreen::load()
{
    captureScreenPainted_ = false;
    const CaptureTimeChoice time = captureTimeAtLoad(station_.settings().captureTime());
    if (time.index < 0)
        captureTimeValue_->clearSelection();
    captureTimeValue_->setCurrentRow(time.index);
    captureSeconds_ = time.seconds;
    captime_->setText(captureSecondsText(captureSeconds_));
    if (time.storeDefault)
        storeSetting(app::key::captureTime, QStringLiteral("5"));
    loadTriggerSettings();

    QString name = QStringLiteral("Skier Name");
    const QString names =
        app::joinPath(station_.stationFolder(), QString::fromLatin1(app::kSkierNamesFile));
    if (QFileInfo::exists(names)) {
        const Result<QString> text = app::readTextFile(names);
        const QString first = text ? text->section(QLatin1Char('\n'), 0, 0).remove('\r') : "";
        name = first.isEmpty() ? txtSkierName_->text() : app::commasToSpaces(first);
    }
    txtSkierName_->setText(name);
    onNameChanged(txtSkierName_->text());
}

void PreviewScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    scheduleActivation();
}

// Off the screen nothing is kept and nothing starts a pass: the station PC's cores go to the
// screen the operator is on.
void PreviewScreen::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous() || control_.capturing())
        return;
    control_.disarmTrigger();
    try {
        control_.setPreTriggerSeconds(0);
    } catch (const CaptureError& error) {
        showError(error);
    }
}

void PreviewScreen::scheduleActivation()
{
    // The main screen sets previewOn and navigationMode right after asking for this screen:
    // activation and the first paint read them once the request is complete.
    if (showPending_)
        return;
    showPending_ = true;
    QTimer::singleShot(0, this, [this] {
        showPending_ = false;
        if (!isVisible())
            return;
        activate();
        firstPaint();
    });
}

void PreviewScreen::activate()
{
    if (station_.previewOn())
        cmdStartCapture_->setFocus();
    log(QStringLiteral("Capture Video Form Activated"));
    applyTriggerSettings();
}

void PreviewScreen::firstPaint()
{
    if (captureScreenPainted_)
        return;
    captureScreenPainted_ = true;
    captime_->setText(captureSecondsText(captureSeconds_));
    const QString mode = station_.navigationMode();
    if (mode != QLatin1String("Setup") && mode != QLatin1String("Timer"))
        return;
    label4_->hide();
    const AttemptCheck check =
        firstPaintAttempt(station_.videoDirectory(), txtSkierName_->text(), txtPass_->text(),
                          [](const QString& path) { return QFileInfo::exists(path); });
    txtPass_->setText(check.attempt);
    if (check.collision)
        collisionFlag_ = true;
    showMessages(dialogs_, check.messages);
    station_.setNavigationMode(QString());
}

bool PreviewScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSkierName_ && event->type() == QEvent::MouseButtonDblClick) {
        pickFromList();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !isVisible())
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        escape();
        return true;
    }
    return false;
}

void PreviewScreen::onNameChanged(const QString& text)
{
    txtPass_->setText(QStringLiteral("1"));
    const CleanedName cleaned = cleanSkierName(text);
    if (!cleaned.messages.isEmpty()) {
        showMessages(dialogs_, cleaned.messages);
        const QSignalBlocker quiet(txtSkierName_);
        const int cursor = txtSkierName_->cursorPosition();
        txtSkierName_->setText(cleaned.name);
        txtSkierName_->setCursorPosition(cursor);
    }
    station_.setCaptureSkierName(cleaned.name);
}

void PreviewScreen::onCaptureTimeChosen()
{
    const QList<QListWidgetItem*> chosen = captureTimeValue_->selectedItems();
    if (chosen.isEmpty())
        return;
    const QString text = chosen.front()->text();
    storeSetting(app::key::captureTime, text);
    captureSeconds_ = text.toDouble();
    captime_->setText(captureSecondsText(captureSeconds_));
}

// Nothing modal comes up in front of a pass: Contact, ESC and the countdown keep working, and
// the warnings are told once the pass is over.
void PreviewScreen::onWarning(const QString& text)
{
    const QString message = QStringLiteral("Warning: ") + text;
    if (!control_.capturing()) {
        dialogs_.message(message);
        return;
    }
    if (!heldWarnings_.contains(message))
        heldWarnings_ << message;
    lblWarning_->setText(heldWarnings_.join(QLatin1Char('\n')));
}

void PreviewScreen::showHeldWarnings()
{
    const QStringList held = std::exchange(heldWarnings_, {});
    for (const QString& message : held)
        dialogs_.message(message);
}

void PreviewScreen::selectName()
{
    if (station_.wstims())
        getWstimsName();
    else
        pickFromList();
}

void PreviewScreen::getWstimsName()
{
    const Result<QString> name = readWstimsSkierName(station_.zqioFolder());
    if (!name) {
        dialogs_.message(name.error());
        return;
    }
    wstimsSkierName_ = *name;
    txtSkierName_->setText(wstimsSkierName_);
    // The measurement screen records the name as the name box has made it safe.
    station_.setMeasureSkierName(txtSkierName_->text());
}

void PreviewScreen::pickFromList()
{
    if (!picker_) {
        picker_ = new app::ui::SkierPicker(station_, dialogs_, this);
        // A double click on a name sets captureSkierName, which the name box follows.
    }
    // Once a name is chosen the next thing is the pass: Space then starts the recording.
    picker_->open(cmdStartCapture_);
}

void PreviewScreen::goToMain()
{
    station_.setNavigationMode(QStringLiteral("Capture"));
    station_.setPreviewOn(false);
    station_.showScreen(app::Station::Screen::Main);
}

void PreviewScreen::goToFrameSelection()
{
    station_.setPreviewOn(false);
    station_.setNavigationMode(QStringLiteral("CaptureGoToTimer"));
    station_.showScreen(app::Station::Screen::FrameSelection);
}

void PreviewScreen::viewResults()
{
    if (!results_)
        results_ = new app::ui::ResultsViewer(station_, dialogs_, this);
    results_->open();
}

void PreviewScreen::log(const QString& line)
{
    showMessages(dialogs_, station_.debugLog().WriteDebugLog(line).messages);
}

void PreviewScreen::storeSetting(const char* key, const QString& text)
{
    if (const Status stored = station_.settings().write(QString::fromLatin1(key), text); !stored)
        dialogs_.message(stored.error(), Icon::Warning);
}

} // namespace zelvan::capture::ui
