// Setting up the simulated jump site through the screen itself, as an operator would: load its
// set-up picture, click the five buoys, type the survey values, "Complete", "&Save". The saved
// pair must be what `zelvan-tool grid solve --save` writes for the same values.
#include "grid/ui/GridSetupScreen.h"

#include "CanvasInput.h"
#include "ScriptedDialogs.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "grid/Rounding.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using zelvan::test::fileBytes;
using zelvan::test::runTool;
using zelvan::test::ToolRun;

namespace
{

QByteArray withoutFirstLine(const QByteArray& bytes)
{
    return bytes.mid(bytes.indexOf('\n') + 1);
}

// The picture point a click lands on: the pixel the operator sees the buoy in.
// Where a point of the site is on the picture, in picture pixels (fractions kept).
QPointF pixelOf(const QJsonArray& screen)
{
    return {screen[0].toDouble() / 15, screen[1].toDouble() / 15};
}

// With ZELVAN_SCREENSHOTS set to a folder, the screen is saved there as the operator sees it.
void screenshot(QWidget& screen, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QApplication::processEvents();
    ASSERT_TRUE(screen.grab().save(QDir(folder).filePath(name + ".png")));
}

// Scripted answers; a question can first run a look at the screen.
class WatchedDialogs : public ScriptedDialogs
{
public:
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override
    {
        if (beforeInput)
            beforeInput();
        return ScriptedDialogs::input(prompt, title, proposed, posTwips);
    }
    std::function<void()> beforeInput;
};

} // namespace

