// The calibration assistant with real widgets: both input modes, Draw and Erase on every
// picture it was given, and its opening from the set-up screen's menu.
#include "tools/ui/CalibrateScreen.h"

#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "grid/Transform.h"
#include "grid/ui/GridSetupScreen.h"
#include "widgets/PictureCanvas.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::tools::CalibrationLine;
using zelvan::tools::ui::CalibrateScreen;

namespace
{

class CalibrateScreenTest : public ::testing::Test, protected test::StationFolder
{
protected:
    CalibrateScreenTest()
    {
        // 8 twips a metre on both axes.
        station.changeGrids([](grid::GridStore&, grid::WorkingSet& work, grid::GridFlags&) {
            grid::setActiveCoefficients(work, {0, 0, 0.125, 0, 0, 0, 0, 0, 0.125});
        });
        QImage water(400, 300, QImage::Format_RGB32);
        water.fill(QColor(20, 60, 90));
        for (widgets::PictureCanvas* c : {&measure, &setup}) {
            c->setPicture(water);
            c->setBackground(Qt::magenta);
            c->resize(400, 300);
        }
        assistant.addCanvas(&measure);
        assistant.addCanvas(&setup);
        assistant.show();
    }

    QLineEdit* box(const char* name) { return assistant.findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return assistant.findChild<QPushButton*>(name); }
    // The picture with its drawing layer, one twip per picture pixel / 15.
    static QImage rendered(const widgets::PictureCanvas& canvas)
    {
        QImage shown(canvas.viewport()->size(), QImage::Format_RGB32);
        QPainter p(&shown);
        canvas.render(p, shown.rect());
        return shown;
    }
    QRgb pixelAt(const widgets::PictureCanvas& canvas, QPointF twips)
    {
        return rendered(canvas).pixel(canvas.viewportPixelAt(twips).toPoint());
    }

    ScriptedDialogs dialogs;
    widgets::PictureCanvas measure;
    widgets::PictureCanvas setup;
    CalibrateScreen assistant{station, dialogs};
};

const QRgb kWater = QColor(20, 60, 90).rgb();
const QRgb kWhite = QColor(Qt::white).rgb();
const QRgb kMagenta = QColor(Qt::magenta).rgb();

} // namespace

TEST_F(CalibrateScreenTest, OpensWithItsCaptionsAndSwitchesTheInputColumn)
{
    EXPECT_EQ(assistant.objectName(), "Calibrate");
    EXPECT_EQ(assistant.windowTitle(), "Calibration Assistant");
    EXPECT_EQ(button("CalibrationLineUnitsSelect")->text(), "Actual");
    EXPECT_EQ(button("CalibrateLineDrawCommand")->text(), "Draw");
    EXPECT_EQ(button("CalibrationLineErase")->text(), "Erase");
    EXPECT_EQ(box("CalibrationLineXActual2")->accessibleDescription(), "CalibrationLineXActual2");
    EXPECT_EQ(assistant.previousLine(), CalibrationLine{});
    button("CalibrationLineUnitsSelect")->click();
    EXPECT_EQ(button("CalibrationLineUnitsSelect")->text(), "Screen");
    button("CalibrationLineUnitsSelect")->click();
    EXPECT_EQ(button("CalibrationLineUnitsSelect")->text(), "Actual");

    assistant.findChild<QAction*>("formexit")->trigger();
    EXPECT_FALSE(assistant.isVisible());
}

