#pragma once
// A synthetic camera view for the grid tests: a shore camera looking across the landing
// area, whose picture-to-water map is known in closed form. Vertical picture lines meet the
// water at angle atan(c2 * (x - centreX) / 140), so the field of view is set directly by
// halfAngleDegrees at the outer (lower) buoys.
#include "grid/Complete.h"
#include "grid/Rounding.h"
#include "grid/Transform.h"

#include <cmath>

namespace zelvan::test
{

struct TestSite {
    double halfAngleDegrees = 12.4;
    double centreX = 6000;
    double outer = 5500; // lower buoys at centreX -/+ outer
    double inner = 4500; // upper buoys at centreX -/+ inner
    double upperY = 2000;
    double lowerY = 7000;
    grid::PlanePoint check{6000, 4000};
    double jumpX = 0;
    double jumpY = 150;
    double pictureWidth = 12000;

    double c2() const
    {
        return 140 * std::tan(halfAngleDegrees * 3.14159265358979323846 / 180) / outer;
    }
    grid::PlanePoint water(double sx, double sy) const
    {
        const double d = 1 + sy / 5000;
        return {c2() * (sx - centreX) / d, 140 / d};
    }
    grid::PlanePoint upperLeft() const { return {centreX - inner, upperY}; }
    grid::PlanePoint upperRight() const { return {centreX + inner, upperY}; }
    grid::PlanePoint lowerLeft() const { return {centreX - outer, lowerY}; }
    grid::PlanePoint lowerRight() const { return {centreX + outer, lowerY}; }

    grid::SetupScreenTexts texts() const
    {
        grid::SetupScreenTexts t;
        const auto fill = [&](grid::PlanePoint s, QString& x, QString& y, QString& X, QString& Y) {
            const grid::PlanePoint w = water(s.x, s.y);
            x = grid::decimalText(s.x);
            y = grid::decimalText(s.y);
            X = grid::decimalText(w.x);
            Y = grid::decimalText(w.y);
        };
        fill(upperLeft(), t.upper_left_x, t.upper_left_y, t.ul_survey_x, t.ul_survey_y);
        fill(upperRight(), t.upper_right_x, t.upper_right_y, t.ur_survey_x, t.ur_survey_y);
        fill(lowerLeft(), t.lower_left_x, t.lower_left_y, t.ll_survey_x, t.ll_survey_y);
        fill(lowerRight(), t.lower_right_x, t.lower_right_y, t.lr_survey_x, t.lr_survey_y);
        fill(check, t.txtCheckXpix, t.txtCheckYpix, t.txtCheckX, t.txtCheckY);
        t.jump_x = grid::decimalText(jumpX);
        t.jump_y = grid::decimalText(jumpY);
        t.ipt_file_description = QStringLiteral("No File");
        t.ipt_file_description_2 = QStringLiteral("North camera, 2 m above the water");
        t.grid_select = QStringLiteral("Grid 1");
        t.pictureWidthTwips = grid::decimalText(pictureWidth);
        return t;
    }

    // The working set as the set-up screen holds it after the buoys were picked and typed.
    grid::WorkingSet workingSet() const
    {
        grid::WorkingSet ws;
        const auto put = [&](int k, grid::PlanePoint s) {
            const grid::PlanePoint w = water(s.x, s.y);
            ws.buoyScreenX[k] = s.x;
            ws.buoyScreenY[k] = s.y;
            ws.buoySurveyX[k] = w.x;
            ws.buoySurveyY[k] = w.y;
        };
        put(grid::UpperRight, upperRight());
        put(grid::LowerRight, lowerRight());
        put(grid::UpperLeft, upperLeft());
        put(grid::LowerLeft, lowerLeft());
        ws.jumpSurveyX = jumpX;
        ws.jumpSurveyY = jumpY;
        return ws;
    }
};

} // namespace zelvan::test
