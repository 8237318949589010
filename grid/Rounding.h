#pragma once
// Number texts of displayed and logged values, and the reading of the set-up screen's boxes.
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

// A box text that is a whole plain number: optional spaces, sign, digits with an optional
// point, optional exponent, optional spaces. std::nullopt for anything else (placeholders,
// "12,x", empty, infinite).
std::optional<double> boxNumber(const QString& text);

// The leading number of a text, as an input box answer or caption is read: " 7 lines" -> 7,
// "auto" -> 0, "" -> 0.
double leadingNumber(const QString& text);

} // namespace zelvan::grid
