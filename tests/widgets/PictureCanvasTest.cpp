// The picture canvas, offscreen: what it shows at each zoom and where the pointer lands in
// picture twips.
#include "widgets/PictureCanvas.h"

#include "CanvasInput.h"
#include "WidgetTestApp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using zelvan::widgets::PictureCanvas;

namespace
{

// A blue 64 x 48 picture with one yellow pixel at (10, 10).
QImage testPicture()
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.setPixel(10, 10, qRgb(255, 255, 0));
    return picture;
}

// Two screen pixels wide at every zoom, as the overlay draws.
QPen redPen()
{
    QPen pen(Qt::red, 2);
    pen.setCosmetic(true);
    return pen;
}

struct CanvasTest : ::testing::Test {
    CanvasTest()
    {
        canvas.resize(200, 150);
        canvas.setPicture(testPicture());
        canvas.show();
    }
    PictureCanvas canvas;
};

} // namespace

TEST_F(CanvasTest, PictureAtNaturalSizeFromTheTopLeftOnTheBackground)
{
    EXPECT_EQ(canvas.pictureSizeTwips(), QSizeF(960, 720));
    const QImage view = zelvan::test::shownView(canvas);
    EXPECT_EQ(view.pixel(10, 10), qRgb(255, 255, 0));
    EXPECT_EQ(view.pixel(11, 10), qRgb(0, 0, 255));
    EXPECT_EQ(view.pixel(63, 47), qRgb(0, 0, 255));
    EXPECT_EQ(view.pixel(64, 10), qRgb(255, 0, 255)) << "magenta around the picture";
    canvas.setBackground(Qt::black);
    EXPECT_EQ(zelvan::test::shownView(canvas).pixel(100, 100), qRgb(0, 0, 0));
}

TEST_F(CanvasTest, DrawingStaysUntilClearedAndClearingLeavesThePicture)
{
    canvas.draw([](QPainter& p) {
        p.setPen(redPen());
        p.drawLine(QPointF(0, 307.5), QPointF(600, 307.5)); // twips: the middle of picture row 20
    });
    EXPECT_EQ(canvas.drawingCount(), 1);
    EXPECT_EQ(zelvan::test::shownView(canvas).pixel(20, 20), qRgb(255, 0, 0));
    canvas.setPicture(testPicture()); // a new picture keeps the drawing
    EXPECT_EQ(zelvan::test::shownView(canvas).pixel(20, 20), qRgb(255, 0, 0));
    canvas.clearDrawing();
    EXPECT_EQ(canvas.drawingCount(), 0);
    const QImage view = zelvan::test::shownView(canvas);
    EXPECT_EQ(view.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(view.pixel(10, 10), qRgb(255, 255, 0));
}

TEST_F(CanvasTest, ZoomShowsPicturePixelsEnlargedAndDrawingFollows)
{
    canvas.draw([](QPainter& p) {
        p.setPen(redPen());
        p.drawLine(QPointF(450, 457.5), QPointF(750, 457.5)); // picture (30, 30)..(50, 30)
    });
    canvas.setZoom(4.0, QPointF(0, 0));
    EXPECT_EQ(canvas.zoom(), 4.0);
    const QImage view = zelvan::test::shownView(canvas);
    for (int y = 40; y < 44; ++y)
        for (int x = 40; x < 44; ++x)
            EXPECT_EQ(view.pixel(x, y), qRgb(255, 255, 0)) << x << "," << y;
    EXPECT_EQ(view.pixel(44, 40), qRgb(0, 0, 255));
    EXPECT_EQ(view.pixel(39, 40), qRgb(0, 0, 255));
    EXPECT_EQ(view.pixel(140, 122), qRgb(255, 0, 0)) << "the line is drawn in twips";
}

TEST_F(CanvasTest, APicturePointGivesTheSameTwipsAtEveryZoom)
{
    QSignalSpy pressed(&canvas, &PictureCanvas::pressed);
    const QPointF point(150, 150); // picture pixel (10, 10)
    for (double zoom : zelvan::widgets::zoomSteps()) {
        SCOPED_TRACE(zoom);
        canvas.setZoom(zoom, QPointF(0, 0));
        const QPoint at = canvas.viewportPixelAt(point).toPoint();
        QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(pressed.isEmpty());
        EXPECT_EQ(pressed.takeLast().at(0).toPointF(), point);
    }
}

TEST_F(CanvasTest, AZoomedClickIsSubPixelAndScrollingIsCounted)
{
    QSignalSpy pressed(&canvas, &PictureCanvas::pressed);
    canvas.setZoom(4.0, QPointF(0, 0));
    // 42 view pixels at 400 % is half-way between picture pixels 10 and 11.
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(42, 42));
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0].at(0).toPointF(), QPointF(157.5, 157.5));
    EXPECT_EQ(pressed[0].at(1).value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(pressed[0].at(2).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);

    canvas.horizontalScrollBar()->setValue(40);
    canvas.verticalScrollBar()->setValue(20);
    QTest::mouseClick(canvas.viewport(), Qt::LeftButton, {}, QPoint(2, 22));
    ASSERT_EQ(pressed.size(), 2);
    EXPECT_EQ(pressed[1].at(0).toPointF(), QPointF(157.5, 157.5));
    EXPECT_EQ(zelvan::test::shownView(canvas).pixel(1, 21), qRgb(255, 255, 0));
}

