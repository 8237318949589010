#pragma once
// The capture device panel on the left of the main screen: it connects the capture control at
// start-up, mirrors the control's devices, formats, compressors and effects in its lists,
// writes every choice to the control and to the settings, follows devices plugged in and
// removed, and shows the control's status and counters. What it decides lives in
// capture/CapturePanelRules.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "capture/CaptureControl.h"
#include "capture/SourceChoice.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvan::capture::ui
{

class CapturePanel : public QWidget
{
    Q_OBJECT

public:
    CapturePanel(app::Station& station, Dialogs& dialogs, CaptureControl& control,
                 QWidget* parent = nullptr);
    ~CapturePanel() override;

    // Start-up: fills the lists from the control and the stored settings, connects the
    // control to the stored device (the connection is part of this step) and selects the
    // stored compressor. The option panels are hidden.
    void prepare();
    // The later start-up steps: preview switched on; the capture file box set to
    // "testvid.avi" with the option panels and the status label hidden.
    void startPreview();
    void finishStartUp();
    // "Show/Hide Video Configuration". Hiding also hides the pause-time list and its caption.
    void setOptionPanelsVisible(bool shown);
    bool optionPanelsVisible() const;

    // The text of the frame-rate box, which decides the main screen's capture-rate label.
    QString rateText() const;

    // Connect: connects to the device chosen in the list, or disconnects when connected.
    void Connect();
    // Returns the panel to its disconnected state.
    void OnDisconnect();
    void showConnected(bool connected);
    void showPreviewWanted(bool on);
    // Pushes the recording parameters into the control right before a recording. A control
    // error is shown ("Eror code: ...") and is the failure; the caller need not show it again.
    Status SetCaptureValues();
    // Selects the attribute entry of the control's audio format, adding it when missing.
    void InitAudioSettings();
    void EnableVideoCompressionConfig();
    void EnableAudioConfig();
    // The counters of the last recording, read from the control.
    void showCounters();

signals:
    void rateTextChanged(const QString& text);

private:
    void buildControls();
    QGroupBox* buildCommands();
    QGroupBox* buildOptions();
    QWidget* buildHidden();
    void addVideoRows(QGridLayout* grid);
    void addAudioRows(QGridLayout* grid, int row);
    void wireChoices();
    void fillDeviceLists(int device);
    void fillCompressionAndEffects();
    void showStartRate();
    void connectSteps();
    void fillPictureLists();
    void fillInputAndChannel();
    void setPictureControlsEnabled(bool on);
    void rereadPictureLists();
    void followServedFormat(int formatBefore);

    // Handlers of the operator's choices (and of the program's selections that run them).
    void onResolution(int index);
    void onColorFormat(int index);
    void onVideoInput(int index);
    void onChannel(int index);
    void onCompression(int index);
    void onAudioCompression(int index);
    void onAudioDevice(int index);
    void onAttribute(int index);
    void onEffect(int index);
    void onListen(bool on);
    void onRateEdited(const QString& text);
    void onRateFinished();
    void onPreviewClicked();
    void onVideoConfig();
    void onDialog(int id);
    void onDevice(int index);
    void useArrivedDevice(int index);
    void onAddNetworkCamera();
    void restoreNetworkCameras();
    StartDevice storedStartDevice() const;
    void onDeviceListChange(const QString& category, int action, int index, const QString& name);
    void onVideoListChange(int action, int index, const QString& name);
    void onAudioListChange(int action, int index, const QString& name);
    void onStatus(int code, const QString& text);

    void store(const char* key, const QString& value);
    void showError(const CaptureError& error, bool hexadecimal);
    bool capturingStreams() const;

    app::Station& station_;
    Dialogs& dialogs_;
    CaptureControl& control_;

    QGroupBox* commands_ = nullptr;
    QGroupBox* options_ = nullptr;
    QComboBox* devices_ = nullptr; // Combo1
    QPushButton* videoConfig_ = nullptr;
    QPushButton* addCamera_ = nullptr;
    QLabel* resolLabel_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QLabel* colorLabel_ = nullptr;
    QComboBox* colorFormat_ = nullptr;
    QLabel* inputLabel_ = nullptr;
    QComboBox* input_ = nullptr;
    QLabel* channelLabel_ = nullptr;
    QComboBox* channel_ = nullptr;
    QComboBox* effect_ = nullptr;
    QComboBox* compression_ = nullptr;
    QPushButton* comprConfig_ = nullptr;
    QLineEdit* rate_ = nullptr; // EdtRate
    QComboBox* audioDevice_ = nullptr;
    QPushButton* audioConfig_ = nullptr;
    QLabel* attribLabel_ = nullptr;
    QComboBox* attrib_ = nullptr;
    QLabel* audioCompLabel_ = nullptr;
    QComboBox* audioCompr_ = nullptr;
    QCheckBox* listen_ = nullptr;
    QLabel* frames_ = nullptr;
    QLabel* dropped_ = nullptr;
    QLabel* samples_ = nullptr;
    QLabel* time_ = nullptr;
    QLabel* status_ = nullptr;
    // Present but never shown.
    QPushButton* connect_ = nullptr;
    QPushButton* preview_ = nullptr;
    QLineEdit* limit_ = nullptr;
    QGroupBox* captureFrame_ = nullptr;
    QComboBox* captureType_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* cap_ = nullptr;
    QLabel* pauseLabel_ = nullptr;
    QComboBox* pauseTime_ = nullptr;

    // What the hidden Connect and Preview buttons offer follows these, never the other way round.
    bool shownConnected_ = false; // the panel shows a connected device (Connect offers Disconnect)
    bool previewWanted_ = false;  // the operator's preview choice, kept over a reconnect
    int lowestChannel_ = 0;
    double keptRate_ = 0; // the rate the control runs at, for the bad-rate message
};

} // namespace zelvan::capture::ui
