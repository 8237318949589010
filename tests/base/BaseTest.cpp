// The shared rules of the bottom layer: results, number reading, folder names.
#include "base/Numbers.h"
#include "base/Result.h"

#include <gtest/gtest.h>

using namespace zelvan;

namespace
{

Result<int> half(int n)
{
    if (n % 2)
        return fail(QStringLiteral("%1 is odd").arg(n));
    return n / 2;
}

Status positive(int n)
{
    if (n <= 0)
        return fail(QStringLiteral("not positive"));
    return {};
}

} // namespace

TEST(Result, CarriesTheValueOrTheReason)
{
    const Result<int> good = half(8);
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, 4);
    EXPECT_TRUE(good.error().isEmpty());

    const Result<int> bad = half(7);
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad.error(), QStringLiteral("7 is odd"));
    EXPECT_EQ(bad.valueOr(-1), -1);
    EXPECT_EQ(good.valueOr(-1), 4);

    EXPECT_TRUE(positive(1));
    EXPECT_EQ(positive(0).error(), QStringLiteral("not positive"));
    EXPECT_EQ(firstFailure(positive(0), fail(QStringLiteral("second"))).error(),
              QStringLiteral("not positive"));
    EXPECT_EQ(firstFailure(positive(1), fail(QStringLiteral("second"))).error(),
              QStringLiteral("second"));
    EXPECT_TRUE(firstFailure(positive(1), positive(2)));
}

TEST(Numbers, ExponentsAreReadOnlyWhereAllowed)
{
    EXPECT_EQ(parseNumber(u"1.5E-07"), 1.5e-7);
    EXPECT_EQ(parseNumber(u" 2e3 "), 2000.0);
    EXPECT_FALSE(parseNumber(u"2e3", Exponent::Refused).has_value());
    EXPECT_EQ(parseNumber(u" -2.5 ", Exponent::Refused), -2.5);
    EXPECT_EQ(parseNumber(u".5", Exponent::Refused), 0.5);
    for (const char16_t* bad : {u"", u"1,5", u"0x10", u"inf", u"12a", u"1.2.3"}) {
        EXPECT_FALSE(parseNumber(bad).has_value()) << QString::fromUtf16(bad).toStdString();
        EXPECT_FALSE(parseNumber(bad, Exponent::Refused).has_value());
    }
}

TEST(Numbers, LeadingNumberReadsTheFrontOfACaptionOrAnswer)
{
    EXPECT_EQ(leadingNumber(u"12 fps"), 12);
    EXPECT_EQ(leadingNumber(u"  29.97fps"), 29.97);
    EXPECT_EQ(leadingNumber(u"+5.5.5"), 5.5);
    EXPECT_EQ(leadingNumber(u"-3x"), -3);
    EXPECT_EQ(leadingNumber(u".25 m"), 0.25);
    EXPECT_EQ(leadingNumber(u"1e2 lines"), 100);
    EXPECT_EQ(leadingNumber(u"fps 12"), 0);
    EXPECT_EQ(leadingNumber(u"-"), 0);
    EXPECT_EQ(leadingNumber(u"1e999"), 0); // not finite: no number
}

TEST(Numbers, OneTrailingSeparatorIsDropped)
{
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("C:\\Videos\\")),
              QStringLiteral("C:\\Videos"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("/data/videos/")),
              QStringLiteral("/data/videos"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("/data//")), QStringLiteral("/data/"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("/data")), QStringLiteral("/data"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("\\")), QStringLiteral("\\"));
    EXPECT_EQ(withoutTrailingSeparator(QString()), QString());
    EXPECT_EQ(kTwipsPerPixel * 640, 9600);
}

TEST(Numbers, ATypedNumberTakesADecimalCommaAsThePointOrIsRefused)
{
    const auto read = [](const char* typed) { return readTypedNumber(QString::fromUtf8(typed)); };
    ASSERT_TRUE(read(" 45,3 "));
    EXPECT_EQ(read(" 45,3 ")->text, QStringLiteral("45.3"));
    EXPECT_EQ(read(" 45,3 ")->value, 45.3);
    EXPECT_EQ(read("149")->text, QStringLiteral("149"));
    EXPECT_EQ(read("149")->value, 149);
    EXPECT_EQ(read("-2.5")->value, -2.5) << "the sign is the caller's to judge";
    for (const char* refused : {"", "  ", "45,3,1", "45.3,1", "4 5", "12m", "1e3", "m", ","})
        EXPECT_FALSE(read(refused)) << refused;
}
