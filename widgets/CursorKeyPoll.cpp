#include "widgets/CursorKeyPoll.h"

#include <QCoreApplication>
#include <QKeyEvent>

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

void CursorKeyPoll::poll()
{
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
        if (isPolled(key->key()) && !key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress) {
                down_.insert(key->key());
                pressedSincePoll_.insert(key->key());
            } else {
                down_.remove(key->key());
            }
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
