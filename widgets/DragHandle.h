#pragma once
// A "(drag-it)" label on the picture canvas: pressing it and moving the mouse with the button
// held moves the label's group over the picture by the mouse displacement. The group is
// placed in picture twips, so it stays on the same picture point when the view is zoomed.
#include <QObject>
#include <QPointF>

class QWidget;

namespace zelvan::widgets
{

class PictureCanvas;

class DragHandle : public QObject
{
    Q_OBJECT

public:
    // `handle` lies inside `group`; `group` is placed on `canvas` (PictureCanvas::placeAt).
    DragHandle(QWidget* handle, QWidget* group, PictureCanvas& canvas);

    bool dragging() const { return pressed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* group_;
    PictureCanvas& canvas_;
    bool pressed_ = false;
    QPointF pressGlobal_; // the press point, screen pixels
    QPointF startTwips_;  // the group's place at the press
};

} // namespace zelvan::widgets
