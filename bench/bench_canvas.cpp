// Repaint of the picture canvas: a 1920 x 1080 picture with a full grid overlay (markers of
// the five set-up points, the measurement grid with side lines, the exit drawing and an
// impact cross), painted into a window-sized image as the paint event does, at 100 % and
// zoomed; and the operator's view: the same picture fitted to a measurement screen's picture
// area with the magnifier shown, the whole view (picture, overlay, inset) repainted.
#include "grid/Overlay.h"
#include "widgets/Magnifier.h"
#include "widgets/PictureCanvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace zelvan;

namespace
{

QImage scene()
{
    QImage picture(1920, 1080, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient water(0, 0, 0, 1080);
    water.setColorAt(0, QColor(40, 80, 120));
    water.setColorAt(1, QColor(10, 40, 60));
    p.fillRect(picture.rect(), water);
    return picture;
}

void addOverlay(widgets::PictureCanvas& canvas)
{
    const grid::GridPoints points{QPointF(3000, 4000), QPointF(24000, 3900), QPointF(1500, 14000),
                                  QPointF(26000, 14500), QPointF(13000, 6000)};
    const grid::MarkerStyle circles{true, Qt::white, 90};
    const grid::MarkerStyle crosses{false, Qt::yellow, 90};
    canvas.draw([=](QPainter& p) { grid::drawSetupGrid(p, points, circles); });
    canvas.draw([=](QPainter& p) { grid::drawMeasureGrid(p, points, crosses, false); });
    canvas.draw([=](QPainter& p) { grid::drawExitGrid(p, points); });
    for (int i = 0; i < 49; ++i) {
        const QPointF at(3000 + (i % 7) * 3500, 4000 + (i / 7) * 1500);
        canvas.draw([=](QPainter& p) { grid::drawMarker(p, at, crosses); });
    }
}

void repaint(benchmark::State& state)
{
    widgets::PictureCanvas canvas;
    canvas.setAttribute(Qt::WA_DontShowOnScreen);
    canvas.resize(1920, 1080);
    canvas.show(); // lays out the viewport at its full size
    canvas.setPicture(scene());
    addOverlay(canvas);
    canvas.setZoom(double(state.range(0)) / 100, QPointF(960, 540));
    QImage target(canvas.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        canvas.render(painter, target.rect());
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(QStringLiteral("zoom %1 %, view %2 x %3")
                       .arg(state.range(0))
                       .arg(target.width())
                       .arg(target.height())
                       .toStdString());
}
BENCHMARK(repaint)->Arg(100)->Arg(400)->Arg(800)->Unit(benchmark::kMillisecond);

// The picture area of the measurement screen at 1920 x 1080 (the 1190 x 790) and at
// 1366 x 768.
void fittedWithMagnifier(benchmark::State& state)
{
    widgets::PictureCanvas canvas;
    canvas.setAttribute(Qt::WA_DontShowOnScreen);
    canvas.resize(int(state.range(0)), int(state.range(1)));
    canvas.show();
    canvas.setFitOnOpen(true);
    canvas.setMagnifierEnabled(true);
    canvas.setPicture(scene());
    addOverlay(canvas);
    const QPointF pointer = canvas.viewportPixelAt(QPointF(13000, 6000)); // on the check buoy
    QMouseEvent move(QEvent::MouseMove, pointer, canvas.viewport()->mapToGlobal(pointer),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas.viewport(), &move);
    if (!canvas.magnifier()->isVisible())
        state.SkipWithError("the magnifier is not shown");
    QImage target(canvas.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        canvas.viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(QStringLiteral("fitted at %1 %, view %2 x %3, with magnifier")
                       .arg(canvas.zoom() * 100, 0, 'f', 1)
                       .arg(target.width())
                       .arg(target.height())
                       .toStdString());
}
BENCHMARK(fittedWithMagnifier)->Args({1190, 790})->Args({1000, 560})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
