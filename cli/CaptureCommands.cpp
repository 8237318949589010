// zelvan-tool devices / record: the capture engine without its screens.
#include "base/WholeFile.h"
#include "capture/FfmpegCaptureControl.h"
#include "capture/NetworkCamera.h"
#include "capture/TriggerSettings.h"
#include "cli/Command.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>

namespace zelvan::cli
{

namespace
{

using capture::CaptureError;
using capture::FfmpegCaptureControl;

QString sizeText(QSize s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// The (format, size, rate) triples the device serves, as the capture panel offers them.
QJsonArray modesJson(const capture::VideoDeviceInfo& dev)
{
    QJsonArray modes;
    for (const capture::VideoMode& m :
         capture::modesOffered(dev.modes, dev.colorFormatCodes, dev.sizes, dev.rates))
        modes.append(
            QJsonObject{{"format", m.format}, {"size", sizeText(m.size)}, {"rate", m.fps}});
    return modes;
}

QJsonObject devicesCommand(const Args& args)
{
    args.allow({}, {});
    FfmpegCaptureControl control;
    QJsonArray video;
    for (const auto& dev : control.devices().videoDevices()) {
        QJsonArray sizes;
        for (const QSize& s : dev.sizes)
            sizes.append(sizeText(s));
        QJsonArray rates;
        for (double r : dev.rates)
            rates.append(r);
        QJsonObject o;
        o["name"] = dev.name;
        o["sizes"] = sizes;
        o["rates"] = rates;
        o["modes"] = modesJson(dev);
        o["colorFormats"] = QJsonArray::fromStringList(dev.colorFormats);
        o["inputs"] = QJsonArray::fromStringList(dev.inputs);
        video.append(o);
    }
    QJsonArray audio;
    for (const auto& dev : control.devices().audioDevices())
        audio.append(QJsonObject{{"name", dev.name}});
    QJsonArray compressors;
    for (int i = 0; i < control.videoCompressorCount(); ++i)
        compressors.append(control.videoCompressorName(i));
    return QJsonObject{{"video", video}, {"audio", audio}, {"compressors", compressors}};
}

// What `record` was asked for, checked before any device is touched.
struct RecordRequest {
    QString device;
    double seconds = 0;
    double fps = 30;
    QString outText; // as given, for the messages
    QFileInfo out;
    double preSeconds = 0;
    double startAfter = -1; // seconds after the device opened; -1: at once
    QString zoneText;       // --trigger; empty: none
    double armSeconds = 30;
    double threshold = capture::kDefaultTriggerThreshold;
    // A network camera's own compression is offered once it is connected.
    QString codecAfterConnect;
};

// How the pass begins: --start-after or --trigger (with --arm-seconds), and what is kept
// before it.
void readStartRequest(const Args& args, RecordRequest& r)
{
    if (const QString pre = args.option("pre-seconds"); !pre.isEmpty()) {
        const Result<double> seconds = capture::parsePreSeconds(pre);
        if (!seconds)
            throw CommandError(QStringLiteral("--pre-seconds: ") + seconds.error());
        r.preSeconds = *seconds;
    }
    r.zoneText = args.option("trigger");
    const bool startAfter = !args.option("start-after").isEmpty();
    if (startAfter && !r.zoneText.isEmpty())
        throw CommandError(QStringLiteral("give either --start-after or --trigger, not both"));
    if (startAfter) {
        r.startAfter = args.number("start-after", -1);
        if (!(r.startAfter >= 0 && r.startAfter <= 3600))
            throw CommandError(QStringLiteral("--start-after must be 0 to 3600 seconds"));
    }
    if (r.zoneText.isEmpty()) {
        if (!args.option("arm-seconds").isEmpty() || !args.option("threshold").isEmpty())
            throw CommandError(QStringLiteral("--arm-seconds and --threshold need --trigger"));
        return;
    }
    if (const Result<QRect> zone = capture::parseZone(r.zoneText); !zone)
        throw CommandError(QStringLiteral("--trigger: ") + zone.error());
    r.armSeconds = args.number("arm-seconds", 30);
    if (!(r.armSeconds > 0 && r.armSeconds <= 3600))
        throw CommandError(QStringLiteral("--arm-seconds must be a number of seconds above 0"));
    if (const QString t = args.option("threshold"); !t.isEmpty()) {
        const Result<double> threshold = capture::parseThreshold(t);
        if (!threshold)
            throw CommandError(QStringLiteral("--threshold: ") + threshold.error());
        r.threshold = *threshold;
    }
}

RecordRequest readRecordRequest(const Args& args)
{
    args.allow({"device", "seconds", "fps", "size", "codec", "out", "audio", "pre-seconds",
                "start-after", "trigger", "arm-seconds", "threshold"},
               {});
    RecordRequest r;
    r.device = args.required("device");
    r.seconds = args.number("seconds", -1);
    if (!(r.seconds > 0 && r.seconds <= 3600))
        throw CommandError(QStringLiteral("--seconds must be a number of seconds above 0"));
    r.fps = args.number("fps", 30);
    if (!(r.fps >= 1 && r.fps <= 240))
        throw CommandError(QStringLiteral("--fps must be between 1 and 240"));
    r.outText = args.required("out");
    r.out = QFileInfo(r.outText);
    if (!r.out.absoluteDir().exists())
        throw CommandError(QStringLiteral("folder does not exist: ") +
                           QDir::toNativeSeparators(r.out.absolutePath()));
    if (r.out.isDir())
        throw CommandError(QStringLiteral("--out names a folder: ") + r.outText);
    // A FIFO or a device is never recorded over nor replaced by a file.
    if (const Status target = checkWriteTarget(r.outText); !target)
        throw CommandError(target.error());
    readStartRequest(args, r);
    return r;
}

// The last entry of a control's list that `matches`, or -1.
template <class NameOf, class Matches> int lastMatch(int count, NameOf nameOf, Matches matches)
{
    int found = -1;
    for (int i = 0; i < count; ++i)
        if (matches(nameOf(i)))
            found = i;
    return found;
}

void chooseSize(FfmpegCaptureControl& control, const QString& deviceName, const QString& size)
{
    static const QRegularExpression form(QStringLiteral("^\\d+x\\d+$"));
    if (!form.match(size).hasMatch())
        throw CommandError(QStringLiteral("--size must look like 640x480: ") + size);
    const int found = lastMatch(
        control.resolutionCount(), [&](int i) { return control.resolutionName(i); },
        [&](const QString& name) { return name == size; });
    if (found < 0)
        throw CommandError(QStringLiteral("%1 does not offer the size %2").arg(deviceName, size));
    control.setResolutionIndex(found);
}

void chooseCompressor(FfmpegCaptureControl& control, const QString& codec)
{
    const int found = lastMatch(
        control.videoCompressorCount(), [&](int i) { return control.videoCompressorName(i); },
        [&](const QString& name) { return name.compare(codec, Qt::CaseInsensitive) == 0; });
    if (found < 0)
        throw CommandError(QStringLiteral("unknown video compressor: ") + codec);
    control.setVideoCompressorIndex(found);
}

void chooseAudio(FfmpegCaptureControl& control, const QString& audio)
{
    const int found = lastMatch(
        control.audioDeviceCount(), [&](int i) { return control.audioDeviceName(i); },
        [&](const QString& name) { return name == audio; });
    if (found < 0)
        throw CommandError(QStringLiteral("no audio device called ") + audio);
    control.setAudioDeviceIndex(found);
}

// Runs the event loop for `ms` milliseconds or until `done`.
template <class Done> void waitFor(int ms, Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Start as the operator would: at once, S seconds after the device opened, or when the
// trigger fires (given up after --arm-seconds).
void startPass(FfmpegCaptureControl& control, const RecordRequest& request,
               const QElapsedTimer& opened)
{
    if (request.startAfter >= 0) {
        waitFor(int(request.startAfter * 1000 - opened.elapsed()), [] { return false; });
    } else if (!request.zoneText.isEmpty()) {
        const QRect zone = *capture::parseZone(request.zoneText);
        const QSize picture = control.frameSize();
        if (!QRect(QPoint(0, 0), picture).contains(zone))
            throw CommandError(QStringLiteral("--trigger: the zone %1 is not inside the %2x%3 "
                                              "picture")
                                   .arg(request.zoneText)
                                   .arg(picture.width())
                                   .arg(picture.height()));
        control.setTrigger(zone, request.threshold);
        control.armTrigger();
        bool fired = false;
        QObject::connect(&control, &capture::CaptureControl::triggerFired,
                         [&fired] { fired = true; });
        waitFor(int(request.armSeconds * 1000), [&] { return fired || !control.connected(); });
        if (!fired) {
            control.disconnectDevice();
            throw CommandError(QStringLiteral("the trigger did not fire within %1 seconds; "
                                              "nothing was recorded")
                                   .arg(request.armSeconds));
        }
    }
    control.startCapture();
}

// Connects, records until the time limit ends the recording and disconnects; the failure
// the control reported, or empty.
QString recordUntilFinished(FfmpegCaptureControl& control, int device, const RecordRequest& request)
{
    const double seconds = request.seconds;
    QEventLoop loop;
    QString failure;
    QObject::connect(&control, &capture::CaptureControl::captureFinished, &loop, &QEventLoop::quit);
    QObject::connect(&control, &capture::CaptureControl::statusChange,
                     [&failure](int code, const QString& text) {
                         if (code == capture::StatusCaptureFailed)
                             failure = text;
                     });
    control.connectDevice(device);
    if (!request.codecAfterConnect.isEmpty())
        chooseCompressor(control, request.codecAfterConnect);
    QElapsedTimer opened;
    opened.start();
    // A camera that delivers fewer pictures than asked is recorded at the rate it delivers,
    // known after its first second.
    QElapsedTimer settling;
    settling.start();
    while (!control.deliveryMeasured() && control.connected() && settling.elapsed() < 2500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    startPass(control, request, opened);
    // The time limit ends the recording; the guard only catches a device that hangs.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &control, &capture::CaptureControl::stopCapture);
    guard.start(int(seconds * 1000) + 10000);
    loop.exec();
    control.disconnectDevice();
    return failure;
}

QJsonObject recordWith(FfmpegCaptureControl& control, int device, RecordRequest request,
                       const Args& args)
{
    control.setVideoDeviceIndex(device);
    const QString size = args.option("size");
    if (!size.isEmpty())
        chooseSize(control, request.device, size);
    const QString codec = args.option("codec");
    if (capture::isNetworkUrl(request.device))
        request.codecAfterConnect = codec;
    else if (!codec.isEmpty())
        chooseCompressor(control, codec);
    const QString audio = args.option("audio");
    if (!audio.isEmpty())
        chooseAudio(control, audio);
    control.setFrameRate(request.fps);
    control.setTimeLimit(request.seconds);
    control.setPreTriggerSeconds(request.preSeconds);
    const QString path = request.out.absoluteFilePath();
    control.setCaptureFileName(path);
    const QString failure = recordUntilFinished(control, device, request);
    if (!failure.isEmpty())
        throw CommandError(failure);
    if (!QFileInfo::exists(path))
        throw CommandError(QStringLiteral("the recording was not saved"));
    return QJsonObject{{"file", QDir::toNativeSeparators(path)},
                       {"framesCaptured", control.framesCaptured()},
                       {"framesDropped", control.framesDropped()},
                       {"preFrames", control.preTriggerFrames()},
                       {"startFrame", control.startFrame()},
                       {"frameRate", control.recordingFrameRate()},
                       {"captureTimeMs", double(control.captureTimeMs())},
                       {"audioSamples", double(control.audioSamplesCaptured())}};
}

QJsonObject recordCommand(const Args& args)
{
    const RecordRequest request = readRecordRequest(args);
    FfmpegCaptureControl control;
    control.devices().setPollInterval(0);
    try {
        // A camera's address is listed under itself for this recording.
        if (capture::isNetworkUrl(request.device))
            control.addNetworkCamera(request.device, request.device, false);
        const int device = lastMatch(
            control.videoDeviceCount(), [&](int i) { return control.videoDeviceName(i); },
            [&](const QString& name) { return name == request.device; });
        if (device < 0)
            throw CommandError(QStringLiteral("no video device called ") + request.device);
        return recordWith(control, device, request, args);
    } catch (const CaptureError& e) {
        throw CommandError(e.description);
    }
}

} // namespace

ZELVAN_COMMAND("devices", "devices", devicesCommand);
ZELVAN_COMMAND("record",
               "record --device NAME --seconds S [--fps F] [--size WxH] [--codec C] "
               "[--audio NAME] [--pre-seconds P] [--start-after S | --trigger X,Y,W,H "
               "[--arm-seconds A] [--threshold T]] --out FILE.avi",
               recordCommand);

} // namespace zelvan::cli