TEST_F(CalibrateScreenTest, ActualPointsAreConvertedAndDrawnWhiteOnBothPictures)
{
    // Water (150, 100) .. (300, 100) is picture (1200, 800) .. (2400, 800) twips.
    box("CalibrationLineXActual")->setText("150");
    box("CalibrationLineYActual")->setText("100");
    box("CalibrationLineXActual2")->setText("300 m");
    box("CalibrationLineYActual2")->setText("100");
    button("CalibrateLineDrawCommand")->click();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(box("CalibrationLineXTwips")->text(), "1200");
    EXPECT_EQ(box("CalibrationLineYTwips")->text(), "800");
    EXPECT_EQ(box("CalibrationLineXTwips2")->text(), "2400");
    EXPECT_EQ(assistant.previousLine(), (CalibrationLine{1200, 800, 2400, 800}));
    for (const widgets::PictureCanvas* c : {&measure, &setup}) {
        EXPECT_EQ(pixelAt(*c, {1800, 800}), kWhite);
        // The first previous line is the point (0, 0): only the new line is drawn.
        EXPECT_EQ(pixelAt(*c, {0, 0}), kWater);
        EXPECT_EQ(pixelAt(*c, {600, 600}), kWater);
    }

    // A new line takes the old one away in the background's magenta.
    box("CalibrationLineYActual")->setText("200");
    box("CalibrationLineYActual2")->setText("200");
    button("CalibrateLineDrawCommand")->click();
    EXPECT_EQ(pixelAt(setup, {1800, 800}), kMagenta);
    EXPECT_EQ(pixelAt(setup, {1800, 1600}), kWhite);
    EXPECT_EQ(pixelAt(measure, {1800, 1600}), kWhite);
}

TEST_F(CalibrateScreenTest, ScreenPointsAreConvertedToHundredthsOfAMetre)
{
    button("CalibrationLineUnitsSelect")->click();
    box("CalibrationLineXTwips")->setText("97");
    box("CalibrationLineYTwips")->setText("-17");
    box("CalibrationLineXTwips2")->setText("");
    box("CalibrationLineYTwips2")->setText("lots");
    button("CalibrateLineDrawCommand")->click();
    EXPECT_EQ(box("CalibrationLineXActual")->text(), "12.13");
    EXPECT_EQ(box("CalibrationLineYActual")->text(), "-2.12");
    EXPECT_EQ(box("CalibrationLineXActual2")->text(), "0");
    EXPECT_EQ(box("CalibrationLineYActual2")->text(), "0");
    EXPECT_EQ(box("CalibrationLineXTwips2")->text(), "") << "the typed column is left as typed";
    EXPECT_EQ(assistant.previousLine(), (CalibrationLine{97, -17, 0, 0}));
}

TEST_F(CalibrateScreenTest, EraseRemovesTheLineAndASecondEraseChangesNothing)
{
    button("CalibrationLineErase")->click();
    EXPECT_EQ(setup.drawingCount(), 0) << "nothing drawn yet, nothing to erase";
    box("CalibrationLineXActual")->setText("150");
    box("CalibrationLineYActual")->setText("100");
    box("CalibrationLineXActual2")->setText("300");
    box("CalibrationLineYActual2")->setText("100");
    button("CalibrateLineDrawCommand")->click();
    button("CalibrationLineErase")->click();
    const QImage once = rendered(setup);
    EXPECT_EQ(once.pixel(setup.viewportPixelAt({1800, 800}).toPoint()), kMagenta);
    button("CalibrationLineErase")->click();
    EXPECT_EQ(rendered(setup), once);
    EXPECT_EQ(assistant.previousLine(), (CalibrationLine{1200, 800, 2400, 800}))
        << "the stored line remains";
}

TEST_F(CalibrateScreenTest, APointTheGridCannotConvertIsToldAndNothingDrawn)
{
    station.changeGrids([](grid::GridStore&, grid::WorkingSet& work, grid::GridFlags&) {
        grid::setActiveCoefficients(work, {0, 0, 1, 0, 0, -0.001, 0, 0, 1});
    });
    button("CalibrationLineUnitsSelect")->click();
    box("CalibrationLineYTwips2")->setText("1000"); // on the horizon
    const int before = setup.drawingCount();
    button("CalibrateLineDrawCommand")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_EQ(setup.drawingCount(), before);
    EXPECT_EQ(box("CalibrationLineXActual")->text(), "");
}

