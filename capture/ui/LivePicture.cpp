#include "capture/ui/LivePicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace zelvan::capture::ui
{

QRect fittedPictureRect(QSize picture, QSize view)
{
    const QSize fitted = picture.scaled(view, Qt::KeepAspectRatio);
    return {QPoint((view.width() - fitted.width()) / 2, (view.height() - fitted.height()) / 2),
            fitted};
}

QRect viewToPictureRect(QPoint a, QPoint b, QSize picture, QSize view)
{
    const QRect shown = fittedPictureRect(picture, view);
    if (picture.isEmpty() || shown.isEmpty())
        return {};
    const double sx = double(picture.width()) / shown.width();
    const double sy = double(picture.height()) / shown.height();
    // Every picture pixel the drag touches, ends included, and no more.
    const auto x = [&](int v) {
        return std::clamp(int(std::floor((v - shown.left()) * sx)), 0, picture.width() - 1);
    };
    const auto y = [&](int v) {
        return std::clamp(int(std::floor((v - shown.top()) * sy)), 0, picture.height() - 1);
    };
    return {QPoint(x(std::min(a.x(), b.x())), y(std::min(a.y(), b.y()))),
            QPoint(x(std::max(a.x(), b.x())), y(std::max(a.y(), b.y())))};
}

QRectF pictureToViewRect(const QRect& zone, QSize picture, QSize view)
{
    const QRect shown = fittedPictureRect(picture, view);
    if (picture.isEmpty() || zone.isEmpty())
        return {};
    const double sx = double(shown.width()) / picture.width();
    const double sy = double(shown.height()) / picture.height();
    return {shown.left() + zone.x() * sx, shown.top() + zone.y() * sy, zone.width() * sx,
            zone.height() * sy};
}

LivePicture::LivePicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
}

void LivePicture::showFrame(const QImage& frame)
{
    frame_ = frame;
    ++received_;
    update();
}

void LivePicture::setZone(const QRect& zone)
{
    zone_ = zone;
    update();
}

QRect LivePicture::dragged() const
{
    return viewToPictureRect(dragFrom_, dragTo_, frame_.size(), size());
}

void LivePicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull())
        return;
    painter.drawImage(fittedPictureRect(frame_.size(), size()), frame_);
    // Two colours, so the outline shows on bright water and on the dark ramp alike.
    const auto outline = [&](const QRect& zone, Qt::PenStyle style) {
        const QRectF r = pictureToViewRect(zone, frame_.size(), size());
        if (r.isEmpty())
            return;
        painter.setPen(QPen(Qt::black, 3));
        painter.drawRect(r);
        painter.setPen(QPen(Qt::yellow, 1, style));
        painter.drawRect(r);
    };
    outline(dragging_ ? dragged() : zone_, dragging_ ? Qt::DashLine : Qt::SolidLine);
}

void LivePicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || frame_.isNull())
        return QWidget::mousePressEvent(event);
    dragging_ = true;
    dragFrom_ = dragTo_ = event->position().toPoint();
    update();
}

void LivePicture::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return QWidget::mouseMoveEvent(event);
    dragTo_ = event->position().toPoint();
    update();
}

void LivePicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    dragTo_ = event->position().toPoint();
    update();
    emit zoneDrawn(dragged());
}

} // namespace zelvan::capture::ui
