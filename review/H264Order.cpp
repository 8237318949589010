#include "review/H264Order.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <climits>

namespace zelvan::review
{

struct H264OrderParser::Impl {
    AVCodecParserContext* parser = nullptr;
    AVCodecContext* context = nullptr; // the parser's own: it writes what it learns there

    ~Impl()
    {
        av_parser_close(parser);
        avcodec_free_context(&context);
    }
};

H264OrderParser::H264OrderParser(const AVCodecParameters* parameters) : d(std::make_unique<Impl>())
{
    d->parser = av_parser_init(AV_CODEC_ID_H264);
    d->context = avcodec_alloc_context3(nullptr);
    if (!d->parser || !d->context || avcodec_parameters_to_context(d->context, parameters) < 0) {
        av_parser_close(d->parser);
        d->parser = nullptr;
        return;
    }
    // Each packet is one whole picture: the parser reads it at once, never joining two.
    d->parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
}

H264OrderParser::~H264OrderParser() = default;

bool H264OrderParser::ready() const
{
    return d->parser != nullptr;
}

SliceOrder H264OrderParser::parse(const AVPacket* packet)
{
    SliceOrder s;
    const std::optional<bool> idr = holdsIdrSlice(packet->data, packet->size);
    if (!d->parser || !idr)
        return s;
    uint8_t* out = nullptr;
    int outSize = 0;
    d->parser->output_picture_number = INT_MIN;
    d->parser->picture_structure = AV_PICTURE_STRUCTURE_UNKNOWN;
    av_parser_parse2(d->parser, d->context, &out, &outSize, packet->data, packet->size,
                     AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (d->parser->output_picture_number == INT_MIN)
        return s;
    s.known = true;
    s.frame = d->parser->picture_structure == AV_PICTURE_STRUCTURE_FRAME;
    s.idr = *idr;
    s.poc = d->parser->output_picture_number;
    return s;
}

std::optional<bool> holdsIdrSlice(const uint8_t* data, int size)
{
    for (int i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const int type = data[i + 3] & 0x1f;
        if (type == 5)
            return true;
        if (type == 1)
            return false;
        i += 2;
    }
    return std::nullopt;
}

namespace
{

// Whether no picture is shown after more than `delay` pictures decoded after it in its
// period: the decoder could not show it in order then. Only the delay + 1 largest order counts
// seen so far in the period matter.
bool reordersWithin(const std::vector<SliceOrder>& slices, const std::vector<qint64>& packets,
                    const std::vector<int>& period, int delay)
{
    std::vector<int> largest; // ascending
    for (size_t i = 0; i < packets.size(); ++i) {
        if (i > 0 && period[i] != period[i - 1])
            largest.clear();
        const int poc = slices[size_t(packets[i])].poc;
        const auto above = std::upper_bound(largest.begin(), largest.end(), poc);
        if (largest.end() - above > delay || std::binary_search(largest.begin(), above, poc))
            return false; // shown too late, or two pictures with one place
        largest.insert(above, poc);
        if (int(largest.size()) > delay + 1)
            largest.erase(largest.begin());
    }
    return true;
}

} // namespace

std::optional<std::vector<qint64>> showOrder(const std::vector<SliceOrder>& slices,
                                             const std::vector<bool>& keys, qint64 firstKey,
                                             const std::vector<qint64>& candidates,
                                             int reorderDelay)
{
    if (firstKey < 0 || firstKey >= qint64(slices.size()))
        return std::nullopt;
    // The key frame and every packet after it, in decode order, with its period (the pictures
    // from one IDR picture up to the next).
    std::vector<qint64> packets;
    std::vector<int> period;
    int current = 0;
    for (qint64 i = firstKey; i < qint64(slices.size()); ++i) {
        const SliceOrder& s = slices[size_t(i)];
        if (!s.known || !s.frame || (keys[size_t(i)] && !s.idr) || (i == firstKey && !s.idr))
            return std::nullopt;
        current += s.idr && i > firstKey ? 1 : 0;
        packets.push_back(i);
        period.push_back(current);
    }
    if (!reordersWithin(slices, packets, period, std::max(reorderDelay, 0)))
        return std::nullopt;
    std::vector<int> periodOf(slices.size(), -1);
    for (size_t i = 0; i < packets.size(); ++i)
        periodOf[size_t(packets[i])] = period[i];
    auto before = [&](qint64 a, qint64 b) {
        if (periodOf[size_t(a)] != periodOf[size_t(b)])
            return periodOf[size_t(a)] < periodOf[size_t(b)];
        return slices[size_t(a)].poc < slices[size_t(b)].poc;
    };
    std::vector<qint64> order;
    for (const qint64 c : candidates) {
        if (c <= firstKey || c >= qint64(slices.size()))
            return std::nullopt;
        // A picture of the key frame's period shown before it is not shown at all.
        if (before(c, firstKey))
            return std::nullopt;
        order.push_back(c);
    }
    std::stable_sort(order.begin(), order.end(), before);
    return order;
}

} // namespace zelvan::review
