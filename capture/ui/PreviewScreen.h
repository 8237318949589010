#pragma once
// PreviewForm, "Zelvan 2005 Capture Screen": the live camera picture, the skier's name and
// attempt, and the recording of one jump pass into its jump video file (never over an earlier
// one). After the recording the frame selection screen opens on the new file near the landing;
// "Capture Frame" takes the live picture straight to measuring. What it decides lives in
// capture/JumpVideoNames and capture/CaptureSession.
#include "app/Station.h"
#include "app/ui/ResultsViewer.h"
#include "app/ui/SkierPicker.h"
#include "base/Dialogs.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureSession.h"
#include "capture/PassSpace.h"
#include "capture/TriggerSettings.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace zelvan::capture::ui
{

class LivePicture;

// What the capture screen asks of the main screen's capture panel, without holding it.
struct CapturePanelLink {
    std::function<Status()> applyCaptureValues; // the panel tells its own failure
    std::function<QString()> rateText;          // the frame-rate box
    std::function<void()> showCounters;         // counters of the last recording
};

class PreviewScreen : public QWidget
{
    Q_OBJECT

public:
    PreviewScreen(app::Station& station, Dialogs& dialogs, CaptureControl& control,
                  CapturePanelLink panel, QWidget* parent = nullptr);
    ~PreviewScreen() override;

    // The operator's actions, as the controls, menus, keys and the timer trigger them.
    void startRecording();     // cmdStartCapture, mnuStart
    void markContact();        // cmdStartTimer
    void stopRecording();      // cmdEndCapture: the Stop sequence
    void escape();             // ESC
    void countdownTick();      // Timer40
    void captureFrame();       // btnCaptureFrame
    void selectName();         // cmdSelect
    void getWstimsName();      // btnGetName
    void pickFromList();       // the skier picker (also a double click on txtSkierName)
    void goToMain();           // cmdGoSetup
    void goToFrameSelection(); // cmdGoToTimer
    void viewResults();        // mnuResults
    void toggleTrigger();      // cmdArmTrigger: arm, or disarm when armed

    QString captureFilePath() const { return captureFilePath_; }
    double captureSeconds() const { return captureSeconds_; }
    double captureFrameRate() const { return captureFrameRate_; }
    int capturedFrameCount() const { return capturedFrameCount_; }
    bool collision() const { return collisionFlag_; }
    LivePicture& livePicture() { return *picture_; }
    app::ui::SkierPicker* skierPicker() const { return picker_; }
    app::ui::ResultsViewer* resultsViewer() const { return results_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildSkierGroup();
    QWidget* buildRecordingGroup();
    QWidget* buildTriggerGroup();
    QWidget* buildGoGroup();
    void buildMenu();
    void buildHidden();
    void wireControls();
    void load();
    void scheduleActivation();
    void activate();
    void firstPaint();
    void applyButtons(CaptureState state);
    void onNameChanged(const QString& text);
    void onCaptureTimeChosen();
    void onWarning(const QString& text);
    void showHeldWarnings();
    void setDefaultContactFrame();
    bool startRefused(const QString& path);
    bool startCaptureTo(const QString& path);
    PassFormat passFormat() const;
    bool passWontFit(const PassFormat& format);
    void notePassEnd(bool started);
    void stopControl();
    void showError(const CaptureError& error);
    void log(const QString& line);
    void storeSetting(const char* key, const QString& text);

    // The seconds kept before Start and the automatic start (PreviewScreenTrigger.cpp).
    void wireTrigger();
    void loadTriggerSettings();
    void applyTriggerSettings();
    void onPreSecondsChosen(double seconds);
    void onZoneDrawn(const QRect& drawn);
    void onTriggerState(int state);
    void onTriggerFired();
    void noteTrigger(const QString& text);

    app::Station& station_;
    Dialogs& dialogs_;
    CaptureControl& control_;
    CapturePanelLink panel_;

    LivePicture* picture_ = nullptr; // CapturePRO1
    QPushButton* cmdStartCapture_ = nullptr;
    QPushButton* cmdStartTimer_ = nullptr;
    QPushButton* cmdEndCapture_ = nullptr;
    QListWidget* captureTimeValue_ = nullptr;
    QLabel* captime_ = nullptr;
    QLabel* lblFrame_ = nullptr;
    QLabel* lblFrmDrop_ = nullptr;
    QLineEdit* txtSkierName_ = nullptr;
    QLineEdit* txtPass_ = nullptr;
    QPushButton* cmdSelect_ = nullptr;
    QPushButton* btnGetName_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* lblWarning_ = nullptr; // warnings of the pass being recorded
    QLabel* lblStartFrame_ = nullptr;
    QPushButton* btnCaptureFrame_ = nullptr;
    QPushButton* cmdGoToTimer_ = nullptr;
    QPushButton* cmdGoSetup_ = nullptr;
    QTimer* timer40_ = nullptr;
    QDoubleSpinBox* preTriggerSeconds_ = nullptr;
    QPushButton* cmdArmTrigger_ = nullptr;
    QLabel* lblTriggerState_ = nullptr;
    QLabel* lblTriggerNote_ = nullptr; // what became of the zone and the stored values
    QPointer<app::ui::SkierPicker> picker_;
    QPointer<app::ui::ResultsViewer> results_;

    double captureSeconds_ = kDefaultCaptureSeconds;
    QString captureFilePath_;
    bool collisionFlag_ = false;
    bool captureScreenPainted_ = false;
    bool showPending_ = false;
    QString wstimsSkierName_;
    QStringList heldWarnings_; // told once the pass is over
    double captureFrameRate_ = 0;
    int capturedFrameCount_ = 0;
    bool passStarted_ = false;             // a Start since the last Stop
    PassFormat passFormat_;                // of the pass being recorded
    std::optional<RecordedPass> lastPass_; // the last pass of this run that left its file
    TriggerSettings trigger_;              // as stored; the seconds follow preTriggerSeconds
};

} // namespace zelvan::capture::ui
