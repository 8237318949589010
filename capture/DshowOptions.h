#pragma once
// Inside the capture library: the modes of a DirectShow camera, read from what FFmpeg's dshow
// input prints when it is opened with list_options=true, e.g.
//   Pin "Capture" (alternative pin name "0")
//     vcodec=mjpeg  min s=1920x1080 fps=5 max s=1920x1080 fps=60
//     pixel_format=yuyv422  min s=640x480 fps=5 max s=640x480 fps=30 (tv, bt470bg/bt709/unknown)
// Each line is a range of sizes and rates of one pixel format or codec; it becomes the same
// (format, size, rate) triples a V4L2 scan lists. Plain text in, so it is built and tested on
// every platform although only Windows has the device.
#include "capture/DeviceRegistry.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

namespace zelvan::capture
{

// Rates offered for a range a camera serves: both ends, and the usual rates between them.
// An end that is a usual rate but for the rounding of its frame interval (30.0003) is that
// rate.
QList<double> dshowRatesBetween(double slowest, double fastest);

// Sizes offered for a range: both ends, and the usual capture sizes that fit between them.
QList<QSize> dshowSizesBetween(QSize smallest, QSize largest);

// The modes of a listing, in the order listed, each once. Lines of formats FFmpeg cannot
// name ("unknown compression type") and anything else are passed over.
QList<VideoMode> parseDshowOptions(const QString& listing);

// A DirectShow camera's modes, formats (names and codes, in the order first listed) and size
// and rate lists from its listing. A listing without modes leaves the camera as it is, so it
// is opened with whatever it is asked for.
void describeDshowCamera(VideoDeviceInfo& info, const QString& listing);

// The name the operator reads for a format code: "YUYV 4:2:2" for yuyv422.
QString dshowFormatName(const QString& code);

// The dshow option that asks for a format code: a pixel format ("yuyv422") is
// "pixel_format", a compressed format ("mjpeg", "h264") is "vcodec".
QByteArray dshowFormatOption(const QString& code);

// Collects what FFmpeg logs about one object (an AVFormatContext being opened) while it
// lives, whatever the log level; everything else goes on to the callback that was installed
// before. One collector at a time: a second waits for the first to end.
class FfmpegLogCollector
{
public:
    explicit FfmpegLogCollector(const void* source);
    ~FfmpegLogCollector();
    FfmpegLogCollector(const FfmpegLogCollector&) = delete;
    FfmpegLogCollector& operator=(const FfmpegLogCollector&) = delete;

    // The text so far, pieces joined as FFmpeg wrote them (a line may come in several).
    QString text() const;

private:
    struct Active;
    Active* active;
};

} // namespace zelvan::capture
