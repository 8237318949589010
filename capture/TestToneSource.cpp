// The "Test Tone" device: a 1 kHz tone in blocks of 20 ms at absolute deadlines.
#include "capture/PcmConversion.h"
#include "capture/SourceKinds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zelvan::capture
{

namespace
{

constexpr double kTwoPi = 6.283185307179586;

class TestToneSource : public AudioSource
{
public:
    TestToneSource(QString name, AudioSettings settings, const DeviceRegistry* registry)
        : name(std::move(name)), settings(settings), registry(registry)
    {
    }
    ~TestToneSource() override { stop(); }

protected:
    Status open() override { return {}; }
    void run() override;

private:
    // Fills `samples` (every channel the same) with the next stretch of the tone.
    void synthesize(std::vector<int16_t>& samples, int frames);

    QString name;
    AudioSettings settings;
    const DeviceRegistry* registry;
    double phase = 0;
};

void TestToneSource::synthesize(std::vector<int16_t>& samples, int frames)
{
    const double step = kTwoPi * 1000.0 / settings.sampleRate;
    const auto channels = size_t(settings.channels);
    for (size_t i = 0; i < size_t(frames); ++i) {
        const auto v = int16_t(std::lround(9000 * std::sin(phase)));
        phase = std::fmod(phase + step, kTwoPi);
        for (size_t c = 0; c < channels; ++c)
            samples[i * channels + c] = v;
    }
}

void TestToneSource::run()
{
    const int block = std::max(1, settings.sampleRate / 50);
    std::vector<int16_t> samples(size_t(block) * size_t(settings.channels));
    const qint64 start = steadyMicros();
    qint64 produced = 0;
    phase = 0;
    while (!stopping()) {
        const qint64 due = start + produced * 1000000 / settings.sampleRate;
        if (!waitUntil(due))
            return;
        if (registry && !registry->isPresent(name)) {
            ended(name + QStringLiteral(" was removed"));
            return;
        }
        synthesize(samples, block);
        if (onSamples)
            onSamples(pcmInFormat(samples.data(), int(samples.size()), settings.bitsPerSample),
                      block, due);
        produced += block;
    }
}

} // namespace

std::unique_ptr<AudioSource> makeTestToneSource(const QString& name, const AudioSettings& settings,
                                                const DeviceRegistry* registry)
{
    return std::make_unique<TestToneSource>(name, settings, registry);
}

} // namespace zelvan::capture
