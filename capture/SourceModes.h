#pragma once
// What a camera serves: (pixel format, size, rate) triples as the driver lists them. A size
// and rate one format serves may be missing from another (a typical USB camera gives
// 1920x1080 at 60 fps in MJPEG but only at 5 fps in YUYV), so the lists the operator picks
// from follow the chosen format, and a size and rate only another format serves switches it.
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace zelvan::capture
{

struct VideoMode {
    QString format; // FFmpeg pixel format or codec name: "yuyv422", "mjpeg"
    QSize size;
    double fps = 0;
    bool operator==(const VideoMode& o) const
    {
        return format == o.format && size == o.size && fps == o.fps;
    }
};

// Two rates are the same when they differ only by the rounding of a frame interval
// (29.97 and 30 are not; 30 and 30.0003 are).
bool sameRate(double a, double b);

// Sizes `format` serves, smallest first; every size of every format when `format` is empty.
QList<QSize> sizesServed(const QList<VideoMode>& modes, const QString& format);
// Rates `format` serves at `size`, slowest first.
QList<double> ratesServed(const QList<VideoMode>& modes, const QString& format, QSize size);
bool serves(const QList<VideoMode>& modes, const QString& format, QSize size, double fps);

struct ModeChoice {
    QString format;
    QSize size;
    double fps = 0;
    bool switched = false; // the format is not the one asked for
};

// The modes a device offers: those its driver lists; for a device that lists none (the
// built-in ones, a network camera), every size at every rate in each of its formats, since it
// is opened with whatever it is asked for.
QList<VideoMode> modesOffered(const QList<VideoMode>& listed, const QStringList& formats,
                              const QList<QSize>& sizes, const QList<double>& rates);

// The mode to open for a wish of format, size and rate. The wished format when it serves the
// size and rate (or when no format does and it serves the size); otherwise the first format
// in `formatOrder` that serves the size and rate, else the first that serves the size.
// A camera that lists no modes gets the wish unchanged.
ModeChoice chooseMode(const QList<VideoMode>& modes, const QStringList& formatOrder,
                      const QString& format, QSize size, double fps);

// The size to keep when the operator picks `format`: `size` when the format serves it at
// `fps`, else the largest size it serves at `fps`, else `size` when served at any rate; an
// invalid size when the format serves none of these.
QSize sizeForFormat(const QList<VideoMode>& modes, const QString& format, QSize size, double fps);

// The status text of a switched format, e.g.
// "Motion-JPEG chosen: YUYV 4:2:2 does not serve 1920x1080 at 60 fps".
QString formatSwitchText(const QString& toName, const QString& fromName, QSize size, double fps);

} // namespace zelvan::capture
