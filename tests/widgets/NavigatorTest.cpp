// The navigator over plain widgets, offscreen: the Station's screen request decides which one
// is visible.
#include "widgets/Navigator.h"

#include "WidgetTestApp.h"

#include "app/Station.h"
#include "base/Clock.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
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

// Closing a window from the title bar presses the screen's own way out: here the set-up
// screen's "gridExit" asks a question first, the measurement screen's "Exit" menu item is
// disabled, and a screen without its control is left for the main screen.
TEST_F(NavigatorTest, ClosingAScreensWindowPressesItsOwnWayOut)
{
    EXPECT_EQ(Navigator::exitControl(Screen::GridSetup), "gridExit");
    EXPECT_EQ(Navigator::exitControl(Screen::Main), "");
    auto* gridExit = new QPushButton("&Return to Main Screen", &setup);
    gridExit->setObjectName("gridExit");
    bool answer = false;
    int asked = 0;
    QObject::connect(gridExit, &QPushButton::clicked, &setup, [&] {
        ++asked;
        if (answer)
            station.showScreen(Screen::Main);
    });
    auto* exit = new QAction("Return to &Main Screen", &measure);
    exit->setObjectName("Exit");
    exit->setEnabled(false);
    QObject::connect(exit, &QAction::triggered, &measure, [&] { ++asked; });
    registerAll();

    station.showScreen(Screen::GridSetup);
    const auto closeFromTitleBar = [](QWidget& window) {
        window.windowHandle()->close();
        QCoreApplication::processEvents();
    };
    closeFromTitleBar(setup);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(visible(), QList<QWidget*>({&setup})) << "the operator said to stay";
    answer = true;
    closeFromTitleBar(setup);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(visible(), QList<QWidget*>({&main}));

    station.showScreen(Screen::Measure);
    closeFromTitleBar(measure);
    EXPECT_EQ(asked, 2) << "a disabled way out is not taken";
    EXPECT_EQ(visible(), QList<QWidget*>({&measure}));
    exit->setObjectName("renamed");
    closeFromTitleBar(measure);
    EXPECT_EQ(visible(), QList<QWidget*>({&main})) << "never a station without a screen";

    // The main screen closes as it decides itself (it ends the station).
    main.windowHandle()->close();
    EXPECT_FALSE(main.isVisible());
}

} // namespace

// On an X server without a window manager the keyboard falls to the desktop when a dialog
// closes; the screen shown takes it back, so its arrow keys and shortcuts work on.
TEST_F(NavigatorTest, AfterADialogClosesWithNoWindowActiveTheScreenShownIsActivated)
{
    registerAll();
    station.showScreen(Screen::Measure);
    QApplication::processEvents();
    QDialog dialog(&measure);
    dialog.show();
    QApplication::processEvents();
    dialog.hide();
    QApplication::setActiveWindow(nullptr); // what the window system does without a manager
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    QTest::qWait(300);
    EXPECT_EQ(QApplication::activeWindow(), &measure);

    // Long after a dialog, a window going inactive is the operator's doing (another program).
    QTest::qWait(1100);
    QApplication::setActiveWindow(nullptr);
    QTest::qWait(300);
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
}
