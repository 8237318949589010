// DirectShow cameras: the modes read from what FFmpeg's dshow input lists, the lists the
// capture panel offers from them, the option that asks for a format, and the collection of
// FFmpeg's log lines the listing arrives in.
#include "capture/DshowOptions.h"
#include "capture/DeviceScan.h"
#include "capture/SourceModes.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

using namespace zelvan::capture;

namespace
{

// A typical UVC camera as FFmpeg 5.1 lists it: MJPEG up to 1080p60, YUYV 1080p only at 5 fps;
// every mode twice (with and without colour information), rates from 100 ns frame intervals.
const char* const kUvcCamera =
    R"([dshow @ 000001d8a1f0e2c0] DirectShow video device options (from video devices)
[dshow @ 000001d8a1f0e2c0]  Pin "Capture" (alternative pin name "0")
[dshow @ 000001d8a1f0e2c0]   vcodec=mjpeg  min s=1920x1080 fps=5 max s=1920x1080 fps=60.0002
[dshow @ 000001d8a1f0e2c0]   vcodec=mjpeg  min s=1920x1080 fps=5 max s=1920x1080 fps=60.0002 (pc, bt470bg/bt709/unknown, center)
[dshow @ 000001d8a1f0e2c0]   vcodec=mjpeg  min s=1280x720 fps=5 max s=1280x720 fps=60.0002
[dshow @ 000001d8a1f0e2c0]   vcodec=mjpeg  min s=1280x720 fps=5 max s=1280x720 fps=60.0002 (pc, bt470bg/bt709/unknown, center)
[dshow @ 000001d8a1f0e2c0]   vcodec=mjpeg  min s=640x480 fps=5 max s=640x480 fps=30.0003
[dshow @ 000001d8a1f0e2c0]   pixel_format=yuyv422  min s=640x480 fps=5 max s=640x480 fps=30.0003
[dshow @ 000001d8a1f0e2c0]   pixel_format=yuyv422  min s=640x480 fps=5 max s=640x480 fps=30.0003 (tv, bt470bg/bt709/unknown, topleft)
[dshow @ 000001d8a1f0e2c0]   pixel_format=yuyv422  min s=1280x720 fps=5 max s=1280x720 fps=10
[dshow @ 000001d8a1f0e2c0]   pixel_format=yuyv422  min s=1920x1080 fps=5 max s=1920x1080 fps=5
[dshow @ 000001d8a1f0e2c0] video=HD USB Camera: Immediate exit requested
)";

// An HDMI capture stick: a fixed MJPEG table, and YUYV that scales to any size in a range.
const char* const kHdmiStick =
    R"( Pin "Capture" (alternative pin name "0")
  vcodec=mjpeg  min s=1920x1080 fps=5 max s=1920x1080 fps=30
  vcodec=mjpeg  min s=1280x720 fps=10 max s=1280x720 fps=60
  pixel_format=yuyv422  min s=640x360 fps=25 max s=1920x1080 fps=60
)";

const QList<double> kFiveToSixty{5, 10, 15, 20, 24, 25, 30, 50, 60};
const QList<double> kFiveToThirty{5, 10, 15, 20, 24, 25, 30};

VideoDeviceInfo dshowCamera(const QString& listing)
{
    VideoDeviceInfo info;
    info.name = "HD USB Camera";
    info.inputFormat = "dshow";
    info.url = "video=HD USB Camera";
    info.sizes = virtualVideoSizes();
    info.rates = virtualVideoRates();
    info.colorFormats = QStringList{"Default"};
    info.colorFormatCodes = QStringList{QString()};
    describeDshowCamera(info, listing);
    return info;
}

} // namespace

