// The simulated site set up through the station's own "Complete": the operator's picks of
// the buoys make an accepted grid without a single warning, and the impact picked on the
// landing gives the site's true distance.
#include "base/Clock.h"
#include "grid/Complete.h"
#include "grid/Transform.h"
#include "sim/SimulatedSite.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelvan;
using namespace zelvan::grid;
using sim::SitePoint;

namespace
{

QString text(double v)
{
    return QString::number(v, 'g', 17);
}

// A pick lands on a whole pixel: 15 twips apart.
double picked(double twips, bool wholePixels)
{
    return wholePixels ? std::round(twips / 15) * 15 : twips;
}

SetupScreenTexts setupFor(const sim::SimulatedSite& site, bool wholePixels)
{
    SetupScreenTexts t;
    auto screen = [&](SitePoint p, QString& x, QString& y) {
        const QPointF s = site.screenTwips(p);
        x = text(picked(s.x(), wholePixels));
        y = text(picked(s.y(), wholePixels));
    };
    auto survey = [&](SitePoint p, QString& x, QString& y) {
        x = text(site.survey(p).x());
        y = text(site.survey(p).y());
    };
    screen(SitePoint::UpperLeft, t.upper_left_x, t.upper_left_y);
    screen(SitePoint::UpperRight, t.upper_right_x, t.upper_right_y);
    screen(SitePoint::LowerLeft, t.lower_left_x, t.lower_left_y);
    screen(SitePoint::LowerRight, t.lower_right_x, t.lower_right_y);
    screen(SitePoint::Check, t.txtCheckXpix, t.txtCheckYpix);
    survey(SitePoint::UpperLeft, t.ul_survey_x, t.ul_survey_y);
    survey(SitePoint::UpperRight, t.ur_survey_x, t.ur_survey_y);
    survey(SitePoint::LowerLeft, t.ll_survey_x, t.ll_survey_y);
    survey(SitePoint::LowerRight, t.lr_survey_x, t.lr_survey_y);
    survey(SitePoint::Check, t.txtCheckX, t.txtCheckY);
    survey(SitePoint::Jump, t.jump_x, t.jump_y);
    t.ipt_file_description_2 = QStringLiteral("Simulated site");
    t.pictureWidthTwips = text(site.frameSize().width() * 15.0);
    return t;
}

} // namespace

TEST(SimulatedSiteGrid, CompletesWithoutAnyWarning)
{
    const FixedClock clock(QDateTime(QDate(2026, 7, 4), QTime(10, 0)));
    for (quint32 seed : {1u, 6u, 17u, 300u}) {
        for (QSize size : {QSize(640, 480), QSize(1280, 720)}) {
            for (bool wholePixels : {false, true}) {
                sim::SiteOptions o;
                o.seed = seed;
                o.pictureSize = size;
                const sim::SimulatedSite site(o);
                GridStore store;
                WorkingSet ws;
                GridFlags flags;
                const CompleteResult r =
                    completeSetup(setupFor(site, wholePixels), {}, store, ws, flags, clock);
                SCOPED_TRACE(testing::Message() << "seed " << seed << " " << size.width()
                                                << " whole pixels " << wholePixels);
                EXPECT_TRUE(r.accepted());
                EXPECT_TRUE(r.messages.isEmpty())
                    << (r.messages.isEmpty() ? "" : qPrintable(r.messages.first().text));
                ASSERT_TRUE(r.fieldOfView.has_value());
                EXPECT_LE(r.fieldOfView->fieldOfView, 30.0);
                ASSERT_TRUE(r.screenWidth.has_value());
                EXPECT_GE(r.screenWidth->percent, 80.0);
                ASSERT_TRUE(r.gridCheck.has_value());
                EXPECT_GE(r.gridCheck->front, 80.0);
                EXPECT_TRUE(r.checkValid);
            }
        }
    }
}

TEST(SimulatedSiteGrid, ImpactOnTheLandingGivesTheTrueDistance)
{
    const FixedClock clock(QDateTime(QDate(2026, 7, 4), QTime(10, 0)));
    for (quint32 seed : {2u, 9u, 41u}) {
        sim::SiteOptions o;
        o.seed = seed;
        const sim::SimulatedSite site(o);
        for (bool wholePixels : {false, true}) {
            GridStore store;
            WorkingSet ws;
            GridFlags flags;
            ASSERT_TRUE(
                completeSetup(setupFor(site, wholePixels), {}, store, ws, flags, clock).accepted());
            const QPointF impact = site.screenTwips(SitePoint::Landing);
            ws.screenX = picked(impact.x(), wholePixels);
            ws.screenY = picked(impact.y(), wholePixels);
            ASSERT_TRUE(distance_calculation(ws, /*barefoot*/ true, false));
            // Exact picks give the survey point up to the millimetres the survey is rounded to;
            // whole pixels stay within what one pixel is worth at that range.
            const double tolerance = wholePixels ? 0.25 : 0.002;
            EXPECT_NEAR(ws.waterX, site.survey(SitePoint::Landing).x(), tolerance) << seed;
            EXPECT_NEAR(ws.waterY, site.survey(SitePoint::Landing).y(), tolerance) << seed;
            EXPECT_NEAR(ws.jumpDistance, site.trueDistance(), tolerance) << seed;
        }
    }
}
