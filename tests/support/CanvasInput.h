#pragma once
// The operator's pointer and wheel over a screen's picture canvas, sent as the window system
// sends them, and what the canvas shows of its picture.
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zelvan::test
{

inline void moveOver(widgets::PictureCanvas& canvas, QPoint at,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), canvas.viewport()->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(canvas.viewport(), &move);
}

// The pointer comes from the middle of the view to `at` in small steps, as a hand moves the
// mouse (the magnifier docks away from it all the way), and clicks there.
inline void clickOver(widgets::PictureCanvas& canvas, QPoint at)
{
    const QPointF from = QRectF(canvas.viewport()->rect()).center();
    const QPointF way = QPointF(at) - from;
    const int steps = std::max(1, int(std::hypot(way.x(), way.y()) / 4));
    for (int i = 1; i <= steps; ++i)
        moveOver(canvas, (from + way * i / steps).toPoint());
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {}, at);
}

// One notch is 120.
inline void wheelOver(widgets::PictureCanvas& canvas, QPointF at, int delta,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent event(at, canvas.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas.viewport(), &event);
}

// The view as painted (picture, background and drawing layer).
inline QImage shownView(const widgets::PictureCanvas& canvas)
{
    QImage out(canvas.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&out);
    canvas.render(painter, out.rect());
    return out;
}

// The larger of the shares of the view's width and height that show the picture rather than
// the background: the widest row and the tallest column of the painted view, every 8th looked at.
inline double pictureCoverage(const widgets::PictureCanvas& canvas)
{
    const QImage view = shownView(canvas);
    const QRgb background = canvas.background().rgb();
    int across = 0;
    for (int y = 0; y < view.height(); y += 8) {
        int n = 0;
        for (int x = 0; x < view.width(); ++x)
            n += view.pixel(x, y) != background;
        across = std::max(across, n);
    }
    int down = 0;
    for (int x = 0; x < view.width(); x += 8) {
        int n = 0;
        for (int y = 0; y < view.height(); ++y)
            n += view.pixel(x, y) != background;
        down = std::max(down, n);
    }
    return std::max(double(across) / view.width(), double(down) / view.height());
}

} // namespace zelvan::test
