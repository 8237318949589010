// Start-up steps and skier names files, with scripted answers and real folders and files.
#include "app/StartUp.h"
#include "ScriptedDialogs.h"
#include "app/SkierNames.h"
#include "app/Station.h"
#include "base/Clock.h"

#include "QStringPrint.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

class StartUpTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2026, 4, 5), QTime(9, 0, 0))};
    Station station{
        clock,
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("DI05.ini")), QSettings::IniFormat),
        dir.path(), dir.filePath(QStringLiteral("zqio"))};
    QString folder(const char* name)
    {
        QString path = dir.filePath(QLatin1String(name));
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(StartUpTest, AStoredFolderIsTakenWithoutAsking)
{
    const QString videos = folder("videos");
    // A trailing separator is accepted and dropped.
    ASSERT_TRUE(station.settings().write(QStringLiteral("logpath"), videos + QStringLiteral("/")));
    ASSERT_TRUE(ensureVideoDirectory(dialogs, station, 3));
    EXPECT_EQ(station.videoDirectory(), videos);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(StartUpTest, TheOperatorIsAskedUntilAnExistingFolderIsGiven)
{
    ASSERT_TRUE(station.settings().write(QStringLiteral("logpath"), dir.filePath("gone")));
    const QString videos = folder("videos");
    dialogs.inputAnswers.enqueue(std::nullopt);
    dialogs.inputAnswers.enqueue(dir.filePath(QStringLiteral("nowhere")));
    dialogs.inputAnswers.enqueue(videos + QStringLiteral("/"));
    ASSERT_TRUE(ensureVideoDirectory(dialogs, station, 10));
    EXPECT_EQ(station.videoDirectory(), videos);
    EXPECT_EQ(station.settings().logPath(), videos);

    const QString prompt = QStringLiteral("No Correct Save Video Directory has been set.  Please "
                                          "put in the path of the Save Video Directory here.");
    const QString invalid = QStringLiteral("You entered an invalid path - try  again");
    EXPECT_EQ(dialogs.texts(), QStringList({prompt, invalid, prompt, invalid, prompt}));
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Input Save Video Files Path"));
    EXPECT_EQ(dialogs.shown[1].title, QStringLiteral("Zelvan Measurement"));

    // A headless caller with a limit is told when nobody answered.
    ScriptedDialogs silent;
    ASSERT_TRUE(station.settings().write(QStringLiteral("logpath"), QString()));
    const Status ensured = ensureVideoDirectory(silent, station, 2);
    EXPECT_FALSE(ensured);
    EXPECT_FALSE(ensured.error().isEmpty());
    EXPECT_TRUE(station.videoDirectory().isEmpty());
}

TEST_F(StartUpTest, ChangingTheFolderRefusesMissingOnesAndCancelKeepsTheOldOne)
{
    const QString before = folder("before");
    ASSERT_TRUE(station.setVideoDirectory(before));
    dialogs.inputAnswers.enqueue(QString());
    const Result<bool> cancelled = changeVideoDirectory(dialogs, station, before);
    ASSERT_TRUE(cancelled);
    EXPECT_FALSE(*cancelled);
    EXPECT_EQ(station.videoDirectory(), before);

    const QString after = folder("after");
    dialogs.clear();
    dialogs.inputAnswers.enqueue(dir.filePath(QStringLiteral("missing")));
    dialogs.inputAnswers.enqueue(after);
    const Result<bool> changed = changeVideoDirectory(dialogs, station, before);
    ASSERT_TRUE(changed);
    EXPECT_TRUE(*changed);
    EXPECT_EQ(station.videoDirectory(), after);
    EXPECT_EQ(station.settings().logPath(), after);
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("The folder you entered does not exist"));
    EXPECT_EQ(dialogs.shown[1].title, QStringLiteral("Jump Measurement Alert"));
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Warning);
}

