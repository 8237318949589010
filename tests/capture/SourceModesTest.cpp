// What a camera serves and how the station chooses from it, on a USB camera's real mode table;
// the measured rate of a source; the start-up device; network camera addresses.
#include "capture/SourceModes.h"
#include "capture/NetworkCamera.h"
#include "capture/SourceChoice.h"
#include "capture/SourceRate.h"

#include <gtest/gtest.h>

using namespace zelvan::capture;

namespace
{

// A typical UVC camera: YUYV up to 1920x1080 but only at 5 fps there, MJPEG at 30 and 60.
QList<VideoMode> uvcModes()
{
    return {{"yuyv422", {640, 480}, 30},  {"yuyv422", {640, 480}, 15}, {"yuyv422", {1280, 720}, 10},
            {"yuyv422", {1920, 1080}, 5}, {"mjpeg", {640, 480}, 30},   {"mjpeg", {1280, 720}, 60},
            {"mjpeg", {1280, 720}, 30},   {"mjpeg", {1920, 1080}, 60}, {"mjpeg", {1920, 1080}, 30},
            {"mjpeg", {800, 600}, 30}};
}
const QStringList kOrder{"yuyv422", "mjpeg"};

} // namespace

TEST(SourceModesTest, ListsFollowTheChosenFormat)
{
    const auto modes = uvcModes();
    EXPECT_EQ(sizesServed(modes, "yuyv422"), (QList<QSize>{{640, 480}, {1280, 720}, {1920, 1080}}));
    EXPECT_EQ(sizesServed(modes, "mjpeg"),
              (QList<QSize>{{640, 480}, {800, 600}, {1280, 720}, {1920, 1080}}));
    EXPECT_EQ(sizesServed(modes, QString()).size(), 4);
    EXPECT_EQ(ratesServed(modes, "yuyv422", {1920, 1080}), (QList<double>{5}));
    EXPECT_EQ(ratesServed(modes, "mjpeg", {1920, 1080}), (QList<double>{30, 60}));
    EXPECT_EQ(ratesServed(modes, "yuyv422", {640, 480}), (QList<double>{15, 30}));
    EXPECT_TRUE(serves(modes, "mjpeg", {1920, 1080}, 60.0001));
    EXPECT_FALSE(serves(modes, "yuyv422", {1920, 1080}, 60));
    EXPECT_FALSE(sameRate(29.97, 30));
}

TEST(SourceModesTest, OfferedModesAreTheListedOnesOrEverySizeAtEveryRate)
{
    // The driver's table as it stands, not merged across formats.
    EXPECT_EQ(modesOffered(uvcModes(), kOrder, {{1920, 1080}}, {60}), uvcModes());
    // A device that lists none is opened with what it is asked for.
    const QList<VideoMode> any =
        modesOffered({}, {"yuvj420p", "bgr24"}, {{320, 240}, {640, 480}}, {25, 30});
    EXPECT_EQ(any, (QList<VideoMode>{{"yuvj420p", {320, 240}, 25},
                                     {"yuvj420p", {320, 240}, 30},
                                     {"yuvj420p", {640, 480}, 25},
                                     {"yuvj420p", {640, 480}, 30},
                                     {"bgr24", {320, 240}, 25},
                                     {"bgr24", {320, 240}, 30},
                                     {"bgr24", {640, 480}, 25},
                                     {"bgr24", {640, 480}, 30}}));
    EXPECT_EQ(modesOffered({}, {}, {{320, 240}}, {25}),
              (QList<VideoMode>{{QString(), {320, 240}, 25}}));
}

