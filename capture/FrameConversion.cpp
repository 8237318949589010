#include "capture/FrameConversion.h"

#include <QImage>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace zelvan::capture
{

namespace
{

// Full-range (JPEG) YUV on the YUV side of a conversion.
void useFullRange(SwsContext* sws)
{
    const int* coeffs = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws, coeffs, 1, coeffs, 1, 0, 1 << 16, 1 << 16);
}

FramePtr allocateFrame(int width, int height, AVPixelFormat format)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

} // namespace

FramePtr frameFromImage(const QImage& image, AVPixelFormat format)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    FramePtr frame = allocateFrame(img.width(), img.height(), format);
    if (!frame)
        return nullptr;
    const bool full = format == AV_PIX_FMT_YUVJ420P;
    const AVPixelFormat dst = full ? AV_PIX_FMT_YUV420P : format;
    SwsContext* sws =
        sws_getContext(img.width(), img.height(),
                       Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB,
                       img.width(), img.height(), dst, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    if (full)
        useFullRange(sws);
    const uint8_t* src[4] = {img.constBits(), nullptr, nullptr, nullptr};
    const int lines[4] = {int(img.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, src, lines, 0, img.height(), frame->data, frame->linesize);
    sws_freeContext(sws);
    return frame;
}

FramePtr convertFrame(const AVFrame* in, AVPixelFormat format)
{
    FramePtr out = allocateFrame(in->width, in->height, format);
    if (!out)
        return nullptr;
    AVPixelFormat src = AVPixelFormat(in->format);
    const bool full = src == AV_PIX_FMT_YUVJ420P;
    if (full)
        src = AV_PIX_FMT_YUV420P;
    SwsContext* sws = sws_getContext(in->width, in->height, src, in->width, in->height, format,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    if (full)
        useFullRange(sws);
    sws_scale(sws, in->data, in->linesize, 0, in->height, out->data, out->linesize);
    sws_freeContext(sws);
    return out;
}

} // namespace zelvan::capture
