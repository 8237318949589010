#pragma once
// The picture-to-water projective transformation of the active grid: its solution from the
// four buoys and the forward and inverse conversions. A conversion whose denominator is zero
// (or whose result is not finite) fails and leaves the registers as they were.
#include "base/Result.h"
#include "grid/GridModel.h"

#include <array>

namespace zelvan::grid
{

struct PlanePoint {
    double x = 0;
    double y = 0;
};

inline const char* const kNoUniqueSolutionText = "No Unique Solution - Re-enter data";

// Builds the augmented system in solveMatrix from the four buoys of the working set and
// solves it by Gauss-Jordan elimination (first non-zero pivot, no scaling). On success
// column 9 rows 1..8 hold c1..c8. Fails (with kNoUniqueSolutionText) when the system has no
// unique solution or the solution is not finite; solveMatrix is then left as it was before
// the call, so the previous coefficients stay usable.
Status solve_transform(WorkingSet& ws);

// c[1]..c[8] of the active grid (column 9 of solveMatrix); c[0] unused.
std::array<double, 9> activeCoefficients(const WorkingSet& ws);
void setActiveCoefficients(WorkingSet& ws, const std::array<double, 9>& c);

// Pure conversions with the active coefficients; they fail for a point on the picture's
// horizon (zero denominator) or a result that is not finite.
Result<PlanePoint> forwardConversion(const WorkingSet& ws, double sx, double sy);
Result<PlanePoint> inverseConversion(const WorkingSet& ws, double X, double Y);

// 0 when barefoot, else 2.1 m, or 1.9 m for sit ski (2.1 + 0.2 * s, s = -1 for sit ski).
double jumpOffset(bool barefootMode, bool sitSkiMode);

// (screenX, screenY) -> (waterX, waterY) and jumpDistance from the jump point.
Status distance_calculation(WorkingSet& ws, bool barefootMode, bool sitSkiMode);

// The forward conversion of the check buoy's picked position (used for the log only).
Result<PlanePoint> screen_to_water(const WorkingSet& ws);

// (waterX, waterY) -> (screenX, screenY).
Status water_to_screen(WorkingSet& ws);

// Grid switch: copies a stored grid into the working set (buoys, c1..c8, jump point, check
// buoy) and makes it the current grid.
void loadIntoWorkingSet(const GridSetup& setup, int gridNumber, WorkingSet& ws);

// The working set as it is stored for grid N (constants 10 and 2, grid number N).
GridSetup setupFromWorkingSet(const WorkingSet& ws, int gridNumber);

} // namespace zelvan::grid
