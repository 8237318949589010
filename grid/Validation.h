#pragma once
// The tests a set-up must pass before its grid is accepted: the check buoy, the field of
// view, the share of the picture width, and the front/back ratios; plus the survey
// direction of the grid.
#include "base/OperatorMessage.h"
#include "base/Result.h"
#include "grid/GridModel.h"

#include <QStringList>

namespace zelvan::grid
{

// 1.5 pixels of 15 twips; exactly 22.5 passes.
constexpr double kCheckBuoyToleranceTwips = 22.5;

inline const char* const kCheckBuoyInvalidText = "Check Buoy Does not Validate";
inline const char* const kInvalidAllowedText = "Invalid Configurations allowed for test";

bool checkBuoyValidates(double pickedX, double pickedY, double predictedX, double predictedY);

// +1 when the upper-right buoy's survey X is smaller than the upper-left's, else -1.
double surveyDirectionFor(double upperRightSurveyX, double upperLeftSurveyX);

struct GridCheck {
    double front = 0; // percent of the picture width
    double back = 0;
    QStringList log;
    OperatorMessages messages;
};

// Front and back set-up ratios from the buoys' screen x values. Fails when the picture width
// is not positive (there is no ratio to give).
Result<GridCheck> grid_check(double lowerRightX, double lowerLeftX, double upperRightX,
                             double upperLeftX, double pictureWidthTwips);

struct FieldOfView {
    bool converted = false; // false: a conversion failed (vanishing line), nothing else set
    double leftAngle = 0;   // degrees
    double rightAngle = 0;
    double leftX = 0; // screen x of the buoy the left angle was taken at
    double rightX = 0;
    double fieldOfView = 0; // |right - left| rounded half up to 0.1
    bool refused = false;   // over 35 degrees with invalid set-ups not allowed
    QStringList log;
    OperatorMessages messages;
};

// Field of view of the working set's grid (buoy screen positions and active coefficients).
FieldOfView fieldOfView(const WorkingSet& ws, bool allowInvalidSetup);

struct ScreenWidth {
    double percent = 0;
    bool refused = false;
    QStringList log;
    OperatorMessages messages;
};

// The grid's share of the picture width between the two x positions the field of view
// chose. pictureWidthText is logged as it stands.
ScreenWidth screenWidth(double leftX, double rightX, double pictureWidthTwips,
                        const QString& pictureWidthText, bool allowInvalidSetup);

} // namespace zelvan::grid
