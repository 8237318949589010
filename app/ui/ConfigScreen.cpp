#include "app/ui/ConfigScreen.h"

#include "app/ConfigActions.h"
#include "app/ConfigLoad.h"
#include "widgets/Accessibility.h"
#include "widgets/Loupe.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelvan::app::ui
{

namespace
{

using Options = QList<QPair<const char*, QString>>;

} // namespace

ConfigScreen::ConfigScreen(app::Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("System Configuration Parameters"));
    buildControls();
    connectControls();
    connect(&station_, &app::Station::screenRequested, this, [this](app::Station::Screen s) {
        if (s == app::Station::Screen::Config)
            ensureLoaded();
    });
    widgets::describeControls(this);
}

ConfigScreen::~ConfigScreen() = default;

void ConfigScreen::buildControls()
{
    auto* menu = new QMenuBar(this);
    exit_ = menu->addAction(QStringLiteral("E&xit and Save Parameters"));
    exit_->setObjectName(QStringLiteral("mnuExit"));

    auto* columns = new QHBoxLayout;
    columns->addWidget(buildGridAndJumpColumn(), 1);
    columns->addWidget(buildMarkerColumn(), 1);
    columns->addWidget(buildPolicyColumn(), 1);

    // One panel of a readable width, centred on large screens.
    auto* panel = new QWidget(this);
    panel->setMaximumWidth(1200);
    auto* content = new QVBoxLayout(panel);
    content->setContentsMargins(0, 0, 0, 0);
    content->addWidget(buildFileBoxes());
    content->addLayout(columns);
    content->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addStretch(1);
    layout->addWidget(panel, 20);
    layout->addStretch(1);
}

QLineEdit* ConfigScreen::textBox(const char* label, const QString& caption, const char* name)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(QLatin1String(name));
    auto* shown = new QLabel(caption, this);
    shown->setObjectName(QLatin1String(label));
    shown->setBuddy(box);
    return box;
}

QWidget* ConfigScreen::buildFileBoxes()
{
    auto* files = new QWidget(this);
    auto* grid = new QGridLayout(files);
    grid->setContentsMargins(0, 0, 0, 0);
    tournament_ = textBox("Label1", QStringLiteral("Tournament"), "TournamentName");
    results_ = textBox("Label2", QStringLiteral("Results file"), "ResultsPathName");
    captures_ = textBox("Label3", QStringLiteral("Captures path"), "CapturesPathName");
    setupFiles_ = textBox("Label4", QStringLiteral("Setup files path"), "SetupFilesPathName");
    names_ = textBox("Label5", QStringLiteral("Skier name file"), "SkierNameFile");
    tournament_->setText(QStringLiteral("Default"));
    results_->setText(QStringLiteral("Default.txt"));
    auto* findResults = new QPushButton(QStringLiteral("find"), this);
    findResults->setObjectName(QStringLiteral("btnFindResults"));
    auto* findNames = new QPushButton(QStringLiteral("find"), this);
    findNames->setObjectName(QStringLiteral("btnFindNames"));

    const QList<QLineEdit*> boxes = {tournament_, results_, captures_, setupFiles_, names_};
    const char* labels[] = {"Label1", "Label2", "Label3", "Label4", "Label5"};
    for (int row = 0; row < boxes.size(); ++row) {
        grid->addWidget(findChild<QLabel*>(QLatin1String(labels[row])), row, 0);
        grid->addWidget(boxes[row], row, 1);
    }
    grid->addWidget(findResults, 1, 2);
    grid->addWidget(findNames, 4, 2);
    grid->setColumnStretch(1, 1);
    // Tab order: each find button right after its box.
    setTabOrder(results_, findResults);
    setTabOrder(findResults, captures_);
    setTabOrder(names_, findNames);
    return files;
}

QGroupBox* ConfigScreen::optionGroup(const char* name, const QString& caption,
                                     const Options& options, bool across)
{
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(QLatin1String(name));
    QBoxLayout* layout = across ? static_cast<QBoxLayout*>(new QHBoxLayout(group))
                                : static_cast<QBoxLayout*>(new QVBoxLayout(group));
    auto* buttons = new QButtonGroup(group);
    for (const auto& [optionName, text] : options) {
        auto* button = new QRadioButton(text, group);
        button->setObjectName(QLatin1String(optionName));
        buttons->addButton(button);
        layout->addWidget(button);
    }
    if (across)
        layout->addStretch(1);
    return group;
}

