#include "grid/ui/GridSetupScreen.h"

#include <vector>

#include "app/StationResources.h"
#include "app/TextFiles.h"
#include "base/Numbers.h"
#include "grid/Complete.h"
#include "grid/Overlay.h"
#include "grid/Rounding.h"
#include "grid/SetupBoxes.h"
#include "grid/SetupScreenRules.h"
#include "grid/Transform.h"
#include "grid/ui/AccuracyPanel.h"
#include "grid/ui/GridFileFlow.h"
#include "tools/ui/CalibrateScreen.h"
#include "widgets/Accessibility.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/DragHandle.h"
#include "widgets/FilledBox.h"
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelvan::grid::ui
{

namespace
{

const char* const kPictureFilter =
    "All Files (*.*)|*.*|Text Files (*.txt)|*.txt|Jump Picture Files (*.gif)|*.gif|"
    "Jump Picture Files (*.bmp)|*.bmp|Jump Picture Files (*.jpg)|*.jpg|";

// The ready (face02.ico) or not-ready (msgbox03.ico) picture: the station folder's own file
// when there is one, else the built-in one.
QPixmap stateIcon(const QString& stationFolder, bool ready)
{
    const QString name = QLatin1String(ready ? app::kReadyIcon : app::kNotReadyIcon);
    return QPixmap(app::stationResource(stationFolder, name))
        .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

GridSetupScreen::GridSetupScreen(app::Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Grid_Setup"));
    setWindowTitle(QStringLiteral("Grid Setup"));
    buildControls();
    keys_ = new widgets::CursorKeyPoll(this);
    connect(keys_, &widgets::CursorKeyPoll::keyHeld, this, [this](Qt::Key key) {
        findChild<QPushButton*>(QStringLiteral("show_alignment"))->setFocus();
        nudge(nudgeOfKey(key));
    });
    // Screen load.
    gridSelect_->setText(gridCaption(int(station_.currentGrid())));
    station_.setAllGridsReady(0);
    setReadyIcon(false);
    setAccuracyEnabled(false);
    showCheckBuoyLabel(false);
    station_.setPictureSize(12000, 9000);
    connect(&station_, &app::Station::gridChanged, this, &GridSetupScreen::onGridChanged);
    widgets::describeControls(this);
}

GridSetupScreen::~GridSetupScreen() = default;

SetupScreenTexts GridSetupScreen::texts() const
{
    SetupScreenTexts t;
    for (const SetupBox& b : setupBoxes()) {
        if (const QLineEdit* edit = boxes_.value(QString::fromLatin1(b.objectName)))
            b.of(t) = edit->text();
    }
    t.grid_select = gridSelect_->text();
    t.pictureWidthTwips = decimalText(station_.pictureWidthTwips());
    return t;
}

void GridSetupScreen::showTexts(const SetupScreenTexts& t)
{
    for (const SetupBox& b : setupBoxes())
        setBoxText(QString::fromLatin1(b.objectName), b.of(t));
    gridSelect_->setText(t.grid_select);
    showPictureSize(); // the picture's, whatever grid or file is shown
}

void GridSetupScreen::showPictureSize()
{
    setBoxText(QStringLiteral("txtPicWidth"), decimalText(station_.pictureWidthTwips()));
    setBoxText(QStringLiteral("txtPicHeight"), decimalText(station_.pictureHeightTwips()));
}

void GridSetupScreen::setBoxText(const QString& name, const QString& text)
{
    if (QLineEdit* edit = boxes_.value(name))
        widgets::fillBox(edit, text);
}

std::optional<SetupPoint> GridSetupScreen::selectedPoint() const
{
    const int id = points_->checkedId();
    if (id < 0)
        return std::nullopt;
    return SetupPoint(id);
}

void GridSetupScreen::pickAt(QPointF twips)
{
    if (const auto point = selectedPoint())
        applyMoves(pickPoint(previous_, *point, lock_->isChecked(), twips));
}

void GridSetupScreen::nudge(Nudge direction)
{
    if (const auto point = selectedPoint())
        applyMoves(nudgePoint(previous_, *point, lock_->isChecked(), direction));
}

void GridSetupScreen::applyMoves(const QList<PointMove>& moves)
{
    const double size = crossSize_->value();
    canvas_->draw([moves, size](QPainter& p) { drawMoves(p, moves, size, 2 * size); });
    station_.changeGrids([&](GridStore&, WorkingSet& work, GridFlags&) {
        grid::applyMoves(moves, previous_, work);
    });
    for (const PointMove& move : moves) {
        const auto names = screenBoxNames(move.point);
        widgets::fillBox(boxes_.value(QString::fromLatin1(names[0])), pickedText(move.to.x()));
        widgets::fillBox(boxes_.value(QString::fromLatin1(names[1])), pickedText(move.to.y()));
    }
    // A point picked or nudged by the operator is one edit of the set-up, however many boxes
    // it rewrites (ten with the lock on).
    if (!moves.isEmpty())
        withdrawReadiness();
}

void GridSetupScreen::onBoxEdited(const QString& name, const QString& text)
{
    station_.changeGrids([&](GridStore& store, WorkingSet& work, GridFlags&) {
        applySurveyEdit(name, text, work, store.setup[int(work.currentGrid)]);
    });
    withdrawReadiness();
}

void GridSetupScreen::withdrawReadiness()
{
    setReadyIcon(false);
    if (!station_.gridLoadingFlag()) {
        const int n = int(station_.currentGrid());
        station_.setGridReady(n, false);
        station_.setGridDescription(n, QString());
        station_.setGridIndicator(n, {false, QString()});
        // Every keystroke is an edit: the setting is written only when it still names a file.
        if (!station_.settings().gridFile(n).isEmpty()) {
            if (const Status cleared = station_.settings().setGridFile(n, QString()); !cleared)
                log(cleared.error());
        }
    }
    setAccuracyEnabled(false);
    station_.setAllGridsReady(0);
}

void GridSetupScreen::onLockClicked(bool on)
{
    if (on && !lockAllowed(texts())) {
        dialogs_.message(QString::fromLatin1(kCannotLockText));
        lock_->setChecked(false);
    }
    showLocked(lock_->isChecked());
}

void GridSetupScreen::showLocked(bool locked)
{
    lockGroup_->setVisible(locked);
    lockedLabel_->setVisible(locked);
    lockedDrag_->setVisible(locked);
}

void GridSetupScreen::releaseLock()
{
    lock_->setChecked(false);
    showLocked(false);
}

void GridSetupScreen::setReadyIcon(bool ready)
{
    stateIcon_->setPixmap(stateIcon(station_.stationFolder(), ready));
    stateIcon_->setAccessibleName(ready ? QStringLiteral("Grid ready")
                                        : QStringLiteral("Grid not ready"));
}

void GridSetupScreen::setAccuracyEnabled(bool enabled)
{
    accuracy_->setEnabled(enabled);
    accuracyPanel_->setAvailable(enabled);
}

void GridSetupScreen::checkAccuracy()
{
    accuracyPanel_->runCheck(texts(), [this] { drawBuoys(); });
}

void GridSetupScreen::showCheckBuoyLabel(bool shown, QPointF at)
{
    if (shown) {
        checkBuoyAt_ = at;
        canvas_->placeAt(checkBuoyLabel_, at);
    }
    checkBuoyLabel_->setVisible(shown);
}

void GridSetupScreen::toggleCheckBuoyLabel()
{
    const bool clearing = cbLabelButton_->text() == QLatin1String("Clear Check Buoy");
    showCheckBuoyLabel(!clearing, checkBuoyAt_);
    cbLabelButton_->setText(clearing ? QStringLiteral("Show Check Buoy")
                                     : QStringLiteral("Clear Check Buoy"));
}

void GridSetupScreen::log(const QString& line)
{
    station_.debugLog().WriteDebugLog(line);
}

void GridSetupScreen::activateGrid(int n)
{
    // The shown indicators belong to the grid being left.
    setAccuracyEnabled(false);
    station_.setGridLoadingFlag(true);
    station_.changeGrids([n](GridStore& store, WorkingSet& work, GridFlags&) {
        loadIntoWorkingSet(store.setup[n], n, work);
    });
    showGrid(n);
}

// The boxes, the grid button and the ready state of grid n as the store and working set hold it.
void GridSetupScreen::showGrid(int n)
{
    showTexts(gridTexts(station_.gridStore(), n));
    const GridPoints at = gridPoints(station_.workingSet());
    previous_ = {at.upperLeft, at.upperRight, at.lowerLeft, at.lowerRight, at.checkBuoy};
    // The icon is the grid's own: a grid not ready never shows the face of the one left.
    setReadyIcon(station_.gridReady(n));
    if (station_.gridReady(n))
        setAccuracyEnabled(true);
}

void GridSetupScreen::onGridChanged(int n)
{
    // A grid file loaded elsewhere (the configuration load at start-up) fills this screen as
    // its own load does. The boxes take the values quietly: they are the loaded grid's own, not
    // an edit that would make it not ready again.
    if (isVisible() || !station_.gridLoadingFlag() || !station_.gridReady(n))
        return;
    std::vector<QSignalBlocker> quiet;
    quiet.reserve(size_t(boxes_.size()));
    for (QLineEdit* box : std::as_const(boxes_))
        quiet.emplace_back(box);
    showGrid(n);
}

void GridSetupScreen::switchGrid()
{
    canvas_->clearDrawing();
    const int from = int(station_.currentGrid());
    const int to = nextGrid(from, int(station_.numGrids()));
    if (const QString line = gridSwitchLogLine(from, to); !line.isEmpty())
        log(line);
    activateGrid(to);
    station_.setGridLoadingFlag(false);
    station_.recheckAllGridsReady();
}

void GridSetupScreen::complete()
{
    CompleteSettings settings;
    settings.numGrids = int(station_.numGrids());
    settings.barefootMode = station_.barefootMode();
    settings.sitSkiMode = station_.sitSkiMode();
    settings.allowInvalidSetup = station_.allowInvalidSetup();
    const SetupScreenTexts shown = texts();
    const CompleteResult r =
        station_.changeGrids([&](GridStore& store, WorkingSet& work, GridFlags& flags) {
            return completeSetup(shown, settings, store, work, flags, station_.clock());
        });
    showMessages(dialogs_, r.messages);
    for (const QString& line : r.debugLog)
        log(line);
    if (!r.setupBlock.isEmpty()) {
        if (const Status appended =
                app::appendResultsLines(station_.resultsFilePath(), r.setupBlock);
            !appended)
            dialogs_.message(appended.error(), Icon::Warning);
    }
    if (r.accuracyEnabled) {
        setAccuracyEnabled(true);
        canvas_->clearDrawing();
        showCheckBuoyLabel(false);
    }
    setReadyIcon(r.readyIcon);
    if (r.gridNumber > 0 && station_.gridReady(r.gridNumber))
        station_.setGridIndicator(r.gridNumber, {true, QStringLiteral("not saved")});
    if (r.showCheckBuoyLabel)
        showCheckBuoyLabel(true, QPointF(r.checkBuoyLabelLeft, r.checkBuoyLabelTop));
    if (r.redrawOverlay)
        drawBuoys();
}

void GridSetupScreen::drawBuoys()
{
    canvas_->clearDrawing();
    const MarkerStyle style{circleMarkers(station_.buoyMarker()),
                            overlayColour(station_.labelColorName(), station_.labelColorValue()),
                            double(crossSize_->value())};
    const GridPoints points = gridPoints(station_.workingSet());
    canvas_->draw([points, style](QPainter& p) { drawSetupGrid(p, points, style); });
}

void GridSetupScreen::saveGridFile()
{
    releaseLock();
    if (const auto shown = saveGrid(station_, dialogs_, texts())) {
        setBoxText(QStringLiteral("ipt_file_description"), shown->ipt_file_description);
        setBoxText(QStringLiteral("ipt_file_description_2"), shown->ipt_file_description_2);
    }
}

void GridSetupScreen::loadGridFile()
{
    releaseLock();
    const auto loaded = loadGrid(station_, dialogs_, texts());
    if (!loaded)
        return;
    const int n = int(station_.currentGrid());
    setAccuracyEnabled(false); // whatever was shown belongs to the grid replaced
    station_.setGridLoadingFlag(true);
    showTexts(loaded->boxes);
    gridSelect_->setText(gridCaption(n)); // the grid loaded into, ready or not
    station_.setGridLoadingFlag(false);
    const GridPoints at = gridPoints(station_.workingSet());
    previous_ = {at.upperLeft, at.upperRight, at.lowerLeft, at.lowerRight, at.checkBuoy};
    canvas_->clearDrawing();
    if (loaded->ready) {
        setReadyIcon(true);
        setAccuracyEnabled(true);
    }
}

void GridSetupScreen::loadPicture()
{
    if (!QDir::setCurrent(station_.capturesPath())) {
        dialogs_.message(QString::fromLatin1(kInvalidPathText), Icon::Warning);
        return;
    }
    const QString path = dialogs_.openFile(QStringLiteral("Load Picture"), QDir::currentPath(),
                                           QString::fromLatin1(kPictureFilter), 1);
    if (path.isEmpty())
        return;
    showPicture(QImage(path), QDir::toNativeSeparators(path));
}

void GridSetupScreen::showPicture(const QImage& picture, const QString& from)
{
    if (picture.isNull()) {
        dialogs_.message(QStringLiteral("There is no picture to show in %1").arg(from),
                         Icon::Warning);
        return;
    }
    canvas_->setPicture(picture);
    const QSizeF twips = pictureSizeTwips(picture.size());
    station_.setPictureSize(twips.width(), twips.height());
    showPictureSize();
}

void GridSetupScreen::showCurrentCapture()
{
    const QString path = station_.currentCapturePath();
    showPicture(QImage(path), QDir::toNativeSeparators(path));
}

void GridSetupScreen::openCalibration()
{
    if (!calibrate_)
        useCalibration(new tools::ui::CalibrateScreen(station_, dialogs_, this));
    calibrate_->openOver(canvas_);
}

void GridSetupScreen::useCalibration(tools::ui::CalibrateScreen* shared)
{
    calibrate_ = shared;
    if (shared)
        shared->addCanvas(canvas_);
}

void GridSetupScreen::leave()
{
    if (station_.allGridsReady() != 1.0) {
        if (dialogs_.askYesNo(QString::fromLatin1(kLeaveNotReadyText),
                              QString::fromLatin1(kLeaveNotReadyTitle))) {
            keys_->stop();
            station_.showScreen(app::Station::Screen::Main);
        }
    } else {
        leaveWithAllReady();
    }
    station_.setGridLoadingFlag(false);
    for (const QString& line : exitStatusLines(station_.gridStore(), station_.allGridsReady()))
        log(line);
}

void GridSetupScreen::leaveWithAllReady()
{
    keys_->stop();
    station_.showScreen(app::Station::Screen::Main);
    activateGrid(1);
    canvas_->clearDrawing();
    const GridPoints points = gridPoints(station_.workingSet());
    canvas_->draw([points](QPainter& p) { drawExitGrid(p, points); });
    setReadyIcon(true);
}

void GridSetupScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The measurement screen may have switched grids meanwhile: the screen opens on the grid in
    // use, so an edit here never lands in one grid while withdrawing another.
    if (const int n = int(station_.currentGrid()); gridSelect_->text() != gridCaption(n)) {
        activateGrid(n);
        station_.setGridLoadingFlag(false);
    }
    if (station_.navigationMode() == QLatin1String("SelectFrame")) {
        showCurrentCapture();
        station_.setNavigationMode(QString());
    }
    keys_->start();
}

void GridSetupScreen::hideEvent(QHideEvent* event)
{
    keys_->stop();
    QWidget::hideEvent(event);
}

} // namespace zelvan::grid::ui
