// The "Test Pattern" device: the moving test card at the chosen size and rate.
#include "capture/PacedVideoSource.h"
#include "capture/SourceKinds.h"
#include "capture/TestPatternGenerator.h"

namespace zelvan::capture
{

namespace
{

class TestPatternSource : public PacedVideoSource
{
public:
    using PacedVideoSource::PacedVideoSource;
    ~TestPatternSource() override { stop(); }

protected:
    Status open() override
    {
        generator = std::make_unique<TestPatternGenerator>(settings.size, settings.input);
        return {};
    }
    FramePtr renderFrame(qint64 n) override { return generator->render(n); }

private:
    std::unique_ptr<TestPatternGenerator> generator;
};

} // namespace

std::unique_ptr<VideoSource> makeTestPatternSource(const QString& name,
                                                   const VideoSettings& settings,
                                                   const DeviceRegistry* registry)
{
    return std::make_unique<TestPatternSource>(name, settings, registry);
}

} // namespace zelvan::capture
