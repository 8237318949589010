// The capture screen's controls: the live picture on the left, the skier, the recording and
// the ways out on the right, and the controls the operator never sees.
#include "capture/CaptureSession.h"
#include "capture/ui/LivePicture.h"
#include "capture/ui/PreviewScreen.h"

#include <QBoxLayout>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace zelvan::capture::ui
{

namespace
{

template <class W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    return named(new QLabel(text, parent), name);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setMinimumHeight(32);
    return b;
}

} // namespace

void PreviewScreen::buildControls()
{
    picture_ = named(new LivePicture(this), "CapturePRO1");
    auto* side = new QWidget(this);
    side->setFixedWidth(330);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(buildSkierGroup());
    column->addWidget(buildRecordingGroup());
    column->addWidget(buildTriggerGroup());
    label4_ = label(side, "Label4", QString());
    label4_->setWordWrap(true);
    label4_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    label4_->hide();
    column->addWidget(label4_);
    // The engine's warnings while a pass is recorded: a message box then would take the Space
    // or Enter meant for Contact.
    lblWarning_ = label(side, "lblWarning", QString());
    lblWarning_->setWordWrap(true);
    lblWarning_->setAccessibleName(QStringLiteral("Recording warnings"));
    column->addWidget(lblWarning_);
    column->addStretch(1);
    column->addWidget(buildGoGroup());

    auto* row = new QHBoxLayout;
    row->addWidget(picture_, 1);
    row->addWidget(side);
    auto* page = new QVBoxLayout(this);
    buildMenu();
    page->setMenuBar(findChild<QMenuBar*>());
    page->addLayout(row, 1);
    buildHidden();

    setTabOrder(cmdStartCapture_, cmdStartTimer_);
    setTabOrder(cmdStartTimer_, captureTimeValue_);
    setTabOrder(captureTimeValue_, preTriggerSeconds_);
    setTabOrder(preTriggerSeconds_, cmdArmTrigger_);
    setTabOrder(cmdArmTrigger_, txtSkierName_);
    setTabOrder(txtSkierName_, txtPass_);
    setTabOrder(txtPass_, cmdSelect_);
    setTabOrder(cmdSelect_, btnCaptureFrame_);
    setTabOrder(btnCaptureFrame_, cmdGoToTimer_);
    setTabOrder(cmdGoToTimer_, cmdGoSetup_);
}

QWidget* PreviewScreen::buildSkierGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Skier"), this);
    auto* form = new QFormLayout(group);
    txtSkierName_ = named(new QLineEdit(QStringLiteral("SkierName"), group), "txtSkierName");
    auto* nameLabel = new QLabel(QStringLiteral("Skier Name"), group);
    nameLabel->setBuddy(txtSkierName_);
    form->addRow(nameLabel, txtSkierName_);
    txtPass_ = named(new QLineEdit(QStringLiteral("1"), group), "txtPass");
    txtPass_->setMaximumWidth(80);
    auto* passLabel = label(group, "Label2", QStringLiteral("Attempt Number"));
    passLabel->setBuddy(txtPass_);
    form->addRow(passLabel, txtPass_);
    cmdSelect_ = button(group, "cmdSelect", QStringLiteral("Select Name"));
    form->addRow(cmdSelect_);
    return group;
}

