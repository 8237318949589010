#pragma once
// A level-horizon pinhole camera standing on the shore and looking down at the water plane
// (Z = 0) of the survey frame. Picture coordinates are pixels with pixel centres on whole
// numbers: pixel (i, j) covers [i - 0.5, i + 0.5) x [j - 0.5, j + 0.5), so the station's twips
// of a picked pixel (15 per pixel) and of a projected point agree.
#include "base/Numbers.h"

#include <QPointF>
#include <QSize>

namespace zelvan::sim
{

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

class PinholeCamera
{
public:
    PinholeCamera() = default;
    // position (X, Y) and height in meters; target is a point on the water the optical axis
    // passes through; focal length in pixels of pictureSize; no roll.
    PinholeCamera(QPointF position, double height, QPointF target, double focalLength,
                  QSize pictureSize);

    QPointF position() const { return pos; }
    double height() const { return h; }
    QPointF target() const { return tgt; }
    double focalLength() const { return f; }
    QSize pictureSize() const { return size; }
    QPointF principalPoint() const;

    // Survey point (meters) to picture pixel; false when the point is behind the camera.
    bool project(const Vec3& p, QPointF* pixel) const;
    // Picture pixel to the water point seen there; false when the ray does not reach the water
    // (sky and horizon).
    bool waterAt(QPointF pixel, QPointF* water) const;
    // Direction (not normalised) of the ray through a picture pixel, in the survey frame.
    Vec3 rayAt(QPointF pixel) const;
    // Distance along the optical axis of a survey point (meters); used for sizes on screen.
    double depth(const Vec3& p) const;

    // Water point to picture twips and back (plain conveniences over project / waterAt).
    QPointF waterToTwips(QPointF water) const;
    QPointF twipsToWater(QPointF twips) const;

private:
    QPointF pos;
    double h = 0;
    QPointF tgt;
    double f = 1;
    QSize size;
    Vec3 right, down, forward; // camera axes in the survey frame
};

} // namespace zelvan::sim
