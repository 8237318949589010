#pragma once
// The held-key poll of the set-up and measurement screens: while running, every 100 ms it
// reports each cursor key that is held down, Left, Up, Right, Down in that order, so holding
// a key nudges a point about ten times a second whatever the keyboard's repeat rate. A short
// tap pressed and let go between two polls is reported once at the next poll, so no tap is
// lost. Keys are seen only while the station has the focus; switching to another program
// releases them. A poll owned by a screen hears only keys typed into that screen's window and
// acts only while no dialog of the station is open and no other window of the station is the
// active one, so keys typed into a comment box, a viewer or the calibration assistant never
// move its point.
#include <QObject>
#include <QSet>
#include <QTimer>

namespace zelvan::widgets
{

class CursorKeyPoll : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 100;

    // The owner is the parent when it is a widget: the screen whose window the keys must reach.
    explicit CursorKeyPoll(QObject* parent = nullptr);
    ~CursorKeyPoll() override;

    void start();
    void stop();
    bool isActive() const { return timer_.isActive(); }
    bool isDown(Qt::Key key) const { return down_.contains(key); }

    // One poll: emits keyHeld for every cursor key held now or pressed since the last poll.
    // The timer calls it.
    void poll();

signals:
    void keyHeld(Qt::Key key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ownWindowActive() const;
    bool isOwnKey(QObject* watched) const;

    QTimer timer_;
    QSet<int> down_;
    QSet<int> pressedSincePoll_;
};

} // namespace zelvan::widgets
