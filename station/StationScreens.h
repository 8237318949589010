#pragma once
// Every screen of the station, created once at start and shown and hidden by the navigator.
#include <memory>

class QWidget;

namespace zelvan
{
class Dialogs;
namespace app
{
class Station;
namespace ui
{
class MainScreen;
}
} // namespace app
namespace capture
{
class CaptureControl;
}
namespace widgets
{
class Navigator;
}

struct StationScreens {
    std::unique_ptr<app::ui::MainScreen> main;
    std::unique_ptr<QWidget> config;
    std::unique_ptr<QWidget> manual;
    // One calibration assistant for every picture it draws on; it outlives the screens that
    // use it.
    std::unique_ptr<QWidget> calibration;
    std::unique_ptr<QWidget> gridSetup;
    std::unique_ptr<QWidget> frameSelection;
    std::unique_ptr<QWidget> measure;
    std::unique_ptr<QWidget> capture;
    StationScreens();
    StationScreens(StationScreens&&) noexcept;
    ~StationScreens();
};

// Creates the screens, registers each with the navigator and enables the main screen's buttons
// of the screens that exist.
StationScreens buildScreens(app::Station& station, Dialogs& dialogs,
                            capture::CaptureControl& control, widgets::Navigator& navigator);

} // namespace zelvan
