// The accuracy display of the set-up screen with real widgets: the option frames, the 49
// indicators on the picture, the skier path question and the accuracy file.
#include "grid/ui/GridSetupScreen.h"

#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "ToolRun.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "grid/Accuracy.h"
#include "grid/SetupBoxes.h"
#include "tests/grid/TestSite.h"
#include "widgets/PictureCanvas.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using zelvan::grid::ui::GridSetupScreen;

namespace
{

// Scripted answers, and what the picture showed while the path question was asked.
class PathQuestionDialogs : public ScriptedDialogs
{
public:
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override
    {
        if (onInput)
            onInput();
        positions.append(posTwips);
        return ScriptedDialogs::input(prompt, title, proposed, posTwips);
    }
    std::function<void()> onInput;
    QList<std::optional<QPoint>> positions; // where each input box was placed, twips
};

class AccuracyDisplayTest : public ::testing::Test, protected test::StationFolder
{
protected:
    AccuracyDisplayTest()
    {
        station.debugLog().StartDebugLog();
        EXPECT_TRUE(QDir(dir.path()).mkdir("videos"));
        EXPECT_TRUE(station.setVideoDirectory(dir.filePath("videos")));
        station.setResultsFilePath(dir.filePath("results.txt"));
        station.setLabelColor("green", 0x00FF00);
        screen.resize(1366, 768);
        screen.show();
    }

    QLabel* indicator(int k)
    {
        return screen.findChild<QLabel*>(QStringLiteral("AccuracyIndicator(%1)").arg(k));
    }
    QLabel* lineLabel(int i)
    {
        return screen.findChild<QLabel*>(QStringLiteral("LineLabel(%1)").arg(i));
    }
    template <class W = QPushButton> W* control(const char* name)
    {
        return screen.findChild<W*>(name);
    }
    QList<int> visibleIndicators()
    {
        QList<int> shown;
        for (int k = 0; k < 49; ++k)
            if (indicator(k)->isVisible())
                shown.append(k);
        return shown;
    }
    // Types the test site into the boxes and completes it.
    void completeSite()
    {
        const SetupScreenTexts t = site.texts();
        for (const SetupBox& b : setupBoxes())
            if (auto* edit = screen.findChild<QLineEdit*>(b.objectName))
                edit->setText(b.of(t));
        control("Load")->click();
        ASSERT_TRUE(station.gridReady(1)) << dialogs.messages().join(" | ").toStdString();
        dialogs.clear();
    }
    // What grid/Accuracy computes for the same boxes and options.
    AccuracyResult expected(AccuracyMode mode, AccuracyDisplay display)
    {
        AccuracyInput in;
        in.texts = screen.texts();
        in.mode = mode;
        in.display = display;
        WorkingSet ws = station.workingSet();
        return runAccuracyCheck(in, ws, clock);
    }
    QString accuracyFile()
    {
        return QString::fromLatin1(
            test::fileBytes(dir.filePath("videos/" + accuracyFileName(clock.now().date()))));
    }

    PathQuestionDialogs dialogs;
    GridSetupScreen screen{station, dialogs};
    test::TestSite site;
};

} // namespace

