#pragma once
// Pixel format names shared by the video writer and the reader.
extern "C" {
#include <libavutil/pixfmt.h>
}

namespace zelvan::review
{

// The old "J" formats mean full-range YUV; swscale wants the plain format and the range flag.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange);

} // namespace zelvan::review
