#include "review/FrameReader.h"
#include "review/FrameDecoder.h"
#include "review/PixelFormats.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <QTransform>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace zelvan::review
{

// Two threads: the caller's (the public functions) and the decoding thread (run() and what
// it calls), which alone uses the decoder once opening is done. What they share is the
// group under `lock`; the rest is set while opening, before the thread starts, and only
// read afterwards.
struct FrameReader::Impl {
    explicit Impl(qint64 memoryBudget) : budget(memoryBudget) {}
    ~Impl() { release(); }

    const qint64 budget;
    QString path;
    OpenFailure failure = OpenFailure::None;
    std::unique_ptr<FrameDecoder> decoder;
    double rate = 0;
    QSize frameSize; // upright
    int rotation = 0;
    QString codec;
    qint64 pictureBytes = 1;
    bool intraOnly = false;

    std::mutex lock;
    std::condition_variable wake;  // the decoding thread: a frame is wanted, or stop
    std::condition_variable ready; // the caller: the wanted frame came, or cannot come
    std::map<qint64, Picture> window;
    std::map<qint64, QString> failed; // frames that could not be decoded, and why
    qint64 wanted = -1;               // the frame the caller waits for
    qint64 position = 0;              // the window is kept around this frame
    bool stepping = false;            // the position was reached by a step of one frame
    qint64 count = 0;
    qint64 revision = 0; // the decoder's order revision the window was numbered by
    bool stop = false;
    std::thread worker;

    // The caller's own.
    qint64 currentIndex = -1;
    QImage currentPicture;
    double currentSeconds = 0;
    SwsContext* sws = nullptr;

    void release()
    {
        {
            const std::lock_guard<std::mutex> guard(lock);
            stop = true;
        }
        wake.notify_all();
        if (worker.joinable())
            worker.join();
        decoder.reset();
        window.clear();
        failed.clear();
        wanted = -1;
        position = 0;
        stepping = false;
        count = 0;
        revision = 0;
        stop = false;
        currentIndex = -1;
        currentPicture = QImage();
        currentSeconds = 0;
        sws_freeContext(sws);
        sws = nullptr;
    }

    // Pictures that decode on their own are kept only near the position: decoding one
    // costs less than the fresh memory for keeping it, and a short window reuses the
    // decoder's buffers. Long groups of pictures are kept as far as the budget allows, since
    // a jump into one decodes from its key frame.
    static constexpr qint64 kIntraWindow = 48;
    qint64 capacity() const
    {
        const qint64 room = std::max<qint64>(2, budget / pictureBytes);
        return intraOnly ? std::min(room, kIntraWindow) : room;
    }

    // The frames the window holds around `position`: the whole video when it fits, else
    // two thirds ahead (stepping forward is the common way) and a third behind.
    std::pair<qint64, qint64> bounds() const
    {
        const qint64 room = capacity();
        if (count <= room)
            return {0, count - 1};
        const qint64 behind = room / 3;
        const qint64 first = std::clamp<qint64>(position - behind, 0, count - room);
        return {first, first + room - 1};
    }

    // With `lock` held: what the decoding thread works towards next, if anything.
    std::optional<qint64> goal() const
    {
        if (wanted >= 0 && !window.count(wanted) && !failed.count(wanted))
            return wanted;
        // A jump to a picture that decodes on its own is one decode: once the window has
        // its memory, the thread stays free for the next jump and fills the window only
        // when the operator steps.
        if (intraOnly && !stepping && qint64(window.size()) >= capacity())
            return std::nullopt;
        const auto [first, last] = bounds();
        auto missing = [&](qint64 n) { return !window.count(n) && !failed.count(n); };
        for (qint64 n = std::max(position, first); n <= last; ++n)
            if (missing(n))
                return n;
        for (qint64 n = std::min(position - 1, last); n >= first; --n)
            if (missing(n))
                return n;
        return std::nullopt;
    }

    // With `lock` held: keeps a picture the decoder gave when it is in the window, and lets
    // the pictures farthest from the position go while the window is over its size.
    void keep(Picture picture)
    {
        const auto [first, last] = bounds();
        if (picture.number != wanted && (picture.number < first || picture.number > last))
            return;
        window[picture.number] = std::move(picture);
        while (qint64(window.size()) > capacity()) {
            const auto low = window.begin();
            const auto high = std::prev(window.end());
            const bool dropLow = position - low->first > high->first - position;
            const auto drop = dropLow ? low : high;
            if (drop->first == wanted)
                break;
            window.erase(drop);
        }
    }

    enum class Outcome { Reached, Passed, Interrupted, Ended };

    // Decodes on until frame `n` comes; every picture on the way that belongs in the window
    // is kept. Stops early when the caller wants another frame that this run cannot give.
    Outcome decodeTowards(qint64 n, QString* why)
    {
        while (true) {
            Result<Picture> got = decoder->nextPicture();
            std::unique_lock<std::mutex> guard(lock);
            count = decoder->frameCount();
            if (decoder->orderRevision() != revision) {
                revision = decoder->orderRevision();
                window.clear(); // numbered by the order found wrong
                failed.clear();
            }
            if (!got) {
                *why = got.error();
                return Outcome::Ended;
            }
            const qint64 number = got->number;
            keep(std::move(*got));
            if (number == wanted)
                ready.notify_all();
            if (number == n)
                return Outcome::Reached;
            if (number > n)
                return Outcome::Passed;
            if (stop ||
                (wanted >= 0 && wanted != n && !window.count(wanted) && !decoder->reaches(wanted)))
                return Outcome::Interrupted;
        }
    }

    // Gets frame `n` into the window: decoding on when the run reaches it, else from the key
    // frame before it, an earlier one, and the start of the file.
    void work(qint64 n)
    {
        QString why = QStringLiteral("frame %1 could not be decoded").arg(n);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0 || !decoder->reaches(n)) {
                if (const Status sought = decoder->seekFor(n, attempt); !sought) {
                    why = sought.error();
                    continue;
                }
            }
            const Outcome outcome = decodeTowards(n, &why);
            if (outcome == Outcome::Reached || outcome == Outcome::Interrupted)
                return;
            if (n >= decoder->frameCount())
                break; // the decoder gave fewer pictures than it was given packets
        }
        const std::lock_guard<std::mutex> guard(lock);
        count = decoder->frameCount();
        failed[n] = n < count ? QStringLiteral("frame %1 could not be decoded: %2").arg(n).arg(why)
                              : QStringLiteral("frame %1 is outside the video").arg(n);
        ready.notify_all();
    }

    void run()
    {
        std::unique_lock<std::mutex> guard(lock);
        while (!stop) {
            const std::optional<qint64> next = goal();
            if (!next) {
                wake.wait(guard);
                continue;
            }
            guard.unlock();
            work(*next);
            guard.lock();
        }
    }

    Result<QImage> convert(const AVFrame* f)
    {
        bool fullRange = f->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat src = plainFormat(AVPixelFormat(f->format), &fullRange);
        sws = sws_getCachedContext(sws, f->width, f->height, src, f->width, f->height,
                                   AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!sws)
            return fail(QStringLiteral("cannot convert pixel format %1")
                            .arg(QString::fromUtf8(av_get_pix_fmt_name(AVPixelFormat(f->format)))));
        const int space =
            f->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(f->colorspace);
        const int* srcTable = sws_getCoefficients(space);
        sws_setColorspaceDetails(sws, srcTable, fullRange ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        QImage out(f->width, f->height, QImage::Format_BGR888);
        if (out.isNull())
            return fail(QStringLiteral("out of memory"));
        uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
        int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
        QImage turned = upright(out);
        if (turned.isNull())
            return fail(QStringLiteral("out of memory"));
        return turned;
    }

    // Turned clockwise by the stream's rotation. A quarter-turn transform is Qt's whole-pixel
    // rotation (no sampling), so the picture keeps the decoder's colours exactly.
    QImage upright(const QImage& picture) const
    {
        if (rotation == 0)
            return picture;
        return picture.transformed(QTransform().rotate(rotation));
    }

    // The decoded picture of frame n, waiting for the decoding thread when it has not got
    // it yet; the window moves to n.
    Result<Picture> fetch(qint64 n)
    {
        std::unique_lock<std::mutex> guard(lock);
        stepping = n == position + 1 || n == position - 1;
        position = n;
        wanted = n;
        failed.erase(n);
        wake.notify_one();
        ready.wait(guard, [&] { return window.count(n) || failed.count(n) || stop; });
        wanted = -1;
        const auto it = window.find(n);
        if (it != window.end())
            return it->second;
        const auto reason = failed.find(n);
        return fail(reason != failed.end()
                        ? reason->second
                        : QStringLiteral("frame %1 could not be decoded").arg(n));
    }
};

