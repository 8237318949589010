// Frame n from the reader is the n-th picture FFmpeg's decoder gives, for every kind of file an
// official may bring: each generated file is decoded once by the ffmpeg program and every
// frame the reader gives, whichever way it is reached, is compared with that decode.
#include "review/FrameReader.h"

#include "VideoFixtures.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using namespace zelvan;
using namespace zelvan::review;
using namespace zelvan::test;

namespace
{

// Both sides turn the decoder's YUV into 24-bit pixels with swscale; the ffmpeg program's
// scale filter may round a channel differently from the reader's own conversion, never by
// more than this. A wrong frame differs by far more (the test card moves every frame).
constexpr int kRounding = 2;

struct Kind {
    const char* name;
    QStringList encode; // ffmpeg arguments after the test-card input
};

bool encoderExists(const QString& name)
{
    QByteArray list;
    return runFfmpeg({QStringLiteral("-encoders")}, &list) &&
           list.contains(" " + name.toLatin1() + " ");
}

QStringList testCard(int width, int height, int frames)
{
    return {QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(width).arg(height),
            QStringLiteral("-frames:v"),
            QString::number(frames)};
}

QStringList x264(int gop, int bframes)
{
    return {QStringLiteral("-c:v"),     QStringLiteral("libx264"), QStringLiteral("-g"),
            QString::number(gop),       QStringLiteral("-bf"),     QString::number(bframes),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
}

// [from, source, ...]: a stream copy of the source from 1 s on, keeping the non-key frames
// before the next key frame.
QStringList cut(const char* source)
{
    return {QStringLiteral("from"),     QString::fromLatin1(source), QStringLiteral("-ss"),
            QStringLiteral("1.0"),      QStringLiteral("-c"),        QStringLiteral("copy"),
            QStringLiteral("-copyinkf")};
}

// The portrait file with the turn a phone held upright records: the pictures stay as the
// sensor gave them and the container says how to show them.
QStringList turned(int degrees)
{
    return {QStringLiteral("from"),
            QStringLiteral("portrait.mp4"),
            QStringLiteral("-c"),
            QStringLiteral("copy"),
            QStringLiteral("-metadata:s:v:0"),
            QStringLiteral("rotate=%1").arg(degrees)};
}

QStringList tenBit(QStringList encode)
{
    encode.removeAll(QStringLiteral("yuv420p"));
    encode.removeAll(QStringLiteral("-pix_fmt"));
    return encode + QStringList{QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p10le")};
}

QStringList interlacedMpeg2()
{
    return {QStringLiteral("-c:v"),        QStringLiteral("mpeg2video"), QStringLiteral("-flags"),
            QStringLiteral("+ildct+ilme"), QStringLiteral("-top"),       QStringLiteral("1"),
            QStringLiteral("-g"),          QStringLiteral("12"),         QStringLiteral("-bf"),
            QStringLiteral("2"),           QStringLiteral("-b:v"),       QStringLiteral("1M")};
}

// The whole file as FFmpeg decodes it: every picture, as packed BGR rows.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<QByteArray> frames;
};

// The size of the pictures the ffmpeg program gives: it turns a picture upright by the
// stream's rotation, so a quarter turn swaps width and height.
QSize probedSize(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=width,height:stream_side_data=rotation"), QStringLiteral("-of"),
             QStringLiteral("default=noprint_wrappers=1"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QMap<QByteArray, int> values;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> pair = line.trimmed().split('=');
        if (pair.size() == 2)
            values[pair[0]] = pair[1].toInt();
    }
    const QSize coded(values.value("width"), values.value("height"));
    return qAbs(values.value("rotation")) % 180 == 90 ? coded.transposed() : coded;
}

Decoded ffmpegDecode(const QString& path)
{
    Decoded d;
    const QSize size = probedSize(path);
    d.width = size.width();
    d.height = size.height();
    QByteArray raw;
    if (size.isEmpty() ||
        !runFfmpeg({QStringLiteral("-i"), path, QStringLiteral("-map"), QStringLiteral("0:v:0"),
                    QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
                    QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"), QStringLiteral("-f"),
                    QStringLiteral("rawvideo"), QStringLiteral("-")},
                   &raw))
        return d;
    const qsizetype bytes = qsizetype(d.width) * d.height * 3;
    for (qsizetype at = 0; at + bytes <= raw.size(); at += bytes)
        d.frames.push_back(raw.mid(at, bytes));
    return d;
}

// Each picture's own time as FFmpeg's decoder gives it (its best-effort timestamp), in
// seconds from the stream's start, in the order the decoder gives them.
std::vector<double> ffprobeFrameTimes(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=start_time:frame=best_effort_timestamp_time"),
             QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1"), path});
    std::vector<double> times;
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return times;
    double start = 0;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> pair = line.trimmed().split('=');
        if (pair.size() != 2)
            continue;
        if (pair[0] == "start_time")
            start = pair[1].toDouble();
        else if (pair[0] == "best_effort_timestamp_time")
            times.push_back(pair[1].toDouble());
    }
    for (double& t : times)
        t -= start;
    return times;
}

// Whether the file's first video packet is marked as a key frame.
bool startsOnKeyFrame(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-read_intervals"), QStringLiteral("%+#1"),
             QStringLiteral("-show_entries"), QStringLiteral("packet=flags"), QStringLiteral("-of"),
             QStringLiteral("csv=p=0"), path});
    p.waitForFinished(60000);
    return p.readAllStandardOutput().trimmed().startsWith('K');
}

