// The order of H.264 pictures read from slice headers: the rules on made-up order counts, and
// the parser on a real AVI against the order FFmpeg's decoder shows its pictures in.
#include "review/H264Order.h"

#include "VideoFixtures.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

using namespace zelvan::review;
using namespace zelvan::test;

namespace
{

// Frames in decode order with these order counts; `idr` marks where a count starts again.
std::vector<SliceOrder> frames(const std::vector<int>& pocs, const std::vector<size_t>& idr)
{
    std::vector<SliceOrder> s;
    s.reserve(pocs.size());
    for (const int poc : pocs)
        s.push_back({true, true, false, poc});
    for (const size_t i : idr)
        s[i].idr = true;
    return s;
}

std::vector<qint64> after(qint64 first, qint64 size)
{
    std::vector<qint64> v;
    for (qint64 i = first + 1; i < size; ++i)
        v.push_back(i);
    return v;
}

TEST(H264ShowOrderTest, SortsEachPeriodByOrderCount)
{
    // I P B B | I P B: decode order 0..6, shown 0 3 1 2 4 6 5 by the counts.
    const auto s = frames({0, 6, 2, 4, 0, 4, 2}, {0, 4});
    const std::vector<bool> keys{true, false, false, false, true, false, false};
    const auto order = showOrder(s, keys, 0, after(0, 7), 2);
    ASSERT_TRUE(order.has_value());
    EXPECT_EQ(*order, (std::vector<qint64>{2, 3, 1, 4, 6, 5}));
}

TEST(H264ShowOrderTest, RefusesWhatTheDecoderCouldNotShowInThatOrder)
{
    const auto s = frames({0, 6, 2, 4}, {0});
    const std::vector<bool> keys{true, false, false, false};
    // Frame 2 comes one picture late, frame 3 too: a delay of one is enough, none is not.
    EXPECT_TRUE(showOrder(s, keys, 0, after(0, 4), 1).has_value());
    EXPECT_FALSE(showOrder(s, keys, 0, after(0, 4), 0).has_value());
    // A key frame that is not an IDR picture (an open group of pictures).
    const std::vector<bool> openKey{true, false, true, false};
    EXPECT_FALSE(showOrder(s, openKey, 0, after(0, 4), 2).has_value());
    // A field, a slice that could not be read, two pictures with one count.
    for (int fault = 0; fault < 3; ++fault) {
        auto bad = s;
        if (fault == 0)
            bad[2].frame = false;
        else if (fault == 1)
            bad[3].known = false;
        else
            bad[3].poc = 2;
        EXPECT_FALSE(showOrder(bad, keys, 0, after(0, 4), 2).has_value()) << fault;
    }
    // Starting on a picture that is not an IDR one.
    auto notIdr = s;
    notIdr[0].idr = false;
    EXPECT_FALSE(showOrder(notIdr, keys, 0, after(0, 4), 2).has_value());
}

TEST(H264ShowOrderTest, FindsTheIdrSliceAmongOtherUnits)
{
    const uint8_t idr[] = {0, 0, 0, 1, 0x67, 1, 2, 0, 0, 1, 0x68, 3, 0, 0, 1, 0x65, 9};
    const uint8_t plain[] = {0, 0, 1, 0x06, 5, 0, 0, 1, 0x41, 7};
    const uint8_t none[] = {0, 0, 1, 0x67, 5, 6};
    EXPECT_EQ(holdsIdrSlice(idr, int(sizeof idr)), std::optional<bool>(true));
    EXPECT_EQ(holdsIdrSlice(plain, int(sizeof plain)), std::optional<bool>(false));
    EXPECT_FALSE(holdsIdrSlice(none, int(sizeof none)).has_value());
}

// The packets of `path` in decode order, as the parser reads them.
std::vector<SliceOrder> parsed(const QString& path, std::vector<bool>* keys, int* delay)
{
    std::vector<SliceOrder> out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return out;
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0) {
        *delay = format->streams[stream]->codecpar->video_delay;
        H264OrderParser parser(format->streams[stream]->codecpar);
        AVPacket* packet = av_packet_alloc();
        while (parser.ready() && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) {
                out.push_back(parser.parse(packet));
                keys->push_back(packet->flags & AV_PKT_FLAG_KEY);
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    return out;
}

// The decode-order index of each picture FFmpeg's decoder shows, in the order it shows them.
std::vector<qint64> decodersOrder(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("frame=coded_picture_number"), QStringLiteral("-of"),
             QStringLiteral("csv=p=0"), path});
    p.waitForFinished(60000);
    std::vector<qint64> order;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            order.push_back(line.trimmed().toLongLong());
    return order;
}

TEST(H264ShowOrderTest, ReadsTheOrderTheDecoderShowsInFromARealAvi)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("order.avi"));
    ASSERT_TRUE(makeVideo(
        path, 96, 64, QStringLiteral("30"), 90, QStringLiteral("libx264"),
        {QStringLiteral("-g"), QStringLiteral("30"), QStringLiteral("-bf"), QStringLiteral("3")}));
    std::vector<bool> keys;
    int delay = 0;
    const std::vector<SliceOrder> slices = parsed(path, &keys, &delay);
    ASSERT_EQ(slices.size(), 90u);
    EXPECT_GT(delay, 0) << "B frames are held back";
    const std::optional<std::vector<qint64>> order =
        showOrder(slices, keys, 0, after(0, qint64(slices.size())), delay);
    ASSERT_TRUE(order.has_value());
    std::vector<qint64> shown{0};
    shown.insert(shown.end(), order->begin(), order->end());
    EXPECT_EQ(shown, decodersOrder(path));
}

} // namespace
