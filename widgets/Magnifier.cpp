#include "widgets/Magnifier.h"

#include "base/Numbers.h"
#include "widgets/PictureCanvas.h"

#include <QPainter>
#include <cmath>

namespace zelvan::widgets
{

namespace
{

constexpr double kQuarter = kTwipsPerPixel / Magnifier::kFactor;
constexpr double kCrossGap = 5;
constexpr double kCrossEnd = 14;

double toQuarter(double twips)
{
    return std::round(twips / kQuarter) * kQuarter;
}

} // namespace

Magnifier::Magnifier(const PictureCanvas& canvas, QWidget* view) : QWidget(view), canvas_(canvas)
{
    setObjectName(QStringLiteral("magnifier"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kSide, kSide);
    hide();
}

void Magnifier::follow(QPointF twips, QPointF pointer)
{
    centre_ = QPointF(toQuarter(twips.x()), toQuarter(twips.y()));
    const QWidget* view = parentWidget();
    const bool right = pointer.x() < view->width() / 2.0;
    const bool bottom = pointer.y() < view->height() / 2.0;
    move(right ? view->width() - kSide - kMargin : kMargin,
         bottom ? view->height() - kSide - kMargin : kMargin);
    cross_.reset();
    if (isHidden())
        show();
    raise();
    update();
}

QPointF Magnifier::middle() const
{
    return QPointF(pos()) + QPointF(kSide / 2.0, kSide / 2.0);
}

QPointF Magnifier::twipsAt(QPointF viewPixel) const
{
    return centre_ + (viewPixel - middle()) * kQuarter;
}

QPointF Magnifier::viewPixelAt(QPointF twips) const
{
    return middle() + (twips - centre_) / kQuarter;
}

void Magnifier::setCross(std::optional<QPointF> twips)
{
    cross_ = twips;
    update();
}

void Magnifier::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(this);
    p.fillRect(rect(), canvas_.background());
    // Picture pixels as sharp squares: the source is the picture area the inset covers.
    const QPointF half(kSide / 2.0, kSide / 2.0);
    const QPointF firstPixel = centre_ / kTwipsPerPixel - half / kFactor;
    p.drawImage(QRectF(rect()), canvas_.picture(),
                QRectF(firstPixel, QSizeF(kSide, kSide) / kFactor));
    p.save();
    p.translate(half);
    p.scale(1.0 / kQuarter, 1.0 / kQuarter);
    p.translate(-centre_);
    canvas_.renderDrawings(p);
    p.restore();
    const QPointF at = cross_ ? *cross_ / kQuarter - centre_ / kQuarter + half : half;
    // A cross with an open middle, so the pixels at the point itself stay visible.
    for (const auto& [colour, width] : {std::pair{QColor(Qt::black), 3}, {QColor(Qt::white), 1}}) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        for (const QPointF& arm : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)})
            p.drawLine(at + arm * kCrossGap, at + arm * kCrossEnd);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace zelvan::widgets
