#pragma once
// What the video log and the contact picture log viewers share: a session log shown as a
// list of its video or picture lines, a selected path taken from the line clicked, and the
// choice of another log file. Each viewer names its controls and opens its own kind of file.
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QWidget>

class QLineEdit;
class QListWidgetItem;

namespace zelvan::app::ui
{

class ExtentList;

class LogWindow : public QWidget
{
    Q_OBJECT

public:
    // Fills the list from today's session log and shows the window; each opening reads the
    // log again.
    void open();
    // The log shown, the list's entries and the selected path, as the boxes hold them.
    QString logFileText() const;
    QStringList entries() const;
    QString selectedPath() const;
    // Selects the entry (as a single click does); false when there is no such row.
    bool selectEntry(int row);
    // "Select Different Log File" / "Select a Log File".
    void chooseLogFile();
    // Opens the selected file (the view button).
    virtual void viewSelected() = 0;
    // A double click on the entry.
    virtual void activateEntry(int row) = 0;

protected:
    LogWindow(Station& station, Dialogs& dialogs, const QString& ending, QWidget* parent);
    // The controls of the subclass's layout, made here so the rules below can use them.
    void makeControls(const char* pathBox, const char* list, const char* selectedBox);
    void fillFrom(const QString& path, bool opening);

    Station& station_;
    Dialogs& dialogs_;
    const QString ending_;
    QLineEdit* pathBox_ = nullptr;
    ExtentList* list_ = nullptr;
    QLineEdit* selectedBox_ = nullptr;
};

} // namespace zelvan::app::ui
