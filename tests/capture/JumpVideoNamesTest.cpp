// Jump video names and the two rules that keep a recording from overwriting an earlier pass.
#include "capture/JumpVideoNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;

namespace
{

const QString sep = QDir::separator();

// A folder with the given files in it, checked through the real file system.
struct VideoFolder {
    QTemporaryDir dir;
    explicit VideoFolder(const QStringList& files)
    {
        for (const QString& name : files) {
            QFile f(dir.filePath(name));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    QString path() const { return QDir::toNativeSeparators(dir.path()); }
    FileExists exists() const
    {
        return [](const QString& p) { return QFileInfo::exists(p); };
    }
};

} // namespace

TEST(JumpVideoPath, FolderNameJumpAttempt)
{
    EXPECT_EQ(jumpVideoPath("C:" + sep + "Videos", "Smith", "2"),
              "C:" + sep + "Videos" + sep + "Smithjump2.avi");
    // One trailing separator of either kind is dropped; name and attempt are trimmed.
    EXPECT_EQ(jumpVideoPath("/v/", " Smith ", " 1 "), "/v" + sep + "Smithjump1.avi");
    EXPECT_EQ(jumpVideoPath("C:\\Videos\\", "Doe John", "3"),
              "C:\\Videos" + sep + "Doe Johnjump3.avi");
}

TEST(JumpVideoPath, NeverLeavesTheFolder)
{
    // Whatever a names file or the name box holds, the video is a file in the folder.
    EXPECT_EQ(jumpVideoPath("/v", "../../etc/x", "1"), "/v" + sep + ".. .. etc xjump1.avi");
    EXPECT_EQ(jumpVideoPath("/v", "a\\b:c*d?e\"f<g>h|i", "1"),
              "/v" + sep + "a b c d e f g h ijump1.avi");
    EXPECT_EQ(jumpVideoPath("/v", QString("Tab\tName"), "1/2"), "/v" + sep + "Tab Namejump1 2.avi");
}

TEST(CleanSkierName, CommaIsReplacedWithItsMessage)
{
    const CleanedName c = cleanSkierName("Smith,J");
    EXPECT_EQ(c.name, "Smith J");
    ASSERT_EQ(c.messages.size(), 1);
    EXPECT_EQ(c.messages[0].text, "Sorry, you cannot use the \",\" character in this box");
    EXPECT_EQ(c.messages[0].title, "Input Error");
    EXPECT_EQ(c.messages[0].icon, Icon::None);
}

TEST(CleanSkierName, UnsafeCharactersAndCleanNames)
{
    const CleanedName slash = cleanSkierName("AC/DC");
    EXPECT_EQ(slash.name, "AC DC");
    ASSERT_EQ(slash.messages.size(), 1);
    EXPECT_EQ(slash.messages[0].text, kUnsafeNameMessage);
    EXPECT_EQ(slash.messages[0].title, "Input Error");

    const CleanedName both = cleanSkierName("Doe,\"J\"");
    EXPECT_EQ(both.name, "Doe  J ");
    EXPECT_EQ(both.messages.size(), 2);

    const CleanedName clean = cleanSkierName("Jane Doe-Smith");
    EXPECT_EQ(clean.name, "Jane Doe-Smith");
    EXPECT_TRUE(clean.messages.isEmpty());
}

TEST(NextAttempt, LeadingNumberPlusOne)
{
    EXPECT_EQ(nextAttempt("1"), "2");
    EXPECT_EQ(nextAttempt(" 9 "), "10");
    EXPECT_EQ(nextAttempt("abc"), "1");
    EXPECT_EQ(nextAttempt("1000000"), "1000001");
}

TEST(FirstPaintAttempt, RaisedToThreeWithOnlyTheDuplicateWarning)
{
    VideoFolder folder({"Smithjump1.avi", "Smithjump2.avi"});
    const AttemptCheck c = firstPaintAttempt(folder.path(), "Smith", "1", folder.exists());
    EXPECT_EQ(c.attempt, "3");
    EXPECT_TRUE(c.collision);
    ASSERT_EQ(c.messages.size(), 1);
    EXPECT_EQ(c.messages[0].text,
              "Warning, the pass number was changed because a file for that pass already "
              "existed.  You may need to change the skier name");
    EXPECT_EQ(c.messages[0].title, "Duplicate File Warning");
    EXPECT_EQ(c.messages[0].icon, Icon::Warning);
}

TEST(FirstPaintAttempt, RaisedToFourWithBothWarnings)
{
    VideoFolder folder({"Smithjump1.avi", "Smithjump2.avi", "Smithjump3.avi"});
    const AttemptCheck c = firstPaintAttempt(folder.path(), "Smith", "1", folder.exists());
    EXPECT_EQ(c.attempt, "4");
    ASSERT_EQ(c.messages.size(), 2);
    EXPECT_EQ(c.messages[0].title, "Duplicate File Warning");
    EXPECT_EQ(c.messages[1].text,
              "Warning, the jump number is greater than 3.  You may need to change the skier name");
    EXPECT_EQ(c.messages[1].title, "Possible Name Change Warning");
    EXPECT_EQ(c.messages[1].icon, Icon::Warning);
}

TEST(FirstPaintAttempt, FreeNameAndHighAttemptTypedByHand)
{
    VideoFolder folder({"Jonesjump1.avi"});
    const AttemptCheck free = firstPaintAttempt(folder.path(), "Smith", "1", folder.exists());
    EXPECT_EQ(free.attempt, "1");
    EXPECT_FALSE(free.collision);
    EXPECT_TRUE(free.messages.isEmpty());
    // Only the second warning when the attempt was already above 3.
    const AttemptCheck high = firstPaintAttempt(folder.path(), "Smith", "5", folder.exists());
    ASSERT_EQ(high.messages.size(), 1);
    EXPECT_EQ(high.messages[0].title, "Possible Name Change Warning");
}

TEST(StartRecordingName, OneXPerCollisionAndAttemptBackToOne)
{
    VideoFolder one({"Smithjump1.avi"});
    const StartName a = startRecordingName(one.path(), "Smith", "1", one.exists());
    EXPECT_EQ(a.skierName, "SmithX");
    EXPECT_EQ(a.attempt, "1");
    EXPECT_EQ(a.path, one.path() + sep + "SmithXjump1.avi");
    EXPECT_TRUE(a.collision);
    EXPECT_EQ(a.warning,
              "WARNING! Skier Name has been changed to SmithX to prevent duplicate files");

    VideoFolder two({"Smithjump1.avi", "SmithXjump1.avi"});
    const StartName b = startRecordingName(two.path(), "Smith ", "1", two.exists());
    EXPECT_EQ(b.skierName, "SmithXX");
    EXPECT_EQ(b.path, two.path() + sep + "SmithXXjump1.avi");

    // Attempt 2 colliding restarts at 1 under the new name.
    VideoFolder pass2({"Smithjump2.avi"});
    const StartName c = startRecordingName(pass2.path(), "Smith", "2", pass2.exists());
    EXPECT_EQ(c.skierName, "SmithX");
    EXPECT_EQ(c.attempt, "1");
}

TEST(StartRecordingName, FreePathIsKept)
{
    VideoFolder folder({"Smithjump1.avi"});
    const StartName s = startRecordingName(folder.path(), "Smith", "2", folder.exists());
    EXPECT_EQ(s.skierName, "Smith");
    EXPECT_EQ(s.attempt, "2");
    EXPECT_EQ(s.path, folder.path() + sep + "Smithjump2.avi");
    EXPECT_FALSE(s.collision);
    EXPECT_TRUE(s.warning.isEmpty());
}

TEST(StartRecordingName, EndlessCollisionsStop)
{
    // A file system that says every name exists must not hang the screen.
    int asked = 0;
    const StartName s = startRecordingName("/v", "Smith", "1", [&](const QString&) {
        ++asked;
        return true;
    });
    EXPECT_TRUE(s.collision);
    EXPECT_GT(asked, 10);
    EXPECT_LE(asked, 1001);
}
