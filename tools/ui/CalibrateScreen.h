#pragma once
// Calibrate, "Calibration Assistant": a small modeless window in which the operator types the
// two end points of a reference line, as picture positions or as water coordinates; the other
// pair is converted with the active grid and the line is drawn on the pictures of the set-up
// and measurement screens, to be compared with a line marked in the picture.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "tools/Calibration.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace zelvan::widgets
{
class PictureCanvas;
} // namespace zelvan::widgets

namespace zelvan::tools::ui
{

class CalibrateScreen : public QWidget
{
    Q_OBJECT

public:
    // With a parent it is still a window of its own, above its parent.
    CalibrateScreen(app::Station& station, Dialogs& dialogs, QWidget* parent = nullptr);

    // The line is drawn on every picture added, in the order added (the measurement screen's
    // first, then the set-up screen's); a picture that is destroyed drops out.
    void addCanvas(widgets::PictureCanvas* canvas);
    // Adds the picture (when not added yet) and shows the window above it.
    void openOver(widgets::PictureCanvas* canvas);

    // The buttons' actions: CalibrationLineUnitsSelect, CalibrateLineDrawCommand,
    // CalibrationLineErase.
    void switchUnits();
    void drawLine();
    void eraseLine();

    // The last line drawn, twips; all 0 before the first drawing.
    CalibrationLine previousLine() const { return previous_; }
    CalibrationBoxes boxes() const;

private:
    QWidget* buildTable();
    QLineEdit* box(const char* name);
    void showBoxes(const CalibrationBoxes& b);
    void drawOnEveryPicture(const CalibrationLine& erase, const CalibrationLine* line);

    app::Station& station_;
    Dialogs& dialogs_;
    QHash<QString, QLineEdit*> boxes_;
    QPushButton* units_ = nullptr;
    QList<QPointer<widgets::PictureCanvas>> canvases_;
    CalibrationLine previous_;
    bool drawnOnce_ = false;
};

} // namespace zelvan::tools::ui
