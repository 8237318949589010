#pragma once
// Grid_Setup, "Grid Setup": the still picture of a camera view on which the operator picks the
// four buoys and the check buoy, nudges them by single pixels, types the survey values,
// completes the grid, and saves, loads or switches grids. The screen reads its boxes, calls the
// grid procedures through the Station and shows what they return.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "grid/SetupPicking.h"
#include "grid/SetupScreenTexts.h"
#include "tools/ui/CalibrateScreen.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollBar;

namespace zelvan::widgets
{
class CursorKeyPoll;
class PictureCanvas;
} // namespace zelvan::widgets

namespace zelvan::grid::ui
{

class AccuracyPanel;

class GridSetupScreen : public QWidget
{
    Q_OBJECT

public:
    GridSetupScreen(app::Station& station, Dialogs& dialogs, QWidget* parent = nullptr);
    ~GridSetupScreen() override;

    // What the boxes show, named as the controls.
    SetupScreenTexts texts() const;
    widgets::PictureCanvas& canvas() { return *canvas_; }
    // The point the next click or nudge sets; std::nullopt when no option is selected.
    std::optional<SetupPoint> selectedPoint() const;

    // The operator's actions, as the controls and menus trigger them.
    void pickAt(QPointF twips);
    void nudge(Nudge direction);
    void switchGrid();
    void complete();
    void drawBuoys();
    void saveGridFile();
    void loadGridFile();
    void loadPicture();
    // Shows the picture and takes its size; a missing or unreadable one (`from` names where it
    // was looked for) is told and the current picture stays.
    void showPicture(const QImage& picture, const QString& from);
    void showCurrentCapture();
    void leave();
    // "&Calibrate": the calibration assistant, drawing on this screen's picture. The screen
    // makes its own on first use unless one shared with the measurement screen was given
    // (the station's main() owns that one and adds both pictures to it).
    void openCalibration();
    void useCalibration(tools::ui::CalibrateScreen* shared);
    tools::ui::CalibrateScreen* calibration() const { return calibrate_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    QWidget* buildPointTable();
    QWidget* buildActions();
    QWidget* buildAdjustments();
    void buildDragGroups();
    void showLocked(bool locked);
    void buildMenu(QMenuBar* menu);
    QLineEdit* box(const char* name, const QString& text);
    void showTexts(const SetupScreenTexts& texts);
    void showPictureSize();
    void onBoxEdited(const QString& name, const QString& text);
    // The edit rule's second half: the grid is no longer the one made ready.
    void withdrawReadiness();
    void onLockClicked(bool on);
    void releaseLock();
    void setReadyIcon(bool ready);
    void setAccuracyEnabled(bool enabled);
    void checkAccuracy();
    void setBoxText(const QString& name, const QString& text);
    void showCheckBuoyLabel(bool shown, QPointF at = {});
    void toggleCheckBuoyLabel();
    void applyMoves(const QList<PointMove>& moves);
    void log(const QString& line);
    void activateGrid(int n);
    void showGrid(int n);
    void onGridChanged(int n);
    void leaveWithAllReady();

    app::Station& station_;
    Dialogs& dialogs_;
    widgets::PictureCanvas* canvas_ = nullptr;
    widgets::CursorKeyPoll* keys_ = nullptr;
    QHash<QString, QLineEdit*> boxes_;
    QButtonGroup* points_ = nullptr;
    QCheckBox* lock_ = nullptr;
    QLabel* lockedLabel_ = nullptr;
    QLabel* lockedDrag_ = nullptr;
    QWidget* lockGroup_ = nullptr; // gridLockedLabel with lblGridDragIt, over the picture
    QPushButton* gridSelect_ = nullptr;
    QPushButton* accuracy_ = nullptr;
    AccuracyPanel* accuracyPanel_ = nullptr;
    QPointer<tools::ui::CalibrateScreen> calibrate_; // given, or made on first use
    QPushButton* cbLabelButton_ = nullptr;
    QLabel* stateIcon_ = nullptr;
    QLabel* checkBuoyLabel_ = nullptr;
    QScrollBar* crossSize_ = nullptr;
    SetupPositions previous_{};
    QPointF checkBuoyAt_; // where lblCB points, twips
};

} // namespace zelvan::grid::ui