FrameReader::FrameReader(qint64 memoryBudget) : d(std::make_unique<Impl>(memoryBudget)) {}
FrameReader::~FrameReader() = default;

Status FrameReader::open(const QString& path)
{
    d->release();
    d->path = path;
    d->failure = OpenFailure::None;
    auto decoder = std::make_unique<FrameDecoder>();
    if (Status opened = decoder->open(path); !opened) {
        d->failure = decoder->openFailure();
        return opened;
    }
    d->rate = decoder->frameRate();
    d->rotation = decoder->rotation();
    d->frameSize = d->rotation % 180 == 0 ? decoder->size() : decoder->size().transposed();
    d->codec = decoder->codecName();
    d->pictureBytes = std::max<qint64>(1, decoder->bytesPerPicture());
    d->intraOnly = decoder->intraOnly();
    d->count = decoder->frameCount();
    for (Picture& p : decoder->takeOpeningPictures())
        d->keep(std::move(p));
    d->decoder = std::move(decoder);
    d->worker = std::thread([this] { d->run(); });
    return {};
}

void FrameReader::close()
{
    d->release();
    d->path.clear();
    d->failure = OpenFailure::None;
}

bool FrameReader::isOpen() const
{
    return d->decoder != nullptr;
}

FrameReader::OpenFailure FrameReader::openFailure() const
{
    return d->failure;
}

