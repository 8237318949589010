// zelvan-tool devices / record: the capture engine without its screens.
#include "capture/FfmpegCaptureControl.h"
#include "cli/Command.h"

#include <QDir>
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

QJsonObject recordCommand(const Args& args)
{
    args.allow({"device", "seconds", "fps", "size", "codec", "out", "audio"}, {});
    const QString deviceName = args.required("device");
    const double seconds = args.number("seconds", -1);
    if (!(seconds > 0 && seconds <= 3600))
        throw CommandError(QStringLiteral("--seconds must be a number of seconds above 0"));
    const double fps = args.number("fps", 30);
    if (!(fps >= 1 && fps <= 240))
        throw CommandError(QStringLiteral("--fps must be between 1 and 240"));
    const QString out = args.required("out");
    const QFileInfo outInfo(out);
    if (!outInfo.absoluteDir().exists())
        throw CommandError(QStringLiteral("folder does not exist: ") +
                           QDir::toNativeSeparators(outInfo.absolutePath()));
    if (outInfo.isDir())
        throw CommandError(QStringLiteral("--out names a folder: ") + out);

    FfmpegCaptureControl control;
    control.devices().setPollInterval(0);
    int device = -1;
    for (int i = 0; i < control.videoDeviceCount(); ++i)
        if (control.videoDeviceName(i) == deviceName)
            device = i;
    if (device < 0)
        throw CommandError(QStringLiteral("no video device called ") + deviceName);

    try {
        control.setVideoDeviceIndex(device);
        const QString size = args.option("size");
        if (!size.isEmpty()) {
            static const QRegularExpression form(QStringLiteral("^\\d+x\\d+$"));
            if (!form.match(size).hasMatch())
                throw CommandError(QStringLiteral("--size must look like 640x480: ") + size);
            int found = -1;
            for (int i = 0; i < control.resolutionCount(); ++i)
                if (control.resolutionName(i) == size)
                    found = i;
            if (found < 0)
                throw CommandError(
                    QStringLiteral("%1 does not offer the size %2").arg(deviceName, size));
            control.setResolutionIndex(found);
        }
        const QString codec = args.option("codec");
        if (!codec.isEmpty()) {
            int found = -1;
            for (int i = 0; i < control.videoCompressorCount(); ++i)
                if (control.videoCompressorName(i).compare(codec, Qt::CaseInsensitive) == 0)
                    found = i;
            if (found < 0)
                throw CommandError(QStringLiteral("unknown video compressor: ") + codec);
            control.setVideoCompressorIndex(found);
        }
        const QString audio = args.option("audio");
        if (!audio.isEmpty()) {
            int found = -1;
            for (int i = 0; i < control.audioDeviceCount(); ++i)
                if (control.audioDeviceName(i) == audio)
                    found = i;
            if (found < 0)
                throw CommandError(QStringLiteral("no audio device called ") + audio);
            control.setAudioDeviceIndex(found);
        }
        control.setFrameRate(fps);
        control.setTimeLimit(seconds);
        control.setCaptureFileName(outInfo.absoluteFilePath());

        QEventLoop loop;
        QString failure;
        QObject::connect(&control, &capture::CaptureControl::captureFinished, &loop,
                         &QEventLoop::quit);
        QObject::connect(&control, &capture::CaptureControl::statusChange,
                         [&failure](int code, const QString& text) {
                             if (code == capture::StatusCaptureFailed)
                                 failure = text;
                         });
        control.connectDevice(device);
        control.startCapture();
        // The time limit ends the recording; the guard only catches a device that hangs.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &control, &capture::CaptureControl::stopCapture);
        guard.start(int(seconds * 1000) + 10000);
        loop.exec();
        control.disconnectDevice();
        if (!failure.isEmpty())
            throw CommandError(failure);
        if (!QFileInfo::exists(outInfo.absoluteFilePath()))
            throw CommandError(QStringLiteral("the recording was not saved"));
        return QJsonObject{{"file", QDir::toNativeSeparators(outInfo.absoluteFilePath())},
                           {"framesCaptured", control.framesCaptured()},
                           {"framesDropped", control.framesDropped()},
                           {"frameRate", control.frameRate()},
                           {"captureTimeMs", double(control.captureTimeMs())},
                           {"audioSamples", double(control.audioSamplesCaptured())}};
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