class FrameReaderExactTest : public ::testing::TestWithParam<Kind>
{
protected:
    static void SetUpTestSuite()
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
    }
    static void TearDownTestSuite()
    {
        decodes.clear();
        dir.reset();
    }
    static QString path(const char* name) { return dir->filePath(QString::fromLatin1(name)); }

    // Makes the file of this kind (once) and FFmpeg's decode of it.
    void SetUp() override
    {
        const Kind& kind = GetParam();
        file = path(kind.name);
        if (!QFile::exists(file)) {
            ASSERT_TRUE(make(kind)) << kind.name;
        }
        // FFmpeg's decode of each file is made once and shared by the tests of its kind.
        auto known = decodes.find(file);
        if (known == decodes.end())
            known = decodes.emplace(file, ffmpegDecode(file)).first;
        expected = known->second;
        ASSERT_FALSE(expected.frames.empty()) << kind.name;
        ASSERT_TRUE(reader.open(file).ok()) << kind.name;
    }

    static bool make(const Kind& kind)
    {
        if (kind.encode.first() == QLatin1String("from")) {
            // [from, source, arguments...]: the ffmpeg program's copy of another kind's file.
            const QString source = path(qPrintable(kind.encode[1]));
            if (!QFile::exists(source) && !makeNamed(kind.encode[1]))
                return false;
            return runFfmpeg(QStringList{QStringLiteral("-i"), source} + kind.encode.mid(2) +
                             QStringList{path(kind.name)});
        }
        return runFfmpeg(kind.encode + QStringList{path(kind.name)});
    }

    static bool makeNamed(const QString& name);

    // The reader's frame must be FFmpeg's picture `n`, not a neighbour of it.
    void expectFrame(const Result<QImage>& got, qint64 n, const char* how)
    {
        expectFrameOf(reader, got, n, how);
    }
    void expectFrameOf(const FrameReader& from, const Result<QImage>& got, qint64 n,
                       const char* how)
    {
        ASSERT_TRUE(got.ok()) << GetParam().name << " " << how << " frame " << n << ": "
                              << got.error().toStdString();
        ASSERT_EQ(from.current(), n) << how;
        const int diff = maxChannelDifference(*got, expected.frames[size_t(n)]);
        ASSERT_GE(diff, 0) << GetParam().name << " " << how << " frame " << n << ": size";
        ASSERT_LE(diff, kRounding) << GetParam().name << " " << how << " frame " << n;
    }

    qint64 count() const { return qint64(expected.frames.size()); }

    static std::unique_ptr<QTemporaryDir> dir;
    static std::map<QString, Decoded> decodes;
    QString file;
    Decoded expected;
    FrameReader reader;
};
std::unique_ptr<QTemporaryDir> FrameReaderExactTest::dir;
std::map<QString, Decoded> FrameReaderExactTest::decodes;

