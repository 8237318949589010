// Loading a grid file pair into a grid of the station: what changes, what is shown, logged
// and written to the results file, and that a bad file changes nothing.
#include "GridFileFixtures.h"
#include "base/Clock.h"
#include "grid/GridFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using namespace zelvan::test;

namespace
{

class GridLoad : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString lake;
    GridStore store;
    WorkingSet work;
    GridFlags flags;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 5, 7))};

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        lake = dir.filePath(QStringLiteral("lake.ipt"));
        QString error;
        ASSERT_TRUE(savePair(lake, QStringLiteral("North, camera 2"), sampleSetup(),
                             QStringLiteral("41.5"), QStringLiteral("12"), error))
            << error.toStdString();
    }

    GridLoadResult load(int grid, int numGrids, SetupBlockForm form = SetupBlockForm::GridLoad,
                        double pictureWidth = 9000)
    {
        GridLoadRequest request;
        request.path = lake;
        request.grid = grid;
        request.numGrids = numGrids;
        request.pictureWidthTwips = pictureWidth;
        request.form = form;
        return loadGridIntoStation(request, store, work, flags, clock);
    }
};

} // namespace

TEST_F(GridLoad, ReadyGridFillsStoreWorkingSetAndFlags)
{
    store.ready[1] = true; // grid 1 was completed earlier
    flags.surveyDirection = -1;
    const GridLoadResult r = load(2, 2);
    ASSERT_TRUE(r.loaded()) << r.status.error().toStdString();
    EXPECT_TRUE(r.ready);
    EXPECT_TRUE(store.ready[2]);
    EXPECT_EQ(flags.allGridsReady, 1.0);
    // Upper right survey X 12.5 < upper left 71.3.
    EXPECT_EQ(flags.surveyDirection, 1.0);
    EXPECT_EQ(r.settingsKey, QStringLiteral("grid2File"));
    EXPECT_TRUE(r.messages.isEmpty());

    GridSetup expected = sampleSetup();
    expected.c[1] = 81.2345678901235; // as written, 15 significant digits
    expectSameSetup(store.setup[2], expected);
    EXPECT_EQ(store.gridDescription[2], QDir::toNativeSeparators(lake));
    EXPECT_EQ(store.gridDescription2[2], QStringLiteral("North, camera 2"));
    EXPECT_EQ(work.currentGrid, 2.0);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(work.coefficient(i), expected.c[i]) << i;
    EXPECT_EQ(work.buoyScreenX[LowerRight], 8200.5);
    EXPECT_EQ(work.buoySurveyY[UpperRight], -7.25);
    EXPECT_EQ(work.jumpSurveyY, -60.25);
    EXPECT_EQ(work.checkScreenY, 4455.0);
    EXPECT_EQ(work.checkSurveyX, 41.5);

    ASSERT_EQ(r.debugLog.size(), 8);
    EXPECT_EQ(r.debugLog.first(), QStringLiteral("load grid 2"));
    EXPECT_TRUE(r.debugLog[1].startsWith(QStringLiteral("Front set-up ratio = ")));
    EXPECT_TRUE(r.debugLog[2].startsWith(QStringLiteral("Back set-up ratio = ")));
    EXPECT_EQ(r.debugLog.mid(3),
              (QStringList{"Load grid file names on main page below", "Load grid 2",
                           "Grid load message above", "2 grids - OK",
                           "Number of grids loaded message above"}));

    EXPECT_EQ(r.boxes.upper_right_x, QStringLiteral("4500"));
    EXPECT_EQ(r.boxes.ur_survey_y, QStringLiteral("-7.25"));
    EXPECT_EQ(r.boxes.txtCheckX, QStringLiteral("41.5"));
    EXPECT_EQ(r.boxes.txtCheckXpix, QStringLiteral("4200"));
}

