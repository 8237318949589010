#include "grid/ui/GridSetupScreen.h"

#include "widgets/ControlColumn.h"
#include "widgets/FloatingGroups.h"

// The controls of the set-up screen and where they sit; the screen's behaviour is in
// GridSetupScreen.cpp.
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

const char* const kPointOptions[kSetupPointCount] = {"upper_left_button", "upper_right_button",
                                                     "lower_left_button", "lower_right_button",
                                                     "optCheckBuoy"};
const char* const kPointCaptions[kSetupPointCount] = {"upper left", "upper right", "lower left",
                                                      "lower right", "Check Buoy"};
// Survey boxes of each point row, in SetupPoint order.
const char* const kSurveyBoxes[kSetupPointCount][2] = {{"ul_survey_x", "ul_survey_y"},
                                                       {"ur_survey_x", "ur_survey_y"},
                                                       {"ll_survey_x", "ll_survey_y"},
                                                       {"lr_survey_x", "lr_survey_y"},
                                                       {"txtCheckX", "txtCheckY"}};

// What the empty picture area tells the operator: the menu that brings a picture.
const char* const kNoPictureText =
    "No picture yet.\nChoose Setup Picture on the menu, then Load Picture, Paste from Clipboard "
    "or Paste from Measure, to show the picture of the buoys.";

} // namespace

void GridSetupScreen::buildControls()
{
    auto* menu = new QMenuBar(this);
    buildMenu(menu);
    canvas_ = new widgets::PictureCanvas(this);
    canvas_->setObjectName(QStringLiteral("picture"));
    canvas_->setBackground(Qt::magenta);
    canvas_->setFitOnOpen(true);
    canvas_->setEmptyText(QString::fromLatin1(kNoPictureText));
    connect(canvas_, &widgets::PictureCanvas::pressed, this,
            [this](QPointF twips) { pickAt(twips); });
    accuracyPanel_ = new AccuracyPanel(station_, dialogs_, *canvas_, this);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->addWidget(buildPointTable());
    column->addWidget(buildActions());
    auto* accuracy = new QHBoxLayout;
    accuracy->addWidget(accuracyPanel_->displayFrame());
    accuracy->addWidget(accuracyPanel_->configFrame());
    accuracy->addStretch();
    column->addLayout(accuracy);
    column->addWidget(buildAdjustments());
    column->addStretch();
    QScrollArea* scroll = widgets::controlColumn(panel);

    auto* layout = new QHBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(scroll);
    layout->addWidget(canvas_, 1);

    checkBuoyLabel_ = new QLabel(QStringLiteral("<-Check Buoy Should Be Here"));
    checkBuoyLabel_->setObjectName(QStringLiteral("lblCB"));
    checkBuoyLabel_->setStyleSheet(QStringLiteral("color: yellow; background: black;"));
    checkBuoyLabel_->adjustSize();
    canvas_->placeAt(checkBuoyLabel_, {});
}

QLineEdit* GridSetupScreen::box(const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text);
    const QString objectName = QString::fromLatin1(name);
    edit->setObjectName(objectName);
    edit->setMinimumWidth(60);
    edit->setMaximumWidth(isEditRuleBox(objectName) ? 110 : QWIDGETSIZE_MAX);
    boxes_.insert(objectName, edit);
    if (!isEditRuleBox(objectName))
        return edit;
    // Only the operator's own typing runs the edit rule; boxes the program fills never do.
    connect(edit, &QLineEdit::textEdited, this,
            [this, objectName](const QString& t) { onBoxEdited(objectName, t); });
    return edit;
}

