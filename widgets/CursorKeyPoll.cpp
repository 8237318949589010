#include "widgets/CursorKeyPoll.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace zelvan::widgets
{

namespace
{

constexpr Qt::Key kPolled[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};

bool isPolled(int key)
{
    for (const Qt::Key k : kPolled)
        if (k == key)
            return true;
    return false;
}

} // namespace

CursorKeyPoll::CursorKeyPoll(QObject* parent) : QObject(parent)
{
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CursorKeyPoll::poll);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

CursorKeyPoll::~CursorKeyPoll()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void CursorKeyPoll::start()
{
    pressedSincePoll_.clear(); // a tap made before the screen polled is not its own
    timer_.start();
}

void CursorKeyPoll::stop()
{
    timer_.stop();
}

bool CursorKeyPoll::ownWindowActive() const
{
    const auto* owner = qobject_cast<const QWidget*>(parent());
    if (!owner)
        return true;
    if (QApplication::activeModalWidget())
        return false;
    // With no window manager, closing a dialog leaves no window of the station active and the
    // keys go to the window under the pointer; only keys typed into this screen's window were
    // kept, so the screen still hears its own keys then.
    const QWidget* active = QApplication::activeWindow();
    return active == nullptr || active == owner->window();
}

bool CursorKeyPoll::isOwnKey(QObject* watched) const
{
    const auto* owner = qobject_cast<const QWidget*>(parent());
    if (!owner)
        return true;
    const auto* target = qobject_cast<const QWidget*>(watched);
    return target && target->window() == owner->window();
}

void CursorKeyPoll::poll()
{
    // Another window of the station (a dialog, a viewer) has the keys: what was held is
    // released, so returning does not replay it.
    if (!ownWindowActive()) {
        down_.clear();
        pressedSincePoll_.clear();
        return;
    }
    const QSet<int> reported = down_ + pressedSincePoll_;
    pressedSincePoll_.clear();
    for (const Qt::Key key : kPolled) {
        if (reported.contains(key))
            emit keyHeld(key);
    }
}

bool CursorKeyPoll::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!isPolled(key->key()) || key->isAutoRepeat())
            break;
        if (event->type() == QEvent::KeyRelease) {
            down_.remove(key->key()); // a release counts wherever it lands
        } else if (isOwnKey(watched)) {
            down_.insert(key->key());
            pressedSincePoll_.insert(key->key());
        }
        break;
    }
    case QEvent::ApplicationDeactivate:
        down_.clear();
        pressedSincePoll_.clear();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zelvan::widgets
