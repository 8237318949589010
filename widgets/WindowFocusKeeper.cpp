#include "widgets/WindowFocusKeeper.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace zelvan::widgets
{

namespace
{
// The window system tells of the lost focus a little after the dialog is gone.
constexpr int kSettleMs = 200;
constexpr int kWatchMs = 1000;
} // namespace

WindowFocusKeeper::WindowFocusKeeper(std::function<QWidget*()> shownScreen, QObject* parent)
    : QObject(parent), shownScreen_(std::move(shownScreen))
{
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (!window)
            restoreIfNeeded();
    });
}

bool WindowFocusKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && qobject_cast<QDialog*>(watched)) {
        justClosed_ = QDeadlineTimer(kWatchMs);
        QTimer::singleShot(0, this, &WindowFocusKeeper::restoreIfNeeded);
        QTimer::singleShot(kSettleMs, this, &WindowFocusKeeper::restoreIfNeeded);
    }
    return QObject::eventFilter(watched, event);
}

void WindowFocusKeeper::restoreIfNeeded()
{
    if (justClosed_.hasExpired() || QApplication::activeWindow() ||
        QApplication::activeModalWidget())
        return;
    QWidget* screen = shownScreen_ ? shownScreen_() : nullptr;
    if (screen && screen->isVisible())
        screen->activateWindow();
}

} // namespace zelvan::widgets