TEST(DshowOptionsTest, UvcCameraGivesEachFormatItsOwnSizesAndRates)
{
    const VideoDeviceInfo cam = dshowCamera(kUvcCamera);
    EXPECT_EQ(cam.colorFormatCodes, (QStringList{"mjpeg", "yuyv422"}));
    EXPECT_EQ(cam.colorFormats, (QStringList{"Motion-JPEG", "YUYV 4:2:2"}));
    // Each mode once although every line but one came twice: 9+9+7 MJPEG, 7+2+1 YUYV.
    EXPECT_EQ(cam.modes.size(), 35);
    EXPECT_EQ(cam.modes.first(), (VideoMode{"mjpeg", {1920, 1080}, 5}));
    EXPECT_EQ(cam.modes.last(), (VideoMode{"yuyv422", {1920, 1080}, 5}));

    // The lists the capture panel offers for the chosen format.
    const QList<QSize> all{{640, 480}, {1280, 720}, {1920, 1080}};
    EXPECT_EQ(sizesServed(cam.modes, "mjpeg"), all);
    EXPECT_EQ(sizesServed(cam.modes, "yuyv422"), all);
    EXPECT_EQ(ratesServed(cam.modes, "mjpeg", {1920, 1080}), kFiveToSixty);
    EXPECT_EQ(ratesServed(cam.modes, "mjpeg", {640, 480}), kFiveToThirty);
    EXPECT_EQ(ratesServed(cam.modes, "yuyv422", {1920, 1080}), (QList<double>{5}));
    EXPECT_EQ(ratesServed(cam.modes, "yuyv422", {1280, 720}), (QList<double>{5, 10}));
    EXPECT_EQ(ratesServed(cam.modes, "yuyv422", {640, 480}), kFiveToThirty);
    // Every format together, as the device lists show before a format is chosen.
    EXPECT_EQ(cam.sizes, all);
    EXPECT_EQ(cam.rates, kFiveToSixty);

    // 1080p60 in YUYV switches to MJPEG; 1080p5 stays YUYV; MJPEG has no 1080p at 5 in YUYV's
    // place, so choosing YUYV at 1080p60 keeps the size and keeps 60 fps.
    const ModeChoice fast =
        chooseMode(cam.modes, cam.colorFormatCodes, "yuyv422", {1920, 1080}, 60);
    EXPECT_EQ(fast.format, "mjpeg");
    EXPECT_TRUE(fast.switched);
    EXPECT_FALSE(chooseMode(cam.modes, cam.colorFormatCodes, "yuyv422", {1920, 1080}, 5).switched);
    EXPECT_EQ(sizeForFormat(cam.modes, "yuyv422", {1920, 1080}, 30), QSize(640, 480));
}

TEST(DshowOptionsTest, CaptureStickRangesBecomeUsualSizesAndRates)
{
    const VideoDeviceInfo stick = dshowCamera(kHdmiStick);
    EXPECT_EQ(stick.colorFormatCodes, (QStringList{"mjpeg", "yuyv422"}));
    EXPECT_EQ(sizesServed(stick.modes, "mjpeg"), (QList<QSize>{{1280, 720}, {1920, 1080}}));
    EXPECT_EQ(ratesServed(stick.modes, "mjpeg", {1920, 1080}), kFiveToThirty);
    EXPECT_EQ(ratesServed(stick.modes, "mjpeg", {1280, 720}),
              (QList<double>{10, 15, 20, 24, 25, 30, 50, 60}));
    // Any size from 640x360 to 1920x1080: the ends and the usual sizes that fit between.
    EXPECT_EQ(sizesServed(stick.modes, "yuyv422"), (QList<QSize>{{640, 360},
                                                                 {640, 480},
                                                                 {720, 480},
                                                                 {720, 576},
                                                                 {800, 600},
                                                                 {960, 540},
                                                                 {1024, 768},
                                                                 {1280, 720},
                                                                 {1280, 960},
                                                                 {1280, 1024},
                                                                 {1920, 1080}}));
    for (const QSize& size : sizesServed(stick.modes, "yuyv422"))
        EXPECT_EQ(ratesServed(stick.modes, "yuyv422", size), (QList<double>{25, 30, 50, 60}))
            << size.width() << "x" << size.height();
    EXPECT_FALSE(serves(stick.modes, "yuyv422", {1600, 1200}, 30));
    EXPECT_FALSE(serves(stick.modes, "yuyv422", {320, 240}, 30));
    EXPECT_FALSE(serves(stick.modes, "mjpeg", {1920, 1080}, 60));
}

TEST(DshowOptionsTest, FractionalRatesStayApartFromWholeOnes)
{
    // NTSC-rate capture card; the last line has only a chroma location, printed without a
    // space.
    const QList<VideoMode> modes = parseDshowOptions(
        "  pixel_format=nv12  min s=1920x1080 fps=29.97 max s=1920x1080 fps=59.9401\n"
        "  pixel_format=nv12  min s=1280x720 fps=23.976 max s=1280x720 fps=23.976\n"
        "  pixel_format=uyvy422  min s=720x480 fps=29.97 max s=720x480 fps=30(topleft)\n");
    EXPECT_EQ(ratesServed(modes, "nv12", {1920, 1080}), (QList<double>{29.97, 30, 50, 59.94}));
    EXPECT_EQ(ratesServed(modes, "nv12", {1280, 720}), (QList<double>{23.976}));
    EXPECT_EQ(ratesServed(modes, "uyvy422", {720, 480}), (QList<double>{29.97, 30}));
    EXPECT_FALSE(serves(modes, "nv12", {1920, 1080}, 60.5));
    EXPECT_TRUE(serves(modes, "nv12", {1920, 1080}, 59.94));

    EXPECT_EQ(dshowRatesBetween(5, 5), (QList<double>{5}));
    EXPECT_EQ(dshowRatesBetween(1, 12), (QList<double>{1, 5, 10, 12}));
    EXPECT_EQ(dshowRatesBetween(7.50002, 30.0003), (QList<double>{7.5, 10, 15, 20, 24, 25, 30}));
    EXPECT_EQ(dshowSizesBetween({640, 480}, {640, 480}), (QList<QSize>{{640, 480}}));
}

