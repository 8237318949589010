#pragma once
// The set-up screen's rules that decide without widgets: switching grids, the grid lock, the
// edit rule's values and the status lines written on leaving.
#include "grid/GridModel.h"
#include "grid/SetupScreenTexts.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace zelvan::grid
{

inline const char* const kCannotLockText = "Cannot Lock Grid Until buoy positions have been "
                                           "entered for all four buoys and check buoy";
inline const char* const kLeaveNotReadyText =
    "Do you want to leave the grid setup with all configured grids not setup?";
inline const char* const kLeaveNotReadyTitle = "Grid Setup Error";

// The grid a "Grid N" caption names (1..3); 1 for anything else.
int gridOfCaption(const QString& caption);
QString gridCaption(int grid);

// The grid after `current` when the grid button is clicked: 1 -> 2 with more than one grid,
// 2 -> 3 with three grids else 1, 3 -> 1.
int nextGrid(int current, int numGrids);
// "Changed from grid 1 to grid 2"; empty when the grid stays the same.
QString gridSwitchLogLine(int from, int to);

// The lock may be switched on only once the four buoys and the check buoy are entered.
bool lockAllowed(const SetupScreenTexts& texts);

// What an edited survey, jump or check box changes in the working set (its leading number);
// false for a box that holds no survey value (the screen boxes, the descriptions).
bool applySurveyEdit(const QString& box, const QString& text, WorkingSet& working,
                     GridSetup& stored);

// The boxes that show grid `n`: its set-up, check buoy and descriptions.
SetupScreenTexts gridTexts(const GridStore& store, int n);

// Whether editing the box is an edit of the set-up (the screen, survey, jump and check-buoy
// boxes), which returns the grid to not ready.
bool isEditRuleBox(const QString& objectName);

// A shown picture's size in twips: its size in HIMETRIC units (2540 to the inch at 96 pixels
// an inch, rounded) x 15 / 26.5, as the set-up's picture size has always been taken.
QSizeF pictureSizeTwips(QSize pixels);

// Grids 1..numGrids all ready.
bool allConfiguredReady(const GridStore& store, int numGrids);

// The debug-log lines of leaving: "status on exit of grid setup", "Grid N is loaded" for each
// ready grid, "setup is OK" when all grids are ready, "end of status".
QStringList exitStatusLines(const GridStore& store, double allGridsReady);

} // namespace zelvan::grid
