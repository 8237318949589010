#pragma once
// Number texts of displayed and logged values.
// Displayed measurements are rounded half up by floor(v * 10^n + 0.5) / 10^n, the rule the
// officials' figures have always followed, floating error included.
#include <QString>
#include <optional>

namespace zelvan::grid
{

// floor(value * 10^decimals + 0.5) / 10^decimals, literally.
double roundHalfUp(double value, int decimals);

// Up to 15 significant digits, no trailing zeros, no point for whole values: "45", "45.3",
// "-0.25". Used for displays, messages and debug-log lines.
QString decimalText(double value);

// Box texts are read with parseNumber and leadingNumber (base/Numbers.h).

} // namespace zelvan::grid
