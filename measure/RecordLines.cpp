#include "measure/RecordLines.h"

#include "base/Numbers.h"
#include "grid/Rounding.h"

#include <cmath>

namespace zelvan::measure
{

QString recordDate(const QDateTime& t)
{
    return t.toString(QStringLiteral("MM-dd-yyyy"));
}

QString recordTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

namespace
{

QString pair(const QString& a, const QString& b)
{
    return QStringLiteral(" (") + a + QLatin1Char('/') + b + QLatin1Char(')');
}

} // namespace

QString resultsLine(const ResultsLineInput& in)
{
    QString line = recordDate(in.when) + QLatin1Char(' ') + recordTime(in.when) + QLatin1Char(' ');
    line += in.skierName + QStringLiteral("  jump ") + in.jumpNumber + QStringLiteral(" - ");
    line += in.distanceText + QStringLiteral("  (IWSF)");
    line += in.distanceFtText + QStringLiteral("  (AWSA)");
    if (in.barefootMode)
        line += QStringLiteral(" BAREFOOT ");
    if (in.verifyMode)
        line += QStringLiteral(" UNOFFICIAL JUMP - verify mode ");
    line += in.comment;
    if (!in.otherGrid) {
        line += pair(grid::decimalText(grid::roundHalfUp(in.waterX, 3)),
                     grid::decimalText(grid::roundHalfUp(in.waterY, 3)));
        line += pair(grid::decimalText(std::floor(in.screenX)),
                     grid::decimalText(std::floor(in.screenY)));
        line += QStringLiteral(" (") + in.rawDistanceText + QLatin1Char(')');
    }
    return line;
}

QString wstimsResultLine(const QString& comment, const QString& metersText, const QString& feetText,
                         const QString& jumpNumber)
{
    if (comment == QLatin1String("Fall") || comment == QLatin1String("Pass"))
        return comment + QStringLiteral(", 0, 0,") + jumpNumber;
    return QStringLiteral("OK, ") + metersText + QStringLiteral(", ") + feetText +
           QStringLiteral(", ") + jumpNumber;
}

QString shortSkierName(const QString& skierName)
{
    const qsizetype comma = skierName.indexOf(QLatin1Char(','));
    return comma < 0 ? skierName : skierName.left(comma);
}

QString rawLogLine(const QDateTime& when, const QString& skierName, const QString& resultLine)
{
    return recordTime(when) + QStringLiteral(" ,") + shortSkierName(skierName) + QLatin1Char(',') +
           resultLine;
}

QString noteLine(const QDateTime& when, const QString& text)
{
    return recordDate(when) + QLatin1Char(' ') + recordTime(when) + QLatin1Char(' ') + text;
}

QString advancedJumpNumber(const QString& jumpNumber)
{
    return grid::decimalText(leadingNumber(jumpNumber) + 1);
}

bool otherGridDistancesAgree(const QString& metersText, const QString& feetText)
{
    const double m = leadingNumber(metersText);
    const double f = leadingNumber(feetText);
    return !(m * 3.2808 + 2 < f || m * 3.2808 - 2 > f);
}

} // namespace zelvan::measure
