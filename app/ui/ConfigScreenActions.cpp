// The configuration screen's handlers: each reads its control, runs the configuration action
// on the Station and shows the Station's state again.
#include "app/ConfigActions.h"
#include "app/ConfigLoad.h"
#include "app/ui/ConfigScreen.h"
#include "widgets/Loupe.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <functional>

namespace zelvan::app::ui
{

namespace
{

const char* const kFindFilter =
    "All Files (*.*)|*.*|Text Files (*.TXT)|*.TXT|Parameter Files (*.ipt)|*.ipt|";

// The option of each group and what choosing it does.
using Action = std::function<Status(app::Station&)>;
struct OptionAction {
    const char* name;
    Action run;
};

QList<OptionAction> optionActions()
{
    using namespace app::config;
    auto label = [](const char* c) { return [c](Station& s) { return setLabelColor(s, c); }; };
    auto impact = [](const char* c) { return [c](Station& s) { return setImpactColor(s, c); }; };
    auto picture = [](const char* m) { return [m](Station& s) { return setPictureSave(s, m); }; };
    auto video = [](const char* m) { return [m](Station& s) { return setVideoSave(s, m); }; };
    return {
        {"right_to_left_button", [](Station& s) { return setRightToLeft(s, true); }},
        {"left_to_right_button", [](Station& s) { return setRightToLeft(s, false); }},
        {"OptCross", [](Station& s) { return setBuoyMarker(s, true); }},
        {"OptCircle", [](Station& s) { return setBuoyMarker(s, false); }},
        {"default_color", label("default")},
        {"black_color", label("black")},
        {"white_color", label("white")},
        {"yellow_color", label("yellow")},
        {"OptImpactRed", impact("red")},
        {"OptImpactYellow", impact("yellow")},
        {"OptImpactBlack", impact("black")},
        {"OptImpactWhite", impact("white")},
        {"OptPictureAsk", picture("Ask")},
        {"OptPictureNoSave", picture("NoSave")},
        {"OptPictureSave", picture("Save")},
        {"OptVideoAsk", video("Ask")},
        {"OptVideoNoSave", video("NoSave")},
        {"OptVideoSave", video("Save")},
    };
}

// Checks `name` in its group, or no option of the group when no name is given.
void checkOnly(QWidget* screen, const QString& group, const QString& name)
{
    auto* box = screen->findChild<QGroupBox*>(group);
    const QList<QRadioButton*> options = box->findChildren<QRadioButton*>();
    QButtonGroup* buttons = options.isEmpty() ? nullptr : options.first()->group();
    if (buttons)
        buttons->setExclusive(false);
    for (QRadioButton* option : options) {
        const QSignalBlocker quiet(option);
        option->setChecked(option->objectName() == name);
    }
    if (buttons)
        buttons->setExclusive(true);
}

QString impactOptionFor(int value)
{
    switch (value) {
    case settings::kRed:
        return QStringLiteral("OptImpactRed");
    case settings::kYellow:
        return QStringLiteral("OptImpactYellow");
    case settings::kWhite:
        return QStringLiteral("OptImpactWhite");
    default:
        return QStringLiteral("OptImpactBlack");
    }
}

QString gridOptionFor(double numGrids)
{
    if (numGrids == 2)
        return QStringLiteral("Opt2grid");
    if (numGrids == 3)
        return QStringLiteral("Opt3grid");
    return QStringLiteral("Opt1Grid");
}

QString saveOption(const char* prefix, const QString& mode)
{
    if (mode != QLatin1String("Save") && mode != QLatin1String("NoSave") &&
        mode != QLatin1String("Ask"))
        return QString();
    return QLatin1String(prefix) + mode;
}

} // namespace

void ConfigScreen::connectControls()
{
    connectOptions();
    connectTexts();
    connect(exit_, &QAction::triggered, this, &ConfigScreen::leave);
    auto onBox = [this](QCheckBox* box, const std::function<OperatorMessages(bool)>& run) {
        connect(box, &QCheckBox::toggled, this, [this, run](bool on) {
            if (showing_)
                return;
            tell(run(on));
            showStation();
        });
    };
    auto status = [](const Status& s) {
        return s ? OperatorMessages{} : OperatorMessages{{s.error(), Icon::Warning, QString()}};
    };
    onBox(barefoot_, [=](bool on) { return status(config::setBarefoot(station_, on)); });
    onBox(sitSki_, [=](bool on) { return status(config::setSitSki(station_, on)); });
    onBox(wstims_, [=](bool on) { return status(config::setWstims(station_, on)); });
    onBox(lineControl_, [=](bool on) { return status(config::setLineControl(station_, on)); });
    onBox(badSetup_, [=](bool on) { return config::allowInvalidSetup(station_, on); });
    connect(loupeBox_, &QCheckBox::toggled, this, &ConfigScreen::onLoupeTicked);
    connect(findChild<QPushButton*>(QStringLiteral("cmdLoupe")), &QPushButton::clicked, this,
            &ConfigScreen::startLoupe);
    connect(findChild<QPushButton*>(QStringLiteral("btnFindResults")), &QPushButton::clicked, this,
            [this] { findFile(results_); });
    connect(findChild<QPushButton*>(QStringLiteral("btnFindNames")), &QPushButton::clicked, this,
            [this] { findFile(names_); });
}

void ConfigScreen::connectOptions()
{
    for (const OptionAction& a : optionActions()) {
        connect(option(a.name), &QRadioButton::toggled, this, [this, run = a.run](bool on) {
            if (!on || showing_)
                return;
            tell(run(station_));
            showStation();
        });
    }
    const char* grids[] = {"Opt1Grid", "Opt2grid", "Opt3grid"};
    for (int n = 1; n <= 3; ++n) {
        connect(option(grids[n - 1]), &QRadioButton::toggled, this, [this, n](bool on) {
            if (on && !showing_)
                tell(config::chooseNumGrids(station_, n));
        });
    }
}

void ConfigScreen::connectTexts()
{
    auto follow = [this](QLineEdit* box, void (app::Station::*set)(const QString&)) {
        connect(box, &QLineEdit::textChanged, this, [this, set](const QString& text) {
            if (!showing_)
                (station_.*set)(text);
        });
    };
    follow(tournament_, &app::Station::setTournamentName);
    follow(captures_, &app::Station::setCapturesPath);
    connect(results_, &QLineEdit::textChanged, this, &ConfigScreen::onResultsPathChanged);
    connect(setupFiles_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showing_)
            return;
        station_.setSetupFilesPath(text);
        tell(station_.settings().write(QLatin1String(app::key::SetupFiles), text));
    });
}

