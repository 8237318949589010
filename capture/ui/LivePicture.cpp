#include "capture/ui/LivePicture.h"

#include <QPainter>

namespace zelvan::capture::ui
{

LivePicture::LivePicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LivePicture::showFrame(const QImage& frame)
{
    frame_ = frame;
    ++received_;
    update();
}

void LivePicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull())
        return;
    const QSize fitted = frame_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    painter.drawImage(target, frame_);
}

} // namespace zelvan::capture::ui
