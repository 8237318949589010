// Writing records: synced appends, the kept-lines fallback of the results file, the WSTIMS
// files and the snapshot clean-up, on real folders and real failures.
#include "measure/RecordFiles.h"

#include "FileFailures.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan::measure;

using zelvan::test::bytesOf;
using zelvan::test::put;

namespace
{

struct Folders {
    QTemporaryDir tmp;
    QString results() const { return tmp.filePath(QStringLiteral("out/results.txt")); }
    QString kept() const { return tmp.filePath(QLatin1String(kKeptResultsFileName)); }
    Folders() { QDir(tmp.path()).mkdir(QStringLiteral("out")); }
};

} // namespace

TEST(AppendSynced, AppendsWholeLinesAndCreatesTheFile)
{
    Folders f;
    ASSERT_TRUE(appendSynced(f.results(), "a\r\n"));
    ASSERT_TRUE(appendSynced(f.results(), "b\r\n"));
    EXPECT_EQ(bytesOf(f.results()), QByteArray("a\r\nb\r\n"));
    const auto missing = appendSynced(f.tmp.filePath(QStringLiteral("nope/x.txt")), "c\r\n");
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().startsWith(QStringLiteral("Cannot open ")));
}

#ifdef Q_OS_UNIX
TEST(AppendSynced, AFullDiskLeavesTheFileAsItWas)
{
    Folders f;
    put(f.results(), "12345\r\n");
    {
        zelvan::test::FileSizeLimit limit(10);
        const auto r = appendSynced(f.results(), "a long line that does not fit\r\n");
        ASSERT_FALSE(r);
        EXPECT_TRUE(r.error().contains(QStringLiteral("results.txt")));
    }
    EXPECT_EQ(bytesOf(f.results()), QByteArray("12345\r\n"));
}
#endif

TEST(ResultsFallback, WrittenDirectlyWhenAllIsWell)
{
    Folders f;
    const ResultsWrite w = writeResultsLine(f.results(), f.kept(), QStringLiteral("one"));
    EXPECT_TRUE(w.written);
    EXPECT_FALSE(w.kept);
    EXPECT_TRUE(w.message.isEmpty());
    EXPECT_EQ(bytesOf(f.results()), QByteArray("one\r\n"));
    EXPECT_FALSE(QFile::exists(f.kept()));
}

TEST(ResultsFallback, MissingFolderKeepsTheLineAndSaysWhichFile)
{
    Folders f;
    const QString results = f.tmp.filePath(QStringLiteral("gone/results.txt"));
    const ResultsWrite w =
        writeResultsLine(results, f.kept(), QStringLiteral("Saved picture: one"));
    EXPECT_FALSE(w.written);
    EXPECT_TRUE(w.kept);
    // The message names the line, whatever it is about.
    EXPECT_TRUE(w.message.startsWith("This line could not be written to the results file " +
                                     QDir::toNativeSeparators(results) + ":\nSaved picture: one\n"))
        << w.message.toStdString();
    EXPECT_TRUE(w.message.contains(QDir::toNativeSeparators(f.kept())));
    EXPECT_EQ(bytesOf(f.kept()), QByteArray("Saved picture: one\r\n"));

    // The folder comes back: the kept line goes first, then the new one, and only once.
    QDir(f.tmp.path()).mkdir(QStringLiteral("gone"));
    const ResultsWrite later = writeResultsLine(results, f.kept(), QStringLiteral("two"));
    EXPECT_TRUE(later.written);
    EXPECT_EQ(later.keptLinesAdded, 1);
    EXPECT_EQ(bytesOf(results), QByteArray("Saved picture: one\r\ntwo\r\n"));
    EXPECT_FALSE(QFile::exists(f.kept()));
    ASSERT_TRUE(writeResultsLine(results, f.kept(), QStringLiteral("three")).written);
    EXPECT_EQ(bytesOf(results), QByteArray("Saved picture: one\r\ntwo\r\nthree\r\n"));
}

TEST(ResultsFallback, AFolderInTheWayAndNoFileSet)
{
    Folders f;
    QDir(f.tmp.path()).mkpath(QStringLiteral("out/results.txt"));
    const ResultsWrite w = writeResultsLine(f.results(), f.kept(), QStringLiteral("one"));
    EXPECT_FALSE(w.written);
    EXPECT_TRUE(w.kept);
    const ResultsWrite none = writeResultsLine(QString(), f.kept(), QStringLiteral("two"));
    EXPECT_FALSE(none.written);
    EXPECT_TRUE(none.message.contains(QStringLiteral("No results file is set.")));
    EXPECT_EQ(bytesOf(f.kept()), QByteArray("one\r\ntwo\r\n"));
}

