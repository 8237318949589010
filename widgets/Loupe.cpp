#include "widgets/Loupe.h"

#include "base/Numbers.h"
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zelvan::widgets
{

namespace
{

constexpr int kViewSide = 240;

// Start and length of a span of `length` centred on `centre`, moved inside [lo, lo + room).
int placeSpan(int centre, int length, int lo, int room)
{
    if (length >= room)
        return lo;
    return std::clamp(centre - length / 2, lo, lo + room - length);
}

// The picture canvas under the pointer and the pointer in its viewport, if any.
PictureCanvas* canvasAt(QPoint global, QPoint& inViewport)
{
    for (QWidget* w = QApplication::widgetAt(global); w; w = w->parentWidget()) {
        if (auto* canvas = qobject_cast<PictureCanvas*>(w)) {
            inViewport = canvas->viewport()->mapFromGlobal(global);
            return canvas->viewport()->rect().contains(inViewport) ? canvas : nullptr;
        }
    }
    return nullptr;
}

QString readoutAt(QPoint global)
{
    QPoint local;
    const PictureCanvas* canvas = canvasAt(global, local);
    if (!canvas)
        return QString();
    // The same mapping as a click at that pixel, so the loupe reads what a click would set.
    const QPointF twips = canvas->twipsAt(QPointF(local));
    const QSizeF size = canvas->pictureSizeTwips();
    if (twips.x() < 0 || twips.y() < 0 || twips.x() >= size.width() || twips.y() >= size.height())
        return QString();
    return picturePositionText(twips);
}

} // namespace

int clampLoupeFactor(int factor)
{
    return std::clamp(factor, kMinLoupeFactor, kMaxLoupeFactor);
}

QRect loupeSourceRect(QPoint pointer, QSize view, int factor, const QRect& screen)
{
    const int f = clampLoupeFactor(factor);
    const int w = std::min((view.width() + f - 1) / f, screen.width());
    const int h = std::min((view.height() + f - 1) / f, screen.height());
    return QRect(placeSpan(pointer.x(), w, screen.left(), screen.width()),
                 placeSpan(pointer.y(), h, screen.top(), screen.height()), w, h);
}

QString picturePositionText(QPointF twips)
{
    const auto px = [](double t) { return qlonglong(std::floor(t / kTwipsPerPixel)); };
    return QStringLiteral("%1, %2 twips  (%3, %4 px)")
        .arg(qRound64(twips.x()))
        .arg(qRound64(twips.y()))
        .arg(px(twips.x()))
        .arg(px(twips.y()));
}

Loupe::Loupe(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Loupe"));
    setWindowTitle(QStringLiteral("Screen Loupe"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::WheelFocus);
    const int line = fontMetrics().height() + 6;
    setFixedSize(kViewSide, kViewSide + line);
    timer_ = new QTimer(this);
    timer_->setInterval(kLoupeIntervalMs);
    connect(timer_, &QTimer::timeout, this, &Loupe::tick);
}

void Loupe::setFactor(int factor)
{
    const int f = clampLoupeFactor(factor);
    if (f == factor_)
        return;
    factor_ = f;
    update();
    emit factorChanged(f);
}

void Loupe::start()
{
    if (!isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.right() - width() - 16, area.top() + 16);
        }
        show();
    }
    raise();
    timer_->start();
}

void Loupe::tick()
{
    const QPoint at = QCursor::pos();
    // Over the loupe itself the view holds still, so it can be read and its keys used.
    if (frameGeometry().contains(at))
        return;
    follow(at);
}

void Loupe::follow(QPoint globalPointer)
{
    pointer_ = globalPointer;
    readout_ = readoutAt(globalPointer);
    QScreen* screen = QGuiApplication::screenAt(globalPointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        grabbed_ = QPixmap();
        update();
        return;
    }
    const QRect geometry = screen->geometry();
    source_ = loupeSourceRect(globalPointer, viewRect().size(), factor_, geometry);
    const QRect local = source_.translated(-geometry.topLeft());
    grabbed_ = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    update();
}

QRect Loupe::viewRect() const
{
    return QRect(0, 0, width(), width());
}

void Loupe::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect view = viewRect();
    p.fillRect(rect(), palette().window());
    p.fillRect(view, Qt::black);
    if (!grabbed_.isNull()) {
        // Whole enlarged pixels, not smoothed: the operator wants to see the picture pixels.
        const QSize shown = source_.size() * factor_;
        p.drawPixmap(QRect(QPoint(0, 0), shown), grabbed_);
    }
    // The crosshair sits on the middle of the pointer's pixel, also at a screen edge.
    const QPoint at = (pointer_ - source_.topLeft()) * factor_ + QPoint(factor_ / 2, factor_ / 2);
    p.setPen(QPen(Qt::red, 1));
    p.drawLine(view.left(), at.y(), view.right(), at.y());
    p.drawLine(at.x(), view.top(), at.x(), view.bottom());
    p.setPen(palette().windowText().color());
    const QRect text(0, view.bottom() + 1, width(), height() - view.height());
    const QString zoom = QStringLiteral("%1x").arg(factor_);
    p.drawText(text.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, readout_);
    p.drawText(text.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignRight, zoom);
}

void Loupe::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        setFactor(factor_ + steps);
    event->accept();
}

void Loupe::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Up)
        setFactor(factor_ + 1);
    else if (key == Qt::Key_Minus || key == Qt::Key_Down)
        setFactor(factor_ - 1);
    else if (key >= Qt::Key_2 && key <= Qt::Key_8)
        setFactor(key - Qt::Key_0);
    else if (key == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void Loupe::hideEvent(QHideEvent* event)
{
    // A closed loupe costs nothing: no grabbing until it is started again.
    timer_->stop();
    QWidget::hideEvent(event);
}

} // namespace zelvan::widgets