QWidget* GridSetupScreen::buildPointTable()
{
    const SetupScreenTexts initial;
    auto* group = new QGroupBox(QStringLiteral("Buoys"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Screen X")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Screen Y")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Survey X")), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Survey Y")), 0, 4);
    points_ = new QButtonGroup(this);
    for (int i = 0; i < kSetupPointCount; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(kPointCaptions[i]));
        option->setObjectName(QString::fromLatin1(kPointOptions[i]));
        points_->addButton(option, i);
        grid->addWidget(option, i + 1, 0);
        const auto screen = screenBoxNames(SetupPoint(i));
        for (int k = 0; k < 2; ++k) {
            const QString screenText = setupBoxNamed(QString::fromLatin1(screen[k]))->of(initial);
            grid->addWidget(box(screen[k], screenText), i + 1, 1 + k);
            const char* survey = kSurveyBoxes[i][k];
            grid->addWidget(box(survey, setupBoxNamed(QString::fromLatin1(survey))->of(initial)),
                            i + 1, 3 + k);
        }
    }
    // Choosing a point sends the keyboard to the file box, so the cursor keys nudge the point
    // instead of changing the choice.
    connect(points_, &QButtonGroup::idClicked, this,
            [this] { boxes_.value(QStringLiteral("ipt_file_description"))->setFocus(); });
    // With a point to place, the magnifier shows the buoy's pixels under the pointer.
    connect(points_, &QButtonGroup::idToggled, this,
            [this] { canvas_->setMagnifierEnabled(points_->checkedId() >= 0); });
    auto* jump = new QLabel(QStringLiteral("Jump"));
    grid->addWidget(jump, kSetupPointCount + 1, 0);
    grid->addWidget(box("jump_x", initial.jump_x), kSetupPointCount + 1, 3);
    grid->addWidget(box("jump_y", initial.jump_y), kSetupPointCount + 1, 4);
    jump->setBuddy(boxes_.value(QStringLiteral("jump_x")));
    return group;
}

QWidget* GridSetupScreen::buildActions()
{
    auto* group = new QGroupBox(QStringLiteral("Grid"));
    auto* form = new QGridLayout(group);
    auto* fileLabel = new QLabel(QStringLiteral("Grid file:"));
    form->addWidget(fileLabel, 0, 0);
    form->addWidget(box("ipt_file_description", QStringLiteral("No File")), 0, 1, 1, 3);
    fileLabel->setBuddy(boxes_.value(QStringLiteral("ipt_file_description")));
    auto* describe = new QLabel(QStringLiteral("Description:"));
    form->addWidget(describe, 1, 0);
    form->addWidget(box("ipt_file_description_2", QString()), 1, 1, 1, 3);
    describe->setBuddy(boxes_.value(QStringLiteral("ipt_file_description_2")));
    auto* size = new QLabel(QStringLiteral("Picture (twips):"));
    form->addWidget(size, 2, 0);
    form->addWidget(box("txtPicWidth", QStringLiteral("Text1")), 2, 1);
    form->addWidget(box("txtPicHeight", QStringLiteral("Text1")), 2, 2);
    size->setBuddy(boxes_.value(QStringLiteral("txtPicWidth")));

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    gridSelect_ = button("grid_select", QStringLiteral("Grid 1"));
    auto* completeButton = button("Load", QStringLiteral("Complete"));
    auto* draw = button("show_alignment", QStringLiteral("Draw Buoys"));
    cbLabelButton_ = button("cmdCBlabel", QStringLiteral("Clear Check Buoy"));
    accuracy_ = button("btnAccuracyCheck", QStringLiteral("Accuracy"));
    stateIcon_ = new QLabel;
    stateIcon_->setObjectName(QStringLiteral("grid_state_icon"));
    form->addWidget(gridSelect_, 3, 0);
    form->addWidget(completeButton, 3, 1);
    form->addWidget(draw, 3, 2);
    form->addWidget(stateIcon_, 3, 3, 2, 1, Qt::AlignCenter);
    form->addWidget(cbLabelButton_, 4, 0);
    form->addWidget(accuracy_, 4, 1);
    connect(gridSelect_, &QPushButton::clicked, this, &GridSetupScreen::switchGrid);
    connect(completeButton, &QPushButton::clicked, this, &GridSetupScreen::complete);
    connect(draw, &QPushButton::clicked, this, &GridSetupScreen::drawBuoys);
    connect(cbLabelButton_, &QPushButton::clicked, this, &GridSetupScreen::toggleCheckBuoyLabel);
    connect(accuracy_, &QPushButton::clicked, this, &GridSetupScreen::checkAccuracy);
    return group;
}

QWidget* GridSetupScreen::buildAdjustments()
{
    auto* group = new QGroupBox(QStringLiteral("Adjust"));
    auto* row = new QHBoxLayout(group);
    lock_ = new QCheckBox(QStringLiteral("Lock Grid Buoys"));
    lock_->setObjectName(QStringLiteral("chkboxGridLock"));
    row->addWidget(lock_);
    row->addStretch();
    connect(lock_, &QCheckBox::clicked, this, &GridSetupScreen::onLockClicked);
    buildDragGroups();
    return group;
}

