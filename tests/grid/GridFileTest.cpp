// Saving and reading grid file pairs: exact bytes, round trips, and every kind of bad file.
#include "grid/GridFile.h"
#include "FileFailures.h"
#include "GridFileFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zelvan::grid;
using namespace zelvan::test;

namespace
{

double roundedTo15(double v)
{
    return QString::number(v, 'g', 15).toDouble();
}

class GridFilePair : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString lake;
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        lake = dir.filePath(QStringLiteral("lake.ipt"));
    }
    QByteArray savedGridBytes()
    {
        QString error;
        EXPECT_TRUE(savePair(lake, QStringLiteral("North camera"), sampleSetup(),
                             QStringLiteral("41.5"), QStringLiteral("12"), error))
            << error.toStdString();
        return readAll(lake);
    }
};

QByteArray joinLines(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines)
        out += line + "\r\n";
    return out;
}

} // namespace

TEST_F(GridFilePair, SavesBothFilesByteExactWithCrLf)
{
    QString error;
    ASSERT_TRUE(savePair(lake, QStringLiteral("Lake north, camera 2, 08/12"), sampleSetup(),
                         QStringLiteral("41.50"), QStringLiteral(" 12"), error))
        << error.toStdString();

    const QByteArray expectedGrid = joinLines({
        "Initialization Points for file: " + QDir::toNativeSeparators(lake).toUtf8(),
        "Lake north, camera 2, 08/12",
        " 4500 , 3000 , 12.5 ,-7.25 ",
        " 8200.5 , 6150 , 14.75 , 30.125 ",
        " 1800 , 2985 , 71.3 ,-6.5 ",
        " 600 , 6300 , 70.25 , 31 ",
        " 81.2345678901235 ",
        "-.0123456789 ",
        " .5 ",
        "-1.25E-05 ",
        " 3.5E-07 ",
        "-12.75 ",
        " .0004 ",
        "-.02 ",
        " 40.5 ",
        "-60.25 ",
        " 10 ",
        " 2 ",
        " 2 ",
    });
    EXPECT_EQ(readAll(lake), expectedGrid);
    // The check buoy's survey lines are kept exactly as typed.
    EXPECT_EQ(readAll(lake + ".cb"), QByteArray(" 4200 \r\n 4455 \r\n41.50\r\n 12\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"lake.ipt", "lake.ipt.cb"}))
        << "no temporaries may be left beside the pair";
}

TEST_F(GridFilePair, ReadsBackWhatWasSavedTo15SignificantDigits)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> twips(0, 20000);
    std::uniform_real_distribution<double> meters(-300, 300);
    std::uniform_real_distribution<double> tiny(-1e-3, 1e-3);
    for (int round = 0; round < 25; ++round) {
        GridSetup s;
        for (int k = 1; k <= 4; ++k)
            s.buoy[k] = {twips(random), twips(random), meters(random), meters(random)};
        for (int i = 1; i <= 8; ++i)
            s.c[i] = i == 4 || i == 5 ? tiny(random) : meters(random);
        s.jumpX = meters(random);
        s.jumpY = meters(random);
        s.gridNumber = 1 + round % 3;
        s.checkScreenX = twips(random);
        s.checkScreenY = twips(random);
        const QString cx = QString::number(meters(random), 'f', 3);
        const QString cy = QString::number(meters(random), 'f', 2);

        QString error;
        ASSERT_TRUE(savePair(lake, QStringLiteral("round %1").arg(round), s, cx, cy, error))
            << error.toStdString();
        const auto back = loadPair(lake, error);
        ASSERT_TRUE(back.ok()) << error.toStdString();
        EXPECT_TRUE(back->hasCheckBuoyFile);
        EXPECT_EQ(back->description2, QStringLiteral("round %1").arg(round));
        GridSetup expected = s;
        for (int k = 1; k <= 4; ++k) {
            Buoy& b = expected.buoy[k];
            b = {roundedTo15(b.screenX), roundedTo15(b.screenY), roundedTo15(b.surveyX),
                 roundedTo15(b.surveyY)};
        }
        for (double* v :
             {&expected.c[1], &expected.c[2], &expected.c[3], &expected.c[4], &expected.c[5],
              &expected.c[6], &expected.c[7], &expected.c[8], &expected.jumpX, &expected.jumpY,
              &expected.checkScreenX, &expected.checkScreenY})
            *v = roundedTo15(*v);
        expected.checkSurveyX = cx.toDouble();
        expected.checkSurveyY = cy.toDouble();
        expectSameSetup(back->setup, expected);
        EXPECT_EQ(back->checkXText, cx);
        EXPECT_EQ(back->checkYText, cy);

        // Saving what was read gives the same bytes again.
        const QByteArray first = readAll(lake);
        ASSERT_TRUE(savePair(lake, back->description2, back->setup, back->checkXText,
                             back->checkYText, error));
        EXPECT_EQ(readAll(lake), first);
    }
}

TEST_F(GridFilePair, KeepsFractionsCommasAndTheFilesGridNumber)
{
    GridSetup s = sampleSetup();
    s.c[3] = 0.5;
    s.c[8] = -0.25;
    s.gridNumber = 3;
    const QString description = QStringLiteral("Site A, dock camera, zoom 2,5 , left");
    QString error;
    ASSERT_TRUE(
        savePair(lake, description, s, QStringLiteral("41.5"), QStringLiteral("12"), error));
    const auto back = loadPair(lake, error);
    ASSERT_TRUE(back.ok()) << error.toStdString();
    EXPECT_EQ(back->description2, description);
    EXPECT_EQ(back->setup.c[3], 0.5);
    EXPECT_EQ(back->setup.c[8], -0.25);
    EXPECT_EQ(back->setup.gridNumber, 3.0);
    EXPECT_EQ(back->setup.constant1, 10.0);
    EXPECT_EQ(back->setup.constant2, 2.0);
}

TEST_F(GridFilePair, ReadsFilesWithLfEndingsAndAnsiText)
{
    QByteArray bytes = savedGridBytes();
    bytes.replace("\r\n", "\n");
    bytes.replace("North camera", "Nord\xe9 cam\xe9ra"); // Latin-1, not UTF-8
    writeAll(lake, bytes);
    writeAll(lake + ".cb", " 4200\n 4455\n41.5\n12"); // no line end after the last line
    QString error;
    const auto back = loadPair(lake, error);
    ASSERT_TRUE(back.ok()) << error.toStdString();
    EXPECT_EQ(back->description2, QString::fromUtf8("Nordé caméra"));
    EXPECT_EQ(back->setup.checkScreenY, 4455.0);
    EXPECT_EQ(back->checkYText, QStringLiteral("12"));
}

TEST_F(GridFilePair, NonAsciiTextsRoundTripAndStayAnsiWhereTheyCan)
{
    QString error;
    for (const QString& description :
         {QString::fromUtf8("Nordé caméra"), QString::fromUtf8("Ã© looks like UTF-8"),
          QString::fromUtf8("Łódź jezioro"), QStringLiteral("plain")}) {
        SCOPED_TRACE(description.toStdString());
        ASSERT_TRUE(savePair(lake, description, sampleSetup(), QStringLiteral("41.5"),
                             QStringLiteral("12"), error));
        const auto back = loadPair(lake, error);
        ASSERT_TRUE(back.ok()) << error.toStdString();
        EXPECT_EQ(back->description2, description);
    }
    // Latin-1 text is written as older stations write it: one byte per character.
    ASSERT_TRUE(savePair(lake, QString::fromUtf8("Nordé"), sampleSetup(), QStringLiteral("41.5"),
                         QStringLiteral("12"), error));
    EXPECT_TRUE(readAll(lake).contains("\r\nNord\xe9\r\n"));
}

TEST_F(GridFilePair, OldStyleSetUpsAndUnpickedCheckBuoysLoad)
{
    savedGridBytes();
    ASSERT_TRUE(QFile::remove(lake + ".cb"));
    QString error;
    auto old = loadPair(lake, error);
    ASSERT_TRUE(old.ok()) << error.toStdString();
    EXPECT_FALSE(old->hasCheckBuoyFile);
    EXPECT_EQ(old->setup.checkScreenX, 0.0);
    EXPECT_EQ(old->setup.checkSurveyX, 0.0);
    EXPECT_EQ(old->setup.buoy[UpperRight].screenX, 4500.0);

    // A check-buoy file saved before the check buoy was picked: loads, with whatever the
    // survey boxes held.
    for (const QByteArray& cb :
         {QByteArray(" 0 \r\n 0 \r\n\r\n\r\n"), QByteArray(" 0 \r\n 0 \r\nCheckX\r\nCheckY\r\n"),
          QByteArray(" 0 \r\n 0 \r\n33.5\r\n-2\r\n")}) {
        writeAll(lake + ".cb", cb);
        const auto unpicked = loadPair(lake, error);
        ASSERT_TRUE(unpicked.ok()) << error.toStdString();
        EXPECT_TRUE(unpicked->hasCheckBuoyFile);
        EXPECT_EQ(unpicked->setup.checkScreenX, 0.0);
        EXPECT_EQ(unpicked->checkXText, QString::fromUtf8(cb.split('\r').at(2).mid(1)));
    }
    EXPECT_EQ(loadPair(lake, error)->setup.checkSurveyX, 33.5);
}

TEST_F(GridFilePair, TruncatedGridFilesFailNamingFileAndLine)
{
    const QByteArray whole = savedGridBytes();
    QList<QByteArray> lines = whole.split('\n');
    lines.removeLast();
    ASSERT_EQ(lines.size(), 19);
    for (int kept = 0; kept < 19; ++kept) {
        SCOPED_TRACE(kept);
        QByteArray cut;
        for (int i = 0; i < kept; ++i)
            cut += lines[i] + '\n';
        writeAll(lake, cut);
        QString error;
        EXPECT_FALSE(loadPair(lake, error).ok());
        EXPECT_TRUE(error.startsWith(QStringLiteral("Grid file lake.ipt"))) << error.toStdString();
        if (kept > 0) {
            EXPECT_TRUE(error.contains(QStringLiteral(", line %1: ").arg(kept + 1)))
                << error.toStdString();
        }
    }
    // Cut in the middle of a buoy line.
    writeAll(lake, whole.left(whole.indexOf(" 3000 ,")));
    QString error;
    EXPECT_FALSE(loadPair(lake, error).ok());
    EXPECT_EQ(error, QStringLiteral("Grid file lake.ipt, line 3: expected 4 numbers separated "
                                    "by commas"));
}

TEST_F(GridFilePair, NonNumericFieldsFailOnTheirLine)
{
    const QByteArray whole = savedGridBytes();
    const QList<QByteArray> lines = whole.split('\n');
    for (int line = 3; line <= 19; ++line) {
        SCOPED_TRACE(line);
        QList<QByteArray> changed = lines;
        QByteArray& target = changed[line - 1];
        if (line <= 6)
            target.replace(" , ", " ,x");
        else
            target = " 1O \r"; // letter O, a typing slip
        writeAll(lake, changed.join('\n'));
        QString error;
        EXPECT_FALSE(loadPair(lake, error).ok());
        EXPECT_EQ(error, QStringLiteral("Grid file lake.ipt, line %1: not a number").arg(line));
    }
}

TEST_F(GridFilePair, RefusesMalformedAndForeignFiles)
{
    const QByteArray whole = savedGridBytes();
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* expected;
    };
    QByteArray twoNumbers = whole;
    twoNumbers.replace(" 4500 , 3000 , 12.5 ,-7.25 ", " 4500 , 3000 ");
    QByteArray fiveNumbers = whole;
    fiveNumbers.replace(" 4500 , 3000 , 12.5 ,-7.25 ", " 4500 , 3000 , 12.5 ,-7.25 , 1 ");
    QByteArray twoOnOneLine = whole;
    twoOnOneLine.replace("-12.75 ", "-12.75 , 4 ");
    QByteArray nul = whole;
    nul[int(whole.indexOf("North")) + 2] = '\0';
    QByteArray extra = whole + " 7 \r\n";
    QByteArray infinite = whole;
    infinite.replace(" 40.5 ", " 1E+999 ");
    QByteArray hex = whole;
    hex.replace(" 40.5 ", " 0x28 ");
    QByteArray longLine = whole;
    longLine.replace("North camera", QByteArray(5000, 'n'));
    const std::vector<Case> cases = {
        {"empty", QByteArray(), "Grid file lake.ipt: the file is empty"},
        {"two fields", twoNumbers,
         "Grid file lake.ipt, line 3: expected 4 numbers separated by commas"},
        {"five fields", fiveNumbers,
         "Grid file lake.ipt, line 3: expected 4 numbers separated by commas"},
        {"two on a single line", twoOnOneLine, "Grid file lake.ipt, line 12: expected one number"},
        {"nul byte", nul, "Grid file lake.ipt, line 2: binary data (NUL byte)"},
        {"text after line 19", extra,
         "Grid file lake.ipt, line 20: unexpected text after the grid number"},
        {"overflow", infinite, "Grid file lake.ipt, line 15: not a number"},
        {"hexadecimal", hex, "Grid file lake.ipt, line 15: not a number"},
        {"over-long line", longLine, "Grid file lake.ipt, line 2: line too long"},
        {"huge", QByteArray(kMaxGridFileBytes + 10, ' '),
         "Grid file lake.ipt: too large to be a grid setup file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeAll(lake, c.bytes);
        QString error;
        EXPECT_FALSE(loadPair(lake, error).ok());
        EXPECT_EQ(error, QString::fromLatin1(c.expected));
    }

    std::mt19937 random(99);
    for (int i = 0; i < 50; ++i) {
        QByteArray junk(int(random() % 3000), '\0');
        for (char& ch : junk)
            ch = char(random());
        writeAll(lake, junk);
        QString error;
        EXPECT_FALSE(loadPair(lake, error).ok());
        EXPECT_TRUE(error.startsWith(QStringLiteral("Grid file lake.ipt"))) << error.toStdString();
    }

    QString error;
    EXPECT_FALSE(loadPair(dir.filePath("nowhere.ipt"), error).ok());
    EXPECT_EQ(error, QStringLiteral("Grid file nowhere.ipt: not found"));
    EXPECT_FALSE(loadPair(dir.path(), error).ok()) << "a folder is no grid file";
}

TEST_F(GridFilePair, CorruptCheckBuoyFilesFail)
{
    savedGridBytes();
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"", "Check buoy file lake.ipt.cb: the file is empty"},
        {" 4200 \r\n", "Check buoy file lake.ipt.cb, line 2: missing (the file ends early)"},
        {" 4200 \r\n 4455 \r\n",
         "Check buoy file lake.ipt.cb, line 3: missing (the file ends early)"},
        {" 4200 \r\n 4455 \r\n41.5\r\n",
         "Check buoy file lake.ipt.cb, line 4: missing (the file ends early)"},
        {"auto\r\n 4455 \r\n41.5\r\n12\r\n", "Check buoy file lake.ipt.cb, line 1: not a number"},
        {" 4200 \r\n 44,55 \r\n41.5\r\n12\r\n",
         "Check buoy file lake.ipt.cb, line 2: expected one number"},
        {" 4200 \r\n 4455 \r\nCheckX\r\n12\r\n",
         "Check buoy file lake.ipt.cb, line 3: not a number"},
        {" 4200 \r\n 4455 \r\n41.5\r\n12 m\r\n",
         "Check buoy file lake.ipt.cb, line 4: not a number"},
        {" 4200 \r\n 4455 \r\n41.5\r\n12\r\n99\r\n",
         "Check buoy file lake.ipt.cb, line 5: unexpected text after the check buoy"},
        {QByteArray(" 4200 \r\n\0\r\n", 10),
         "Check buoy file lake.ipt.cb, line 2: binary data (NUL byte)"},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        writeAll(lake + ".cb", bytes);
        QString error;
        EXPECT_FALSE(loadPair(lake, error).ok());
        EXPECT_EQ(error, expected);
    }
}