void ConfigScreen::onResultsPathChanged(const QString& text)
{
    if (showing_)
        return;
    station_.setResultsFilePath(text);
    if (text.isEmpty())
        dialogs_.message(QString::fromLatin1(config::kEmptyResultsPath));
}

void ConfigScreen::showStation()
{
    showing_ = true;
    const app::Station& s = station_;
    tournament_->setText(s.tournamentName());
    results_->setText(s.resultsFilePath());
    captures_->setText(s.capturesPath());
    setupFiles_->setText(s.setupFilesPath());
    barefoot_->setChecked(s.barefootMode());
    sitSki_->setChecked(s.sitSkiMode());
    wstims_->setChecked(s.wstims());
    zqio_->setVisible(s.wstims());
    lineControl_->setChecked(!s.boxLineOff());
    badSetup_->setChecked(s.allowInvalidSetup());
    showOptions();
    showing_ = false;
}

void ConfigScreen::showOptions()
{
    const app::Station& s = station_;
    checkOnly(this, QStringLiteral("gridframe"), gridOptionFor(s.numGrids()));
    checkOnly(this, QStringLiteral("Jump_direction"),
              s.rightToLeft() ? QStringLiteral("right_to_left_button")
                              : QStringLiteral("left_to_right_button"));
    checkOnly(this, QStringLiteral("Frame1"),
              s.buoyMarker() == QLatin1String("cross") ? QStringLiteral("OptCross")
                                                       : QStringLiteral("OptCircle"));
    const QString label = s.labelColorName();
    const bool named = QStringList{"default", "black", "white", "yellow"}.contains(label);
    checkOnly(this, QStringLiteral("message_colors"), named ? label + "_color" : QString());
    checkOnly(this, QStringLiteral("Frame4"), impactOptionFor(s.impactColorValue()));
    checkOnly(this, QStringLiteral("Frame3"), saveOption("OptPicture", s.pictureSaveMode()));
    checkOnly(this, QStringLiteral("Frame2"), saveOption("OptVideo", s.videoSaveMode()));
}

bool ConfigScreen::ensureLoaded()
{
    if (loaded_)
        return false;
    loaded_ = true;
    const config::ConfigLoadResult load = config::loadConfiguration(station_);
    showStation();
    tell(load.messages);
    if (load.loupe)
        loupeBox_->setChecked(true);
    return true;
}

void ConfigScreen::leave()
{
    ensureLoaded();
    const config::ConfigExit done = config::leaveConfiguration(station_, names_->text());
    showing_ = true;
    captures_->setText(done.capturesPath);
    showing_ = false;
    hide();
    tell(done.messages);
    station_.showScreen(app::Station::Screen::Main);
}

void ConfigScreen::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        leave();
    QWidget::closeEvent(event);
}

void ConfigScreen::tell(const OperatorMessages& messages)
{
    showMessages(dialogs_, messages);
}

void ConfigScreen::tell(const Status& status)
{
    if (!status)
        dialogs_.message(status.error(), Icon::Warning);
}

void ConfigScreen::findFile(QLineEdit* target)
{
    const QString folder = station_.stationFolder();
    QDir::setCurrent(folder);
    const QString chosen =
        dialogs_.openFile(QString(), folder, QString::fromLatin1(kFindFilter), 2);
    if (!chosen.isEmpty())
        target->setText(QDir::toNativeSeparators(chosen));
}

void ConfigScreen::onLoupeTicked(bool on)
{
    tell(config::setLoupe(station_.settings(), on));
    if (on)
        startLoupe();
    else if (loupe_)
        loupe_->close();
}

void ConfigScreen::startLoupe()
{
    if (!loupe_)
        loupe_ = std::make_unique<widgets::Loupe>();
    loupe_->start();
}

} // namespace zelvan::app::ui
