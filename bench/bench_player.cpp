// bench_player: what the operator waits for on the frame selection screen with a 1080p pass:
// a step (the next or previous frame decoded, converted and drawn into the picture area by
// its paint event) and a slider jump (the same for a frame anywhere in the pass).
//
//   bench_player            every file, offscreen
//   bench_player --held     the right arrow held for 1 s on the MJPEG file, on the real
//                           platform (run it under xvfb-run): steps made, each one's paint
//
// Files of 300 frames at 1920 x 1080 and 60 fps made with the ffmpeg program: MJPEG AVI (the
// station's own recordings) and H.264 AVI with B frames. The player is sized as on a 1366 x 768
// and a 1920 x 1080 screen. Steps and jumps are timed from 2 s after opening (the decoding
// window is filling then) and straight after opening. Prints median and 95th percentile, ms.
#include "BenchSupport.h"

#include "widgets/CursorKeyPoll.h"
#include "widgets/FramePlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using zelvan::widgets::FramePlayer;

using zelvan::bench::makeTestPass;
using zelvan::bench::quantile;

namespace
{

// One change of frame as the operator sees it: the frame shown, then the picture area
// painted by its own paint event into an image of its size.
template <class Change> double onScreen(FramePlayer& player, QImage& surface, Change change)
{
    QWidget* picture = player.findChild<QWidget*>(QStringLiteral("playerPicture"));
    QElapsedTimer clock;
    clock.start();
    change();
    picture->render(&surface);
    return double(clock.nsecsElapsed()) / 1e6;
}

struct Figures {
    std::vector<double> coldStep, coldJump, step, jump, repaint;
};

void timeSteps(FramePlayer& player, QImage& surface, std::vector<double>& into, int count)
{
    for (int i = 0; i < count; ++i)
        into.push_back(onScreen(player, surface, [&] {
            (void)(i % 4 == 3 ? player.stepBack() : player.stepForward());
        }));
}

void timeJumps(FramePlayer& player, QImage& surface, std::vector<double>& into, int count,
               quint32 seed)
{
    QSlider* slider = player.findChild<QSlider*>(QStringLiteral("sldPosition"));
    QRandomGenerator rng(seed);
    for (int i = 0; i < count; ++i) {
        const int to = int(rng.bounded(quint32(player.frameCount())));
        into.push_back(onScreen(player, surface, [&] { slider->setValue(to); }));
    }
}

Figures measure(const QString& path, QSize playerSize)
{
    Figures f;
    FramePlayer player;
    player.resize(playerSize);
    player.show();
    QApplication::processEvents();
    QWidget* picture = player.findChild<QWidget*>(QStringLiteral("playerPicture"));
    QImage surface(picture->size(), QImage::Format_RGB32);
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    if (!player.open(path))
        return f;
    timeSteps(player, surface, f.coldStep, 10);
    timeJumps(player, surface, f.coldJump, 4, 1);
    const qint64 wait = 2000 - sinceOpen.elapsed();
    if (wait > 0)
        QThread::msleep(quint64(wait));
    (void)player.setPosition(player.frameCount() / 2);
    timeSteps(player, surface, f.step, 80);
    timeJumps(player, surface, f.jump, 60, 2);
    for (int i = 0; i < 30; ++i)
        f.repaint.push_back(onScreen(player, surface, [] {}));
    return f;
}

void printRow(const char* what, const std::vector<double>& v)
{
    std::printf("    %-30s median %7.2f ms   p95 %7.2f ms   max %7.2f ms  (%zu)\n", what,
                quantile(v, 0.5), quantile(v, 0.95),
                v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()), v.size());
}

// The right arrow held for one second as the frame selection screen polls it: each poll steps
// once and the picture area is painted on the window at once (repaint, not update).
int heldArrow(const QString& path)
{
    FramePlayer player;
    player.resize(1600, 1020);
    player.show();
    player.activateWindow();
    if (!player.open(path))
        return 1;
    QThread::msleep(2000);
    QWidget* picture = player.findChild<QWidget*>(QStringLiteral("playerPicture"));
    zelvan::widgets::CursorKeyPoll poll;
    std::vector<double> drawn;
    QObject::connect(&poll, &zelvan::widgets::CursorKeyPoll::keyHeld, [&](Qt::Key key) {
        if (key != Qt::Key_Right)
            return;
        QElapsedTimer clock;
        clock.start();
        (void)player.stepForward();
        picture->repaint();
        drawn.push_back(double(clock.nsecsElapsed()) / 1e6);
    });
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    const qint64 before = player.position();
    QApplication::sendEvent(&player, &press);
    poll.start();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    QApplication::sendEvent(&player, &release);
    poll.stop();
    std::printf("held right arrow 1 s on %s (%s): %lld steps\n", qPrintable(path),
                qPrintable(QApplication::platformName()), player.position() - before);
    printRow("step drawn on the window", drawn);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool held = argc > 1 && qstrcmp(argv[1], "--held") == 0;
    // Offscreen unless told otherwise; the held-arrow run uses the display it is given.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        (!held || qEnvironmentVariableIsEmpty("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    struct Kind {
        const char* name;
        QString file;
        QStringList codec;
    } kinds[] = {
        {"MJPEG AVI",
         dir.filePath("mjpeg.avi"),
         {"-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p"}},
        {"H.264 AVI (B frames)",
         dir.filePath("h264.avi"),
         {"-c:v", "libx264", "-g", "250", "-bf", "3", "-pix_fmt", "yuv420p"}},
    };
    if (held)
        return makeTestPass(kinds[0].file, kinds[0].codec) ? heldArrow(kinds[0].file) : 1;
    for (const Kind& k : kinds) {
        if (!makeTestPass(k.file, k.codec)) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", k.name);
            return 1;
        }
        for (const QSize size : {QSize(1040, 720), QSize(1600, 1020)}) {
            const Figures f = measure(k.file, size);
            std::printf("%s, player %dx%d\n", k.name, size.width(), size.height());
            printRow("step, straight after opening", f.coldStep);
            printRow("jump, straight after opening", f.coldJump);
            printRow("step, from 2 s after opening", f.step);
            printRow("slider jump, from 2 s", f.jump);
            printRow("repaint alone", f.repaint);
        }
    }
    return 0;
}
