// The contact picture, the leaving rules and the picture sources on real folders, answered by
// scripted dialogs: exact paths, lines and file bytes, and a capture picture that survives
// every failed or abandoned save.
#include "measure/ContactPicture.h"
#include "measure/LeavingRules.h"
#include "measure/PictureSources.h"

#include "FileFailures.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace zelvan;
using namespace zelvan::measure;

using zelvan::test::bytesOf;
using zelvan::test::put;

namespace
{

class SavePictureTest : public ::testing::Test
{
protected:
    SavePictureTest()
    {
        QDir(dir.path()).mkdir("videos");
        put(capture(), "BMcapture");
        in.now = QDateTime(QDate(2026, 7, 4), QTime(14, 3, 22));
        in.stationFolder = dir.path();
        in.videoDirectory = videos();
        in.skierName = "SMITH";
        in.jumpNumber = " 3 ";
        in.extension = ".bmp";
        in.captureSkierName = "SMITH";
        in.captureAttempt = "4";
        in.resultsPath = dir.filePath("results.txt");
        in.keptPath = dir.filePath("kept.txt");
    }
    QString capture() const { return dir.filePath("currentcapture.bmp"); }
    QString videos() const { return QDir::toNativeSeparators(dir.filePath("videos")); }
    QString picture(const char* name) const { return videos() + QDir::separator() + name; }

    QTemporaryDir dir;
    PictureSaveInput in;
    ScriptedDialogs dialogs;
};

} // namespace

TEST(ContactPicturePath, NameJumpAndExtensionInTheVideoFolder)
{
    const QString sep = QDir::separator();
    EXPECT_EQ(contactPicturePath("/v", "SMITH", " 3 ", ".bmp"),
              QDir::toNativeSeparators("/v") + sep + "SMITHjump3.bmp");
    // Nothing in the name can leave the folder or be refused by Windows.
    EXPECT_EQ(contactPicturePath("/v", "..\\..\\A/B:C*D?E\"F<G>H|I\tJ", "1", ".bmp"),
              QDir::toNativeSeparators("/v") + sep + ".. .. A B C D E F G H I Jjump1.bmp");
    EXPECT_EQ(pictureInfoLine("/v/SMITHjump3.bmp", "SMITH, JOHN", "4"),
              "/v/SMITHjump3.bmp, SMITH, JOHN, 4");
    EXPECT_EQ(pictureLogJump("4"), "3");
    EXPECT_EQ(pictureLogJump("12 "), "11");
}

TEST_F(SavePictureTest, FirstSaveCopiesTheCaptureAndWritesItsLines)
{
    const PictureSave out = savePicture(in, dialogs);
    ASSERT_TRUE(out.saved);
    EXPECT_EQ(out.picturePath, picture("SMITHjump3.bmp"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(bytesOf(out.picturePath), "BMcapture");
    EXPECT_EQ(bytesOf(capture()), "BMcapture"); // still there for the next use
    EXPECT_EQ(bytesOf(out.picturePath + ".info"), (out.picturePath + ", SMITH, 4\r\n").toUtf8());
    EXPECT_EQ(bytesOf(in.resultsPath),
              ("07-04-2026 14:03:22 Saved picture: " + out.picturePath + "\r\n").toUtf8());
    EXPECT_EQ(out.debugLines,
              QStringList({"save " + picture("SMITHjump3.bmp"), "Picture actually Saved"}));
}

TEST_F(SavePictureTest, SecondSaveOverwritesOnYes)
{
    put(picture("SMITHjump3.bmp"), "old picture");
    dialogs.yesNoAnswers << true;
    const PictureSave out = savePicture(in, dialogs);
    ASSERT_TRUE(out.saved);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "File: " + picture("SMITHjump3.bmp") +
                                         " already exists.  Do you want to overwrite it?");
    EXPECT_EQ(bytesOf(picture("SMITHjump3.bmp")), "BMcapture");
}

TEST_F(SavePictureTest, NoAsksForANewNameUntilItIsFree)
{
    put(picture("SMITHjump3.bmp"), "old 3");
    put(picture("SMITHjump4.bmp"), "old 4");
    dialogs.inputAnswers << picture("SMITHjump4.bmp") << QString("SMITHjump3b.bmp");
    const PictureSave out = savePicture(in, dialogs);
    ASSERT_TRUE(out.saved);
    EXPECT_EQ(out.picturePath, picture("SMITHjump3b.bmp")); // a bare name stays in the folder
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[1].text, kRenamePrompt);
    EXPECT_EQ(dialogs.shown[1].title, kRenameTitle);
    EXPECT_EQ(dialogs.shown[2].text, kRenamePrompt);
    EXPECT_EQ(bytesOf(picture("SMITHjump3.bmp")), "old 3");
    EXPECT_EQ(bytesOf(picture("SMITHjump4.bmp")), "old 4");
    EXPECT_EQ(bytesOf(out.picturePath), "BMcapture");
    EXPECT_EQ(bytesOf(out.picturePath + ".info"), (out.picturePath + ", SMITH, 4\r\n").toUtf8());
    EXPECT_TRUE(
        bytesOf(in.resultsPath).endsWith(("Saved picture: " + out.picturePath + "\r\n").toUtf8()));
}