TEST_F(CanvasTest, ZoomStepsWheelAndFit)
{
    EXPECT_EQ(canvas.zoom(), 1.0);
    canvas.zoomOut();
    EXPECT_EQ(canvas.zoom(), 1.0) << "never below natural size";
    canvas.zoomIn();
    EXPECT_EQ(canvas.zoom(), 1.5);
    canvas.setZoom(20);
    EXPECT_EQ(canvas.zoom(), 8.0);
    canvas.zoomIn();
    EXPECT_EQ(canvas.zoom(), 8.0);
    canvas.setZoom(2.5);
    canvas.zoomOut();
    EXPECT_EQ(canvas.zoom(), 2.0);

    // Ctrl + wheel zooms about the pointer: the picture point under it stays put.
    canvas.setZoom(4.0, QPointF(0, 0));
    canvas.horizontalScrollBar()->setValue(20);
    canvas.verticalScrollBar()->setValue(10);
    const QPointF pointer(30, 20);
    const QPointF before = canvas.twipsAt(pointer);
    QWheelEvent wheel(pointer, canvas.viewport()->mapToGlobal(pointer), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas.viewport(), &wheel);
    EXPECT_EQ(canvas.zoom(), 6.0);
    EXPECT_NEAR(canvas.twipsAt(pointer).x(), before.x(), 15.0 / 6);
    EXPECT_NEAR(canvas.twipsAt(pointer).y(), before.y(), 15.0 / 6);

    // The view is 200 x 150 and the picture 64 x 48: 3 x fits both ways.
    canvas.fitToWindow();
    EXPECT_NEAR(canvas.zoom(), 150.0 / 48, 1e-9);
}

TEST(CanvasZoomKeys, WorkWhereverTheFocusIsOnTheScreen)
{
    QWidget screen;
    auto* layout = new QHBoxLayout(&screen);
    auto* canvas = new PictureCanvas;
    auto* button = new QPushButton("Record Jump");
    layout->addWidget(canvas);
    layout->addWidget(button);
    canvas->setPicture(testPicture());
    screen.resize(400, 200);
    screen.show();
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(canvas->zoom(), 1.5);
    QTest::keyClick(button, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(canvas->zoom(), 1.0);
    QTest::keyClick(button, Qt::Key_F, Qt::ControlModifier);
    EXPECT_GT(canvas->zoom(), 1.0) << "the 64 x 48 picture is fitted to the view";
    QTest::keyClick(button, Qt::Key_Minus, Qt::ControlModifier);
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(canvas->zoom(), 1.0);
    // Keys without Ctrl are left to the screen.
    QTest::keyClick(canvas, Qt::Key_F);
    EXPECT_EQ(canvas->zoom(), 1.0);
}

TEST_F(CanvasTest, CursorKeysNeverScrollThePicture)
{
    canvas.setZoom(8.0, QPointF(0, 0));
    canvas.setFocus();
    const int before = canvas.horizontalScrollBar()->value();
    QTest::keyClick(&canvas, Qt::Key_Right);
    QTest::keyClick(&canvas, Qt::Key_Down);
    EXPECT_EQ(canvas.horizontalScrollBar()->value(), before);
    EXPECT_EQ(canvas.verticalScrollBar()->value(), 0);
}

TEST_F(CanvasTest, PlacedLabelsFollowZoomAndScroll)
{
    auto* label = new QLabel("148 feet");
    canvas.placeAt(label, QPointF(150, 300));
    EXPECT_EQ(label->parentWidget(), canvas.viewport());
    EXPECT_EQ(label->pos(), QPoint(10, 20));
    canvas.setZoom(4.0, QPointF(0, 0));
    EXPECT_EQ(label->pos(), QPoint(40, 80));
    canvas.horizontalScrollBar()->setValue(5);
    EXPECT_EQ(label->pos(), QPoint(35, 80));
    canvas.placeAt(label, QPointF(0, 0)); // placing again moves, never duplicates
    EXPECT_EQ(label->pos(), QPoint(-5, 0));
}

namespace
{

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

TEST_F(CanvasTest, ZoomingToTheZoomShownDoesNothing)
{
    canvas.setZoom(4.0, QPointF(100, 75));
    canvas.horizontalScrollBar()->setValue(37);
    canvas.verticalScrollBar()->setValue(21);
    QApplication::processEvents();
    PaintCounter counter;
    canvas.viewport()->installEventFilter(&counter);
    QSignalSpy zoomed(&canvas, &PictureCanvas::zoomChanged);

    canvas.setZoom(4.0, QPointF(10, 10)); // another anchor: were it applied, it would recentre
    canvas.setZoom(4.0);
    QApplication::processEvents();
    EXPECT_EQ(canvas.zoom(), 4.0);
    EXPECT_EQ(canvas.horizontalScrollBar()->value(), 37);
    EXPECT_EQ(canvas.verticalScrollBar()->value(), 21);
    EXPECT_EQ(zoomed.count(), 0);
    EXPECT_EQ(counter.paints, 0) << "nothing changed, so nothing is painted again";

    canvas.setZoom(2.0, QPointF(0, 0)); // a real change still repaints
    QApplication::processEvents();
    EXPECT_EQ(zoomed.count(), 1);
    EXPECT_GT(counter.paints, 0);
}
