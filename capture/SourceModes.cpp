#include "capture/SourceModes.h"

#include <algorithm>
#include <cmath>

namespace zelvan::capture
{

bool sameRate(double a, double b)
{
    return std::abs(a - b) <= 0.001 * std::max(std::abs(a), std::abs(b));
}

QList<QSize> sizesServed(const QList<VideoMode>& modes, const QString& format)
{
    QList<QSize> sizes;
    for (const VideoMode& m : modes)
        if ((format.isEmpty() || m.format == format) && !sizes.contains(m.size))
            sizes << m.size;
    std::stable_sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) {
        return qint64(a.width()) * a.height() < qint64(b.width()) * b.height();
    });
    return sizes;
}

QList<double> ratesServed(const QList<VideoMode>& modes, const QString& format, QSize size)
{
    QList<double> rates;
    for (const VideoMode& m : modes)
        if (m.format == format && m.size == size &&
            std::none_of(rates.begin(), rates.end(), [&](double r) { return sameRate(r, m.fps); }))
            rates << m.fps;
    std::sort(rates.begin(), rates.end());
    return rates;
}

QList<VideoMode> modesOffered(const QList<VideoMode>& listed, const QStringList& formats,
                              const QList<QSize>& sizes, const QList<double>& rates)
{
    if (!listed.isEmpty())
        return listed;
    QList<VideoMode> modes;
    for (const QString& format : formats.isEmpty() ? QStringList{QString()} : formats)
        for (const QSize& size : sizes)
            for (double fps : rates)
                modes << VideoMode{format, size, fps};
    return modes;
}

bool serves(const QList<VideoMode>& modes, const QString& format, QSize size, double fps)
{
    return std::any_of(modes.begin(), modes.end(), [&](const VideoMode& m) {
        return m.format == format && m.size == size && sameRate(m.fps, fps);
    });
}

ModeChoice chooseMode(const QList<VideoMode>& modes, const QStringList& formatOrder,
                      const QString& format, QSize size, double fps)
{
    ModeChoice choice{format, size, fps, false};
    if (modes.isEmpty() || serves(modes, format, size, fps))
        return choice;
    for (const QString& other : formatOrder) {
        if (serves(modes, other, size, fps)) {
            choice.format = other;
            choice.switched = other != format;
            return choice;
        }
    }
    if (sizesServed(modes, format).contains(size))
        return choice;
    for (const QString& other : formatOrder) {
        if (sizesServed(modes, other).contains(size)) {
            choice.format = other;
            choice.switched = other != format;
            return choice;
        }
    }
    return choice;
}

QSize sizeForFormat(const QList<VideoMode>& modes, const QString& format, QSize size, double fps)
{
    if (serves(modes, format, size, fps))
        return size;
    const QList<QSize> sizes = sizesServed(modes, format);
    for (auto it = sizes.rbegin(); it != sizes.rend(); ++it)
        if (serves(modes, format, *it, fps))
            return *it;
    return sizes.contains(size) ? size : QSize();
}

QString formatSwitchText(const QString& toName, const QString& fromName, QSize size, double fps)
{
    return QStringLiteral("%1 chosen: %2 does not serve %3x%4 at %5 fps")
        .arg(toName, fromName)
        .arg(size.width())
        .arg(size.height())
        .arg(fps);
}

} // namespace zelvan::capture
