// The calibration assistant's conversion: which column is read, the leading numbers, the
// rounding of both directions and a point the grid cannot convert.
#include "tools/Calibration.h"

#include "grid/Transform.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::tools;

namespace
{

// water = picture / scale, both axes; a power of two keeps the test values exact.
grid::WorkingSet scaledMap(double scale)
{
    grid::WorkingSet ws;
    grid::setActiveCoefficients(ws, {0, 0, 1 / scale, 0, 0, 0, 0, 0, 1 / scale});
    return ws;
}

} // namespace

TEST(CalibrationCaption, SwitchesBetweenActualAndScreen)
{
    EXPECT_EQ(calibrationInputOf("Actual"), CalibrationInput::Actual);
    EXPECT_EQ(calibrationInputOf("Screen"), CalibrationInput::Screen);
    EXPECT_EQ(otherCalibrationCaption("Actual"), "Screen");
    EXPECT_EQ(otherCalibrationCaption("Screen"), "Actual");
}

TEST(CalibrationConvert, ActualRoundsTheTwipsToWholeHalvesUp)
{
    // 8 twips a metre: water (154.3, 70.9375) is picture (1234.4, 567.5).
    CalibrationBoxes b;
    b.CalibrationLineXActual = "154.3";
    b.CalibrationLineYActual = "70.9375";
    b.CalibrationLineXActual2 = "-37.5625 m";
    b.CalibrationLineYActual2 = "";
    b.CalibrationLineXTwips = "stale";
    const auto d = convertCalibrationLine(CalibrationInput::Actual, b, scaledMap(8));
    ASSERT_TRUE(d) << d.error().toStdString();
    EXPECT_EQ(d->boxes.CalibrationLineXTwips, "1234");
    EXPECT_EQ(d->boxes.CalibrationLineYTwips, "568");
    EXPECT_EQ(d->boxes.CalibrationLineXTwips2, "-300") << "-300.5 + 0.5 rounds up to -300";
    EXPECT_EQ(d->boxes.CalibrationLineYTwips2, "0") << "an empty box is 0";
    EXPECT_EQ(d->boxes.CalibrationLineXActual, "154.3") << "the typed column stays as typed";
    EXPECT_EQ(d->boxes.CalibrationLineXActual2, "-37.5625 m");
    EXPECT_EQ(d->line, (CalibrationLine{1234, 568, -300, 0}));
}

TEST(CalibrationConvert, ScreenRoundsTheWaterToHundredthsHalvesUp)
{
    CalibrationBoxes b;
    b.CalibrationLineXTwips = "97";      // 12.125 m
    b.CalibrationLineYTwips = "-17";     // -2.125 m
    b.CalibrationLineXTwips2 = "abc";    // not a number: 0
    b.CalibrationLineYTwips2 = "333.3x"; // leading number 333.3: 41.6625 m
    const auto d = convertCalibrationLine(CalibrationInput::Screen, b, scaledMap(8));
    ASSERT_TRUE(d) << d.error().toStdString();
    EXPECT_EQ(d->boxes.CalibrationLineXActual, "12.13");
    EXPECT_EQ(d->boxes.CalibrationLineYActual, "-2.12");
    EXPECT_EQ(d->boxes.CalibrationLineXActual2, "0");
    EXPECT_EQ(d->boxes.CalibrationLineYActual2, "41.66");
    EXPECT_EQ(d->line, (CalibrationLine{97, -17, 0, 333.3}))
        << "the line is the twips boxes' numbers";
}

TEST(CalibrationConvert, APointOnTheHorizonFailsAndConvertsNothing)
{
    // Denominator 1 - y / 1000: the picture line y = 1000 is the horizon.
    grid::WorkingSet ws;
    grid::setActiveCoefficients(ws, {0, 0, 1, 0, 0, -0.001, 0, 0, 1});
    CalibrationBoxes b;
    b.CalibrationLineXTwips = "10";
    b.CalibrationLineYTwips = "20";
    b.CalibrationLineXTwips2 = "30";
    b.CalibrationLineYTwips2 = "1000";
    EXPECT_FALSE(convertCalibrationLine(CalibrationInput::Screen, b, ws));
    b.CalibrationLineYTwips2 = "40";
    const auto d = convertCalibrationLine(CalibrationInput::Screen, b, ws);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->boxes.CalibrationLineXActual2, "31.25") << "30 / (1 - 0.04)";
}

TEST(CalibrationConvert, WithoutATransformationNothingIsConverted)
{
    CalibrationBoxes b;
    b.CalibrationLineXTwips = "100";
    const auto d = convertCalibrationLine(CalibrationInput::Screen, b, grid::WorkingSet());
    ASSERT_FALSE(d);
    EXPECT_EQ(d.error(), kNoTransformationText);
}