TEST_F(SavePictureTest, CancelledOrEmptyRenameKeepsThePictureUnsaved)
{
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional<QString>("  ")}) {
        put(picture("SMITHjump3.bmp"), "old 3");
        dialogs.clear();
        dialogs.inputAnswers << answer;
        const PictureSave out = savePicture(in, dialogs);
        EXPECT_FALSE(out.saved);
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages()[0].contains("has not been saved"));
        EXPECT_EQ(bytesOf(picture("SMITHjump3.bmp")), "old 3");
        EXPECT_EQ(bytesOf(capture()), "BMcapture");
        EXPECT_FALSE(QFile::exists(in.resultsPath));
        EXPECT_EQ(out.debugLines.size(), 1);
    }
}

TEST_F(SavePictureTest, FailedCopyKeepsTheCaptureAndSaysSo)
{
    in.videoDirectory = dir.filePath("no such folder");
    const PictureSave out = savePicture(in, dialogs);
    EXPECT_FALSE(out.saved);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("could not be saved"));
    EXPECT_TRUE(dialogs.messages()[0].contains(QDir::toNativeSeparators(capture())));
    EXPECT_EQ(bytesOf(capture()), "BMcapture");
    EXPECT_FALSE(QFile::exists(in.resultsPath));
    EXPECT_FALSE(out.debugLines.contains("Picture actually Saved"));
}

TEST_F(SavePictureTest, MissingCaptureIsToldAndNothingIsWritten)
{
    QFile::remove(capture());
    const PictureSave out = savePicture(in, dialogs);
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_FALSE(QFile::exists(picture("SMITHjump3.bmp")));
    EXPECT_FALSE(QFile::exists(in.resultsPath));
}

#ifdef Q_OS_UNIX
TEST_F(SavePictureTest, FullDiskLeavesTheOldPictureAndTheCapture)
{
    put(picture("SMITHjump3.bmp"), "old");
    put(capture(), QByteArray(64 * 1024, 'x'));
    dialogs.yesNoAnswers << true;
    PictureSave out;
    {
        test::FileSizeLimit limit(4096);
        out = savePicture(in, dialogs);
    }
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(bytesOf(picture("SMITHjump3.bmp")), "old");
    EXPECT_EQ(bytesOf(capture()).size(), 64 * 1024);
}
#endif

TEST_F(SavePictureTest, UnsafeNameIsToldAndTheResultsLineKeepsTheFileName)
{
    in.skierName = "../SMITH";
    const PictureSave out = savePicture(in, dialogs);
    ASSERT_TRUE(out.saved);
    EXPECT_EQ(dialogs.messages(), QStringList({kUnsafeNameText}));
    EXPECT_EQ(out.picturePath, picture(".. SMITHjump3.bmp"));
    EXPECT_TRUE(QFile::exists(out.picturePath));
    EXPECT_EQ(QDir(dir.path()).entryList({"*jump3.bmp"}, QDir::Files), QStringList());
}

TEST_F(SavePictureTest, UnwritableResultsFileKeepsTheLineAndStillSaves)
{
    in.resultsPath = dir.filePath("missing/results.txt");
    const PictureSave out = savePicture(in, dialogs);
    ASSERT_TRUE(out.saved);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(bytesOf(in.keptPath),
              ("07-04-2026 14:03:22 Saved picture: " + out.picturePath + "\r\n").toUtf8());
    EXPECT_TRUE(QFile::exists(out.picturePath + ".info"));
}

