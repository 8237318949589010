#pragma once
// The picture canvas's magnifier: an inset in a corner of the canvas's view that shows the
// picture (and what is drawn on it) around one picture point at 4 view pixels a picture pixel,
// with a cross on that point. Its centre sits on a quarter of a picture pixel, so every view
// pixel inside it is a quarter-pixel picture position; the canvas maps clicks there through it.
// It never takes mouse events itself: they reach the canvas's view underneath.
#include <QPointF>
#include <QWidget>
#include <optional>

namespace zelvan::widgets
{

class PictureCanvas;

class Magnifier : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kFactor = 4; // view pixels a picture pixel
    static constexpr int kSide = 160; // view pixels
    static constexpr int kMargin = 8; // from the view's edges

    explicit Magnifier(const PictureCanvas& canvas, QWidget* view);

    // Shows the picture around `twips` (moved to the nearest quarter pixel), docked in the
    // view's corner farthest from `pointer` (view pixels) so it never hides what it shows.
    void follow(QPointF twips, QPointF pointer);
    QPointF centre() const { return centre_; }
    // The picture position of a view pixel inside the inset, and back.
    QPointF twipsAt(QPointF viewPixel) const;
    QPointF viewPixelAt(QPointF twips) const;
    // Where the cross is drawn instead of the centre (the pointer inside the inset).
    void setCross(std::optional<QPointF> twips);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF middle() const; // the inset's centre in the view

    const PictureCanvas& canvas_;
    QPointF centre_;
    std::optional<QPointF> cross_;
};

} // namespace zelvan::widgets