// The arrow pad, the marker size and the lock notice float over the picture, each with its
// "(drag-it)" handle, so the operator can move them off the buoys being picked.
void GridSetupScreen::buildDragGroups()
{
    using widgets::dragCaption;
    QFrame* pad = widgets::floatingPanel(*canvas_);
    auto* grid = new QGridLayout(pad);
    QLabel* adjustHandle = dragCaption("AdjustmentLabel", QStringLiteral("Micro-Adjust (drag-it)"));
    grid->addWidget(adjustHandle, 0, 0, 1, 3);
    widgets::addArrowPad(grid, 1, this, [this](int key) { nudge(nudgeOfKey(key)); });

    QFrame* size = widgets::floatingPanel(*canvas_);
    auto* sizeColumn = new QVBoxLayout(size);
    QLabel* sizeHandle =
        dragCaption("CrossSizeLabel", QStringLiteral("Marker Icon Size (drag-it)"));
    sizeColumn->addWidget(sizeHandle);
    crossSize_ = new QScrollBar(Qt::Horizontal);
    crossSize_->setObjectName(QStringLiteral("Setup_Cross_size"));
    crossSize_->setRange(15, 105);
    crossSize_->setSingleStep(15);
    crossSize_->setPageStep(15);
    crossSize_->setValue(90);
    crossSize_->setMinimumWidth(160);
    sizeColumn->addWidget(crossSize_);

    lockGroup_ = widgets::floatingPanel(*canvas_);
    auto* lockRow = new QHBoxLayout(lockGroup_);
    lockedLabel_ = dragCaption("gridLockedLabel", QStringLiteral("GRID LOCKED!"));
    lockedDrag_ = dragCaption("lblGridDragIt", QStringLiteral("(drag-it)"));
    lockRow->addWidget(lockedLabel_);
    lockRow->addWidget(lockedDrag_);
    showLocked(false);
    widgets::placeDraggable(
        *canvas_,
        {{pad, {adjustHandle}}, {size, {sizeHandle}}, {lockGroup_, {lockedLabel_, lockedDrag_}}});
}

void GridSetupScreen::buildMenu(QMenuBar* menu)
{
    const auto item = [this](QMenu* into, const char* name, const QString& caption,
                             void (GridSetupScreen::*slot)()) {
        QAction* action = into->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
    };
    const auto top = [this, menu](const char* name, const QString& caption,
                                  void (GridSetupScreen::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
    };
    top("gridLoad", QStringLiteral("&Load File"), &GridSetupScreen::loadGridFile);
    QMenu* picture = menu->addMenu(QStringLiteral("Setup &Picture"));
    picture->menuAction()->setObjectName(QStringLiteral("mnuSetupPicture"));
    item(picture, "mnuLoadPicture", QStringLiteral("Load &Picture"), &GridSetupScreen::loadPicture);
    QAction* clear = picture->addAction(QStringLiteral("&Clear Picture"));
    clear->setObjectName(QStringLiteral("mnuClearPicture"));
    connect(clear, &QAction::triggered, this, [this] { canvas_->setPicture(QImage()); });
    QAction* paste = picture->addAction(QStringLiteral("P&aste from Clipboard"));
    paste->setObjectName(QStringLiteral("mnuPaste"));
    connect(paste, &QAction::triggered, this, [this] {
        showPicture(QApplication::clipboard()->image(), QStringLiteral("the clipboard"));
    });
    QAction* fromMeasure = picture->addAction(QStringLiteral("Paste from &Measure"));
    fromMeasure->setObjectName(QStringLiteral("mnuMeasurePic"));
    connect(fromMeasure, &QAction::triggered, this, [this] { showCurrentCapture(); });
    top("gridSave", QStringLiteral("&Save"), &GridSetupScreen::saveGridFile);
    top("mnuCalibrate", QStringLiteral("&Calibrate"), &GridSetupScreen::openCalibration);
    top("gridExit", QStringLiteral("&Return to Main Screen"), &GridSetupScreen::leave);
}

} // namespace zelvan::grid::ui
