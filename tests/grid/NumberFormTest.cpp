// The number form of grid files: how numbers are written and read back.
#include "grid/NumberForm.h"
#include "base/Numbers.h"

#include <QRegularExpression>
#include <QString>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using zelvan::parseNumber;
using zelvan::grid::numberText;
using zelvan::grid::writtenNumber;

namespace
{

// v rounded to 15 significant digits, by Qt's own conversion rather than the writer's.
double roundedTo15(double v)
{
    return QString::number(v, 'g', 15).toDouble();
}

// The shape every written number must have: optional minus, then either a fixed decimal
// without a leading zero before the point and without trailing zeros, or a mantissa with
// "E", a sign and at least two exponent digits.
const QRegularExpression kShape(QStringLiteral(
    R"(^-?(0|[1-9][0-9]*(\.[0-9]*[1-9])?|\.[0-9]*[1-9]|[1-9](\.[0-9]*[1-9])?E[+-][0-9]{2,3})$)"));

int significantDigits(const QString& text)
{
    QString mantissa = text.section(QLatin1Char('E'), 0, 0);
    mantissa.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
    while (mantissa.startsWith(QLatin1Char('0')))
        mantissa.remove(0, 1);
    while (mantissa.endsWith(QLatin1Char('0')))
        mantissa.chop(1);
    return int(mantissa.size());
}

void expectRoundTrip(double v)
{
    const QString text = numberText(v);
    SCOPED_TRACE(QStringLiteral("%1 -> %2").arg(v, 0, 'g', 17).arg(text).toStdString());
    EXPECT_TRUE(kShape.match(text).hasMatch());
    EXPECT_LE(significantDigits(text), 15);
    const std::optional<double> back = parseNumber(text);
    ASSERT_TRUE(back.has_value());
    const double expected = roundedTo15(v);
    if (std::isfinite(expected)) {
        // Exact halfway cases may go either way (to even here, up in Qt); any other value has
        // one nearest 15-digit neighbour.
        const bool tie = *back != expected && std::fabs(*back - v) == std::fabs(expected - v);
        if (!tie) {
            EXPECT_EQ(*back, expected);
        }
    } else {
        // Rounding up past the largest double: the writer cuts the digit instead.
        EXPECT_TRUE(std::isfinite(*back));
        EXPECT_NEAR(*back / v, 1.0, 1e-14);
    }
    EXPECT_EQ(numberText(*back), text) << "writing what was read must give the same text";
    EXPECT_EQ(parseNumber(writtenNumber(v)), back);
}

} // namespace

