#pragma once
// The picture surface of the set-up and measurement screens: a still picture at its natural
// size (15 twips to a picture pixel, origin top left), a drawing layer above it that keeps
// what is drawn until it is cleared, and the pointer reported in picture twips.
//
// Everything a screen stores, draws or writes is in picture twips; zoom (from the size that fits
// the view, or 100 % when that is larger, to 800 %) and scrolling only change how the picture
// is shown. A zoomed click is therefore sub-pixel precise, and the same picture point gives the
// same twips at every zoom. With the magnifier on, a click inside its inset lands on a quarter
// of a picture pixel at any zoom.
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
class Magnifier;
}

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
    // Shown in the middle of the view while there is no picture: how to get one.
    void setEmptyText(const QString& text);
    QString emptyText() const { return emptyText_; }

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
    // The largest zoom at which the whole picture fits the view (below 100 % for a picture
    // larger than the view). The view stays fitted through resizes until the zoom changes.
    void fitToWindow();
    double fitZoom() const;
    bool fitted() const { return fitted_; }
    // On: every new picture opens fitted to the view. Off (the default): at its natural size.
    void setFitOnOpen(bool on);
    bool fitOnOpen() const { return fitOnOpen_; }

    // On: while the pointer is over the picture, an inset in a corner of the view shows the
    // picture around the pointer at 4 view pixels a picture pixel; moving into the inset holds
    // it still, and a click there lands on a quarter of a picture pixel. A screen turns it on
    // while a point is being placed.
    void setMagnifierEnabled(bool on);
    bool magnifierEnabled() const { return magnifierEnabled_; }
    Magnifier* magnifier() const { return magnifier_; }

    // Mapping between the view's pixels and picture twips, at the current zoom and scroll.
    QPointF twipsAt(QPointF viewportPixel) const;
    QPointF viewportPixelAt(QPointF twips) const;
    // Where picture pixel `pixel` (fractions allowed) is in the view: what a test clicks.
    QPoint viewPointOfPixel(QPointF pixel) const;

    // Paints the picture region `exposed` (viewport pixels) and the drawing layer; the widget's
    // paint event and the benchmark call it.
    void render(QPainter& painter, const QRect& exposed) const;
    // Paints the drawing layer only; `painter` is already in picture twips.
    void renderDrawings(QPainter& painter) const;

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
    bool viewportEvent(QEvent* event) override;

private:
    void addZoomKeys();
    struct Placed {
        QPointer<QWidget> widget;
        QPointF twips;
    };

    QSize shownSize() const;         // the picture's size in viewport pixels at the current zoom
    QList<double> stepsHere() const; // zoomSteps() and the fitting zoom when it is below them
    double minZoom() const;
    // False, with nothing done, for the zoom already shown.
    bool applyZoom(double zoom, QPointF anchor);
    // Scroll ranges, placed children and a repaint for what is shown now.
    void refreshView();
    // The pointer's picture position: through the magnifier when the pointer is inside it.
    QPointF pointerTwips(QPointF viewportPixel, Qt::KeyboardModifiers modifiers);
    const QImage& shownPicture() const; // the picture scaled for zooms below 100 %
    QPoint scrollOffset() const;
    void updateScrollBars();
    void placeChildren();
    void renderEmptyText(QPainter& painter) const;

    QImage picture_;
    QColor background_ = Qt::magenta;
    QString emptyText_;
    std::vector<Drawing> drawings_;
    QList<Placed> placed_;
    double zoom_ = 1.0;
    bool fitOnOpen_ = false;
    bool fitted_ = false;
    bool magnifierEnabled_ = false;
    Magnifier* magnifier_ = nullptr;
    mutable QImage reduced_; // the picture at zoom_ when below 100 %, made once per zoom
    mutable double reducedZoom_ = 0;
};

// The zoom steps zoomIn() and zoomOut() move between.
QList<double> zoomSteps();

} // namespace zelvan::widgets
