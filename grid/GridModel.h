#pragma once
// The data of the surveyed grids: one GridSetup per camera view (1..3, index 0 unused) and
// the active working set the set-up and measurement screens work on.
#include <QString>
#include <array>

namespace zelvan::grid
{

// Buoy numbering used by the arrays, the system of equations and the grid file.
enum BuoyNumber { UpperRight = 1, LowerRight = 2, UpperLeft = 3, LowerLeft = 4 };

struct Buoy {
    double screenX = 0; // twips
    double screenY = 0;
    double surveyX = 0; // meters
    double surveyY = 0;
};

struct GridSetup {
    std::array<Buoy, 5> buoy{}; // 1..4 used
    std::array<double, 9> c{};  // c[1]..c[8] used
    double jumpX = 0;
    double jumpY = 0;
    double constant1 = 10; // kept in the grid file, never used in a computation
    double constant2 = 2;
    double gridNumber = 0;
    double checkScreenX = 0;
    double checkScreenY = 0;
    double checkSurveyX = 0;
    double checkSurveyY = 0;
};

// Grids 1..3 and what the station knows about each of them.
struct GridStore {
    std::array<GridSetup, 4> setup{};
    std::array<QString, 4> gridDescription;  // full path of the grid file, or the set-up text
    std::array<QString, 4> gridDescription2; // the grid's descriptive line
    std::array<bool, 4> ready{};             // grid1Ready .. grid3Ready
};

// The active working set: the grid being set up, shown or measured with. Arrays indexed by
// buoy number 1..4 (index 0 unused).
struct WorkingSet {
    double currentGrid = 1;
    std::array<double, 5> buoyScreenX{};
    std::array<double, 5> buoyScreenY{};
    std::array<double, 5> buoySurveyX{};
    std::array<double, 5> buoySurveyY{};
    // Augmented matrix of the 8x8 system: rows 1..8, columns 1..8 coefficients, column 9
    // right-hand side. After a solution (or a load / switch) column 9 holds c1..c8.
    std::array<std::array<double, 11>, 11> solveMatrix{};
    double jumpSurveyX = 0;
    double jumpSurveyY = 0;
    // Check buoy: picked screen position (twips) and survey position (m).
    double checkScreenX = 0;
    double checkScreenY = 0;
    double checkSurveyX = 0;
    double checkSurveyY = 0;
    // Conversion registers.
    double screenX = 0;
    double screenY = 0;
    double waterX = 0;
    double waterY = 0;
    double jumpDistance = 0;

    double coefficient(int i) const { return solveMatrix[i][9]; } // c1..c8
};

// System-wide flags that go with the grids.
struct GridFlags {
    double allGridsReady = 0;    // 1.0 when grids 1..numGrids are all ready
    double surveyDirection = -1; // +1.0 or -1.0
    bool gridLoadingFlag = false;
};

} // namespace zelvan::grid
