#include "capture/SourceRate.h"

#include <cmath>

namespace zelvan::capture
{

double DeliveredRate::add(qint64 timeMicros)
{
    // The first picture after opening often comes late (exposure, key frame); the measure
    // starts at the second.
    if (count++ == 0)
        return 0;
    if (first < 0) {
        first = timeMicros;
        return 0;
    }
    const qint64 span = timeMicros - first;
    if (span < 1'500'000)
        return 0;
    return double(count - 2) * 1e6 / double(span);
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

QString slowDeliveryText(const QString& device, double delivered, double asked)
{
    return QStringLiteral("%1 delivers %2 frames per second, not the %3 asked for: it is "
                          "recorded at %2")
        .arg(device)
        .arg(delivered)
        .arg(asked);
}

} // namespace zelvan::capture
