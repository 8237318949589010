// Print-zone lines, the debug log and the session log, checked byte for byte on real files.
#include "FileFailures.h"
#include "QStringPrint.h"
#include "ScriptedDialogs.h"
#include "app/DebugLog.h"
#include "app/LogViewerLines.h"
#include "app/PrintZones.h"
#include "app/SessionLog.h"
#include "app/TextFiles.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zelvan;
using namespace zelvan::app;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

QString makeRegularFile(const QTemporaryDir& dir)
{
    QString path = dir.filePath(QStringLiteral("plainfile"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return path;
}

TEST(PrintZones, FieldsStartAtTheNextZone)
{
    EXPECT_EQ(nextZoneStart(1, 8), 15);
    EXPECT_EQ(nextZoneStart(1, 10), 15);
    EXPECT_EQ(nextZoneStart(1, 13), 15);
    // Ending on the zone's last character: the next field follows at once.
    EXPECT_EQ(nextZoneStart(1, 14), 15);
    EXPECT_EQ(nextZoneStart(15, 14), 29);
    EXPECT_EQ(nextZoneStart(1, 15), 29);
    // 20 characters from column 29 end at 48; the next zone starts at 57.
    EXPECT_EQ(nextZoneStart(29, 20), 57);
    // An empty field keeps its zone.
    EXPECT_EQ(nextZoneStart(15, 0), 29);

    EXPECT_EQ(zoneLine({QStringLiteral("09:05:00"), QStringLiteral("MainForm Load")}),
              QStringLiteral("09:05:00      MainForm Load"));
    EXPECT_EQ(zoneLine({QString(14, QLatin1Char('a')), QStringLiteral("b")}),
              QString(14, QLatin1Char('a')) + QStringLiteral("b"));
    EXPECT_EQ(zoneLine({QStringLiteral("a"), QString(), QStringLiteral("c")}),
              QStringLiteral("a") + QString(27, QLatin1Char(' ')) + QStringLiteral("c"));
    EXPECT_EQ(zoneLine({QStringLiteral("only")}), QStringLiteral("only"));
    EXPECT_EQ(zoneLine({}), QString());
}

TEST(TextFiles, DateTextsAndAppending)
{
    const QDateTime t(QDate(2009, 1, 5), QTime(7, 3, 9));
    EXPECT_EQ(dateMmddyy(t), QStringLiteral("010509"));
    EXPECT_EQ(dateMmdd(t), QStringLiteral("0105"));
    EXPECT_EQ(dateText(t), QStringLiteral("01-05-2009"));
    EXPECT_EQ(timeText(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58))),
              QStringLiteral("23:59:58"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.txt"));
    ASSERT_TRUE(appendLines(path, {QStringLiteral("one")}));
    ASSERT_TRUE(appendLines(path, {QStringLiteral("two"), QStringLiteral("three")}));
    EXPECT_EQ(readAll(path), QByteArray("one\r\ntwo\r\nthree\r\n"));
    ASSERT_TRUE(replaceLines(path, {QStringLiteral("fresh")}));
    EXPECT_EQ(readAll(path), QByteArray("fresh\r\n"));

    const Status appended = appendLines(dir.filePath(QStringLiteral("missing/x.txt")), {"a"});
    EXPECT_FALSE(appended);
    EXPECT_FALSE(appended.error().isEmpty());
    const Status replaced = replaceLines(makeRegularFile(dir) + QStringLiteral("/x.txt"), {"a"});
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(replaced.error().isEmpty());

    EXPECT_EQ(joinPath(QStringLiteral("/videos/"), QStringLiteral("a.txt")),
              QDir::toNativeSeparators(QStringLiteral("/videos/a.txt")));
    EXPECT_EQ(joinPath(QStringLiteral("/"), QStringLiteral("a.txt")),
              QDir::toNativeSeparators(QStringLiteral("/a.txt")));
    EXPECT_EQ(joinPath(QString(), QStringLiteral("a.txt")), QStringLiteral("a.txt"));
}

#ifdef Q_OS_UNIX
TEST(TextFiles, AFullDiskKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.txt"));
    ASSERT_TRUE(replaceLines(path, {QStringLiteral("Anna"), QStringLiteral("Bert")}));
    const QByteArray before = readAll(path);
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(5)}) {
        Status replaced;
        {
            const zelvan::test::FileSizeLimit full(limit);
            replaced = replaceLines(path, {QStringLiteral("Carla"), QStringLiteral("Dirk")});
        }
        EXPECT_FALSE(replaced) << limit;
        EXPECT_EQ(
            replaced.error(),
            QStringLiteral("Cannot write %1: File too large").arg(QDir::toNativeSeparators(path)));
        EXPECT_EQ(readAll(path), before) << limit;
    }
    // Appending past the limit cuts the file back to what it was and says why.
    Status appended;
    {
        const zelvan::test::FileSizeLimit full(before.size() + 3);
        appended = appendLines(path, {QStringLiteral("a long line that does not fit")});
    }
    EXPECT_FALSE(appended);
    EXPECT_EQ(
        appended.error(),
        QStringLiteral("Cannot write to %1: File too large").arg(QDir::toNativeSeparators(path)));
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("names.txt")});
}

