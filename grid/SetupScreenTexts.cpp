#include "grid/SetupScreenTexts.h"

#include "grid/NumberForm.h"

namespace zelvan::grid
{

SetupScreenTexts setupScreenTexts(const GridSetup& s)
{
    SetupScreenTexts t;
    const auto fill = [&](int k, QString& x, QString& y, QString& sx, QString& sy) {
        x = numberText(s.buoy[k].screenX);
        y = numberText(s.buoy[k].screenY);
        sx = numberText(s.buoy[k].surveyX);
        sy = numberText(s.buoy[k].surveyY);
    };
    fill(UpperRight, t.upper_right_x, t.upper_right_y, t.ur_survey_x, t.ur_survey_y);
    fill(LowerRight, t.lower_right_x, t.lower_right_y, t.lr_survey_x, t.lr_survey_y);
    fill(UpperLeft, t.upper_left_x, t.upper_left_y, t.ul_survey_x, t.ul_survey_y);
    fill(LowerLeft, t.lower_left_x, t.lower_left_y, t.ll_survey_x, t.ll_survey_y);
    t.jump_x = numberText(s.jumpX);
    t.jump_y = numberText(s.jumpY);
    return t;
}

QString setupBlockHeading(const QDateTime& now)
{
    return now.toString(QStringLiteral("MM-dd-yyyy")) + QLatin1Char(' ') +
           now.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" New Set-up now in place");
}

QStringList buoyAndJumpLines(const SetupScreenTexts& t, const QString& screenUnit)
{
    const QString gap = QStringLiteral("  ");
    const QString blank = QStringLiteral(" ");
    QStringList lines;
    const auto buoy = [&](const QString& name, const QString& x, const QString& y,
                          const QString& sx, const QString& sy) {
        lines << name + QStringLiteral(" X,Y ") + screenUnit + QStringLiteral(": ") + x + gap + y
              << name + QStringLiteral(" X,Y Survey: ") + sx + gap + sy << blank;
    };
    buoy(QStringLiteral("Upper Left"), t.upper_left_x, t.upper_left_y, t.ul_survey_x,
         t.ul_survey_y);
    buoy(QStringLiteral("Lower Left"), t.lower_left_x, t.lower_left_y, t.ll_survey_x,
         t.ll_survey_y);
    buoy(QStringLiteral("Upper Right"), t.upper_right_x, t.upper_right_y, t.ur_survey_x,
         t.ur_survey_y);
    buoy(QStringLiteral("Lower Right"), t.lower_right_x, t.lower_right_y, t.lr_survey_x,
         t.lr_survey_y);
    lines << QStringLiteral("Jump X,Y Survey: ") + t.jump_x + gap + t.jump_y << blank;
    return lines;
}

} // namespace zelvan::grid
