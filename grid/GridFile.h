#pragma once
// Grid setup files: the grid file (19 lines: buoys, coefficients, jump point, constants,
// grid number) and beside it the check-buoy file (grid file name + ".cb"). Reading is strict:
// a file either reads completely or not at all, so a caller applies a grid only when the
// whole pair was sound.
#include "base/OperatorMessage.h"
#include "base/Result.h"
#include "grid/GridModel.h"
#include "grid/SetupScreenTexts.h"
#include "grid/Validation.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace zelvan
{
class Clock;
} // namespace zelvan

namespace zelvan::grid
{

// Neither file may be larger than this; a bigger one is not a grid file.
constexpr qint64 kMaxGridFileBytes = 1024 * 1024;

struct GridFileContents {
    QString path;         // the grid file as given to the reader
    QString description2; // line 2, the grid's descriptive line
    // Buoys, c1..c8, jump point, constants, grid number as the file says; the check buoy
    // from the check-buoy file, all zero when there is none.
    GridSetup setup;
    bool hasCheckBuoyFile = false;
    QString checkXText; // lines 3 and 4 of the check-buoy file, exactly as read
    QString checkYText;
};

// "lake.ipt" -> "lake.ipt.cb".
QString checkBuoyFilePath(const QString& gridPath);

// The exact bytes of both files (CR LF line ends). Line 1 names gridPath made absolute, with
// native separators. Fails when a value is not finite or a text holds a line break or other
// control character, because such a file could not be read back.
Result<QByteArray> gridFileBytes(const QString& gridPath, const QString& description2,
                                 const GridSetup& setup);
Result<QByteArray> checkBuoyFileBytes(double checkScreenX, double checkScreenY,
                                      const QString& checkXText, const QString& checkYText);

// Writes the grid file and its check-buoy file. Both are written to temporaries first and only
// then put in place; when the second cannot be put in place the first is restored, so the
// pair on disk is either the old one or the new one. The check buoy's screen position comes
// from setup.checkScreenX/Y; its survey lines are the texts as typed.
Status saveGridFilePair(const QString& path, const QString& description2, const GridSetup& setup,
                        const QString& checkXText, const QString& checkYText);

// Reads a pair from disk. A missing check-buoy file is an old-style set-up
// (hasCheckBuoyFile false); a present but corrupt one is an error.
Result<GridFileContents> loadGridFilePair(const QString& path);

// The reader behind loadGridFilePair, on bytes already in memory (checkBuoyBytes null: no
// check-buoy file). path only names the files in error texts and in the result.
Result<GridFileContents> parseGridFilePair(const QString& path, const QByteArray& gridBytes,
                                           const QByteArray* checkBuoyBytes);

// --- Loading a grid file into grid N, headless -------------------------------------------

// The set-up block label of the check buoy's survey line differs between the set-up screen's
// Load ("Check Buoyt X,Y Survey: ", as existing results files have it) and the start-up
// loader ("Check Buoy X,Y Survey: ").
enum class SetupBlockForm { GridLoad, StartupLoad };

struct GridLoadResult {
    Status status; // a failure: nothing was changed, and why
    bool loaded() const { return status.ok(); }
    GridFileContents file;
    QStringList debugLog;      // WriteDebugLog lines, in order
    OperatorMessages messages; // in order
    QStringList setupBlock;    // lines for the results file (empty when not loaded)
    bool ready = false;        // the grid was made ready (check buoy x > 0)
    QString settingsKey;       // "grid1File".. when the path is to be stored there; else empty
    SetupScreenTexts boxes;    // what the set-up screen shows after the load
    std::optional<GridCheck> gridCheck; // front/back ratios when they were run
};

inline const char* const kOldSetupMessage =
    "I cannot find a  check  buoy file for this setup.  That means "
    "you are inputting an old set-up file that does not"
    " have a check buoy.  To complete the set up correctly,"
    " you must have a check buoy input to the set up.";
inline const char* const kStartupNoCheckBuoyMessage =
    "Error in load - no check buoy found - setup grid again";

struct GridLoadRequest {
    QString path;
    int grid = 1;                     // N, the grid loaded into (1..3)
    int numGrids = 1;                 // configured number of grids
    double pictureWidthTwips = 12000; // for the front/back ratios after the load
    SetupBlockForm form = SetupBlockForm::GridLoad;
};

// Loading a grid file into grid N, from reading the file on. Reads the pair; on success
// stores it into store.setup[N] (gridDescription = the path, gridDescription2) and into the
// working set (buoys, c1..c8 in solveMatrix column 9, jump point, check buoy, currentGrid = N),
// sets flags.surveyDirection, builds the set-up block, runs grid_check (set-up screen's Load
// only), and makes grid N ready when the check buoy's screen x > 0, then sets
// flags.allGridsReady to 1.0 when grids 1..numGrids are all ready. Filling the set-up
// screen's boxes is an edit, so allGridsReady is withdrawn (0) first; a load that does not make
// the grid ready leaves it not ready. On a read failure nothing at all is changed.
// gridLoadingFlag is the caller's (set and cleared around this call).
// The start-up form reports a missing or unpicked check buoy with "Error in load - no check
// buoy found - setup grid again" and writes no set-up block for that grid.
GridLoadResult loadGridIntoStation(const GridLoadRequest& request, GridStore& store,
                                   WorkingSet& work, GridFlags& flags, const Clock& clock);

// The set-up block written to the results file after a load, from the contents as loaded
// into grid n. Lines without line ends.
QStringList loadSetupBlock(const GridFileContents& file, int n, const QDateTime& now,
                           SetupBlockForm form);

} // namespace zelvan::grid
