// "Complete" from the set-up screen's texts: the order of messages, what is logged, what is
// appended to the results file and what is stored, for every way it can end.
#include "grid/Complete.h"
#include "ScriptedDialogs.h"
#include "TestSite.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using zelvan::test::TestSite;

namespace
{

const OperatorMessage kNotAll{
    QStringLiteral("Warning - Not all parameters have been set up on grid"), Icon::Warning,
    QStringLiteral("Error Message")};

struct Station {
    GridStore store;
    WorkingSet ws;
    GridFlags flags;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 5, 7))};
    CompleteSettings settings;

    CompleteResult complete(const SetupScreenTexts& t)
    {
        return completeSetup(t, settings, store, ws, flags, clock);
    }
};

QStringList texts(const OperatorMessages& messages)
{
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}

void expectNothingStored(const Station& s)
{
    for (int n = 1; n <= 3; ++n) {
        EXPECT_FALSE(s.store.ready[n]) << n;
        EXPECT_EQ(s.store.setup[n].gridNumber, 0) << n;
        EXPECT_TRUE(s.store.gridDescription2[n].isEmpty()) << n;
    }
    EXPECT_EQ(s.flags.allGridsReady, 0);
}

} // namespace

TEST(CompleteIncomplete, FreshScreenWarnsAndStillAppendsTheBlock)
{
    Station s;
    const CompleteResult r = s.complete(SetupScreenTexts());
    EXPECT_EQ(r.verdict, CompleteVerdict::Incomplete);
    EXPECT_FALSE(r.accepted());
    EXPECT_EQ(r.messages, OperatorMessages({kNotAll}));
    EXPECT_TRUE(r.debugLog.isEmpty()); // no ratios from "auto"
    EXPECT_FALSE(r.accuracyEnabled);
    const QStringList expected = {
        QStringLiteral("07-04-2026 09:05:07 New Set-up now in place"),
        QStringLiteral("No File"),
        QString(),
        QStringLiteral("Grid Number:  1 "),
        QStringLiteral(" "),
        QStringLiteral("Upper Left X,Y Pixels: auto  auto"),
        QStringLiteral("Upper Left X,Y Survey: input  input"),
        QStringLiteral(" "),
        QStringLiteral("Lower Left X,Y Pixels: auto  auto"),
        QStringLiteral("Lower Left X,Y Survey: input  input"),
        QStringLiteral(" "),
        QStringLiteral("Upper Right X,Y Pixels: auto  auto"),
        QStringLiteral("Upper Right X,Y Survey: input  input"),
        QStringLiteral(" "),
        QStringLiteral("Lower Right X,Y Pixels: auto  auto"),
        QStringLiteral("Lower Right X,Y Survey: input  input"),
        QStringLiteral(" "),
        QStringLiteral("Jump X,Y Survey: jump x  jump y"),
        QStringLiteral(" "),
        QStringLiteral("Check Buoy X,Y Pixels:  0    0 "),
        QStringLiteral("Check Buoy X,Y Survey:  0    0 "),
        QStringLiteral(" "),
    };
    EXPECT_EQ(r.setupBlock, expected);
    expectNothingStored(s);
}

TEST(CompleteIncomplete, EveryPlaceholderIsTestedLiterally)
{
    const TestSite site;
    const std::vector<std::pair<QString SetupScreenTexts::*, QString>> placeholders = {
        {&SetupScreenTexts::upper_left_x, QStringLiteral("auto")},
        {&SetupScreenTexts::lower_right_y, QStringLiteral("auto")},
        {&SetupScreenTexts::ur_survey_x, QStringLiteral("input")},
        {&SetupScreenTexts::ll_survey_y, QStringLiteral("input")},
        {&SetupScreenTexts::jump_x, QStringLiteral("jump x")},
        {&SetupScreenTexts::jump_y, QStringLiteral("jump y")},
        {&SetupScreenTexts::txtCheckX, QStringLiteral("CheckX")},
        {&SetupScreenTexts::txtCheckY, QStringLiteral("CheckY")},
    };
    for (const auto& [box, placeholder] : placeholders) {
        Station s;
        SetupScreenTexts t = site.texts();
        t.*box = placeholder;
        const CompleteResult r = s.complete(t);
        EXPECT_EQ(r.verdict, CompleteVerdict::Incomplete) << placeholder.toStdString();
        EXPECT_EQ(r.messages.first(), kNotAll);
        EXPECT_FALSE(r.setupBlock.isEmpty());
        expectNothingStored(s);
    }
    // Only the exact placeholder counts: "Auto" is just a text that is not a number.
    Station s;
    SetupScreenTexts t = site.texts();
    t.upper_left_x = QStringLiteral("Auto");
    EXPECT_EQ(s.complete(t).verdict, CompleteVerdict::NotANumber);
}

