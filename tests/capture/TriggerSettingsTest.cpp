// Stored and typed values of the seconds before Start and the trigger: good ones are read,
// bad ones (hand-edited settings, typos on the command line) fall back with a clear note.
#include "capture/TriggerSettings.h"

#include <gtest/gtest.h>

using namespace zelvan::capture;

TEST(TriggerSettings, GoodValuesAreRead)
{
    EXPECT_EQ(*parsePreSeconds("0"), 0.0);
    EXPECT_EQ(*parsePreSeconds(" 2.5 "), 2.5);
    EXPECT_EQ(*parsePreSeconds("5"), 5.0);
    EXPECT_EQ(*parseZone("10,20,96,72", QSize(640, 480)), QRect(10, 20, 96, 72));
    EXPECT_EQ(*parseZone("544,408,96,72", QSize(640, 480)), QRect(544, 408, 96, 72));
    EXPECT_EQ(*parseZone(" 0, 0 ,8,8"), QRect(0, 0, 8, 8));
    EXPECT_EQ(*parseThreshold("0.01"), 0.01);
    EXPECT_EQ(*parseThreshold("1"), 1.0);

    const StoredTriggerSettings s =
        readTriggerSettings({"3", "100,120,64,48", "0.05"}, QSize(1920, 1080));
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_EQ(s.settings.preSeconds, 3.0);
    EXPECT_EQ(s.settings.zone, QRect(100, 120, 64, 48));
    EXPECT_EQ(s.settings.threshold, 0.05);
    // Written back as read.
    EXPECT_EQ(zoneText(s.settings.zone), "100,120,64,48");
    EXPECT_EQ(numberText(0.05), "0.05");
    EXPECT_EQ(numberText(2), "2");
}

TEST(TriggerSettings, NothingStoredGivesTheDefaults)
{
    const StoredTriggerSettings s = readTriggerSettings({}, QSize(640, 480));
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_EQ(s.settings.preSeconds, 2.0);
    EXPECT_TRUE(s.settings.zone.isEmpty());
    EXPECT_EQ(s.settings.threshold, kDefaultTriggerThreshold);
}

TEST(TriggerSettings, HandEditedNonsenseFallsBackAndSaysSo)
{
    const StoredTriggerSettings s =
        readTriggerSettings({"two", "10,20,96", "1e-2"}, QSize(640, 480));
    EXPECT_EQ(s.settings.preSeconds, 2.0);
    EXPECT_TRUE(s.settings.zone.isEmpty());
    EXPECT_EQ(s.settings.threshold, kDefaultTriggerThreshold);
    EXPECT_EQ(s.notes,
              QStringList({"The seconds before Start must be a number from 0 to 5, not \"two\"; "
                           "2 is used",
                           "The trigger zone \"10,20,96\" is not X,Y,W,H in picture pixels; draw "
                           "the zone again",
                           "The trigger threshold must be a share above 0 and at most 1, not "
                           "\"1e-2\"; 0.01 is used"}));

    EXPECT_EQ(parsePreSeconds("6").error(),
              "The seconds before Start must be a number from 0 to 5, not \"6\"");
    EXPECT_FALSE(parsePreSeconds("-1"));
    EXPECT_FALSE(parsePreSeconds("nan"));
    EXPECT_FALSE(parsePreSeconds(""));
    EXPECT_EQ(parseZone("10,20,96.5,72").error(),
              "The trigger zone \"10,20,96.5,72\" is not X,Y,W,H in whole picture pixels");
    EXPECT_EQ(parseZone("10,20,4,72").error(),
              "The trigger zone \"10,20,4,72\" is smaller than 8 x 8 pixels");
    EXPECT_EQ(parseZone("600,20,96,72", QSize(640, 480)).error(),
              "The trigger zone \"600,20,96,72\" is not inside the 640 x 480 picture");
    EXPECT_FALSE(parseZone("-1,0,96,72", QSize(640, 480)));
    EXPECT_FALSE(parseZone("a,b,c,d"));
    EXPECT_FALSE(parseZone("1,2,3,4,5"));
    EXPECT_FALSE(parseZone("0,0,99999999999,10"));
    EXPECT_FALSE(parseThreshold("0"));
    EXPECT_FALSE(parseThreshold("1.5"));

    // A zone for another camera size is dropped, not cut to size.
    const StoredTriggerSettings moved =
        readTriggerSettings({"", "1800,1000,96,72", ""}, QSize(640, 480));
    EXPECT_TRUE(moved.settings.zone.isEmpty());
    ASSERT_EQ(moved.notes.size(), 1);
    EXPECT_EQ(moved.notes[0], "The trigger zone \"1800,1000,96,72\" is not inside the 640 x 480 "
                              "picture; draw the zone again");
}
