#include "app/ui/MainScreen.h"

#include "app/ui/LogViewer.h"
#include "app/ui/PictureLogViewer.h"

#include "app/EmergencyReset.h"
#include "app/SettingsStore.h"
#include "app/SkierNames.h"
#include "app/StartUp.h"
#include "app/StationResources.h"
#include "base/Numbers.h"
#include "base/OperatorMessage.h"
#include "capture/CaptureControl.h"
#include "capture/ui/CapturePanel.h"
#include "widgets/Accessibility.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan::app::ui
{

namespace
{

const QString kShowConfig = QStringLiteral("Show Video Configuration");
const QString kHideConfig = QStringLiteral("Hide Video Configuration");

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

bool isFolder(const QString& text)
{
    const QString dir = text.trimmed();
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

} // namespace

MainScreen::MainScreen(Station& station, Dialogs& dialogs, capture::CaptureControl& control,
                       QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs), control_(control)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zelvan 2005"));
    buildControls();
    buildMenu();

    connect(&station_, &Station::gridIndicatorChanged, this, &MainScreen::showGridIndicator);
    connect(&station_, &Station::numGridsChanged, this, &MainScreen::showGridIndicators);
    connect(&station_, &Station::videoDirectoryChanged, this, &MainScreen::showVideoDirectory);
    connect(panel_, &capture::ui::CapturePanel::rateTextChanged, this, &MainScreen::showRateLabel);
    showGridIndicators();
    widgets::describeControls(this);
    // Controls whose caption changes read it live, not as it was at start.
    for (QWidget* w : std::initializer_list<QWidget*>{lblVideodir_, lblConfig_, cmdShowConfig_})
        w->setAccessibleName(QString());
}

MainScreen::~MainScreen() = default;

void MainScreen::buildControls()
{
    panel_ = new capture::ui::CapturePanel(station_, dialogs_, control_, this);
    panel_->setObjectName(QStringLiteral("CapturePanel"));
    frame1_ = buildMainFrame();

    // The panel on the left, the main frame beside it at a readable width; both keep their
    // natural height and the free space stays below and to the right.
    frame1_->setMaximumWidth(760);
    auto* row = new QHBoxLayout;
    row->addWidget(panel_, 0, Qt::AlignTop);
    row->addWidget(frame1_, 1, Qt::AlignTop);
    row->addStretch(0);
    auto* root = new QVBoxLayout(this);
    root->addLayout(row);
    root->addStretch(1);
    // The panel stays hidden until "Show Video Configuration".
    panel_->setOptionPanelsVisible(false);
}

QGroupBox* MainScreen::buildMainFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Zelvan Controls and Configuration"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(buildNavigation());
    layout->addWidget(buildVideoFolder());
    layout->addWidget(buildGridIndicators());
    return frame;
}

