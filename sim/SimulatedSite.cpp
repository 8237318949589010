#include "sim/SimulatedSite.h"

#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <random>

namespace zelvan::sim
{

namespace
{

constexpr double kGravity = 9.81;
constexpr double kFrontShare = 0.85; // near buoys span this share of the picture width
constexpr double kPassSeconds = 4.0;
constexpr double kBuoyRadius = 0.3; // meters

// std::uniform_*_distribution differs between standard libraries; mt19937's raw output does
// not, so the site is built from it directly.
class Random
{
public:
    explicit Random(quint32 seed) : gen(seed) {}
    double uniform(double lo, double hi)
    {
        const double u = double(gen() >> 5) / double(1u << 27);
        return lo + (hi - lo) * u;
    }

private:
    std::mt19937 gen;
};

quint32 hash3(qint32 x, qint32 y, quint32 seed)
{
    quint32 h = seed * 0x9E3779B9u;
    h ^= quint32(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 13)) * 0xC2B2AE35u;
    h ^= quint32(y) * 0x27D4EB2Fu;
    h = (h ^ (h >> 15)) * 0x165667B1u;
    return h ^ (h >> 16);
}

double lattice(qint32 x, qint32 y, quint32 seed)
{
    return double(hash3(x, y, seed) & 0xFFFFFF) / double(0x1000000);
}

// Smooth value noise in [0, 1) over the plane, one lattice cell per unit.
double valueNoise(double x, double y, quint32 seed)
{
    // Far beyond any lattice an int holds: a flat value instead of an overflow.
    if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9))
        return 0.5;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = qint32(fx);
    const auto iy = qint32(fy);
    double tx = x - fx;
    double ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = lattice(ix, iy, seed);
    const double b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed);
    const double d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

QJsonArray pair(QPointF p)
{
    return QJsonArray{p.x(), p.y()};
}

int clampByte(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

// The survey frame: jump point at the origin, the skier flies along +X, the far side of the
// landing area is +Y. Corners move a little with the seed so that every seed is a different
// set-up, never enough to break the station's set-up limits.
void placeSurveyPoints(Random& rnd, QPointF* points)
{
    points[int(SitePoint::Jump)] = {0, 0};
    points[int(SitePoint::UpperLeft)] = {rnd.uniform(24, 26), rnd.uniform(9.5, 10.5)};
    points[int(SitePoint::LowerLeft)] = {rnd.uniform(24, 26), rnd.uniform(-8.5, -7.5)};
    points[int(SitePoint::UpperRight)] = {rnd.uniform(69, 71), rnd.uniform(9.5, 10.5)};
    points[int(SitePoint::LowerRight)] = {rnd.uniform(69, 71), rnd.uniform(-8.5, -7.5)};
    points[int(SitePoint::Check)] = {rnd.uniform(42, 52), rnd.uniform(2, 6)};
    // The skier never lands on the check buoy: the splash would hide it.
    const QPointF check = points[int(SitePoint::Check)];
    QPointF land;
    do {
        land = QPointF(rnd.uniform(35, 60), rnd.uniform(-3, 3));
    } while (std::hypot(land.x() - check.x(), land.y() - check.y()) < 5);
    points[int(SitePoint::Landing)] = land;
}

PinholeCamera aimCamera(Random& rnd, const QPointF* points, QSize size)
{
    // Camera on a shore tower well back from the lane, so the grid's field of view stays far
    // below the station's limits; aimed at the middle of the landing area.
    const QPointF ll = points[int(SitePoint::LowerLeft)];
    const QPointF lr = points[int(SitePoint::LowerRight)];
    const double midX = (ll.x() + lr.x()) / 2;
    const double midY = (points[int(SitePoint::UpperLeft)].y() + ll.y()) / 2;
    const QPointF position(midX + rnd.uniform(-2, 2), rnd.uniform(-118, -110));
    const double height = rnd.uniform(28, 32);
    QPointF target(midX, midY);

    // Centre the near buoys on the picture by turning the camera, then pick the focal length
    // that makes them span the wanted share of the width. Projection at f = 1 is linear in f.
    auto normalised = [&](QPointF target, QPointF water) {
        const PinholeCamera unitCam(position, height, target, 1.0, QSize(1, 1));
        QPointF px;
        unitCam.project(Vec3{water.x(), water.y(), 0}, &px);
        return px;
    };
    for (int i = 0; i < 20; ++i) {
        const double mid = (normalised(target, ll).x() + normalised(target, lr).x()) / 2;
        const double along = std::hypot(target.x() - position.x(), target.y() - position.y());
        target.setX(target.x() + mid * along);
    }
    const double span = normalised(target, lr).x() - normalised(target, ll).x();
    const double focal = kFrontShare * size.width() / span;
    return PinholeCamera(position, height, target, focal, size);
}

} // namespace

