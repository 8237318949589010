#include "widgets/Navigator.h"

#include "widgets/WindowFocusKeeper.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>

namespace zelvan::widgets
{

Navigator::Navigator(app::Station& station, QObject* parent) : QObject(parent), station_(station)
{
    connect(&station_, &app::Station::screenRequested, this, &Navigator::show);
    new WindowFocusKeeper([this] { return screens_.value(station_.currentScreen()).data(); }, this);
}

void Navigator::registerScreen(app::Station::Screen which, QWidget* screen)
{
    if (QWidget* old = screens_.value(which))
        old->removeEventFilter(this);
    screens_[which] = screen;
    if (!screen)
        return;
    if (!exitControl(which).isEmpty())
        screen->installEventFilter(this);
    if (which == station_.currentScreen())
        show(which);
    else
        screen->hide();
}

QWidget* Navigator::screen(app::Station::Screen which) const
{
    return screens_.value(which);
}

QString Navigator::exitControl(app::Station::Screen which)
{
    using Screen = app::Station::Screen;
    switch (which) {
    case Screen::GridSetup:
        return QStringLiteral("gridExit");
    case Screen::Measure:
        return QStringLiteral("Exit");
    case Screen::Capture:
        return QStringLiteral("cmdGoSetup");
    case Screen::FrameSelection:
        return QStringLiteral("cmdGoToSetup");
    case Screen::Manual:
        return QStringLiteral("cmdDone");
    default:
        return QString();
    }
}

bool Navigator::eventFilter(QObject* watched, QEvent* event)
{
    // Title bar, Alt+F4, an accessibility tool's close: the station itself never closes a
    // screen (it hides them), and a hidden one has nothing to leave.
    const auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Close || !window || !window->isVisible())
        return QObject::eventFilter(watched, event);
    event->ignore();
    for (auto it = screens_.cbegin(); it != screens_.cend(); ++it) {
        if (it.value() != watched)
            continue;
        const QString name = exitControl(it.key());
        QPointer<QAbstractButton> button = it.value()->findChild<QAbstractButton*>(name);
        QPointer<QAction> action = it.value()->findChild<QAction*>(name);
        // After the close event is done, as if the operator pressed it next; a disabled way
        // out (recording in progress) leaves the window open, as the control would.
        QMetaObject::invokeMethod(
            this,
            [this, button, action] {
                if (button)
                    button->click();
                else if (action)
                    action->trigger();
                else
                    station_.showScreen(app::Station::Screen::Main);
            },
            Qt::QueuedConnection);
    }
    return true;
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