TEST(SimulatedSiteSetup, ScreenSavesWhatTheToolSolvesForTheSameValues)
{
    QTemporaryDir dir;
    const ToolRun simulated = runTool({"simulate", "--seed", "7", "--out", dir.filePath("site")});
    ASSERT_EQ(simulated.exitCode, 0) << simulated.errText().toStdString();
    QJsonObject site = QJsonDocument::fromJson(fileBytes(dir.filePath("site/site.json"))).object();
    ASSERT_FALSE(site.isEmpty());

    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30, 0))};
    app::Station station{
        clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath("zqio")};
    ASSERT_TRUE(QDir(dir.path()).mkdir("setups"));
    station.setSetupFilesPath(dir.filePath("setups"));
    station.setResultsFilePath(dir.filePath("results.txt"));
    WatchedDialogs dialogs;
    ui::GridSetupScreen screen(station, dialogs);
    screen.resize(1366, 768);
    screen.show();
    screen.showPicture(QImage(dir.filePath("site/setup.bmp")), "setup.bmp");
    ASSERT_FALSE(screen.canvas().picture().isNull());

    const struct {
        const char* key;
        const char* option;
        const char* surveyX;
        const char* surveyY;
    } points[] = {{"upperLeft", "upper_left_button", "ul_survey_x", "ul_survey_y"},
                  {"upperRight", "upper_right_button", "ur_survey_x", "ur_survey_y"},
                  {"lowerLeft", "lower_left_button", "ll_survey_x", "ll_survey_y"},
                  {"lowerRight", "lower_right_button", "lr_survey_x", "lr_survey_y"},
                  {"check", "optCheckBuoy", "txtCheckX", "txtCheckY"}};
    const auto box = [&](const char* name) { return screen.findChild<QLineEdit*>(name); };
    for (const auto& p : points) {
        QJsonObject point = site.value(p.key).toObject();
        // The operator zooms in over the buoy (the picture opened fitted), clicks it, and fits
        // the picture again.
        widgets::PictureCanvas& canvas = screen.canvas();
        const QPointF pixel = pixelOf(point.value("screen").toArray());
        canvas.setZoom(4.0, canvas.viewPointOfPixel(pixel));
        const QPoint click = canvas.viewPointOfPixel(pixel);
        const QPointF at = canvas.twipsAt(click);
        screen.findChild<QRadioButton*>(p.option)->click();
        test::clickOver(canvas, click);
        canvas.fitToWindow();
        const QJsonArray survey = point.value("survey").toArray();
        box(p.surveyX)->setText(decimalText(survey[0].toDouble()));
        box(p.surveyY)->setText(decimalText(survey[1].toDouble()));
        // The tool is given exactly what the screen was given.
        point.insert("screen", QJsonArray{at.x(), at.y()});
        site.insert(p.key, point);
    }
    const QJsonArray jump = site.value("jump").toArray();
    box("jump_x")->setText(decimalText(jump[0].toDouble()));
    box("jump_y")->setText(decimalText(jump[1].toDouble()));
    site.insert("pictureWidthTwips", station.pictureWidthTwips());

    screen.findChild<QPushButton*>("Load")->click();
    EXPECT_TRUE(station.gridReady(1)) << dialogs.messages().join(" | ").toStdString();
    EXPECT_TRUE(screen.findChild<QPushButton*>("btnAccuracyCheck")->isEnabled());
    // The main screen's indicator: ready, and not saved yet.
    EXPECT_TRUE(station.gridIndicator(1).fileFound);
    EXPECT_EQ(station.gridIndicator(1).description, "not saved");
    screen.findChild<QPushButton*>("show_alignment")->click();
    screenshot(screen, "grid-setup-1366");
    screen.resize(1920, 1080);
    screenshot(screen, "grid-setup-1920");
    screen.canvas().setZoom(
        4.0, screen.canvas().viewPointOfPixel(
                 pixelOf(site.value("upperLeft").toObject().value("screen").toArray())));
    screenshot(screen, "grid-setup-zoom400");
    screen.canvas().setZoom(1.0);
    screen.resize(1366, 768);

    const QString description = site.value("description").toString();
    dialogs.fileAnswers.enqueue("lake.ipt");
    dialogs.inputAnswers.enqueue(description);
    dialogs.yesNoAnswers.enqueue(true); // "Save Grid 1"
    screen.findChild<QAction*>("gridSave")->trigger();
    const QString saved = dir.filePath("setups/lake.ipt");
    ASSERT_TRUE(QFile::exists(saved)) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(station.settings().gridFile(1), saved);
    EXPECT_EQ(box("ipt_file_description")->text(), saved);
    EXPECT_EQ(box("ipt_file_description_2")->text(), description);
    EXPECT_EQ(station.gridIndicator(1).description, description);

    QFile setup(dir.filePath("setup.json"));
    ASSERT_TRUE(setup.open(QIODevice::WriteOnly));
    setup.write(QJsonDocument(site).toJson());
    setup.close();
    const ToolRun solved = runTool(
        {"grid", "solve", "--in", dir.filePath("setup.json"), "--save", dir.filePath("tool.ipt")});
    ASSERT_EQ(solved.exitCode, 0) << solved.errText().toStdString();
    EXPECT_EQ(withoutFirstLine(fileBytes(saved)),
              withoutFirstLine(fileBytes(dir.filePath("tool.ipt"))));
    EXPECT_EQ(fileBytes(saved + ".cb"), fileBytes(dir.filePath("tool.ipt.cb")));
    EXPECT_TRUE(fileBytes(saved).startsWith("Initialization Points for file: "));

    // The accuracy mesh over the simulated site, all 49 indicators (Advanced, Hom.Lvl).
    ASSERT_TRUE(station.setVideoDirectory(dir.path()));
    dialogs.clear();
    screen.findChild<QRadioButton*>("optAdvancedAccuracy")->click();
    screen.findChild<QPushButton*>("btnAccuracyCheck")->click();
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(" | ").toStdString();
    int shown = 0;
    for (int k = 0; k < 49; ++k)
        shown +=
            screen.findChild<QWidget*>(QStringLiteral("AccuracyIndicator(%1)").arg(k))->isVisible();
    EXPECT_EQ(shown, 49);
    screenshot(screen, "grid-setup-accuracy-1366");
    screen.resize(1920, 1080);
    screenshot(screen, "grid-setup-accuracy-1920");
    // Zoomed, the indicators stay on their mesh points.
    screen.canvas().setZoom(
        2.0, screen.canvas().viewPointOfPixel(
                 pixelOf(site.value("upperLeft").toObject().value("screen").toArray())));
    screenshot(screen, "grid-setup-accuracy-zoom200");

    // Standard: the seven skier path lines while the line is asked, then the chosen row.
    screen.canvas().setZoom(1.0);
    screen.resize(1366, 768);
    dialogs.clear();
    dialogs.beforeInput = [&] { screenshot(screen, "grid-setup-path-lines-1366"); };
    dialogs.inputAnswers.enqueue(QString("4"));
    screen.findChild<QRadioButton*>("optStandardAccuracy")->click();
    screen.findChild<QPushButton*>("btnAccuracyCheck")->click();
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(" | ").toStdString();
    dialogs.beforeInput = nullptr;
    shown = 0;
    for (int k = 0; k < 49; ++k)
        shown +=
            screen.findChild<QWidget*>(QStringLiteral("AccuracyIndicator(%1)").arg(k))->isVisible();
    EXPECT_EQ(shown, 7);
    screenshot(screen, "grid-setup-path-row4-1366");
}
