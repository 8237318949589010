// bench_landing: the seconds kept before Start and the motion trigger on the real capture
// engine, against their goals.
//
//   bench_landing [--part record|trigger|quiet|all] [--passes N] [--seconds S]
//                 [--quiet-seconds Q] [--site-size WxH] [--site-fps F] [--zone flight|landing]
//
// record:  "Test Pattern" at 1920x1080, 60 fps, MJPEG, 2 s kept before Start and the trigger
//          armed: per pass (default 10 of 4 s) the frames dropped, the memory the kept
//          seconds took at most, and the longest the user-interface thread went without
//          running its 10 ms timer (goals: 0 dropped, at most 64 MiB, under 50 ms).
// trigger: "Simulated Jump Site" (default 640x480, 30 fps), a zone on the skier's flight or
//          at its landing (default: both, in turn), armed at a different moment of the pass
//          each time (default 20 passes): how
//          many frames after the skier entered the zone the file's Start frame is, found by
//          comparing that frame with the site's own pictures (goal: within 0.1 s on all).
// quiet:   the same zone armed on the site without a skier (ZELVAN_SIMULATED_SITE=no-skier)
//          for Q seconds (default 60): how many times it fired (goal: 0).
#include "BenchSupport.h"
#include "capture/DeviceRegistry.h"
#include "capture/FfmpegCaptureControl.h"
#include "capture/MotionTrigger.h"
#include "review/FrameReader.h"
#include "sim/SimulatedSite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace zelvan;
using capture::CaptureControl;
using capture::FfmpegCaptureControl;

namespace
{

struct Options {
    QString part = QStringLiteral("all");
    int passes = 0; // 0: the part's own number
    double seconds = 4;
    double quietSeconds = 60;
    QSize siteSize{640, 480};
    double siteFps = 30;
    QString zone; // flight or landing; empty: both
};

Options parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); ++i) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        if (key == QLatin1String("--part"))
            o.part = value;
        else if (key == QLatin1String("--passes"))
            o.passes = value.toInt();
        else if (key == QLatin1String("--seconds"))
            o.seconds = value.toDouble();
        else if (key == QLatin1String("--quiet-seconds"))
            o.quietSeconds = value.toDouble();
        else if (key == QLatin1String("--zone"))
            o.zone = value;
        else if (key == QLatin1String("--site-fps"))
            o.siteFps = value.toDouble();
        else if (key == QLatin1String("--site-size"))
            o.siteSize = QSize(value.section('x', 0, 0).toInt(), value.section('x', 1, 1).toInt());
    }
    return o;
}

int indexOf(int count, const std::function<QString(int)>& name, const QString& wanted)
{
    for (int i = 0; i < count; ++i)
        if (name(i) == wanted)
            return i;
    return -1;
}

