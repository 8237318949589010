#include "capture/DeviceScan.h"

#include <QSet>
#include <algorithm>

namespace zelvan::capture
{

namespace
{

// Makes every name unique, as the lists are addressed by name as well as index.
template <class T> QList<T> uniqueNames(QList<T> list)
{
    QSet<QString> seen;
    for (T& d : list) {
        QString name = d.name;
        for (int n = 2; seen.contains(name); ++n)
            name = d.name + QStringLiteral(" #%1").arg(n);
        d.name = name;
        seen.insert(name);
    }
    return list;
}

} // namespace

void describeModes(VideoDeviceInfo& info)
{
    info.sizes = sizesServed(info.modes, QString());
    info.rates.clear();
    for (const VideoMode& m : info.modes)
        if (std::none_of(info.rates.begin(), info.rates.end(),
                         [&](double r) { return sameRate(r, m.fps); }))
            info.rates << m.fps;
    std::sort(info.rates.begin(), info.rates.end());
}

QList<VideoDeviceInfo> scanRealVideoDevices()
{
    return uniqueNames(platformVideoDevices());
}

QList<AudioDeviceInfo> scanRealAudioDevices()
{
    return uniqueNames(platformAudioDevices());
}

} // namespace zelvan::capture