TEST(CompleteIncomplete, JumpPointMissingStillRunsTheRatios)
{
    Station s;
    SetupScreenTexts t = TestSite().texts();
    t.jump_y = QStringLiteral("jump y");
    const CompleteResult r = s.complete(t);
    EXPECT_EQ(r.messages, OperatorMessages({kNotAll}));
    EXPECT_EQ(r.debugLog, QStringList({QStringLiteral("Front set-up ratio = 91.6666666666667"),
                                       QStringLiteral("Back set-up ratio = 75")}));
    EXPECT_TRUE(r.setupBlock.contains(QStringLiteral("Jump X,Y Survey: 0  jump y")));
}

TEST(CompleteCheckBuoy, MissingCheckBuoyIsMandatory)
{
    for (const QString& pickedX : {QString(), QStringLiteral("auto"), QStringLiteral("0")}) {
        Station s;
        SetupScreenTexts t = TestSite().texts();
        t.txtCheckXpix = pickedX;
        const CompleteResult r = s.complete(t);
        EXPECT_EQ(r.verdict, CompleteVerdict::CheckBuoyMissing);
        EXPECT_EQ(r.messages, OperatorMessages({{QStringLiteral("Setup of Check Buoy is Mandatory"),
                                                 Icon::None, QString()},
                                                kNotAll}));
        EXPECT_FALSE(r.setupBlock.isEmpty());
        EXPECT_FALSE(r.debugLog.contains(QStringLiteral("Record Grid Setup")));
        expectNothingStored(s);
    }
}

TEST(CompleteCheckBuoy, OffByMoreThanHalfAPixelAndAHalfIsRefused)
{
    Station s;
    const TestSite site;
    SetupScreenTexts t = site.texts();
    t.txtCheckXpix = QStringLiteral("6030");
    const CompleteResult r = s.complete(t);
    EXPECT_EQ(r.verdict, CompleteVerdict::CheckBuoyInvalid);
    EXPECT_EQ(r.messages, OperatorMessages({{QStringLiteral("Check Buoy Does not Validate"),
                                             Icon::None, QString()}}));
    EXPECT_TRUE(r.setupBlock.isEmpty());
    EXPECT_TRUE(r.accuracyEnabled); // enabled from step 4 on, stays so
    EXPECT_FALSE(r.readyIcon);
    ASSERT_TRUE(r.checkEvaluated);
    EXPECT_NEAR(r.predictedCheck.x, 6000, 1e-6);
    EXPECT_NEAR(r.predictedCheck.y, 4000, 1e-6);
    EXPECT_TRUE(r.showCheckBuoyLabel);
    EXPECT_TRUE(r.redrawOverlay);
    EXPECT_NEAR(r.checkBuoyLabelLeft, 6015, 1e-6);
    EXPECT_NEAR(r.checkBuoyLabelTop, 3895, 1e-6);
    ASSERT_EQ(r.debugLog.size(), 7);
    EXPECT_EQ(r.debugLog[0], QStringLiteral("Record Grid Setup"));
    EXPECT_EQ(r.debugLog[1], QStringLiteral("check buoy x = ") + t.txtCheckX);
    EXPECT_EQ(r.debugLog[2], QStringLiteral("check buoy y = ") + t.txtCheckY);
    EXPECT_TRUE(r.debugLog[3].startsWith(QStringLiteral("check buoy on screen x = ")));
    EXPECT_TRUE(r.debugLog[5].startsWith(QStringLiteral("measured x: 6030 Actual: ")));
    EXPECT_TRUE(r.debugLog[6].startsWith(QStringLiteral("measured y: 4000 Actual: ")));
    expectNothingStored(s);

    // 22.4 twips off on both axes is still on the buoy.
    Station near;
    t.txtCheckXpix = QStringLiteral("6022.4");
    t.txtCheckYpix = QStringLiteral("3977.6");
    EXPECT_TRUE(near.complete(t).accepted());
}

