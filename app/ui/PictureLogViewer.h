#pragma once
// PictureLogView, "Contact Picture Log": the contact pictures of a session log; the one
// chosen is reopened on the measurement screen. A modeless window beside the main screen.
#include "app/ui/LogWindow.h"

namespace zelvan::app::ui
{

class PictureLogViewer : public LogWindow
{
    Q_OBJECT

public:
    PictureLogViewer(Station& station, Dialogs& dialogs, QWidget* parent = nullptr);

    // "View Picture": with a selected picture, its size becomes the set-up picture size,
    // pictureToView takes its path and navigationMode "PictureLog"; without one the selected
    // path is emptied. Either way the viewer closes and the measurement screen is asked for.
    // A picture that cannot be read is told and the viewer stays open.
    void viewSelected() override;
    // A double click: the line is selected and viewed; a line without "File:" opens the
    // measurement screen with its picture unchanged.
    void activateEntry(int row) override;
};

} // namespace zelvan::app::ui
