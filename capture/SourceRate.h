#pragma once
// The rate a source really delivers, measured from its pictures' time stamps. A camera may
// serve fewer pictures than asked (low light, a busy network camera, a driver that rounds);
// recording it at the asked rate would invent repeated pictures and count them as dropped.
#include <QString>
#include <QtGlobal>
#include <deque>

namespace zelvan::capture
{

class DeliveredRate
{
public:
    // Takes the next picture's time stamp (microseconds); gives the rate over the last two
    // seconds of pictures once one and a half seconds have been seen, and 0 before.
    double add(qint64 timeMicros);
    void reset() { *this = DeliveredRate(); }

private:
    std::deque<qint64> times; // of the pictures in the window
    int count = 0;
    bool full = false;
};

// Watches the delivered rate all the time: light falling in the evening lengthens a camera's
// exposure, a network link gets slow. Gives the usual rate the source delivers when it is first
// measured, then again only when it changed materially (by more than a tenth) and kept the new
// value for two seconds, so a rate that drifts while it changes, or jitters, is told once.
class RateWatch
{
public:
    double add(qint64 timeMicros); // the new rate, or 0 when nothing changed
    void reset() { *this = RateWatch(); }

private:
    DeliveredRate meter;
    double reported = 0;
    double candidate = 0;
    qint64 candidateSince = -1;
};

// A measured rate as the nearest usual rate within 6 % (29.97, 25, 10, ...), else to 0.1.
double usualRate(double measured);
// True when the source delivers clearly fewer pictures than asked.
bool deliversSlower(double delivered, double asked);
// "Front Pole delivers the 30 frames per second asked for again"
QString fullDeliveryText(const QString& device, double asked);
// "Front Pole delivers 10 frames per second, not the 30 asked for: it is recorded at 10"
QString slowDeliveryText(const QString& device, double delivered, double asked);

} // namespace zelvan::capture