TEST_F(GridLoad, SetUpBlockForTheResultsFile)
{
    const GridLoadResult r = load(1, 1);
    ASSERT_TRUE(r.loaded());
    const QStringList expected = {
        "07-04-2026 09:05:07 New Set-up now in place",
        QDir::toNativeSeparators(lake),
        "North, camera 2",
        "Grid Number:  1 ",
        " ",
        "Upper Left X,Y Twips: 1800  2985",
        "Upper Left X,Y Survey: 71.3  -6.5",
        " ",
        "Lower Left X,Y Twips: 600  6300",
        "Lower Left X,Y Survey: 70.25  31",
        " ",
        "Upper Right X,Y Twips: 4500  3000",
        "Upper Right X,Y Survey: 12.5  -7.25",
        " ",
        "Lower Right X,Y Twips: 8200.5  6150",
        "Lower Right X,Y Survey: 14.75  30.125",
        " ",
        "Jump X,Y Survey: 40.5  -60.25",
        " ",
        "Check Buoy X,Y Twips:  4200    4455 ",
        "Check Buoyt X,Y Survey:  41.5    12 ",
        " ",
    };
    EXPECT_EQ(r.setupBlock, expected);

    // The start-up loader spells the check buoy's survey label correctly and logs nothing of
    // the set-up screen's own.
    const GridLoadResult startup = load(1, 1, SetupBlockForm::StartupLoad);
    ASSERT_TRUE(startup.loaded());
    QStringList startupExpected = expected;
    startupExpected[20] = QStringLiteral("Check Buoy X,Y Survey:  41.5    12 ");
    EXPECT_EQ(startup.setupBlock, startupExpected);
    EXPECT_TRUE(startup.debugLog.isEmpty());
    EXPECT_TRUE(startup.ready);
    EXPECT_EQ(flags.allGridsReady, 1.0);
}

TEST_F(GridLoad, SetUpsWithoutAPickedCheckBuoyAreShownButNotReady)
{
    ASSERT_TRUE(QFile::remove(lake + ".cb"));
    store.ready[1] = true;
    flags.allGridsReady = 1.0;
    const GridLoadResult r = load(1, 1);
    ASSERT_TRUE(r.loaded()) << r.status.error().toStdString();
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0].text,
              QStringLiteral("I cannot find a  check  buoy file for this setup.  That means you "
                             "are inputting an old set-up file that does not have a check "
                             "buoy.  To complete the set up correctly, you must have a check "
                             "buoy input to the set up."));
    EXPECT_EQ(r.messages[0].icon, Icon::Error);
    EXPECT_FALSE(r.ready);
    EXPECT_FALSE(store.ready[1]) << "the grid now holds a set-up that was never checked";
    EXPECT_EQ(flags.allGridsReady, 0.0);
    EXPECT_TRUE(r.settingsKey.isEmpty());
    EXPECT_EQ(r.boxes.txtCheckX, QString());
    EXPECT_EQ(r.boxes.txtCheckXpix, QStringLiteral("auto"));
    EXPECT_EQ(r.boxes.txtCheckYpix, QStringLiteral("auto"));
    EXPECT_EQ(work.checkScreenX, 0.0);
    EXPECT_EQ(r.setupBlock.mid(r.setupBlock.size() - 2),
              (QStringList{"No check buoy for this set up", " "}));
    EXPECT_EQ(r.debugLog.size(), 3); // load line and the two ratios
    EXPECT_EQ(r.debugLog.first(), QStringLiteral("load grid 1"));

    // At start-up the same file is reported differently and writes no set-up block.
    const GridLoadResult startup = load(1, 1, SetupBlockForm::StartupLoad);
    ASSERT_TRUE(startup.loaded());
    ASSERT_EQ(startup.messages.size(), 1);
    EXPECT_EQ(startup.messages[0].text,
              QStringLiteral("Error in load - no check buoy found - setup grid again"));
    EXPECT_TRUE(startup.setupBlock.isEmpty());
    EXPECT_FALSE(store.ready[1]);

    // A check-buoy file saved before the check buoy was picked loads quietly, not ready.
    writeAll(lake + ".cb", " 0 \r\n 0 \r\n\r\n\r\n");
    const GridLoadResult unpicked = load(3, 3);
    ASSERT_TRUE(unpicked.loaded()) << unpicked.status.error().toStdString();
    EXPECT_TRUE(unpicked.messages.isEmpty());
    EXPECT_FALSE(unpicked.ready);
    EXPECT_FALSE(store.ready[3]);
    EXPECT_EQ(unpicked.boxes.txtCheckXpix, QStringLiteral("0"));
    EXPECT_EQ(unpicked.setupBlock.at(unpicked.setupBlock.size() - 2),
              QStringLiteral("No check buoy for this set up"));
}

