// The one file that knows how each operating system names its capture devices.
// Linux: video4linux2 cameras (sizes, rates, formats and inputs read with the V4L2 ioctls)
// and ALSA capture devices from /proc/asound/pcm. Windows: DirectShow through libavdevice.
#include "capture/DeviceRegistry.h"

#include <QFile>
#include <QSet>
#include <algorithm>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#ifdef __linux__
#include <QDir>
#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace zelvan::capture
{

namespace
{

#ifdef __linux__
int xioctl(int fd, unsigned long request, void* arg)
{
    int rc;
    do {
        rc = ioctl(fd, request, arg);
    } while (rc == -1 && errno == EINTR);
    return rc;
}

QString ffmpegFormatOf(quint32 fourcc)
{
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
        return "yuyv422";
    case V4L2_PIX_FMT_UYVY:
        return "uyvy422";
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return "mjpeg";
    case V4L2_PIX_FMT_YUV420:
        return "yuv420p";
    case V4L2_PIX_FMT_NV12:
        return "nv12";
    case V4L2_PIX_FMT_RGB24:
        return "rgb24";
    case V4L2_PIX_FMT_BGR24:
        return "bgr24";
    case V4L2_PIX_FMT_GREY:
        return "gray";
    default:
        return QString();
    }
}

VideoDeviceInfo probeV4l2(const QString& path, bool* ok)
{
    VideoDeviceInfo info;
    *ok = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return info;
    v4l2_capability cap{};
    if (xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
        const quint32 caps =
            (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (caps & V4L2_CAP_VIDEO_CAPTURE) {
            *ok = true;
            info.name = QString::fromUtf8(reinterpret_cast<const char*>(cap.card));
            info.inputFormat = "video4linux2";
            info.url = path;
            QSet<quint64> seenSizes;
            QSet<int> seenRates;
            v4l2_fmtdesc fmt{};
            fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            for (fmt.index = 0; xioctl(fd, VIDIOC_ENUM_FMT, &fmt) == 0; ++fmt.index) {
                const QString code = ffmpegFormatOf(fmt.pixelformat);
                if (code.isEmpty())
                    continue;
                info.colorFormats << QString::fromUtf8(
                    reinterpret_cast<const char*>(fmt.description));
                info.colorFormatCodes << code;
                v4l2_frmsizeenum size{};
                size.pixel_format = fmt.pixelformat;
                for (size.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
                    if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
                        break;
                    const QSize s(int(size.discrete.width), int(size.discrete.height));
                    if (!seenSizes.contains(quint64(s.width()) << 32 | quint64(s.height()))) {
                        seenSizes.insert(quint64(s.width()) << 32 | quint64(s.height()));
                        info.sizes << s;
                    }
                    v4l2_frmivalenum ival{};
                    ival.pixel_format = fmt.pixelformat;
                    ival.width = size.discrete.width;
                    ival.height = size.discrete.height;
                    for (ival.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) == 0;
                         ++ival.index) {
                        if (ival.type != V4L2_FRMIVAL_TYPE_DISCRETE || ival.discrete.numerator == 0)
                            break;
                        const int milli =
                            int(1000.0 * ival.discrete.denominator / ival.discrete.numerator + 0.5);
                        seenRates.insert(milli);
                    }
                }
            }
            QList<int> rates = seenRates.values();
            std::sort(rates.begin(), rates.end());
            for (int r : rates)
                info.rates << r / 1000.0;
            std::sort(info.sizes.begin(), info.sizes.end(), [](QSize a, QSize b) {
                return qint64(a.width()) * a.height() < qint64(b.width()) * b.height();
            });
            v4l2_input input{};
            for (input.index = 0; xioctl(fd, VIDIOC_ENUMINPUT, &input) == 0; ++input.index)
                info.inputs << QString::fromUtf8(reinterpret_cast<const char*>(input.name));
            if (info.sizes.isEmpty())
                info.sizes = {QSize(640, 480)};
            if (info.rates.isEmpty())
                info.rates = {30};
        }
    }
    ::close(fd);
    return info;
}
#endif

// Makes every name unique, as the lists are addressed by name as well as index.
template <class T> void uniqueNames(QList<T>& list)
{
    QSet<QString> seen;
    for (T& d : list) {
        QString name = d.name;
        for (int n = 2; seen.contains(name); ++n)
            name = d.name + QStringLiteral(" #%1").arg(n);
        d.name = name;
        seen.insert(name);
    }
}

#ifdef _WIN32
struct DshowDevice {
    QString name;        // what dshow opens
    QString description; // what the operator reads
};

// DirectShow devices that deliver the given media type.
QList<DshowDevice> dshowDevices(AVMediaType type)
{
    QList<DshowDevice> out;
    avdevice_register_all();
    const AVInputFormat* dshow = av_find_input_format("dshow");
    AVDeviceInfoList* devices = nullptr;
    if (!dshow || avdevice_list_input_sources(dshow, nullptr, nullptr, &devices) < 0)
        return out;
    for (int i = 0; i < devices->nb_devices; ++i) {
        const AVDeviceInfo* d = devices->devices[i];
        const bool delivers = std::find(d->media_types, d->media_types + d->nb_media_types, type) !=
                              d->media_types + d->nb_media_types;
        if (delivers)
            out.append(
                {QString::fromUtf8(d->device_name), QString::fromUtf8(d->device_description)});
    }
    avdevice_free_list_devices(&devices);
    return out;
}
#endif

} // namespace