TEST_F(AccuracyDisplayTest, FramesFollowTheGridsReadiness)
{
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyDisplay")->isVisible());
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyConfig")->isVisible());
    EXPECT_TRUE(control<QRadioButton>("optStandardAccuracy")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("optHomolgationLevel")->isChecked());
    EXPECT_EQ(control<QGroupBox>("fmAccuracyDisplay")->title(), "Accuracy ");
    EXPECT_EQ(control<QRadioButton>("optDetailMeasurement")->text(), "Detail ");
    EXPECT_EQ(visibleIndicators().size(), 0);

    completeSite();
    EXPECT_TRUE(control("btnAccuracyCheck")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fmAccuracyDisplay")->isVisible());
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyConfig")->isVisible()) << "Standard mode";
    control<QRadioButton>("optAdvancedAccuracy")->click();
    EXPECT_TRUE(control<QGroupBox>("fmAccuracyConfig")->isVisible());
    control<QRadioButton>("optStandardAccuracy")->click();
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyConfig")->isVisible());
    control<QRadioButton>("optAdvancedAccuracy")->click();

    // Any edit makes the grid not ready: button off, both frames and every indicator hidden.
    control("btnAccuracyCheck")->click();
    ASSERT_EQ(visibleIndicators().size(), 49);
    auto* jumpY = screen.findChild<QLineEdit*>("jump_y");
    jumpY->selectAll();
    QTest::keyClicks(jumpY, "151"); // typed by the operator
    EXPECT_FALSE(control("btnAccuracyCheck")->isEnabled());
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyDisplay")->isVisible());
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyConfig")->isVisible());
    EXPECT_EQ(visibleIndicators().size(), 0);
}

TEST_F(AccuracyDisplayTest, StandardAsksForThePathLineAndShowsThatRow)
{
    completeSite();
    control<QRadioButton>("optDisplayDistance")->setChecked(true); // Standard grades anyway
    QStringList labelsAsked;
    int drawingsAsked = 0;
    dialogs.onInput = [&] {
        labelsAsked.clear();
        for (int i = 0; i < 7; ++i)
            if (lineLabel(i)->isVisible())
                labelsAsked << lineLabel(i)->text();
        drawingsAsked = screen.canvas().drawingCount();
    };
    dialogs.inputAnswers << std::optional<QString>() << QString("8") << QString("0")
                         << QString("seven") << QString("7 near");
    control("btnAccuracyCheck")->click();

    EXPECT_TRUE(control<QRadioButton>("optHomolgationLevel")->isChecked());
    ASSERT_EQ(dialogs.shown.size(), 5) << dialogs.texts().join(" | ").toStdString();
    for (const auto& asked : dialogs.shown) {
        EXPECT_EQ(asked.kind, ScriptedDialogs::Kind::Input);
        EXPECT_EQ(asked.title, "Input the skier path line");
        EXPECT_EQ(asked.text,
                  "Pick the line number that best represents where the skier will land");
    }
    ASSERT_EQ(dialogs.positions.size(), 5);
    for (const auto& at : dialogs.positions)
        EXPECT_EQ(at, QPoint(100, 100));
    EXPECT_EQ(labelsAsked, QStringList({"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(drawingsAsked, 1) << "the seven path lines, on a cleared drawing";
    EXPECT_EQ(visibleIndicators(), QList<int>({6, 13, 20, 27, 34, 41, 48}));
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(lineLabel(i)->isVisible());

    const AccuracyResult want = expected(AccuracyMode::Standard, AccuracyDisplay::Distance);
    ASSERT_EQ(want.points.size(), 49);
    for (const AccuracyPoint& p : want.points)
        EXPECT_EQ(indicator(p.index)->text(), p.label) << p.index;
    EXPECT_TRUE(indicator(48)->styleSheet().contains("#00ff00"));
    EXPECT_GE(screen.canvas().drawingCount(), 1) << "the grid overlay at the end";
}

TEST_F(AccuracyDisplayTest, AdvancedShowsEveryIndicatorOnItsMeshPointAtEveryZoom)
{
    completeSite();
    control<QRadioButton>("optAdvancedAccuracy")->click();
    control<QRadioButton>("optDetailMeasurement")->click();
    control("btnAccuracyCheck")->click();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(visibleIndicators().size(), 49);
    const AccuracyResult detail = expected(AccuracyMode::Advanced, AccuracyDisplay::Detail);
    ASSERT_EQ(detail.points.size(), 49);
    widgets::PictureCanvas& canvas = screen.canvas();
    for (double zoom : {1.0, 4.0}) {
        canvas.setZoom(zoom, QPointF(0, 0));
        for (const AccuracyPoint& p : detail.points) {
            EXPECT_EQ(indicator(p.index)->text(), p.label);
            EXPECT_EQ(indicator(p.index)->pos(),
                      canvas.viewportPixelAt(QPointF(p.x, p.y + 75)).toPoint())
                << p.index << " at zoom " << zoom;
        }
    }
    canvas.setZoom(1.0);

    control<QRadioButton>("optDisplayDistance")->click();
    control("btnAccuracyCheck")->click();
    const AccuracyResult distance = expected(AccuracyMode::Advanced, AccuracyDisplay::Distance);
    for (const AccuracyPoint& p : distance.points)
        EXPECT_EQ(indicator(p.index)->text(), p.label);
    EXPECT_NE(indicator(0)->text(), detail.points[0].label);

    // Each check appends its whole block to the day's file.
    const QString file = accuracyFile();
    EXPECT_EQ(file.count("Accuracy Check Complete\r\n\r\n"), 2);
    EXPECT_EQ(file.count("07-04-2026  09:30:00 Accuracy Check\r\n"), 2);
    EXPECT_EQ(file.count("xpix: "), 98);
    EXPECT_TRUE(file.contains("North camera, 2 m above the water\r\n"));
}

TEST_F(AccuracyDisplayTest, AMissingVideoFolderIsToldAndTheIndicatorsStillShown)
{
    completeSite();
    ASSERT_TRUE(QDir(dir.filePath("videos")).removeRecursively());
    control<QRadioButton>("optAdvancedAccuracy")->click();
    control("btnAccuracyCheck")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("The accuracy file was not written"));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_FALSE(QDir(dir.filePath("videos")).exists()) << "nothing written elsewhere either";
    EXPECT_EQ(visibleIndicators().size(), 49);
}

TEST_F(AccuracyDisplayTest, SwitchingGridsClearsTheIndicators)
{
    station.setNumGrids(2);
    completeSite();
    control<QRadioButton>("optAdvancedAccuracy")->click();
    control("btnAccuracyCheck")->click();
    ASSERT_EQ(visibleIndicators().size(), 49);
    control("grid_select")->click();
    EXPECT_EQ(visibleIndicators().size(), 0);
    EXPECT_FALSE(control<QGroupBox>("fmAccuracyDisplay")->isVisible()) << "grid 2 is not ready";
    control("grid_select")->click();
    EXPECT_TRUE(control<QGroupBox>("fmAccuracyDisplay")->isVisible()) << "grid 1 is ready";
    EXPECT_TRUE(control<QGroupBox>("fmAccuracyConfig")->isVisible()) << "still Advanced";
    EXPECT_EQ(visibleIndicators().size(), 0);
}
