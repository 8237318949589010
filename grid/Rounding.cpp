#include "grid/Rounding.h"

#include "grid/NumberForm.h"

#include <QRegularExpression>
#include <cmath>

namespace zelvan::grid
{

double roundHalfUp(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::floor(value * scale + 0.5) / scale;
}

QString decimalText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // no "-0"
    return QString::number(value, 'g', 15);
}

std::optional<double> boxNumber(const QString& text)
{
    return parseNumber(text); // a box holds what a grid file field holds
}

double leadingNumber(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

} // namespace zelvan::grid
