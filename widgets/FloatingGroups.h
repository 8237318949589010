#pragma once
// Small groups of controls that float over a picture (the arrow pad, a size bar, a notice), each
// moved by its "(drag-it)" caption, as the set-up and measurement screens have them.
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

class QFrame;
class QGridLayout;
class QLabel;
class QObject;
class QWidget;

namespace zelvan::widgets
{

class PictureCanvas;

// A caption the operator drags by: white on black.
QLabel* dragCaption(const char* name, const QString& caption);

// A panel over the canvas's picture; a click beside its controls is not a click on the picture.
QFrame* floatingPanel(PictureCanvas& canvas);

// The arrow buttons "AdjustUp", "AdjustLeft", "AdjustRight", "AdjustDown" in a cross on the three
// rows from `firstRow`; a click gives its arrow key to `onArrow`, as a held key would.
void addArrowPad(QGridLayout* grid, int firstRow, QObject* context,
                 const std::function<void(int key)>& onArrow);

// Sets the groups side by side along the picture's top, from its left, and makes each draggable
// by its captions.
using DraggableGroup = QPair<QWidget*, QList<QWidget*>>;
void placeDraggable(PictureCanvas& canvas, const QList<DraggableGroup>& groups);

} // namespace zelvan::widgets
