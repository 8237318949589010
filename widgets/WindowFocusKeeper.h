#pragma once
// Without a window manager (a kiosk X session, an acceptance run on a bare X server) the
// keyboard falls back to the desktop when a dialog closes, and no station window is active: the
// arrow keys and the screen's shortcuts (Ctrl+0, Alt+J) then reach nothing. Right after one of
// the station's dialogs closes with no window active, the keeper activates the screen shown.
// With a window manager a window is active again by then, and the keeper does nothing; it never
// takes the keyboard from another program the operator went to.
#include <QDeadlineTimer>
#include <QObject>
#include <functional>

class QWidget;

namespace zelvan::widgets
{

class WindowFocusKeeper : public QObject
{
    Q_OBJECT

public:
    // `shownScreen` answers the screen the station shows now (may be null).
    explicit WindowFocusKeeper(std::function<QWidget*()> shownScreen, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreIfNeeded();

    std::function<QWidget*()> shownScreen_;
    QDeadlineTimer justClosed_; // expired unless a dialog closed a moment ago
};

} // namespace zelvan::widgets