TEST_F(CalibrateScreenTest, TabGoesThroughTheBoxesThenTheButtons)
{
    QApplication::setActiveWindow(&assistant);
    box("CalibrationLineXTwips")->setFocus();
    QStringList order;
    for (int i = 0; i < 11; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"CalibrationLineXTwips", "CalibrationLineYTwips",
                                  "CalibrationLineXTwips2", "CalibrationLineYTwips2",
                                  "CalibrationLineXActual", "CalibrationLineYActual",
                                  "CalibrationLineXActual2", "CalibrationLineYActual2",
                                  "CalibrationLineUnitsSelect", "CalibrateLineDrawCommand",
                                  "CalibrationLineErase"}));
}

TEST(CalibrateFromSetupScreen, ASharedAssistantDrawsOnBothScreensPictures)
{
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30, 0))};
    app::Station station{
        clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath("zqio")};
    station.changeGrids([](grid::GridStore&, grid::WorkingSet& work, grid::GridFlags&) {
        grid::setActiveCoefficients(work, {0, 0, 0.125, 0, 0, 0, 0, 0, 0.125});
    });
    ScriptedDialogs dialogs;
    widgets::PictureCanvas measurePicture;
    CalibrateScreen shared(station, dialogs);
    shared.addCanvas(&measurePicture);
    grid::ui::GridSetupScreen screen(station, dialogs);
    screen.useCalibration(&shared);
    screen.findChild<QAction*>("mnuCalibrate")->trigger();
    EXPECT_EQ(screen.calibration(), &shared);
    EXPECT_TRUE(shared.isVisible());
    shared.drawLine();
    EXPECT_EQ(measurePicture.drawingCount(), 1);
    EXPECT_EQ(screen.canvas().drawingCount(), 1);
}

TEST(CalibrateFromSetupScreen, MenuOpensTheAssistantOverTheSetupPicture)
{
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30, 0))};
    app::Station station{
        clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath("zqio")};
    ScriptedDialogs dialogs;
    grid::ui::GridSetupScreen screen(station, dialogs);
    screen.show();
    QAction* menu = screen.findChild<QAction*>("mnuCalibrate");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    menu->trigger();
    CalibrateScreen* assistant = screen.calibration();
    ASSERT_NE(assistant, nullptr);
    EXPECT_TRUE(assistant->isVisible());
    EXPECT_TRUE(assistant->isWindow());
    // No grid yet: told, nothing drawn.
    assistant->drawLine();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(tools::kNoTransformationText));
    EXPECT_EQ(screen.canvas().drawingCount(), 0);
    station.changeGrids([](grid::GridStore&, grid::WorkingSet& work, grid::GridFlags&) {
        grid::setActiveCoefficients(work, {0, 0, 0.01, 0, 0, 0, 0, 0, 0.01});
    });
    assistant->drawLine();
    EXPECT_EQ(screen.canvas().drawingCount(), 1) << "drawn on the set-up screen's picture";
    menu->trigger();
    EXPECT_EQ(screen.calibration(), assistant) << "one assistant, shown again";

    // With ZELVAN_SCREENSHOTS set to a folder, the assistant and the set-up screen with a
    // calibration line are saved there as the operator sees them.
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QImage water(1280, 720, QImage::Format_RGB32);
    water.fill(QColor(20, 60, 90));
    screen.showPicture(water, "test");
    assistant->findChild<QLineEdit*>("CalibrationLineXActual")->setText("20");
    assistant->findChild<QLineEdit*>("CalibrationLineYActual")->setText("30");
    assistant->findChild<QLineEdit*>("CalibrationLineXActual2")->setText("150");
    assistant->findChild<QLineEdit*>("CalibrationLineYActual2")->setText("80");
    assistant->drawLine();
    QApplication::processEvents();
    ASSERT_TRUE(assistant->grab().save(QDir(folder).filePath("calibrate.png")));
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        screen.resize(size);
        QApplication::processEvents();
        ASSERT_TRUE(screen.grab().save(
            QDir(folder).filePath(QStringLiteral("calibrate-line-%1.png").arg(size.width()))));
    }
}
