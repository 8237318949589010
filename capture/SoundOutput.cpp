#include "capture/SoundOutput.h"

#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace zelvan::capture
{

SoundOutput systemSoundOutput()
{
    avdevice_register_all();
    QStringList offered;
    for (const AVOutputFormat* f = av_output_audio_device_next(nullptr); f;
         f = av_output_audio_device_next(f))
        offered << QString::fromLatin1(f->name);
    for (const char* name : {"pulse", "alsa", "oss"})
        if (offered.contains(QLatin1String(name)))
            return {QString::fromLatin1(name),
                    QString::fromLatin1(std::string_view(name) == "oss" ? "/dev/dsp" : "default")};
    return {};
}

struct SoundPlayer::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<QByteArray> queue;
    qint64 queuedBytes = 0;
    qint64 maxBytes = 0;
    bool stopping = false;
    bool finished = false;
    bool failed = false;
    std::atomic<qint64> played{0};
    ProblemFn problem; // cleared when the thread is left behind

    void report(const QString& reason)
    {
        // Told under the lock, so a player that has given up on this thread is never told.
        std::lock_guard<std::mutex> lock(mutex);
        if (!failed && problem)
            problem(reason);
        failed = true;
        queue.clear();
        queuedBytes = 0;
    }
};

namespace
{

QString avText(int rc)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return QString::fromUtf8(text);
}

// One opened output: header written on open, trailer on close.
class OutputFile
{
public:
    ~OutputFile() { close(); }
    Status open(const SoundOutput& output, const AudioSettings& format);
    Status write(const QByteArray& pcm, int frames);
    void close();

private:
    AVFormatContext* ctx = nullptr;
    bool headerWritten = false;
    AVRational sampleBase{1, 1};
    qint64 position = 0;
};

Status OutputFile::open(const SoundOutput& output, const AudioSettings& format)
{
    avdevice_register_all();
    const QByteArray name = output.format.toLatin1();
    const QByteArray url = output.url.toUtf8();
    if (output.format.isEmpty())
        return fail(QStringLiteral("this computer has no sound output"));
    if (avformat_alloc_output_context2(&ctx, nullptr, name.constData(), url.constData()) < 0)
        return fail(
            QStringLiteral("no sound output could be opened (no %1 output)").arg(output.format));
    AVStream* stream = avformat_new_stream(ctx, nullptr);
    if (!stream)
        return fail(QStringLiteral("out of memory"));
    sampleBase = AVRational{1, format.sampleRate};
    stream->time_base = sampleBase;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = format.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
    par->sample_rate = format.sampleRate;
    par->bits_per_coded_sample = format.bitsPerSample;
    av_channel_layout_default(&par->ch_layout, format.channels);
    par->block_align = format.channels * format.bitsPerSample / 8;
    par->bit_rate = qint64(par->block_align) * 8 * format.sampleRate;
    int rc = 0;
    if (!(ctx->oformat->flags & AVFMT_NOFILE))
        rc = avio_open(&ctx->pb, url.constData(), AVIO_FLAG_WRITE);
    if (rc >= 0)
        rc = avformat_write_header(ctx, nullptr);
    if (rc < 0)
        return fail(QStringLiteral("no sound output could be opened (%1 \"%2\": %3)")
                        .arg(output.format, output.url, avText(rc)));
    headerWritten = true;
    return {};
}

Status OutputFile::write(const QByteArray& pcm, int frames)
{
    AVPacket* packet = av_packet_alloc();
    int rc = packet ? av_new_packet(packet, int(pcm.size())) : AVERROR(ENOMEM);
    if (rc >= 0) {
        memcpy(packet->data, pcm.constData(), size_t(pcm.size()));
        packet->stream_index = 0;
        packet->pts = packet->dts = av_rescale_q(position, sampleBase, ctx->streams[0]->time_base);
        packet->duration = av_rescale_q(frames, sampleBase, ctx->streams[0]->time_base);
        rc = av_write_frame(ctx, packet);
    }
    av_packet_free(&packet);
    position += frames;
    if (rc < 0)
        return fail(avText(rc));
    return {};
}

void OutputFile::close()
{
    if (!ctx)
        return;
    if (headerWritten)
        av_write_trailer(ctx);
    if (!(ctx->oformat->flags & AVFMT_NOFILE))
        avio_closep(&ctx->pb);
    avformat_free_context(ctx);
    ctx = nullptr;
}

// The playback thread: opens the output, then writes whatever arrives until told to stop.
void play(const std::shared_ptr<SoundPlayer::State>& state, const SoundOutput& output,
          const AudioSettings& format)
{
    OutputFile file;
    if (const Status opened = file.open(output, format); !opened)
        state->report(opened.error());
    const int frameBytes = format.channels * format.bitsPerSample / 8;
    std::unique_lock<std::mutex> lock(state->mutex);
    while (true) {
        state->wake.wait(lock, [&] { return state->stopping || !state->queue.empty(); });
        if (state->queue.empty())
            break; // stopping, and everything handed over is written
        const QByteArray pcm = std::move(state->queue.front());
        state->queue.pop_front();
        state->queuedBytes -= pcm.size();
        lock.unlock();
        const int frames = int(pcm.size() / frameBytes);
        if (const Status written = file.write(pcm, frames); !written)
            state->report(QStringLiteral("the sound output failed: ") + written.error());
        else
            state->played += frames;
        lock.lock();
    }
    lock.unlock();
    file.close();
    lock.lock();
    state->finished = true;
    state->wake.notify_all();
}

} // namespace

SoundPlayer::SoundPlayer(const SoundOutput& output, const AudioSettings& format, ProblemFn problem)
    : state(std::make_shared<State>())
{
    state->problem = std::move(problem);
    state->maxBytes = qint64(format.sampleRate) * format.channels * format.bitsPerSample / 16;
    std::thread([s = state, output, format] { play(s, output, format); }).detach();
}

SoundPlayer::~SoundPlayer()
{
    std::unique_lock<std::mutex> lock(state->mutex);
    state->stopping = true;
    state->wake.notify_all();
    // A sound output that hangs must not hang the station with it.
    if (!state->wake.wait_for(lock, std::chrono::milliseconds(1500),
                              [this] { return state->finished; }))
        state->problem = nullptr;
}

void SoundPlayer::push(const QByteArray& pcm, int)
{
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->failed || state->stopping)
        return;
    state->queue.push_back(pcm);
    state->queuedBytes += pcm.size();
    while (state->queuedBytes > state->maxBytes && state->queue.size() > 1) {
        state->queuedBytes -= state->queue.front().size();
        state->queue.pop_front();
    }
    state->wake.notify_all();
}

qint64 SoundPlayer::framesPlayed() const
{
    return state->played.load();
}

} // namespace zelvan::capture
