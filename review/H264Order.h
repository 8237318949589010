#pragma once
// The order an H.264 decoder shows its pictures in, read from the slice headers of packets
// that carry no presentation timestamps (AVI): FFmpeg's parser gives each picture's order
// count without decoding anything, so a jump into a later group of pictures can decode from
// its key frame instead of from the start of the file.
//
// The order is trusted only where it is plain: frames (not fields) in every packet, every
// key frame an IDR picture (the count starts again there, and the decoder shows every
// picture before it first), and no picture shown later than the decoder's reorder delay lets
// it (FFmpeg drops such a picture). The reader checks it against every decoding run as well.
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

extern "C" {
struct AVCodecParameters;
struct AVPacket;
}

namespace zelvan::review
{

struct SliceOrder {
    bool known = false; // the packet held a slice whose header could be read
    bool frame = false; // a whole frame, not one field
    bool idr = false;   // an IDR picture: the order count starts again
    int poc = 0;        // the picture order count
};

class H264OrderParser
{
public:
    explicit H264OrderParser(const AVCodecParameters* parameters);
    ~H264OrderParser();
    H264OrderParser(const H264OrderParser&) = delete;
    H264OrderParser& operator=(const H264OrderParser&) = delete;

    bool ready() const;
    SliceOrder parse(const AVPacket* packet);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Whether an Annex B packet holds an IDR slice (NAL unit type 5); nothing when it holds no
// slice that can be found.
std::optional<bool> holdsIdrSlice(const uint8_t* data, int size);

// The packets `candidates` (indices into `slices`, in decode order, all after the key frame
// `firstKey`) in the order the decoder shows them, given its reorder delay; nothing when the
// slice headers do not tell it for sure. `keys` marks the packets the container calls key
// frames.
std::optional<std::vector<qint64>> showOrder(const std::vector<SliceOrder>& slices,
                                             const std::vector<bool>& keys, qint64 firstKey,
                                             const std::vector<qint64>& candidates,
                                             int reorderDelay);

} // namespace zelvan::review
