#include "widgets/PictureCanvas.h"

#include "base/Numbers.h"
#include "widgets/Magnifier.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

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
    magnifier_ = new Magnifier(*this, viewport());
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
    reducedZoom_ = 0;
    magnifier_->hide();
    if (fitOnOpen_ && !picture_.isNull())
        return fitToWindow();
    refreshView();
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

void PictureCanvas::setEmptyText(const QString& text)
{
    emptyText_ = text;
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
    const bool wasFitted = std::exchange(fitted_, false);
    // Scroll bars left out while fitted come back for the same zoom no longer fitted.
    if (!applyZoom(zoom, anchor) && wasFitted)
        updateScrollBars();
}

bool PictureCanvas::applyZoom(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, minZoom(), kMaxZoom);
    // The zoom already shown: nothing moves and nothing is painted again.
    if (zoom == zoom_)
        return false;
    const QPointF twips = twipsAt(anchor);
    zoom_ = zoom;
    updateScrollBars();
    const QPointF shown = twips / kTwipsPerPixel * zoom_;
    horizontalScrollBar()->setValue(int(std::lround(shown.x() - anchor.x())));
    verticalScrollBar()->setValue(int(std::lround(shown.y() - anchor.y())));
    placeChildren();
    viewport()->update();
    emit zoomChanged(zoom_);
    return true;
}

void PictureCanvas::refreshView()
{
    updateScrollBars();
    placeChildren();
    viewport()->update();
}

QList<double> PictureCanvas::stepsHere() const
{
    QList<double> steps = zoomSteps();
    if (minZoom() < steps.front())
        steps.prepend(minZoom());
    return steps;
}

double PictureCanvas::minZoom() const
{
    return std::min(kMinZoom, fitZoom());
}

void PictureCanvas::zoomIn()
{
    const QList<double> steps = stepsHere();
    const auto next = std::upper_bound(steps.begin(), steps.end(), zoom_ + 1e-9);
    setZoom(next == steps.end() ? kMaxZoom : *next);
}

void PictureCanvas::zoomOut()
{
    const QList<double> steps = stepsHere();
    const auto below = std::lower_bound(steps.begin(), steps.end(), zoom_ - 1e-9);
    setZoom(below == steps.begin() ? steps.front() : *std::prev(below));
}

double PictureCanvas::fitZoom() const
{
    if (picture_.isNull())
        return 1.0;
    // The room the view has once no scroll bar is needed, which is the case when fitted.
    const QSize room = maximumViewportSize();
    const double across = double(room.width()) / picture_.width();
    const double down = double(room.height()) / picture_.height();
    return std::clamp(std::min(across, down), 1.0 / 64, kMaxZoom);
}

void PictureCanvas::fitToWindow()
{
    fitted_ = true;
    // A new picture or window may fit at the zoom already shown; its view is laid out anew.
    if (!applyZoom(fitZoom(), QPointF(0, 0)))
        refreshView();
}

void PictureCanvas::setFitOnOpen(bool on)
{
    fitOnOpen_ = on;
}

void PictureCanvas::setMagnifierEnabled(bool on)
{
    magnifierEnabled_ = on;
    if (!on)
        magnifier_->hide();
}

QPointF PictureCanvas::twipsAt(QPointF viewportPixel) const
{
    return (viewportPixel + QPointF(scrollOffset())) / zoom_ * kTwipsPerPixel;
}

QPointF PictureCanvas::viewportPixelAt(QPointF twips) const
{
    return twips / kTwipsPerPixel * zoom_ - QPointF(scrollOffset());
}

QPoint PictureCanvas::viewPointOfPixel(QPointF pixel) const
{
    return viewportPixelAt(pixel * kTwipsPerPixel).toPoint();
}

const QImage& PictureCanvas::shownPicture() const
{
    if (zoom_ >= 1.0)
        return picture_;
    if (reducedZoom_ != zoom_) {
        // Scaled down smoothly once per zoom: a fitted big picture then repaints as a copy.
        reduced_ = picture_.scaled(shownSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        reducedZoom_ = zoom_;
    }
    return reduced_;
}

void PictureCanvas::render(QPainter& painter, const QRect& exposed) const
{
    painter.fillRect(exposed, background_);
    if (picture_.isNull() && !emptyText_.isEmpty())
        renderEmptyText(painter);
    const QPoint offset = scrollOffset();
    if (!picture_.isNull()) {
        const QRect shown = QRect(-offset, shownSize()).intersected(exposed);
        if (zoom_ <= 1.0) {
            painter.drawImage(shown.topLeft(), shownPicture(), shown.translated(offset));
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
    renderDrawings(painter);
    painter.restore();
}

void PictureCanvas::renderEmptyText(QPainter& painter) const
{
    painter.save();
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRect room = viewport()->rect().adjusted(24, 24, -24, -24);
    painter.drawText(room, Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
    painter.restore();
}

void PictureCanvas::renderDrawings(QPainter& painter) const
{
    for (const Drawing& drawing : drawings_) {
        painter.save();
        drawing(painter);
        painter.restore();
    }
}

void PictureCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    render(painter, event->rect());
}

void PictureCanvas::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    magnifier_->hide();
    if (fitted_)
        return fitToWindow();
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
    emit pressed(pointerTwips(event->position(), event->modifiers()), event->button(),
                 event->modifiers());
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    emit released(pointerTwips(event->position(), event->modifiers()), event->button());
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(pointerTwips(event->position(), event->modifiers()));
}

QPointF PictureCanvas::pointerTwips(QPointF viewportPixel, Qt::KeyboardModifiers modifiers)
{
    if (!magnifierEnabled_)
        return twipsAt(viewportPixel);
    // A click always lands on the picture under the pointer, unless the operator holds Shift
    // to go into the inset: without Shift the inset gets out of the pointer's way instead.
    if ((modifiers & Qt::ShiftModifier) && magnifier_->isVisible() &&
        magnifier_->geometry().contains(viewportPixel.toPoint())) {
        // Inside the inset it holds still and the pointer points at what it shows.
        const QPointF twips = magnifier_->twipsAt(viewportPixel);
        magnifier_->setCross(twips);
        return twips;
    }
    const QPointF twips = twipsAt(viewportPixel);
    if (QRectF(QPointF(), pictureSizeTwips()).contains(twips))
        magnifier_->follow(twips, viewportPixel);
    else
        magnifier_->hide();
    return twips;
}

bool PictureCanvas::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        magnifier_->hide();
    return QAbstractScrollArea::viewportEvent(event);
}

void PictureCanvas::wheelEvent(QWheelEvent* event)
{
    // The wheel zooms about the pointer; with Shift it scrolls.
    if (event->modifiers() & Qt::ShiftModifier)
        return QAbstractScrollArea::wheelEvent(event);
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return event->accept();
    const QList<double> steps = stepsHere();
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
    // Fitted, no scroll bar is needed: the picture fits the view without them.
    const QSize view = fitted_ ? maximumViewportSize() : viewport()->size();
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
