#include "StationScreens.h"

#include "app/Station.h"
#include "app/ui/ConfigScreen.h"
#include "app/ui/MainScreen.h"
#include "app/ui/ManualViewer.h"
#include "capture/ui/CapturePanel.h"
#include "capture/ui/PreviewScreen.h"
#include "grid/ui/GridSetupScreen.h"
#include "measure/ui/MeasureScreen.h"
#include "review/ui/FrameSelectionScreen.h"
#include "tools/ui/CalibrateScreen.h"
#include "widgets/Navigator.h"

#include <QGuiApplication>
#include <QScreen>

namespace zelvan
{

namespace
{

// The picture screens take the whole screen: the picture is what the operator works on.
void fillScreen(QWidget* screen)
{
    if (const QScreen* shown = QGuiApplication::primaryScreen()) {
        const QRect free = shown->availableGeometry();
        screen->setGeometry(free);
    }
    screen->setWindowState(Qt::WindowMaximized);
}

} // namespace

StationScreens::StationScreens() = default;
StationScreens::StationScreens(StationScreens&&) noexcept = default;
StationScreens::~StationScreens() = default;

StationScreens buildScreens(app::Station& station, Dialogs& dialogs,
                            capture::CaptureControl& control, widgets::Navigator& navigator)
{
    using Screen = app::Station::Screen;
    StationScreens screens;
    screens.main = std::make_unique<app::ui::MainScreen>(station, dialogs, control);
    screens.config = std::make_unique<app::ui::ConfigScreen>(station, dialogs);
    screens.manual = std::make_unique<app::ui::ManualViewer>(station, dialogs);
    auto gridSetup = std::make_unique<grid::ui::GridSetupScreen>(station, dialogs);
    auto measureScreen = std::make_unique<measure::ui::MeasureScreen>(station, dialogs);
    auto calibration = std::make_unique<tools::ui::CalibrateScreen>(station, dialogs);
    gridSetup->useCalibration(calibration.get());
    measureScreen->useCalibration(calibration.get());
    fillScreen(gridSetup.get());
    fillScreen(measureScreen.get());
    screens.gridSetup = std::move(gridSetup);
    screens.measure = std::move(measureScreen);
    screens.calibration = std::move(calibration);
    screens.frameSelection = std::make_unique<review::ui::FrameSelectionScreen>(station, dialogs);
    fillScreen(screens.frameSelection.get());
    capture::ui::CapturePanel* panel = &screens.main->capturePanel();
    screens.capture = std::make_unique<capture::ui::PreviewScreen>(
        station, dialogs, control,
        capture::ui::CapturePanelLink{[panel] { return panel->SetCaptureValues(); },
                                      [panel] { return panel->rateText(); },
                                      [panel] { panel->showCounters(); }});
    fillScreen(screens.capture.get());

    navigator.registerScreen(Screen::Main, screens.main.get());
    navigator.registerScreen(Screen::Config, screens.config.get());
    navigator.registerScreen(Screen::Manual, screens.manual.get());
    navigator.registerScreen(Screen::GridSetup, screens.gridSetup.get());
    navigator.registerScreen(Screen::FrameSelection, screens.frameSelection.get());
    navigator.registerScreen(Screen::Measure, screens.measure.get());
    navigator.registerScreen(Screen::Capture, screens.capture.get());
    for (Screen s : {Screen::GridSetup, Screen::Measure, Screen::Capture, Screen::FrameSelection})
        screens.main->setScreenAvailable(s, navigator.screen(s) != nullptr);
    return screens;
}

} // namespace zelvan
