// zelvan-tool devices / record: the capture engine without its screens.
#include "base/WholeFile.h"
#include "capture/FfmpegCaptureControl.h"
#include "capture/NetworkCamera.h"
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

QJsonObject devicesCommand(const Args& args)
{
    args.allow({}, {});
    FfmpegCaptureControl control;
    QJsonArray video;
    for (const auto& dev : control.devices().videoDevices()) {
        QJsonArray sizes;
        for (const QSize& s : dev.sizes)
            sizes.append(QStringLiteral("%1x%2").arg(s.width()).arg(s.height()));
        QJsonArray rates;
        for (double r : dev.rates)
            rates.append(r);
        QJsonObject o;
        o["name"] = dev.name;
        o["sizes"] = sizes;
        o["rates"] = rates;
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
};

RecordRequest readRecordRequest(const Args& args)
{
    args.allow({"device", "seconds", "fps", "size", "codec", "out", "audio"}, {});
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

// Connects, records until the time limit ends the recording and disconnects; the failure
// the control reported, or empty.
QString recordUntilFinished(FfmpegCaptureControl& control, int device, double seconds)
{
    QEventLoop loop;
    QString failure;
    QObject::connect(&control, &capture::CaptureControl::captureFinished, &loop, &QEventLoop::quit);
    QObject::connect(&control, &capture::CaptureControl::statusChange,
                     [&failure](int code, const QString& text) {
                         if (code == capture::StatusCaptureFailed)
                             failure = text;
                     });
    control.connectDevice(device);
    // A camera that delivers fewer pictures than asked is recorded at the rate it delivers,
    // known after its first second.
    QElapsedTimer settling;
    settling.start();
    while (!control.deliveryMeasured() && control.connected() && settling.elapsed() < 2500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    control.startCapture();
    // The time limit ends the recording; the guard only catches a device that hangs.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &control, &capture::CaptureControl::stopCapture);
    guard.start(int(seconds * 1000) + 10000);
    loop.exec();
    control.disconnectDevice();
    return failure;
}

QJsonObject recordWith(FfmpegCaptureControl& control, int device, const RecordRequest& request,
                       const Args& args)
{
    control.setVideoDeviceIndex(device);
    const QString size = args.option("size");
    if (!size.isEmpty())
        chooseSize(control, request.device, size);
    const QString codec = args.option("codec");
    if (!codec.isEmpty())
        chooseCompressor(control, codec);
    const QString audio = args.option("audio");
    if (!audio.isEmpty())
        chooseAudio(control, audio);
    control.setFrameRate(request.fps);
    control.setTimeLimit(request.seconds);
    const QString path = request.out.absoluteFilePath();
    control.setCaptureFileName(path);
    const QString failure = recordUntilFinished(control, device, request.seconds);
    if (!failure.isEmpty())
        throw CommandError(failure);
    if (!QFileInfo::exists(path))
        throw CommandError(QStringLiteral("the recording was not saved"));
    return QJsonObject{{"file", QDir::toNativeSeparators(path)},
                       {"framesCaptured", control.framesCaptured()},
                       {"framesDropped", control.framesDropped()},
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
               "[--audio NAME] --out FILE.avi",
               recordCommand);

} // namespace zelvan::cli