TEST(StartUp, CaptureRateLabelAndGridIndicators)
{
    const QString initial = QStringLiteral("Currently Configured for R");
    EXPECT_EQ(captureRateLabel(QStringLiteral("12")),
              QStringLiteral("Currently Configured for Normal/C"));
    EXPECT_EQ(captureRateLabel(QStringLiteral("15")), QStringLiteral("Currently Configured for L"));
    EXPECT_EQ(captureRateLabel(QStringLiteral("30 fps")), initial);
    EXPECT_EQ(captureRateLabel(QStringLiteral("3"), QStringLiteral("before")),
              QStringLiteral("before"));
    EXPECT_EQ(captureRateLabel(QStringLiteral("fast"), QStringLiteral("before")),
              QStringLiteral("before"));
    EXPECT_EQ(captureRateLabel(QStringLiteral("29.97")), initial);

    QTemporaryDir dir;
    const QString grid1 = dir.filePath(QStringLiteral("north.ipt"));
    QFile f(grid1);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const GridIndicators three =
        gridIndicators(3, {grid1, dir.filePath(QStringLiteral("gone.ipt")), QString()});
    EXPECT_EQ(three.visible, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(three.fileFound, (std::array<bool, 3>{true, false, false}));
    const GridIndicators one = gridIndicators(1, {QString(), QString(), grid1});
    EXPECT_EQ(one.visible, (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(one.fileFound, (std::array<bool, 3>{false, false, true}));
}

TEST(SkierNames, PickerLinesAndNamesFileFields)
{
    EXPECT_EQ(commasToSpaces(QStringLiteral("Smith,John,USA")), QStringLiteral("Smith John USA"));
    EXPECT_EQ(pickerEntries(QStringLiteral("Smith,John\r\n\r\nDoe, Jane\r\nLee\n")),
              QStringList({QStringLiteral("Smith John"), QStringLiteral("Doe  Jane"),
                           QStringLiteral("Lee")}));
    EXPECT_EQ(namesFileFields(QStringLiteral("Smith,John\r\n\"Doe, Jane\"\r\n")),
              QStringList(
                  {QStringLiteral("Smith"), QStringLiteral("John"), QStringLiteral("Doe, Jane")}));
    EXPECT_EQ(
        namesFileFields(QStringLiteral(" Ann , ,\"  Bo \"x,\"open")),
        QStringList({QStringLiteral("Ann"), QStringLiteral("  Bo "), QStringLiteral("open")}));
    EXPECT_TRUE(namesFileFields(QStringLiteral("\r\n,,\n")).isEmpty());
}

TEST(SkierNames, ImportAndLoadFromRealFiles)
{
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("entries.csv"));
    {
        QFile f(chosen);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Smith,John,USA\nM\xfcller,Eva\n"); // Latin-1, as older files are
    }
    const QString station = dir.filePath(QStringLiteral("station"));
    ASSERT_TRUE(QDir().mkpath(station));
    const Result<QString> first = importSkierNames(chosen, station);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, QStringLiteral("Smith John USA"));
    QFile copy(station + QStringLiteral("/SkierNames.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("Smith,John,USA\r\nM\xc3\xbcller,Eva\r\n"));

    const Result<QString> none =
        importSkierNames(dir.filePath(QStringLiteral("none.txt")), station);
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.error().isEmpty());

    ScriptedDialogs dialogs;
    const SkierListLoad loaded = loadSkierList(chosen);
    ASSERT_TRUE(loaded.loaded());
    ASSERT_TRUE(loaded.entries);
    EXPECT_EQ(*loaded.entries,
              QStringList({QStringLiteral("Smith"), QStringLiteral("John"), QStringLiteral("USA"),
                           QString::fromUtf8("M\xc3\xbcller"), QStringLiteral("Eva")}));
    showMessages(dialogs, loaded.messages);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // No file given: the list stays as it is.
    const SkierListLoad nothing = loadSkierList(QString());
    EXPECT_TRUE(nothing.loaded());
    EXPECT_FALSE(nothing.entries.has_value());
    const SkierListLoad missing = loadSkierList(dir.filePath(QStringLiteral("none.txt")));
    EXPECT_FALSE(missing.loaded());
    ASSERT_TRUE(missing.entries);
    EXPECT_TRUE(missing.entries->isEmpty());
    showMessages(dialogs, missing.messages);
    EXPECT_EQ(dialogs.messages(),
              QStringList({QStringLiteral("Names not loaded, check file name and path")}));
}

} // namespace
