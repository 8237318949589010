#include "tools/Calibration.h"

#include "base/Numbers.h"
#include "grid/Rounding.h"
#include "grid/Transform.h"

#include <algorithm>
#include <cmath>

namespace zelvan::tools
{

CalibrationInput calibrationInputOf(const QString& caption)
{
    return caption == QLatin1String("Actual") ? CalibrationInput::Actual : CalibrationInput::Screen;
}

QString otherCalibrationCaption(const QString& caption)
{
    return calibrationInputOf(caption) == CalibrationInput::Actual ? QStringLiteral("Screen")
                                                                   : QStringLiteral("Actual");
}

namespace
{

QString wholeTwips(double v)
{
    return grid::decimalText(std::floor(v + 0.5));
}

QString hundredths(double v)
{
    return grid::decimalText(std::floor(v * 100 + 0.5) / 100);
}

// One end point: the typed pair in, the converted pair out.
Status convertPoint(CalibrationInput input, const grid::WorkingSet& ws, const QString& inX,
                    const QString& inY, QString& outX, QString& outY)
{
    const double x = leadingNumber(inX);
    const double y = leadingNumber(inY);
    if (input == CalibrationInput::Actual) {
        const Result<grid::PlanePoint> s = grid::inverseConversion(ws, x, y);
        if (!s)
            return fail(s.error());
        outX = wholeTwips(s->x);
        outY = wholeTwips(s->y);
    } else {
        const Result<grid::PlanePoint> w = grid::forwardConversion(ws, x, y);
        if (!w)
            return fail(w.error());
        outX = hundredths(w->x);
        outY = hundredths(w->y);
    }
    return {};
}

} // namespace

Result<CalibrationDraw> convertCalibrationLine(CalibrationInput input,
                                               const CalibrationBoxes& boxes,
                                               const grid::WorkingSet& ws)
{
    const auto c = grid::activeCoefficients(ws);
    if (std::all_of(c.begin() + 1, c.end(), [](double v) { return v == 0; }))
        return fail(QString::fromLatin1(kNoTransformationText));
    CalibrationDraw d{boxes, {}};
    CalibrationBoxes& b = d.boxes;
    const bool actual = input == CalibrationInput::Actual;
    Status first =
        actual ? convertPoint(input, ws, boxes.CalibrationLineXActual, boxes.CalibrationLineYActual,
                              b.CalibrationLineXTwips, b.CalibrationLineYTwips)
               : convertPoint(input, ws, boxes.CalibrationLineXTwips, boxes.CalibrationLineYTwips,
                              b.CalibrationLineXActual, b.CalibrationLineYActual);
    if (!first)
        return fail(first.error());
    Status second =
        actual
            ? convertPoint(input, ws, boxes.CalibrationLineXActual2, boxes.CalibrationLineYActual2,
                           b.CalibrationLineXTwips2, b.CalibrationLineYTwips2)
            : convertPoint(input, ws, boxes.CalibrationLineXTwips2, boxes.CalibrationLineYTwips2,
                           b.CalibrationLineXActual2, b.CalibrationLineYActual2);
    if (!second)
        return fail(second.error());
    d.line = {leadingNumber(b.CalibrationLineXTwips), leadingNumber(b.CalibrationLineYTwips),
              leadingNumber(b.CalibrationLineXTwips2), leadingNumber(b.CalibrationLineYTwips2)};
    return d;
}

} // namespace zelvan::tools
