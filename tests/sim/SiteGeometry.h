#pragma once
// Test-side geometry, written independently of the site's own camera code: a homography
// solved from four picture/water pairs, and the station's field-of-view and width measures.
#include <QJsonArray>
#include <QJsonObject>
#include <QPointF>

#include <array>
#include <cmath>
#include <optional>

namespace zelvan::test
{

inline QPointF pointOf(const QJsonValue& v)
{
    const QJsonArray a = v.toArray();
    return {a.at(0).toDouble(), a.at(1).toDouble()};
}

// Picture twips -> water meters: X = (c1 + c2 sx + c3 sy) / d, Y = (c6 + c7 sx + c8 sy) / d,
// d = 1 + c4 sx + c5 sy. Solved by Gaussian elimination with partial pivoting.
struct Homography {
    std::array<double, 9> c{}; // c[1]..c[8]

    static std::optional<Homography> solve(const std::array<QPointF, 4>& screen,
                                           const std::array<QPointF, 4>& water)
    {
        double m[8][9] = {};
        for (int k = 0; k < 4; ++k) {
            const double sx = screen[k].x(), sy = screen[k].y();
            const double X = water[k].x(), Y = water[k].y();
            double* rx = m[k];
            rx[0] = 1, rx[1] = sx, rx[2] = sy, rx[3] = -sx * X, rx[4] = -sy * X, rx[8] = X;
            double* ry = m[k + 4];
            ry[3] = -sx * Y, ry[4] = -sy * Y, ry[5] = 1, ry[6] = sx, ry[7] = sy, ry[8] = Y;
        }
        for (int col = 0; col < 8; ++col) {
            int best = col;
            for (int r = col + 1; r < 8; ++r)
                if (std::fabs(m[r][col]) > std::fabs(m[best][col]))
                    best = r;
            if (std::fabs(m[best][col]) < 1e-300)
                return std::nullopt;
            for (int j = 0; j < 9; ++j)
                std::swap(m[col][j], m[best][j]);
            for (int r = 0; r < 8; ++r) {
                if (r == col)
                    continue;
                const double f = m[r][col] / m[col][col];
                for (int j = col; j < 9; ++j)
                    m[r][j] -= f * m[col][j];
            }
        }
        Homography h;
        for (int i = 0; i < 8; ++i)
            h.c[i + 1] = m[i][8] / m[i][i];
        return h;
    }

    QPointF toWater(QPointF s) const
    {
        const double d = 1 + c[4] * s.x() + c[5] * s.y();
        return {(c[1] + c[2] * s.x() + c[3] * s.y()) / d, (c[6] + c[7] * s.x() + c[8] * s.y()) / d};
    }
};

struct SetupMeasures {
    double fieldOfView = 0; // degrees, unrounded
    double screenWidth = 0; // percent of the picture width
    double front = 0;
    double back = 0;
};

// The station's measures of a set-up: the water direction of a short vertical screen line
// (45 twips upwards) at the outermost buoy on each side, and the horizontal shares.
constexpr double kDegreesPerRadian = 57.295779513082320876798;

inline SetupMeasures measure(const QJsonObject& site, const Homography& h)
{
    const QPointF ul = pointOf(site["upperLeft"].toObject()["screen"]);
    const QPointF ll = pointOf(site["lowerLeft"].toObject()["screen"]);
    const QPointF ur = pointOf(site["upperRight"].toObject()["screen"]);
    const QPointF lr = pointOf(site["lowerRight"].toObject()["screen"]);
    const double width = site["pictureWidthTwips"].toDouble();
    const QPointF left = ul.x() <= ll.x() ? ul : ll;
    const QPointF right = ur.x() >= lr.x() ? ur : lr;
    auto angle = [&](QPointF at) {
        const QPointF w1 = h.toWater(at);
        const QPointF w2 = h.toWater(at - QPointF(0, 45));
        return std::atan((w2.x() - w1.x()) / (w2.y() - w1.y())) * kDegreesPerRadian;
    };
    SetupMeasures m;
    m.fieldOfView = std::fabs(angle(right) - angle(left));
    m.screenWidth = std::fabs(left.x() - right.x()) * 100 / width;
    m.front = std::fabs(lr.x() - ll.x()) * 100 / width;
    m.back = std::fabs(ur.x() - ul.x()) * 100 / width;
    return m;
}

inline std::optional<Homography> homographyOfSite(const QJsonObject& site)
{
    std::array<QPointF, 4> screen, water;
    const char* names[4] = {"upperRight", "lowerRight", "upperLeft", "lowerLeft"};
    for (int k = 0; k < 4; ++k) {
        const QJsonObject b = site[names[k]].toObject();
        screen[k] = pointOf(b["screen"]);
        water[k] = pointOf(b["survey"]);
    }
    return Homography::solve(screen, water);
}

} // namespace zelvan::test
