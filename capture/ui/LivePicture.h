#pragma once
// The live camera picture of the capture screen: the newest preview picture of the capture
// control, scaled to fit and centred. A new picture only replaces the one held (pictures are
// shared, never copied) and asks for a repaint, so a fast camera never queues work on the
// user-interface thread.
//
// A rectangle dragged with the left button over the picture is the trigger zone: it is told in
// picture pixels, whatever the scale the picture is shown at, and the zone is drawn as an
// outline over the picture.
#include <QImage>
#include <QRect>
#include <QWidget>

namespace zelvan::capture::ui
{

// Where a picture of `picture` pixels is shown in a view of `view` pixels: fitted and centred.
QRect fittedPictureRect(QSize picture, QSize view);
// The picture pixels between two view points (either order), clipped to the picture.
QRect viewToPictureRect(QPoint a, QPoint b, QSize picture, QSize view);
// A zone of picture pixels as drawn in the view.
QRectF pictureToViewRect(const QRect& zone, QSize picture, QSize view);

class LivePicture : public QWidget
{
    Q_OBJECT

public:
    explicit LivePicture(QWidget* parent = nullptr);

    void showFrame(const QImage& frame);
    QImage frame() const { return frame_; }
    qint64 framesReceived() const { return received_; }
    QSize sizeHint() const override { return {640, 480}; }

    QRect zone() const { return zone_; }
    void setZone(const QRect& zone); // picture pixels; empty: none shown

signals:
    void zoneDrawn(const QRect& zone); // picture pixels, when the left button is let go

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect dragged() const;

    QImage frame_;
    qint64 received_ = 0;
    QRect zone_;
    bool dragging_ = false;
    QPoint dragFrom_;
    QPoint dragTo_;
};

} // namespace zelvan::capture::ui
