// The built-in screen loupe: the area it enlarges, its factor, and the picture position it
// reads over a picture canvas.
#include "widgets/Loupe.h"

#include "WidgetTestApp.h"
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan::widgets;

TEST(LoupeSource, CentredOnThePointerAndKeptInsideTheScreen)
{
    const QRect screen(0, 0, 1366, 768);
    const QSize view(240, 240);
    EXPECT_EQ(loupeSourceRect({500, 400}, view, 4, screen), QRect(470, 370, 60, 60));
    EXPECT_EQ(loupeSourceRect({500, 400}, view, 2, screen), QRect(440, 340, 120, 120));
    // 240 / 7 is not whole: one more screen pixel so the view is filled.
    EXPECT_EQ(loupeSourceRect({500, 400}, view, 7, screen).size(), QSize(35, 35));
    // At the edges the area is moved in, not cut.
    EXPECT_EQ(loupeSourceRect({3, 5}, view, 4, screen), QRect(0, 0, 60, 60));
    EXPECT_EQ(loupeSourceRect({1365, 767}, view, 4, screen), QRect(1306, 708, 60, 60));
    // A second screen to the right has its own origin.
    const QRect right(1366, 0, 1920, 1080);
    EXPECT_EQ(loupeSourceRect({1370, 1079}, view, 8, right), QRect(1366, 1050, 30, 30));
    // A screen smaller than the area gives the whole screen.
    EXPECT_EQ(loupeSourceRect({10, 10}, view, 2, QRect(0, 0, 100, 50)), QRect(0, 0, 100, 50));
}

TEST(LoupeSource, FactorIsHeldToTwoThroughEight)
{
    EXPECT_EQ(clampLoupeFactor(1), 2);
    EXPECT_EQ(clampLoupeFactor(5), 5);
    EXPECT_EQ(clampLoupeFactor(12), 8);
    // Out of range factors enlarge as their nearest allowed one.
    const QRect screen(0, 0, 1000, 1000);
    EXPECT_EQ(loupeSourceRect({500, 500}, {240, 240}, 0, screen),
              loupeSourceRect({500, 500}, {240, 240}, 2, screen));
}

TEST(LoupeReadout, TwipsAndPixelsOfAPicturePosition)
{
    EXPECT_EQ(picturePositionText({150, 300}), "150, 300 twips  (10, 20 px)");
    EXPECT_EQ(picturePositionText({22.4, 7.6}), "22, 8 twips  (1, 0 px)");
    EXPECT_EQ(picturePositionText({0, 14.9}), "0, 15 twips  (0, 0 px)");
}

TEST(Loupe, KeysAndWheelChangeTheFactor)
{
    Loupe loupe;
    QSignalSpy changed(&loupe, &Loupe::factorChanged);
    EXPECT_EQ(loupe.factor(), 4);
    QTest::keyClick(&loupe, Qt::Key_Plus);
    EXPECT_EQ(loupe.factor(), 5);
    QTest::keyClick(&loupe, Qt::Key_8);
    QTest::keyClick(&loupe, Qt::Key_Plus);
    EXPECT_EQ(loupe.factor(), 8);
    QTest::keyClick(&loupe, Qt::Key_2);
    QTest::keyClick(&loupe, Qt::Key_Minus);
    EXPECT_EQ(loupe.factor(), 2);
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&loupe, &up);
    EXPECT_EQ(loupe.factor(), 4);
    EXPECT_EQ(changed.count(), 4); // 5, 8, 2, 4: no signal when the factor stays
}

TEST(Loupe, StartShowsItAgainAfterItWasClosed)
{
    Loupe loupe;
    loupe.start();
    EXPECT_TRUE(loupe.isVisible());
    EXPECT_TRUE(loupe.windowFlags() & Qt::WindowStaysOnTopHint);
    QTest::keyClick(&loupe, Qt::Key_Escape);
    EXPECT_FALSE(loupe.isVisible());
    loupe.start();
    EXPECT_TRUE(loupe.isVisible());
}

TEST(Loupe, ShowsThePicturePositionOverACanvas)
{
    QWidget window;
    window.setGeometry(100, 100, 500, 400);
    auto* canvas = new PictureCanvas(&window);
    canvas->setGeometry(0, 0, 400, 300);
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    canvas->setPicture(picture);
    auto* other = new QLabel(QStringLiteral("not a picture"), &window);
    other->setGeometry(0, 320, 200, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    Loupe loupe;
    const QPoint onPicture =
        canvas->viewport()->mapToGlobal(canvas->viewportPixelAt({150, 300}).toPoint());
    loupe.follow(onPicture);
    EXPECT_EQ(loupe.readout(), "150, 300 twips  (10, 20 px)");
    EXPECT_TRUE(loupe.sourceRect().contains(onPicture));
    // With ZELVAN_SCREENSHOTS set to a folder, the loupe is saved there as the operator sees it.
    if (const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS"); !folder.isEmpty()) {
        EXPECT_TRUE(loupe.grab().save(QDir(folder).filePath("loupe.png")));
    }

    // Zoomed in, the same picture point reads the same.
    canvas->setZoom(4.0, QPointF(0, 0));
    const QPoint zoomed =
        canvas->viewport()->mapToGlobal(canvas->viewportPixelAt({600, 450}).toPoint());
    loupe.follow(zoomed);
    EXPECT_EQ(loupe.readout(), "600, 450 twips  (40, 30 px)");

    // Beside the picture (the canvas background) and over another widget: no position.
    canvas->setZoom(1.0, QPointF(0, 0));
    loupe.follow(canvas->viewport()->mapToGlobal(QPoint(300, 200)));
    EXPECT_EQ(loupe.readout(), "");
    loupe.follow(other->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(loupe.readout(), "");
}
