#include "StationScreens.h"

#include "app/Station.h"
#include "app/ui/ConfigScreen.h"
#include "app/ui/MainScreen.h"
#include "app/ui/ManualViewer.h"
#include "grid/ui/GridSetupScreen.h"
#include "measure/ui/MeasureScreen.h"
#include "widgets/Navigator.h"

namespace zelvan
{

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
    screens.gridSetup = std::make_unique<grid::ui::GridSetupScreen>(station, dialogs);
    screens.measure = std::make_unique<measure::ui::MeasureScreen>(station, dialogs);

    navigator.registerScreen(Screen::Main, screens.main.get());
    navigator.registerScreen(Screen::Config, screens.config.get());
    navigator.registerScreen(Screen::Manual, screens.manual.get());
    navigator.registerScreen(Screen::GridSetup, screens.gridSetup.get());
    navigator.registerScreen(Screen::Measure, screens.measure.get());
    for (Screen s : {Screen::GridSetup, Screen::Measure, Screen::Capture, Screen::FrameSelection})
        screens.main->setScreenAvailable(s, navigator.screen(s) != nullptr);
    return screens;
}

} // namespace zelvan
