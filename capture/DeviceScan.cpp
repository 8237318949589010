#include "capture/DeviceScan.h"

#include <QSet>

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

QList<VideoDeviceInfo> scanRealVideoDevices()
{
    return uniqueNames(platformVideoDevices());
}

QList<AudioDeviceInfo> scanRealAudioDevices()
{
    return uniqueNames(platformAudioDevices());
}

} // namespace zelvan::capture
