// The picture canvas's operator view, offscreen: a picture opened fitted to its area, the wheel
// zooming about the pointer, and the magnifier through which a point lands on a quarter pixel.
#include "widgets/Magnifier.h"
#include "widgets/PictureCanvas.h"

#include "CanvasInput.h"
#include "WidgetTestApp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using zelvan::widgets::Magnifier;
using zelvan::widgets::PictureCanvas;

namespace
{

// A green 1920 x 1080 picture with one yellow pixel at (960, 540).
QImage bigPicture()
{
    QImage picture(1920, 1080, QImage::Format_RGB32);
    picture.fill(Qt::green);
    picture.setPixel(960, 540, qRgb(255, 255, 0));
    return picture;
}

struct FitTest : ::testing::Test {
    FitTest()
    {
        canvas.setBackground(Qt::magenta);
        canvas.resize(480, 360);
        canvas.show();
    }
    PictureCanvas canvas;
};

} // namespace

TEST_F(FitTest, ANewPictureOpensFittedBelowNaturalSizeOnlyWhenAsked)
{
    canvas.setPicture(bigPicture());
    EXPECT_EQ(canvas.zoom(), 1.0) << "off by default: natural size, as before";
    EXPECT_FALSE(canvas.fitted());

    canvas.setFitOnOpen(true);
    canvas.setPicture(bigPicture());
    EXPECT_TRUE(canvas.fitted());
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25) << "480 / 1920 across, 360 / 1080 down";
    EXPECT_EQ(canvas.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(canvas.verticalScrollBar()->maximum(), 0);
    const QImage view = zelvan::test::shownView(canvas);
    EXPECT_EQ(view.pixel(479, 0), qRgb(0, 255, 0)) << "the whole width is picture";
    EXPECT_EQ(view.pixel(479, 269), qRgb(0, 255, 0));
    EXPECT_EQ(view.pixel(10, 271), qRgb(255, 0, 255)) << "below it the screen's background";

    // Twips stay picture twips: the view point of a picture pixel clicks that pixel.
    QSignalSpy pressed(&canvas, &PictureCanvas::pressed);
    const QPoint at = canvas.viewPointOfPixel(QPointF(960, 540));
    EXPECT_EQ(at, QPoint(240, 135));
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0].at(0).toPointF(), QPointF(14400, 8100));
}

TEST_F(FitTest, StaysFittedThroughResizesUntilTheOperatorZooms)
{
    canvas.setFitOnOpen(true);
    canvas.setPicture(bigPicture());
    canvas.resize(960, 360);
    EXPECT_DOUBLE_EQ(canvas.zoom(), 1.0 / 3) << "now the height decides";
    canvas.setZoom(2.0);
    EXPECT_FALSE(canvas.fitted());
    canvas.resize(480, 360);
    EXPECT_EQ(canvas.zoom(), 2.0) << "a zoom the operator chose is kept";
    canvas.zoomOut();
    canvas.zoomOut();
    canvas.zoomOut();
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25) << "zooming out ends at the fitting size";
    canvas.zoomOut();
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25);
    canvas.zoomIn();
    EXPECT_EQ(canvas.zoom(), 1.0);
    canvas.setPicture(bigPicture());
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25) << "the next picture opens fitted again";
    // Ctrl+F fits a big picture even with fit on open off.
    canvas.setFitOnOpen(false);
    canvas.setZoom(3.0);
    canvas.fitToWindow();
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25);
}