SiteOptions skierFreeSite(quint32 seed, QSize pictureSize, double frameRate)
{
    SiteOptions o;
    o.seed = seed;
    o.pictureSize = pictureSize;
    o.frameRate = frameRate;
    o.skier = false;
    o.movingWater = true;
    return o;
}

SimulatedSite::SimulatedSite(const SiteOptions& options) : opts(options)
{
    // A size or rate no camera delivers gets the default site rather than a broken one.
    if (opts.pictureSize.width() < 16 || opts.pictureSize.height() < 16 ||
        opts.pictureSize.width() > 8192 || opts.pictureSize.height() > 8192)
        opts.pictureSize = QSize(640, 480);
    if (!(opts.frameRate >= 1 && opts.frameRate <= 240))
        opts.frameRate = 30;
    buildScene();
    renderBackground();
}

void SimulatedSite::buildScene()
{
    Random rnd(opts.seed);
    placeSurveyPoints(rnd, points);
    cam = aimCamera(rnd, points, opts.pictureSize);
    snapPointsToPixels();

    // The pass: the skier lands in a known frame, at a speed that puts take-off on the ramp.
    const double fps = opts.frameRate;
    frames = int(std::lround(kPassSeconds * fps));
    const double landingSeconds = rnd.uniform(2.4, 2.8);
    landing = int(std::lround(landingSeconds * fps));
    const double speed = rnd.uniform(22, 26); // m/s along the flight
    flightSeconds = trueDistance() / speed;
    launchHeight = 1.65; // ramp lip above the water
    launchVz = (kGravity * flightSeconds * flightSeconds / 2 - launchHeight) / flightSeconds;
    runOutSpeed = speed * 0.7;
}

void SimulatedSite::snapPointsToPixels()
{
    // Move every surveyed point (by half a pixel's footprint, a few decimeters at most) to
    // where a whole picture pixel sees the water, so an operator's pick on the pixel is exact
    // and neither the set-up nor the measured landing carries a rounding of the picking. The
    // survey values are then given to the millimetre, as a surveyor's file gives them; the
    // millimetre moves the point by a small fraction of a pixel.
    auto toMillimetre = [](double v) { return std::round(v * 1000) / 1000; };
    for (SitePoint p : {SitePoint::UpperRight, SitePoint::LowerRight, SitePoint::UpperLeft,
                        SitePoint::LowerLeft, SitePoint::Check, SitePoint::Landing}) {
        QPointF px, water;
        const QPointF w = points[int(p)];
        if (!cam.project(Vec3{w.x(), w.y(), 0}, &px))
            continue;
        const QPoint pixel(int(std::lround(px.x())), int(std::lround(px.y())));
        if (!cam.waterAt(QPointF(pixel), &water))
            continue;
        points[int(p)] = QPointF(toMillimetre(water.x()), toMillimetre(water.y()));
        pixels[int(p)] = pixel;
        snapped[int(p)] = true;
    }
}

