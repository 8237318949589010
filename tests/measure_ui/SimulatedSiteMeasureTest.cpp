// Measuring on the simulated jump site as an operator would: its grid solved and saved by
// zelvan-tool, its contact frame taken out of the jump video, the landing clicked on the
// screen at 100 % and at 400 % zoom. The recorded distance must be the site's true distance
// plus the 2.1 m offset, to within 0.1 m.
#include "measure/ui/MeasureScreen.h"

#include "CanvasInput.h"
#include "ScriptedDialogs.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "base/Numbers.h"
#include "grid/GridFile.h"
#include "grid/Transform.h"
#include "widgets/PictureCanvas.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::test::fileBytes;
using zelvan::test::runTool;

TEST(SimulatedSiteMeasure, LandingClickGivesTheTrueDistance)
{
    QTemporaryDir dir;
    ASSERT_EQ(runTool({"simulate", "--seed", "7", "--out", dir.filePath("site")}).exitCode, 0);
    QJsonObject site = QJsonDocument::fromJson(fileBytes(dir.filePath("site/site.json"))).object();
    ASSERT_FALSE(site.isEmpty());
    site.insert("grid", 1);
    site.insert("numGrids", 1);
    QFile setup(dir.filePath("setup.json"));
    ASSERT_TRUE(setup.open(QIODevice::WriteOnly));
    setup.write(QJsonDocument(site).toJson());
    setup.close();
    const auto solved = runTool({"grid", "solve", "--in", dir.filePath("setup.json"), "--save",
                                 dir.filePath("lake.ipt"), "--allow-invalid"});
    ASSERT_EQ(solved.exitCode, 0) << solved.errText().toStdString();
    const QJsonObject landing = site.value("landing").toObject();
    const auto frame = runTool({"frame", "--video", dir.filePath("site/jump.avi"), "--frame",
                                QString::number(landing.value("frame").toInt()), "--out",
                                dir.filePath("contact.bmp")});
    ASSERT_EQ(frame.exitCode, 0) << frame.errText().toStdString();
    const auto grid = grid::loadGridFilePair(dir.filePath("lake.ipt"));
    ASSERT_TRUE(grid) << grid.error().toStdString();

    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(14, 3, 22))};
    app::Station station{
        clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath("zqio")};
    station.setResultsFilePath(dir.filePath("results.txt"));
    station.changeGrids([&](grid::GridStore& store, grid::WorkingSet& ws, grid::GridFlags&) {
        store.setup[1] = grid->setup;
        grid::loadIntoWorkingSet(store.setup[1], 1, ws);
    });
    ScriptedDialogs dialogs;
    measure::ui::MeasureScreen screen(station, dialogs);
    screen.resize(1366, 768);
    screen.show();
    screen.showPicture(QImage(dir.filePath("contact.bmp")), "contact.bmp");
    ASSERT_FALSE(screen.canvas().picture().isNull());

    const QJsonArray at = landing.value("screen").toArray();
    const QPointF landingTwips(at[0].toDouble(), at[1].toDouble());
    const double expected = site.value("trueDistance").toDouble() + 2.1;
    // As the picture opened (fitted to its area), then zoomed in over the landing.
    widgets::PictureCanvas& canvas = screen.canvas();
    ASSERT_TRUE(canvas.fitted());
    for (const double zoom : {canvas.zoom(), 4.0}) {
        canvas.setZoom(zoom, canvas.viewportPixelAt(landingTwips));
        test::clickOver(canvas, canvas.viewPointOfPixel(landingTwips / kTwipsPerPixel));
        screen.findChild<QPushButton*>("Record")->click();
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
        EXPECT_NEAR(screen.rawDistanceText().toDouble(), expected, 0.1) << "zoom " << zoom;
        if (zoom > 1) {
            const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
            if (!folder.isEmpty())
                screen.grab().save(QDir(folder).filePath("measure-site-zoom400.png"));
        }
    }
    EXPECT_EQ(fileBytes(dir.filePath("results.txt")).count('\n'), 2);
}