TEST(CompleteRefused, NonNumericEntryNeverReachesTheSolution)
{
    Station s;
    const std::array<double, 9> previous{0, 1, 2, 3, 4, 5, 6, 7, 8};
    setActiveCoefficients(s.ws, previous);
    SetupScreenTexts t = TestSite().texts();
    t.ul_survey_x = QStringLiteral("12,x");
    const CompleteResult r = s.complete(t);
    EXPECT_EQ(r.verdict, CompleteVerdict::NotANumber);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0].text, QStringLiteral("The entry \"12,x\" for upper left survey X is "
                                                 "not a number - Re-enter data"));
    EXPECT_EQ(r.messages[0].title, QStringLiteral("Error Message"));
    EXPECT_FALSE(r.solved);
    EXPECT_FALSE(r.debugLog.contains(QStringLiteral("Record Grid Setup")));
    EXPECT_TRUE(r.setupBlock.contains(QStringLiteral("Upper Left X,Y Survey: 12,x  100")));
    EXPECT_EQ(activeCoefficients(s.ws), previous);
    expectNothingStored(s);

    // A caption that names no grid is refused the same way.
    Station other;
    t = TestSite().texts();
    t.grid_select = QStringLiteral("Grid 4");
    EXPECT_EQ(other.complete(t).verdict, CompleteVerdict::NotANumber);
    t.grid_select = QStringLiteral("Grid 2");
    t.pictureWidthTwips = QStringLiteral("0");
    EXPECT_EQ(other.complete(t).verdict, CompleteVerdict::NotANumber);
    expectNothingStored(other);
}

TEST(CompleteRefused, SingularSystemStillAppendsTheBlockAndTheRatios)
{
    Station s;
    SetupScreenTexts t = TestSite().texts();
    t.upper_left_x = t.upper_right_x = t.lower_left_x = t.lower_right_x = QStringLiteral("5000");
    const CompleteResult r = s.complete(t);
    EXPECT_EQ(r.verdict, CompleteVerdict::NoUniqueSolution);
    EXPECT_FALSE(r.solved);
    EXPECT_EQ(texts(r.messages),
              QStringList({QStringLiteral("No Unique Solution - Re-enter data"),
                           QStringLiteral("Front ratio is 0%  Zoom camera in until front is > "
                                          "85%")}));
    EXPECT_EQ(r.messages[0].icon, Icon::Warning);
    EXPECT_EQ(r.messages[0].title, QStringLiteral("Error Message"));
    EXPECT_EQ(r.debugLog, QStringList({QStringLiteral("Record Grid Setup"),
                                       QStringLiteral("Front set-up ratio = 0"),
                                       QStringLiteral("Back set-up ratio = 0")}));
    EXPECT_TRUE(r.setupBlock.contains(QStringLiteral("Lower Right X,Y Pixels: 5000  7000")));
    expectNothingStored(s);
}