SkierState SimulatedSite::skierAt(int frame) const
{
    SkierState s;
    const QPointF jump = points[int(SitePoint::Jump)];
    const QPointF land = points[int(SitePoint::Landing)];
    const double t = (frame - landing) / opts.frameRate; // seconds after touch-down
    if (frame == landing) {
        s.feet = Vec3{land.x(), land.y(), 0};
    } else if (t < 0) {
        const double flown = flightSeconds + t; // seconds since take-off
        const double share = flown / flightSeconds;
        s.feet.x = jump.x() + (land.x() - jump.x()) * share;
        s.feet.y = jump.y() + (land.y() - jump.y()) * share;
        s.feet.z = flown >= 0 ? launchHeight + launchVz * flown - kGravity * flown * flown / 2
                              : launchHeight * std::max(0.0, 1 + flown / 0.27);
        s.airborne = flown >= 0;
    } else {
        // Skiing away after the landing, slowing down.
        const double dist = runOutSpeed * t - 1.5 * t * t;
        const double len = std::hypot(land.x() - jump.x(), land.y() - jump.y());
        s.feet.x = land.x() + (land.x() - jump.x()) / len * dist;
        s.feet.y = land.y() + (land.y() - jump.y()) / len * dist;
    }
    QPointF px;
    s.visible = cam.project(s.feet, &px);
    return s;
}

QRgb SimulatedSite::beyondShorePixel(int i, int j, double farShoreY) const
{
    // A tree line against the sky.
    const quint32 seed = opts.seed;
    const Vec3 ray = cam.rayAt(QPointF(i, j));
    const QPointF c = cam.position();
    const double t = ray.y > 1e-9 ? (farShoreY - c.y()) / ray.y : -1;
    const double x = c.x() + t * ray.x;
    const double z = cam.height() + t * ray.z;
    const double trees =
        9 + 7 * valueNoise(x * 0.08, 0.5, seed + 7) + 3 * valueNoise(x * 0.4, 1.5, seed + 8);
    if (t > 0 && z < trees) {
        const double n = valueNoise(x * 1.5, z * 1.5, seed + 9);
        const double g = z < 1.2 ? 95 : 55 + 50 * n;
        return qRgb(clampByte(g * 0.5), clampByte(g), clampByte(g * 0.4));
    }
    const double k = double(j) / opts.pictureSize.height();
    return qRgb(clampByte(120 + 70 * k), clampByte(165 + 50 * k), 235);
}

QRgb SimulatedSite::waterPixel(QPointF water, double footprint) const
{
    // Long swells across the lane plus chop, in survey meters so the texture shrinks with
    // distance like the real surface.
    const quint32 seed = opts.seed;
    double n = 0;
    double amp = 0.5;
    double freq = 0.25;
    double total = 0;
    for (int o = 0; o < 4; ++o) {
        const double wavelength = 1.0 / freq;
        const double weight = std::clamp((wavelength / footprint - 2.0) / 2.0, 0.0, 1.0);
        n += amp * weight * valueNoise(water.x() * freq, water.y() * freq * 1.6, seed + o);
        total += amp * weight;
        amp *= 0.5;
        freq *= 2.1;
    }
    n = total > 0 ? n / total : 0.5;
    const double swell =
        0.5 + 0.5 * std::sin(water.y() * 1.3 + water.x() * 0.2 +
                             6 * valueNoise(water.x() * 0.05, water.y() * 0.05, seed + 11));
    const double v = 0.75 * n + 0.25 * swell;
    return qRgb(clampByte(25 + 40 * v), clampByte(70 + 55 * v), clampByte(95 + 60 * v));
}

SimulatedSite::Swell SimulatedSite::swellAt(QPointF water, double footprint) const
{
    // The same long swell the still water shows, so that it travels instead of appearing; it
    // fades where one wave is too few pixels to be seen.
    constexpr double kSwellWavelength = 2 * 3.14159265358979 / 1.3;
    Swell s;
    s.phase = float(water.y() * 1.3 + water.x() * 0.2 +
                    6 * valueNoise(water.x() * 0.05, water.y() * 0.05, opts.seed + 11));
    s.weight = float(std::clamp((kSwellWavelength / footprint - 2.0) / 2.0, 0.0, 1.0));
    return s;
}

