// The accuracy check: grades, the mesh, the accuracy file and the skier path question.
#include "grid/Accuracy.h"
#include "FileFailures.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zelvan;
using namespace zelvan::grid;

namespace
{

const FixedClock kClock{QDateTime(QDate(2026, 7, 4), QTime(9, 5, 7))};

// water = screen / scale, measured from the jump point at the origin.
WorkingSet scaledMap(double scale)
{
    WorkingSet ws;
    setActiveCoefficients(ws, {0, 0, 1 / scale, 0, 0, 0, 0, 0, 1 / scale});
    return ws;
}

AccuracyInput rectangle(double top, double bottom)
{
    AccuracyInput in;
    SetupScreenTexts& t = in.texts;
    t.upper_left_x = t.lower_left_x = QStringLiteral("1000");
    t.upper_right_x = t.lower_right_x = QStringLiteral("7000");
    t.upper_left_y = t.upper_right_y = QString::number(top);
    t.lower_left_y = t.lower_right_y = QString::number(bottom);
    t.ul_survey_x = QStringLiteral("10");
    t.ul_survey_y = QStringLiteral("20");
    t.jump_x = QStringLiteral("0");
    t.jump_y = QStringLiteral("0");
    t.txtCheckX = QStringLiteral("40");
    t.txtCheckY = QStringLiteral("50");
    t.ipt_file_description = QStringLiteral("lake.ipt");
    t.ipt_file_description_2 = QStringLiteral("North camera");
    in.mode = AccuracyMode::Advanced;
    in.barefootMode = true;
    return in;
}

} // namespace

TEST(AccuracyGrades, HomologationLevelBoundariesAndOtherDisplays)
{
    EXPECT_EQ(accuracyGrade(0), QStringLiteral("R"));
    EXPECT_EQ(accuracyGrade(0.1), QStringLiteral("R"));
    EXPECT_EQ(accuracyGrade(0.1001), QStringLiteral("L"));
    EXPECT_EQ(accuracyGrade(0.15), QStringLiteral("L"));
    EXPECT_EQ(accuracyGrade(0.1501), QStringLiteral("C"));
    EXPECT_EQ(accuracyGrade(0.2), QStringLiteral("C"));
    EXPECT_EQ(accuracyGrade(0.2001), QStringLiteral("NH"));
    EXPECT_EQ(accuracyLabel(AccuracyDisplay::HomologationLevel, 45.25, 0.2001),
              QStringLiteral("NH"));
    EXPECT_EQ(accuracyLabel(AccuracyDisplay::Distance, 45.25, 0.2001), QStringLiteral("45.3"));
    EXPECT_EQ(accuracyLabel(AccuracyDisplay::Distance, 45, 0.2001), QStringLiteral("45"));
    EXPECT_EQ(accuracyLabel(AccuracyDisplay::Detail, 45.25, 0.125), QStringLiteral("0.13"));
}

TEST(AccuracyMesh, BilinearBetweenTheFourCorners)
{
    const AccuracyMesh p = accuracyMesh({1000, 2000}, {11000, 1000}, {0, 8000}, {12000, 9000});
    EXPECT_EQ(p[0][0].x, 1000);
    EXPECT_EQ(p[6][6].y, 9000);
    EXPECT_EQ(p[0][3].x, 500);
    EXPECT_EQ(p[0][3].y, 5000);
    EXPECT_EQ(p[6][3].x, 11500);
    EXPECT_EQ(p[6][3].y, 5000);
    EXPECT_EQ(p[3][3].x, 6000);
    EXPECT_EQ(p[3][3].y, 5000);
    EXPECT_EQ(p[3][0].y, 1500);
    EXPECT_EQ(p[3][6].x, 6000);
    EXPECT_EQ(p[3][6].y, 8500);
}

