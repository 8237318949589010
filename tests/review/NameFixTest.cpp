// The fix of the skier's name after a recording, answered by scripted dialogs.
#include "review/NameFix.h"

#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::review;

namespace
{

class NameFixTest : public ::testing::Test
{
protected:
    QString inFolder(const QString& name) const { return folder + QDir::separator() + name; }
    NameFixResult run()
    {
        return fixSkierName(dialogs, input,
                            [this](const QString& p) { return existing.contains(p); });
    }
    QStringList prompts() const
    {
        QStringList p;
        for (const auto& s : dialogs.shown)
            if (s.kind == ScriptedDialogs::Kind::Input)
                p << s.text;
        return p;
    }

    QString folder = QDir::toNativeSeparators(QStringLiteral("/videos/day1"));
    NameFixInput input{QStringLiteral("SmithX"), QStringLiteral(" 3 "), folder + QDir::separator(),
                       inFolder(QStringLiteral("SmithXjump1.avi"))};
    QSet<QString> existing;
    ScriptedDialogs dialogs;
};

TEST_F(NameFixTest, TheSuggestedNameAcceptedUnchangedKeepsTheFileWhereItIs)
{
    existing << input.recordedPath; // the recording itself
    dialogs.inputAnswers << QStringLiteral("SmithX");
    const NameFixResult r = run();
    EXPECT_EQ(r.skierName, "SmithX");
    EXPECT_EQ(r.videoPath, input.recordedPath);
    EXPECT_FALSE(r.move);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, kNameFixPrompt);
    EXPECT_EQ(dialogs.shown[0].title, kNameFixTitle);
}

TEST_F(NameFixTest, BothPromptsEmptyGiveTheEmptyNamesFirstJump)
{
    dialogs.inputAnswers << QString() << QString();
    const NameFixResult r = run();
    EXPECT_EQ(prompts(), (QStringList{kNameFixPrompt, kNameMissingPrompt}));
    EXPECT_EQ(r.skierName, "");
    EXPECT_EQ(r.videoPath, inFolder("jump1.avi"));
    EXPECT_TRUE(r.move);
}

TEST_F(NameFixTest, ANewNameMovesTheRecordingToItsFirstJump)
{
    dialogs.inputAnswers << QStringLiteral("Smith");
    const NameFixResult r = run();
    EXPECT_EQ(r.videoPath, inFolder("Smithjump1.avi"));
    EXPECT_TRUE(r.move);
}

TEST_F(NameFixTest, ATakenNameIsAskedAgainAndUsesTheAttemptNumber)
{
    existing << inFolder("Smithjump1.avi") << inFolder("Jonesjump3.avi");
    dialogs.inputAnswers << QStringLiteral("Smith") << QStringLiteral("Jones") << QString()
                         << QStringLiteral("Brown");
    const NameFixResult r = run();
    EXPECT_EQ(prompts(), (QStringList{kNameFixPrompt, kNameTakenPrompt, kNameTakenPrompt,
                                      kNameMissingPrompt}));
    EXPECT_EQ(r.skierName, "Brown");
    EXPECT_EQ(r.videoPath, inFolder("Brownjump3.avi")); // the trimmed attempt number
    EXPECT_TRUE(r.move);
}

TEST_F(NameFixTest, GivingUpOnATakenNameKeepsTheRecording)
{
    existing << inFolder("Smithjump1.avi");
    dialogs.inputAnswers << QStringLiteral("Smith"); // then the queue cancels
    const NameFixResult r = run();
    EXPECT_EQ(r.skierName, "SmithX");
    EXPECT_EQ(r.videoPath, input.recordedPath);
    EXPECT_FALSE(r.move);
}

TEST_F(NameFixTest, ANameThatWouldLeaveTheFolderIsMadeSafe)
{
    dialogs.inputAnswers << QStringLiteral("..\\..\\Win/dows:*?\"<>|\t");
    const NameFixResult r = run();
    EXPECT_EQ(r.skierName, QStringLiteral(".. .. Win dows") + QString(8, QLatin1Char(' ')));
    EXPECT_EQ(r.videoPath, inFolder(r.skierName + "jump1.avi"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("replaced by spaces"));
    EXPECT_EQ(fileNameSafe("O'Brien Jr."), "O'Brien Jr.");
}

TEST(MoveRecordingTest, MovesButNeverOverAnotherFile)
{
    QTemporaryDir dir;
    const QString from = dir.filePath("SmithXjump1.avi");
    const QString to = dir.filePath("Smithjump1.avi");
    QFile f(from);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF pass");
    f.close();
    ASSERT_TRUE(moveRecording(from, to));
    EXPECT_FALSE(QFile::exists(from));
    ASSERT_TRUE(QFile::copy(to, from));
    const Status refused = moveRecording(from, to);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.error().contains(to));
    EXPECT_TRUE(QFile::exists(from));
    EXPECT_FALSE(moveRecording(dir.filePath("missing.avi"), dir.filePath("x.avi")));
}

} // namespace

TEST_F(NameFixTest, TheFixedNameFollowsTheCaptureScreensFileNameRule)
{
    dialogs.inputAnswers << QStringLiteral("Jones, Ann");
    const NameFixResult r = run();
    EXPECT_EQ(r.skierName, "Jones  Ann");
    EXPECT_EQ(r.videoPath, inFolder(QStringLiteral("Jones  Annjump1.avi")));
    EXPECT_TRUE(r.move);
    EXPECT_EQ(dialogs.messages(),
              QStringList{"A file name cannot hold , \\ / : * ? \" < > | or control characters; "
                          "they were replaced by spaces."});
}
