#pragma once
// The calibration assistant's conversion: the two end points of a reference line, typed either
// as picture positions (twips) or as water coordinates (metres), converted to the other units
// with the active grid, so the line can be drawn on the picture and compared with a marked one.
#include "base/Result.h"
#include "grid/GridModel.h"

#include <QString>

namespace zelvan::tools
{

// Which column the operator typed: the caption of CalibrationLineUnitsSelect.
enum class CalibrationInput { Actual, Screen };

CalibrationInput calibrationInputOf(const QString& caption);
// The caption after a click: "Actual" <-> "Screen".
QString otherCalibrationCaption(const QString& caption);

// The eight boxes, named as the controls.
struct CalibrationBoxes {
    QString CalibrationLineXTwips, CalibrationLineYTwips;
    QString CalibrationLineXTwips2, CalibrationLineYTwips2;
    QString CalibrationLineXActual, CalibrationLineYActual;
    QString CalibrationLineXActual2, CalibrationLineYActual2;
};

// A line on the picture, twips.
struct CalibrationLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const CalibrationLine& o) const
    {
        return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
    }
};

struct CalibrationDraw {
    CalibrationBoxes boxes; // the input column as typed, the other one converted
    CalibrationLine line;   // the numbers now in the twips boxes
};

inline const char* const kNoTransformationText =
    "The active grid has no transformation yet - complete or load a grid first";

// Reads the input column (the leading number of each box; empty or non-numeric gives 0),
// converts both points with the working set's active grid and rounds the results: twips to
// whole twips, water to hundredths, halves up. Fails, changing nothing, when a point lies on
// the picture's horizon, or when the active grid has no transformation (all coefficients 0).
Result<CalibrationDraw> convertCalibrationLine(CalibrationInput input,
                                               const CalibrationBoxes& boxes,
                                               const grid::WorkingSet& working);

} // namespace zelvan::tools
