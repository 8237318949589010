// The record operation end to end on real files: measured jumps, falls and passes on live and
// frozen pictures, the other-grid entry, verify and barefoot, refusals and a results file that
// cannot be written for a while.
#include "measure/RecordJump.h"

#include "FileFailures.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "grid/Transform.h"
#include "measure/RecordFiles.h"
#include "measure/RecordLines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::measure;

using zelvan::test::bytesOf;

namespace
{

struct Record : ::testing::Test {
    QTemporaryDir tmp;
    grid::WorkingSet ws;
    RecordSettings s;
    ScriptedDialogs dialogs;
    MeasureValues v;

    void SetUp() override
    {
        // water = screen / 100: the click (0, 4320) lies 43.2 m from the jump point.
        grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, 0, 0, 0, 0, 0.01});
        QDir(tmp.path()).mkdir(QStringLiteral("zqio"));
        s.now = QDateTime(QDate(2026, 7, 4), QTime(14, 3, 22));
        s.wstims = true;
        s.resultsPath = tmp.filePath(QStringLiteral("results.txt"));
        s.keptPath = tmp.filePath(QLatin1String(kKeptResultsFileName));
        s.zqioFolder = tmp.filePath(QStringLiteral("zqio"));
        v.skierName = QStringLiteral("SMITH, JOHN");
        v.jumpNumber = QStringLiteral("3");
        v.distanceText = QStringLiteral("m");
        v.distanceFtText = QStringLiteral("ft");
        v.lastClick = {0, 4320};
        v.impactMarked = true;
    }
    QByteArray results() const { return bytesOf(s.resultsPath); }
    QByteArray zq(const char* name) const { return bytesOf(QDir(s.zqioFolder).filePath(name)); }
};

} // namespace

TEST_F(Record, MeasuredJump)
{
    QFile snap(QDir(s.zqioFolder).filePath(QStringLiteral("snapshot.bmp")));
    ASSERT_TRUE(snap.open(QIODevice::WriteOnly));
    snap.close();
    const RecordOutcome r = recordJump(v, ws, s, dialogs);
    ASSERT_TRUE(r.recorded);
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 45.3m  (IWSF)149ft  "
                                    "(AWSA) (0/43.2) (0/4320) (45.3)\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    EXPECT_EQ(zq("zqraw.dst"), QByteArray("14:03:22 ,SMITH,OK, 45.3, 149, 3\r\n"));
    EXPECT_EQ(r.values.jumpNumber, QStringLiteral("3"));
    EXPECT_EQ(r.values.distanceText, QStringLiteral("45.3m"));
    EXPECT_EQ(r.values.distanceFtText, QStringLiteral("149ft"));
    EXPECT_EQ(r.values.rawDistanceText, QStringLiteral("45.3"));
    EXPECT_FALSE(r.clearPassAndFall);
    EXPECT_FALSE(snap.exists());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Record, FallLiveAndFrozen)
{
    v.fallOrPass = QStringLiteral("Fall");
    v.comment = QStringLiteral("Fall");
    const RecordOutcome live = recordJump(v, ws, s, dialogs);
    EXPECT_EQ(live.values.jumpNumber, QStringLiteral("4"));
    EXPECT_TRUE(live.clearPassAndFall);
    EXPECT_TRUE(live.values.comment.isEmpty());
    v.pictureFrozen = true;
    v.fallOrPass = QStringLiteral("Pass");
    v.comment = QStringLiteral("Pass");
    const RecordOutcome frozen = recordJump(v, ws, s, dialogs);
    EXPECT_EQ(frozen.values.jumpNumber, QStringLiteral("3"));
    EXPECT_FALSE(frozen.clearPassAndFall);
    // Before any measurement the last group is empty.
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 -   (IWSF)  "
                                    "(AWSA)Fall (0/0) (0/0) ()\r\n"
                                    "07-04-2026 14:03:22 SMITH, JOHN  jump 3 -   (IWSF)  "
                                    "(AWSA)Pass (0/0) (0/0) ()\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("Pass, 0, 0,3\r\n"));
    EXPECT_EQ(zq("zqraw.dst"),
              QByteArray("14:03:22 ,SMITH,Fall, 0, 0,3\r\n14:03:22 ,SMITH,Pass, 0, 0,3\r\n"));
}

TEST_F(Record, LowerCaseFallIsAnOkLine)
{
    v.comment = QStringLiteral("fall");
    ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 45.3, 149, 3\r\n"));
    EXPECT_TRUE(results().contains("(AWSA)fall (0/43.2)"));
}

