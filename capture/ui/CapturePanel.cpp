#include "capture/ui/CapturePanel.h"

#include "app/SettingsStore.h"
#include "base/Numbers.h"
#include "capture/CaptureErrorMessage.h"
#include "capture/CapturePanelRules.h"
#include "capture/ui/PanelWidgets.h"
#include "widgets/Accessibility.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zelvan::capture::ui
{

namespace
{

// Both frames give their captions one width, so their lists line up.
constexpr int kLabelColumn = 112;

QLabel* heading(const char* name, const QString& caption)
{
    auto* label = namedLabel(name, caption);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* counter(const char* name)
{
    auto* label = namedLabel(name, QStringLiteral("0"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

} // namespace

CapturePanel::CapturePanel(app::Station& station, Dialogs& dialogs, CaptureControl& control,
                           QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs), control_(control)
{
    setObjectName(QStringLiteral("CapturePanel"));
    buildControls();
    wireChoices();
    // Controls that need a connected device wait for the connection.
    for (QWidget* w : std::initializer_list<QWidget*>{
             videoConfig_, resolLabel_, resolution_, colorLabel_, colorFormat_, inputLabel_, input_,
             channelLabel_, channel_, comprConfig_, audioConfig_})
        w->setEnabled(false);
    widgets::describeControls(this);
}

CapturePanel::~CapturePanel() = default;

void CapturePanel::buildControls()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    commands_ = buildCommands();
    options_ = buildOptions();
    status_ = namedLabel("LblStatus", QString());
    status_->setWordWrap(true);
    column->addWidget(commands_);
    column->addWidget(options_);
    column->addWidget(status_);
    column->addWidget(buildHidden());
    column->addStretch();
    setMinimumWidth(400);
    setMaximumWidth(440);
}

QGroupBox* CapturePanel::buildCommands()
{
    auto* group = new QGroupBox(QStringLiteral("Commands"));
    group->setObjectName(QStringLiteral("fraCommands"));
    auto* grid = new QGridLayout(group);
    devices_ = namedList("Combo1");
    videoConfig_ = namedButton("VideoConfig", QStringLiteral("Configure..."));
    grid->addWidget(namedLabel("Label4", QStringLiteral("Video Device:"), devices_), 0, 0);
    grid->addWidget(devices_, 0, 1);
    grid->addWidget(videoConfig_, 0, 2);
    addCamera_ = namedButton("cmdAddNetworkCamera", QStringLiteral("Add network camera..."));
    grid->addWidget(addCamera_, 1, 1, 1, 2);
    frames_ = counter("LblFrames");
    dropped_ = counter("LblFrmDrop");
    samples_ = counter("LblSamples");
    time_ = counter("LblTime");
    auto* counters = new QGridLayout;
    counters->addWidget(namedLabel("Label13", QStringLiteral("Total Frames"), frames_), 0, 0);
    counters->addWidget(frames_, 0, 1);
    counters->addWidget(namedLabel("Label14", QStringLiteral("Frames Dropped"), dropped_), 0, 2);
    counters->addWidget(dropped_, 0, 3);
    counters->addWidget(namedLabel("Label15", QStringLiteral("Total Samples"), samples_), 1, 0);
    counters->addWidget(samples_, 1, 1);
    counters->addWidget(namedLabel("Label16", QStringLiteral("Time (ms)"), time_), 1, 2);
    counters->addWidget(time_, 1, 3);
    grid->addLayout(counters, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, kLabelColumn);
    return group;
}

QGroupBox* CapturePanel::buildOptions()
{
    auto* group = new QGroupBox(QStringLiteral("Options"));
    group->setObjectName(QStringLiteral("fraOptions"));
    auto* grid = new QGridLayout(group);
    addVideoRows(grid);
    addAudioRows(grid, grid->rowCount());
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, kLabelColumn);
    return group;
}

void CapturePanel::addVideoRows(QGridLayout* grid)
{
    resolution_ = namedList("ResolutionCombo");
    colorFormat_ = namedList("ColorFormatCombo");
    input_ = namedList("VideoInput");
    channel_ = namedList("Channel");
    effect_ = namedList("Effect");
    compression_ = namedList("CompressionCombo");
    comprConfig_ = namedButton("ComprConfig", QStringLiteral("Configure..."));
    rate_ = new QLineEdit;
    rate_->setObjectName(QStringLiteral("EdtRate"));
    rate_->setMaximumWidth(80);
    resolLabel_ = namedLabel("ResolLabel", QStringLiteral("Resolution:"), resolution_);
    colorLabel_ = namedLabel("ColorLabel", QStringLiteral("Color Format:"), colorFormat_);
    inputLabel_ = namedLabel("InputLabel", QStringLiteral("Input:"), input_);
    channelLabel_ = namedLabel("ChannelLabel", QStringLiteral("Channel:"), channel_);
    grid->addWidget(heading("Label3", QStringLiteral("VIDEO")), 0, 0, 1, 3);
    const std::pair<QLabel*, QWidget*> rows[] = {
        {resolLabel_, resolution_},
        {colorLabel_, colorFormat_},
        {inputLabel_, input_},
        {channelLabel_, channel_},
        {namedLabel("Label1", QStringLiteral("Effect:"), effect_), effect_},
        {namedLabel("Label24", QStringLiteral("Compression:"), compression_), compression_},
        {namedLabel("Label17", QStringLiteral("Frame Rate (fps)"), rate_), rate_}};
    int row = 1;
    for (const auto& [label, control] : rows) {
        grid->addWidget(label, row, 0);
        // Lists without a configure button take its column too.
        const bool wide = control != compression_ && control != rate_;
        grid->addWidget(control, row, 1, 1, wide ? 2 : 1);
        ++row;
    }
    grid->addWidget(comprConfig_, row - 2, 2);
    // The configure button comes right after its list.
    setTabOrder(compression_, comprConfig_);
    setTabOrder(comprConfig_, rate_);
}

void CapturePanel::addAudioRows(QGridLayout* grid, int row)
{
    audioDevice_ = namedList("AudioDevice");
    audioConfig_ = namedButton("AudioConfig", QStringLiteral("Configure..."));
    attrib_ = namedList("ComboAttrib");
    attrib_->addItems(audioAttributeItems());
    audioCompr_ = namedList("AudioCompr");
    listen_ = new QCheckBox(QStringLiteral("Listen"));
    listen_->setObjectName(QStringLiteral("Check1"));
    attribLabel_ = namedLabel("AttribLabel", QStringLiteral("Attributes:"), attrib_);
    audioCompLabel_ = namedLabel("AudioCompLabel", QStringLiteral("Compression:"), audioCompr_);
    grid->addWidget(heading("Label22", QStringLiteral("AUDIO")), row, 0, 1, 3);
    grid->addWidget(namedLabel("Label23", QStringLiteral("Device:"), audioDevice_), row + 1, 0);
    grid->addWidget(audioDevice_, row + 1, 1);
    grid->addWidget(audioConfig_, row + 1, 2);
    grid->addWidget(attribLabel_, row + 2, 0);
    grid->addWidget(attrib_, row + 2, 1, 1, 2);
    grid->addWidget(audioCompLabel_, row + 3, 0);
    grid->addWidget(audioCompr_, row + 3, 1, 1, 2);
    grid->addWidget(listen_, row + 4, 1);
}

// Controls the station keeps for the connection, the preview, the time limit and the capture
// type, which the operator never sees.
QWidget* CapturePanel::buildHidden()
{
    auto* hidden = new QWidget;
    hidden->setObjectName(QStringLiteral("hiddenCaptureControls"));
    auto* grid = new QGridLayout(hidden);
    connect_ = namedButton("CmdConnect", QStringLiteral("Connect"));
    preview_ = namedButton("CmdPreview", QStringLiteral("Preview On"));
    limit_ = new QLineEdit;
    limit_->setObjectName(QStringLiteral("EdtLimit"));
    captureFrame_ = new QGroupBox(QStringLiteral("Capture"));
    captureFrame_->setObjectName(QStringLiteral("fraCapture"));
    captureType_ = namedList("lstCaptureType");
    captureType_->addItems({QStringLiteral("Frames"), kCaptureTypeStreams});
    file_ = new QLineEdit(kInitialCaptureFile);
    file_->setObjectName(QStringLiteral("EdtFile"));
    cap_ = namedButton("CmdCap", QStringLiteral("Capture"));
    cap_->setEnabled(false);
    preview_->setEnabled(false);
    auto* frame = new QVBoxLayout(captureFrame_);
    frame->addWidget(captureType_);
    frame->addWidget(file_);
    frame->addWidget(cap_);
    pauseTime_ = namedList("lstPauseTime");
    pauseLabel_ = namedLabel("lblPauseTime", QStringLiteral("Select Video Pause Time"), pauseTime_);
    grid->addWidget(connect_, 0, 0);
    grid->addWidget(preview_, 0, 1);
    grid->addWidget(namedLabel("lblLimit", QStringLiteral("Time Limit (sec)"), limit_), 1, 0);
    grid->addWidget(limit_, 1, 1);
    grid->addWidget(captureFrame_, 2, 0, 1, 2);
    grid->addWidget(pauseLabel_, 3, 0);
    grid->addWidget(pauseTime_, 3, 1);
    hidden->hide();
    return hidden;
}

// ---------------------------------------------------------------------------- start-up

void CapturePanel::prepare()
{
    setOptionPanelsVisible(false);
    selectQuietly(captureType_, captureType_->findText(kCaptureTypeStreams));
    showPreviewWanted(control_.preview());
    restoreNetworkCameras();
    const StartDevice start = storedStartDevice();
    try {
        fillDeviceLists(std::max(0, start.index));
        fillCompressionAndEffects();
    } catch (const CaptureError& error) {
        showError(error, true);
    }
    InitAudioSettings();
    showStartRate();
    limit_->setText(QString::number(control_.timeLimit()));
    // A stored camera that is missing is named; the list shows what is there.
    if (start.missingMessage.isEmpty())
        Connect();
    else
        dialogs_.message(start.missingMessage, Icon::Warning);
    // A station that never chose a compressor records MJPEG (and stores it at once), not
    // uncompressed pictures no disk keeps up with.
    const bool chosenBefore =
        station_.settings().contains(QString::fromLatin1(app::key::compression));
    const int mjpeg = std::max(0, compression_->findText(QStringLiteral("MJPEG")));
    const int chosen =
        chosenBefore ? storedIndexOrFirst(station_.settings().compression(), compression_->count())
                     : mjpeg;
    selectQuietly(compression_, chosen);
    onCompression(chosen);
}

void CapturePanel::fillDeviceLists(int device)
{
    const int videoCount = control_.videoDeviceCount();
    if (videoCount > 0)
        fillQuietly(devices_,
                    namesOf(videoCount, [this](int i) { return control_.videoDeviceName(i); }),
                    device);
    else
        fillQuietly(devices_, {kNoCaptureDevices}, 0);
    const int audioCount = control_.audioDeviceCount();
    fillQuietly(audioDevice_,
                QStringList{kNoneEntry} +
                    namesOf(audioCount, [this](int i) { return control_.audioDeviceName(i); }),
                audioCount > 0 ? control_.audioDeviceIndex() + 1 : 0);
}

void CapturePanel::fillCompressionAndEffects()
{
    fillQuietly(compression_,
                QStringList{kNoneEntry} +
                    namesOf(control_.videoCompressorCount(),
                            [this](int i) { return control_.videoCompressorName(i); }),
                0);
    fillQuietly(audioCompr_,
                QStringList{kNoneEntry} +
                    namesOf(control_.audioCompressorCount(),
                            [this](int i) { return control_.audioCompressorName(i); }),
                control_.audioCompressorIndex() + 1);
    const int effects = control_.effectCount(kEffectCategory);
    fillQuietly(
        effect_,
        QStringList{kNoneEntry} +
            namesOf(effects, [this](int i) { return control_.effectName(kEffectCategory, i); }),
        effects > 0 ? control_.currentEffect(kEffectCategory) + 1 : 0);
    effect_->setEnabled(effects > 0);
}

// A stored rate below 1 means the device's own rate is shown.
void CapturePanel::showStartRate()
{
    keptRate_ = control_.frameRate();
    const double stored = station_.settings().frameRate();
    const QString text = QString::number(stored < 1 ? control_.frameRate() : stored);
    if (rate_->text() == text)
        onRateEdited(text);
    else
        rate_->setText(text);
}

void CapturePanel::startPreview()
{
    control_.setPreview(true);
    showPreviewWanted(true);
}

void CapturePanel::showPreviewWanted(bool on)
{
    previewWanted_ = on;
    preview_->setText(on ? QStringLiteral("Preview Off") : QStringLiteral("Preview On"));
}

void CapturePanel::showConnected(bool connected)
{
    shownConnected_ = connected;
    connect_->setText(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
}

void CapturePanel::finishStartUp()
{
    file_->setText(kInitialCaptureFile);
    setOptionPanelsVisible(false);
    status_->hide();
}

void CapturePanel::setOptionPanelsVisible(bool shown)
{
    commands_->setVisible(shown);
    options_->setVisible(shown);
    status_->setVisible(shown);
    if (!shown) {
        pauseTime_->hide();
        pauseLabel_->hide();
    }
    setVisible(shown);
}

bool CapturePanel::optionPanelsVisible() const
{
    return !commands_->isHidden() && !options_->isHidden();
}

QString CapturePanel::rateText() const
{
    return rate_->text();
}

bool CapturePanel::capturingStreams() const
{
    return captureType_->currentText() == kCaptureTypeStreams;
}

void CapturePanel::store(const char* key, const QString& value)
{
    if (const Status stored = station_.settings().write(QString::fromLatin1(key), value); !stored)
        dialogs_.message(stored.error(), Icon::Warning);
}

void CapturePanel::showError(const CaptureError& error, bool hexadecimal)
{
    const OperatorMessage m =
        captureErrorMessage(error, hexadecimal ? NumberBase::Hexadecimal : NumberBase::Decimal);
    dialogs_.message(m.text, m.icon, m.title);
}

} // namespace zelvan::capture::ui
