#include "measure/ui/MeasureScreen.h"

#include "widgets/ControlColumn.h"
#include "widgets/FloatingGroups.h"

// The controls of the measurement screen and where they sit; its behaviour is in
// MeasureScreen.cpp.
#include "base/Numbers.h"
#include "widgets/DragHandle.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelvan::measure::ui
{

namespace
{

QLineEdit* shownBox(const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setMinimumWidth(90);
    return edit;
}

// What the empty picture area tells the operator: where a picture to measure comes from.
const char* const kNoPictureText =
    "No picture yet.\nTake a frame on Frame Selection (Use displayed frame to measure jump), "
    "or choose Load Picture or Paste on the menu.";

} // namespace

void MeasureScreen::buildControls()
{
    buildMenu();
    canvas_ = new widgets::PictureCanvas(this);
    canvas_->setObjectName(QStringLiteral("picture"));
    canvas_->setBackground(Qt::magenta);
    canvas_->setFitOnOpen(true);
    // Every click on the picture places the impact: the magnifier shows the board's pixels.
    canvas_->setMagnifierEnabled(true);
    canvas_->setEmptyText(QString::fromLatin1(kNoPictureText));
    canvas_->setMouseTracking(true);
    canvas_->viewport()->setMouseTracking(true);
    connect(canvas_, &widgets::PictureCanvas::pressed, this,
            [this](QPointF twips) { clickAt(twips); });
    connect(canvas_, &widgets::PictureCanvas::moved, this, &MeasureScreen::pointerAt);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->addWidget(buildSkierGroup());
    column->addWidget(buildDistanceGroup());
    column->addWidget(buildOutcomeGroup());
    column->addWidget(buildVerifyGroup());
    column->addWidget(buildPictureGroup());
    column->addStretch();
    QScrollArea* scroll = widgets::controlColumn(panel);

    auto* layout = new QHBoxLayout(this);
    layout->setMenuBar(findChild<QMenuBar*>());
    layout->addWidget(canvas_, 1);
    layout->addWidget(scroll);
    buildFloatingGroups();
    const char* const buoyNames[4] = {"maxbuoy", "minbuoy", "maxbuoym", "minbuoym"};
    for (int i = 0; i < 4; ++i) {
        buoyLabels_[i] = new QLabel;
        buoyLabels_[i]->setObjectName(QString::fromLatin1(buoyNames[i]));
        canvas_->placeAt(buoyLabels_[i], {});
    }
}

QWidget* MeasureScreen::buildSkierGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Skier"));
    auto* form = new QFormLayout(group);
    skier_ = new QComboBox;
    skier_->setObjectName(QStringLiteral("Skier_name"));
    skier_->setEditable(true);
    skier_->setInsertPolicy(QComboBox::NoInsert);
    skier_->setMinimumWidth(180);
    jumpNo_ = new QLineEdit;
    jumpNo_->setObjectName(QStringLiteral("Jump_no"));
    jumpNo_->setMaximumWidth(60);
    auto* skierLabel = new QLabel(QStringLiteral("S&kier Name"));
    skierLabel->setBuddy(skier_);
    auto* jumpLabel = new QLabel(QStringLiteral("J&ump"));
    jumpLabel->setBuddy(jumpNo_);
    form->addRow(skierLabel, skier_);
    form->addRow(jumpLabel, jumpNo_);
    return group;
}

QWidget* MeasureScreen::buildDistanceGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Distance"));
    auto* form = new QFormLayout(group);
    distance_ = shownBox("distance", QStringLiteral("M"));
    distanceFt_ = shownBox("distance_ft", QStringLiteral("FT"));
    iwsf_ = new QLabel(QStringLiteral("IWSF Official Distance"));
    iwsf_->setObjectName(QStringLiteral("IWSFlabel"));
    iwsf_->setBuddy(distance_);
    awsa_ = new QLabel(QStringLiteral("AWSA Official Distance"));
    awsa_->setObjectName(QStringLiteral("AWSAlabel"));
    awsa_->setBuddy(distanceFt_);
    form->addRow(iwsf_, distance_);
    form->addRow(awsa_, distanceFt_);
    barefoot_ = shownBox("barefoot_indicator", QStringLiteral("Barefoot Jump"));
    barefoot_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    form->addRow(barefoot_);
    comment_ = new QLineEdit(QStringLiteral("Comment"));
    comment_->setObjectName(QStringLiteral("Comment"));
    comment_->setParent(group);
    comment_->hide(); // it only carries the comment text
    comment_->clear();
    return group;
}

