#pragma once
// frmSetStart, "Zelvan 2005 Frame Selection": a recorded pass on the still-frame player, stepped
// to the frame in which the skier first touches the water; that frame is written as
// currentcapture.bmp for the measurement screen, or for the grid set-up screen. The screen also
// shows the free space of the video drive. What it decides is in review/FrameSelection.
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvan::widgets
{
class CursorKeyPoll;
class FramePlayer;
} // namespace zelvan::widgets

namespace zelvan::review::ui
{

class FrameSelectionScreen : public QWidget
{
    Q_OBJECT

public:
    // Free bytes of the volume holding a path; -1 when it cannot be told.
    using FreeBytes = std::function<qint64(const QString&)>;

    // `freeBytes` empty: the platform's own query.
    FrameSelectionScreen(app::Station& station, Dialogs& dialogs, QWidget* parent = nullptr,
                         FreeBytes freeBytes = {});
    ~FrameSelectionScreen() override;

    widgets::FramePlayer& player() { return *player_; }
    widgets::CursorKeyPoll& keyPoll() { return *keyPoll_; }

    // What showing the screen does, by navigationMode (run at every show).
    void paint();
    // The operator's actions, as the controls trigger them.
    void browse();       // Command6
    void stepBack();     // Command1, keypad 4, left arrow
    void stepForward();  // Command4, keypad 6, right arrow
    void takeFrame();    // cmdMarkStart
    void takeForSetup(); // btnGoToSetup
    void goToCapture();  // cmdGoToCapture
    void goToMain();     // cmdGoToSetup
    void viewLog();      // cmdViewLog

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    QWidget* buildSide();
    QWidget* buildFrameGroup(QWidget* side);
    QWidget* buildGoGroup(QWidget* side);
    QWidget* buildDiskGroup(QWidget* side);
    void schedulePaint();
    void showDiskSpace();
    void paintView();
    void paintCapture();
    void fixName();
    bool openInPlayer(const QString& path);
    // The player's open of a file that is no AVI; true when it plays.
    bool openOtherCamera(const QString& path);
    void enableTaking(const QString& instruction);
    void take(bool forGridSetup);
    void log(const QString& line);

    app::Station& station_;
    Dialogs& dialogs_;
    FreeBytes freeBytes_;
    widgets::FramePlayer* player_ = nullptr;
    widgets::CursorKeyPoll* keyPoll_ = nullptr;
    QLineEdit* text6_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label10_ = nullptr;
    QLabel* lblDiskSpace_ = nullptr;
    QLabel* label11_ = nullptr;
    QLabel* label9_ = nullptr;
    QPushButton* cmdMarkStart_ = nullptr;
    QPushButton* btnGoToSetup_ = nullptr;
    QPointer<QWidget> logViewer_;
    bool viewPainted_ = false;
    bool paintPending_ = false;
};

} // namespace zelvan::review::ui
