#include "widgets/PictureCanvas.h"

#include "base/Numbers.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zelvan::widgets
{

QList<double> zoomSteps()
{
    return {1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
}

PictureCanvas::PictureCanvas(QWidget* parent) : QAbstractScrollArea(parent)
{
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    addZoomKeys();
}

// The zoom keys work wherever the focus is on the canvas's screen: the operator is as likely to
// be on a button beside the picture as on the picture itself.
void PictureCanvas::addZoomKeys()
{
    const auto add = [this](QKeyCombination keys, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(Qt::CTRL | Qt::Key_Plus, [this] { zoomIn(); });
    add(Qt::CTRL | Qt::Key_Equal, [this] { zoomIn(); });
    add(Qt::CTRL | Qt::Key_Minus, [this] { zoomOut(); });
    add(Qt::CTRL | Qt::Key_0, [this] { setZoom(1.0, QPointF(0, 0)); });
    add(Qt::CTRL | Qt::Key_F, [this] { fitToWindow(); });
}

void PictureCanvas::setPicture(const QImage& picture)
{
    // Kept in a format the paint engine copies without conversion at every repaint.
    picture_ = picture.hasAlphaChannel()
                   ? picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                   : picture.convertToFormat(QImage::Format_RGB32);
    updateScrollBars();
    placeChildren();
    viewport()->update();
}

QSizeF PictureCanvas::pictureSizeTwips() const
{
    return QSizeF(picture_.width() * kTwipsPerPixel, picture_.height() * kTwipsPerPixel);
}

void PictureCanvas::setBackground(const QColor& colour)
{
    background_ = colour;
    viewport()->update();
}

void PictureCanvas::draw(Drawing drawing)
{
    if (!drawing)
        return;
    drawings_.push_back(std::move(drawing));
    viewport()->update();
}

void PictureCanvas::clearDrawing()
{
    drawings_.clear();
    viewport()->update();
}

void PictureCanvas::placeAt(QWidget* child, QPointF twips)
{
    if (!child)
        return;
    if (child->parentWidget() != viewport())
        child->setParent(viewport());
    const auto same = [child](const Placed& p) { return p.widget == child; };
    placed_.erase(std::remove_if(placed_.begin(), placed_.end(), same), placed_.end());
    placed_.append({child, twips});
    child->move(viewportPixelAt(twips).toPoint());
}

std::optional<QPointF> PictureCanvas::placedAt(const QWidget* child) const
{
    for (const Placed& p : placed_)
        if (p.widget == child)
            return p.twips;
    return std::nullopt;
}

void PictureCanvas::setZoom(double zoom)
{
    setZoom(zoom, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void PictureCanvas::setZoom(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == zoom_)
        return;
    const QPointF twips = twipsAt(anchor);
    zoom_ = zoom;
    updateScrollBars();
    const QPointF shown = twips / kTwipsPerPixel * zoom_;
    horizontalScrollBar()->setValue(int(std::lround(shown.x() - anchor.x())));
    verticalScrollBar()->setValue(int(std::lround(shown.y() - anchor.y())));
    placeChildren();
    viewport()->update();
    emit zoomChanged(zoom_);
}

void PictureCanvas::zoomIn()
{
    const QList<double> steps = zoomSteps();
    const auto next = std::upper_bound(steps.begin(), steps.end(), zoom_ + 1e-9);
    setZoom(next == steps.end() ? kMaxZoom : *next);
}

void PictureCanvas::zoomOut()
{
    const QList<double> steps = zoomSteps();
    const auto below = std::lower_bound(steps.begin(), steps.end(), zoom_ - 1e-9);
    setZoom(below == steps.begin() ? kMinZoom : *std::prev(below));
}

void PictureCanvas::fitToWindow()
{
    if (picture_.isNull())
        return setZoom(1.0);
    const double across = double(viewport()->width()) / picture_.width();
    const double down = double(viewport()->height()) / picture_.height();
    setZoom(std::max(1.0, std::min(across, down)), QPointF(0, 0));
}

QPointF PictureCanvas::twipsAt(QPointF viewportPixel) const
{
    return (viewportPixel + QPointF(scrollOffset())) / zoom_ * kTwipsPerPixel;
}

QPointF PictureCanvas::viewportPixelAt(QPointF twips) const
{
    return twips / kTwipsPerPixel * zoom_ - QPointF(scrollOffset());
}

void PictureCanvas::render(QPainter& painter, const QRect& exposed) const
{
    painter.fillRect(exposed, background_);
    const QPoint offset = scrollOffset();
    if (!picture_.isNull()) {
        const QRect shown = QRect(-offset, shownSize()).intersected(exposed);
        if (zoom_ == 1.0) {
            painter.drawImage(shown.topLeft(), picture_, shown.translated(offset));
        } else if (!shown.isEmpty()) {
            // Only the exposed part is scaled, nearest pixel, so picture pixels stay sharp.
            const QRectF source(QPointF(shown.topLeft() + offset) / zoom_,
                                QSizeF(shown.size()) / zoom_);
            painter.drawImage(QRectF(shown), picture_, source);
        }
    }
    painter.save();
    painter.setClipRect(exposed);
    painter.translate(-offset);
    painter.scale(zoom_ / kTwipsPerPixel, zoom_ / kTwipsPerPixel);
    for (const Drawing& drawing : drawings_) {
        painter.save();
        drawing(painter);
        painter.restore();
    }
    painter.restore();
}

void PictureCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    render(painter, event->rect());
}

void PictureCanvas::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    placeChildren();
}

void PictureCanvas::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    placeChildren();
    viewport()->update();
}

void PictureCanvas::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    emit pressed(twipsAt(event->position()), event->button(), event->modifiers());
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    emit released(twipsAt(event->position()), event->button());
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(twipsAt(event->position()));
}

void PictureCanvas::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return QAbstractScrollArea::wheelEvent(event);
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return event->accept();
    const QList<double> steps = zoomSteps();
    auto at = std::lower_bound(steps.begin(), steps.end(), zoom_ - 1e-9);
    const auto index = std::clamp<qsizetype>((at - steps.begin()) + notches, 0, steps.size() - 1);
    setZoom(steps[index], event->position());
    event->accept();
}

void PictureCanvas::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The cursor keys nudge picked points on the screens; they never scroll the picture.
        return event->ignore();
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
}

QSize PictureCanvas::shownSize() const
{
    return QSize(int(std::ceil(picture_.width() * zoom_)),
                 int(std::ceil(picture_.height() * zoom_)));
}

QPoint PictureCanvas::scrollOffset() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void PictureCanvas::updateScrollBars()
{
    const QSize shown = shownSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(std::max(1, int(zoom_ * 8)));
    verticalScrollBar()->setRange(0, std::max(0, shown.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(std::max(1, int(zoom_ * 8)));
}

void PictureCanvas::placeChildren()
{
    for (const Placed& p : std::as_const(placed_)) {
        if (p.widget)
            p.widget->move(viewportPixelAt(p.twips).toPoint());
    }
}

} // namespace zelvan::widgets
