#pragma once
// The live camera picture of the capture screen: the newest preview picture of the capture
// control, scaled to fit and centred. A new picture only replaces the one held (pictures are
// shared, never copied) and asks for a repaint, so a fast camera never queues work on the
// user-interface thread.
#include <QImage>
#include <QWidget>

namespace zelvan::capture::ui
{

class LivePicture : public QWidget
{
    Q_OBJECT

public:
    explicit LivePicture(QWidget* parent = nullptr);

    void showFrame(const QImage& frame);
    QImage frame() const { return frame_; }
    qint64 framesReceived() const { return received_; }
    QSize sizeHint() const override { return {640, 480}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage frame_;
    qint64 received_ = 0;
};

} // namespace zelvan::capture::ui