TEST(CompleteRefused, FieldOfViewAndScreenWidthLimits)
{
    TestSite wide;
    wide.halfAngleDegrees = 17.55;
    Station s;
    CompleteResult r = s.complete(wide.texts());
    EXPECT_EQ(r.verdict, CompleteVerdict::FieldOfViewRefused);
    EXPECT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.setupBlock.isEmpty());
    expectNothingStored(s);

    s.settings.allowInvalidSetup = true;
    r = s.complete(wide.texts());
    EXPECT_TRUE(r.accepted());
    EXPECT_EQ(r.messages.size(), 2);
    EXPECT_EQ(r.messages[1].text, QStringLiteral("Invalid Configurations allowed for test"));

    TestSite narrow; // 75 % of a 12500-twip picture
    narrow.outer = 4687.5;
    narrow.inner = 3687.5;
    narrow.pictureWidth = 12500;
    Station n;
    r = n.complete(narrow.texts());
    EXPECT_EQ(r.verdict, CompleteVerdict::ScreenWidthRefused);
    ASSERT_TRUE(r.screenWidth);
    EXPECT_EQ(r.screenWidth->percent, 75);
    EXPECT_TRUE(r.setupBlock.isEmpty());
    expectNothingStored(n);
}

TEST(CompleteAccepted, MessagesLogBlockAndStoredGrid)
{
    TestSite site; // 76 % of the picture: warned, continued, and the front ratio warned too
    site.outer = 4750;
    site.inner = 3750;
    site.pictureWidth = 12500;
    Station s;
    SetupScreenTexts t = site.texts();
    t.ipt_file_description = QStringLiteral("C:\\grids\\lake.ipt");
    const CompleteResult r = s.complete(t);
    ASSERT_EQ(r.verdict, CompleteVerdict::Accepted);
    EXPECT_EQ(texts(r.messages),
              QStringList({QStringLiteral("Warning - Grid is 76% which is less than 80% of "
                                          "screen width.  Zoom your camera until the grid "
                                          "nearly fills the screen."),
                           QStringLiteral("Grid is greater than 75% so continue"),
                           QStringLiteral("Front ratio is 76%  Zoom camera in until front is > "
                                          "85%")}));
    EXPECT_TRUE(r.readyIcon);
    EXPECT_EQ(r.gridNumber, 1);

    // The debug log, the lines whose digits depend on rounding aside.
    QStringList log = r.debugLog;
    for (QString& line : log)
        if (line.contains(QLatin1String(" angle= ")) || line.startsWith(QLatin1String("check")))
            line = line.left(line.indexOf(QLatin1Char('=')) + 1);
    EXPECT_EQ(log, QStringList({
                       QStringLiteral("Record Grid Setup"),
                       QStringLiteral("check buoy x ="),
                       QStringLiteral("check buoy y ="),
                       QStringLiteral("check buoy on screen x ="),
                       QStringLiteral("check buoy on screen y ="),
                       QStringLiteral("left angle="),
                       QStringLiteral("left position = 1250"),
                       QStringLiteral("right angle="),
                       QStringLiteral("right position = 10750"),
                       QStringLiteral("Field of view  = 24.8 degrees"),
                       QStringLiteral("Screen width of Grid  = 76%"),
                       QStringLiteral("Screen width  = 12500"),
                       QStringLiteral("grid 1 OK and loaded - not saved"),
                       QStringLiteral("Check if Setup OK"),
                       QStringLiteral("1 grid - all loaded on OK"),
                       QStringLiteral("If setup is OK there should be a message above this "
                                      "saying so otherwise - not OK"),
                       QStringLiteral("Front set-up ratio = 76"),
                       QStringLiteral("Back set-up ratio = 60"),
                   }));

    ASSERT_EQ(r.setupBlock.size(), 22);
    EXPECT_EQ(r.setupBlock.mid(0, 6),
              QStringList({QStringLiteral("07-04-2026 09:05:07 New Set-up now in place"),
                           QStringLiteral("C:\\grids\\lake.ipt"),
                           QStringLiteral("North camera, 2 m above the water"),
                           QStringLiteral("Grid Number:  1 "), QStringLiteral(" "),
                           QStringLiteral("Upper Left X,Y Pixels: 2250  2000")}));
    EXPECT_EQ(r.setupBlock[6],
              QStringLiteral("Upper Left X,Y Survey: ") + t.ul_survey_x + QStringLiteral("  100"));
    EXPECT_EQ(r.setupBlock[8], QStringLiteral("Lower Left X,Y Pixels: 1250  7000"));
    EXPECT_EQ(r.setupBlock[11], QStringLiteral("Upper Right X,Y Pixels: 9750  2000"));
    EXPECT_EQ(r.setupBlock[14], QStringLiteral("Lower Right X,Y Pixels: 10750  7000"));
    EXPECT_EQ(r.setupBlock.mid(17),
              QStringList({QStringLiteral("Jump X,Y Survey: 0  150"), QStringLiteral(" "),
                           QStringLiteral("Check Buoy X,Y Pixels:  6000    4000 "),
                           QStringLiteral("Check Buoy X,Y Survey:  0    77.7777777777778 "),
                           QStringLiteral(" ")}));

    // Stored as grid 1, with the solved map of the site.
    EXPECT_TRUE(s.store.ready[1]);
    EXPECT_EQ(s.store.gridDescription[1], QStringLiteral("C:\\grids\\lake.ipt"));
    EXPECT_EQ(s.store.gridDescription2[1], QStringLiteral("North camera, 2 m above the water"));
    const GridSetup& g = s.store.setup[1];
    EXPECT_EQ(g.gridNumber, 1);
    EXPECT_EQ(g.constant1, 10);
    EXPECT_EQ(g.buoy[LowerLeft].screenX, 1250);
    EXPECT_NEAR(g.c[1], -site.c2() * site.centreX, 1e-9);
    EXPECT_NEAR(g.c[2], site.c2(), 1e-12);
    EXPECT_NEAR(g.c[5], 1.0 / 5000, 1e-15);
    EXPECT_NEAR(g.c[6], 140, 1e-9);
    EXPECT_EQ(g.checkScreenX, 6000);
    EXPECT_EQ(g.jumpY, 150);
    EXPECT_EQ(s.ws.currentGrid, 1);
    EXPECT_EQ(s.flags.allGridsReady, 1.0);
    EXPECT_EQ(s.flags.surveyDirection, -1.0);

    // Replayed on the screen's dialogs: default titles become the application's title.
    ScriptedDialogs dialogs;
    showMessages(dialogs, r.messages);
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(dialogs.shown[1].title, QStringLiteral("Zelvan Measurement"));
}

