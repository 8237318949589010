#include "capture/SourceRate.h"

#include <cmath>

namespace zelvan::capture
{

namespace
{

constexpr qint64 kWindowMicros = 2'000'000;

bool differs(double rate, double from)
{
    return std::abs(rate - from) > 0.1 * from;
}

} // namespace

double DeliveredRate::add(qint64 timeMicros)
{
    // The first picture after opening often comes late (exposure, key frame); the measure
    // starts at the second.
    if (count++ == 0)
        return 0;
    times.push_back(timeMicros);
    while (times.size() > 2 && timeMicros - times[1] >= kWindowMicros)
        times.pop_front();
    const qint64 span = timeMicros - times.front();
    if (!full && span < 1'500'000)
        return 0;
    full = true;
    return span > 0 ? double(times.size() - 1) * 1e6 / double(span) : 0;
}

double RateWatch::add(qint64 timeMicros)
{
    const double measured = meter.add(timeMicros);
    if (measured <= 0)
        return 0;
    const double rate = usualRate(measured);
    if (reported == 0) {
        reported = rate;
        return rate;
    }
    if (!differs(rate, reported)) {
        candidateSince = -1;
        return 0;
    }
    if (candidateSince < 0 || differs(rate, candidate)) {
        candidate = rate;
        candidateSince = timeMicros;
        return 0;
    }
    if (timeMicros - candidateSince < kWindowMicros)
        return 0;
    reported = rate;
    candidateSince = -1;
    return rate;
}

double usualRate(double measured)
{
    static const double usual[] = {5,  7.5, 10,    12.5, 15, 20,    23.976,
                                   24, 25,  29.97, 30,   50, 59.94, 60};
    // Arrival times jitter (a network camera without time stamps): the nearest usual rate
    // within 6 % is what the camera was set up for.
    double nearest = 0;
    for (double r : usual)
        if (std::abs(measured - r) <= 0.06 * r &&
            (nearest == 0 || std::abs(measured - r) < std::abs(measured - nearest)))
            nearest = r;
    return nearest > 0 ? nearest : std::round(measured * 10) / 10;
}

bool deliversSlower(double delivered, double asked)
{
    return delivered > 0 && delivered < 0.9 * asked;
}

QString fullDeliveryText(const QString& device, double asked)
{
    return QStringLiteral("%1 delivers the %2 frames per second asked for again")
        .arg(device)
        .arg(asked);
}

QString slowDeliveryText(const QString& device, double delivered, double asked)
{
    return QStringLiteral("%1 delivers %2 frames per second, not the %3 asked for: it is "
                          "recorded at %2")
        .arg(device)
        .arg(delivered)
        .arg(asked);
}

} // namespace zelvan::capture
