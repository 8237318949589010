#pragma once
// The number form of the grid files and the set-up blocks: plain decimal, up to 15
// significant digits, no leading zero for values strictly between -1 and 1 (.5, -.25),
// exponent form (1E+15, 1.5E-07) for very large and very small magnitudes.
#include <QString>
#include <QStringView>
#include <optional>

namespace zelvan::grid
{

// The bare number text: "4500", "-7.25", ".5", "1E+20". v is rounded to 15 significant
// digits; fixed form for 1E-4 <= |v| < 1E+15, exponent form outside. Zero (either sign) is
// "0". Near the largest double the last digit is cut rather than rounded up, so that every
// text written reads back as a finite number.
QString numberText(double value);

// As written in files: one leading space when not negative, one trailing space.
QString writtenNumber(double value);

// Fields are read back with parseNumber (base/Numbers.h).

} // namespace zelvan::grid