TEST(DshowOptionsTest, LinesThatAreNoModeArePassedOver)
{
    const QString listing =
        "[dshow @ 0000] DirectShow video device options (from video devices)\n"
        "[dshow @ 0000]  Pin \"Capture\" (alternative pin name \"0\")\n"
        "[dshow @ 0000]   unknown compression type 0x3231564E  min s=640x480 fps=5 max "
        "s=640x480 fps=30\n"
        "  pixel_format=yuyv422  min s=0x0 fps=5 max s=640x480 fps=30\n"
        "  pixel_format=yuyv422  min s=1280x720 fps=5 max s=640x480 fps=30\n"
        "  pixel_format=yuyv422  min s=640x480 fps=30 max s=640x480 fps=5\n"
        "  pixel_format=yuyv422  min s=640x480 fps=5 max s=640x480 fps=inf\n"
        "  pixel_format=yuyv422  min s=640x480 fps=\n"
        "  vcodec=  min s=640x480 fps=5 max s=640x480 fps=30\n"
        "  ch= 2, bits=16, rate= 48000\n"
        "\x01\xff garbage ===\n"
        "[dshow @ 0000] Could not enumerate video devices (or none found).\n"
        "  vcodec=h264  min s=1280x720 fps=30 max s=1280x720 fps=30";
    EXPECT_EQ(parseDshowOptions(listing), (QList<VideoMode>{{"h264", {1280, 720}, 30}}));

    // Nothing usable: the camera keeps the lists it is opened with on request.
    for (const QString& text : {QString(), listing.section('\n', 0, -2)}) {
        const VideoDeviceInfo cam = dshowCamera(text);
        EXPECT_TRUE(cam.modes.isEmpty());
        EXPECT_EQ(cam.sizes, virtualVideoSizes());
        EXPECT_EQ(cam.rates, virtualVideoRates());
        EXPECT_EQ(cam.colorFormats, QStringList{"Default"});
        EXPECT_EQ(cam.colorFormatCodes, QStringList{QString()});
    }
}

TEST(DshowOptionsTest, FormatsAreAskedForWithTheOptionThatNamesThem)
{
    EXPECT_EQ(dshowFormatOption("yuyv422"), "pixel_format");
    EXPECT_EQ(dshowFormatOption("nv12"), "pixel_format");
    EXPECT_EQ(dshowFormatOption("bgr24"), "pixel_format");
    EXPECT_EQ(dshowFormatOption("mjpeg"), "vcodec");
    EXPECT_EQ(dshowFormatOption("h264"), "vcodec");
    EXPECT_EQ(dshowFormatOption("hevc"), "vcodec");
    EXPECT_EQ(dshowFormatName("h264"), "H.264");
    EXPECT_EQ(dshowFormatName("yuv422p10le"), "yuv422p10le");
}

TEST(DshowOptionsTest, CollectorJoinsOneSourcesLogPiecesWhateverTheLevel)
{
    const int level = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* listing = avformat_alloc_context();
    AVFormatContext* other = avformat_alloc_context();
    QString text;
    {
        FfmpegLogCollector log(listing);
        // The pieces one listed line comes in.
        av_log(listing, AV_LOG_INFO, "  pixel_format=%s", "yuyv422");
        av_log(other, AV_LOG_INFO, "  vcodec=mjpeg  min s=1x1 fps=1 max s=1x1 fps=1\n");
        av_log(listing, AV_LOG_INFO, "  min s=%ldx%ld fps=%g max s=%ldx%ld fps=%g", 1280L, 720L,
               1e7 / 2000000, 1280L, 720L, 1e7 / 166666);
        av_log(listing, AV_LOG_DEBUG, " debug detail");
        av_log(listing, AV_LOG_INFO, " (%s, %s/%s/%s", "tv", "bt470bg", "bt709", "unknown");
        av_log(listing, AV_LOG_INFO, ")");
        av_log(listing, AV_LOG_INFO, "\n");
        text = log.text();
    }
    av_log(listing, AV_LOG_INFO, "after\n");
    {
        FfmpegLogCollector again(listing);
        EXPECT_EQ(again.text(), QString());
    }
    avformat_free_context(listing);
    avformat_free_context(other);
    av_log_set_level(level);

    EXPECT_EQ(text.toStdString(),
              "  pixel_format=yuyv422  min s=1280x720 fps=5 max s=1280x720 fps=60.0002 "
              "(tv, bt470bg/bt709/unknown)\n");
    EXPECT_EQ(ratesServed(parseDshowOptions(text), "yuyv422", {1280, 720}), kFiveToSixty);
}
