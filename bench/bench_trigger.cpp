// bench_trigger: what the seconds before Start and the motion trigger cost the capture thread
// at 1920x1080, 60 fps, on pictures of the simulated site with moving water.
//
//   bench_trigger [--seconds P]
//
// Prints the trigger's time per picture (a drawn zone and the whole picture as zone), the
// buffer's push time per packet, and the memory the buffer holds for P seconds (default 2) of
// MJPEG at the station's quality.
#include "BenchSupport.h"
#include "capture/FrameConversion.h"
#include "capture/MotionTrigger.h"
#include "capture/PreTriggerBuffer.h"
#include "sim/SimulatedSite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

using namespace zelvan;

namespace
{

constexpr double kRate = 60;
const QSize kSize(1920, 1080);

std::vector<capture::FramePtr> sitePictures(int count)
{
    sim::SiteOptions o;
    o.pictureSize = kSize;
    o.frameRate = kRate;
    o.movingWater = true;
    const sim::SimulatedSite site(o);
    std::vector<capture::FramePtr> frames;
    for (int n = 0; n < count; ++n)
        frames.push_back(capture::frameFromImage(site.renderFrameAt(n), AV_PIX_FMT_YUVJ420P));
    return frames;
}

void benchTrigger(const std::vector<capture::FramePtr>& frames, QRect zone, const char* what)
{
    capture::MotionTrigger trigger(zone);
    trigger.arm();
    std::vector<double> micros;
    QElapsedTimer timer;
    for (int round = 0; round < 10; ++round) {
        for (const capture::FramePtr& f : frames) {
            const capture::LumaPlane plane{f->data[0], f->linesize[0], 1, kSize};
            timer.start();
            trigger.feed(plane);
            micros.push_back(double(timer.nsecsElapsed()) / 1000);
        }
    }
    std::printf("trigger, %-28s median %7.1f us  p99 %7.1f us  max %7.1f us  (%zu pictures)\n",
                what, bench::quantile(micros, 0.5), bench::quantile(micros, 0.99),
                bench::quantile(micros, 1.0), micros.size());
}

AVCodecContext* mjpegEncoder()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = kSize.width();
    c->height = kSize.height();
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->time_base = AVRational{1, int(kRate)};
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 4; // the station's default quality
    c->color_range = AVCOL_RANGE_JPEG;
    if (avcodec_open2(c, codec, nullptr) < 0)
        avcodec_free_context(&c);
    return c;
}

void benchBuffer(const std::vector<capture::FramePtr>& frames, double seconds)
{
    AVCodecContext* enc = mjpegEncoder();
    if (!enc) {
        std::printf("buffer: no MJPEG encoder\n");
        return;
    }
    capture::PreTriggerBuffer buffer;
    if (!buffer.configure(seconds, kRate)) {
        std::printf("buffer: bad seconds\n");
        return;
    }
    std::vector<double> micros;
    QElapsedTimer timer;
    const qint64 slotCount = qint64(seconds * kRate) * 2; // twice round the window
    for (qint64 slot = 0; slot < slotCount; ++slot) {
        AVFrame* f = frames[size_t(slot) % frames.size()].get();
        f->pts = slot;
        avcodec_send_frame(enc, f);
        capture::PacketPtr packet(av_packet_alloc());
        while (avcodec_receive_packet(enc, packet.get()) == 0) {
            timer.start();
            buffer.push(std::move(packet), slot, 0);
            micros.push_back(double(timer.nsecsElapsed()) / 1000);
            packet.reset(av_packet_alloc());
        }
    }
    avcodec_free_context(&enc);
    std::printf("buffer, %.0f s of 1920x1080 MJPEG q4: %d packets, %.1f MiB held (cap %lld MiB), "
                "%.2f s held, %lld trimmed for memory; push median %.1f us, max %.1f us\n",
                seconds, buffer.packetCount(), double(buffer.bytes()) / (1 << 20),
                capture::kDefaultPreTriggerBytes >> 20, buffer.heldSeconds(),
                buffer.trimmedForMemory(), bench::quantile(micros, 0.5),
                bench::quantile(micros, 1.0));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double seconds =
        bench::optionValue(args, QStringLiteral("--seconds"), QStringLiteral("2")).toDouble();
    std::printf("rendering 120 pictures of the simulated site at 1920x1080...\n");
    const std::vector<capture::FramePtr> frames = sitePictures(120);
    benchTrigger(frames, QRect(300, 500, 288, 216), "zone 288x216");
    benchTrigger(frames, QRect(QPoint(0, 0), kSize), "whole picture as zone");
    benchBuffer(frames, seconds);
    return 0;
}
