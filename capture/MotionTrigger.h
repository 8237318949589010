#pragma once
// Starts a pass on motion: the picture inside a zone (where the skier leaves the ramp) is
// compared with a running background of the same zone, and the first picture in which enough
// of the zone changed fires, once per arming.
//
// The zone is cut into cells (at most kTriggerGrid x kTriggerGrid); each cell's mean
// brightness has a running background and a running noise estimate of its own, so a cell on
// restless water needs a bigger change than a cell on the still ramp. A change of light over
// the whole zone (a cloud, the sun) moves every cell by the same factor: that common factor is
// taken out before cells are compared. The change of a picture is the share of cells that
// moved by more than their noise allows. Only a sample of each cell's pixels is read, so a
// picture costs a few tens of microseconds whatever its size.
#include <QImage>
#include <QRect>
#include <QtGlobal>
#include <cstdint>
#include <vector>

namespace zelvan::capture
{

inline constexpr int kTriggerGrid = 24;
inline constexpr double kDefaultTriggerThreshold = 0.01; // share of the zone's cells

// One picture's brightness: `step` bytes from one pixel to the next along a line (1 for a
// planar Y plane, 2 for packed YUYV), `stride` bytes from one line to the next.
struct LumaPlane {
    const std::uint8_t* data = nullptr;
    int stride = 0;
    int step = 1;
    QSize size;
};

class MotionTrigger
{
public:
    enum class State { Disarmed, Armed, Triggered };

    // zone in picture pixels; threshold a share of the zone's cells, above 0 and at most 1.
    MotionTrigger(QRect zone, double threshold = kDefaultTriggerThreshold);

    QRect zone() const { return area; }
    double threshold() const { return limit; }
    // A new zone learns its background again.
    void setZone(QRect zone);
    void setThreshold(double threshold) { limit = threshold; }

    // Arming waits for the background to be learnt (a few pictures) before it can fire.
    void arm();
    void disarm();
    State state() const { return current; }

    // Feeds the next picture; true only for the picture that fires. Cheap enough for the
    // capture thread at 1080p60.
    bool feed(const LumaPlane& plane);
    bool feed(const QImage& picture); // any format; luma from the pixels' colours

    double change() const { return lastChange; } // share of cells changed in the last picture
    qint64 picturesSeen() const { return seen; }

private:
    struct Cell {
        float background = 0;
        float noise = 0; // running mean of the squared difference from the background
    };
    template <class Luma> bool feedCells(QSize size, Luma luma);
    void layOut(QSize picture);
    bool judge();

    QRect area;
    double limit;
    State current = State::Disarmed;
    QSize laidOutFor;
    QRect clipped;
    int columns = 0, rows = 0;
    int sampleStep = 1;
    std::vector<Cell> cells;
    std::vector<float> means;
    std::vector<float> ratios;
    qint64 seen = 0;
    qint64 learnt = 0; // pictures the background has taken in
    int above = 0;     // consecutive pictures over the threshold
    double lastChange = 0;
};

} // namespace zelvan::capture
