#pragma once
// LogView, "Log Viewer": the measured videos of a session log; the one chosen is reopened on
// the frame selection screen. A modeless window beside the main screen.
#include "app/ui/LogWindow.h"

class QPushButton;

namespace zelvan::app::ui
{

class LogViewer : public LogWindow
{
    Q_OBJECT

public:
    LogViewer(Station& station, Dialogs& dialogs, QWidget* parent = nullptr);

    // "View Selected File": with a selected video, navigationMode "View" and videoFileToView
    // are set, the viewer closes and the frame selection screen is asked for.
    void viewSelected() override;
    // A double click: a line with "File:" is selected and viewed; any other line only empties
    // the selected path.
    void activateEntry(int row) override;
};

} // namespace zelvan::app::ui