TEST(CompleteAccepted, AllGridsReadyOnlyWhenEveryConfiguredGridIs)
{
    Station s;
    s.settings.numGrids = 2;
    SetupScreenTexts t = TestSite().texts();
    t.grid_select = QStringLiteral("Grid 2");
    CompleteResult r = s.complete(t);
    ASSERT_TRUE(r.accepted());
    EXPECT_TRUE(s.store.ready[2]);
    EXPECT_FALSE(s.store.ready[1]);
    EXPECT_EQ(s.ws.currentGrid, 2);
    EXPECT_EQ(s.flags.allGridsReady, 0);
    EXPECT_TRUE(r.debugLog.contains(QStringLiteral("grid 2 OK and loaded - not saved")));
    EXPECT_FALSE(r.debugLog.contains(QStringLiteral("2 grids - all loaded on OK")));
    EXPECT_TRUE(r.setupBlock.contains(QStringLiteral("Grid Number:  2 ")));

    // Mirrored survey: the upper right now lies at the smaller X.
    t = TestSite().texts();
    std::swap(t.ur_survey_x, t.ul_survey_x);
    std::swap(t.lr_survey_x, t.ll_survey_x);
    // The check buoy lies on the centre line (X = 0), so it stays valid in the mirror.
    t.grid_select = QStringLiteral("Grid 1");
    r = s.complete(t);
    ASSERT_TRUE(r.accepted());
    EXPECT_TRUE(r.debugLog.contains(QStringLiteral("2 grids - all loaded on OK")));
    EXPECT_EQ(s.flags.allGridsReady, 1.0);
    EXPECT_EQ(s.flags.surveyDirection, 1.0);
    EXPECT_EQ(s.store.setup[2].gridNumber, 2); // the other grid is left as it was
}
