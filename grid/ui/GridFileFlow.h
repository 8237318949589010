#pragma once
// Saving and loading a grid file from the set-up screen, with every question to the operator.
// No widgets: the screen hands over what its boxes show and applies what comes back.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "grid/GridFile.h"
#include "grid/SetupScreenTexts.h"

#include <optional>

namespace zelvan::grid::ui
{

inline const char* const kInvalidPathText = "Invalid path, change in configuration screen";
inline const char* const kSaveFilter =
    "All Files (*.*)|*.*|Text Files (*.TXT)|*.TXT|Parameter Files (*.IPT)|*.IPT|";
inline const char* const kLoadFilter =
    "All Files (*.*)|*.*|Text Files (*.TXT)|*.TXT|Parameter Files (*.ipt)|*.ipt|";

// "Save Grid 2" / "Load Grid 1" (Yes: that grid); on No, "What grid are you saving?" or
// "What grid are you loading?" until the answer's leading number is 1..numGrids. Cancel in
// that loop gives up: std::nullopt.
std::optional<int> askGridNumber(Dialogs& dialogs, const QString& caption, bool saving,
                                 int numGrids);

// The set-up files folder made current; false (after the message) when it cannot be.
bool enterSetupFolder(Dialogs& dialogs, const QString& folder);

// gridSave: writes the working set as grid N. Gives the boxes to show afterwards, or nothing
// when the operator stopped or the files could not be written (the previous pair is kept and
// the reason shown).
std::optional<SetupScreenTexts> saveGrid(app::Station& station, Dialogs& dialogs,
                                         const SetupScreenTexts& boxes);

// gridLoad: reads a grid file into grid N and the working set, writes the set-up block to
// the results file and makes the grid ready when it has a check buoy. Nothing when the
// operator stopped or the file could not be read (the reason shown).
std::optional<GridLoadResult> loadGrid(app::Station& station, Dialogs& dialogs,
                                       const SetupScreenTexts& boxes);

} // namespace zelvan::grid::ui
