// The "Simulated Jump Site" device: loops the synthetic jump pass; its picture n is the site's
// renderFrameAt(n). Rendered pictures are kept (as long as they fit in a memory budget) so that
// the second and later passes cost nothing; moving water never repeats, so it is not kept.
// ZELVAN_SIMULATED_SITE=no-skier gives the same site with moving water and nobody on it, for
// proving that nothing there starts a recording.
#include "capture/FrameConversion.h"
#include "capture/PacedVideoSource.h"
#include "capture/SourceKinds.h"
#include "sim/SimulatedSite.h"

#include <algorithm>
#include <vector>

namespace zelvan::capture
{

namespace
{

class SimulatedSiteSource : public PacedVideoSource
{
public:
    using PacedVideoSource::PacedVideoSource;
    ~SimulatedSiteSource() override { stop(); }

protected:
    Status open() override
    {
        sim::SiteOptions options;
        options.seed = 1;
        options.pictureSize = settings.size;
        options.frameRate = settings.fps;
        if (qEnvironmentVariable("ZELVAN_SIMULATED_SITE") == QLatin1String("no-skier"))
            options = sim::skierFreeSite(1, settings.size, settings.fps);
        site = std::make_unique<sim::SimulatedSite>(options);
        if (site->frameCount() <= 0)
            return fail(QStringLiteral("The simulated site has no frames"));
        const qint64 frameBytes = qint64(settings.size.width()) * settings.size.height() * 3 / 2;
        maxCached = options.movingWater
                        ? 0
                        : int(std::min<qint64>(site->frameCount(), (256LL << 20) / frameBytes));
        cache.resize(size_t(maxCached));
        return {};
    }
    FramePtr renderFrame(qint64 serial) override
    {
        const int n = int(serial % site->frameCount());
        if (n < maxCached && cache[size_t(n)])
            return cloneFrame(cache[size_t(n)].get());
        FramePtr frame = frameFromImage(site->renderFrameAt(serial), AV_PIX_FMT_YUVJ420P);
        if (frame && n < maxCached)
            cache[size_t(n)] = cloneFrame(frame.get());
        return frame;
    }

private:
    std::unique_ptr<sim::SimulatedSite> site;
    std::vector<FramePtr> cache;
    int maxCached = 0;
};

} // namespace

std::unique_ptr<VideoSource> makeSimulatedSiteSource(const QString& name,
                                                     const VideoSettings& settings,
                                                     const DeviceRegistry* registry)
{
    return std::make_unique<SimulatedSiteSource>(name, settings, registry);
}

} // namespace zelvan::capture
