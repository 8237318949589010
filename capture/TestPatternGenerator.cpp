#include "capture/TestPatternGenerator.h"
#include "capture/FrameConversion.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

namespace zelvan::capture
{

namespace
{

int blockSize(int width)
{
    return std::max(8, (width / 40) & ~7);
}

constexpr int kBits = 16;

} // namespace

struct TestPatternGenerator::Impl {
    QSize size;
    int block = 8;
    FramePtr card;
    AVBufferPool* pool = nullptr;
    int bufferSize = 0;
    ~Impl() { av_buffer_pool_uninit(&pool); }
};

TestPatternGenerator::TestPatternGenerator(QSize size, int input) : d(std::make_unique<Impl>())
{
    d->size = size;
    d->block = blockSize(size.width());
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(90, 90, 90));
    {
        QPainter p(&img);
        const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                               Qt::magenta, Qt::red,    Qt::blue};
        const int barHeight = input == 1 ? size.height() : size.height() / 2;
        for (int i = 0; i < 7; ++i) {
            const int x0 = size.width() * i / 7;
            const int x1 = size.width() * (i + 1) / 7;
            p.fillRect(x0, 0, x1 - x0, barHeight, bars[i]);
        }
        if (input != 1) {
            // Grey ramp, grid and circle: show scaling, geometry and compression artefacts.
            for (int x = 0; x < size.width(); ++x) {
                const int g = 255 * x / std::max(1, size.width() - 1);
                p.setPen(QColor(g, g, g));
                p.drawLine(x, barHeight, x, barHeight + size.height() / 6);
            }
            p.setPen(QPen(Qt::white, std::max(1, size.width() / 400)));
            for (int i = 1; i < 8; ++i) {
                p.drawLine(size.width() * i / 8, 0, size.width() * i / 8, size.height());
                p.drawLine(0, size.height() * i / 8, size.width(), size.height() * i / 8);
            }
            const int r = size.height() / 3;
            p.drawEllipse(QPoint(size.width() / 2, size.height() / 2), r, r);
            // No text: fonts need a GUI application, and the tool runs without one.
        }
    }
    d->card = frameFromImage(img, AV_PIX_FMT_YUVJ420P);
    d->bufferSize = av_image_get_buffer_size(AV_PIX_FMT_YUVJ420P, size.width(), size.height(), 32);
    d->pool = av_buffer_pool_init(size_t(d->bufferSize), nullptr);
}

TestPatternGenerator::~TestPatternGenerator() = default;

FramePtr TestPatternGenerator::render(qint64 n)
{
    const int w = d->size.width();
    const int h = d->size.height();
    const int b = d->block;
    FramePtr f(av_frame_alloc());
    if (!f || !d->card)
        return nullptr;
    f->format = AV_PIX_FMT_YUVJ420P;
    f->width = w;
    f->height = h;
    f->color_range = AVCOL_RANGE_JPEG;
    f->buf[0] = av_buffer_pool_get(d->pool);
    if (!f->buf[0])
        return nullptr;
    av_image_fill_arrays(f->data, f->linesize, f->buf[0]->data, AV_PIX_FMT_YUVJ420P, w, h, 32);
    // Copying the precomputed card is a few memcpy calls; only the bar and the frame number
    // are drawn per frame, which keeps 1080p at 60 frames a second cheap.
    av_image_copy(f->data, f->linesize, const_cast<const uint8_t**>(d->card->data),
                  d->card->linesize, AV_PIX_FMT_YUVJ420P, w, h);
    auto fill = [&](int x0, int y0, int bw, int bh, uint8_t y, uint8_t u, uint8_t v) {
        for (int yy = y0; yy < y0 + bh; ++yy)
            std::memset(f->data[0] + yy * f->linesize[0] + x0, y, size_t(bw));
        for (int yy = y0 / 2; yy < (y0 + bh) / 2; ++yy) {
            std::memset(f->data[1] + yy * f->linesize[1] + x0 / 2, u, size_t(bw / 2));
            std::memset(f->data[2] + yy * f->linesize[2] + x0 / 2, v, size_t(bw / 2));
        }
    };
    // The frame number needs room for its blocks; a tiny picture only gets the bar.
    const bool numbered = (kBits + 3) * b <= w && 4 * b <= h;
    const int barBottom = numbered ? h - 3 * b : h;
    const int barWidth = std::min(b, w);
    const int step = std::max(2, (w / 120) & ~1);
    const int barX = int((n * step) % std::max(2, w - barWidth)) & ~1;
    fill(barX, 0, barWidth, barBottom, 255, 128, 128);
    if (numbered) {
        // Frame number, least significant bit first, then a white and a black marker block.
        const int y0 = h - 2 * b;
        fill(0, h - 3 * b, w, 3 * b, 0, 128, 128);
        for (int i = 0; i < kBits + 2; ++i) {
            const bool on = i < kBits ? ((n >> i) & 1) : i == kBits;
            fill(b + i * b, y0, b, b, on ? 255 : 0, 128, 128);
        }
    }
    return f;
}

int TestPatternGenerator::decodeFrameNumber(const QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    const int b = blockSize(w);
    if ((kBits + 3) * b > w || 4 * b > h)
        return -1;
    auto bit = [&](int i) {
        const QPoint c(b + i * b + b / 2, h - 2 * b + b / 2);
        return qGray(picture.pixel(c)) > 128;
    };
    if (!bit(kBits) || bit(kBits + 1))
        return -1;
    int n = 0;
    for (int i = 0; i < kBits; ++i)
        if (bit(i))
            n |= 1 << i;
    return n;
}

} // namespace zelvan::capture