QCheckBox* ConfigScreen::checkBox(const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QLatin1String(name));
    return box;
}

QWidget* ConfigScreen::buildGridAndJumpColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(optionGroup("gridframe", QStringLiteral("Number of Grids"),
                                  {{"Opt1Grid", "1"}, {"Opt2grid", "2"}, {"Opt3grid", "3"}}, true));
    layout->addWidget(optionGroup("Jump_direction", QStringLiteral("Jump Direction"),
                                  {{"right_to_left_button", "Jump Right to Left"},
                                   {"left_to_right_button", "Jump Left to Right"}}));
    barefoot_ = checkBox("Barefoot_box", QStringLiteral("Check if barefoot jumping"));
    sitSki_ = checkBox("SitSki_box", QStringLiteral("Check if Sit Ski"));
    lineControl_ = checkBox("line_control_check", QStringLiteral("Check for line control on"));
    wstims_ = checkBox("WSTIMS", QStringLiteral("WSTIMS Interface"));
    zqio_ = new QLabel(QStringLiteral("Caution, WSTIMS requires ZQIO directory to exist"), this);
    zqio_->setObjectName(QStringLiteral("ZQIOLabel"));
    zqio_->setWordWrap(true);
    zqio_->setStyleSheet(QStringLiteral("color: #b00000;"));
    // The caution appears and disappears without moving the boxes below it.
    QSizePolicy keep = zqio_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    zqio_->setSizePolicy(keep);
    zqio_->hide();
    for (QWidget* w : {static_cast<QWidget*>(barefoot_), static_cast<QWidget*>(sitSki_),
                       static_cast<QWidget*>(lineControl_), static_cast<QWidget*>(wstims_),
                       static_cast<QWidget*>(zqio_)})
        layout->addWidget(w);
    layout->addStretch(1);
    return column;
}

QWidget* ConfigScreen::buildMarkerColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(optionGroup("Frame1", QStringLiteral("Marker Style"),
                                  {{"OptCross", "Cross"}, {"OptCircle", "Circle"}}, true));
    layout->addWidget(optionGroup("message_colors", QStringLiteral("Select Message Color"),
                                  {{"default_color", "Default"},
                                   {"black_color", "Black"},
                                   {"white_color", "White"},
                                   {"yellow_color", "Yellow"}}));
    layout->addWidget(optionGroup("Frame4", QStringLiteral("Impact Marker Color"),
                                  {{"OptImpactRed", "Red"},
                                   {"OptImpactYellow", "Yellow"},
                                   {"OptImpactBlack", "Black"},
                                   {"OptImpactWhite", "White"}}));
    layout->addStretch(1);
    return column;
}

QWidget* ConfigScreen::buildPolicyColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        optionGroup("Frame3", QStringLiteral("How to deal with individual contact point pictures"),
                    {{"OptPictureAsk", "Ask if you want to save each time"},
                     {"OptPictureNoSave", "Never Save"},
                     {"OptPictureSave", "Always Save without asking"}}));
    layout->addWidget(optionGroup("Frame2",
                                  QStringLiteral("How  to deal  with captured video files"),
                                  {{"OptVideoAsk", "Ask if you want to save each time"},
                                   {"OptVideoNoSave", "Never Save "},
                                   {"OptVideoSave", "Always Save without asking"}}));
    loupeBox_ = checkBox("chkLoupe", QStringLiteral("Use Screen Loupe"));
    auto* restart = new QPushButton(QStringLiteral("Restart Screen Loupe if you exited it"), this);
    restart->setObjectName(QStringLiteral("cmdLoupe"));
    badSetup_ = checkBox("chkBadSetup", QStringLiteral("Allow Invalid Setup"));
    layout->addWidget(loupeBox_);
    layout->addWidget(restart, 0, Qt::AlignLeft);
    layout->addWidget(badSetup_);
    layout->addStretch(1);
    return column;
}

QRadioButton* ConfigScreen::option(const char* name) const
{
    return findChild<QRadioButton*>(QLatin1String(name));
}

} // namespace zelvan::app::ui
