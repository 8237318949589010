#pragma once
// The station's own screen loupe: a small always-on-top tool window that shows the screen
// around the pointer enlarged 2x to 8x with a crosshair on the pointer, and, while the pointer
// is over a picture canvas, the picture position under it in twips and picture pixels.
//
// The window stays where the operator puts it (top right of the screen at first) and its
// content follows the pointer, so it never covers what is being looked at. While the pointer
// is over the loupe itself the view holds still; there the wheel, +/- and the digit keys 2..8
// change the enlargement, and Esc closes it. start() shows it again after it was closed.
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

class QTimer;

namespace zelvan::widgets
{

inline constexpr int kMinLoupeFactor = 2;
inline constexpr int kMaxLoupeFactor = 8;
inline constexpr int kLoupeIntervalMs = 33; // about 30 pictures a second

int clampLoupeFactor(int factor);

// The screen area that fills a view of `view` pixels at `factor`: view / factor (rounded up)
// wide and high, centred on the pointer, moved (not cut) to lie inside `screen`. All in global
// screen coordinates; a screen smaller than the area gives the whole screen.
QRect loupeSourceRect(QPoint pointer, QSize view, int factor, const QRect& screen);

// "1234, 567 twips  (82, 37 px)" for a picture position; whole twips, pixels counted from 0.
QString picturePositionText(QPointF twips);

class Loupe : public QWidget
{
    Q_OBJECT

public:
    explicit Loupe(QWidget* parent = nullptr);

    int factor() const { return factor_; }
    void setFactor(int factor); // clamped to 2..8
    // Shows the loupe (again, when it was closed) and starts following the pointer.
    void start();
    // One step of following: the area around `globalPointer` and the picture readout. The
    // timer calls it with the pointer's position.
    void follow(QPoint globalPointer);
    // The picture position shown; empty while the pointer is not over a picture.
    QString readout() const { return readout_; }
    QRect sourceRect() const { return source_; }

signals:
    void factorChanged(int factor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRect viewRect() const; // where the enlarged picture is drawn, above the readout line
    void tick();

    QTimer* timer_ = nullptr;
    int factor_ = 4;
    QPoint pointer_;
    QRect source_;
    QPixmap grabbed_;
    QString readout_;
};

} // namespace zelvan::widgets