// Chooses device, size and rate; the device index, or -1.
int setUp(FfmpegCaptureControl& control, const QString& device, QSize size, double fps)
{
    control.devices().setPollInterval(0);
    const int d = indexOf(
        control.videoDeviceCount(), [&](int i) { return control.videoDeviceName(i); }, device);
    if (d < 0)
        return -1;
    control.setVideoDeviceIndex(d);
    const int r = indexOf(
        control.resolutionCount(), [&](int i) { return control.resolutionName(i); },
        QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
    if (r < 0)
        return -1;
    control.setResolutionIndex(r);
    control.setFrameRate(fps);
    return d;
}

void runFor(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds * 1000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double processCpuMs()
{
#ifdef Q_OS_UNIX
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
#else
    return 0;
#endif
}

// Nanoseconds this thread has waited for a processor while ready to run (Linux; 0 elsewhere):
// on a shared machine, the part of a gap that other programs took.
qint64 waitedForProcessor()
{
#ifdef Q_OS_LINUX
    QFile f(QStringLiteral("/proc/thread-self/schedstat"));
    if (f.open(QIODevice::ReadOnly))
        return f.readAll().split(' ').value(1).toLongLong();
#endif
    return 0;
}

// The user-interface thread's 10 ms timer: the longest gap between two of its runs, per phase,
// and how much of that gap the thread was ready but waited for a processor.
class GapWatch
{
public:
    GapWatch()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start();
        since.start();
        waited = waitedForProcessor();
    }
    void phase(int which)
    {
        tick();
        current = which;
    }
    double longest(int which) const { return worst[which]; }
    double waitedIn(int which) const { return worstWaited[which]; }
    void reset()
    {
        for (int p = 0; p < 3; ++p)
            worst[p] = worstWaited[p] = 0;
    }

private:
    void tick()
    {
        const double gap = double(since.nsecsElapsed()) / 1e6;
        since.restart();
        const qint64 nowWaited = waitedForProcessor();
        const double waitedMs = double(nowWaited - waited) / 1e6;
        waited = nowWaited;
        if (gap > worst[current]) {
            worst[current] = gap;
            worstWaited[current] = waitedMs;
        }
    }
    QTimer timer;
    QElapsedTimer since;
    qint64 waited = 0;
    int current = 0;
    double worst[3] = {0, 0, 0};
    double worstWaited[3] = {0, 0, 0};
};

enum Phase { Armed = 0, Recording = 1, Finishing = 2 };

struct RecordPass {
    int captured = 0, dropped = 0, preFrames = 0, startFrame = 0;
    bool stayedArmed = false;
    double gaps[3] = {0, 0, 0};
    double waited[3] = {0, 0, 0}; // of each longest gap, waiting for a processor
};

// One pass: armed with 2 s kept for `armedSeconds`, Start by hand, recorded to the limit.
RecordPass recordPass(FfmpegCaptureControl& control, GapWatch& gaps, const QString& path,
                      double armedSeconds)
{
    RecordPass pass;
    gaps.reset();
    gaps.phase(Armed);
    control.setCaptureFileName(path);
    control.armTrigger();
    runFor(armedSeconds);
    pass.stayedArmed = control.triggerState() == CaptureControl::TriggerArmed;
    QEventLoop loop;
    const auto done =
        QObject::connect(&control, &CaptureControl::captureFinished, &loop, &QEventLoop::quit);
    gaps.phase(Recording);
    control.startCapture();
    QTimer::singleShot(int(control.timeLimit() * 1000) + 15000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(done);
    gaps.phase(Finishing);
    runFor(0.5); // the kept seconds begin again after the pass
    for (int p : {Armed, Recording, Finishing}) {
        pass.gaps[p] = gaps.longest(p);
        pass.waited[p] = gaps.waitedIn(p);
    }
    pass.captured = control.framesCaptured();
    pass.dropped = control.framesDropped();
    pass.preFrames = control.preTriggerFrames();
    pass.startFrame = control.startFrame();
    QFile::remove(path);
    return pass;
}

int recordPart(const Options& o)
{
    FfmpegCaptureControl control(false);
    const int device = setUp(control, capture::kTestPattern, QSize(1920, 1080), 60);
    if (device < 0) {
        std::printf("record: Test Pattern does not serve 1920x1080\n");
        return 1;
    }
    QTemporaryDir dir;
    control.setTimeLimit(o.seconds);
    control.setPreTriggerSeconds(2);
    control.setPreview(true);
    int previews = 0;
    QObject::connect(&control, &CaptureControl::previewFrame, [&previews] { ++previews; });
    // A zone on the still black band of the test card, right of its counter: the trigger stays
    // armed and reads every picture until Start.
    control.setTrigger(QRect(1000, 960, 880, 100), capture::kDefaultTriggerThreshold);
    GapWatch gaps;
    control.connectDevice(device);
    runFor(1.5);
    const int passes = o.passes > 0 ? o.passes : 10;
    std::printf("record: Test Pattern 1920x1080 60 fps MJPEG q%d, 2 s kept, trigger armed, "
                "%.0f s after Start\n",
                control.compressionQuality(), o.seconds);
    std::printf("| pass | captured | dropped | kept frames | Start frame | trigger armed | "
                "longest UI gap armed / recording / after, ms (of it waiting for a processor) |\n");
    int totalDropped = 0;
    double worstGap = 0, worstOwn = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = processCpuMs();
    for (int i = 0; i < passes; ++i) {
        const RecordPass p =
            recordPass(control, gaps, dir.filePath(QStringLiteral("pass%1.avi").arg(i)), 2.5);
        totalDropped += p.dropped;
        QString gapText;
        for (int g = 0; g < 3; ++g) {
            worstGap = std::max(worstGap, p.gaps[g]);
            worstOwn = std::max(worstOwn, p.gaps[g] - p.waited[g]);
            gapText += QStringLiteral("%1%2 (%3)")
                           .arg(g ? QStringLiteral(" / ") : QString())
                           .arg(p.gaps[g], 0, 'f', 1)
                           .arg(p.waited[g], 0, 'f', 1);
        }
        std::printf("| %4d | %8d | %7d | %11d | %11d | %13s | %s |\n", i + 1, p.captured, p.dropped,
                    p.preFrames, p.startFrame, p.stayedArmed ? "yes" : "fired",
                    qPrintable(gapText));
    }
    const double cpuShare = (processCpuMs() - cpuStart) / double(wall.elapsed());
    control.disconnectDevice();
    std::printf("record: %d passes, %d frames dropped in all; kept seconds took at most %.1f MiB; "
                "longest UI gap %.1f ms (%.1f ms less its wait for a processor); %d live "
                "pictures shown; the bench used %.2f processors\n",
                passes, totalDropped, double(control.preTriggerPeakBytes()) / (1 << 20), worstGap,
                worstOwn, previews, cpuShare);
    return 0;
}

// The zone: where the skier lands ("landing"), or a stretch of its flight halfway from where
// it comes into the picture to the landing ("flight"); taken from the site with the skier, so
// the site without one gets the same zone.
QRect zoneOf(const QString& which, const Options& o)
{
    sim::SiteOptions so;
    so.pictureSize = o.siteSize;
    so.frameRate = o.siteFps;
    const sim::SimulatedSite site(so);
    const QRect picture(QPoint(0, 0), o.siteSize);
    int first = 0;
    while (first < site.landingFrame() &&
           !picture.contains(site.skierBounds(first).toAlignedRect()))
        ++first;
    const int at =
        which == QLatin1String("landing") ? site.landingFrame() : (first + site.landingFrame()) / 2;
    return site.skierBounds(at).toAlignedRect().adjusted(-6, -6, 6, 6) & picture;
}

QImage rgb(const QImage& i)
{
    return i.convertToFormat(QImage::Format_RGB888);
}

double meanDifference(const QImage& a, const QImage& b, QRect area)
{
    area &= a.rect();
    double sum = 0;
    qint64 n = 0;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        const uchar* p = a.constScanLine(row);
        const uchar* q = b.constScanLine(row);
        for (int i = area.left() * 3; i < (area.right() + 1) * 3; ++i, ++n)
            sum += std::abs(int(p[i]) - int(q[i]));
    }
    return n ? sum / double(n) : 0;
}

// The site's pass frames near the skier's entry and the area where the skier moves in them.
struct Truth {
    Truth(const sim::SimulatedSite& site, int entry) : site(site), entry(entry)
    {
        for (int n = std::max(0, entry - 15); n <= entry + 30 && n < site.frameCount(); ++n) {
            frames.emplace_back(n, rgb(site.renderFrame(n)));
            area |= site.skierBounds(n).toAlignedRect();
        }
        area = area.adjusted(-4, -4, 4, 4);
    }
    // The pass frame a picture of the file is: the nearest where the skier moves.
    int passFrameOf(const QImage& picture) const
    {
        const QImage p = rgb(picture);
        int best = -1;
        double bestDiff = 1e9;
        for (const auto& [n, image] : frames) {
            const double d = meanDifference(p, image, area);
            if (d < bestDiff) {
                bestDiff = d;
                best = n;
            }
        }
        return best;
    }
    const sim::SimulatedSite& site;
    int entry;
    std::vector<std::pair<int, QImage>> frames;
    QRect area;
};

// Arms at pass frame entry - lead (the device's picture n is the site's pass frame n mod
// frameCount), starts on the trigger, and gives the file's Start frame as a pass frame (-1:
// it did not fire within a pass, -2: unreadable file).
int triggerPass(FfmpegCaptureControl& control, const QElapsedTimer& opened, const Truth& truth,
                int lead, const QString& path)
{
    const double fps = truth.site.frameRate();
    const qint64 passFrames = truth.site.frameCount();
    const qint64 now = qint64(double(opened.elapsed()) * fps / 1000);
    qint64 at = (now / passFrames) * passFrames + truth.entry - lead;
    while (at < now + 2)
        at += passFrames;
    runFor(double(at - now) / fps);
    control.setCaptureFileName(path);
    control.armTrigger();
    QEventLoop loop;
    const auto fire = QObject::connect(&control, &CaptureControl::triggerFired, &control,
                                       [&control] { control.startCapture(); });
    const auto done =
        QObject::connect(&control, &CaptureControl::captureFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(double(passFrames) / fps * 1000) + 5000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(fire);
    QObject::disconnect(done);
    if (control.capturing() || control.triggerState() != CaptureControl::TriggerTriggered) {
        control.stopCapture();
        control.disarmTrigger();
        return -1;
    }
    review::FrameReader reader;
    if (!reader.open(path))
        return -2;
    const Result<QImage> start = reader.frame(control.startFrame());
    QFile::remove(path);
    return start ? truth.passFrameOf(*start) : -2;
}

int triggerPart(const Options& o, const QString& zoneName)
{
    FfmpegCaptureControl control(false);
    const int device = setUp(control, capture::kSimulatedSite, o.siteSize, o.siteFps);
    if (device < 0) {
        std::printf("trigger: the simulated site does not serve that size\n");
        return 1;
    }
    sim::SiteOptions so;
    so.pictureSize = o.siteSize;
    so.frameRate = o.siteFps;
    const sim::SimulatedSite site(so);
    const QRect zone = zoneOf(zoneName, o);
    const int entry = site.skierEntryFrame(zone);
    const Truth truth(site, entry);
    std::printf(
        "trigger: simulated site %dx%d at %.0f fps, pass of %d frames, %s zone %d,%d,%d,%d, "
        "skier enters it at pass frame %d\n",
        o.siteSize.width(), o.siteSize.height(), o.siteFps, site.frameCount(), qPrintable(zoneName),
        zone.x(), zone.y(), zone.width(), zone.height(), entry);
    QTemporaryDir dir;
    control.setPreTriggerSeconds(2);
    control.setTimeLimit(1);
    control.setTrigger(zone, capture::kDefaultTriggerThreshold);
    control.connectDevice(device);
    QElapsedTimer opened;
    opened.start();
    runFor(1.5);
    const int passes = o.passes > 0 ? o.passes : 20;
    const int tolerance = int(std::floor(0.1 * o.siteFps + 1e-9));
    int within = 0;
    std::vector<double> delays;
    for (int i = 0; i < passes; ++i) {
        // Armed from a third of a second to about two seconds before the skier comes.
        const int lead = int(o.siteFps / 3) + i * int(o.siteFps) / 12;
        const int got = triggerPass(control, opened, truth, lead,
                                    dir.filePath(QStringLiteral("t%1.avi").arg(i)));
        const bool ok = got >= entry && got - entry <= tolerance;
        within += ok ? 1 : 0;
        if (got >= 0)
            delays.push_back(double(got - entry) / o.siteFps);
        std::printf("  pass %2d: armed %3d frames before the entry; Start at pass frame %d: %s "
                    "(%+d frames)\n",
                    i + 1, lead, got, ok ? "within 0.1 s" : "MISSED", got - entry);
    }
    control.disconnectDevice();
    std::printf("trigger: %d of %d passes started within 0.1 s of the skier entering the zone; "
                "delay median %.3f s, largest %.3f s\n",
                within, passes, bench::quantile(delays, 0.5), bench::quantile(delays, 1.0));
    return 0;
}

int quietPart(const Options& o, const QString& zoneName)
{
    qputenv("ZELVAN_SIMULATED_SITE", "no-skier");
    FfmpegCaptureControl control(false);
    const int device = setUp(control, capture::kSimulatedSite, o.siteSize, o.siteFps);
    if (device < 0)
        return 1;
    const QRect zone = zoneOf(zoneName, o);
    control.setPreTriggerSeconds(2);
    control.setTrigger(zone, capture::kDefaultTriggerThreshold);
    int fired = 0;
    QObject::connect(&control, &CaptureControl::triggerFired, &control, [&] {
        ++fired;
        control.disarmTrigger();
        control.armTrigger(); // counts every start it would have made
    });
    control.connectDevice(device);
    runFor(1.0);
    control.armTrigger();
    runFor(o.quietSeconds);
    const bool armed = control.triggerState() == CaptureControl::TriggerArmed;
    control.disconnectDevice();
    qunsetenv("ZELVAN_SIMULATED_SITE");
    std::printf("quiet: site without a skier (moving water, passing light) %dx%d at %.0f fps, "
                "%s zone %d,%d,%d,%d armed for %.0f s: %d starts; still armed at the end: %s\n",
                o.siteSize.width(), o.siteSize.height(), o.siteFps, qPrintable(zoneName), zone.x(),
                zone.y(), zone.width(), zone.height(), o.quietSeconds, fired, armed ? "yes" : "no");
    return 0;
}

void printLoad()
{
    std::printf("load average: %s\n", qPrintable(bench::loadAverageText()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options o = parseOptions(app.arguments());
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    printLoad();
    int failed = 0;
    if (o.part == QLatin1String("record") || o.part == QLatin1String("all"))
        failed |= recordPart(o);
    const QStringList zones = o.zone.isEmpty()
                                  ? QStringList{QStringLiteral("flight"), QStringLiteral("landing")}
                                  : QStringList{o.zone};
    for (const QString& zone : zones) {
        if (o.part == QLatin1String("trigger") || o.part == QLatin1String("all"))
            failed |= triggerPart(o, zone);
        if (o.part == QLatin1String("quiet") || o.part == QLatin1String("all"))
            failed |= quietPart(o, zone);
    }
    printLoad();
    std::fflush(stdout);
    return failed;
}