TEST_F(Record, OtherGridAcceptedAfterAMismatch)
{
    v.otherGrid = true;
    v.comment = QStringLiteral("Distance from other grid");
    dialogs.yesNoAnswers << true << true;
    for (const char* answer : {"10", "35", "10", "34.8"})
        dialogs.inputAnswers.enqueue(QString::fromLatin1(answer));
    const RecordOutcome r = recordJump(v, ws, s, dialogs);
    EXPECT_EQ(dialogs.messages(), QStringList{QLatin1String(kOtherGridMismatchText)});
    EXPECT_EQ(dialogs.texts().count(QLatin1String(kOtherGridQuestion)), 2);
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 10m  (IWSF) 34.8ft  "
                                    "(AWSA)Distance from other grid\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 10,  34.8, 3\r\n"));
    EXPECT_EQ(r.values.jumpNumber, QStringLiteral("4"));
    EXPECT_FALSE(r.values.otherGrid);
}

TEST_F(Record, OtherGridAnsweredNo)
{
    v.otherGrid = true;
    const RecordOutcome r = recordJump(v, ws, s, dialogs);
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 -   (IWSF)  "
                                    "(AWSA)Other Grid - no distance recorded\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, , , 3\r\n"));
    EXPECT_EQ(r.values.jumpNumber, QStringLiteral("4"));
}

TEST_F(Record, BarefootInVerifyMode)
{
    s.barefootMode = true;
    s.barefootIndicatorShown = true;
    v.verifyMode = true;
    ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
    // No offset: 43.2 m, 141.7 ft in tenths.
    EXPECT_EQ(results(),
              QByteArray("07-04-2026 14:03:22 SMITH, JOHN  jump 3 - 43.2m  (IWSF)141.7ft  "
                         "(AWSA) BAREFOOT  UNOFFICIAL JUMP - verify mode  (0/43.2) "
                         "(0/4320) (43.2)\r\n"));
    EXPECT_EQ(zq("zqresult.dst"), QByteArray("OK, 43.2, 141.7, 3\r\n"));
}

TEST_F(Record, VanishingLineRecordsNothing)
{
    grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, 0.001, 0, 0, 0, 0.01});
    v.lastClick = {-1000, 10};
    const RecordOutcome r = recordJump(v, ws, s, dialogs);
    EXPECT_FALSE(r.recorded);
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_FALSE(QFile::exists(s.resultsPath));
    EXPECT_FALSE(QFile::exists(QDir(s.zqioFolder).filePath(QStringLiteral("zqresult.dst"))));
    EXPECT_EQ(r.values.distanceText, QStringLiteral("m"));
}

TEST_F(Record, WstimsFailureIsToldAndTheResultsLineStands)
{
    s.zqioFolder = tmp.filePath(QStringLiteral("nozqio"));
    ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QLatin1String(kWstimsErrorText)));
    EXPECT_TRUE(results().startsWith("07-04-2026"));
}

TEST_F(Record, RerideAndCommentLines)
{
    writeNote(QLatin1String(kOptionalRerideText), s, dialogs);
    writeNote(QStringLiteral("wind gust"), s, dialogs);
    EXPECT_EQ(results(), QByteArray("07-04-2026 14:03:22 Optional Reride on previous jump\r\n"
                                    "07-04-2026 14:03:22 wind gust\r\n"));
}

#ifdef Q_OS_UNIX
TEST_F(Record, ResultsFileUnwritableMidSessionLosesNoLine)
{
    // A day's results file is much longer than the few lines kept while it is full.
    writeNote(QString(400, QLatin1Char('=')), s, dialogs);
    ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
    const qint64 full = QFileInfo(s.resultsPath).size();
    v.jumpNumber = QStringLiteral("4");
    {
        // The disk is full for the results file; the short kept lines still fit.
        test::FileSizeLimit limit(full);
        v.comment = QStringLiteral("Fall");
        v.fallOrPass = QStringLiteral("Fall");
        ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
        writeNote(QStringLiteral("note"), s, dialogs);
    }
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_TRUE(dialogs.messages()[0].contains(QDir::toNativeSeparators(s.resultsPath)));
    // WSTIMS was written each time.
    EXPECT_EQ(zq("zqraw.dst"),
              QByteArray("14:03:22 ,SMITH,OK, 45.3, 149, 3\r\n14:03:22 ,SMITH,Fall, 0, 0,4\r\n"));
    EXPECT_EQ(QFileInfo(s.resultsPath).size(), full);
    v.fallOrPass.clear();
    v.comment.clear();
    v.jumpNumber = QStringLiteral("5");
    ASSERT_TRUE(recordJump(v, ws, s, dialogs).recorded);
    const QList<QByteArray> lines = results().split('\n');
    ASSERT_EQ(lines.size(), 6); // five lines and the empty rest
    EXPECT_TRUE(lines[1].contains("jump 3 - 45.3m"));
    EXPECT_TRUE(lines[2].contains("jump 4 -   (IWSF)  (AWSA)Fall"));
    EXPECT_EQ(lines[3], QByteArray("07-04-2026 14:03:22 note\r"));
    EXPECT_TRUE(lines[4].contains("jump 5 - 45.3m"));
    EXPECT_FALSE(QFile::exists(s.keptPath));
}
#endif
