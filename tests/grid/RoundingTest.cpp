// Reading the set-up screen's boxes and the text of displayed numbers.
#include "grid/Rounding.h"
#include "base/Numbers.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;

TEST(BoxNumber, OnlyWholePlainNumbers)
{
    EXPECT_EQ(parseNumber(QStringLiteral(" 12.5 ")), 12.5);
    EXPECT_EQ(parseNumber(QStringLiteral("-.25")), -0.25);
    EXPECT_EQ(parseNumber(QStringLiteral("+4500")), 4500);
    EXPECT_EQ(parseNumber(QStringLiteral("1.5E-07")), 1.5e-7);
    EXPECT_EQ(parseNumber(QStringLiteral("7.")), 7);
    for (const char* junk : {"", " ", "12,x", "12,5", "auto", "input", "jump x", "CheckX", "nan",
                             "inf", "1e400", "0x10", "1 2", "--1", "."})
        EXPECT_FALSE(parseNumber(QString::fromLatin1(junk))) << junk;
}

TEST(LeadingNumber, AsAnswersAndCaptionsAreRead)
{
    EXPECT_EQ(leadingNumber(QStringLiteral(" 7 lines")), 7);
    EXPECT_EQ(leadingNumber(QStringLiteral("12,x")), 12);
    EXPECT_EQ(leadingNumber(QStringLiteral("3.5")), 3.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("-2")), -2);
    EXPECT_EQ(leadingNumber(QStringLiteral("auto")), 0);
    EXPECT_EQ(leadingNumber(QString()), 0);
}

TEST(DisplayedNumbers, HalfUpAndTheirText)
{
    EXPECT_EQ(roundHalfUp(45.25, 1), 45.3);
    EXPECT_EQ(roundHalfUp(45.249, 1), 45.2);
    EXPECT_EQ(roundHalfUp(-0.05, 1), 0); // half up, not away from zero
    EXPECT_EQ(roundHalfUp(0.125, 2), 0.13);
    EXPECT_EQ(decimalText(45), QStringLiteral("45"));
    EXPECT_EQ(decimalText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(decimalText(45.3), QStringLiteral("45.3"));
    EXPECT_EQ(decimalText(1.0 / 3), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(decimalText(-12.4), QStringLiteral("-12.4"));
}
