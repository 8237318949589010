#pragma once
// Inside the capture library: pictures into frames and frames into other pixel formats, for
// the built-in sources.
#include "capture/Source.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

class QImage;

namespace zelvan::capture
{

// An RGB picture as a new frame of pixel format `format` (full-range YUV for the "J"
// formats); null when out of memory.
FramePtr frameFromImage(const QImage& image, AVPixelFormat format);
// A frame converted to another pixel format (the RGB24 colour format); null when out of
// memory.
FramePtr convertFrame(const AVFrame* in, AVPixelFormat format);

} // namespace zelvan::capture