TEST(NumberForm, WritesPlainDecimalsWithoutLeadingZeroOrTrailingZeros)
{
    EXPECT_EQ(numberText(4500), "4500");
    EXPECT_EQ(numberText(-7.25), "-7.25");
    EXPECT_EQ(numberText(12.5), "12.5");
    EXPECT_EQ(numberText(0.5), ".5");
    EXPECT_EQ(numberText(-0.25), "-.25");
    EXPECT_EQ(numberText(0.1 + 0.2), ".3");
    EXPECT_EQ(numberText(1.0 / 3.0), ".333333333333333");
    EXPECT_EQ(numberText(-2.0 / 3.0), "-.666666666666667");
    EXPECT_EQ(numberText(100), "100");
    EXPECT_EQ(numberText(1234567.125), "1234567.125");
    EXPECT_EQ(numberText(0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
}

TEST(NumberForm, SwitchesToExponentFormOutsideTheFixedRange)
{
    // Fixed from 1E-4 up to just below 1E+15.
    EXPECT_EQ(numberText(0.0001), ".0001");
    EXPECT_EQ(numberText(-0.00012), "-.00012");
    EXPECT_EQ(numberText(0.00009), "9E-05");
    EXPECT_EQ(numberText(1.5e-7), "1.5E-07");
    EXPECT_EQ(numberText(999999999999999.0), "999999999999999");
    EXPECT_EQ(numberText(123456789012345.6), "123456789012346");
    EXPECT_EQ(numberText(1e15), "1E+15");
    EXPECT_EQ(numberText(-1e20), "-1E+20");
    EXPECT_EQ(numberText(2.5e100), "2.5E+100");
    EXPECT_EQ(numberText(1e-300), "1E-300");
    // Rounding to 15 digits can carry into the next power of ten.
    EXPECT_EQ(numberText(999999999999999.9), "1E+15");
    EXPECT_EQ(numberText(0.00009999999999999999), ".0001");
}

TEST(NumberForm, WrittenNumbersCarryTheSignPositionAndATrailingSpace)
{
    EXPECT_EQ(writtenNumber(4500), " 4500 ");
    EXPECT_EQ(writtenNumber(-7.25), "-7.25 ");
    EXPECT_EQ(writtenNumber(0.5), " .5 ");
    EXPECT_EQ(writtenNumber(-0.0), " 0 ");
    EXPECT_EQ(writtenNumber(1e20), " 1E+20 ");
}

TEST(NumberForm, ReadsEveryDecimalFormAroundSpaces)
{
    EXPECT_EQ(parseNumber(u" 12.5 "), 12.5);
    EXPECT_EQ(parseNumber(u".5"), 0.5);
    EXPECT_EQ(parseNumber(u"-.25"), -0.25);
    EXPECT_EQ(parseNumber(u"+3"), 3.0);
    EXPECT_EQ(parseNumber(u"5."), 5.0);
    EXPECT_EQ(parseNumber(u"1E+20"), 1e20);
    EXPECT_EQ(parseNumber(u"1.5e-07"), 1.5e-7);
    EXPECT_EQ(parseNumber(u"2E3"), 2000.0);
    EXPECT_EQ(parseNumber(u"\t42\t"), 42.0);
    EXPECT_EQ(parseNumber(u"0007"), 7.0);
    // Too small to hold is zero, not an error.
    EXPECT_EQ(parseNumber(u"1e-400"), 0.0);
    EXPECT_TRUE(std::signbit(*parseNumber(u"-1e-400")));
}

TEST(NumberForm, RefusesAnythingThatIsNotOneDecimalNumber)
{
    for (const char16_t* bad : {u"",       u"   ",
                                u"abc",    u"12a",
                                u"1 2",    u"1,5",
                                u"--1",    u"+-1",
                                u".",      u"-.",
                                u"E5",     u"1E",
                                u"1E+",    u"1e5.5",
                                u"0x10",   u"inf",
                                u"-inf",   u"nan",
                                u"NaN",    u"Infinity",
                                u"1e400",  u"-1e999999999999999999",
                                u"\u0661", u"1\u00a0"}) {
        EXPECT_FALSE(parseNumber(QStringView(bad)).has_value())
            << QString::fromUtf16(bad).toStdString();
    }
    EXPECT_FALSE(parseNumber(QString(5000, QLatin1Char('1'))).has_value());
}

TEST(NumberForm, EveryFiniteDoubleRoundTripsTo15SignificantDigits)
{
    const double extremes[] = {DBL_MAX,
                               -DBL_MAX,
                               DBL_MIN,
                               -DBL_MIN,
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(),
                               2.2250738585072e-310,
                               1e15 - 1,
                               1e15,
                               9007199254740993.0,
                               0.0001,
                               0.00009999999999999,
                               1e-5,
                               123.456,
                               -1e-4};
    for (double v : extremes)
        expectRoundTrip(v);

    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    int tested = 0;
    while (tested < 20000) {
        const std::uint64_t bits = anyBits(random);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            continue;
        expectRoundTrip(v);
        ++tested;
    }
    std::uniform_int_distribution<long long> integers(-1000000000000000LL, 1000000000000000LL);
    for (int i = 0; i < 5000; ++i) {
        const double v = double(integers(random));
        expectRoundTrip(v);
        if (std::fabs(v) < 1e15) {
            EXPECT_EQ(parseNumber(numberText(v)), v) << "integers below 1E+15 are exact";
        }
    }
    std::uniform_real_distribution<double> measures(-20000, 20000);
    for (int i = 0; i < 5000; ++i)
        expectRoundTrip(measures(random));
}