TEST_F(GridLoad, FilesGridNumberIsKeptAndAllGridsNeedToBeReady)
{
    GridSetup s = sampleSetup();
    s.gridNumber = 3;
    QString error;
    ASSERT_TRUE(savePair(lake, QStringLiteral("x"), s, QStringLiteral("41.5"), QStringLiteral("12"),
                         error));
    const GridLoadResult r = load(1, 3);
    ASSERT_TRUE(r.loaded());
    EXPECT_EQ(store.setup[1].gridNumber, 3.0);
    EXPECT_EQ(store.setup[3].gridNumber, 0.0) << "grid 3 is untouched";
    EXPECT_TRUE(store.ready[1]);
    EXPECT_EQ(flags.allGridsReady, 0.0) << "grids 2 and 3 are not ready";
    EXPECT_FALSE(r.debugLog.contains(QStringLiteral("3 grids - OK")));
    EXPECT_EQ(r.debugLog.last(), QStringLiteral("Number of grids loaded message above"));
}

TEST_F(GridLoad, NarrowFrontRatioWarnsAfterLoading)
{
    // Lower buoys 7600.5 twips apart on a 9600-twip picture: 79 %.
    const GridLoadResult r = load(1, 1, SetupBlockForm::GridLoad, 9600);
    ASSERT_TRUE(r.loaded());
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0].text, QStringLiteral("Front ratio is 79%  Zoom camera in until front "
                                                 "is > 85%"));
    EXPECT_TRUE(r.ready);
}

TEST_F(GridLoad, BadFilesChangeNothing)
{
    // A station with grid 1 ready and in use.
    store.ready[1] = true;
    store.setup[1] = sampleSetup();
    store.gridDescription[1] = QStringLiteral("C:\\grids\\old.ipt");
    store.gridDescription2[1] = QStringLiteral("old");
    work.currentGrid = 1;
    work.solveMatrix[3][9] = 0.75;
    work.jumpSurveyX = 5;
    flags.allGridsReady = 1.0;
    flags.surveyDirection = -1;
    const GridStore storeBefore = store;

    const QByteArray good = readAll(lake);
    const QByteArray goodCb = readAll(lake + ".cb");
    QByteArray badNumber = good;
    badNumber.replace(" 40.5 ", " 4O.5 ");
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {good.left(good.size() / 2), goodCb},
        {badNumber, goodCb},
        {QByteArray("\x7f"
                    "ELF\x02\x01\x01\0\0\0",
                    10),
         goodCb},
        {QByteArray(), goodCb},
        {good, QByteArray(" 4200 \r\n")},
        {good, QByteArray(" 4200 \r\n 4455 \r\nCheckX\r\n12\r\n")},
    };
    for (const auto& [grid, cb] : cases) {
        writeAll(lake, grid);
        writeAll(lake + ".cb", cb);
        for (int n = 1; n <= 2; ++n) {
            const GridLoadResult r = load(n, 2);
            EXPECT_FALSE(r.loaded());
            EXPECT_TRUE(r.status.error().contains(QStringLiteral("lake.ipt")))
                << r.status.error().toStdString();
            EXPECT_TRUE(r.status.error().contains(QStringLiteral("line")) ||
                        r.status.error().contains(QStringLiteral("empty")))
                << r.status.error().toStdString();
            EXPECT_EQ(r.debugLog, QStringList{QStringLiteral("load grid %1").arg(n)});
            EXPECT_TRUE(r.setupBlock.isEmpty());
            EXPECT_TRUE(r.messages.isEmpty());
            for (int g = 1; g <= 3; ++g) {
                expectSameSetup(store.setup[g], storeBefore.setup[g]);
                EXPECT_EQ(store.ready[g], storeBefore.ready[g]);
                EXPECT_EQ(store.gridDescription[g], storeBefore.gridDescription[g]);
                EXPECT_EQ(store.gridDescription2[g], storeBefore.gridDescription2[g]);
            }
            EXPECT_EQ(work.currentGrid, 1.0);
            EXPECT_EQ(work.solveMatrix[3][9], 0.75);
            EXPECT_EQ(work.jumpSurveyX, 5.0);
            EXPECT_EQ(flags.allGridsReady, 1.0);
            EXPECT_EQ(flags.surveyDirection, -1.0);
        }
    }

    ASSERT_TRUE(QFile::remove(lake));
    const GridLoadResult missing = load(2, 2);
    EXPECT_FALSE(missing.loaded());
    EXPECT_EQ(missing.status.error(), QStringLiteral("Grid file lake.ipt: not found"));
    EXPECT_FALSE(store.ready[2]);
    EXPECT_FALSE(load(4, 3).loaded()) << "there is no grid 4";
    EXPECT_EQ(flags.allGridsReady, 1.0);
}
