#pragma once
// Results, "Results": the whole results file as plain text, opened from the measurement and
// capture screens' "&Results" menus. A modeless window, hidden (not destroyed) by "E&xit".
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QWidget>

class QPlainTextEdit;

namespace zelvan::app::ui
{

class ResultsViewer : public QWidget
{
    Q_OBJECT

public:
    ResultsViewer(Station& station, Dialogs& dialogs, QWidget* parent = nullptr);

    // Reads the file named by resultsFilePath (leading spaces dropped) into output_box, takes
    // resultsFilePath as the caption and shows the window. A file that cannot be read is told
    // and the viewer shows it empty.
    void open();
    // "E&xit": hides the viewer and empties output_box.
    void exitResults();
    QString text() const;

private:
    Station& station_;
    Dialogs& dialogs_;
    QPlainTextEdit* output_ = nullptr;
};

} // namespace zelvan::app::ui
