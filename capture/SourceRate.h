#pragma once
// The rate a source really delivers, measured from its pictures' time stamps. A camera may
// serve fewer pictures than asked (low light, a busy network camera, a driver that rounds);
// recording it at the asked rate would invent repeated pictures and count them as dropped.
#include <QString>
#include <QtGlobal>

namespace zelvan::capture
{

class DeliveredRate
{
public:
    // Takes the next picture's time stamp (microseconds); gives the measured rate once one and
    // a half seconds of pictures have been seen, and 0 before.
    double add(qint64 timeMicros);
    void reset() { *this = DeliveredRate(); }

private:
    qint64 first = -1;
    int count = 0;
};

// A measured rate as the nearest usual rate within 6 % (29.97, 25, 10, ...), else to 0.1.
double usualRate(double measured);
// True when the source delivers clearly fewer pictures than asked.
bool deliversSlower(double delivered, double asked);
// "Front Pole delivers 10 frames per second, not the 30 asked for: it is recorded at 10"
QString slowDeliveryText(const QString& device, double delivered, double asked);

} // namespace zelvan::capture