QWidget* MainScreen::buildNavigation()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    cmdSetup_ = button(box, "cmdSetup", QStringLiteral("Grid Setup"));
    cmdConfigure_ = button(box, "cmdConfigure", QStringLiteral("System Configuration"));
    ccmdGoToMeasure_ =
        button(box, "ccmdGoToMeasure", QStringLiteral("View Already Recorded Jump Pics"));
    cmdGoCapture_ = button(box, "cmdGoCapture", QStringLiteral("Proceed to Capture Video"));
    cmdGoTimer_ = button(box, "cmdGoTimer", QStringLiteral("View Already Recorded Jump Videos"));
    cmdImport_ = button(box, "cmdImport", QStringLiteral("Import Skier Names File"));
    btnChangeDirectory_ =
        button(box, "btnChangeDirectory", QStringLiteral("Change Video File Directory"));
    cmdShowConfig_ = button(box, "cmdShowConfig", kShowConfig);
    cb15_ = new QCheckBox(QStringLiteral("Enable Barefoot Timing (15 sec)"), box);
    cb15_->setObjectName(QStringLiteral("cb15"));

    // The road of a jump on the left, the station's set-up on the right.
    grid->addWidget(cmdGoCapture_, 0, 0);
    grid->addWidget(cmdGoTimer_, 1, 0);
    grid->addWidget(ccmdGoToMeasure_, 2, 0);
    grid->addWidget(cmdSetup_, 0, 1);
    grid->addWidget(cmdConfigure_, 1, 1);
    grid->addWidget(cmdImport_, 2, 1);
    grid->addWidget(btnChangeDirectory_, 3, 1);
    grid->addWidget(cmdShowConfig_, 3, 0);
    grid->addWidget(cb15_, 4, 0, 1, 2);
    for (QPushButton* b : box->findChildren<QPushButton*>())
        b->setMinimumHeight(40);
    // The keyboard follows the same order, starting on the road's first step.
    const QList<QWidget*> order{cmdGoCapture_,  cmdGoTimer_,         ccmdGoToMeasure_,
                                cmdShowConfig_, cmdSetup_,           cmdConfigure_,
                                cmdImport_,     btnChangeDirectory_, cb15_};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cmdSetup_, &QPushButton::clicked, this, &MainScreen::openGridSetup);
    connect(cmdConfigure_, &QPushButton::clicked, this, &MainScreen::openConfiguration);
    connect(ccmdGoToMeasure_, &QPushButton::clicked, this, &MainScreen::goToMeasure);
    connect(cmdGoCapture_, &QPushButton::clicked, this, &MainScreen::goToCapture);
    connect(cmdGoTimer_, &QPushButton::clicked, this, &MainScreen::goToFrameSelection);
    connect(cmdImport_, &QPushButton::clicked, this, &MainScreen::importSkierNames);
    connect(btnChangeDirectory_, &QPushButton::clicked, this, &MainScreen::changeVideoDirectory);
    connect(cmdShowConfig_, &QPushButton::clicked, this, &MainScreen::toggleCaptureConfiguration);
    connect(cb15_, &QCheckBox::toggled, this, &MainScreen::onBarefootToggled);
    // Until their screens are there, the buttons that would open them stay disabled.
    for (QPushButton* b : {cmdSetup_, ccmdGoToMeasure_, cmdGoCapture_, cmdGoTimer_})
        b->setEnabled(false);
    return box;
}

QWidget* MainScreen::buildVideoFolder()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 8, 0, 8);
    QLabel* caption =
        label(box, QStringLiteral("Label2"), QStringLiteral("Save Video Files in this Directory"));
    txtVideoDir_ = new QLineEdit(box);
    txtVideoDir_->setObjectName(QStringLiteral("txtVideoDir"));
    caption->setBuddy(txtVideoDir_);
    lblVideodir_ = label(box, QStringLiteral("lblVideodir"), QString());
    lblVideodir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblConfig_ =
        label(box, QStringLiteral("lblConfig"), QStringLiteral("Currently Configured for R"));
    grid->addWidget(caption, 0, 0);
    grid->addWidget(txtVideoDir_, 1, 0);
    grid->addWidget(lblVideodir_, 2, 0);
    grid->addWidget(lblConfig_, 3, 0);
    connect(txtVideoDir_, &QLineEdit::textEdited, this, &MainScreen::onVideoDirTyped);
    return box;
}

QWidget* MainScreen::buildGridIndicators()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    const QString captions[3] = {QStringLiteral("Grid 1"), QStringLiteral("Grid 2"),
                                 QStringLiteral("Grid3")};
    for (int i = 0; i < 3; ++i) {
        lblGrid_[i] = label(box, QStringLiteral("lblGrid%1").arg(i + 1), captions[i]);
        imageGrid_[i] = label(box, QStringLiteral("ImageGrid%1").arg(i + 1), QString());
        imageGrid_[i]->setFixedSize(36, 36);
        imageGrid_[i]->setAlignment(Qt::AlignCenter);
        txtGridDescription_[i] = new QLineEdit(box);
        txtGridDescription_[i]->setObjectName(QStringLiteral("txtGridDescription(%1)").arg(i));
        txtGridDescription_[i]->setReadOnly(true);
        lblGrid_[i]->setBuddy(txtGridDescription_[i]);
        grid->addWidget(lblGrid_[i], i, 0);
        grid->addWidget(imageGrid_[i], i, 1);
        grid->addWidget(txtGridDescription_[i], i, 2);
    }
    grid->setColumnStretch(2, 1);
    return box;
}

