#pragma once
// Measure, "Measure": the contact picture of a jump with the active grid drawn over it. The
// operator clicks the impact, nudges it, and records the jump with its outcome; the screen
// reads its controls, calls the measurement logic and shows what comes back.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "measure/ImpactMark.h"
#include "measure/RecordJump.h"

#include <QPointF>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QCheckBox;
class QScrollBar;
class QTimer;

namespace zelvan::widgets
{
class CursorKeyPoll;
class PictureCanvas;
} // namespace zelvan::widgets
namespace zelvan::tools::ui
{
class CalibrateScreen;
}
namespace zelvan::app::ui
{
class PictureLogViewer;
class ResultsViewer;
} // namespace zelvan::app::ui

namespace zelvan::measure::ui
{

class MeasureScreen : public QWidget
{
    Q_OBJECT

public:
    MeasureScreen(app::Station& station, Dialogs& dialogs, QWidget* parent = nullptr);
    ~MeasureScreen() override;

    widgets::PictureCanvas& canvas() { return *canvas_; }
    // Where the impact was last drawn (twips); zero before the first click.
    QPointF markedImpact() const { return marked_; }
    bool pictureFrozen() const { return frozen_; }
    QString rawDistanceText() const { return rawDistance_; }

    // The operator's actions, as the controls trigger them.
    void clickAt(QPointF twips);
    // false: the point has no place on the water with the active grid (told).
    bool DrawImpactMark();
    void adjust(Qt::Key direction); // one 15-twip step from the marked impact
    void switchGrid();
    void show_the_grid();
    void toggleVerify();
    void pointerAt(QPointF twips);
    void record();
    void clear();
    // "Return to &Main Screen": the picture policy after a frame selection, then Clear and the
    // main screen.
    void leave();
    // The contact picture (currentcapture.bmp of the station folder, or any picture); a
    // missing or unreadable one is told and the current picture stays.
    void showPicture(const QImage& picture, const QString& from);
    void showCurrentCapture();

    // "&Save Picture": the contact picture beside the videos, with its lines.
    void savePicture();
    // "C&apture Next Jump" (also btnNextJump): the picture and video policies, Clear, and the
    // capture screen.
    void captureNextJump();
    // "Reselect capture frame": back to the frame selection screen.
    void reselectFrame();
    // "&Load Picture": a picture file chosen in the captures folder.
    void loadPicture();
    // "&Paste", the clipboard snapshot and the file snapshot: a still picture, FROZEN.
    void pastePicture();
    void clipSnapShot();
    void imgSnapShot();
    // "Auto Load": polls the capture tool's flag file every second while ticked.
    void setAutoLoad(bool on);
    void autoLoadTick();
    // "&Results", "&Calibrate", "&View Log".
    void openResults();
    void openCalibration();
    void openPictureLog();
    // The calibration assistant shared with the grid set-up screen (main() owns it); without
    // one the screen makes its own on first use.
    void useCalibration(tools::ui::CalibrateScreen* shared);
    // The name or origin of the picture shown (gif_file_name), and the last picture file
    // loaded through Load Picture.
    QString pictureOrigin() const;
    QString loadedPictureFile() const { return loadedFile_; }

protected:
    void showEvent(QShowEvent* event) override;
    // The screen becomes active again when the results viewer or the picture log it opened
    // goes away.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followStation();
    void showLoadState();
    void buildControls();
    QWidget* buildSkierGroup();
    QWidget* buildDistanceGroup();
    QWidget* buildOutcomeGroup();
    QWidget* buildVerifyGroup();
    void buildFloatingGroups();
    QScrollBar* buildCrossSize();
    void buildMenu();
    QWidget* buildPictureGroup();
    void freeze();
    void showOrigin(const QString& text);
    void writeDebug(const QString& line);
    void writeDebug(const QStringList& lines);
    void writeResults(const QString& line);
    bool takeSnapshot(const QImage& picture);
    bool showsPicture() const;
    void applyPicturePolicy();
    void applyVideoPolicy();
    void showPictureToView();
    void activate();
    QLineEdit* readout(const char* name);
    void onOutcome(QAbstractButton* option);
    void rerideOrComment(QAbstractButton* option);
    void deselect(QAbstractButton* option);
    void selectJumpOk();
    void showEventType();
    void showLabelColours();
    void showActiveGrid();
    void showMarker(bool shown);
    void forgetImpact();
    void redraw();
    RecordSettings recordSettings() const;
    MeasureValues values() const;
    void onSkierChanged();

    app::Station& station_;
    Dialogs& dialogs_;
    widgets::PictureCanvas* canvas_ = nullptr;
    widgets::CursorKeyPoll* keys_ = nullptr;
    QComboBox* skier_ = nullptr;
    QLineEdit* jumpNo_ = nullptr;
    QLineEdit* distance_ = nullptr;
    QLineEdit* distanceFt_ = nullptr;
    QLineEdit* barefoot_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QLabel* iwsf_ = nullptr;
    QLabel* awsa_ = nullptr;
    QButtonGroup* outcome_ = nullptr;
    QPushButton* setGrid_ = nullptr;
    QPushButton* showGrid_ = nullptr;
    QPushButton* verify_ = nullptr;
    QLabel* unofficial_ = nullptr;
    QList<QLineEdit*> readouts_; // xtwips, ytwips, xposition, yposition, VerifyDistance
    QScrollBar* crossSize_ = nullptr;
    QWidget* adjustGroup_ = nullptr;
    QWidget* gridGroup_ = nullptr;
    QLineEdit* gridDescription_ = nullptr;
    QLabel* frozenSign_ = nullptr;
    QLabel* buoyLabels_[4] = {}; // maxbuoy, minbuoy, maxbuoym, minbuoym
    bool markerShown_ = false;
    ImpactMark mark_;    // the impact lines as last drawn
    QPointF marked_;     // markedImpactX, markedImpactY
    QPointF lastClick_;  // lastClickX, lastClickY
    int impactGrid_ = 0; // the grid the impact on the shown picture was clicked with; 0: none
    bool frozen_ = false;
    QString rawDistance_;
    QLineEdit* origin_ = nullptr; // gif_file_name
    QCheckBox* autoLoad_ = nullptr;
    QTimer* loadTimer_ = nullptr;
    QString loadedFile_;
    tools::ui::CalibrateScreen* calibrate_ = nullptr;
    app::ui::ResultsViewer* results_ = nullptr;
    app::ui::PictureLogViewer* pictureLog_ = nullptr;
};

} // namespace zelvan::measure::ui