TEST_P(FrameReaderExactTest, CountsThePicturesTheDecoderGives)
{
    EXPECT_EQ(reader.frameCount(), count());
    EXPECT_EQ(reader.frameCount(), ffprobeDecodedFrames(file));
    EXPECT_EQ(reader.size(), QSize(expected.width, expected.height));
}

// The time shown with a frame is its own timestamp, as FFmpeg's decoder gives it, so a
// variable rate shows when each picture was taken. AVI holds no presentation times: there a
// frame's time is its slot at the file's rate (FFmpeg shifts it by the reorder delay).
TEST_P(FrameReaderExactTest, EachFrameCarriesItsOwnTime)
{
    const std::vector<double> times = ffprobeFrameTimes(file);
    ASSERT_EQ(qint64(times.size()), count());
    const bool avi = file.endsWith(QLatin1String(".avi"));
    for (qint64 n = 0; n < count(); ++n) {
        expectFrame(reader.next(), n, "next");
        const double own = avi ? double(n) / reader.frameRate() : times[size_t(n)];
        ASSERT_NEAR(reader.currentSeconds(), own, 1e-5) << GetParam().name << " frame " << n;
    }
    // Reached by a jump, a frame has the same time.
    const qint64 middle = count() / 2;
    expectFrame(reader.frame(middle), middle, "jump");
    EXPECT_NEAR(reader.currentSeconds(), avi ? middle / reader.frameRate() : times[size_t(middle)],
                1e-5);
}

TEST_P(FrameReaderExactTest, SteppingForwardFromOpenGivesEveryFrame)
{
    for (qint64 n = 0; n < count(); ++n)
        expectFrame(reader.next(), n, "next");
    EXPECT_FALSE(reader.next().ok());
}

TEST_P(FrameReaderExactTest, SteppingBackwardFromTheEndGivesEveryFrame)
{
    expectFrame(reader.frame(count() - 1), count() - 1, "last");
    for (qint64 n = count() - 2; n >= 0; --n)
        expectFrame(reader.previous(), n, "previous");
    EXPECT_FALSE(reader.previous().ok());
    EXPECT_EQ(reader.current(), 0);
}

TEST_P(FrameReaderExactTest, RandomSeeksGiveTheFrameAsked)
{
    QRandomGenerator rng(8);
    for (int i = 0; i < 40; ++i) {
        const qint64 n = qint64(rng.bounded(quint32(count())));
        expectFrame(reader.frame(n), n, "seek");
    }
    expectFrame(reader.frame(0), 0, "seek to the start");
}

TEST_P(FrameReaderExactTest, BackAndForthAroundALandingGivesTheSameFrames)
{
    // The operator's way: jump near the landing, then step both ways around it.
    for (const qint64 centre : {count() / 2, qint64(1), count() - 2, count() / 3}) {
        expectFrame(reader.frame(centre), centre, "jump");
        const int steps[] = {+1, +1, -1, -1, -1, +1, -1, -1, +1, +1, +1, +1};
        for (const int step : steps) {
            const qint64 at = reader.current();
            if (at + step < 0 || at + step >= count())
                continue;
            expectFrame(step > 0 ? reader.next() : reader.previous(), at + step,
                        step > 0 ? "next" : "previous");
        }
    }
}

TEST_P(FrameReaderExactTest, KeepsTheWindowWithinItsBudget)
{
    for (qint64 n = 0; n < count(); ++n)
        expectFrame(reader.next(), n, "next");
    EXPECT_GT(reader.keptPictures(), 0);
    EXPECT_LE(reader.keptBytes(), reader.memoryBudget());
}