TEST_F(GridFilePair, FailedSavesLeaveNothingBehind)
{
    QString error;
    const QString missingFolder = dir.filePath(QStringLiteral("no such folder/lake.ipt"));
    EXPECT_FALSE(savePair(missingFolder, QStringLiteral("x"), sampleSetup(), QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Grid file lake.ipt: cannot be written")))
        << error.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // Texts that cannot be one line, and values that are not numbers, are refused whole.
    GridSetup notFinite = sampleSetup();
    notFinite.c[5] = std::nan("");
    EXPECT_FALSE(savePair(lake, QStringLiteral("x"), notFinite, QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_FALSE(savePair(lake, QStringLiteral("two\r\nlines"), sampleSetup(), QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_FALSE(savePair(lake, QStringLiteral("x"), sampleSetup(), QStringLiteral("1\n2"),
                          QStringLiteral("2"), error));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // The check-buoy file cannot be written: the old grid file stays as it was.
    const QByteArray old = savedGridBytes();
    ASSERT_TRUE(QFile::remove(lake + ".cb"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("lake.ipt.cb")));
    GridSetup changed = sampleSetup();
    changed.jumpX = 99;
    EXPECT_FALSE(savePair(lake, QStringLiteral("changed"), changed, QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Check buoy file lake.ipt.cb: cannot be written")))
        << error.toStdString();
    EXPECT_EQ(readAll(lake), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{"lake.ipt", "lake.ipt.cb"}));
}

#ifdef Q_OS_UNIX
TEST_F(GridFilePair, AFullDiskKeepsThePreviousPair)
{
    const QByteArray oldGrid = savedGridBytes();
    const QByteArray oldCb = readAll(lake + ".cb");
    ASSERT_FALSE(oldCb.isEmpty());
    GridSetup changed = sampleSetup();
    changed.jumpX = 99;
    // The grid file is written first and is the larger: every limit below its size fails on
    // it, before the check-buoy file is touched.
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(40)}) {
        SCOPED_TRACE(limit);
        QString error;
        {
            const zelvan::test::FileSizeLimit full(limit);
            EXPECT_FALSE(savePair(lake, QStringLiteral("changed"), changed, QStringLiteral("1"),
                                  QStringLiteral("2"), error));
        }
        EXPECT_TRUE(error.startsWith(QStringLiteral("Grid file lake.ipt: cannot be written")))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("File too large"))) << error.toStdString();
        EXPECT_EQ(readAll(lake), oldGrid);
        EXPECT_EQ(readAll(lake + ".cb"), oldCb);
        EXPECT_EQ(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{"lake.ipt", "lake.ipt.cb"}));
    }
}

TEST_F(GridFilePair, SpecialFilesAreRefusedAndKept)
{
    const QByteArray oldGrid = savedGridBytes();
    ASSERT_TRUE(QFile::remove(lake + ".cb"));
    ASSERT_EQ(mkfifo(QFile::encodeName(lake + ".cb").constData(), 0600), 0);
    GridSetup changed = sampleSetup();
    changed.jumpX = 99;
    QString error;
    // Nothing opens the FIFO: neither writing the pair nor reading it back blocks.
    EXPECT_FALSE(savePair(lake, QStringLiteral("changed"), changed, QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Check buoy file lake.ipt.cb: cannot be written")))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
    EXPECT_EQ(readAll(lake), oldGrid);
    EXPECT_FALSE(loadPair(lake, error).ok());
    EXPECT_EQ(error, QStringLiteral("Check buoy file lake.ipt.cb: not a regular file"));

    const QString fifoGrid = dir.filePath(QStringLiteral("pipe.ipt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifoGrid).constData(), 0600), 0);
    EXPECT_FALSE(loadPair(fifoGrid, error).ok());
    EXPECT_EQ(error, QStringLiteral("Grid file pipe.ipt: not a regular file"));
    EXPECT_FALSE(savePair(fifoGrid, QStringLiteral("x"), changed, QStringLiteral("1"),
                          QStringLiteral("2"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Grid file pipe.ipt: cannot be written")));
    EXPECT_FALSE(QFileInfo::exists(fifoGrid + ".cb"));
    EXPECT_FALSE(loadPair(dir.path(), error).ok());
    EXPECT_TRUE(error.endsWith(QStringLiteral(": not a regular file"))) << error.toStdString();
}
#endif
