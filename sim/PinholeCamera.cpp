#include "sim/PinholeCamera.h"

#include <cmath>

namespace zelvan::sim
{

namespace
{

Vec3 sub(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 unit(const Vec3& a)
{
    const double n = std::sqrt(dot(a, a));
    return {a.x / n, a.y / n, a.z / n};
}

} // namespace

PinholeCamera::PinholeCamera(QPointF position, double height, QPointF target, double focalLength,
                             QSize pictureSize)
    : pos(position), h(height), tgt(target), f(focalLength), size(pictureSize)
{
    const Vec3 centre{pos.x(), pos.y(), h};
    forward = unit(sub(Vec3{tgt.x(), tgt.y(), 0}, centre));
    // No roll: the picture's x axis stays level.
    right = unit(cross(forward, Vec3{0, 0, 1}));
    down = cross(forward, right);
}

QPointF PinholeCamera::principalPoint() const
{
    return {(size.width() - 1) / 2.0, (size.height() - 1) / 2.0};
}

bool PinholeCamera::project(const Vec3& p, QPointF* pixel) const
{
    const Vec3 d = sub(p, Vec3{pos.x(), pos.y(), h});
    const double zc = dot(d, forward);
    if (zc <= 1e-9)
        return false;
    const QPointF c = principalPoint();
    *pixel = QPointF(c.x() + f * dot(d, right) / zc, c.y() + f * dot(d, down) / zc);
    return true;
}

Vec3 PinholeCamera::rayAt(QPointF pixel) const
{
    const QPointF c = principalPoint();
    const double a = (pixel.x() - c.x()) / f;
    const double b = (pixel.y() - c.y()) / f;
    return {forward.x + a * right.x + b * down.x, forward.y + a * right.y + b * down.y,
            forward.z + a * right.z + b * down.z};
}

bool PinholeCamera::waterAt(QPointF pixel, QPointF* water) const
{
    const Vec3 dir = rayAt(pixel);
    if (dir.z >= -1e-12)
        return false;
    const double t = -h / dir.z;
    *water = QPointF(pos.x() + t * dir.x, pos.y() + t * dir.y);
    return true;
}

double PinholeCamera::depth(const Vec3& p) const
{
    return dot(sub(p, Vec3{pos.x(), pos.y(), h}), forward);
}

QPointF PinholeCamera::waterToTwips(QPointF water) const
{
    QPointF px;
    if (!project(Vec3{water.x(), water.y(), 0}, &px))
        return {};
    return px * kTwipsPerPixel;
}

QPointF PinholeCamera::twipsToWater(QPointF twips) const
{
    QPointF w;
    if (!waterAt(twips / kTwipsPerPixel, &w))
        return {};
    return w;
}

} // namespace zelvan::sim
