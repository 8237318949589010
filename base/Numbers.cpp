#include "base/Numbers.h"

#include <QByteArray>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace zelvan
{

namespace
{

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

// Consumes digits from `i`, appending them to `out`; how many there were.
int takeDigits(QStringView field, qsizetype& i, qsizetype end, QByteArray& out)
{
    int digits = 0;
    for (; i < end && isDigit(field.at(i)); ++i, ++digits)
        out.append(char(field.at(i).unicode()));
    return digits;
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

// The field between its blanks as plain ASCII when it has the number form, else nothing.
std::optional<QByteArray> numberForm(QStringView field, qsizetype begin, qsizetype end,
                                     Exponent exponent)
{
    QByteArray ascii;
    ascii.reserve(end - begin);
    qsizetype i = begin;
    if (isSign(field.at(i)))
        ascii.append(char(field.at(i++).unicode()));
    int mantissaDigits = takeDigits(field, i, end, ascii);
    if (i < end && field.at(i) == QLatin1Char('.')) {
        ascii.append('.');
        ++i;
        mantissaDigits += takeDigits(field, i, end, ascii);
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (field.at(i) == QLatin1Char('E') || field.at(i) == QLatin1Char('e'))) {
        if (exponent == Exponent::Refused)
            return std::nullopt;
        ascii.append(char(field.at(i++).unicode()));
        if (i < end && isSign(field.at(i)))
            ascii.append(char(field.at(i++).unicode()));
        if (takeDigits(field, i, end, ascii) == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return ascii;
}

} // namespace

std::optional<double> parseNumber(QStringView field, Exponent exponent)
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
    const std::optional<QByteArray> ascii = numberForm(field, begin, end, exponent);
    if (!ascii)
        return std::nullopt;

    // The text is plain ASCII decimal by now; QByteArray reads it the "C" way, whatever the
    // workstation's locale says about decimal separators.
    bool ok = false;
    const double value = ascii->toDouble(&ok);
    if (ok)
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    // Out of range: too large is not a usable number; too small is zero.
    if (decimalMagnitude(*ascii) > 0)
        return std::nullopt;
    return ascii->startsWith('-') ? -0.0 : 0.0;
}

std::optional<TypedNumber> readTypedNumber(QStringView typed)
{
    QString text = typed.trimmed().toString();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const std::optional<double> value = parseNumber(text, Exponent::Refused);
    if (!value)
        return std::nullopt;
    return TypedNumber{text, *value};
}

double leadingNumber(QStringView text)
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

QString withoutTrailingSeparator(const QString& path)
{
    QString dir = path;
    if (dir.size() > 1 && (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/'))))
        dir.chop(1);
    return dir;
}

QString fileNameSafe(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe)
        if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char(' ');
    return safe;
}

} // namespace zelvan
