#pragma once
// frmSelectSkier, "Select A Skier": the skiers of "SkierNames.txt" in the station folder; a
// double click puts one into the capture screen's skier name (Station::captureSkierName).
// Opened by the capture screen as a modeless window.
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace zelvan::app::ui
{

class SkierPicker : public QWidget
{
    Q_OBJECT

public:
    SkierPicker(Station& station, Dialogs& dialogs, QWidget* parent = nullptr);

    // The text the capture screen shows when there is no names file.
    static QString noNamesFileText();
    // Reads "SkierNames.txt" afresh into lstSkiers, places the window at 2280 x 120 twips and
    // shows it. Without the file (or when it cannot be read) the operator is told, the window
    // stays closed and the result is false. When it closes, the keyboard focus goes back to
    // `focusAfter`, or, without one, to the control that had it when the picker opened.
    bool open(QWidget* focusAfter = nullptr);
    QStringList entries() const;
    // A double click on the entry: captureSkierName takes its text, skierChosen is emitted
    // and the picker closes. False when there is no such row.
    bool choose(int row);
    // "No Selection": closes without changing anything.
    void noSelection();

signals:
    void skierChosen(const QString& name);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<QWidget> focusAfter_;
    Station& station_;
    Dialogs& dialogs_;
    QListWidget* list_ = nullptr;
};

} // namespace zelvan::app::ui