QList<VideoDeviceInfo> scanRealVideoDevices()
{
    QList<VideoDeviceInfo> list;
#ifdef __linux__
    const QStringList nodes =
        QDir("/dev").entryList(QStringList{"video*"}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& node : nodes) {
        bool ok = false;
        VideoDeviceInfo info = probeV4l2("/dev/" + node, &ok);
        if (ok)
            list << info;
    }
#elif defined(_WIN32)
    for (const DshowDevice& d : dshowDevices(AVMEDIA_TYPE_VIDEO)) {
        VideoDeviceInfo info;
        info.name = d.description;
        info.inputFormat = "dshow";
        info.url = "video=" + d.name;
        info.sizes = virtualVideoSizes();
        info.rates = virtualVideoRates();
        info.colorFormats = QStringList{"Default"};
        info.colorFormatCodes = QStringList{QString()};
        list << info;
    }
#endif
    uniqueNames(list);
    return list;
}

QList<AudioDeviceInfo> scanRealAudioDevices()
{
    QList<AudioDeviceInfo> list;
#ifdef __linux__
    // Lines like "00-00: ALC892 Analog : ALC892 Analog : playback 1 : capture 1".
    QFile pcm("/proc/asound/pcm");
    if (pcm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = pcm.readAll().split('\n');
        for (const QByteArray& raw : lines) {
            const QString line = QString::fromUtf8(raw);
            if (!line.contains("capture"))
                continue;
            const QStringList parts = line.split(':');
            const QStringList ids = parts.value(0).trimmed().split('-');
            if (parts.size() < 2 || ids.size() != 2)
                continue;
            AudioDeviceInfo info;
            info.name = parts[1].trimmed();
            info.inputFormat = "alsa";
            info.url = QStringLiteral("plughw:%1,%2").arg(ids[0].toInt()).arg(ids[1].toInt());
            list << info;
        }
    }
#elif defined(_WIN32)
    for (const DshowDevice& d : dshowDevices(AVMEDIA_TYPE_AUDIO)) {
        AudioDeviceInfo info;
        info.name = d.description;
        info.inputFormat = "dshow";
        info.url = "audio=" + d.name;
        list << info;
    }
#endif
    uniqueNames(list);
    return list;
}

} // namespace zelvan::capture
