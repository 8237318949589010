#include "widgets/StationStyle.h"

#include <QApplication>
#include <QDialog>
#include <QFocusFrame>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>

namespace zelvan::widgets
{

namespace
{

// Enter presses a default button only inside a dialog; elsewhere the look would promise what
// the key does not do.
bool enterPresses(const QWidget* widget)
{
    const auto* button = qobject_cast<const QPushButton*>(widget);
    if (!button)
        return true;
    return qobject_cast<const QDialog*>(button->window()) ||
           button->property(kEnterPresses).toBool();
}

// One focus frame, moved to whichever control takes the focus.
class FocusRing : public QObject
{
public:
    using QObject::QObject;

    void follow(QWidget* focused)
    {
        if (!focused || focused->isWindow() || !focused->parentWidget()) {
            if (frame_)
                frame_->setWidget(nullptr);
            return;
        }
        if (!frame_) {
            frame_ = new QFocusFrame(focused->parentWidget());
            frame_->setObjectName(QStringLiteral("qt_focus_ring"));
        }
        frame_->setWidget(focused);
    }

private:
    QPointer<QFocusFrame> frame_;
};

} // namespace

QColor focusRingColour()
{
    return QColor(0, 96, 223);
}

void StationStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const
{
    if (element == CE_FocusFrame)
        return painter->fillRect(option->rect, focusRingColour());
    if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        button && !enterPresses(widget) &&
        (element == CE_PushButton || element == CE_PushButtonBevel)) {
        QStyleOptionButton plain = *button;
        plain.features &=
            ~(QStyleOptionButton::DefaultButton | QStyleOptionButton::AutoDefaultButton);
        return QProxyStyle::drawControl(element, &plain, painter, widget);
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

int StationStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const
{
    if (metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin)
        return kFocusRingWidth;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

// The ring lies over its control's neighbours too: below them, a control packed close to others
// (the main screen's buttons) showed only part of it.
int StationStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    if (hint == SH_FocusFrame_AboveWidget)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void installStationStyle(QApplication& app)
{
    if (!qobject_cast<StationStyle*>(QApplication::style()))
        QApplication::setStyle(new StationStyle(QApplication::style()->name()));
    const QString name = QStringLiteral("stationFocusRing");
    if (app.findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* ring = new FocusRing(&app);
    ring->setObjectName(name);
    QObject::connect(&app, &QApplication::focusChanged, ring,
                     [ring](QWidget*, QWidget* now) { ring->follow(now); });
    ring->follow(QApplication::focusWidget());
}

} // namespace zelvan::widgets
