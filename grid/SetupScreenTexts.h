#pragma once
// The set-up screen's boxes as texts, and the set-up block lines made from them: "Complete",
// a grid load and the accuracy check all write what the boxes show.
#include "grid/GridModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan::grid
{

// The texts of the set-up screen's boxes, named as the controls; defaults are their
// initial texts.
struct SetupScreenTexts {
    QString upper_left_x = QStringLiteral("auto");
    QString upper_left_y = QStringLiteral("auto");
    QString upper_right_x = QStringLiteral("auto");
    QString upper_right_y = QStringLiteral("auto");
    QString lower_left_x = QStringLiteral("auto");
    QString lower_left_y = QStringLiteral("auto");
    QString lower_right_x = QStringLiteral("auto");
    QString lower_right_y = QStringLiteral("auto");
    QString ul_survey_x = QStringLiteral("input");
    QString ul_survey_y = QStringLiteral("input");
    QString ur_survey_x = QStringLiteral("input");
    QString ur_survey_y = QStringLiteral("input");
    QString ll_survey_x = QStringLiteral("input");
    QString ll_survey_y = QStringLiteral("input");
    QString lr_survey_x = QStringLiteral("input");
    QString lr_survey_y = QStringLiteral("input");
    QString jump_x = QStringLiteral("jump x");
    QString jump_y = QStringLiteral("jump y");
    QString txtCheckX = QStringLiteral("CheckX");
    QString txtCheckY = QStringLiteral("CheckY");
    QString txtCheckXpix;
    QString txtCheckYpix;
    QString ipt_file_description = QStringLiteral("No File");
    QString ipt_file_description_2;
    QString grid_select = QStringLiteral("Grid 1"); // caption of the grid button
    QString pictureWidthTwips = QStringLiteral("12000");
};

// The boxes as a loaded grid fills them: buoys and jump point in the number form's bare
// text; the check-buoy boxes, descriptions and caption keep their initial texts.
SetupScreenTexts setupScreenTexts(const GridSetup& setup);

// "mm-dd-yyyy hh:mm:ss New Set-up now in place", the first line of every set-up block.
QString setupBlockHeading(const QDateTime& now);

// The set-up block's buoy and jump lines, as written after "Grid Number"; screenUnit is
// "Pixels" ("Complete", accuracy check) or "Twips" (grid load).
QStringList buoyAndJumpLines(const SetupScreenTexts& texts, const QString& screenUnit);

} // namespace zelvan::grid
