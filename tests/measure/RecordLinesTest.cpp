// The record's texts: results line pieces in order, WSTIMS lines, raw log, notes, numbering.
#include "measure/RecordLines.h"

#include <gtest/gtest.h>

using namespace zelvan::measure;

namespace
{

const QDateTime kWhen(QDate(2026, 7, 4), QTime(14, 3, 22));

ResultsLineInput measured()
{
    ResultsLineInput in;
    in.when = kWhen;
    in.skierName = QStringLiteral("SMITH, JOHN");
    in.jumpNumber = QStringLiteral("3");
    in.distanceText = QStringLiteral("45.3m");
    in.distanceFtText = QStringLiteral("149ft");
    in.waterX = 12.34549;
    in.waterY = -3.0004;
    in.screenX = 4500.9;
    in.screenY = 3000.2;
    in.rawDistanceText = QStringLiteral("45.2771");
    return in;
}

} // namespace

TEST(ResultsLine, MeasuredJumpPieceByPiece)
{
    EXPECT_EQ(resultsLine(measured()),
              QStringLiteral("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 45.3m  (IWSF)149ft  "
                             "(AWSA) (12.345/-3) (4500/3000) (45.2771)"));
}

TEST(ResultsLine, BarefootComesBeforeUnofficialThenTheComment)
{
    ResultsLineInput in = measured();
    in.barefootMode = true;
    in.verifyMode = true;
    in.comment = QStringLiteral("nice");
    in.otherGrid = true;
    EXPECT_EQ(resultsLine(in), QStringLiteral("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 45.3m  "
                                              "(IWSF)149ft  (AWSA) BAREFOOT  UNOFFICIAL JUMP - "
                                              "verify mode nice"));
    in.barefootMode = false;
    EXPECT_TRUE(
        resultsLine(in).endsWith(QStringLiteral("(AWSA) UNOFFICIAL JUMP - verify mode nice")));
}

TEST(ResultsLine, FallBeforeAnyMeasurementHasAnEmptyLastGroup)
{
    ResultsLineInput in;
    in.when = kWhen;
    in.skierName = QStringLiteral("DOE");
    in.jumpNumber = QStringLiteral("1");
    in.comment = QStringLiteral("Fall");
    EXPECT_EQ(resultsLine(in), QStringLiteral("07-04-2026 14:03:22 DOE  jump 1 -   (IWSF)  "
                                              "(AWSA)Fall (0/0) (0/0) ()"));
}

TEST(WstimsLine, DecidedByTheCommentTextExactly)
{
    const QString m = QStringLiteral("45.3"), f = QStringLiteral("149"), n = QStringLiteral("3");
    EXPECT_EQ(wstimsResultLine(QStringLiteral("Fall"), m, f, n), QStringLiteral("Fall, 0, 0,3"));
    EXPECT_EQ(wstimsResultLine(QStringLiteral("Pass"), m, f, n), QStringLiteral("Pass, 0, 0,3"));
    EXPECT_EQ(wstimsResultLine(QString(), m, f, n), QStringLiteral("OK, 45.3, 149, 3"));
    EXPECT_EQ(wstimsResultLine(QStringLiteral("fall"), m, f, n),
              QStringLiteral("OK, 45.3, 149, 3"));
    EXPECT_EQ(wstimsResultLine(QStringLiteral("Fall "), QString(), QString(), n),
              QStringLiteral("OK, , , 3"));
    // An other-grid feet text keeps its blank.
    EXPECT_EQ(wstimsResultLine(QStringLiteral("Distance from other grid"), QStringLiteral("10"),
                               QStringLiteral(" 34.8"), n),
              QStringLiteral("OK, 10,  34.8, 3"));
}

TEST(RawLog, ShortNameUpToTheFirstComma)
{
    EXPECT_EQ(shortSkierName(QStringLiteral("SMITH, JOHN")), QStringLiteral("SMITH"));
    EXPECT_EQ(shortSkierName(QStringLiteral("A,B,C")), QStringLiteral("A"));
    EXPECT_EQ(shortSkierName(QStringLiteral("JONES")), QStringLiteral("JONES"));
    EXPECT_EQ(shortSkierName(QString()), QString());
    EXPECT_EQ(rawLogLine(kWhen, QStringLiteral("SMITH, JOHN"), QStringLiteral("OK, 45.3, 149, 3")),
              QStringLiteral("14:03:22 ,SMITH,OK, 45.3, 149, 3"));
}

TEST(NoteLine, DateTimeAndText)
{
    EXPECT_EQ(noteLine(QDateTime(QDate(2026, 12, 31), QTime(9, 5, 7)),
                       QLatin1String(kMandatoryRerideText)),
              QStringLiteral("12-31-2026 09:05:07 Mandatory Reride - disregard last jump"));
}

TEST(JumpNumber, LeadingNumberPlusOne)
{
    EXPECT_EQ(advancedJumpNumber(QStringLiteral("3")), QStringLiteral("4"));
    EXPECT_EQ(advancedJumpNumber(QStringLiteral("2 b")), QStringLiteral("3"));
    EXPECT_EQ(advancedJumpNumber(QString()), QStringLiteral("1"));
    EXPECT_EQ(advancedJumpNumber(QStringLiteral("Jump")), QStringLiteral("1"));
}

TEST(OtherGrid, AgreeWithinTwoFeet)
{
    EXPECT_TRUE(otherGridDistancesAgree(QStringLiteral("10"), QStringLiteral(" 34.8")));
    EXPECT_FALSE(otherGridDistancesAgree(QStringLiteral("10"), QStringLiteral(" 35")));
    EXPECT_TRUE(otherGridDistancesAgree(QStringLiteral("10"), QStringLiteral(" 30.9")));
    EXPECT_FALSE(otherGridDistancesAgree(QStringLiteral("10"), QStringLiteral(" 30.8")));
    EXPECT_TRUE(otherGridDistancesAgree(QStringLiteral("0"), QStringLiteral(" 2")));
    EXPECT_TRUE(otherGridDistancesAgree(QStringLiteral("abc"), QString()));
}
