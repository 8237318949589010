// The capture screen's seconds kept before Start and its automatic start: the stored values,
// the zone drawn on the live picture, Arm/Disarm, and the trigger starting the pass exactly as
// Start does.
#include "app/SettingsStore.h"
#include "capture/ui/LivePicture.h"
#include "capture/ui/PreviewScreen.h"
#include "widgets/Accessibility.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace zelvan::capture::ui
{

void PreviewScreen::wireTrigger()
{
    connect(preTriggerSeconds_, &QDoubleSpinBox::valueChanged, this,
            &PreviewScreen::onPreSecondsChosen);
    connect(cmdArmTrigger_, &QPushButton::clicked, this, &PreviewScreen::toggleTrigger);
    connect(picture_, &LivePicture::zoneDrawn, this, &PreviewScreen::onZoneDrawn);
    connect(&control_, &CaptureControl::triggerStateChanged, this, &PreviewScreen::onTriggerState);
    connect(&control_, &CaptureControl::triggerFired, this, &PreviewScreen::onTriggerFired);
}

// A value edited by hand into something unusable falls back and says so; nothing stops.
void PreviewScreen::loadTriggerSettings()
{
    const app::SettingsStore& store = station_.settings();
    const StoredTriggerSettings read =
        readTriggerSettings({store.read(QString::fromLatin1(triggerKeys::preSeconds)),
                             store.read(QString::fromLatin1(triggerKeys::zone)),
                             store.read(QString::fromLatin1(triggerKeys::threshold))},
                            QSize());
    trigger_ = read.settings;
    {
        const QSignalBlocker quiet(preTriggerSeconds_);
        preTriggerSeconds_->setValue(trigger_.preSeconds);
    }
    picture_->setZone(trigger_.zone);
    for (const QString& note : read.notes)
        log(note);
    lblTriggerNote_->setText(read.notes.join(QLatin1Char('\n')));
    if (read.notes.isEmpty() && trigger_.zone.isEmpty())
        lblTriggerNote_->setText(
            QStringLiteral("Drag a rectangle on the live picture where the skier leaves the ramp"));
    onTriggerState(control_.triggerState());
}

// The control keeps what this screen shows while the screen is up.
void PreviewScreen::applyTriggerSettings()
{
    if (control_.capturing())
        return;
    try {
        control_.setPreTriggerSeconds(preTriggerSeconds_->value());
        control_.setTrigger(trigger_.zone, trigger_.threshold);
    } catch (const CaptureError& error) {
        showError(error);
    }
}

void PreviewScreen::onPreSecondsChosen(double seconds)
{
    trigger_.preSeconds = seconds;
    storeSetting(triggerKeys::preSeconds, numberText(seconds));
    applyTriggerSettings();
}

void PreviewScreen::onZoneDrawn(const QRect& drawn)
{
    const Result<QRect> zone = checkZone(drawn, picture_->frame().size());
    if (!zone) {
        picture_->setZone(trigger_.zone); // the zone before stays
        noteTrigger(zone.error());
        return;
    }
    // A trigger armed on another zone would fire on what the operator no longer means.
    if (control_.triggerState() == CaptureControl::TriggerArmed)
        control_.disarmTrigger();
    trigger_.zone = *zone;
    picture_->setZone(*zone);
    storeSetting(triggerKeys::zone, zoneText(*zone));
    storeSetting(triggerKeys::threshold, numberText(trigger_.threshold));
    applyTriggerSettings();
    lblTriggerNote_->setText(
        QStringLiteral("Trigger zone %1 in picture pixels").arg(zoneText(*zone)));
}

void PreviewScreen::toggleTrigger()
{
    if (control_.triggerState() == CaptureControl::TriggerArmed) {
        control_.disarmTrigger();
        return;
    }
    if (trigger_.zone.isEmpty()) {
        dialogs_.message(QStringLiteral("Draw the trigger zone first: drag a rectangle on the live "
                                        "picture where the skier leaves the ramp"),
                         Icon::Warning);
        return;
    }
    // The device may have changed its picture size since the zone was drawn.
    if (const Result<QRect> zone = checkZone(trigger_.zone, picture_->frame().size()); !zone) {
        dialogs_.message(zone.error() + QStringLiteral("; draw the zone again"), Icon::Warning);
        return;
    }
    try {
        control_.setTrigger(trigger_.zone, trigger_.threshold);
        control_.armTrigger();
    } catch (const CaptureError& error) {
        showError(error);
    }
}

void PreviewScreen::onTriggerState(int state)
{
    lblTriggerState_->setText(triggerStateText(state));
    const QString caption = state == CaptureControl::TriggerArmed
                                ? QStringLiteral("Dis&arm Trigger")
                                : QStringLiteral("&Arm Trigger");
    cmdArmTrigger_->setText(caption);
    cmdArmTrigger_->setAccessibleName(widgets::withoutMnemonic(caption));
}

// The pass begins as if Start were pressed at the picture that fired.
void PreviewScreen::onTriggerFired()
{
    if (isVisible() && !control_.capturing()) {
        log(QStringLiteral("Trigger fired"));
        startRecording();
    }
    // A start that was refused leaves the trigger spent: the operator arms it again.
    if (!control_.capturing())
        control_.disarmTrigger();
}

void PreviewScreen::noteTrigger(const QString& text)
{
    log(text);
    lblTriggerNote_->setText(text);
}

} // namespace zelvan::capture::ui