#ifdef Q_OS_UNIX
TEST(ResultsFallback, ReadOnlyInTheMiddleLosesNothing)
{
    const zelvan::test::Unprivileged asUser;
    if (!asUser.permissionsApply())
        GTEST_SKIP() << "this account writes read-only files";
    Folders f;
    ASSERT_TRUE(writeResultsLine(f.results(), f.kept(), QStringLiteral("1")).written);
    QFile::setPermissions(f.results(), QFileDevice::ReadOwner);
    EXPECT_TRUE(writeResultsLine(f.results(), f.kept(), QStringLiteral("2")).kept);
    EXPECT_TRUE(writeResultsLine(f.results(), f.kept(), QStringLiteral("3")).kept);
    EXPECT_EQ(bytesOf(f.results()), QByteArray("1\r\n"));
    QFile::setPermissions(f.results(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const ResultsWrite w = writeResultsLine(f.results(), f.kept(), QStringLiteral("4"));
    EXPECT_EQ(w.keptLinesAdded, 2);
    EXPECT_EQ(bytesOf(f.results()), QByteArray("1\r\n2\r\n3\r\n4\r\n"));
}

TEST(ResultsFallback, NothingKeptEitherShowsTheLineToWriteDown)
{
    const zelvan::test::Unprivileged asUser;
    if (!asUser.permissionsApply())
        GTEST_SKIP() << "this account writes into read-only folders";
    Folders f;
    const QString lockedKept = f.tmp.filePath(QStringLiteral("ro/kept.txt"));
    QDir(f.tmp.path()).mkdir(QStringLiteral("ro"));
    QFile::setPermissions(f.tmp.filePath(QStringLiteral("ro")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const ResultsWrite w = writeResultsLine(f.tmp.filePath(QStringLiteral("gone/r.txt")),
                                            lockedKept, QStringLiteral("the line"));
    EXPECT_FALSE(w.written);
    EXPECT_FALSE(w.kept);
    EXPECT_TRUE(w.message.endsWith(QStringLiteral("Please write it down:\nthe line")));
    QFile::setPermissions(f.tmp.filePath(QStringLiteral("ro")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
#endif

TEST(Wstims, ResultRewrittenRawAppended)
{
    QTemporaryDir zqio;
    ASSERT_TRUE(writeWstimsFiles(zqio.path(), QStringLiteral("OK, 45.3, 149, 3"),
                                 QStringLiteral("14:03:22 ,SMITH,OK, 45.3, 149, 3")));
    ASSERT_TRUE(writeWstimsFiles(zqio.path(), QStringLiteral("Fall, 0, 0,4"),
                                 QStringLiteral("14:05:00 ,SMITH,Fall, 0, 0,4")));
    EXPECT_EQ(bytesOf(zqio.filePath(QStringLiteral("zqresult.dst"))),
              QByteArray("Fall, 0, 0,4\r\n"));
    EXPECT_EQ(bytesOf(zqio.filePath(QStringLiteral("zqraw.dst"))),
              QByteArray("14:03:22 ,SMITH,OK, 45.3, 149, 3\r\n14:05:00 ,SMITH,Fall, 0, 0,4\r\n"));
}

TEST(Wstims, MissingFolderIsReportedAndNothingRawIsWritten)
{
    QTemporaryDir tmp;
    const QString zqio = tmp.filePath(QStringLiteral("zqio"));
    const auto r = writeWstimsFiles(zqio, QStringLiteral("OK"), QStringLiteral("raw"));
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.error().startsWith(QLatin1String(kWstimsErrorText)));
    EXPECT_FALSE(QFile::exists(zqio + QStringLiteral("/zqraw.dst")));
}

TEST(Snapshots, OnlyBitmapsAreRemoved)
{
    QTemporaryDir zqio;
    put(zqio.filePath(QStringLiteral("snapshot.bmp")), "x");
    put(zqio.filePath(QStringLiteral("clipflag.txt")), "x");
    deleteSnapshotPictures(zqio.path());
    deleteSnapshotPictures(zqio.filePath(QStringLiteral("none"))); // missing: ignored
    EXPECT_FALSE(QFile::exists(zqio.filePath(QStringLiteral("snapshot.bmp"))));
    EXPECT_TRUE(QFile::exists(zqio.filePath(QStringLiteral("clipflag.txt"))));
}