TEST(SourceModesTest, SizeAndRateOnlyAnotherFormatServesSwitchTheFormat)
{
    const auto modes = uvcModes();
    const ModeChoice hd60 = chooseMode(modes, kOrder, "yuyv422", {1920, 1080}, 60);
    EXPECT_TRUE(hd60.switched);
    EXPECT_EQ(hd60.format, "mjpeg");
    EXPECT_EQ(hd60.size, QSize(1920, 1080));
    EXPECT_EQ(hd60.fps, 60);
    // Served as asked: nothing changes.
    EXPECT_FALSE(chooseMode(modes, kOrder, "yuyv422", {640, 480}, 30).switched);
    EXPECT_FALSE(chooseMode(modes, kOrder, "yuyv422", {1920, 1080}, 5).switched);
    EXPECT_FALSE(chooseMode(modes, kOrder, "mjpeg", {1920, 1080}, 30).switched);
    // A size only MJPEG has, at a rate nobody serves there: MJPEG all the same.
    const ModeChoice svga = chooseMode(modes, kOrder, "yuyv422", {800, 600}, 25);
    EXPECT_TRUE(svga.switched);
    EXPECT_EQ(svga.format, "mjpeg");
    // A rate no format serves at a size the format has: the format stays.
    EXPECT_FALSE(chooseMode(modes, kOrder, "yuyv422", {1280, 720}, 25).switched);
    // A camera that lists nothing gets what is asked.
    EXPECT_FALSE(chooseMode({}, kOrder, "yuyv422", {1920, 1080}, 60).switched);
    EXPECT_EQ(formatSwitchText("Motion-JPEG", "YUYV 4:2:2", {1920, 1080}, 60),
              "Motion-JPEG chosen: YUYV 4:2:2 does not serve 1920x1080 at 60 fps");
}

TEST(SourceModesTest, PickingAFormatKeepsASizeItServesAtTheRate)
{
    const auto modes = uvcModes();
    EXPECT_EQ(sizeForFormat(modes, "yuyv422", {1920, 1080}, 30), QSize(640, 480));
    EXPECT_EQ(sizeForFormat(modes, "yuyv422", {1920, 1080}, 5), QSize(1920, 1080));
    EXPECT_EQ(sizeForFormat(modes, "mjpeg", {1280, 720}, 60), QSize(1280, 720));
    EXPECT_EQ(sizeForFormat(modes, "yuyv422", {1280, 720}, 60), QSize(1280, 720));
    EXPECT_FALSE(sizeForFormat(modes, "yuyv422", {800, 600}, 60).isValid());
}

TEST(SourceRateTest, MeasuredRateAndTheUsualRateItIs)
{
    DeliveredRate meter;
    double measured = 0;
    int frames = 0;
    // A late first picture, then one every 100 ms.
    EXPECT_EQ(meter.add(0), 0);
    for (qint64 t = 400'000; measured == 0; t += 100'000, ++frames)
        measured = meter.add(t);
    EXPECT_DOUBLE_EQ(measured, 10);
    EXPECT_EQ(frames, 16); // one and a half seconds after the second picture
    EXPECT_EQ(usualRate(9.6), 10);
    EXPECT_EQ(usualRate(24.9), 25);
    EXPECT_EQ(usualRate(29.99), 30);
    EXPECT_EQ(usualRate(59.7), 59.94);
    EXPECT_EQ(usualRate(17.33), 17.3);
    EXPECT_TRUE(deliversSlower(10, 30));
    EXPECT_FALSE(deliversSlower(29.97, 30));
    EXPECT_FALSE(deliversSlower(0, 30));
    EXPECT_EQ(slowDeliveryText("Dock", 7.5, 30),
              "Dock delivers 7.5 frames per second, not the 30 asked for: it is recorded at 7.5");
}

// Pictures from `from` to `to` (microseconds) at `fps`, each a little early or late.
std::vector<qint64> pictures(qint64 from, qint64 to, double fps)
{
    std::vector<qint64> times;
    const qint64 step = qint64(1e6 / fps);
    for (qint64 t = from, n = 0; t < to; t += step, ++n)
        times.push_back(t + (n % 3 - 1) * step / 5);
    return times;
}

TEST(SourceRateTest, RateIsWatchedAllTheTimeAndEachMaterialChangeToldOnce)
{
    RateWatch watch;
    std::vector<std::pair<qint64, double>> told;
    auto feed = [&](const std::vector<qint64>& times) {
        for (qint64 t : times)
            if (const double rate = watch.add(t); rate > 0)
                told.emplace_back(t, rate);
    };
    // 30 a second for 10 s: told once, soon after the start, then never again despite jitter.
    feed(pictures(0, 10'000'000, 30));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NEAR(told[0].second, 30, 0.05); // 30 or 29.97: jitter at the window's ends
    EXPECT_LT(told[0].first, 1'700'000);
    // Falls to 10 (exposure lengthens): the drift through 25, 20, 15 is not told, 10 is.
    feed(pictures(10'000'000, 20'000'000, 10));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].second, 10);
    EXPECT_GT(told[1].first, 12'000'000);
    EXPECT_LT(told[1].first, 15'000'000);
    // 9.6 is still 10 within the jitter of a network; back at 30 it is told again.
    feed(pictures(20'000'000, 25'000'000, 9.6));
    feed(pictures(25'000'000, 35'000'000, 30));
    ASSERT_EQ(told.size(), 3u);
    EXPECT_NEAR(told[2].second, 30, 0.05);
    EXPECT_EQ(fullDeliveryText("Dock", 30),
              "Dock delivers the 30 frames per second asked for again");
}

