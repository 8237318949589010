#include "capture/VideoEffects.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace zelvan::capture
{

namespace
{
struct EffectDef {
    const char* name;
    const char* filter;
};
const EffectDef kEffects[] = {
    {"Grey", "hue=s=0"},      {"Negative", "negate"},         {"Mirror", "hflip"},
    {"Upside Down", "vflip"}, {"Sharpen", "unsharp=5:5:1.0"}, {"Brighten", "eq=brightness=0.15"},
};
constexpr int kEffectCount = int(sizeof kEffects / sizeof kEffects[0]);
} // namespace

QStringList videoEffectNames()
{
    QStringList names;
    for (const auto& e : kEffects)
        names << QString::fromLatin1(e.name);
    return names;
}

QString videoEffectFilter(int index)
{
    if (index < 0 || index >= kEffectCount)
        return {};
    return QString::fromLatin1(kEffects[index].filter);
}

struct VideoEffect::Impl {
    mutable std::mutex mutex;
    int index = -1;
    // Graph built for this effect, size and pixel format.
    AVFilterGraph* graph = nullptr;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int graphIndex = -1;
    int width = 0;
    int height = 0;
    int format = -1;
    bool broken = false;

    ~Impl() { avfilter_graph_free(&graph); }

    bool build(int idx, const AVFrame* f)
    {
        avfilter_graph_free(&graph);
        src = sink = nullptr;
        graphIndex = idx;
        width = f->width;
        height = f->height;
        format = f->format;
        broken = true;
        graph = avfilter_graph_alloc();
        if (!graph)
            return false;
        graph->nb_threads = 1;
        const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/1000:"
                                               "pixel_aspect=1/1")
                                    .arg(f->width)
                                    .arg(f->height)
                                    .arg(f->format)
                                    .toLatin1();
        if (avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in",
                                         args.constData(), nullptr, graph) < 0)
            return false;
        if (avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                         nullptr, graph) < 0)
            return false;
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        // Back to the device's own pixel format, so the recorder's fast path still applies.
        const QByteArray desc = (videoEffectFilter(idx) + ",format=" +
                                 QString::fromLatin1(av_get_pix_fmt_name(AVPixelFormat(f->format))))
                                    .toLatin1();
        int rc = avfilter_graph_parse_ptr(graph, desc.constData(), &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        if (rc < 0 || avfilter_graph_config(graph, nullptr) < 0)
            return false;
        broken = false;
        return true;
    }
};

VideoEffect::VideoEffect() : d(std::make_unique<Impl>()) {}
VideoEffect::~VideoEffect() = default;

void VideoEffect::select(int index)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->index = (index >= 0 && index < kEffectCount) ? index : -1;
}

int VideoEffect::selected() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->index;
}

FramePtr VideoEffect::apply(FramePtr frame)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->index < 0 || !frame)
        return frame;
    if (d->index != d->graphIndex || frame->width != d->width || frame->height != d->height ||
        frame->format != d->format)
        d->build(d->index, frame.get());
    if (d->broken)
        return frame;
    FramePtr input = cloneFrame(frame.get());
    if (av_buffersrc_add_frame_flags(d->src, input.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
        return frame;
    FramePtr out(av_frame_alloc());
    if (av_buffersink_get_frame(d->sink, out.get()) < 0)
        return frame;
    return out;
}

} // namespace zelvan::capture
