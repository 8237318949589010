// The frame selection screen's decisions, without widgets.
#include "review/FrameSelection.h"

#include "AviBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::review;

namespace
{

TEST(FrameSelectionTest, PaintFlowByNavigationMode)
{
    EXPECT_EQ(paintFlowFor("Setup"), PaintFlow::ClearVideo);
    EXPECT_EQ(paintFlowFor("CaptureGoToTimer"), PaintFlow::ClearVideo);
    EXPECT_EQ(paintFlowFor("View"), PaintFlow::View);
    EXPECT_EQ(paintFlowFor("Capture"), PaintFlow::Capture);
    for (const char* other : {"", "Timer", "SelectFrame", "Measure", "capture"})
        EXPECT_EQ(paintFlowFor(other), PaintFlow::KeepVideo) << other;
}

TEST(FrameSelectionTest, TakenFrameRoundsHalvesToEvenAndNeverBelowOne)
{
    EXPECT_EQ(markedFrameFor(0), 1);
    EXPECT_EQ(markedFrameFor(12.5), 12);
    EXPECT_EQ(markedFrameFor(13.5), 14);
    EXPECT_EQ(markedFrameFor(12.4), 12);
    EXPECT_EQ(markedFrameFor(12.6), 13);
    EXPECT_EQ(markedFrameFor(0.5), 1); // rounds to 0, which becomes 1
    EXPECT_EQ(markedFrameFor(75), 75);
    EXPECT_EQ(markedFrameFor(-4), 1);
}

TEST(FrameSelectionTest, BackStopsAtOne)
{
    EXPECT_EQ(stepBackFrom(2), 1);
    EXPECT_EQ(stepBackFrom(75), 74);
    EXPECT_FALSE(stepBackFrom(1));
    EXPECT_FALSE(stepBackFrom(0));
}

TEST(FrameSelectionTest, DiskSpaceInDecimalMegabytesWithTheLowWarning)
{
    const auto below = diskSpaceFor("D:\\Videos", 199999999);
    EXPECT_EQ(below.drive, "D:");
    EXPECT_EQ(below.driveCaption, "Disk Space Available D:");
    EXPECT_EQ(below.freeText, "199 MB");
    EXPECT_TRUE(below.low);
    const auto at = diskSpaceFor("D:\\Videos", 200000000);
    EXPECT_EQ(at.freeText, "200 MB");
    EXPECT_FALSE(at.low);
    // 1048576-byte megabytes would show 190 here.
    EXPECT_EQ(diskSpaceFor("E:", 199999999LL + 1).freeText, "200 MB");
}

TEST(FrameSelectionTest, DiskSpaceWithoutADriveLetterOrAnswer)
{
    EXPECT_EQ(diskSpaceFor("\\\\server\\videos", 5000000000LL).drive, "C:");
    EXPECT_EQ(diskSpaceFor("/home/station/videos", 5000000000LL).driveCaption,
              "Disk Space Available C:");
    const auto failed = diskSpaceFor("D:\\Videos", -1);
    EXPECT_EQ(failed.freeText, "0 MB");
    EXPECT_TRUE(failed.low);
#ifndef Q_OS_WIN
    // No drive letters here: the folder's own volume is asked.
    EXPECT_EQ(diskQueryPath("/home/station/videos"), "/home/station/videos");
#else
    EXPECT_EQ(diskQueryPath("D:\\Videos"), "D:/");
    EXPECT_EQ(diskQueryPath("\\\\server\\videos"), "C:/");
#endif
}

class InfoFileTest : public ::testing::Test
{
protected:
    QString video(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void writeInfo(const QString& videoPath, const QByteArray& content)
    {
        QFile f(infoFilePath(videoPath));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QTemporaryDir dir;
};

TEST_F(InfoFileTest, AMeasuredVideoTellsItsFrame)
{
    const QString v = video("Smithjump2.avi");
    EXPECT_EQ(infoFilePath(v), v + ".info");
    writeInfo(v, "C:\\Videos\\Smithjump2.avi,57\r\n");
    EXPECT_EQ(measuredFrameField(v), QString("57"));
    const auto opened = alreadyMeasuredMessage(v, false);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->text, "File already measured - start frame is 57");
    EXPECT_EQ(opened->title, kAlreadyMeasuredTitle);
    EXPECT_EQ(alreadyMeasuredMessage(v, true)->text, "File already measured - contact frame is 57");
}

TEST_F(InfoFileTest, NeverMeasuredOrOddSideFiles)
{
    EXPECT_FALSE(alreadyMeasuredMessage(video("Jonesjump1.avi"), false));
    const QString extra = video("a.avi");
    writeInfo(extra, "C:\\a.avi,12,more\r\nsecond line,99\r\n");
    EXPECT_EQ(measuredFrameField(extra), QString("12"));
    const QString bare = video("b.avi");
    writeInfo(bare, "C:\\b.avi");
    EXPECT_EQ(measuredFrameField(bare), QString(""));
    // A folder of that name is no side file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("c.avi.info"));
    EXPECT_FALSE(measuredFrameField(video("c.avi")));
}

class ChosenFileTest : public InfoFileTest
{
protected:
    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = video(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // The player's open as the screen hands it over: records what it was asked to open.
    std::function<bool(const QString&)> opener(bool plays)
    {
        return [this, plays](const QString& path) {
            opened << path;
            return plays;
        };
    }
    static QStringList texts(const OperatorMessages& messages)
    {
        QStringList out;
        for (const OperatorMessage& m : messages)
            out << m.text;
        return out;
    }
    QStringList opened;
};

TEST_F(ChosenFileTest, AnAviIsTakenOnItsHeadersAndNeverOpenedHere)
{
    const QString avi = write("Smithjump2.avi", test::buildAvi(test::AviSpec{}));
    writeInfo(avi, "C:\\Videos\\Smithjump2.avi,57\r\n");
    const Informed<bool> choice = chooseVideoFile(avi, opener(false));
    EXPECT_TRUE(choice.value);
    EXPECT_TRUE(opened.isEmpty()) << "the player opens an AVI after the choice, once";
    EXPECT_EQ(texts(choice.messages), QStringList{"File already measured - start frame is 57"});

    // Headers that cannot be read: taken all the same, and the operator told twice, for the
    // rate and for the length.
    const QString damaged = write("damaged.avi", QByteArray("RIFF\x10\0\0\0AVI junkjunk", 20));
    const Informed<bool> told = chooseVideoFile(damaged, opener(false));
    EXPECT_TRUE(told.value);
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(told.messages.size(), 2);
    EXPECT_TRUE(told.messages[0].text.startsWith("Unable to read AVI file info from:"))
        << told.messages[0].text.toStdString();
    EXPECT_EQ(told.messages[0], told.messages[1]);
}

TEST_F(ChosenFileTest, AnotherCamerasVideoIsTakenWhenThePlayerOpensIt)
{
    const QString phone = write("Phone pass.mov", "not looked at here");
    writeInfo(phone, "C:\\Phone pass.mov,12\r\n");
    const Informed<bool> choice = chooseVideoFile(phone, opener(true));
    EXPECT_TRUE(choice.value);
    EXPECT_EQ(opened, QStringList{phone});
    EXPECT_EQ(texts(choice.messages), QStringList{"File already measured - start frame is 12"});

    opened.clear();
    const Informed<bool> refused = chooseVideoFile(phone, opener(false));
    EXPECT_FALSE(refused.value);
    EXPECT_EQ(opened, QStringList{phone});
    ASSERT_EQ(refused.messages.size(), 1);
    EXPECT_EQ(refused.messages[0], (OperatorMessage{kNotValidAvi, Icon::Warning, QString()}));
}

TEST_F(ChosenFileTest, AFileThatIsGoneIsToldBeforeItIsRefused)
{
    const QString gone = video("gone.mp4");
    const Informed<bool> choice = chooseVideoFile(gone, opener(false));
    EXPECT_FALSE(choice.value);
    EXPECT_EQ(opened, QStringList{gone});
    EXPECT_EQ(
        texts(choice.messages),
        (QStringList{"File does not exist:\r\n" + QDir::toNativeSeparators(gone), kNotValidAvi}));
}

TEST(FrameSelectionTest, ATakenFrameIsMeasuredOnlyWithEveryGridReady)
{
    EXPECT_FALSE(takenFrameGoesToGridSetup(1, false));
    EXPECT_TRUE(takenFrameGoesToGridSetup(1, true));
    for (double notReady : {0.0, -1.0, 2.0, 0.5})
        EXPECT_TRUE(takenFrameGoesToGridSetup(notReady, false)) << notReady;
}

TEST(FrameSelectionTest, DebugLogLine)
{
    EXPECT_EQ(frameSelectedLine(57, "C:\\Videos\\Smithjump2.avi"),
              "Frame 57 Selected in C:\\Videos\\Smithjump2.avi");
}

} // namespace
