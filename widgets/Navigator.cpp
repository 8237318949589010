#include "widgets/Navigator.h"

namespace zelvan::widgets
{

Navigator::Navigator(app::Station& station, QObject* parent) : QObject(parent), station_(station)
{
    connect(&station_, &app::Station::screenRequested, this, &Navigator::show);
}

void Navigator::registerScreen(app::Station::Screen which, QWidget* screen)
{
    screens_[which] = screen;
    if (!screen)
        return;
    if (which == station_.currentScreen())
        show(which);
    else
        screen->hide();
}

QWidget* Navigator::screen(app::Station::Screen which) const
{
    return screens_.value(which);
}

void Navigator::show(app::Station::Screen which)
{
    if (QWidget* shown = screens_.value(which)) {
        shown->show();
        shown->raise();
        shown->activateWindow();
    }
    for (auto it = screens_.cbegin(); it != screens_.cend(); ++it)
        if (it.key() != which && it.value())
            it.value()->hide();
}

} // namespace zelvan::widgets