// Moving water for the picture at `index`: the swell travels across the lane, the light of the
// whole picture breathes and cloud shadows drift over it. A function of the index alone, so
// the same index always gives the same picture; `img` is the part of the picture at `origin`.
void SimulatedSite::moveWater(QImage& img, QPoint origin, qint64 index) const
{
    constexpr double kTwoPi = 2 * 3.14159265358979;
    constexpr int kTable = 4096;
    static const std::vector<float> sine = [] {
        std::vector<float> t(kTable);
        for (int k = 0; k < kTable; ++k)
            t[size_t(k)] = float(std::sin(kTwoPi * k / kTable));
        return t;
    }();
    const double t = double(index) / opts.frameRate;
    const double gain = 1 + 0.06 * std::sin(kTwoPi * t / 9) + 0.03 * std::sin(kTwoPi * t / 3.7 + 1);
    const double travel = kTwoPi * 0.5 * t; // the swell's phase moves at half a wave a second
    const int w = opts.pictureSize.width();
    const int h = opts.pictureSize.height();
    constexpr int kBlock = 8; // cloud shadows change slowly: worked out once per 8 x 8 pixels
    std::vector<float> shade(size_t(w / kBlock + 1));
    const int firstBlock = origin.x() / kBlock;
    const int lastBlock = (origin.x() + img.width() - 1) / kBlock;
    for (int j = 0; j < img.height(); ++j) {
        const int y = origin.y() + j;
        if (j == 0 || y % kBlock == 0) {
            for (int b = firstBlock; b <= lastBlock; ++b) {
                const double n = valueNoise(4.0 * b * kBlock / w + 0.08 * t,
                                            3.0 * (y / kBlock * kBlock) / h, opts.seed + 21);
                shade[size_t(b)] = float(gain * (1 - 0.14 * std::clamp(n * 2 - 0.6, 0.0, 1.0)));
            }
        }
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(j));
        const Swell* row = swell.data() + size_t(y) * size_t(w) + size_t(origin.x());
        for (int i = 0; i < img.width(); ++i) {
            const float k = shade[size_t((origin.x() + i) / kBlock)];
            const float phase = float(row[i].phase - travel) * float(kTable / kTwoPi);
            const float lift =
                9.0f * row[i].weight * sine[size_t(qint64(std::floor(phase)) & (kTable - 1))];
            const QRgb c = line[i];
            line[i] = qRgb(clampByte(qRed(c) * k + lift), clampByte(qGreen(c) * k + lift),
                           clampByte(qBlue(c) * k + lift));
        }
    }
}

void SimulatedSite::renderBackground()
{
    const int w = opts.pictureSize.width();
    const int h = opts.pictureSize.height();
    background = QImage(opts.pictureSize, QImage::Format_RGB32);
    if (opts.movingWater)
        swell.assign(size_t(w) * size_t(h), Swell{});
    const double farShoreY =
        std::max(points[int(SitePoint::UpperLeft)].y(), points[int(SitePoint::UpperRight)].y()) +
        160;

    for (int j = 0; j < h; ++j) {
        auto* line = reinterpret_cast<QRgb*>(background.scanLine(j));
        // Size of one pixel on the water, across and along the view, to fade out texture
        // finer than a pixel (keeps the far water from shimmering between frames of a pan).
        QPointF a, b;
        const bool rowWater =
            cam.waterAt(QPointF(w / 2.0, j), &a) && cam.waterAt(QPointF(w / 2.0, j + 1), &b);
        const double footprint = rowWater ? std::hypot(a.x() - b.x(), a.y() - b.y()) : 1e9;
        for (int i = 0; i < w; ++i) {
            QPointF water;
            const bool onWater = cam.waterAt(QPointF(i, j), &water) && water.y() <= farShoreY;
            line[i] = onWater ? waterPixel(water, footprint) : beyondShorePixel(i, j, farShoreY);
            if (onWater && opts.movingWater)
                swell[size_t(j) * size_t(w) + size_t(i)] = swellAt(water, footprint);
        }
    }

    QPainter p(&background);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.5, 0.5); // pixel centres on whole numbers
    drawRamp(p);
    for (SitePoint b : {SitePoint::UpperLeft, SitePoint::UpperRight, SitePoint::LowerLeft,
                        SitePoint::LowerRight, SitePoint::Check})
        drawBuoy(p, b);
}

