// The held-key poll: which keys it reports, in which order, and when it forgets them.
#include "widgets/CursorKeyPoll.h"

#include "WidgetTestApp.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using zelvan::widgets::CursorKeyPoll;

namespace
{

void send(QWidget* to, QEvent::Type type, Qt::Key key, bool autoRepeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(to, &event);
}

QList<int> heldKeys(QSignalSpy& spy)
{
    QList<int> keys;
    for (const QList<QVariant>& args : spy)
        keys << args.at(0).toInt();
    spy.clear();
    return keys;
}

} // namespace

TEST(CursorKeyPoll, ReportsEveryHeldCursorKeyInOrderAtEachPoll)
{
    QLineEdit box;
    CursorKeyPoll poll;
    QSignalSpy held(&poll, &CursorKeyPoll::keyHeld);
    send(&box, QEvent::KeyPress, Qt::Key_Down);
    send(&box, QEvent::KeyPress, Qt::Key_Left);
    send(&box, QEvent::KeyPress, Qt::Key_A); // not a cursor key
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Left, Qt::Key_Down}));
    send(&box, QEvent::KeyPress, Qt::Key_Down, true); // auto-repeat changes nothing
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Left, Qt::Key_Down}));
    send(&box, QEvent::KeyRelease, Qt::Key_Left);
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Down}));
    EXPECT_TRUE(poll.isDown(Qt::Key_Down));

    // Leaving the station for another program lets go of every key.
    QEvent away(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &away);
    poll.poll();
    EXPECT_TRUE(heldKeys(held).isEmpty());
}

TEST(CursorKeyPoll, ATapBetweenTwoPollsCountsOnceAtTheNext)
{
    QLineEdit box;
    CursorKeyPoll poll;
    QSignalSpy held(&poll, &CursorKeyPoll::keyHeld);
    send(&box, QEvent::KeyPress, Qt::Key_Right);
    send(&box, QEvent::KeyRelease, Qt::Key_Right);
    send(&box, QEvent::KeyPress, Qt::Key_Up);
    send(&box, QEvent::KeyRelease, Qt::Key_Up);
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Up, Qt::Key_Right}));
    poll.poll();
    EXPECT_TRUE(heldKeys(held).isEmpty()) << "a tap is one step, not two";

    // Held across polls: one report a poll, the press not counted twice.
    send(&box, QEvent::KeyPress, Qt::Key_Left);
    poll.poll();
    poll.poll();
    send(&box, QEvent::KeyRelease, Qt::Key_Left);
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Left, Qt::Key_Left}));

    // A tap made while the poll was stopped (on another screen) is not replayed at start.
    send(&box, QEvent::KeyPress, Qt::Key_Down);
    send(&box, QEvent::KeyRelease, Qt::Key_Down);
    poll.start();
    poll.poll();
    poll.stop();
    EXPECT_TRUE(heldKeys(held).isEmpty());
}

TEST(CursorKeyPoll, RunsEveryHundredMillisecondsOnlyWhileStarted)
{
    QLineEdit box;
    CursorKeyPoll poll;
    QSignalSpy held(&poll, &CursorKeyPoll::keyHeld);
    send(&box, QEvent::KeyPress, Qt::Key_Right);
    EXPECT_FALSE(poll.isActive());
    poll.start();
    EXPECT_TRUE(poll.isActive());
    EXPECT_TRUE(held.wait(1000)) << "a held key is reported by the timer";
    poll.stop();
    held.clear();
    QTest::qWait(3 * CursorKeyPoll::kIntervalMs);
    EXPECT_TRUE(held.isEmpty()) << "nothing after stop()";
}

// With no window manager nothing is active after a dialog closes and the keys reach the window
// under the pointer: the screen hears its own keys then, never another window's, never while a
// dialog is open.
TEST(CursorKeyPoll, OwnWindowWithNoWindowActiveHearsItsKeys)
{
    QWidget screen;
    auto* box = new QLineEdit(&screen);
    QWidget other;
    screen.show();
    other.show();
    CursorKeyPoll poll(&screen);
    QSignalSpy held(&poll, &CursorKeyPoll::keyHeld);

    QApplication::setActiveWindow(nullptr);
    send(box, QEvent::KeyPress, Qt::Key_Right);
    send(box, QEvent::KeyRelease, Qt::Key_Right);
    poll.poll();
    EXPECT_EQ(heldKeys(held), (QList<int>{Qt::Key_Right}));

    send(&other, QEvent::KeyPress, Qt::Key_Left); // typed into another window
    poll.poll();
    EXPECT_TRUE(heldKeys(held).isEmpty());
    send(&other, QEvent::KeyRelease, Qt::Key_Left);

    QApplication::setActiveWindow(&other);
    send(box, QEvent::KeyPress, Qt::Key_Up);
    poll.poll();
    EXPECT_TRUE(heldKeys(held).isEmpty());
    send(box, QEvent::KeyRelease, Qt::Key_Up);

    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    QApplication::setActiveWindow(nullptr);
    send(box, QEvent::KeyPress, Qt::Key_Down);
    poll.poll();
    EXPECT_TRUE(heldKeys(held).isEmpty());
}
