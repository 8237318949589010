#pragma once
// Config, "System Configuration Parameters": tournament name, file locations, number of grids,
// jump direction, barefoot or sit-ski jumping, the WSTIMS switch, marker style and colours,
// picture and video policies, the screen loupe and "Allow Invalid Setup".
//
// The screen loads once, the first time the Station is asked to show it (it follows
// Station::screenRequested; ensureLoaded() does the same by hand): the stored parameters, the
// results file of the day, the configured grids 3, 2 and 1 and the grid indicators. Every
// later request only shows it again with the values of this run. "E&xit and Save Parameters"
// stores the rest, writes the configuration line, loads the skier list and asks for the main
// screen.
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QWidget>
#include <memory>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelvan::widgets
{
class Loupe;
} // namespace zelvan::widgets

namespace zelvan::app::ui
{

class ConfigScreen : public QWidget
{
    Q_OBJECT

public:
    ConfigScreen(app::Station& station, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ConfigScreen() override;

    // Runs the load unless it ran already; true when this call ran it.
    bool ensureLoaded();
    bool loaded() const { return loaded_; }
    // "E&xit and Save Parameters".
    void leave();
    // The built-in loupe, once "Use Screen Loupe" or its restart started it.
    widgets::Loupe* loupe() const { return loupe_.get(); }
    QAction* exitAction() const { return exit_; }

protected:
    // Closing the shown window leaves it as "E&xit and Save Parameters" does, so the station
    // is never left without a screen.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QWidget* buildFileBoxes();
    QWidget* buildGridAndJumpColumn();
    QWidget* buildMarkerColumn();
    QWidget* buildPolicyColumn();
    QGroupBox* optionGroup(const char* name, const QString& caption,
                           const QList<QPair<const char*, QString>>& options, bool across = false);
    QCheckBox* checkBox(const char* name, const QString& caption);
    QLineEdit* textBox(const char* label, const QString& caption, const char* name);
    void connectControls();
    void connectOptions();
    void connectTexts();
    void showStation();
    void showOptions();
    void tell(const OperatorMessages& messages);
    void tell(const Status& status);
    void findFile(QLineEdit* target);
    void onResultsPathChanged(const QString& text);
    void onLoupeTicked(bool on);
    void startLoupe();
    QRadioButton* option(const char* name) const;

    app::Station& station_;
    Dialogs& dialogs_;
    bool loaded_ = false;
    bool showing_ = false; // controls are being set from the Station: no action runs
    QAction* exit_ = nullptr;
    QLineEdit* tournament_ = nullptr;
    QLineEdit* results_ = nullptr;
    QLineEdit* captures_ = nullptr;
    QLineEdit* setupFiles_ = nullptr;
    QLineEdit* names_ = nullptr;
    QCheckBox* barefoot_ = nullptr;
    QCheckBox* sitSki_ = nullptr;
    QCheckBox* wstims_ = nullptr;
    QLabel* zqio_ = nullptr;
    QCheckBox* lineControl_ = nullptr;
    QCheckBox* loupeBox_ = nullptr;
    QCheckBox* badSetup_ = nullptr;
    std::unique_ptr<widgets::Loupe> loupe_;
};

} // namespace zelvan::app::ui