QString FrameReader::path() const
{
    return d->path;
}

qint64 FrameReader::frameCount() const
{
    const std::lock_guard<std::mutex> guard(d->lock);
    return d->count;
}

double FrameReader::frameRate() const
{
    return isOpen() ? d->rate : 0.0;
}

QSize FrameReader::size() const
{
    return isOpen() ? d->frameSize : QSize();
}

QString FrameReader::codecName() const
{
    return isOpen() ? d->codec : QString();
}

Result<QImage> FrameReader::frame(qint64 n)
{
    if (!isOpen())
        return fail(QStringLiteral("no video is open"));
    const qint64 total = frameCount();
    if (n < 0 || n >= total)
        return fail(
            QStringLiteral("frame %1 is outside the video (0 to %2)").arg(n).arg(total - 1));
    if (n == d->currentIndex && !d->currentPicture.isNull())
        return d->currentPicture;
    const Result<Picture> decoded = d->fetch(n);
    if (!decoded)
        return fail(decoded.error());
    Result<QImage> picture = d->convert(decoded->frame.get());
    if (picture) {
        d->currentIndex = n;
        d->currentPicture = *picture;
        d->currentSeconds = decoded->seconds;
    }
    return picture;
}

Result<QImage> FrameReader::next()
{
    return frame(d->currentIndex + 1);
}

Result<QImage> FrameReader::previous()
{
    if (d->currentIndex <= 0)
        return fail(QStringLiteral("there is no frame before frame 0"));
    return frame(d->currentIndex - 1);
}

qint64 FrameReader::current() const
{
    return d->currentIndex;
}

QImage FrameReader::currentImage() const
{
    return d->currentPicture;
}

double FrameReader::currentSeconds() const
{
    return d->currentIndex >= 0 ? d->currentSeconds : 0.0;
}

int FrameReader::rotation() const
{
    return isOpen() ? d->rotation : 0;
}

qint64 FrameReader::keptPictures() const
{
    const std::lock_guard<std::mutex> guard(d->lock);
    return qint64(d->window.size());
}

qint64 FrameReader::keptBytes() const
{
    return keptPictures() * d->pictureBytes;
}

qint64 FrameReader::memoryBudget() const
{
    return d->budget;
}

} // namespace zelvan::review
