#pragma once
// The configuration screen's load, its LoadConfiguredGrid, the "Allow Invalid Setup" switch
// and its exit, without widgets. Each changes the Station (which signals what changed) and
// gives back what the operator must be told, in order; the screen shows it and sets its
// controls from the Station.
#include "app/TextFiles.h"
#include "base/OperatorMessage.h"

#include <QString>

namespace zelvan::app
{

class Station;

namespace config
{

struct ConfigLoadResult {
    OperatorMessages messages;
    bool loupe = false; // the stored `Loupe` flag: the loupe box is ticked and the loupe started
};

// The load, in the station's order: the stored parameters into the mirror with the first-run
// defaults stored back (results file of the day in the save-video folder, captures folder =
// that folder), the program's folder made current, the grid indicators, then the grids with
// an existing stored file loaded for grid 3, 2 and 1 (grids beyond numGrids too) with
// gridLoadingFlag set around them. A setting that cannot be written, a results file that
// cannot be appended to and a grid file that cannot be read are each told; the load goes on.
ConfigLoadResult loadConfiguration(Station& station);

// LoadConfiguredGrid: grid n from the set-up file at `path`. With a check buoy the set-up
// block ("New Set-up now in place") goes to the results file, the grid becomes ready, the
// path is stored under gridNFile and allGridsReady is recomputed; without one "Error in load -
// no check buoy found - setup grid again" and the grid stays not ready.
OperatorMessages loadConfiguredGrid(Station& station, int n, const QString& path);

// The main screen's grid indicators from numGrids and the stored grid files.
void refreshGridIndicators(Station& station);

// "Number of Grids": the action of Opt1Grid..Opt3grid, which also moves the indicators.
OperatorMessages chooseNumGrids(Station& station, int grids);

// "Allow Invalid Setup" ticked or cleared: the debug log line, the switch, and the line in
// the results file.
OperatorMessages allowInvalidSetup(Station& station, bool allowed);

inline constexpr const char* kEmptyResultsPath = kNoResultsFileText;

struct ConfigExit {
    OperatorMessages messages;
    QString capturesPath; // what CapturesPathName shows after leaving
};

// "E&xit and Save Parameters": stores the tournament name and the message colour, ends the
// captures folder with a separator, appends "New Configuration: " to the results file and,
// when a names file is given, reads the skier list into the Station. Does not navigate.
ConfigExit leaveConfiguration(Station& station, const QString& skierNameFile);

} // namespace config
} // namespace zelvan::app
