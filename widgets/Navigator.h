#pragma once
// Shows one screen at a time. main() owns it and registers every screen by its Station
// screen; when a screen asks the Station for another (showScreen), the navigator shows that
// one and hides the rest, but for a screen the Station keeps shown beneath it. Screens never
// show or hide each other.
//
// Closing a screen's window (title bar, Alt+F4) does what the screen's own way out does, with
// its questions: the navigator refuses the close and presses that control instead. The main
// and configuration screens handle their own close (the first ends the station, the second
// leaves as its exit does).
#include "app/Station.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace zelvan::widgets
{

class Navigator : public QObject
{
    Q_OBJECT

public:
    explicit Navigator(app::Station& station, QObject* parent = nullptr);

    // Registers `screen` as the widget of `which`: shown at once when it is the Station's
    // current screen, hidden otherwise. A later registration of the same screen replaces it.
    void registerScreen(app::Station::Screen which, QWidget* screen);
    QWidget* screen(app::Station::Screen which) const;

    // The objectName of the control that leaves `which` ("gridExit" for the set-up screen),
    // empty for a screen that handles its own close.
    static QString exitControl(app::Station::Screen which);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The requested screen is shown first and the others hidden after, so the station never
    // stands without a visible screen in between. A request for a screen that is not
    // registered changes nothing.
    void show(app::Station::Screen which);

    app::Station& station_;
    QMap<app::Station::Screen, QPointer<QWidget>> screens_;
};

} // namespace zelvan::widgets