TEST(SourceChoiceTest, StoredDeviceByNameThenByPositionAndAMissingOneIsNamed)
{
    const QStringList names{"USB Camera", "Test Pattern", "Simulated Jump Site"};
    EXPECT_EQ(startDevice(names, "Test Pattern", 0).index, 1);
    EXPECT_EQ(startDevice(names, QString(), 2).index, 2);
    EXPECT_EQ(startDevice(names, QString(), 7).index, 0);
    EXPECT_EQ(startDevice(names, QString(), -1).index, 0);
    const StartDevice missing = startDevice(names, "Lake Camera", 0);
    EXPECT_EQ(missing.index, -1);
    EXPECT_EQ(missing.missingMessage,
              "The video device \"Lake Camera\" is not connected. Plug it in and answer Yes when "
              "the station offers it, or choose another device in the list.");
    EXPECT_EQ(startDevice({}, "Lake Camera", 0).index, -1);
}

TEST(NetworkCameraTest, AddressesNamesAndTheirStoredText)
{
    EXPECT_TRUE(isNetworkUrl("rtsp://10.0.0.5:554/stream1"));
    EXPECT_TRUE(isNetworkUrl("HTTPS://cam/mjpg"));
    EXPECT_TRUE(isNetworkUrl("srt://10.0.0.5:9000"));
    EXPECT_TRUE(isNetworkUrl("udp://239.0.0.1:1234"));
    EXPECT_FALSE(isNetworkUrl("/dev/video0"));
    EXPECT_FALSE(isNetworkUrl("file:///tmp/a.avi"));
    EXPECT_EQ(*checkedCameraUrl("  rtsp://10.0.0.5/s  "), "rtsp://10.0.0.5/s");
    EXPECT_EQ(checkedCameraUrl("").error(), "No camera address was given.");
    EXPECT_EQ(checkedCameraUrl("ftp://x/y").error(),
              "\"ftp://x/y\" is no camera address: it must start with rtsp://, http://, "
              "https://, srt:// or udp://.");
    EXPECT_EQ(checkedCameraUrl("http://").error(),
              "\"http://\" is no camera address: it names no host.");
    EXPECT_EQ(checkedCameraName("  ").error(), "The camera needs a name.");
    EXPECT_EQ(checkedCameraName("a\tb").error(), "A camera name is one line of text.");

    const QList<NetworkCameraEntry> cams{{"Pole", "rtsp://10.0.0.5/s"},
                                         {"Dock", "http://10.0.0.6/video.mjpg"}};
    const QString text = networkCamerasText(cams);
    EXPECT_EQ(text, "Pole\trtsp://10.0.0.5/s\tDock\thttp://10.0.0.6/video.mjpg");
    const auto back = networkCamerasFromText(text);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[1].name, "Dock");
    EXPECT_EQ(back[1].url, "http://10.0.0.6/video.mjpg");
    // Damaged text loses only what cannot be read.
    EXPECT_EQ(networkCamerasFromText("Pole\tnot a url\tDock\thttp://h/v").size(), 1);
    EXPECT_TRUE(networkCamerasFromText(QString()).isEmpty());
}

TEST(NetworkCameraEntries, AHandEditedEntryThatCannotBeReadIsSaidNotDroppedSilently)
{
    QStringList unreadable;
    const auto cameras = networkCamerasFromText(
        "Pole\tnot a url\tDock\thttp://h/v\t \trtsp://h/s\tShore", &unreadable);
    ASSERT_EQ(cameras.size(), 1);
    EXPECT_EQ(cameras[0].name, "Dock");
    EXPECT_EQ(unreadable,
              QStringList({"The stored network camera \"Pole\" is left out: \"not a url\" is no "
                           "camera address: it must start with rtsp://, http://, https://, srt:// "
                           "or udp://.",
                           "The stored network camera \" \" is left out: The camera needs a name.",
                           "The stored network camera \"Shore\" is left out: its address is "
                           "missing."}));
    unreadable.clear();
    EXPECT_TRUE(networkCamerasFromText(QString(), &unreadable).isEmpty());
    EXPECT_TRUE(unreadable.isEmpty()); // nothing stored is nothing to say
}