double SimulatedSite::pixelsPerMeter(const Vec3& at) const
{
    const double d = cam.depth(at);
    return d > 1e-6 ? cam.focalLength() / d : 0;
}

void SimulatedSite::drawRamp(QPainter& p) const
{
    // Ramp surface from the water up to its lip at the jump point, 4.3 m wide.
    const QPointF j = points[int(SitePoint::Jump)];
    const Vec3 corners[4] = {{j.x() - 6.4, j.y() - 2.15, 0},
                             {j.x(), j.y() - 2.15, launchHeight},
                             {j.x(), j.y() + 2.15, launchHeight},
                             {j.x() - 6.4, j.y() + 2.15, 0}};
    QPolygonF poly;
    for (const Vec3& c : corners) {
        QPointF px;
        if (!cam.project(c, &px))
            return;
        poly << px;
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(235, 235, 225));
    p.drawPolygon(poly);
}

void SimulatedSite::drawBuoy(QPainter& p, SitePoint which) const
{
    // The sphere is centred on the surveyed point so that the middle of the buoy is the point
    // the operator picks.
    const QPointF w = points[int(which)];
    const Vec3 at{w.x(), w.y(), 0};
    QPointF c;
    if (!cam.project(at, &c))
        return;
    const double r = std::max(2.5, kBuoyRadius * pixelsPerMeter(at));
    const QColor base = which == SitePoint::Check ? QColor(250, 215, 20) : QColor(255, 110, 0);
    QRadialGradient g(c - QPointF(r * 0.35, r * 0.35), r * 1.3);
    g.setColorAt(0, base.lighter(160));
    g.setColorAt(0.6, base);
    g.setColorAt(1, base.darker(160));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

// The skier's drawing in picture pixels, worked out once for drawing and for its bounds.
struct SimulatedSite::Figure {
    bool drawn = false;
    QPointF skis[2][2];
    QPointF feet[2];
    QPointF hip, neck, hands, head;
    double skiPen = 1.5, width = 1.5, headRadius = 1.5;
    bool shadow = false;
    QPointF shadowCentre;
    double shadowRx = 0, shadowRy = 0;

    QRectF bounds() const
    {
        if (!drawn)
            return {};
        QRectF r(skis[0][0], skis[0][0]);
        auto add = [&r](QPointF p, double pad) {
            r = r.united(QRectF(p.x() - pad, p.y() - pad, 2 * pad, 2 * pad));
        };
        for (const auto& ski : skis)
            for (QPointF p : ski)
                add(p, skiPen / 2);
        for (QPointF p : {feet[0], feet[1], hip, neck, hands})
            add(p, width * 0.7);
        add(head, headRadius);
        if (shadow)
            r = r.united(QRectF(shadowCentre.x() - shadowRx, shadowCentre.y() - shadowRy,
                                2 * shadowRx, 2 * shadowRy));
        return r;
    }
};

SimulatedSite::Figure SimulatedSite::figureAt(int frame) const
{
    Figure fig;
    if (!opts.skier || frame < 0 || frame >= frames)
        return fig;
    const SkierState s = skierAt(frame);
    const Vec3& f = s.feet;
    const QPointF jump = points[int(SitePoint::Jump)];
    const QPointF land = points[int(SitePoint::Landing)];
    const double len = std::hypot(land.x() - jump.x(), land.y() - jump.y());
    const double ux = (land.x() - jump.x()) / len;
    const double uy = (land.y() - jump.y()) / len;
    const double scale = pixelsPerMeter(f);
    if (!s.visible || scale <= 0)
        return fig;
    fig.drawn = true;

    auto px = [&](double along, double across, double up) {
        QPointF out;
        cam.project(Vec3{f.x + ux * along - uy * across, f.y + uy * along + ux * across, f.z + up},
                    &out);
        return out;
    };

    // Shadow straight below on the water.
    fig.shadow = s.airborne && f.z > 0.05 && cam.project(Vec3{f.x, f.y, 0}, &fig.shadowCentre);
    fig.shadowRx = 0.9 * scale;
    fig.shadowRy = 0.25 * scale;

    // Skis tip up in the air, flat on the water.
    const double tip = s.airborne ? 0.35 : 0.0;
    fig.width = std::max(1.5, 0.12 * scale);
    fig.skiPen = std::max(1.5, 0.08 * scale);
    fig.skis[0][0] = px(-0.6, -0.15, 0);
    fig.skis[0][1] = px(1.1, -0.15, tip);
    fig.skis[1][0] = px(-0.6, 0.15, 0);
    fig.skis[1][1] = px(1.1, 0.15, tip);

    // Body leaning forward in the air, crouched on landing.
    const double crouch = (!s.airborne && frame >= landing && frame < landing + 4) ? 0.25 : 0.0;
    const double lean = s.airborne ? 0.35 : 0.15;
    fig.feet[0] = px(0, -0.15, 0.05);
    fig.feet[1] = px(0, 0.15, 0.05);
    fig.hip = px(0.1 + lean * 0.3, 0, 0.9 - crouch);
    fig.neck = px(0.1 + lean, 0, 1.5 - crouch);
    fig.hands = px(0.55 + lean, 0, 1.05 - crouch);
    fig.head = px(0.15 + lean, 0, 1.72 - crouch);
    fig.headRadius = std::max(1.5, 0.13 * scale);
    return fig;
}

void SimulatedSite::drawSkier(QPainter& p, const Figure& fig) const
{
    if (fig.shadow) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 30, 45, 140));
        p.drawEllipse(fig.shadowCentre, fig.shadowRx, fig.shadowRy);
    }
    p.setPen(QPen(QColor(230, 200, 30), fig.skiPen, Qt::SolidLine, Qt::RoundCap));
    for (const auto& ski : fig.skis)
        p.drawLine(ski[0], ski[1]);
    p.setPen(QPen(QColor(20, 20, 30), fig.width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(fig.feet[0], fig.hip);
    p.drawLine(fig.feet[1], fig.hip);
    p.setPen(QPen(QColor(200, 30, 30), fig.width * 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(fig.hip, fig.neck);
    p.setPen(QPen(QColor(20, 20, 30), fig.width * 0.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(fig.neck, fig.hands);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 160));
    p.drawEllipse(fig.head, fig.headRadius, fig.headRadius);
}

QRectF SimulatedSite::skierBounds(int frame) const
{
    // The painter draws with pixel centres on whole numbers, as the bounds are given.
    return figureAt(frame).bounds();
}

int SimulatedSite::skierEntryFrame(const QRectF& zone) const
{
    for (int n = 0; n < frames; ++n) {
        if (skierBounds(n).intersects(zone))
            return n;
    }
    return -1;
}

void SimulatedSite::drawSplash(QPainter& p, int frame) const
{
    const int k = frame - landing; // frames since touch-down, 1..
    if (k <= 0)
        return;
    const QPointF land = points[int(SitePoint::Landing)];
    const Vec3 at{land.x(), land.y(), 0};
    QPointF c;
    if (!cam.project(at, &c))
        return;
    const double scale = pixelsPerMeter(at);
    const double t = k / opts.frameRate;
    // Spray grows fast over the first half second, then settles into a foam patch.
    const double radius = (0.5 + 1.6 * std::min(1.0, std::sqrt(t / 0.5))) * scale;
    const double rise = std::min(1.0, t / 0.3) * (1.0 - std::min(1.0, t / 1.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 248, 250));
    p.drawEllipse(c, radius, radius * 0.45);
    // Droplets thrown up and outwards, fixed per seed.
    Random rnd(opts.seed ^ 0x5EED5u);
    for (int i = 0; i < 14; ++i) {
        const double ang = rnd.uniform(0, 3.14159265358979);
        const double reach = rnd.uniform(0.4, 1.0);
        const double size = rnd.uniform(0.15, 0.35) * scale;
        const QPointF d(std::cos(ang) * radius * reach * 1.2,
                        -std::sin(ang) * radius * reach * 1.4 * (0.3 + rise));
        p.setBrush(QColor(235, 242, 248, 220));
        p.drawEllipse(c + d, size, size);
    }
}

QImage SimulatedSite::renderSetup() const
{
    return background.copy();
}

QImage SimulatedSite::renderFrame(int n) const
{
    return compose(n, n >= 0 && n < frames ? n : -1, background.rect());
}

QImage SimulatedSite::renderFrameAt(qint64 index) const
{
    return renderRegionAt(index, background.rect());
}

QImage SimulatedSite::renderRegionAt(qint64 index, const QRect& region) const
{
    return compose(index, index >= 0 ? int(index % frames) : -1,
                   region.intersected(background.rect()));
}

QImage SimulatedSite::compose(qint64 waterIndex, int passFrame, const QRect& region) const
{
    QImage img = background.copy(region);
    if (img.isNull())
        return img;
    if (opts.movingWater && waterIndex >= 0)
        moveWater(img, region.topLeft(), waterIndex);
    if (!opts.skier || passFrame < 0)
        return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.5 - region.x(), 0.5 - region.y());
    drawSkier(p, figureAt(passFrame));
    drawSplash(p, passFrame);
    return img;
}

QSize SimulatedSite::frameSize() const
{
    return opts.pictureSize;
}
double SimulatedSite::frameRate() const
{
    return opts.frameRate;
}
int SimulatedSite::frameCount() const
{
    return frames;
}
int SimulatedSite::landingFrame() const
{
    return landing;
}
QPointF SimulatedSite::survey(SitePoint point) const
{
    return points[int(point)];
}

QPointF SimulatedSite::screenTwips(SitePoint point) const
{
    if (snapped[int(point)])
        return QPointF(pixels[int(point)]) * kTwipsPerPixel;
    return cam.waterToTwips(points[int(point)]);
}

double SimulatedSite::trueDistance() const
{
    const QPointF d = survey(SitePoint::Landing) - survey(SitePoint::Jump);
    return std::hypot(d.x(), d.y());
}

QJsonObject SimulatedSite::siteJson() const
{
    QJsonObject o;
    o["seed"] = double(opts.seed);
    o["frameRate"] = opts.frameRate;
    o["frameCount"] = frames;
    o["skier"] = opts.skier;
    o["movingWater"] = opts.movingWater;
    // With these the description is also a set-up for the station's headless "Complete".
    o["grid"] = 1;
    o["numGrids"] = 1;
    o["description"] = QStringLiteral("Simulated Jump Site seed %1").arg(opts.seed);
    o["pictureWidthTwips"] = opts.pictureSize.width() * kTwipsPerPixel;
    o["pictureHeightTwips"] = opts.pictureSize.height() * kTwipsPerPixel;
    QJsonObject camera;
    camera["position"] = pair(cam.position());
    camera["height"] = cam.height();
    camera["target"] = pair(cam.target());
    camera["focalLength"] = cam.focalLength(); // pixels of pictureSize
    camera["pictureSize"] = QJsonArray{opts.pictureSize.width(), opts.pictureSize.height()};
    o["camera"] = camera;
    const std::pair<const char*, SitePoint> named[] = {{"upperRight", SitePoint::UpperRight},
                                                       {"lowerRight", SitePoint::LowerRight},
                                                       {"upperLeft", SitePoint::UpperLeft},
                                                       {"lowerLeft", SitePoint::LowerLeft},
                                                       {"check", SitePoint::Check}};
    for (const auto& [name, point] : named)
        o[name] =
            QJsonObject{{"survey", pair(survey(point))}, {"screen", pair(screenTwips(point))}};
    o["jump"] = pair(survey(SitePoint::Jump));
    o["landing"] = QJsonObject{{"survey", pair(survey(SitePoint::Landing))},
                               {"screen", pair(screenTwips(SitePoint::Landing))},
                               {"frame", landing}};
    o["trueDistance"] = trueDistance();
    return o;
}

} // namespace zelvan::sim
