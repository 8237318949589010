#include "sim/SimulatedSite.h"

#include <QJsonArray>
#include <cmath>

namespace zelvan::sim
{

// First cut: a fixed site with plain pictures so that the capture device can be wired.
SimulatedSite::SimulatedSite(const SiteOptions& options) : opts(options)
{
    buildScene();
}

void SimulatedSite::buildScene()
{
    points[int(SitePoint::UpperRight)] = {70, 10};
    points[int(SitePoint::LowerRight)] = {70, -8};
    points[int(SitePoint::UpperLeft)] = {25, 10};
    points[int(SitePoint::LowerLeft)] = {25, -8};
    points[int(SitePoint::Check)] = {48, 2};
    points[int(SitePoint::Jump)] = {0, 0};
    points[int(SitePoint::Landing)] = {45, 0};
    const double w = opts.pictureSize.width();
    cam = PinholeCamera({47.5, -120}, 20, {47.5, 1}, 2.2 * w, opts.pictureSize);
    frames = int(std::lround(4 * opts.frameRate));
    landing = frames / 2;
    renderBackground();
}

void SimulatedSite::renderBackground()
{
    background = QImage(opts.pictureSize, QImage::Format_RGB32);
    background.fill(QColor(40, 80, 110));
}

QSize SimulatedSite::frameSize() const
{
    return opts.pictureSize;
}
double SimulatedSite::frameRate() const
{
    return opts.frameRate;
}
int SimulatedSite::frameCount() const
{
    return frames;
}
int SimulatedSite::landingFrame() const
{
    return landing;
}
QImage SimulatedSite::renderSetup() const
{
    return background.copy();
}
QImage SimulatedSite::renderFrame(int) const
{
    return background.copy();
}
QPointF SimulatedSite::survey(SitePoint point) const
{
    return points[int(point)];
}
QPointF SimulatedSite::screenTwips(SitePoint point) const
{
    return cam.waterToTwips(points[int(point)]);
}
double SimulatedSite::trueDistance() const
{
    const QPointF d = survey(SitePoint::Landing) - survey(SitePoint::Jump);
    return std::hypot(d.x(), d.y());
}
SkierState SimulatedSite::skierAt(int) const
{
    return {};
}
QJsonObject SimulatedSite::siteJson() const
{
    return {};
}

} // namespace zelvan::sim