TEST(AccuracyCheck, PointsIndicatorsAndTheAccuracyFile)
{
    AccuracyInput in = rectangle(2000, 8000);
    WorkingSet ws = scaledMap(100);
    ws.checkScreenX = 4000;
    ws.checkScreenY = 5000;
    const AccuracyResult r = runAccuracyCheck(in, ws, kClock);
    ASSERT_TRUE(r.status);
    ASSERT_EQ(r.points.size(), 49);
    EXPECT_TRUE(r.indicatorsVisible);

    const AccuracyPoint& first = r.points[0];
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.x, 1000);
    EXPECT_EQ(first.y, 2000);
    EXPECT_DOUBLE_EQ(first.d0, std::hypot(10.0, 20.0));
    EXPECT_DOUBLE_EQ(first.dH, std::hypot(10.15, 20.0));
    EXPECT_DOUBLE_EQ(first.dV, std::hypot(10.0, 20.15));
    EXPECT_DOUBLE_EQ(first.delta, first.dV - first.d0);
    EXPECT_DOUBLE_EQ(first.waterY, 20.15); // the last conversion is the one 15 twips lower
    EXPECT_EQ(first.label, QStringLiteral("L"));
    EXPECT_EQ(first.left, 1000);
    EXPECT_EQ(first.top, 2075);
    // h outside, r inside: the eighth point starts the second column.
    EXPECT_EQ(r.points[7].h, 1);
    EXPECT_EQ(r.points[7].r, 0);
    EXPECT_EQ(r.points[7].index, 7);
    EXPECT_EQ(r.points[48].x, 7000);
    EXPECT_EQ(r.points[48].y, 8000);

    const QStringList& lines = r.fileLines;
    ASSERT_EQ(lines.size(), 25 + 49 + 2);
    EXPECT_EQ(lines.mid(0, 10),
              QStringList({QStringLiteral("07-04-2026  09:05:07 Accuracy Check"),
                           QStringLiteral("Grid Set-up for accuracy check"),
                           QStringLiteral("lake.ipt"), QStringLiteral("North camera"),
                           QStringLiteral("Grid Number:  1 "), QStringLiteral(" "),
                           QStringLiteral("Front Ratio: 50"), QStringLiteral("Back Ratio: 50"),
                           QStringLiteral("Upper Left X,Y Pixels: 1000  2000"),
                           QStringLiteral("Upper Left X,Y Survey: 10  20")}));
    EXPECT_EQ(lines.mid(20, 5),
              QStringList({QStringLiteral("Jump X,Y Survey: 0  0"), QStringLiteral(" "),
                           QStringLiteral("Check Buoy X,Y Pixels:  4000    5000 "),
                           QStringLiteral("Check Buoy X,Y Survey: 40  50"), QStringLiteral(" ")}));
    EXPECT_EQ(lines[25], QStringLiteral("xpix: 1000  ypix: 2000  x: 10  y: 20.15  distance: "
                                        "22.36  v inc: 22.49  h inc: 22.43  delta: 0.13"));
    EXPECT_TRUE(lines[26].startsWith(QStringLiteral("xpix: 1000  ypix: 3000  ")));
    EXPECT_TRUE(lines[32].startsWith(QStringLiteral("xpix: 2000  ypix: 2000  ")));
    EXPECT_EQ(lines[74], QStringLiteral("Accuracy Check Complete"));
    EXPECT_EQ(lines[75], QString());
}

TEST(AccuracyCheck, StandardModeGradesAndHidesTheIndicators)
{
    AccuracyInput in = rectangle(2000, 8000);
    in.mode = AccuracyMode::Standard;
    in.display = AccuracyDisplay::Distance;
    WorkingSet ws = scaledMap(50); // 15 twips = 0.3 m: not homologable anywhere
    const AccuracyResult r = runAccuracyCheck(in, ws, kClock);
    ASSERT_EQ(r.points.size(), 49);
    EXPECT_EQ(r.display, AccuracyDisplay::HomologationLevel);
    EXPECT_FALSE(r.indicatorsVisible);
    for (const auto& p : r.points)
        EXPECT_EQ(p.label, QStringLiteral("NH"));

    in.mode = AccuracyMode::Advanced;
    const AccuracyResult d = runAccuracyCheck(in, ws, kClock);
    EXPECT_EQ(d.points[0].label, QStringLiteral("44.7")); // hypot(20, 40) = 44.72
}