TEST_F(FitTest, TheWheelZoomsAboutThePointerAndShiftWheelScrolls)
{
    canvas.setFitOnOpen(true);
    canvas.setPicture(bigPicture());
    const QPointF pointer(300, 200);
    const QPointF before = canvas.twipsAt(pointer);
    zelvan::test::wheelOver(canvas, pointer, 120);
    EXPECT_EQ(canvas.zoom(), 1.0);
    EXPECT_NEAR(canvas.twipsAt(pointer).x(), before.x(), 15.0);
    EXPECT_NEAR(canvas.twipsAt(pointer).y(), before.y(), 15.0);
    zelvan::test::wheelOver(canvas, pointer, 240);
    EXPECT_EQ(canvas.zoom(), 2.0);
    EXPECT_NEAR(canvas.twipsAt(pointer).x(), before.x(), 7.5);
    EXPECT_NEAR(canvas.twipsAt(pointer).y(), before.y(), 7.5);
    const auto scroll = [this] {
        return QPoint(canvas.horizontalScrollBar()->value(), canvas.verticalScrollBar()->value());
    };
    const QPoint scrolled = scroll();
    zelvan::test::wheelOver(canvas, pointer, -120, Qt::ShiftModifier);
    EXPECT_EQ(canvas.zoom(), 2.0);
    EXPECT_NE(scroll(), scrolled) << "Shift + wheel scrolls";
    zelvan::test::wheelOver(canvas, pointer, -120 * 9);
    EXPECT_DOUBLE_EQ(canvas.zoom(), 0.25) << "never below the fitting size";
}

TEST_F(FitTest, TheMagnifierShowsPixelsUnderThePointerAndPlacesQuarterPixels)
{
    canvas.setFitOnOpen(true);
    canvas.setPicture(bigPicture());
    Magnifier* magnifier = canvas.magnifier();
    const QPoint yellow = canvas.viewPointOfPixel(QPointF(960, 540)); // (240, 135)
    zelvan::test::moveOver(canvas, yellow);
    EXPECT_FALSE(magnifier->isVisible()) << "off unless a screen turns it on";

    canvas.setMagnifierEnabled(true);
    QSignalSpy moved(&canvas, &PictureCanvas::moved);
    zelvan::test::moveOver(canvas, yellow);
    ASSERT_TRUE(magnifier->isVisible());
    EXPECT_EQ(magnifier->centre(), QPointF(14400, 8100));
    // Docked in the corner away from the pointer (bottom left of the view here).
    EXPECT_EQ(magnifier->geometry(), QRect(8, 192, 160, 160));
    const QImage inset = magnifier->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 80; y < 84; ++y)
        for (int x = 80; x < 84; ++x)
            EXPECT_EQ(inset.pixel(x, y) & 0xffffff, 0xffff00u) << x << "," << y;
    EXPECT_EQ(inset.pixel(90, 90) & 0xffffff, 0x00ff00u) << "4 view pixels a picture pixel";

    // Into the inset with Shift held: it holds still and each view pixel is a quarter picture
    // pixel.
    QSignalSpy pressed(&canvas, &PictureCanvas::pressed);
    const QPoint middle = magnifier->geometry().topLeft() + QPoint(80, 80);
    zelvan::test::moveOver(canvas, middle + QPoint(-30, 20), Qt::ShiftModifier);
    EXPECT_EQ(magnifier->centre(), QPointF(14400, 8100));
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, Qt::ShiftModifier, middle + QPoint(1, -3));
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0].at(0).toPointF(), QPointF(14403.75, 8088.75));
    EXPECT_EQ(moved.last().at(0).toPointF(), QPointF(14400 - 112.5, 8100 + 75));

    // Without Shift the pointer jumping onto the inset (as a remote pointer or a quick hand
    // does) clicks the picture under it, and the inset moves out of its way.
    const QRect docked = magnifier->geometry();
    const QPoint onInset = docked.topLeft() + QPoint(40, 40);
    zelvan::test::moveOver(canvas, onInset);
    EXPECT_FALSE(magnifier->geometry().contains(onInset));
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {}, onInset);
    ASSERT_EQ(pressed.size(), 2);
    EXPECT_EQ(pressed[1].at(0).toPointF(), canvas.twipsAt(QPointF(onInset)));

    // Leaving the view or the picture hides it; turning it off hides it for good.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas.viewport(), &leave);
    EXPECT_FALSE(magnifier->isVisible());
    zelvan::test::moveOver(canvas, QPoint(20, 300)); // below the fitted picture
    EXPECT_FALSE(magnifier->isVisible());
    zelvan::test::moveOver(canvas, yellow);
    EXPECT_TRUE(magnifier->isVisible());
    canvas.setMagnifierEnabled(false);
    EXPECT_FALSE(magnifier->isVisible());
}