QWidget* PreviewScreen::buildRecordingGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Recording"), this);
    auto* column = new QVBoxLayout(group);
    cmdStartCapture_ =
        button(group, "cmdStartCapture", QStringLiteral("Start Recording     (skier hits ramp)"));
    cmdStartCapture_->setMinimumHeight(44);
    cmdStartTimer_ = button(group, "cmdStartTimer", QStringLiteral("Contact"));
    cmdStartTimer_->setMinimumHeight(44);
    cmdStartTimer_->setEnabled(false);
    column->addWidget(cmdStartCapture_);
    column->addWidget(cmdStartTimer_);
    column->addWidget(label(group, "Label3", QStringLiteral("Hit ESC to stop recording")));

    auto* form = new QFormLayout;
    captureTimeValue_ = named(new QListWidget(group), "captureTimeValue");
    captureTimeValue_->addItems(captureTimeItems());
    captureTimeValue_->setFixedHeight(captureTimeValue_->sizeHintForRow(0) * 4 + 6);
    captureTimeValue_->setMaximumWidth(80);
    auto* timeLabel = label(group, "Label9", QStringLiteral("Length of time to record"));
    timeLabel->setBuddy(captureTimeValue_);
    form->addRow(timeLabel, captureTimeValue_);
    // Near the recording time: the file holds these seconds and then the recording time.
    preTriggerSeconds_ = named(new QDoubleSpinBox(group), "preTriggerSeconds");
    preTriggerSeconds_->setRange(0, kMaxPreTriggerSeconds);
    preTriggerSeconds_->setDecimals(1);
    preTriggerSeconds_->setSingleStep(0.5);
    preTriggerSeconds_->setSuffix(QStringLiteral(" s"));
    preTriggerSeconds_->setMaximumWidth(80);
    // Typed digits count once the operator is done, not one keystroke at a time.
    preTriggerSeconds_->setKeyboardTracking(false);
    auto* preLabel =
        label(group, "lblPreTriggerSeconds", QStringLiteral("Seconds &kept before Start"));
    preLabel->setBuddy(preTriggerSeconds_);
    form->addRow(preLabel, preTriggerSeconds_);
    captime_ = label(group, "captime", QStringLiteral("5"));
    form->addRow(label(group, "Label7", QStringLiteral("Capture Time Left")), captime_);
    lblFrame_ = label(group, "LblFrame", QStringLiteral("0"));
    form->addRow(label(group, "Label5", QStringLiteral("Frames Recorded")), lblFrame_);
    lblFrmDrop_ = label(group, "LblFrmDrop", QStringLiteral("0"));
    form->addRow(label(group, "Label6", QStringLiteral("Frames Dropped")), lblFrmDrop_);
    column->addLayout(form);
    return group;
}

// The automatic start: the zone is drawn on the live picture, armed here.
QWidget* PreviewScreen::buildTriggerGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Automatic Start"), this);
    auto* column = new QVBoxLayout(group);
    auto* row = new QHBoxLayout;
    cmdArmTrigger_ = button(group, "cmdArmTrigger", QStringLiteral("&Arm Trigger"));
    lblTriggerState_ = label(group, "lblTriggerState", triggerStateText(0));
    row->addWidget(cmdArmTrigger_);
    row->addWidget(lblTriggerState_, 1);
    column->addLayout(row);
    lblTriggerNote_ = label(group, "lblTriggerNote", QString());
    lblTriggerNote_->setWordWrap(true);
    lblTriggerNote_->setAccessibleName(QStringLiteral("Trigger notes"));
    column->addWidget(lblTriggerNote_);
    return group;
}

QWidget* PreviewScreen::buildGoGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Go To"), this);
    auto* column = new QVBoxLayout(group);
    btnCaptureFrame_ = button(group, "btnCaptureFrame", QStringLiteral("Capture Frame"));
    cmdGoToTimer_ = button(group, "cmdGoToTimer", QStringLiteral("View Already Recorded Jumps"));
    cmdGoSetup_ = button(group, "cmdGoSetup", QStringLiteral("Go Back To Main Screen"));
    column->addWidget(btnCaptureFrame_);
    column->addWidget(cmdGoToTimer_);
    column->addWidget(cmdGoSetup_);
    return group;
}

void PreviewScreen::buildMenu()
{
    auto* menu = new QMenuBar(this);
    QAction* start = menu->addAction(QStringLiteral("&Start Recording"));
    start->setObjectName(QStringLiteral("mnuStart"));
    connect(start, &QAction::triggered, this, &PreviewScreen::startRecording);
    QAction* results = menu->addAction(QStringLiteral("&Results"));
    results->setObjectName(QStringLiteral("mnuResults"));
    connect(results, &QAction::triggered, this, &PreviewScreen::viewResults);
}

// Present for the operations they stand for; the operator reaches them by other ways.
void PreviewScreen::buildHidden()
{
    cmdEndCapture_ = button(this, "cmdEndCapture", QStringLiteral("Stop Recording"));
    cmdEndCapture_->setEnabled(false);
    cmdEndCapture_->hide();
    btnGetName_ = button(this, "btnGetName", QStringLiteral("Get WSTIMS name"));
    btnGetName_->hide();
    lblStartFrame_ = label(this, "lblStartFrame", QStringLiteral("0"));
    lblStartFrame_->hide();
    timer40_ = new QTimer(this);
    timer40_->setObjectName(QStringLiteral("Timer40"));
    // The countdown times the recording: a coarse timer may fire each tick up to 5 % late.
    timer40_->setTimerType(Qt::PreciseTimer);
}

} // namespace zelvan::capture::ui