QWidget* MeasureScreen::buildOutcomeGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Outcome"));
    auto* grid = new QGridLayout(group);
    // The outcome of the attempt is one choice; Other Grid and Comment stand beside it, so a
    // comment or another camera's distance never undoes a Fall or a Pass.
    outcome_ = new QButtonGroup(this);
    const struct {
        const char* name;
        const char* caption;
        bool outcome;
    } options[] = {{"optJumpOK", "Jump OK", true},
                   {"Pass", "Pass", true},
                   {"Fall", "Fall", true},
                   {"O_reride", "Opt. reride", true},
                   {"M_Reride", "Man. Reride", true},
                   {"Other_Grid", "Other Grid", false},
                   {"Make_comment", "Comment", false}};
    int i = 0;
    for (const auto& o : options) {
        auto* option = new QRadioButton(QString::fromLatin1(o.caption));
        option->setObjectName(QString::fromLatin1(o.name));
        if (o.outcome)
            outcome_->addButton(option, i);
        else
            option->setAutoExclusive(false);
        // Selected by a click, the keyboard or an accessibility tool alike.
        connect(option, &QAbstractButton::toggled, this, [this, option](bool on) {
            if (on)
                onOutcome(option);
        });
        grid->addWidget(option, i / 2, i % 2);
        ++i;
    }
    auto* recordButton = new QPushButton(QStringLiteral("Record &Jump"));
    recordButton->setObjectName(QStringLiteral("Record"));
    // Not the window's default: a stray Enter must never record an official jump.
    connect(recordButton, &QPushButton::clicked, this, &MeasureScreen::record);
    grid->addWidget(recordButton, 4, 0, 1, 2);
    auto* clearButton = new QPushButton(QStringLiteral("Clear"));
    clearButton->setObjectName(QStringLiteral("Unfreeze"));
    connect(clearButton, &QPushButton::clicked, this, &MeasureScreen::clear);
    grid->addWidget(clearButton, 5, 0, 1, 2);
    return group;
}

QWidget* MeasureScreen::buildVerifyGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Grid and verify"));
    auto* grid = new QGridLayout(group);
    setGrid_ = new QPushButton(QStringLiteral("&Grid 1"));
    setGrid_->setObjectName(QStringLiteral("Set_grid"));
    connect(setGrid_, &QPushButton::clicked, this, &MeasureScreen::switchGrid);
    showGrid_ = new QPushButton(QStringLiteral("Show Grid"));
    showGrid_->setObjectName(QStringLiteral("Show_grid"));
    connect(showGrid_, &QPushButton::clicked, this, &MeasureScreen::show_the_grid);
    verify_ = new QPushButton(QStringLiteral("Verify"));
    verify_->setObjectName(QStringLiteral("verify"));
    connect(verify_, &QPushButton::clicked, this, &MeasureScreen::toggleVerify);
    grid->addWidget(setGrid_, 0, 0);
    grid->addWidget(showGrid_, 0, 1);
    grid->addWidget(verify_, 1, 0);
    unofficial_ = new QLabel(QStringLiteral("UNOFFICIAL JUMP"));
    unofficial_->setObjectName(QStringLiteral("UnofficialJump"));
    unofficial_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    grid->addWidget(unofficial_, 1, 1);
    const char* const names[5] = {"xtwips", "ytwips", "xposition", "yposition", "VerifyDistance"};
    for (int k = 0; k < 5; ++k) {
        readouts_ << shownBox(names[k], QString());
        readouts_.last()->setMinimumWidth(70);
    }
    grid->addWidget(readouts_[0], 2, 0);
    grid->addWidget(readouts_[1], 2, 1);
    grid->addWidget(readouts_[2], 3, 0);
    grid->addWidget(readouts_[3], 3, 1);
    grid->addWidget(readouts_[4], 4, 0, 1, 2);
    return group;
}

// The arrow pad, the cross size and the grid description float over the picture, each with
// its "(drag-it)" handle, so the operator can move them off the landing.
void MeasureScreen::buildFloatingGroups()
{
    using widgets::dragCaption;
    adjustGroup_ = widgets::floatingPanel(*canvas_);
    auto* pad = new QGridLayout(adjustGroup_);
    QLabel* adjustHandle = dragCaption("AdjustmentLabel", QStringLiteral("Micro-Adjust (drag-it)"));
    pad->addWidget(adjustHandle, 0, 0, 1, 3);
    widgets::addArrowPad(pad, 1, this, [this](int key) { adjust(Qt::Key(key)); });

    QFrame* size = widgets::floatingPanel(*canvas_);
    auto* sizeColumn = new QVBoxLayout(size);
    QLabel* sizeHandle = dragCaption("CrossLabel", QStringLiteral("Adjust Cross Size (drag-it)"));
    sizeColumn->addWidget(sizeHandle);
    sizeColumn->addWidget(buildCrossSize());

    gridGroup_ = widgets::floatingPanel(*canvas_);
    auto* gridColumn = new QVBoxLayout(gridGroup_);
    QLabel* gridHandle = dragCaption("gridlabel", QStringLiteral("Grid Description (drag-it)"));
    gridColumn->addWidget(gridHandle);
    gridDescription_ = shownBox("grid_description", QStringLiteral("Text1"));
    gridDescription_->setMinimumWidth(220);
    gridColumn->addWidget(gridDescription_);

    // Shown under the grid description, with the picture it names; it moves with its handle.
    origin_ = shownBox("gif_file_name", QStringLiteral(".gif file name"));
    origin_->setMinimumWidth(320);
    gridColumn->addWidget(origin_);

    frozenSign_ = dragCaption("FrozenSign", QStringLiteral("FROZEN"));
    frozenSign_->setParent(canvas_->viewport());
    frozenSign_->setStyleSheet(
        QStringLiteral("background: red; color: white; font-weight: bold; padding: 4px;"));
    widgets::placeDraggable(*canvas_, {{adjustGroup_, {adjustHandle}},
                                       {size, {sizeHandle}},
                                       {gridGroup_, {gridHandle}},
                                       {frozenSign_, {frozenSign_}}});
}

