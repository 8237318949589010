// What the capture panel decides, without widgets: audio format entries, stored indices, the
// frame rate the control gets, device list changes and the panel's texts.
#include "capture/CapturePanelRules.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;

TEST(CapturePanelRules, AttributeItemsFollowTheirIndexBits)
{
    const QStringList items = audioAttributeItems();
    ASSERT_EQ(items.size(), 16);
    EXPECT_EQ(items[0], "11.025 Khz, 8 Bit, Mono");
    EXPECT_EQ(items[7], "22.050 Khz, 16 Bit, Stereo");
    EXPECT_EQ(items[14], "44.100 Khz, 16 Bit, Mono");
    EXPECT_EQ(items[15], "44.100 Khz, 16 Bit, Stereo");
    // Every entry read back gives the format whose text it is.
    for (int i = 0; i < items.size(); ++i) {
        const auto format = audioFormatOfEntry(items[i], i);
        ASSERT_TRUE(format) << i;
        EXPECT_EQ(
            findAttributeEntry(items, audioFormatText(format->sampleRateHz, format->bitsPerSample,
                                                      format->channels)),
            i);
    }
}

TEST(CapturePanelRules, FormatTextAndItsEntry)
{
    const QStringList items = audioAttributeItems();
    EXPECT_EQ(audioFormatText(22050, 16, 2), "22.050 Khz, 16 bit, Stereo");
    EXPECT_EQ(audioFormatText(44100, 16, 1), "44.100 Khz, 16 bit, Mono");
    EXPECT_EQ(findAttributeEntry(items, audioFormatText(44100, 16, 1)), 14);
    EXPECT_EQ(audioFormatText(8000, 8, 1), "8.000 Khz, 8 bit, Mono");
    EXPECT_EQ(findAttributeEntry(items, audioFormatText(8000, 8, 1)), -1);
    EXPECT_EQ(audioFormatText(11025, 8, 1), "11.025 Khz, 8 bit, Mono");
    EXPECT_EQ(audioFormatText(192000, 16, 2), "192.000 Khz, 16 bit, Stereo");
    // Bits other than 8 read as 16, channels other than 1 as stereo.
    EXPECT_EQ(audioFormatText(32000, 24, 6), "32.000 Khz, 16 bit, Stereo");
}

TEST(CapturePanelRules, EntryReadBack)
{
    const auto seven = audioFormatOfEntry("22.050 Khz, 16 Bit, Stereo", 7);
    ASSERT_TRUE(seven);
    EXPECT_EQ(*seven, (AudioFormat3{22050, 2, 16}));
    // An added entry is read from its words, whatever its position.
    EXPECT_EQ(*audioFormatOfEntry("8.000 Khz, 8 bit, Mono", 16), (AudioFormat3{8000, 1, 8}));
    EXPECT_EQ(*audioFormatOfEntry("48.000 Khz, 16 bit, Stereo", 16), (AudioFormat3{48000, 2, 16}));
    // No blank after the first character, or no rate before it: nothing to set.
    EXPECT_FALSE(audioFormatOfEntry(" 8.000 Khz", 16));
    EXPECT_FALSE(audioFormatOfEntry("8.000Khz", 16));
    EXPECT_FALSE(audioFormatOfEntry("fast Khz, 8 bit, Mono", 3));
    EXPECT_FALSE(audioFormatOfEntry("", 0));
}

TEST(CapturePanelRules, StoredIndexBeyondItsListSelectsTheFirst)
{
    EXPECT_EQ(storedIndexOrFirst(-1, 3), 0);
    EXPECT_EQ(storedIndexOrFirst(2, 3), 2);
    EXPECT_EQ(storedIndexOrFirst(3, 3), 0);
    EXPECT_EQ(storedIndexOrFirst(99, 3), 0);
    EXPECT_EQ(storedIndexOrFirst(0, 0), -1);
    // Resolution and colour format follow the device unless a stored index says otherwise.
    EXPECT_EQ(storedOrDeviceIndex(-1, 4, 8), 4);
    EXPECT_EQ(storedOrDeviceIndex(2, 4, 8), 2);
    EXPECT_EQ(storedOrDeviceIndex(8, 4, 8), 0);
    EXPECT_EQ(storedOrDeviceIndex(-1, 9, 8), 0);
    EXPECT_EQ(storedOrDeviceIndex(1, 0, 0), -1);
}