// A window of two pictures: nearly every step and jump decodes again, from a key frame or
// from the start of the file, and must still give FFmpeg's picture.
TEST_P(FrameReaderExactTest, AWindowOfTwoPicturesGivesTheSameFrames)
{
    FrameReader small(1);
    ASSERT_TRUE(small.open(file).ok());
    EXPECT_EQ(small.frameCount(), reader.frameCount());
    QRandomGenerator rng(3);
    for (int i = 0; i < 12; ++i) {
        const qint64 n = qint64(rng.bounded(quint32(count())));
        expectFrameOf(small, small.frame(n), n, "seek");
        EXPECT_LE(small.keptPictures(), 3);
        if (n > 0)
            expectFrameOf(small, small.previous(), n - 1, "previous");
        if (n + 1 < count())
            expectFrameOf(small, small.frame(n + 1), n + 1, "step over");
    }
    expectFrameOf(small, small.frame(count() - 1), count() - 1, "last");
    for (qint64 n = count() - 2; n >= 0 && n >= count() - 14; --n)
        expectFrameOf(small, small.previous(), n, "previous");
    EXPECT_LE(small.keptPictures(), 3);
}

std::vector<Kind> kinds()
{
    std::vector<Kind> k{
        {"mjpeg.avi", testCard(64, 48, 24) +
                          QStringList{QStringLiteral("-c:v"), QStringLiteral("mjpeg"),
                                      QStringLiteral("-q:v"), QStringLiteral("3"),
                                      QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p")}},
        // The test card comes in even sizes only; a crop makes the odd one.
        {"odd.avi",
         testCard(322, 242, 8) +
             QStringList{QStringLiteral("-vf"), QStringLiteral("crop=321:241:0:0:exact=1"),
                         QStringLiteral("-c:v"), QStringLiteral("mjpeg"),
                         QStringLiteral("-pix_fmt"), QStringLiteral("yuvj444p")}},
        {"bframes.avi", testCard(96, 64, 40) + x264(12, 3)},
        {"bframes.mp4", testCard(96, 64, 40) + x264(12, 3)},
        {"longgop.mp4", testCard(96, 64, 60) + x264(250, 3)},
        {"longgop.avi", testCard(96, 64, 60) + x264(250, 3)},
        {"mpeg4.avi",
         testCard(96, 64, 40) + QStringList{QStringLiteral("-c:v"), QStringLiteral("mpeg4"),
                                            QStringLiteral("-g"), QStringLiteral("12"),
                                            QStringLiteral("-bf"), QStringLiteral("2")}},
        // Variable frame rate: from frame 10 on, frames are twice as far apart.
        {"vfr.mp4", testCard(96, 64, 30) +
                        QStringList{QStringLiteral("-vf"),
                                    QStringLiteral("setpts='if(lt(N,10),N,2*N-10)/30/TB'"),
                                    QStringLiteral("-fps_mode"), QStringLiteral("passthrough")} +
                        x264(12, 2)},
        // Sources for the cuts: key frames at 0 and 2 s, cut at 1 s.
        {"src.avi", testCard(96, 64, 90) + x264(60, 3)},
        {"src.mp4", testCard(96, 64, 90) + x264(60, 3)},
        {"src4.avi",
         testCard(96, 64, 90) + QStringList{QStringLiteral("-c:v"), QStringLiteral("mpeg4"),
                                            QStringLiteral("-g"), QStringLiteral("60"),
                                            QStringLiteral("-bf"), QStringLiteral("2")}},
        {"cut.avi", cut("src.avi")},
        {"cut.mp4", cut("src.mp4")},
        {"cut4.avi", cut("src4.avi")},
        // Phone recordings: a variable rate in MOV (irregular gaps, B frames), a picture
        // stored on its side with the turn it is shown at, 10-bit H.264 and HEVC.
        {"vfr.mov",
         testCard(96, 64, 36) +
             QStringList{QStringLiteral("-vf"), QStringLiteral("setpts='(N+0.3*mod(N,3))/30/TB'"),
                         QStringLiteral("-fps_mode"), QStringLiteral("passthrough")} +
             x264(12, 2)},
        {"portrait.mp4", testCard(96, 64, 30) + x264(12, 2)},
        {"rot90.mov", turned(90)},
        {"rot180.mp4", turned(180)},
        {"rot270.mov", turned(270)},
        {"h264_10bit.mp4", testCard(96, 64, 30) + tenBit(x264(12, 2))},
        // Older capture cards: interlaced MPEG-2 in a program and a transport stream, DV in
        // AVI, and interlaced H.264.
        {"interlaced.mpg", testCard(96, 64, 30) + interlacedMpeg2()},
        {"interlaced.ts", testCard(96, 64, 30) + interlacedMpeg2()},
        {"dv.avi",
         {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
          QStringLiteral("testsrc2=size=720x576:rate=25"), QStringLiteral("-frames:v"),
          QStringLiteral("10"), QStringLiteral("-vf"), QStringLiteral("setfield=bff"),
          QStringLiteral("-c:v"), QStringLiteral("dvvideo"), QStringLiteral("-pix_fmt"),
          QStringLiteral("yuv420p")}},
        {"mbaff.mp4", testCard(96, 64, 30) + x264(12, 2) +
                          QStringList{QStringLiteral("-flags"), QStringLiteral("+ildct+ilme"),
                                      QStringLiteral("-x264-params"), QStringLiteral("tff=1")}},
    };
    if (encoderExists(QStringLiteral("libx265"))) {
        k.push_back(
            {"hevc10.mov", testCard(96, 64, 30) +
                               tenBit({QStringLiteral("-c:v"), QStringLiteral("libx265"),
                                       QStringLiteral("-x265-params"),
                                       QStringLiteral("keyint=12:bframes=3:log-level=error")})});
        k.push_back(
            {"hevc.mp4", testCard(96, 64, 30) +
                             QStringList{QStringLiteral("-c:v"), QStringLiteral("libx265"),
                                         QStringLiteral("-x265-params"),
                                         QStringLiteral("keyint=12:bframes=3:log-level=error"),
                                         QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}});
    }
    return k;
}

bool FrameReaderExactTest::makeNamed(const QString& name)
{
    for (const Kind& k : kinds())
        if (name == QLatin1String(k.name))
            return make(k);
    return false;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FrameReaderExactTest, ::testing::ValuesIn(kinds()),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             QString name = QString::fromLatin1(info.param.name);
                             name.replace(QLatin1Char('.'), QLatin1Char('_'));
                             return name.toStdString();
                         });

// The cut files really start on frames that are not key frames, and the decoder drops or
// shows them as it will: the reader follows it from the very first picture.
TEST(FrameReaderCutTest, CutFilesStartOnNonKeyFrames)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString source = tmp.filePath(QStringLiteral("src.mp4"));
    const QString cut = tmp.filePath(QStringLiteral("cut.mp4"));
    ASSERT_TRUE(runFfmpeg(testCard(96, 64, 90) + x264(60, 3) + QStringList{source}));
    ASSERT_TRUE(runFfmpeg({QStringLiteral("-i"), source, QStringLiteral("-ss"),
                           QStringLiteral("1.0"), QStringLiteral("-c"), QStringLiteral("copy"),
                           QStringLiteral("-copyinkf"), cut}));
    EXPECT_TRUE(startsOnKeyFrame(source));
    EXPECT_FALSE(startsOnKeyFrame(cut));
    FrameReader reader;
    ASSERT_TRUE(reader.open(cut).ok());
    EXPECT_EQ(reader.frameCount(), ffprobeDecodedFrames(cut));
    EXPECT_LT(reader.frameCount(), 60) << "the leading frames the decoder drops are not counted";
}

} // namespace