TEST(PicturePolicy, SaveNoSaveAskAndUnknown)
{
    ScriptedDialogs d;
    EXPECT_TRUE(pictureToBeSaved("Save", d));
    EXPECT_FALSE(pictureToBeSaved("NoSave", d));
    EXPECT_TRUE(d.shown.isEmpty());
    d.yesNoAnswers << true << false;
    EXPECT_TRUE(pictureToBeSaved("Ask", d));
    EXPECT_FALSE(pictureToBeSaved("nosave ", d)); // not a value anybody chose: asked
    EXPECT_EQ(d.texts(), QStringList({kSavePictureQuestion, kSavePictureQuestion}));
}

TEST(StandardVideoName, TheCaptureScreensNamesOnly)
{
    const auto smith = standardVideoName("C:\\V\\SMITHjump12.avi");
    ASSERT_TRUE(smith);
    EXPECT_EQ(smith->skier, "SMITH");
    EXPECT_EQ(smith->jump, "12");
    const auto unixPath = standardVideoName("/home/op/videos/Ann Leejump3.avi");
    ASSERT_TRUE(unixPath);
    EXPECT_EQ(unixPath->skier, "Ann Lee");
    EXPECT_EQ(unixPath->jump, "3");
    for (const char* odd : {"C:\\V\\SMITH.avi", "SMITH", "ab.avi", "C:\\Vjump\\ab.avi",
                            "C:\\V\\SMITHjump12345.avi", "C:\\V\\SMITHjump1.AVI"})
        EXPECT_FALSE(standardVideoName(odd)) << odd;
    EXPECT_EQ(videoInfoLine("C:\\Videos\\Smithjump2.avi", 57), "C:\\Videos\\Smithjump2.avi,57");
}

namespace
{

struct VideoFolder {
    QTemporaryDir dir;
    QString video(const char* name = "Smithjump2.avi") const { return dir.filePath(name); }
};

} // namespace

TEST(VideoPolicy, SaveKeepsTheVideoWithItsInfoFile)
{
    VideoFolder f;
    put(f.video(), "RIFF");
    ScriptedDialogs d;
    const VideoPolicyOutcome out = applyVideoPolicy("Save", f.video(), 57, d);
    EXPECT_TRUE(out.retained);
    EXPECT_EQ(out.name.skier, "Smith");
    EXPECT_EQ(out.name.jump, "2");
    EXPECT_EQ(bytesOf(f.video()), "RIFF");
    EXPECT_EQ(bytesOf(f.video() + ".info"), (f.video() + ",57\r\n").toUtf8());
    EXPECT_EQ(out.debugLines, QStringList({"Video File " + f.video() + " Saved"}));
    EXPECT_TRUE(d.shown.isEmpty());
}

TEST(VideoPolicy, NoSaveDeletesEvenAReadOnlyVideoAndWritesNoInfo)
{
    VideoFolder f;
    put(f.video(), "RIFF");
    QFile::setPermissions(f.video(), QFileDevice::ReadOwner);
    ScriptedDialogs d;
    const VideoPolicyOutcome out = applyVideoPolicy("NoSave", f.video(), 57, d);
    EXPECT_FALSE(out.retained);
    EXPECT_FALSE(QFile::exists(f.video()));
    EXPECT_FALSE(QFile::exists(f.video() + ".info"));
    EXPECT_EQ(out.debugLines, QStringList({"Video File " + f.video() + " Erased"}));
}

TEST(VideoPolicy, AskKeepsOnYesAndDeletesOnNo)
{
    VideoFolder f;
    put(f.video(), "RIFF");
    ScriptedDialogs d;
    d.yesNoAnswers << true;
    EXPECT_TRUE(applyVideoPolicy("Ask", f.video(), 9, d).retained);
    EXPECT_EQ(bytesOf(f.video() + ".info"), (f.video() + ",9\r\n").toUtf8());
    EXPECT_FALSE(applyVideoPolicy("Ask", f.video(), 9, d).retained); // empty queue: No
    EXPECT_FALSE(QFile::exists(f.video()));
    EXPECT_EQ(d.texts(), QStringList({kSaveVideoQuestion, kSaveVideoQuestion}));
    // An unknown policy never deletes unasked.
    put(f.video(), "RIFF");
    d.yesNoAnswers << true;
    EXPECT_TRUE(applyVideoPolicy("Keep", f.video(), 9, d).retained);
    EXPECT_TRUE(QFile::exists(f.video()));
}

