#include "widgets/DragHandle.h"

#include "base/Numbers.h"
#include "widgets/PictureCanvas.h"

#include <QMouseEvent>
#include <QWidget>

namespace zelvan::widgets
{

DragHandle::DragHandle(QWidget* handle, QWidget* group, PictureCanvas& canvas)
    : QObject(handle), group_(group), canvas_(canvas)
{
    handle->installEventFilter(this);
    handle->setCursor(Qt::SizeAllCursor);
}

bool DragHandle::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        pressed_ = true;
        pressGlobal_ = mouse->globalPosition();
        startTwips_ = canvas_.placedAt(group_).value_or(canvas_.twipsAt(group_->pos()));
        return true;
    }
    case QEvent::MouseMove: {
        if (!pressed_)
            return true;
        auto* mouse = static_cast<QMouseEvent*>(event);
        // View pixels to picture twips at the zoom shown.
        const QPointF moved = (mouse->globalPosition() - pressGlobal_) / canvas_.zoom();
        canvas_.placeAt(group_, startTwips_ + moved * kTwipsPerPixel);
        return true;
    }
    case QEvent::MouseButtonRelease:
        pressed_ = false;
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace zelvan::widgets
