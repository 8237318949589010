#include "capture/Source.h"

#include <chrono>

extern "C" {
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