TEST(AccuracyCheck, VanishingLineMidMeshStopsKeepingThePointsDone)
{
    // d = 1 - y / 4096 vanishes on the fourth row of the first column.
    AccuracyInput in = rectangle(1024, 7168);
    WorkingSet ws;
    setActiveCoefficients(ws, {0, 0, 0.01, 0, 0, -1.0 / 4096, 0, 0, 0.01});
    const AccuracyResult r = runAccuracyCheck(in, ws, kClock);
    ASSERT_FALSE(r.status);
    EXPECT_TRUE(r.status.error().contains(QStringLiteral("x = 1000, y = 4096")));
    EXPECT_EQ(r.points.size(), 3);
    EXPECT_EQ(r.fileLines.size(), 25 + 3);
    EXPECT_FALSE(r.fileLines.contains(QStringLiteral("Accuracy Check Complete")));
}

TEST(SkierPath, AsksUntilALineNumberAndShowsThatRow)
{
    ScriptedDialogs dialogs;
    dialogs.inputAnswers << QString() << std::nullopt << QStringLiteral("8") << QStringLiteral("0")
                         << QStringLiteral("3.5") << QStringLiteral(" 7 near edge");
    EXPECT_EQ(askSkierPathLine(dialogs), 7);
    ASSERT_EQ(dialogs.shown.size(), 6);
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.text, QStringLiteral("Pick the line number that best represents where "
                                             "the skier will land"));
        EXPECT_EQ(shown.title, QStringLiteral("Input the skier path line"));
    }
    EXPECT_EQ(skierPathIndicators(7), QList<int>({6, 13, 20, 27, 34, 41, 48}));
    EXPECT_EQ(skierPathIndicators(1), QList<int>({0, 7, 14, 21, 28, 35, 42}));

    // A dialog that never answers does not hang the station.
    ScriptedDialogs silent;
    EXPECT_FALSE(askSkierPathLine(silent, 5));

    const auto lines =
        skierPathLines(accuracyMesh({1000, 2000}, {7000, 2000}, {1000, 8000}, {7000, 8000}));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[2].labelText, QStringLiteral("3"));
    EXPECT_EQ(lines[2].labelLeft, 1030);
    EXPECT_EQ(lines[2].labelTop, 3910);
    EXPECT_EQ(lines[2].to.x, 7000);
}

TEST(AccuracyFile, AppendsWholeLinesToTheFileOfTheDay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDate day(2026, 7, 4);
    EXPECT_EQ(accuracyFileName(day), QStringLiteral("acc0704.txt"));
    ASSERT_TRUE(appendAccuracyFile(dir.path(), day, {QStringLiteral("a"), QString()}));
    ASSERT_TRUE(appendAccuracyFile(dir.path(), day, {QStringLiteral("b c")}));
    QFile f(dir.filePath(QStringLiteral("acc0704.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("a\r\n\r\nb c\r\n"));

    const Status refused =
        appendAccuracyFile(dir.filePath(QStringLiteral("missing")), day, {QStringLiteral("x")});
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.error().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
}

#ifdef Q_OS_UNIX
TEST(AccuracyFile, AFullDiskKeepsTheDaysFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDate day(2026, 7, 4);
    const QString path = dir.filePath(QStringLiteral("acc0704.txt"));
    ASSERT_TRUE(appendAccuracyFile(dir.path(), day, {QStringLiteral("first check")}));
    Status appended;
    {
        const zelvan::test::FileSizeLimit full(20);
        appended = appendAccuracyFile(dir.path(), day, {QStringLiteral("second check")});
    }
    EXPECT_FALSE(appended);
    EXPECT_TRUE(appended.error().endsWith(QStringLiteral(": File too large")))
        << appended.error().toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("first check\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("acc0704.txt")});
}

TEST(AccuracyFile, AFifoInPlaceOfTheFileIsRefusedWithoutBlocking)
{
    QTemporaryDir dir;
    const QDate day(2026, 7, 4);
    const QString path = dir.filePath(QStringLiteral("acc0704.txt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const Status appended = appendAccuracyFile(dir.path(), day, {QStringLiteral("check")});
    EXPECT_FALSE(appended);
    EXPECT_TRUE(appended.error().endsWith(QStringLiteral(" is not a regular file")))
        << appended.error().toStdString();
    EXPECT_FALSE(QFileInfo(path).isFile());
}
#endif
