#include "grid/NumberForm.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zelvan::grid
{

namespace
{

constexpr int kSignificantDigits = 15;

// Magnitudes written in fixed form: 1E-4 <= |v| < 1E+15, judged after rounding to 15
// significant digits. From 1E+15 up a fixed form would need more digits than are kept, and
// below 1E-4 the leading zeros would crowd out the significant ones - the classic BASIC
// choice, so older readers of these files see familiar texts.
constexpr int kLowestFixedExponent = -4;
constexpr int kHighestFixedExponent = 14;

struct Decimal {
    bool negative = false;
    QByteArray digits; // significant digits, first one non-zero, trailing zeros removed
    int exponent = 0;  // value = 0.d1d2d3... * 10^(exponent + 1)
};

// Splits a "%.Ne" text into sign, digits and exponent.
Decimal decompose(const char* printed)
{
    Decimal d;
    const char* p = printed;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            d.digits.append(*p);
    }
    if (*p == 'e')
        d.exponent = std::atoi(p + 1);
    while (d.digits.size() > 1 && d.digits.endsWith('0'))
        d.digits.chop(1);
    return d;
}

// v rounded to 15 significant digits ("%.14e"; the C library rounds correctly). Near the
// largest double that rounding can go past it, and the text would read back as infinity;
// there the digits are cut instead of rounded so every written number can be read again.
// (Only digits and the exponent are taken from the printed text, so a locale's decimal
// comma does not matter.)
Decimal roundedDecimal(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits - 1, value);
    Decimal d = decompose(buffer);
    const QByteArray largest("17976931348623157"); // digits of the largest double, E+308
    QByteArray padded = d.digits;
    padded.append(QByteArray(std::max<qsizetype>(0, largest.size() - padded.size()), '0'));
    if (d.exponent < 308 || (d.exponent == 308 && padded <= largest))
        return d;
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits + 2, value);
    d = decompose(buffer);
    d.digits.truncate(kSignificantDigits);
    while (d.digits.size() > 1 && d.digits.endsWith('0'))
        d.digits.chop(1);
    return d;
}

QString exponentText(const Decimal& d)
{
    QString text;
    if (d.negative)
        text += QLatin1Char('-');
    text += QLatin1Char(d.digits.at(0));
    if (d.digits.size() > 1) {
        text += QLatin1Char('.');
        text += QString::fromLatin1(d.digits.mid(1));
    }
    text += QLatin1Char('E');
    text += d.exponent < 0 ? QLatin1Char('-') : QLatin1Char('+');
    text += QStringLiteral("%1").arg(std::abs(d.exponent), 2, 10, QLatin1Char('0'));
    return text;
}

QString fixedText(const Decimal& d)
{
    QString text;
    if (d.negative)
        text += QLatin1Char('-');
    const QString digits = QString::fromLatin1(d.digits);
    if (d.exponent < 0) {
        text += QLatin1Char('.');
        text += QString(-d.exponent - 1, QLatin1Char('0'));
        text += digits;
        return text;
    }
    const int whole = d.exponent + 1;
    if (digits.size() <= whole) {
        text += digits;
        text += QString(whole - digits.size(), QLatin1Char('0'));
    } else {
        text += digits.left(whole);
        text += QLatin1Char('.');
        text += digits.mid(whole);
    }
    return text;
}

} // namespace

QString numberText(double value)
{
    if (value == 0 || !std::isfinite(value)) {
        // Zero (either sign) is "0". Non-finite values never come out of a solved grid; they
        // are written as 0 rather than as a text no reader accepts.
        return QStringLiteral("0");
    }
    const Decimal d = roundedDecimal(value);
    if (d.exponent >= kLowestFixedExponent && d.exponent <= kHighestFixedExponent)
        return fixedText(d);
    return exponentText(d);
}

QString writtenNumber(double value)
{
    const QString text = numberText(value);
    if (text.startsWith(QLatin1Char('-')))
        return text + QLatin1Char(' ');
    return QLatin1Char(' ') + text + QLatin1Char(' ');
}

} // namespace zelvan::grid
