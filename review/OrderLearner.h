#pragma once
// The order of the pictures of a file whose container does not give it (AVI with B frames),
// learnt by a second demuxer and decoder that throw every picture away unseen. Since nobody
// looks at them, the decoder skips the loop filter and the inverse transform: that changes
// what a picture looks like, never which pictures come out or in what order, and it decodes
// about twice as fast as the exact decode. Used by one thread at a time.
#include "base/Result.h"

#include <QByteArray>

#include <functional>
#include <memory>

extern "C" {
struct AVCodecParameters;
struct AVPacket;
}

namespace zelvan::review
{

class OrderLearner
{
public:
    // Which indexed packet the demuxer gave; -1 when it cannot be told.
    using Identify = std::function<qint64(const AVPacket*)>;

    OrderLearner();
    ~OrderLearner();
    OrderLearner(const OrderLearner&) = delete;
    OrderLearner& operator=(const OrderLearner&) = delete;

    // Opens the file again at its first packet, with a fresh decoder set up from `parameters`
    // (the stream's own, so both decoders start alike).
    Status open(const QByteArray& localPath, int streamIndex, const AVCodecParameters* parameters,
                qint64 packetCount, Identify identify);

    // The index of the packet the next picture the decoder gives was made from (-1 when not
    // known); fails at the end of the video (ended() is then true) or on a decoding error.
    Result<qint64> nextTag();
    bool ended() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::review