QScrollBar* MeasureScreen::buildCrossSize()
{
    crossSize_ = new QScrollBar(Qt::Horizontal);
    crossSize_->setObjectName(QStringLiteral("CrossSize"));
    crossSize_->setRange(15, 120);
    crossSize_->setSingleStep(15);
    crossSize_->setPageStep(15);
    crossSize_->setValue(100);
    crossSize_->setMinimumWidth(160);
    connect(crossSize_, &QScrollBar::valueChanged, this, [this] {
        if (markerShown_)
            DrawImpactMark();
    });
    return crossSize_;
}

void MeasureScreen::buildMenu()
{
    auto* menu = new QMenuBar(this);
    const struct {
        const char* name;
        const char* caption;
        void (MeasureScreen::*handler)();
    } items[] = {{"SavePict", "&Save Picture", &MeasureScreen::savePicture},
                 {"LoadPict", "&Load Picture", &MeasureScreen::loadPicture},
                 {"mnuPaste", "&Paste", &MeasureScreen::pastePicture},
                 {"mnuResults", "&Results", &MeasureScreen::openResults},
                 {"mnuCalibrate", "&Calibrate", &MeasureScreen::openCalibration},
                 {"mnuCapture", "C&apture Next Jump", &MeasureScreen::captureNextJump},
                 {"mnuViewLog", "&View Log", &MeasureScreen::openPictureLog},
                 {"Exit", "Return to &Main Screen", &MeasureScreen::leave}};
    for (const auto& item : items) {
        QAction* action = menu->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        connect(action, &QAction::triggered, this, item.handler);
    }
}

// Going on, and the pictures that come from outside the frame selection.
QWidget* MeasureScreen::buildPictureGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Pictures"));
    auto* grid = new QGridLayout(group);
    auto* next = new QPushButton(QStringLiteral("Capture Next Jump"));
    next->setObjectName(QStringLiteral("btnNextJump"));
    connect(next, &QPushButton::clicked, this, &MeasureScreen::captureNextJump);
    auto* reselect = new QPushButton(QStringLiteral("Reselect capture frame"));
    reselect->setObjectName(QStringLiteral("Command1"));
    connect(reselect, &QPushButton::clicked, this, &MeasureScreen::reselectFrame);
    grid->addWidget(next, 0, 0, 1, 3);
    grid->addWidget(reselect, 1, 0, 1, 3);
    const struct {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* tip;
        void (MeasureScreen::*handler)();
    } snaps[] = {{"ClipSnapShot", QStyle::SP_DialogApplyButton, "Take the picture on the clipboard",
                  &MeasureScreen::clipSnapShot},
                 {"ImgSnapShot", QStyle::SP_DialogOpenButton,
                  "Take the snapshot picture of the capture tool", &MeasureScreen::imgSnapShot}};
    int column = 0;
    for (const auto& snap : snaps) {
        auto* button = new QToolButton;
        button->setObjectName(QString::fromLatin1(snap.name));
        button->setIcon(style()->standardIcon(snap.icon));
        button->setIconSize({24, 24});
        button->setToolTip(QString::fromLatin1(snap.tip));
        connect(button, &QToolButton::clicked, this, snap.handler);
        grid->addWidget(button, 2, column++);
    }
    autoLoad_ = new QCheckBox(QStringLiteral("Auto Load"));
    autoLoad_->setObjectName(QStringLiteral("cbAutoLoadClipboard"));
    connect(autoLoad_, &QCheckBox::toggled, this, &MeasureScreen::setAutoLoad);
    grid->addWidget(autoLoad_, 2, 2);
    grid->setColumnStretch(2, 1);
    return group;
}

} // namespace zelvan::measure::ui
