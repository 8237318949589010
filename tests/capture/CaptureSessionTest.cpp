// The capture screen's decisions around a recording: recording time, default contact frame,
// countdown, buttons and the WSTIMS skier name.
#include "capture/CaptureSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;

TEST(CaptureTime, StoredEntryIsSelected)
{
    EXPECT_EQ(captureTimeItems(), QStringList({"3.0", "4.0", "5.0", "6.0"}));
    const CaptureTimeChoice four = captureTimeAtLoad(4);
    EXPECT_EQ(captureTimeItems()[four.index], "4.0");
    EXPECT_EQ(four.seconds, 4);
    EXPECT_FALSE(four.storeDefault);
    EXPECT_EQ(captureTimeAtLoad(6).index, 3);
    EXPECT_EQ(captureTimeAtLoad(3).seconds, 3);
}

TEST(CaptureTime, AbsentOrUnusableGivesTheDefaultAndWholeSecondsAreKept)
{
    for (double stored : {0.0, -4.0, 4.5, 10.5, 61.0, 1e12}) {
        const CaptureTimeChoice c = captureTimeAtLoad(stored);
        EXPECT_EQ(captureTimeItems()[c.index], "5.0") << stored;
        EXPECT_EQ(c.seconds, 5) << stored;
        EXPECT_TRUE(c.storeDefault) << stored;
    }
    // A whole number of seconds up to a minute is a recording time set by hand: kept, with no
    // entry selected.
    for (double stored : {1.0, 7.0, 10.0, 60.0}) {
        const CaptureTimeChoice c = captureTimeAtLoad(stored);
        EXPECT_EQ(c.index, -1) << stored;
        EXPECT_EQ(c.seconds, stored);
        EXPECT_FALSE(c.storeDefault) << stored;
    }
    EXPECT_EQ(captureSecondsText(10), "10");
    EXPECT_EQ(captureSecondsText(5), "5");
    EXPECT_EQ(captureSecondsText(3), "3");
}

TEST(DefaultContactFrame, MiddleOfTheRecordingHalvesToEven)
{
    EXPECT_EQ(defaultContactFrame("30", 5), 75);
    EXPECT_EQ(defaultContactFrame("25", 5), 62); // 62.5
    EXPECT_EQ(defaultContactFrame("27", 5), 68); // 67.5
    EXPECT_EQ(defaultContactFrame("29.97", 5), 75);
    EXPECT_EQ(defaultContactFrame("60 fps", 6), 180);
    EXPECT_EQ(defaultContactFrame("", 5), 0);
    EXPECT_EQ(defaultContactFrame("1e9", 6), 32767);
    EXPECT_EQ(roundHalfToEven(12.5), 12);
    EXPECT_EQ(roundHalfToEven(13.5), 14);
    EXPECT_EQ(roundHalfToEven(0.5), 0);
    EXPECT_EQ(roundHalfToEven(2.51), 3);
    EXPECT_EQ(roundHalfToEven(2.49), 2);
}

TEST(Countdown, CountsToZeroAndStaysThere)
{
    EXPECT_EQ(countdownTick("5").left, 4);
    EXPECT_FALSE(countdownTick("5").ended);
    EXPECT_EQ(countdownTick("1").left, 0);
    EXPECT_TRUE(countdownTick("1").ended);
    EXPECT_TRUE(countdownTick("0").ended);
    EXPECT_TRUE(countdownTick("junk").ended);
}

TEST(CaptureButtons, ReadyRecordingStopped)
{
    const CaptureButtons ready = buttonsFor(CaptureState::Ready);
    EXPECT_TRUE(ready.start);
    EXPECT_FALSE(ready.contact);
    EXPECT_FALSE(ready.stop);
    EXPECT_TRUE(ready.captureFrame);
    EXPECT_TRUE(ready.leave);
    const CaptureButtons recording = buttonsFor(CaptureState::Recording);
    EXPECT_FALSE(recording.start);
    EXPECT_TRUE(recording.contact);
    EXPECT_TRUE(recording.stop);
    EXPECT_FALSE(recording.captureFrame);
    EXPECT_FALSE(recording.leave);
    EXPECT_EQ(buttonsFor(CaptureState::Stopped), ready);
}

namespace
{

Result<QString> readNameFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    QFile f(dir.filePath("zqskier.nam"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    return readWstimsSkierName(dir.path());
}

} // namespace

TEST(WstimsName, FirstCommaField)
{
    QTemporaryDir dir;
    EXPECT_EQ(readNameFile(dir, "Smith John,USA,M3,12\r\n").valueOr("?"), "Smith John");
    EXPECT_EQ(readNameFile(dir, "\"Smith, John\",CAN\r\n").valueOr("?"), "Smith, John");
    EXPECT_EQ(readNameFile(dir, "  Doe  \r\nsecond,line\r\n").valueOr("?"), "Doe");
    EXPECT_EQ(readNameFile(dir, "Jane").valueOr("?"), "Jane");
}

TEST(WstimsName, MissingOrEmptyFileIsToldWithItsReason)
{
    QTemporaryDir dir;
    const Result<QString> missing = readWstimsSkierName(dir.path());
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().startsWith("Error while reading WSTIMS name file: File not found"))
        << missing.error().toStdString();
    const Result<QString> empty = readNameFile(dir, "\r\n");
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error(), "Error while reading WSTIMS name file: Input past end of file");
    // A folder in the file's place cannot be read.
    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir("zqskier.nam"));
    const Result<QString> folder = readWstimsSkierName(other.path());
    ASSERT_FALSE(folder);
    EXPECT_TRUE(folder.error().startsWith(kWstimsNameError));
}
