#pragma once
// MainForm, "Zelvan 2005": the first screen of the station and the hub every screen returns to.
// Its start-up brings the station up (debug log, emergency reset, capture panel, save-video
// folder, session log, preview) and hands the operator to the configuration screen; its
// buttons open the other screens through the Station, and its grid indicators follow the
// Station's grid state.
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvan::capture
{
class CaptureControl;
namespace ui
{
class CapturePanel;
}
} // namespace zelvan::capture

namespace zelvan::app::ui
{

class LogViewer;
class PictureLogViewer;

class MainScreen : public QWidget
{
    Q_OBJECT

public:
    MainScreen(Station& station, Dialogs& dialogs, capture::CaptureControl& control,
               QWidget* parent = nullptr);
    ~MainScreen() override;

    // The twelve steps of start-up, in order; ends by asking for the configuration screen.
    void startUp();

    // A button that opens a screen stays disabled until that screen is there.
    void setScreenAvailable(Station::Screen screen, bool available);

    // The operator's actions, as the buttons and menus trigger them.
    void openGridSetup();
    void openConfiguration();
    void goToMeasure();
    void goToCapture();
    void goToFrameSelection();
    void importSkierNames();
    void changeVideoDirectory();
    void toggleCaptureConfiguration();
    void viewManual();
    void askToQuit();

    capture::ui::CapturePanel& capturePanel() { return *panel_; }

    // The log viewers open beside this screen, which owns them.
    void viewVideoLog();
    void viewPictureLog();
    LogViewer* videoLog() const { return videoLog_; }
    PictureLogViewer* pictureLog() const { return pictureLog_; }

signals:
    // "Exit" confirmed or the main screen closed: the station ends at once.
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QGroupBox* buildMainFrame();
    QWidget* buildNavigation();
    QWidget* buildVideoFolder();
    QWidget* buildGridIndicators();
    void buildMenu();
    void startSessionLog();
    void showVideoDirectory();
    void showGridIndicator(int grid);
    void showGridIndicators();
    void showRateLabel(const QString& rateText);
    bool videoFolderExists(const QString& title);
    void onVideoDirTyped(const QString& text);
    void onBarefootToggled(bool on);

    Station& station_;
    Dialogs& dialogs_;
    capture::CaptureControl& control_;
    capture::ui::CapturePanel* panel_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QPushButton* cmdSetup_ = nullptr;
    QPushButton* cmdConfigure_ = nullptr;
    QPushButton* ccmdGoToMeasure_ = nullptr;
    QPushButton* cmdGoCapture_ = nullptr;
    QPushButton* cmdGoTimer_ = nullptr;
    QPushButton* cmdImport_ = nullptr;
    QPushButton* btnChangeDirectory_ = nullptr;
    QPushButton* cmdShowConfig_ = nullptr;
    QCheckBox* cb15_ = nullptr;
    QLineEdit* txtVideoDir_ = nullptr;
    QLabel* lblVideodir_ = nullptr;
    QLabel* lblConfig_ = nullptr;
    LogViewer* videoLog_ = nullptr;
    PictureLogViewer* pictureLog_ = nullptr;
    std::array<QLabel*, 3> lblGrid_{};
    std::array<QLabel*, 3> imageGrid_{};
    std::array<QLineEdit*, 3> txtGridDescription_{};
    bool showingVideoDir_ = false;
};

} // namespace zelvan::app::ui
