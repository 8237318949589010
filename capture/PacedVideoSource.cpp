#include "capture/PacedVideoSource.h"
#include "capture/FrameConversion.h"

#include <cmath>

namespace zelvan::capture
{

FramePtr PacedVideoSource::nextFrame(qint64 serial)
{
    FramePtr frame = renderFrame(serial);
    if (frame && settings.colorFormatCode == QLatin1String("bgr24"))
        frame = convertFrame(frame.get(), AV_PIX_FMT_BGR24);
    return frame;
}

void PacedVideoSource::run()
{
    const double period = 1e6 / settings.fps;
    qint64 start = steadyMicros();
    qint64 n = 0;      // frames since `start`
    qint64 serial = 0; // frames produced in all
    while (!stopping()) {
        const qint64 due = start + qint64(std::llround(double(n) * period));
        if (!waitUntil(due))
            return;
        if (registry && !registry->isPresent(name)) {
            ended(name + QStringLiteral(" was removed"));
            return;
        }
        FramePtr frame = nextFrame(serial);
        if (!frame) {
            ended(QStringLiteral("Out of memory"));
            return;
        }
        if (onFrame)
            onFrame(std::move(frame), due);
        ++n;
        ++serial;
        if (steadyMicros() - (start + qint64(double(n) * period)) > 500000) {
            start = steadyMicros();
            n = 0;
        }
    }
}

} // namespace zelvan::capture
