#pragma once
// The picture surface of the set-up and measurement screens: a still picture at its natural
// size (15 twips to a picture pixel, origin top left), a drawing layer above it that keeps
// what is drawn until it is cleared, and the pointer reported in picture twips.
//
// Everything a screen stores, draws or writes is in picture twips; zoom (100 % to 800 %) and
// scrolling only change how the picture is shown. A zoomed click is therefore sub-pixel
// precise, and the same picture point gives the same twips at every zoom.
#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace zelvan::widgets
{

class PictureCanvas : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // One drawing: called with a painter whose coordinates are picture twips.
    using Drawing = std::function<void(QPainter&)>;

    static constexpr double kMinZoom = 1.0;
    static constexpr double kMaxZoom = 8.0;

    explicit PictureCanvas(QWidget* parent = nullptr);

    // The picture replaces the previous one; the drawing layer stays (clear it if needed).
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // The picture's size in twips (0 x 0 without a picture).
    QSizeF pictureSizeTwips() const;

    // The colour around and behind the picture (magenta on the set-up and measurement
    // screens).
    void setBackground(const QColor& colour);
    QColor background() const { return background_; }

    // Adds to the drawing layer; it is painted above the picture at every repaint until
    // clearDrawing(). Clearing leaves the picture.
    void draw(Drawing drawing);
    void clearDrawing();
    int drawingCount() const { return int(drawings_.size()); }

    // Keeps `child` with its top-left corner at a picture position, whatever the zoom and
    // scrolling (labels placed on the picture). The canvas takes the child into its view.
    void placeAt(QWidget* child, QPointF twips);
    // Where a placed child's top-left corner is, twips; std::nullopt for one never placed.
    std::optional<QPointF> placedAt(const QWidget* child) const;

    // 1.0 = natural size. Clamped to kMinZoom..kMaxZoom; the point under `anchor` (viewport
    // pixels) stays where it is, the centre of the view when no anchor is given.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    void setZoom(double zoom, QPointF anchor);
    void zoomIn();
    void zoomOut();
    // The largest zoom at which the whole picture fits the view, at least 100 %.
    void fitToWindow();

    // Mapping between the view's pixels and picture twips, at the current zoom and scroll.
    QPointF twipsAt(QPointF viewportPixel) const;
    QPointF viewportPixelAt(QPointF twips) const;

    // Paints the picture region `exposed` (viewport pixels) and the drawing layer; the widget's
    // paint event and the benchmark call it.
    void render(QPainter& painter, const QRect& exposed) const;

signals:
    void pressed(QPointF twips, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void released(QPointF twips, Qt::MouseButton button);
    void moved(QPointF twips);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addZoomKeys();
    struct Placed {
        QPointer<QWidget> widget;
        QPointF twips;
    };

    QSize shownSize() const; // the picture's size in viewport pixels at the current zoom
    QPoint scrollOffset() const;
    void updateScrollBars();
    void placeChildren();

    QImage picture_;
    QColor background_ = Qt::magenta;
    std::vector<Drawing> drawings_;
    QList<Placed> placed_;
    double zoom_ = 1.0;
};

// The zoom steps zoomIn() and zoomOut() move between.
QList<double> zoomSteps();

} // namespace zelvan::widgets
