#pragma once
// "Complete": turns a fully entered set-up into an accepted grid. Headless: it takes the
// set-up screen's texts and returns everything the screen must show or write, in order.
#include "base/Clock.h"
#include "base/OperatorMessage.h"
#include "grid/GridModel.h"
#include "grid/SetupScreenTexts.h"
#include "grid/Transform.h"
#include "grid/Validation.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace zelvan::grid
{

struct CompleteSettings {
    int numGrids = 1;
    bool barefootMode = false;
    bool sitSkiMode = false;
    bool allowInvalidSetup = false;
};

enum class CompleteVerdict {
    Accepted,
    Incomplete,         // a placeholder is still in a box
    CheckBuoyMissing,   // the check buoy was never picked
    NotANumber,         // a box holds text that is not a number
    NoUniqueSolution,   // singular system
    ConversionFailed,   // a point on the vanishing line; aborted, nothing written
    CheckBuoyInvalid,   // more than 22.5 twips off
    FieldOfViewRefused, // over 35 degrees
    ScreenWidthRefused, // 75 % or less
};

inline const char* const kNotAllParametersText =
    "Warning - Not all parameters have been set up on grid";
inline const char* const kCheckBuoyMandatoryText = "Setup of Check Buoy is Mandatory";
inline const char* const kErrorMessageTitle = "Error Message";
inline const char* const kConversionFailedText =
    "The grid cannot convert a point of this set-up (it lies on the horizon of the picture)."
    "  Re-enter data";

struct CompleteResult {
    CompleteVerdict verdict = CompleteVerdict::Incomplete;
    bool accepted() const { return verdict == CompleteVerdict::Accepted; }

    OperatorMessages messages; // in the order shown
    QStringList debugLog;      // one WriteDebugLog line each
    QStringList setupBlock;    // lines to append to the results file; empty: append nothing

    // What the set-up screen shows afterwards.
    // The set-up was recorded (every box a number): enable btnAccuracyCheck, show fmAccuracyDisplay
    // (and fmAccuracyConfig in Advanced mode), clear the drawing and hide lblCB. The button stays
    // enabled when a later step fails.
    bool accuracyEnabled = false;
    bool readyIcon = false;          // face02.ico instead of msgbox03.ico
    bool showCheckBuoyLabel = false; // lblCB at (checkBuoyLabelLeft, checkBuoyLabelTop)
    double checkBuoyLabelLeft = 0;
    double checkBuoyLabelTop = 0;
    bool redrawOverlay = false; // Show_grid after a failed check buoy
    int gridNumber = 0;         // N from the caption (0 when not reached); on acceptance the
                                // main screen shows the smiley and "not saved" for grid N

    // Figures for reports.
    bool solved = false;
    std::array<double, 9> coefficients{}; // c[1]..c[8] when solved
    bool checkEvaluated = false;
    PlanePoint predictedCheck;
    bool checkValid = false;
    std::optional<FieldOfView> fieldOfView;
    std::optional<ScreenWidth> screenWidth;
    std::optional<GridCheck> gridCheck; // the ratios run with the set-up block
};

// Runs "Complete". Updates the working set (entries, coefficients, currentGrid), the store
// (ready, descriptions, GridSetup[N]) and the flags (allGridsReady, surveyDirection) exactly
// where the procedure does; the date and time of the set-up block come from the clock.
CompleteResult completeSetup(const SetupScreenTexts& texts, const CompleteSettings& settings,
                             GridStore& store, WorkingSet& ws, GridFlags& flags,
                             const Clock& clock);

} // namespace zelvan::grid
