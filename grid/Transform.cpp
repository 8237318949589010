#include "grid/Transform.h"

#include "grid/Rounding.h"

#include <QString>

#include <cmath>
#include <utility>

namespace zelvan::grid
{

namespace
{
constexpr int kUnknowns = 8;
constexpr int kRhs = 9;

bool finite(double v)
{
    return std::isfinite(v);
}
} // namespace

namespace
{

// The augmented system of the four buoys: rows 1..4 give X, rows 5..8 give Y.
void buildSystem(WorkingSet& ws)
{
    auto& a = ws.solveMatrix;
    for (int k = 1; k <= 4; ++k) {
        const double sx = ws.buoyScreenX[k];
        const double sy = ws.buoyScreenY[k];
        const double X = ws.buoySurveyX[k];
        const double Y = ws.buoySurveyY[k];
        auto& rx = a[k];
        rx[1] = 1;
        rx[2] = sx;
        rx[3] = sy;
        rx[4] = -sx * X;
        rx[5] = -sy * X;
        rx[6] = 0;
        rx[7] = 0;
        rx[8] = 0;
        rx[9] = X;
        auto& ry = a[k + 4];
        ry[1] = 0;
        ry[2] = 0;
        ry[3] = 0;
        ry[4] = -sx * Y;
        ry[5] = -sy * Y;
        ry[6] = 1;
        ry[7] = sx;
        ry[8] = sy;
        ry[9] = Y;
    }
}

// Gauss-Jordan elimination with the first non-zero pivot of each column, no scaling. False
// when a column has no pivot.
bool eliminate(std::array<std::array<double, 11>, 11>& a)
{
    for (int k = 1; k <= kUnknowns; ++k) {
        int p = k;
        // Exact zero test on purpose: a tiny pivot is a valid (if poor) set-up.
        while (p <= kUnknowns && a[p][k] == 0)
            ++p;
        if (p > kUnknowns)
            return false;
        for (int j = 1; j <= kRhs; ++j)
            std::swap(a[k][j], a[p][j]);
        const double inverse = 1 / a[k][k];
        for (int j = 1; j <= kRhs; ++j)
            a[k][j] = a[k][j] * inverse;
        for (int i = 1; i <= kUnknowns; ++i) {
            if (i == k)
                continue;
            const double f = -a[i][k];
            for (int j = 1; j <= kRhs; ++j)
                a[i][j] = a[i][j] + f * a[k][j];
        }
    }
    return true;
}

bool finiteSolution(const std::array<std::array<double, 11>, 11>& a)
{
    for (int i = 1; i <= kUnknowns; ++i) {
        if (!finite(a[i][kRhs]))
            return false;
    }
    return true;
}

Failure noConversion(double x, double y)
{
    return fail(QStringLiteral("The point %1, %2 lies on the horizon of the picture")
                    .arg(decimalText(x), decimalText(y)));
}

} // namespace

Status solve_transform(WorkingSet& ws)
{
    const auto before = ws.solveMatrix;
    buildSystem(ws);
    if (!eliminate(ws.solveMatrix) || !finiteSolution(ws.solveMatrix)) {
        ws.solveMatrix = before;
        return fail(QString::fromLatin1(kNoUniqueSolutionText));
    }
    return {};
}

std::array<double, 9> activeCoefficients(const WorkingSet& ws)
{
    std::array<double, 9> c{};
    for (int i = 1; i <= 8; ++i)
        c[i] = ws.solveMatrix[i][kRhs];
    return c;
}

void setActiveCoefficients(WorkingSet& ws, const std::array<double, 9>& c)
{
    for (int i = 1; i <= 8; ++i)
        ws.solveMatrix[i][kRhs] = c[i];
}

Result<PlanePoint> forwardConversion(const WorkingSet& ws, double sx, double sy)
{
    const auto c = activeCoefficients(ws);
    const double d = 1 + c[4] * sx + c[5] * sy;
    if (d == 0)
        return noConversion(sx, sy);
    const PlanePoint w{(c[1] + c[2] * sx + c[3] * sy) / d, (c[6] + c[7] * sx + c[8] * sy) / d};
    if (!finite(w.x) || !finite(w.y))
        return noConversion(sx, sy);
    return w;
}

Result<PlanePoint> inverseConversion(const WorkingSet& ws, double X, double Y)
{
    const auto c = activeCoefficients(ws);
    const double D = (c[7] * c[5] - c[8] * c[4]) * X + (c[4] * c[3] - c[5] * c[2]) * Y +
                     (c[2] * c[8] - c[3] * c[7]);
    if (D == 0)
        return fail(QStringLiteral("The water point %1, %2 lies on the horizon of the picture")
                        .arg(decimalText(X), decimalText(Y)));
    const PlanePoint s{
        ((c[8] - c[6] * c[5]) * X + (c[5] * c[1] - c[3]) * Y + (c[3] * c[6] - c[1] * c[8])) / D,
        ((c[6] * c[4] - c[7]) * X + (c[2] - c[4] * c[1]) * Y + (c[1] * c[7] - c[2] * c[6])) / D};
    if (!finite(s.x) || !finite(s.y))
        return fail(QStringLiteral("The water point %1, %2 has no finite picture position")
                        .arg(decimalText(X), decimalText(Y)));
    return s;
}

double jumpOffset(bool barefootMode, bool sitSkiMode)
{
    if (barefootMode)
        return 0;
    const double s = sitSkiMode ? -1 : 0;
    return 2.1 + 0.2 * s;
}

Status distance_calculation(WorkingSet& ws, bool barefootMode, bool sitSkiMode)
{
    const auto w = forwardConversion(ws, ws.screenX, ws.screenY);
    if (!w)
        return fail(w.error());
    const double dx = ws.jumpSurveyX - w->x;
    const double dy = ws.jumpSurveyY - w->y;
    const double r = std::sqrt(dx * dx + dy * dy);
    // Barefoot adds nothing; the offset is added as its own term so that the plain
    // distance is exactly r.
    const double distance = barefootMode ? r : r + jumpOffset(false, sitSkiMode);
    if (!finite(distance))
        return noConversion(ws.screenX, ws.screenY);
    ws.waterX = w->x;
    ws.waterY = w->y;
    ws.jumpDistance = distance;
    return {};
}

Result<PlanePoint> screen_to_water(const WorkingSet& ws)
{
    return forwardConversion(ws, ws.checkScreenX, ws.checkScreenY);
}

Status water_to_screen(WorkingSet& ws)
{
    const auto s = inverseConversion(ws, ws.waterX, ws.waterY);
    if (!s)
        return fail(s.error());
    ws.screenX = s->x;
    ws.screenY = s->y;
    return {};
}

void loadIntoWorkingSet(const GridSetup& setup, int gridNumber, WorkingSet& ws)
{
    ws.currentGrid = gridNumber;
    for (int k = 1; k <= 4; ++k) {
        ws.buoyScreenX[k] = setup.buoy[k].screenX;
        ws.buoyScreenY[k] = setup.buoy[k].screenY;
        ws.buoySurveyX[k] = setup.buoy[k].surveyX;
        ws.buoySurveyY[k] = setup.buoy[k].surveyY;
    }
    setActiveCoefficients(ws, setup.c);
    ws.jumpSurveyX = setup.jumpX;
    ws.jumpSurveyY = setup.jumpY;
    ws.checkScreenX = setup.checkScreenX;
    ws.checkScreenY = setup.checkScreenY;
    ws.checkSurveyX = setup.checkSurveyX;
    ws.checkSurveyY = setup.checkSurveyY;
}

GridSetup setupFromWorkingSet(const WorkingSet& ws, int gridNumber)
{
    GridSetup setup;
    for (int k = 1; k <= 4; ++k)
        setup.buoy[k] = {ws.buoyScreenX[k], ws.buoyScreenY[k], ws.buoySurveyX[k],
                         ws.buoySurveyY[k]};
    setup.c = activeCoefficients(ws);
    setup.jumpX = ws.jumpSurveyX;
    setup.jumpY = ws.jumpSurveyY;
    setup.constant1 = 10;
    setup.constant2 = 2;
    setup.gridNumber = gridNumber;
    setup.checkScreenX = ws.checkScreenX;
    setup.checkScreenY = ws.checkScreenY;
    setup.checkSurveyX = ws.checkSurveyX;
    setup.checkSurveyY = ws.checkSurveyY;
    return setup;
}

} // namespace zelvan::grid
