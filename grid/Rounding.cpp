#include "grid/Rounding.h"

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

} // namespace zelvan::grid
