#include "capture/Source.h"

#include <chrono>
#include <cstring>

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

namespace zelvan::capture
{

void FrameDeleter::operator()(AVFrame* f) const
{
    av_frame_free(&f);
}

FramePtr cloneFrame(const AVFrame* frame)
{
    return FramePtr(frame ? av_frame_clone(frame) : nullptr);
}

void PacketDeleter::operator()(AVPacket* p) const
{
    av_packet_free(&p);
}

PacketPtr clonePacket(const AVPacket* packet)
{
    return PacketPtr(packet ? av_packet_clone(packet) : nullptr);
}

StreamFormat copyStreamFormat(const AVCodecParameters* parameters)
{
    AVCodecParameters* copy = avcodec_parameters_alloc();
    if (!copy || !parameters || avcodec_parameters_copy(copy, parameters) < 0) {
        avcodec_parameters_free(&copy);
        return {};
    }
    return StreamFormat(copy, [](AVCodecParameters* p) { avcodec_parameters_free(&p); });
}

namespace
{

// Held in the frame's opaque_ref; the marker tells it from anything else put there.
struct Attachment {
    quint32 marker = 0x5a50414b;
    AVPacket* packet = nullptr;
    int codecId = 0;
    AVBufferRef* picture = nullptr; // the decoded picture, kept so its address stays unique
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

void freeAttachment(void*, uint8_t* data)
{
    auto* a = reinterpret_cast<Attachment*>(data);
    av_packet_free(&a->packet);
    av_buffer_unref(&a->picture);
    delete a;
}

} // namespace

void attachSourcePacket(AVFrame* frame, const AVPacket* packet, int codecId, bool key)
{
    if (!frame || !packet || !frame->buf[0] || packet->size <= 0)
        return;
    // A copy of the bytes: a device's packet may hold one of its few driver buffers.
    AVPacket* copy = av_packet_alloc();
    if (!copy || av_new_packet(copy, packet->size) < 0) {
        av_packet_free(&copy);
        return;
    }
    std::memcpy(copy->data, packet->data, size_t(packet->size));
    copy->flags = packet->flags | (key ? AV_PKT_FLAG_KEY : 0);
    auto* a = new Attachment;
    a->packet = copy;
    a->codecId = codecId;
    a->picture = av_buffer_ref(frame->buf[0]);
    a->pixels = frame->data[0];
    a->width = frame->width;
    a->height = frame->height;
    AVBufferRef* ref =
        av_buffer_create(reinterpret_cast<uint8_t*>(a), sizeof *a, &freeAttachment, nullptr, 0);
    if (!ref || !a->picture) {
        if (ref)
            av_buffer_unref(&ref);
        else
            freeAttachment(nullptr, reinterpret_cast<uint8_t*>(a));
        return;
    }
    av_buffer_unref(&frame->opaque_ref);
    frame->opaque_ref = ref;
}

SourcePacket sourcePacketOf(const AVFrame* frame)
{
    if (!frame || !frame->opaque_ref || frame->opaque_ref->size != sizeof(Attachment) ||
        !frame->buf[0])
        return {};
    const auto* a = reinterpret_cast<const Attachment*>(frame->opaque_ref->data);
    // A filter copies opaque_ref to the picture it makes: only the decoded pixels count.
    if (a->marker != Attachment().marker || a->picture->data != frame->buf[0]->data ||
        a->pixels != frame->data[0] || a->width != frame->width || a->height != frame->height)
        return {};
    return {a->packet, a->codecId};
}

qint64 steadyMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

Source::~Source()
{
    // Subclasses stop in their own destructors; this is the last line of defence.
    if (thread.joinable()) {
        stopFlag = true;
        wake.notify_all();
        thread.join();
    }
}

Status Source::start()
{
    stopFlag = false;
    if (Status opened = open(); !opened)
        return opened;
    thread = std::thread([this] { run(); });
    return {};
}

void Source::stop()
{
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        stopFlag = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    close();
}

bool Source::waitUntil(qint64 dueMicros)
{
    using namespace std::chrono;
    const auto due = steady_clock::time_point(microseconds(dueMicros));
    std::unique_lock<std::mutex> lock(waitMutex);
    wake.wait_until(lock, due, [this] { return stopFlag.load(); });
    return !stopFlag.load();
}

void Source::ended(const QString& reason)
{
    if (onEnd && !stopping())
        onEnd(reason);
}

} // namespace zelvan::capture
