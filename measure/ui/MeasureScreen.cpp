#include "measure/ui/MeasureScreen.h"

#include "base/Numbers.h"
#include "grid/Overlay.h"
#include "grid/Transform.h"
#include "measure/LabelColours.h"
#include "measure/RecordFiles.h"
#include "measure/RecordLines.h"
#include "widgets/Accessibility.h"
#include "widgets/CursorKeyPoll.h"
#include "widgets/FilledBox.h"
#include "widgets/PictureCanvas.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace zelvan::measure::ui
{

using Screen = app::Station::Screen;

MeasureScreen::MeasureScreen(app::Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Measure"));
    setWindowTitle(QStringLiteral("Measure"));
    buildControls();
    keys_ = new widgets::CursorKeyPoll(this);
    connect(keys_, &widgets::CursorKeyPoll::keyHeld, this, [this](Qt::Key key) {
        showGrid_->setFocus();
        adjust(key);
    });
    loadTimer_ = new QTimer(this);
    loadTimer_->setObjectName(QStringLiteral("loadTimer"));
    loadTimer_->setInterval(0);
    connect(loadTimer_, &QTimer::timeout, this, &MeasureScreen::autoLoadTick);
    followStation();
    showLoadState();
    widgets::describeControls(this);
}

MeasureScreen::~MeasureScreen() = default;

void MeasureScreen::followStation()
{
    connect(skier_, &QComboBox::editTextChanged, this, &MeasureScreen::onSkierChanged);
    // Picking the same skier again is a new round for the skier: the number starts over.
    connect(skier_, &QComboBox::activated, this, &MeasureScreen::onSkierChanged);
    connect(jumpNo_, &QLineEdit::textEdited, this,
            [this](const QString& text) { station_.setMeasureJumpNumber(text); });
    connect(&station_, &app::Station::measureSkierNameChanged, this, [this] {
        if (skier_->currentText() != station_.measureSkierName())
            skier_->setEditText(station_.measureSkierName());
    });
    connect(&station_, &app::Station::measureJumpNumberChanged, this,
            [this] { widgets::fillBox(jumpNo_, station_.measureJumpNumber()); });
    connect(&station_, &app::Station::skierNamesChanged, this, [this] {
        const QString shown = skier_->currentText();
        const QSignalBlocker quiet(skier_);
        skier_->clear();
        skier_->addItems(station_.skierNames());
        skier_->setEditText(shown);
    });
    connect(&station_, &app::Station::numGridsChanged, this,
            [this] { setGrid_->setVisible(station_.numGrids() != 1); });
    connect(&station_, &app::Station::tournamentTypeChanged, this, &MeasureScreen::showEventType);
    connect(&station_, &app::Station::labelColorChanged, this, &MeasureScreen::showLabelColours);
    connect(&station_, &app::Station::workingSetChanged, this, [this] {
        showActiveGrid();
        if (isVisible())
            show_the_grid();
    });
    connect(&station_, &app::Station::pictureToViewChanged, this,
            &MeasureScreen::showPictureToView);
}

// The screen as it loads: one grid hides the cycle button, readouts and signs hidden.
void MeasureScreen::showLoadState()
{
    setGrid_->setVisible(station_.numGrids() != 1);
    showActiveGrid();
    selectJumpOk();
    for (QLineEdit* r : readouts_)
        r->hide();
    unofficial_->hide();
    gridDescription_->hide();
    frozenSign_->hide();
    origin_->hide();
    showMarker(false);
    showEventType();
    showLabelColours();
    {
        // Showing the skier the capture screen left is not a change of skier. Until there is
        // one, the boxes say what they hold.
        const QSignalBlocker quiet(skier_);
        const QString skier = station_.measureSkierName();
        skier_->setEditText(skier.isEmpty() ? QStringLiteral("Skier Name") : skier);
    }
    const QString jump = station_.measureJumpNumber();
    widgets::fillBox(jumpNo_, jump.isEmpty() ? QStringLiteral("Jump") : jump);
}

void MeasureScreen::clickAt(QPointF twips)
{
    // A point on the grid's horizon has no place on the water: refuse it, change nothing.
    if (!grid::forwardConversion(station_.workingSet(), twips.x(), twips.y())) {
        dialogs_.message(QLatin1String(kNoWaterPositionText), Icon::Warning);
        return;
    }
    widgets::fillBox(distance_, QStringLiteral("m"));
    widgets::fillBox(distanceFt_, QStringLiteral("ft"));
    lastClick_ = twips;
    if (!DrawImpactMark())
        return;
    impactGrid_ = int(station_.currentGrid());
    adjustGroup_->show();
}

void MeasureScreen::forgetImpact()
{
    impactGrid_ = 0;
    showMarker(false);
}

bool MeasureScreen::DrawImpactMark()
{
    const EventType event{station_.barefootMode(), station_.sitSkiMode()};
    const double size = crossSize_->value();
    const auto mark =
        station_.changeGrids([&](grid::GridStore&, grid::WorkingSet& ws, grid::GridFlags& flags) {
            return impactMark(ws, lastClick_, size, station_.rightToLeft(), event,
                              flags.surveyDirection);
        });
    if (!mark) {
        dialogs_.message(mark.error(), Icon::Warning);
        return false;
    }
    mark_ = *mark;
    marked_ = lastClick_;
    showMarker(true);
    return true;
}

void MeasureScreen::adjust(Qt::Key direction)
{
    if (impactGrid_ == 0)
        return; // nothing marked on this picture to nudge
    lastClick_ = marked_;
    const double step = kTwipsPerPixel;
    if (direction == Qt::Key_Left)
        lastClick_.rx() -= step;
    else if (direction == Qt::Key_Right)
        lastClick_.rx() += step;
    else if (direction == Qt::Key_Up)
        lastClick_.ry() -= step;
    else
        lastClick_.ry() += step;
    DrawImpactMark();
}

// Set_grid names the grid in use: the Station's currentGrid, whoever changed it.
void MeasureScreen::showActiveGrid()
{
    setGrid_->setText(gridCaption(int(station_.currentGrid())));
}

void MeasureScreen::switchGrid()
{
    const int n = nextGrid(int(station_.currentGrid()), int(station_.numGrids()));
    forgetImpact(); // the point was marked against the other grid
    for (QLabel* label : buoyLabels_)
        label->clear();
    station_.changeGrids([n](grid::GridStore& store, grid::WorkingSet& work, grid::GridFlags&) {
        grid::loadIntoWorkingSet(store.setup[n], n, work);
    });
    show_the_grid();
}

void MeasureScreen::show_the_grid()
{
    const grid::WorkingSet& ws = station_.workingSet();
    const grid::DistanceLabels labels = grid::distanceLabels(ws);
    const grid::PlacedLabel* placed[4] = {&labels.maxbuoy, &labels.minbuoy, &labels.maxbuoym,
                                          &labels.minbuoym};
    for (int i = 0; i < 4; ++i) {
        buoyLabels_[i]->setText(placed[i]->text);
        buoyLabels_[i]->adjustSize();
        canvas_->placeAt(buoyLabels_[i], placed[i]->topLeft);
    }
    widgets::fillBox(gridDescription_, station_.gridDescription(int(station_.currentGrid())));
    gridDescription_->show();
    gridGroup_->adjustSize(); // no room kept for a picture name that is hidden
    redraw();
}

void MeasureScreen::redraw()
{
    canvas_->clearDrawing();
    const grid::MarkerStyle style{
        grid::circleMarkers(station_.buoyMarker()),
        grid::overlayColour(station_.labelColorName(), station_.labelColorValue()),
        double(crossSize_->value())};
    const grid::GridPoints points = grid::gridPoints(station_.workingSet());
    const bool boxOff = station_.boxLineOff();
    canvas_->draw(
        [points, style, boxOff](QPainter& p) { grid::drawMeasureGrid(p, points, style, boxOff); });
    if (!markerShown_)
        return;
    const ImpactMark mark = mark_;
    const QColor colour = grid::storedColour(station_.impactColorValue());
    canvas_->draw([mark, colour](QPainter& p) {
        p.setPen(grid::overlayPen(colour));
        p.drawLine(mark.arm);
        p.drawLine(mark.vertical);
        p.drawLine(mark.splash);
    });
}

void MeasureScreen::showMarker(bool shown)
{
    markerShown_ = shown;
    if (!shown)
        adjustGroup_->hide();
    redraw();
}

void MeasureScreen::toggleVerify()
{
    const bool on = verify_->text() == QLatin1String("Verify");
    for (QLineEdit* r : readouts_)
        r->setVisible(on);
    unofficial_->setVisible(on);
    verify_->setText(on ? QStringLiteral("Verify off") : QStringLiteral("Verify"));
}

void MeasureScreen::pointerAt(QPointF twips)
{
    const auto r = verifyReadout(station_.workingSet(), twips,
                                 {station_.barefootMode(), station_.sitSkiMode()});
    if (!r)
        return; // no readout on the horizon
    const QString texts[5] = {r->xtwips, r->ytwips, r->xposition, r->yposition, r->verifyDistance};
    for (int i = 0; i < 5; ++i)
        widgets::fillBox(readouts_[i], texts[i]);
}

RecordSettings MeasureScreen::recordSettings() const
{
    RecordSettings s;
    s.now = station_.clock().now();
    s.barefootMode = station_.barefootMode();
    s.sitSkiMode = station_.sitSkiMode();
    s.barefootIndicatorShown = !barefoot_->isHidden();
    s.wstims = station_.wstims();
    s.resultsPath = station_.resultsFilePath();
    s.keptPath = QDir(station_.stationFolder()).filePath(QLatin1String(kKeptResultsFileName));
    s.zqioFolder = station_.zqioFolder();
    return s;
}

MeasureValues MeasureScreen::values() const
{
    MeasureValues v;
    v.skierName = skier_->currentText();
    v.jumpNumber = jumpNo_->text();
    v.distanceText = distance_->text();
    v.distanceFtText = distanceFt_->text();
    v.comment = comment_->text();
    const auto checked = [this](const char* name) {
        const auto* b = findChild<QAbstractButton*>(QString::fromLatin1(name));
        return b && b->isChecked();
    };
    if (checked("Fall"))
        v.fallOrPass = QStringLiteral("Fall");
    else if (checked("Pass"))
        v.fallOrPass = QStringLiteral("Pass");
    v.otherGrid = checked("Other_Grid");
    v.pictureFrozen = frozen_;
    v.verifyMode = verify_->text() == QLatin1String("Verify off");
    v.rawDistanceText = rawDistance_;
    v.lastClick = lastClick_;
    v.impactMarked = impactGrid_ != 0 && impactGrid_ == int(station_.currentGrid());
    return v;
}

void MeasureScreen::record()
{
    const MeasureValues before = values();
    const RecordSettings settings = recordSettings();
    const RecordOutcome out =
        station_.changeGrids([&](grid::GridStore&, grid::WorkingSet& ws, grid::GridFlags&) {
            return recordJump(before, ws, settings, dialogs_);
        });
    if (!out.recorded)
        return;
    widgets::fillBox(distance_, out.values.distanceText);
    widgets::fillBox(distanceFt_, out.values.distanceFtText);
    rawDistance_ = out.values.rawDistanceText;
    comment_->setText(out.values.comment);
    comment_->hide();
    if (out.clearPassAndFall) {
        deselect(findChild<QAbstractButton*>(QStringLiteral("Fall")));
        deselect(findChild<QAbstractButton*>(QStringLiteral("Pass")));
    }
    deselect(findChild<QAbstractButton*>(QStringLiteral("Other_Grid")));
    if (out.values.jumpNumber != before.jumpNumber) {
        widgets::fillBox(jumpNo_, out.values.jumpNumber);
        station_.setMeasureJumpNumber(out.values.jumpNumber);
    }
}

void MeasureScreen::onOutcome(QAbstractButton* option)
{
    const QString name = option->objectName();
    if (name == QLatin1String("Fall") || name == QLatin1String("Pass"))
        comment_->setText(name);
    else if (name == QLatin1String("Other_Grid"))
        comment_->setText(QStringLiteral("Distance from other grid"));
    else if (name != QLatin1String("optJumpOK"))
        rerideOrComment(option);
}

// A note goes to the results file at once; the attempt's own comment (another grid's) stays.
void MeasureScreen::rerideOrComment(QAbstractButton* option)
{
    const QString name = option->objectName();
    const QString attempt = comment_->text();
    if (name == QLatin1String("Make_comment")) {
        comment_->setText(
            dialogs_.input(QLatin1String(kCommentPrompt), QLatin1String(kCommentTitle))
                .value_or(QString()));
        writeNote(comment_->text(), recordSettings(), dialogs_);
        comment_->setText(attempt);
        deselect(option);
        return;
    }
    const bool mandatory = name == QLatin1String("M_Reride");
    comment_->setText(QLatin1String(mandatory ? kMandatoryRerideText : kOptionalRerideText));
    writeNote(comment_->text(), recordSettings(), dialogs_);
    comment_->setText(attempt);
    if (mandatory) {
        distance_->clear();
        distanceFt_->clear();
    }
    if (!frozen_)
        deselect(option);
}

void MeasureScreen::deselect(QAbstractButton* option)
{
    if (!option)
        return;
    if (option->group() != outcome_) {
        option->setChecked(false);
        return;
    }
    outcome_->setExclusive(false);
    option->setChecked(false);
    outcome_->setExclusive(true);
}

void MeasureScreen::selectJumpOk()
{
    findChild<QAbstractButton*>(QStringLiteral("optJumpOK"))->setChecked(true);
    comment_->clear();
}

void MeasureScreen::onSkierChanged()
{
    station_.setMeasureSkierName(skier_->currentText());
    widgets::fillBox(jumpNo_, QStringLiteral("1"));
    station_.setMeasureJumpNumber(QStringLiteral("1"));
    distance_->clear();
    distanceFt_->clear();
}

void MeasureScreen::showEventType()
{
    const auto type = station_.tournamentType();
    barefoot_->setVisible(type != app::Station::TournamentType::Normal);
    widgets::fillBox(barefoot_, type == app::Station::TournamentType::SitSki
                                    ? QStringLiteral("Sit Ski Jump")
                                    : QStringLiteral("Barefoot Jump"));
}

// The message colour reaches every label of the screen the configuration names.
namespace
{

// An option draws its circle over its own background, which a style sheet background would
// hide: its colours go through its palette.
void showOptionColour(QWidget* option, const LabelColour& colour)
{
    const bool onBlack = colour.background == LabelBackground::Black;
    QPalette palette = option->parentWidget()->palette();
    palette.setColor(QPalette::WindowText, colour.text);
    // A button fills its background from the Button role; the circle's outline comes from Window.
    if (onBlack)
        palette.setColor(QPalette::Button, Qt::black);
    option->setPalette(palette);
    option->setAutoFillBackground(onBlack);
}

} // namespace

void MeasureScreen::showLabelColours()
{
    // Captions over the picture or beside the boxes read on black.
    for (QLabel* label : buoyLabels_)
        if (!label->property("baseStyle").isValid())
            label->setProperty("baseStyle", QStringLiteral("background: black; padding: 2px;"));
    for (const LabelColour& label :
         labelColours(station_.labelColorName(), station_.labelColorValue())) {
        QWidget* w = findChild<QWidget*>(label.objectName);
        if (!w)
            continue;
        if (qobject_cast<QAbstractButton*>(w)) {
            showOptionColour(w, label);
            continue;
        }
        // Each keeps its own background; only the text colour follows the setting.
        if (!w->property("baseStyle").isValid())
            w->setProperty("baseStyle", w->styleSheet());
        const QString base =
            label.background == LabelBackground::Own     ? w->property("baseStyle").toString()
            : label.background == LabelBackground::Black ? QStringLiteral("background: black;")
                                                         : QString();
        w->setStyleSheet(base + QStringLiteral(" color: %1;").arg(label.text.name()));
    }
    redraw();
}

void MeasureScreen::clear()
{
    forgetImpact();
    widgets::fillBox(distance_, QStringLiteral("m"));
    widgets::fillBox(distanceFt_, QStringLiteral("ft"));
    const QString next = advancedJumpNumber(jumpNo_->text());
    widgets::fillBox(jumpNo_, next);
    station_.setMeasureJumpNumber(next);
    for (QAbstractButton* option : outcome_->buttons())
        deselect(option);
    for (const char* name : {"Other_Grid", "Make_comment"})
        deselect(findChild<QAbstractButton*>(QLatin1String(name)));
    selectJumpOk();
    frozen_ = false;
    frozenSign_->hide();
    origin_->hide();
    canvas_->setPicture(QImage());
    show_the_grid();
    deleteSnapshotPictures(station_.zqioFolder());
}

void MeasureScreen::hideEvent(QHideEvent* event)
{
    keys_->stop();
    QWidget::hideEvent(event);
}

} // namespace zelvan::measure::ui
