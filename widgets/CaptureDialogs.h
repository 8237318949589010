#pragma once
// The capture control's configure dialogs: 35 video source and format (35 + 4096 adds the
// effect), 256 video compression, 1032 audio format. Small Qt dialogs over the control's own
// operations; building and applying are separate so a test can drive them without exec().
#include "capture/FfmpegCaptureControl.h"

class QDialog;
class QWidget;

namespace zelvan::widgets
{

// Builds the dialog with the control's current values; nullptr for an unknown id.
QDialog* createCaptureDialog(int id, capture::CaptureControl& control, QWidget* parent = nullptr);
// Writes the dialog's choices to the control (only those that changed). Throws CaptureError.
void applyCaptureDialog(int id, QDialog& dialog, capture::CaptureControl& control);

class QtCaptureDialogs : public capture::CaptureDialogHost
{
public:
    explicit QtCaptureDialogs(QWidget* parent = nullptr) : parent(parent) {}
    void show(int id, capture::CaptureControl& control) override; // modal; applies on OK

private:
    QWidget* parent;
};

} // namespace zelvan::widgets
