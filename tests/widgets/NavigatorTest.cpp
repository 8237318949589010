// The navigator over plain widgets, offscreen: the Station's screen request decides which one
// is visible.
#include "widgets/Navigator.h"

#include "WidgetTestApp.h"

#include "app/Station.h"
#include "base/Clock.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;
using zelvan::widgets::Navigator;
using Screen = Station::Screen;

namespace
{

class NavigatorTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9))};
    Station station{
        clock,
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("DI05.ini")), QSettings::IniFormat),
        dir.path(), dir.filePath(QStringLiteral("zqio"))};
    QWidget main, config, setup, measure;
    Navigator navigator{station};

    void registerAll()
    {
        navigator.registerScreen(Screen::Main, &main);
        navigator.registerScreen(Screen::Config, &config);
        navigator.registerScreen(Screen::GridSetup, &setup);
        navigator.registerScreen(Screen::Measure, &measure);
    }
    QList<QWidget*> visible() const
    {
        QList<QWidget*> out;
        for (const QWidget* w : {&main, &config, &setup, &measure})
            if (w->isVisible())
                out << const_cast<QWidget*>(w);
        return out;
    }
};

TEST_F(NavigatorTest, RegistrationShowsOnlyTheCurrentScreen)
{
    config.show();
    registerAll();
    EXPECT_EQ(visible(), QList<QWidget*>({&main}));
    EXPECT_EQ(navigator.screen(Screen::GridSetup), &setup);
    EXPECT_EQ(navigator.screen(Screen::Capture), nullptr);
}

TEST_F(NavigatorTest, ARequestShowsThatScreenAndHidesTheOthers)
{
    registerAll();
    station.showScreen(Screen::Config);
    EXPECT_EQ(visible(), QList<QWidget*>({&config}));
    station.showScreen(Screen::GridSetup);
    EXPECT_EQ(visible(), QList<QWidget*>({&setup}));
    station.showScreen(Screen::Main);
    EXPECT_EQ(visible(), QList<QWidget*>({&main}));

    // A screen nobody registered leaves the shown one: the station never stands without one.
    station.showScreen(Screen::Capture);
    EXPECT_EQ(visible(), QList<QWidget*>({&main}));
    station.showScreen(Screen::Measure);
    EXPECT_EQ(visible(), QList<QWidget*>({&measure}));
}

TEST_F(NavigatorTest, AScreenThatIsGoneIsSkipped)
{
    registerAll();
    {
        QWidget capture;
        navigator.registerScreen(Screen::Capture, &capture);
        EXPECT_FALSE(capture.isVisible());
    }
    station.showScreen(Screen::Capture);
    EXPECT_EQ(visible(), QList<QWidget*>({&main}));
    EXPECT_EQ(navigator.screen(Screen::Capture), nullptr);
    station.showScreen(Screen::Config);
    EXPECT_EQ(visible(), QList<QWidget*>({&config}));
}

} // namespace