TEST(TextFiles, SpecialFilesAreNotWrittenInto)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("results.txt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // No reader ever opens the FIFO: opening it for writing would block for ever.
    const Status appended = appendLines(fifo, {QStringLiteral("x")});
    EXPECT_FALSE(appended);
    EXPECT_TRUE(appended.error().endsWith(QStringLiteral("it is not a regular file")));
    const Status replaced = replaceLines(fifo, {QStringLiteral("x")});
    EXPECT_FALSE(replaced);
    EXPECT_TRUE(replaced.error().endsWith(QStringLiteral("it is not a regular file")));
    struct stat st {
    };
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(appendLines(QStringLiteral("/dev/full"), {QStringLiteral("x")}));
}
#endif

TEST(DebugLog, StartReplacesAndEachWriteAppendsOneLine)
{
    QTemporaryDir dir;
    const QString zqio = dir.filePath(QStringLiteral("root/zqio"));
    FixedClock clock(QDateTime(QDate(2026, 6, 1), QTime(9, 5, 0)));
    {
        DebugLog earlier(clock, zqio);
        ASSERT_TRUE(earlier.StartDebugLog()); // creates the missing folder
        ASSERT_TRUE(earlier.WriteDebugLog(QStringLiteral("from an earlier run")));
    }
    DebugLog log(clock, zqio);
    EXPECT_EQ(log.filePath(), QDir::toNativeSeparators(zqio + QStringLiteral("/DebugLog.txt")));
    OperatorMessages messages;
    for (const DebugLogWrite& w :
         {log.StartDebugLog(), log.WriteDebugLog(QStringLiteral("MainForm Load"))}) {
        ASSERT_TRUE(w);
        messages << w.messages;
    }
    clock.time = QDateTime(QDate(2026, 6, 1), QTime(14, 30, 7));
    const DebugLogWrite last = log.WriteDebugLog(QStringLiteral("Front set-up ratio = 92.5"));
    ASSERT_TRUE(last);
    messages << last.messages;

    EXPECT_EQ(readAll(log.filePath()), QByteArray("09:05:00      Debug Log Session Started\r\n"
                                                  "09:05:00      MainForm Load\r\n"
                                                  "14:30:07      Front set-up ratio = 92.5\r\n"));
    EXPECT_EQ(log.lines().size(), 3);
    EXPECT_EQ(log.lines().last(), QStringLiteral("14:30:07      Front set-up ratio = 92.5"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST(DebugLog, AnUnwritableFolderWarnsTheOperatorOncePerRun)
{
    QTemporaryDir dir;
    // A folder below a regular file can never be created.
    const QString zqio = makeRegularFile(dir) + QStringLiteral("/zqio");
    ScriptedDialogs dialogs;
    FixedClock clock(QDateTime(QDate(2026, 6, 1), QTime(9, 5, 0)));
    DebugLog log(clock, zqio);
    const DebugLogWrite writes[] = {log.StartDebugLog(),
                                    log.WriteDebugLog(QStringLiteral("MainForm Load")),
                                    log.WriteDebugLog(QStringLiteral("Capture Complete"))};
    for (const DebugLogWrite& w : writes) {
        EXPECT_FALSE(w);
        EXPECT_FALSE(w.written.error().isEmpty());
        showMessages(dialogs, w.messages);
    }
    // The warning comes with the first failure, not with the later ones.
    EXPECT_EQ(writes[0].messages.size(), 1);

    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("Error occurred while trying to close file, please retry."));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Zelvan Measurement"));
    // Nothing is lost for the headless reader.
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("09:05:00      Debug Log Session Started"),
                                        QStringLiteral("09:05:00      MainForm Load"),
                                        QStringLiteral("09:05:00      Capture Complete")}));
}

TEST(SessionLog, LinesAreLaidOutInZones)
{
    const QDateTime t(QDate(2026, 7, 4), QTime(13, 2, 3));
    EXPECT_EQ(SessionLog::sessionStartLine(t),
              QStringLiteral("07-04-2026    13:02:03      Zelvan Measurement Session started  "));

    // "Skier: " + 13 characters is 20 characters from column 29, so "Jump: " starts at 57.
    const QString line =
        SessionLog::contactPictureLine(t, QStringLiteral("Anna Lindqvist"), QStringLiteral("2"),
                                       QStringLiteral("52.3"), QStringLiteral("/v/AnnaJump2.bmp"));
    const QString skier = QStringLiteral("Skier: Anna Lindqvist");
    ASSERT_EQ(skier.size(), 21);
    EXPECT_EQ(line.indexOf(skier), 28);
    EXPECT_EQ(line.indexOf(QStringLiteral("Jump: 2")), 56);
    EXPECT_EQ(line, QStringLiteral("07-04-2026    13:02:03      Skier: Anna Lindqvist") +
                        QString(7, QLatin1Char(' ')) + QStringLiteral("Jump: 2") +
                        QString(7, QLatin1Char(' ')) + QStringLiteral("Distance: 52.3") +
                        QStringLiteral("File: /v/AnnaJump2.bmp"));

    EXPECT_EQ(SessionLog::measuredVideoLine(t, QStringLiteral("Bo"), QStringLiteral("1"),
                                            QStringLiteral("117"), QStringLiteral("/v/x.avi"))
                  .toStdString(),
              std::string("07-04-2026    13:02:03      Skier: Bo     Jump: 1       "
                          "Contact Frame: 117          File: /v/x.avi"));
}

