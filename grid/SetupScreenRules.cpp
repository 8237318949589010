#include "grid/SetupScreenRules.h"

#include "base/Numbers.h"
#include "grid/NumberForm.h"

#include <QHash>
#include <QStringList>
#include <cmath>

namespace zelvan::grid
{

int gridOfCaption(const QString& caption)
{
    const int n = int(leadingNumber(QStringView(caption).mid(caption.indexOf(u' ') + 1)));
    return n >= 1 && n <= 3 ? n : 1;
}

QString gridCaption(int grid)
{
    return QStringLiteral("Grid %1").arg(grid);
}

int nextGrid(int current, int numGrids)
{
    if (current == 1)
        return numGrids > 1 ? 2 : 1;
    if (current == 2)
        return numGrids == 3 ? 3 : 1;
    return 1;
}

QString gridSwitchLogLine(int from, int to)
{
    if (from == to)
        return {};
    return QStringLiteral("Changed from grid %1 to grid %2").arg(from).arg(to);
}

bool lockAllowed(const SetupScreenTexts& t)
{
    const QString autoText = QStringLiteral("auto");
    return t.upper_left_x != autoText && t.upper_right_x != autoText &&
           t.lower_left_x != autoText && t.lower_right_x != autoText &&
           t.txtCheckX != QLatin1String("CheckX");
}

bool applySurveyEdit(const QString& box, const QString& text, WorkingSet& w, GridSetup& stored)
{
    struct Target {
        int buoy; // 0: not a buoy
        bool y;
    };
    static const QHash<QString, Target> buoyBoxes = {
        {"ur_survey_x", {UpperRight, false}}, {"ur_survey_y", {UpperRight, true}},
        {"lr_survey_x", {LowerRight, false}}, {"lr_survey_y", {LowerRight, true}},
        {"ul_survey_x", {UpperLeft, false}},  {"ul_survey_y", {UpperLeft, true}},
        {"ll_survey_x", {LowerLeft, false}},  {"ll_survey_y", {LowerLeft, true}},
    };
    const double value = leadingNumber(text);
    if (const auto it = buoyBoxes.constFind(box); it != buoyBoxes.constEnd()) {
        (it->y ? w.buoySurveyY : w.buoySurveyX)[it->buoy] = value;
        return true;
    }
    if (box == QLatin1String("jump_x")) {
        w.jumpSurveyX = stored.jumpX = value;
    } else if (box == QLatin1String("jump_y")) {
        w.jumpSurveyY = stored.jumpY = value;
    } else if (box == QLatin1String("txtCheckX")) {
        w.checkSurveyX = value;
    } else if (box == QLatin1String("txtCheckY")) {
        w.checkSurveyY = value;
    } else {
        return false;
    }
    return true;
}

SetupScreenTexts gridTexts(const GridStore& store, int n)
{
    const GridSetup& s = store.setup[n];
    SetupScreenTexts t = setupScreenTexts(s);
    t.txtCheckXpix = numberText(s.checkScreenX);
    t.txtCheckYpix = numberText(s.checkScreenY);
    t.txtCheckX = numberText(s.checkSurveyX);
    t.txtCheckY = numberText(s.checkSurveyY);
    t.ipt_file_description = store.gridDescription[n];
    t.ipt_file_description_2 = store.gridDescription2[n];
    t.grid_select = gridCaption(n);
    return t;
}

bool isEditRuleBox(const QString& objectName)
{
    static const QStringList others = {"ipt_file_description", "ipt_file_description_2",
                                       "txtPicWidth", "txtPicHeight", "grid_select"};
    return !others.contains(objectName);
}

QSizeF pictureSizeTwips(QSize pixels)
{
    const auto twips = [](int px) { return double(std::lround(px * 2540.0 / 96)) * 15 / 26.5; };
    return QSizeF(twips(pixels.width()), twips(pixels.height()));
}

bool allConfiguredReady(const GridStore& store, int numGrids)
{
    if (numGrids < 1 || numGrids > 3)
        return false;
    for (int n = 1; n <= numGrids; ++n) {
        if (!store.ready[n])
            return false;
    }
    return true;
}

QStringList exitStatusLines(const GridStore& store, double allGridsReady)
{
    QStringList lines{QStringLiteral("status on exit of grid setup")};
    for (int n = 1; n <= 3; ++n) {
        if (store.ready[n])
            lines << QStringLiteral("Grid %1 is loaded").arg(n);
    }
    if (allGridsReady == 1.0)
        lines << QStringLiteral("setup is OK");
    lines << QStringLiteral("end of status");
    return lines;
}

} // namespace zelvan::grid
