#include "capture/NetworkCamera.h"

#include <QStringList>
#include <QUrl>

#include <chrono>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace zelvan::capture
{

namespace
{

const QStringList& schemes()
{
    static const QStringList list{"rtsp", "rtsps", "http", "https", "srt", "udp"};
    return list;
}

using Deadline = std::chrono::steady_clock::time_point;

int pastDeadline(void* opaque)
{
    return std::chrono::steady_clock::now() > *static_cast<Deadline*>(opaque) ? 1 : 0;
}

// A video packet from the opened stream, within the deadline.
Status readVideoPacket(AVFormatContext* fmt)
{
    if (avformat_find_stream_info(fmt, nullptr) < 0)
        return fail(QStringLiteral("The camera sends nothing the station can read."));
    const int video = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0)
        return fail(QStringLiteral("The camera sends no video."));
    AVPacket* packet = av_packet_alloc();
    Status got = fail(QStringLiteral("The camera sent no picture."));
    while (av_read_frame(fmt, packet) >= 0) {
        const bool isVideo = packet->stream_index == video;
        av_packet_unref(packet);
        if (isVideo) {
            got = {};
            break;
        }
    }
    av_packet_free(&packet);
    return got;
}

} // namespace

Status probeNetworkCamera(const QString& url)
{
    avformat_network_init();
    Deadline deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    AVFormatContext* fmt = avformat_alloc_context();
    fmt->interrupt_callback.callback = &pastDeadline;
    fmt->interrupt_callback.opaque = &deadline;
    AVDictionary* options = networkInputOptions(url);
    const int rc = avformat_open_input(&fmt, url.toUtf8().constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(QStringLiteral("The camera at %1 does not answer.").arg(url));
    Status got = readVideoPacket(fmt);
    avformat_close_input(&fmt);
    return got;
}

bool isNetworkUrl(const QString& url)
{
    const int colon = int(url.indexOf(QStringLiteral("://")));
    return colon > 0 && schemes().contains(url.left(colon).toLower());
}

Result<QString> checkedCameraUrl(const QString& text)
{
    const QString url = text.trimmed();
    if (url.isEmpty())
        return fail(QStringLiteral("No camera address was given."));
    if (!isNetworkUrl(url))
        return fail(QStringLiteral("\"%1\" is no camera address: it must start with rtsp://, "
                                   "http://, https://, srt:// or udp://.")
                        .arg(url));
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return fail(QStringLiteral("\"%1\" is no camera address: it names no host.").arg(url));
    return url;
}

Result<QString> checkedCameraName(const QString& text)
{
    const QString name = text.trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("The camera needs a name."));
    if (name.contains('\t') || name.contains('\n') || name.contains('\r'))
        return fail(QStringLiteral("A camera name is one line of text."));
    return name;
}

AVDictionary* networkInputOptions(const QString& url)
{
    AVDictionary* options = nullptr;
    const QString scheme = url.left(int(url.indexOf(':'))).toLower();
    if (scheme.startsWith(QLatin1String("rtsp")))
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
    // Microseconds: a camera that stops sending is noticed after three seconds.
    av_dict_set(&options, "timeout", "3000000", 0);
    if (scheme.startsWith(QLatin1String("http")))
        av_dict_set(&options, "rw_timeout", "3000000", 0);
    av_dict_set(&options, "fflags", "nobuffer", 0);
    av_dict_set(&options, "analyzeduration", "1000000", 0);
    return options;
}

QString networkCamerasText(const QList<NetworkCameraEntry>& cameras)
{
    QStringList fields;
    for (const NetworkCameraEntry& c : cameras)
        fields << c.name << c.url;
    return fields.join('\t');
}

QList<NetworkCameraEntry> networkCamerasFromText(const QString& text, QStringList* unreadable)
{
    QList<NetworkCameraEntry> cameras;
    if (text.trimmed().isEmpty())
        return cameras;
    const QStringList fields = text.split('\t');
    const auto leftOut = [&](const QString& name, const QString& why) {
        if (unreadable)
            unreadable->append(
                QStringLiteral("The stored network camera \"%1\" is left out: %2").arg(name, why));
    };
    for (int i = 0; i < fields.size(); i += 2) {
        if (i + 1 == fields.size()) {
            leftOut(fields[i], QStringLiteral("its address is missing."));
            break;
        }
        const Result<QString> name = checkedCameraName(fields[i]);
        const Result<QString> url = checkedCameraUrl(fields[i + 1]);
        if (name && url)
            cameras << NetworkCameraEntry{*name, *url};
        else
            leftOut(fields[i], name ? url.error() : name.error());
    }
    return cameras;
}

} // namespace zelvan::capture
