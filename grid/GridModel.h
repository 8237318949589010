#pragma once
// The data of the surveyed grids: one GridSetup per camera view (1..3, index 0 unused) and
// the active working set the set-up and measurement screens work on.
#include <QString>
#include <array>

namespace zelvan::grid {

// Buoy numbering used by the arrays, the system of equations and the grid file.
enum BuoyNumber { UpperRight = 1, LowerRight = 2, UpperLeft = 3, LowerLeft = 4 };

struct Buoy {
    double screenX = 0; // twips
    double screenY = 0;
    double surveyX = 0; // meters
    double surveyY = 0;
};

struct GridSetup {
    std::array<Buoy, 5> buoy{};  // 1..4 used
    std::array<double, 9> c{};   // c[1]..c[8] used
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

} // namespace zelvan::grid
