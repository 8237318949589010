// Windows: DirectShow cameras and sound inputs through libavdevice.
#include "capture/DeviceScan.h"
#include "capture/DshowOptions.h"

#include <QHash>
#include <algorithm>
#include <mutex>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace zelvan::capture
{

namespace
{

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

// What dshow prints of a camera's modes. Opened to list them, it fails by design once listed.
QString dshowListing(const QString& url)
{
    const AVInputFormat* dshow = av_find_input_format("dshow");
    AVFormatContext* fmt = avformat_alloc_context();
    if (!dshow || !fmt) {
        avformat_free_context(fmt);
        return QString();
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "list_options", "true", 0);
    FfmpegLogCollector log(fmt);
    if (avformat_open_input(&fmt, url.toUtf8().constData(), dshow, &options) >= 0)
        avformat_close_input(&fmt);
    av_dict_free(&options);
    return log.text();
}

// Listing a camera's modes opens it, and the list is scanned every few seconds, also while a
// camera records: a camera keeps the modes it listed until it is unplugged.
std::mutex listedMutex;
QHash<QString, QString> listed; // url -> listing of the cameras present at the last scan

QString listingOf(const QString& url)
{
    {
        std::lock_guard<std::mutex> lock(listedMutex);
        if (listed.contains(url))
            return listed.value(url);
    }
    return dshowListing(url);
}

} // namespace

QList<VideoDeviceInfo> platformVideoDevices()
{
    QList<VideoDeviceInfo> list;
    QHash<QString, QString> present;
    for (const DshowDevice& d : dshowDevices(AVMEDIA_TYPE_VIDEO)) {
        VideoDeviceInfo info;
        info.name = d.description;
        info.inputFormat = "dshow";
        info.url = "video=" + d.name;
        info.sizes = virtualVideoSizes();
        info.rates = virtualVideoRates();
        info.colorFormats = QStringList{"Default"};
        info.colorFormatCodes = QStringList{QString()};
        const QString listing = listingOf(info.url);
        describeDshowCamera(info, listing);
        if (!info.modes.isEmpty()) // a camera that listed nothing is asked again next time
            present.insert(info.url, listing);
        list << info;
    }
    std::lock_guard<std::mutex> lock(listedMutex);
    listed = present;
    return list;
}

QList<AudioDeviceInfo> platformAudioDevices()
{
    QList<AudioDeviceInfo> list;
    for (const DshowDevice& d : dshowDevices(AVMEDIA_TYPE_AUDIO)) {
        AudioDeviceInfo info;
        info.name = d.description;
        info.inputFormat = "dshow";
        info.url = "audio=" + d.name;
        list << info;
    }
    return list;
}

} // namespace zelvan::capture
