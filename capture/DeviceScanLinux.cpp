// Linux: video4linux2 cameras (sizes, rates, formats and inputs read with the V4L2 ioctls)
// and ALSA capture devices from /proc/asound/pcm.
#include "base/Result.h"
#include "capture/DeviceScan.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zelvan::capture
{

namespace
{

int xioctl(int fd, unsigned long request, void* arg)
{
    int rc = 0;
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

QString textOf(const __u8* field)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(field));
}

// The discrete frame intervals of one size of one pixel format, as modes of `code`.
void readRates(int fd, const v4l2_frmsizeenum& size, const QString& code, QList<VideoMode>& modes)
{
    v4l2_frmivalenum ival{};
    ival.pixel_format = size.pixel_format;
    ival.width = size.discrete.width;
    ival.height = size.discrete.height;
    const QSize s(int(size.discrete.width), int(size.discrete.height));
    for (ival.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) == 0; ++ival.index) {
        if (ival.type != V4L2_FRMIVAL_TYPE_DISCRETE || ival.discrete.numerator == 0)
            break;
        modes << VideoMode{code, s, double(ival.discrete.denominator) / ival.discrete.numerator};
    }
}

// The discrete sizes of one pixel format, and their rates.
void readSizes(int fd, quint32 pixelFormat, const QString& code, QList<VideoMode>& modes)
{
    v4l2_frmsizeenum size{};
    size.pixel_format = pixelFormat;
    for (size.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
        if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
            break;
        readRates(fd, size, code, modes);
    }
}

// Every pixel format FFmpeg can take from the camera, with the sizes and rates it serves.
void readFormats(int fd, VideoDeviceInfo& info)
{
    v4l2_fmtdesc fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fmt.index = 0; xioctl(fd, VIDIOC_ENUM_FMT, &fmt) == 0; ++fmt.index) {
        const QString code = ffmpegFormatOf(fmt.pixelformat);
        if (code.isEmpty() || info.colorFormatCodes.contains(code))
            continue;
        info.colorFormats << textOf(fmt.description);
        info.colorFormatCodes << code;
        readSizes(fd, fmt.pixelformat, code, info.modes);
    }
    describeModes(info);
}

// The camera behind an open video node; fails for nodes that do not capture video.
Result<VideoDeviceInfo> describeCamera(int fd, const QString& path)
{
    v4l2_capability cap{};
    if (xioctl(fd, VIDIOC_QUERYCAP, &cap) != 0)
        return fail(path + QStringLiteral(" is not a video4linux2 device"));
    const quint32 caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
        return fail(path + QStringLiteral(" does not capture video"));
    VideoDeviceInfo info;
    info.name = textOf(cap.card);
    info.inputFormat = "video4linux2";
    info.url = path;
    readFormats(fd, info);
    v4l2_input input{};
    for (input.index = 0; xioctl(fd, VIDIOC_ENUMINPUT, &input) == 0; ++input.index)
        info.inputs << textOf(input.name);
    if (info.sizes.isEmpty())
        info.sizes = {QSize(640, 480)};
    if (info.rates.isEmpty())
        info.rates = {30};
    return info;
}

Result<VideoDeviceInfo> probeV4l2(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return fail(QStringLiteral("Cannot open ") + path);
    Result<VideoDeviceInfo> info = describeCamera(fd, path);
    ::close(fd);
    return info;
}

// A line of /proc/asound/pcm such as
// "00-00: ALC892 Analog : ALC892 Analog : playback 1 : capture 1"; fails for devices that
// do not capture.
Result<AudioDeviceInfo> alsaCaptureDevice(const QString& line)
{
    if (!line.contains("capture"))
        return fail(QStringLiteral("Not a capture device"));
    const QStringList parts = line.split(':');
    const QStringList ids = parts.value(0).trimmed().split('-');
    if (parts.size() < 2 || ids.size() != 2)
        return fail(QStringLiteral("Not a device line"));
    AudioDeviceInfo info;
    info.name = parts[1].trimmed();
    info.inputFormat = "alsa";
    info.url = QStringLiteral("plughw:%1,%2").arg(ids[0].toInt()).arg(ids[1].toInt());
    return info;
}

} // namespace

QList<VideoDeviceInfo> platformVideoDevices()
{
    QList<VideoDeviceInfo> list;
    const QStringList nodes =
        QDir("/dev").entryList(QStringList{"video*"}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& node : nodes) {
        if (const auto info = probeV4l2("/dev/" + node))
            list << *info;
    }
    return list;
}

QList<AudioDeviceInfo> platformAudioDevices()
{
    QList<AudioDeviceInfo> list;
    QFile pcm("/proc/asound/pcm");
    if (!pcm.open(QIODevice::ReadOnly))
        return list;
    const QList<QByteArray> lines = pcm.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        if (const auto info = alsaCaptureDevice(QString::fromUtf8(raw)))
            list << *info;
    }
    return list;
}

} // namespace zelvan::capture
