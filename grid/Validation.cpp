#include "grid/Validation.h"

#include "grid/Rounding.h"
#include "grid/Transform.h"

#include <cmath>

namespace zelvan::grid
{

namespace
{
constexpr double kPi = 3.14159265358979323846;

QString integerPart(double v)
{
    return decimalText(std::floor(v));
}

// Angle in degrees of the picture's vertical at (x, y) as it lies on the water.
std::optional<double> sideAngle(const WorkingSet& ws, double x, double y)
{
    const auto w1 = forwardConversion(ws, x, y);
    const auto w2 = forwardConversion(ws, x, y - 45);
    if (!w1 || !w2)
        return std::nullopt;
    const double dy = w2->y - w1->y;
    if (dy == 0)
        return std::nullopt;
    const double angle = std::atan((w2->x - w1->x) / dy) * 180 / kPi;
    if (!std::isfinite(angle))
        return std::nullopt;
    return angle;
}
} // namespace

bool checkBuoyValidates(double pickedX, double pickedY, double predictedX, double predictedY)
{
    return !(std::fabs(pickedX - predictedX) > kCheckBuoyToleranceTwips ||
             std::fabs(pickedY - predictedY) > kCheckBuoyToleranceTwips);
}

double surveyDirectionFor(double upperRightSurveyX, double upperLeftSurveyX)
{
    return upperRightSurveyX < upperLeftSurveyX ? 1.0 : -1.0;
}

Result<GridCheck> grid_check(double lowerRightX, double lowerLeftX, double upperRightX,
                             double upperLeftX, double pictureWidthTwips)
{
    if (!(pictureWidthTwips > 0) || !std::isfinite(pictureWidthTwips))
        return fail(QStringLiteral("The picture width %1 is not a positive number")
                        .arg(decimalText(pictureWidthTwips)));
    GridCheck g;
    g.front = std::fabs(lowerRightX - lowerLeftX) * 100 / pictureWidthTwips;
    g.back = std::fabs(upperRightX - upperLeftX) * 100 / pictureWidthTwips;
    g.log << QStringLiteral("Front set-up ratio = ") + decimalText(g.front)
          << QStringLiteral("Back set-up ratio = ") + decimalText(g.back);
    if (g.front < 80)
        g.messages.append({QStringLiteral("Front ratio is ") + integerPart(g.front) +
                               QStringLiteral("%  Zoom camera in until front is > 85%"),
                           Icon::None, QString()});
    return g;
}

FieldOfView fieldOfView(const WorkingSet& ws, bool allowInvalidSetup)
{
    FieldOfView f;
    // Left: the further left of upper left (3) and lower left (4); upper left on a tie.
    const int left = ws.buoyScreenX[UpperLeft] <= ws.buoyScreenX[LowerLeft] ? UpperLeft : LowerLeft;
    // Right: the further right of upper right (1) and lower right (2); upper right on a tie.
    const int right =
        ws.buoyScreenX[UpperRight] >= ws.buoyScreenX[LowerRight] ? UpperRight : LowerRight;
    f.leftX = ws.buoyScreenX[left];
    f.rightX = ws.buoyScreenX[right];

    const auto leftAngle = sideAngle(ws, f.leftX, ws.buoyScreenY[left]);
    const auto rightAngle = sideAngle(ws, f.rightX, ws.buoyScreenY[right]);
    if (!leftAngle || !rightAngle)
        return f;
    f.converted = true;
    f.leftAngle = *leftAngle;
    f.rightAngle = *rightAngle;
    f.log << QStringLiteral("left angle= ") + decimalText(f.leftAngle) + QStringLiteral(" degrees")
          << QStringLiteral("left position = ") + decimalText(f.leftX)
          << QStringLiteral("right angle= ") + decimalText(f.rightAngle) +
                 QStringLiteral(" degrees")
          << QStringLiteral("right position = ") + decimalText(f.rightX);

    f.fieldOfView = std::floor(10 * std::fabs(f.rightAngle - f.leftAngle) + 0.5) / 10;
    const QString fov = decimalText(f.fieldOfView);
    if (f.fieldOfView > 30 && f.fieldOfView <= 35) {
        f.messages.append(
            {QStringLiteral("Warning! Field of View is ") + fov +
                 QStringLiteral(" degrees where the maximum allowed is 35 degrees ") +
                 QStringLiteral("and the desired is less than 30 degrees. If your grid is not "
                                "taking up as much of the screen ") +
                 QStringLiteral(" as possible then your fov is even greater and may lead to "
                                "inaccurate readings. ") +
                 QStringLiteral("You should consider moving the camera further away or making "
                                "the measurement grid shorter."),
             Icon::None, QString()});
    }
    if (f.fieldOfView > 35) {
        f.messages.append({QStringLiteral("Setup is not valid, Field of View is ") + fov +
                               QStringLiteral(" degrees where the maximum allowed is 35 degrees.") +
                               QStringLiteral("You either need to move the camera further away "
                                              "or make the measurement grid shorter."),
                           Icon::None, QString()});
        if (!allowInvalidSetup) {
            f.refused = true;
            return f;
        }
        f.messages.append({QString::fromLatin1(kInvalidAllowedText), Icon::Error, QString()});
    }
    f.log << QStringLiteral("Field of view  = ") + fov + QStringLiteral(" degrees");
    return f;
}

ScreenWidth screenWidth(double leftX, double rightX, double pictureWidthTwips,
                        const QString& pictureWidthText, bool allowInvalidSetup)
{
    ScreenWidth s;
    s.percent = std::fabs(leftX - rightX) * 100 / pictureWidthTwips;
    s.log << QStringLiteral("Screen width of Grid  = ") + integerPart(s.percent) +
                 QStringLiteral("%")
          << QStringLiteral("Screen width  = ") + pictureWidthText;
    if (s.percent >= 80)
        return s;
    s.messages.append({QStringLiteral("Warning - Grid is ") + integerPart(s.percent) +
                           QStringLiteral("% which is less than 80% of screen width.  Zoom your "
                                          "camera until the grid nearly fills the screen."),
                       Icon::Error, QString()});
    if (s.percent > 75) {
        s.messages.append(
            {QStringLiteral("Grid is greater than 75% so continue"), Icon::None, QString()});
        return s;
    }
    if (!allowInvalidSetup) {
        s.refused = true;
        return s;
    }
    s.messages.append({QString::fromLatin1(kInvalidAllowedText), Icon::Error, QString()});
    return s;
}

} // namespace zelvan::grid