TEST(SessionLog, ARunPassingMidnightKeepsItsStartDaysFile)
{
    QTemporaryDir dir;
    FixedClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
    const QString name = SessionLog::fileNameFor(clock.now());
    EXPECT_EQ(name, QStringLiteral("JumpMeasurementLog123126.txt"));

    SessionLog log(clock, dir.path() + QStringLiteral("/"), name);
    ASSERT_TRUE(log.writeSessionStart());
    clock.time = QDateTime(QDate(2027, 1, 1), QTime(0, 0, 5));
    ASSERT_TRUE(log.writeMeasuredVideo(QStringLiteral("Bo"), QStringLiteral("3"),
                                       QStringLiteral("40"), QStringLiteral("/v/Bojump3.avi")));

    EXPECT_FALSE(QFile::exists(dir.filePath(SessionLog::fileNameFor(clock.now()))));
    EXPECT_EQ(readAll(dir.filePath(name)).toStdString(),
              std::string("12-31-2026    23:59:58      Zelvan Measurement Session started  \r\n"
                          "01-01-2027    00:00:05      Skier: Bo     Jump: 3       "
                          "Contact Frame: 40           File: /v/Bojump3.avi\r\n"));
}

TEST(SessionLog, AFailedWriteIsReportedNotLost)
{
    QTemporaryDir dir;
    FixedClock clock(QDateTime(QDate(2026, 5, 2), QTime(8, 0, 0)));
    const QString name = SessionLog::fileNameFor(clock.now());
    const Status noFolder = SessionLog(clock, QString(), name).writeSessionStart();
    EXPECT_FALSE(noFolder);
    EXPECT_FALSE(noFolder.error().isEmpty());

    const QString gone = dir.filePath(QStringLiteral("gone"));
    const Status missing =
        SessionLog(clock, gone, name)
            .writeContactPicture(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("40.0"),
                                 QStringLiteral("p.bmp"));
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.error().isEmpty());
    EXPECT_FALSE(QDir(gone).exists());
}

TEST(LogViewer, ListsLinesByTheirEndingAndTakesThePathAfterFile)
{
    QTemporaryDir dir;
    FixedClock clock(QDateTime(QDate(2026, 7, 4), QTime(13, 2, 3)));
    const QString name = SessionLog::fileNameFor(clock.now());
    const SessionLog log(clock, dir.path(), name);
    ASSERT_TRUE(log.writeSessionStart());
    ASSERT_TRUE(log.writeContactPicture(QStringLiteral("Ann"), QStringLiteral("1"),
                                        QStringLiteral("48.2"), QStringLiteral("/v/Ann1.bmp")));
    ASSERT_TRUE(log.writeMeasuredVideo(QStringLiteral("Ann"), QStringLiteral("1"),
                                       QStringLiteral("33"), QStringLiteral("/v/Annjump1.avi")));
    ASSERT_TRUE(appendLines(dir.filePath(name), {QStringLiteral("no path but avi"),
                                                 QStringLiteral("File: /v/UPPER.AVI")}));

    const Result<QStringList> videoLines =
        readLogViewerLines(dir.filePath(name), QStringLiteral("avi"));
    ASSERT_TRUE(videoLines);
    const QStringList& videos = *videoLines;
    ASSERT_EQ(videos.size(), 2);
    EXPECT_EQ(logLineFilePath(videos[0]), QStringLiteral("/v/Annjump1.avi"));
    EXPECT_EQ(logLineFilePath(videos[1]), QString());
    const Result<QStringList> pictureLines =
        readLogViewerLines(dir.filePath(name), QStringLiteral("bmp"));
    ASSERT_TRUE(pictureLines);
    const QStringList& pictures = *pictureLines;
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(logLineFilePath(pictures[0]), QStringLiteral("/v/Ann1.bmp"));

    EXPECT_EQ(widestLogEntry({QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("e")}),
              QStringLiteral("ab"));
    const Result<QStringList> none =
        readLogViewerLines(dir.filePath(QStringLiteral("none.txt")), QStringLiteral("avi"));
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.error().isEmpty());
}

} // namespace
