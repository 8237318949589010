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
    // A screen that is not there (not built yet, or gone) is never asked for by a button that
    // works; should it be, the station keeps the screen it shows rather than none at all.
    QWidget* shown = screens_.value(which);
    if (!shown)
        return;
    shown->show();
    shown->raise();
    shown->activateWindow();
    const auto beneath = station_.screenBeneath();
    for (auto it = screens_.cbegin(); it != screens_.cend(); ++it)
        if (it.key() != which && it.key() != beneath && it.value())
            it.value()->hide();
}

} // namespace zelvan::widgets
