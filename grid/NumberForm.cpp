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

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Power of ten of the leading significant digit of a validated number text; only its sign
// matters (overflow or underflow), so a zero mantissa counts as very small.
long decimalMagnitude(const QByteArray& text)
{
    QByteArray mantissa = text;
    long exponent = 0;
    const qsizetype e = std::max(text.indexOf('e'), text.indexOf('E'));
    if (e >= 0) {
        mantissa = text.left(e);
        const QByteArray digits = text.mid(e + 1);
        for (char c : digits) {
            if (c >= '0' && c <= '9') // clamp absurdly long exponents rather than overflow
                exponent = std::min(exponent * 10 + (c - '0'), 1000000L);
        }
        if (digits.startsWith('-'))
            exponent = -exponent;
    }
    if (mantissa.startsWith('-') || mantissa.startsWith('+'))
        mantissa.remove(0, 1);
    const qsizetype point = mantissa.indexOf('.');
    QByteArray whole = point >= 0 ? mantissa.left(point) : mantissa;
    const QByteArray fraction = point >= 0 ? mantissa.mid(point + 1) : QByteArray();
    while (whole.startsWith('0'))
        whole.remove(0, 1);
    if (!whole.isEmpty())
        return long(whole.size()) - 1 + exponent;
    qsizetype zeros = 0;
    while (zeros < fraction.size() && fraction.at(zeros) == '0')
        ++zeros;
    if (zeros == fraction.size())
        return -1000000;
    return -long(zeros) - 1 + exponent;
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

std::optional<double> parseNumber(QStringView field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && isBlank(field.at(begin)))
        ++begin;
    while (end > begin && isBlank(field.at(end - 1)))
        --end;
    // A number longer than this is not something the station ever wrote or a person typed.
    constexpr qsizetype kLongestNumber = 400;
    if (begin == end || end - begin > kLongestNumber)
        return std::nullopt;

    QByteArray ascii;
    ascii.reserve(end - begin);
    qsizetype i = begin;
    auto take = [&] { ascii.append(char(field.at(i++).unicode())); };
    if (field.at(i) == QLatin1Char('+') || field.at(i) == QLatin1Char('-'))
        take();
    int mantissaDigits = 0;
    while (i < end && isDigit(field.at(i))) {
        take();
        ++mantissaDigits;
    }
    if (i < end && field.at(i) == QLatin1Char('.')) {
        take();
        while (i < end && isDigit(field.at(i))) {
            take();
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (field.at(i) == QLatin1Char('E') || field.at(i) == QLatin1Char('e'))) {
        take();
        if (i < end && (field.at(i) == QLatin1Char('+') || field.at(i) == QLatin1Char('-')))
            take();
        int exponentDigits = 0;
        while (i < end && isDigit(field.at(i))) {
            take();
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    // The text is plain ASCII decimal by now; QByteArray reads it the "C" way, whatever the
    // workstation's locale says about decimal separators.
    bool ok = false;
    const double value = ascii.toDouble(&ok);
    if (ok)
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    // Out of range: too large is not a usable number; too small is zero.
    if (decimalMagnitude(ascii) > 0)
        return std::nullopt;
    return ascii.startsWith('-') ? -0.0 : 0.0;
}

} // namespace zelvan::grid