#ifdef Q_OS_UNIX
TEST(VideoPolicy, AVideoThatCannotBeDeletedIsToldAndNotLoggedAsErased)
{
    const zelvan::test::Unprivileged asUser;
    if (!asUser.permissionsApply())
        GTEST_SKIP() << "this account deletes from locked folders";
    VideoFolder f;
    QDir(f.dir.path()).mkdir("locked");
    const QString video = f.dir.filePath("locked/Smithjump2.avi");
    put(video, "RIFF");
    QFile::setPermissions(f.dir.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ScriptedDialogs d;
    const VideoPolicyOutcome out = applyVideoPolicy("NoSave", video, 57, d);
    QFile::setPermissions(f.dir.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(QFile::exists(video));
    ASSERT_EQ(d.messages().size(), 1);
    EXPECT_TRUE(d.messages()[0].contains("could not be deleted"));
    EXPECT_TRUE(out.debugLines.isEmpty());
}
#endif

TEST(VideoPolicy, NonStandardNameIsWarnedAndNotLogged)
{
    VideoFolder f;
    put(f.video("SMITH.avi"), "RIFF");
    ScriptedDialogs d;
    const VideoPolicyOutcome out = applyVideoPolicy("Save", f.video("SMITH.avi"), 57, d);
    EXPECT_FALSE(out.retained);
    EXPECT_EQ(d.messages(), QStringList({"Warning, this is not a  standard KLT file so it will "
                                         "not be saved in the Log for future reference"}));
    EXPECT_TRUE(QFile::exists(f.video("SMITH.avi")));
    EXPECT_FALSE(QFile::exists(f.video("SMITH.avi") + ".info"));
}

TEST(VideoPolicy, NoVideoIsLeftAlone)
{
    VideoFolder f;
    ScriptedDialogs d;
    EXPECT_FALSE(applyVideoPolicy("Ask", QString(), 1, d).retained);
    EXPECT_FALSE(applyVideoPolicy("NoSave", f.video(), 1, d).retained);
    EXPECT_TRUE(d.shown.isEmpty());
}

TEST(PictureSources, FilterEntryAndLoadedLine)
{
    EXPECT_EQ(loadPictureFilterEntry(".gif"), 3);
    EXPECT_EQ(loadPictureFilterEntry(".bmp"), 4);
    EXPECT_EQ(loadPictureFilterEntry(".jpg"), 5);
    EXPECT_EQ(loadPictureFilterEntry(".png"), 1);
    EXPECT_EQ(loadedPictureLine(QDateTime(QDate(2026, 7, 4), QTime(9, 5, 1)), "/p/a.bmp"),
              "07-04-2026 09:05:01 Loaded picture: /p/a.bmp");
}

TEST(PictureSources, ClipFlagIsRaisedByReadyOnly)
{
    QTemporaryDir dir;
    const QString flag = dir.filePath(kClipFlagName);
    EXPECT_FALSE(clipFlagRaised(dir.path())); // no flag file
    for (const QByteArray& ready : {QByteArray("Ready\r\n"), QByteArray("Ready"),
                                    QByteArray("  Ready ,x\r\n"), QByteArray("\"Ready\"\r\n")}) {
        put(flag, ready);
        EXPECT_TRUE(clipFlagRaised(dir.path())) << ready.constData();
    }
    for (const QByteArray& not_ready : {QByteArray("  \r\n"), QByteArray("ready\r\n"),
                                        QByteArray("Not Ready\r\n"), QByteArray("")}) {
        put(flag, not_ready);
        EXPECT_FALSE(clipFlagRaised(dir.path())) << not_ready.constData();
    }
    put(flag, "Ready\r\n");
    lowerClipFlag(dir.path());
    EXPECT_EQ(bytesOf(flag), "  \r\n");
    EXPECT_FALSE(clipFlagRaised(dir.path()));
}