void MainScreen::buildMenu()
{
    auto* menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("MainFormMenu"));
    layout()->setMenuBar(menu);
    auto add = [&](const char* name, const QString& caption, void (MainScreen::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("mnuViewLog", QStringLiteral("&Video Log"), &MainScreen::viewVideoLog);
    add("mnuPictureLog", QStringLiteral("&Picture Log"), &MainScreen::viewPictureLog);
    add("munManual", QStringLiteral("View &Manual"), &MainScreen::viewManual);
    add("mnuExit", QStringLiteral("E&xit"), &MainScreen::askToQuit);
}

void MainScreen::setScreenAvailable(Station::Screen screen, bool available)
{
    switch (screen) {
    case Station::Screen::GridSetup:
        cmdSetup_->setEnabled(available);
        break;
    case Station::Screen::Measure:
        ccmdGoToMeasure_->setEnabled(available);
        break;
    case Station::Screen::Capture:
        cmdGoCapture_->setEnabled(available);
        break;
    case Station::Screen::FrameSelection:
        cmdGoTimer_->setEnabled(available);
        break;
    default:
        break;
    }
}

// --- Start-up -----------------------------------------------------------------------------

void MainScreen::startUp()
{
    showMessages(dialogs_, station_.debugLog().StartDebugLog().messages);
    showMessages(dialogs_,
                 station_.debugLog().WriteDebugLog(QStringLiteral("MainForm Load")).messages);
    // A reset that could not store a value has told the operator which; start-up goes on.
    (void)runEmergencyReset(dialogs_, station_.settings());
    panel_->prepare();
    if (const Status folder = ensureVideoDirectory(dialogs_, station_); !folder)
        dialogs_.message(folder.error(), Icon::Warning);
    showVideoDirectory();
    startSessionLog();
    lblVideodir_->setText(txtVideoDir_->text());
    panel_->startPreview();
    {
        const QSignalBlocker quiet(cb15_);
        cb15_->setChecked(station_.settings().barefoot());
    }
    panel_->finishStartUp();
    showRateLabel(panel_->rateText());
    dialogs_.message(QStringLiteral("Please Verify all Setup Parameters"));
    station_.showScreen(Station::Screen::Config);
}

void MainScreen::startSessionLog()
{
    // The folder was checked a moment ago; a log that still cannot be written is told, and the
    // station runs on without it.
    if (const Status started = station_.startSessionLog(); !started)
        dialogs_.message(QStringLiteral("The session log could not be written: ") + started.error(),
                         Icon::Warning);
}

// --- Shown state --------------------------------------------------------------------------

void MainScreen::showVideoDirectory()
{
    // The folder as the Station holds it; the operator's typing is not rewritten under the
    // cursor, only a folder set from elsewhere replaces the box.
    if (showingVideoDir_)
        return;
    const QString dir = station_.videoDirectory();
    if (withoutTrailingSeparator(txtVideoDir_->text().trimmed()) != dir)
        txtVideoDir_->setText(dir);
}

void MainScreen::showGridIndicator(int grid)
{
    if (grid < 1 || grid > 3)
        return;
    const Station::GridIndicator indicator = station_.gridIndicator(grid);
    const int i = grid - 1;
    const QString picture = QLatin1String(indicator.fileFound ? kReadyPicture : kNotReadyPicture);
    const QPixmap shown(stationResource(station_.stationFolder(), picture));
    imageGrid_[i]->setPixmap(shown);
    imageGrid_[i]->setToolTip(picture);
    imageGrid_[i]->setAccessibleName(
        lblGrid_[i]->text() + QLatin1Char(' ') +
        (indicator.fileFound ? QStringLiteral("file found") : QStringLiteral("file missing")));
    txtGridDescription_[i]->setText(indicator.description);
    txtGridDescription_[i]->setCursorPosition(0);
}

void MainScreen::showGridIndicators()
{
    for (int grid = 1; grid <= 3; ++grid) {
        // Grid 1's indicators are always there.
        const bool visible = grid == 1 || station_.numGrids() >= grid;
        lblGrid_[grid - 1]->setVisible(visible);
        imageGrid_[grid - 1]->setVisible(visible);
        txtGridDescription_[grid - 1]->setVisible(visible);
        showGridIndicator(grid);
    }
}

void MainScreen::showRateLabel(const QString& rateText)
{
    lblConfig_->setText(captureRateLabel(rateText, lblConfig_->text()));
}

void MainScreen::showEvent(QShowEvent* event)
{
    // Shown again: the screens entered from here learn it from an empty token.
    station_.setNavigationMode(QString());
    QWidget::showEvent(event);
}

void MainScreen::closeEvent(QCloseEvent* event)
{
    // Closing the main screen ends the station; settings are already stored.
    event->accept();
    emit quitRequested();
}

// --- The operator's actions ---------------------------------------------------------------

void MainScreen::onVideoDirTyped(const QString& text)
{
    showingVideoDir_ = true;
    if (const Status stored = station_.setVideoDirectory(text); !stored)
        dialogs_.message(stored.error(), Icon::Warning);
    showingVideoDir_ = false;
}

void MainScreen::onBarefootToggled(bool on)
{
    if (const Status stored = station_.settings().writeFlag(QLatin1String(key::barefoot), on);
        !stored)
        dialogs_.message(stored.error(), Icon::Warning);
}

void MainScreen::openGridSetup()
{
    station_.showScreen(Station::Screen::GridSetup);
}

void MainScreen::openConfiguration()
{
    station_.showScreen(Station::Screen::Config);
}

void MainScreen::goToMeasure()
{
    if (station_.allGridsReady() != 1) {
        dialogs_.message(
            QStringLiteral("At least one measurement grid that you have specified has "
                           "not been set up.  All grids specified must be set up correctly "
                           "before you can use the measurement screen"),
            Icon::Error);
        station_.showScreen(Station::Screen::GridSetup);
        return;
    }
    station_.showScreen(Station::Screen::Measure);
}

bool MainScreen::videoFolderExists(const QString& title)
{
    if (isFolder(txtVideoDir_->text()))
        return true;
    dialogs_.message(QStringLiteral("The Log File Folder you specified does not exist. "
                                    "Please change it to a Folder that does exist."),
                     Icon::Warning, title);
    return false;
}

void MainScreen::goToCapture()
{
    if (!videoFolderExists(QStringLiteral("Path Error")))
        return;
    station_.showScreen(Station::Screen::Capture);
    control_.setPreview(true);
    station_.setNavigationMode(QStringLiteral("Setup"));
    station_.setPreviewOn(true);
}

void MainScreen::goToFrameSelection()
{
    if (!videoFolderExists(QStringLiteral("Path Error")))
        return;
    station_.showScreen(Station::Screen::FrameSelection);
    station_.setNavigationMode(QStringLiteral("Setup"));
    control_.setPreview(true);
}

void MainScreen::importSkierNames()
{
    const QString chosen = dialogs_.openFile(QString(), station_.stationFolder(), QString());
    if (chosen.isEmpty())
        return;
    const Result<QString> firstLine = app::importSkierNames(chosen, station_.stationFolder());
    if (!firstLine) {
        dialogs_.message(firstLine.error(), Icon::Warning);
        return;
    }
    station_.setCaptureSkierName(*firstLine);
}

void MainScreen::changeVideoDirectory()
{
    showingVideoDir_ = true;
    const Result<bool> changed =
        app::changeVideoDirectory(dialogs_, station_, lblVideodir_->text());
    showingVideoDir_ = false;
    if (!changed) {
        dialogs_.message(changed.error(), Icon::Warning);
        return;
    }
    if (*changed) {
        txtVideoDir_->setText(station_.videoDirectory());
        lblVideodir_->setText(txtVideoDir_->text());
    }
}

void MainScreen::toggleCaptureConfiguration()
{
    const bool show = cmdShowConfig_->text() == kShowConfig;
    panel_->setOptionPanelsVisible(show);
    layout()->activate(); // the frame moves now, not at the next event
    cmdShowConfig_->setText(show ? kHideConfig : kShowConfig);
}

void MainScreen::viewVideoLog()
{
    if (!videoLog_)
        videoLog_ = new LogViewer(station_, dialogs_, this);
    videoLog_->open();
}

void MainScreen::viewPictureLog()
{
    if (!pictureLog_)
        pictureLog_ = new PictureLogViewer(station_, dialogs_, this);
    pictureLog_->open();
}

void MainScreen::viewManual()
{
    station_.showScreen(Station::Screen::Manual);
}

void MainScreen::askToQuit()
{
    if (dialogs_.askYesNo(QStringLiteral("Are you sure you want to quit?"), QString()))
        emit quitRequested();
}

} // namespace zelvan::app::ui