TEST(CapturePanelRules, FrameRateRoundsHalvesToEven)
{
    EXPECT_EQ(controlFrameRate("24.6"), 25);
    EXPECT_EQ(controlFrameRate("20"), 20);
    EXPECT_EQ(controlFrameRate("4"), 4);
    EXPECT_EQ(controlFrameRate("24.5"), 24);
    EXPECT_EQ(controlFrameRate("25.5"), 26);
    EXPECT_EQ(controlFrameRate("30 fps"), 30);
    EXPECT_EQ(controlFrameRate("1"), 1);
    EXPECT_EQ(controlFrameRate("240"), 240);
    // Nothing the control takes: the device keeps its rate.
    EXPECT_FALSE(controlFrameRate(""));
    EXPECT_FALSE(controlFrameRate("abc"));
    EXPECT_FALSE(controlFrameRate("0"));
    EXPECT_FALSE(controlFrameRate("0.5"));
    EXPECT_FALSE(controlFrameRate("-30"));
    EXPECT_FALSE(controlFrameRate("241"));
    EXPECT_EQ(badFrameRateMessage("abc", 30),
              "The frame rate \"abc\" is not a number from 1 to 240; the camera keeps 30 frames "
              "per second.");
}

TEST(CapturePanelRules, ChannelItemsRunLowestToHighest)
{
    const QStringList items = channelItems(2, 69);
    ASSERT_EQ(items.size(), 68);
    EXPECT_EQ(items.first(), "2");
    EXPECT_EQ(items.last(), "69");
    EXPECT_EQ(items.indexOf("5"), 3);
    EXPECT_TRUE(channelItems(5, 4).isEmpty());
}

TEST(CapturePanelRules, VideoListFollowsArrivalsAndRemovals)
{
    const ListChange first = videoListAfter({kNoCaptureDevices}, 0, 0, "Cam");
    EXPECT_EQ(first.items, QStringList{"Cam"});
    EXPECT_TRUE(first.replacedPlaceholder);
    EXPECT_FALSE(first.added);

    const ListChange second = videoListAfter({"A", "B"}, 0, 1, "New");
    EXPECT_EQ(second.items, (QStringList{"A", "New", "B"}));
    EXPECT_FALSE(second.replacedPlaceholder);
    EXPECT_TRUE(second.added);
    // An index past the end appends.
    EXPECT_EQ(videoListAfter({"A"}, 0, 7, "New").items, (QStringList{"A", "New"}));
    // The placeholder never stays beside a real device.
    const ListChange late = videoListAfter({kNoCaptureDevices}, 0, 1, "Cam");
    EXPECT_EQ(late.items, QStringList{"Cam"});
    EXPECT_TRUE(late.added);

    EXPECT_EQ(videoListAfter({"A", "B", "C"}, 1, 1, "B").items, (QStringList{"A", "C"}));
    // A removal the list does not hold changes nothing.
    EXPECT_EQ(videoListAfter({"A"}, 1, 4, "X").items, QStringList{"A"});
    EXPECT_EQ(videoListAfter({kNoCaptureDevices}, 1, 0, "X").items, QStringList{kNoCaptureDevices});
}

TEST(CapturePanelRules, AudioListKeepsNoneFirst)
{
    const ListChange in = audioListAfter({kNoneEntry, "Mic"}, 0, 0, "Line");
    EXPECT_EQ(in.items, (QStringList{kNoneEntry, "Line", "Mic"}));
    EXPECT_TRUE(in.added);
    EXPECT_EQ(audioListAfter({kNoneEntry, "Mic", "Line"}, 1, 1, "Line").items,
              (QStringList{kNoneEntry, "Mic"}));
    EXPECT_EQ(audioListAfter({kNoneEntry}, 1, 0, "X").items, QStringList{kNoneEntry});
    EXPECT_EQ(audioListAfter({}, 0, 0, "Mic").items, (QStringList{kNoneEntry, "Mic"}));
}

TEST(CapturePanelRules, Texts)
{
    EXPECT_TRUE(offerArrival(false, 1, 0));
    EXPECT_FALSE(offerArrival(true, 1, 0));
    EXPECT_FALSE(offerArrival(false, 0, 0));
    EXPECT_EQ(pluggedInQuestion("USB Camera"),
              "USB Camera is plugged into your computer. Do you want to use it?");
    EXPECT_EQ(effectNotFoundMessage("Mirror"), "Cannot find Mirror effect");
    const OperatorMessage channel = channelErrorMessage(CaptureError(0x1004, "No tuner"));
    EXPECT_EQ(channel.text, "Error code: 4100 No tuner");
    EXPECT_EQ(channel.title, "Error");
}
