// Files are written whole or not at all, and special files are never opened or replaced.
#include "base/WholeFile.h"

#include "FileFailures.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace zelvan;
#ifdef Q_OS_UNIX
using zelvan::test::FileSizeLimit;
#endif

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(WholeFile, WritesAndReplaces)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lake.ipt"));
    ASSERT_TRUE(writeWholeFile(path, QByteArray("first version, longer")));
    ASSERT_TRUE(writeWholeFile(path, QByteArray("second")));
    EXPECT_EQ(readAll(path), QByteArray("second"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("lake.ipt")});
}

TEST(WholeFile, AFailingWriterLeavesThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    ASSERT_TRUE(writeWholeFile(path, QByteArray("good")));
    const Status s = writeWholeFile(path, [](QIODevice& d) {
        d.write("half");
        return false;
    });
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().startsWith(QStringLiteral("Cannot write "))) << s.error().toStdString();
    EXPECT_EQ(readAll(path), QByteArray("good"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(WholeFile, AMissingFolderIsReported)
{
    QTemporaryDir dir;
    const Status s = writeWholeFile(dir.filePath(QStringLiteral("gone/x.txt")), QByteArray("x"));
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().startsWith(QStringLiteral("Cannot create "))) << s.error().toStdString();
}

TEST(WholeFile, InputsMustBeRegularFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("in.json"));
    ASSERT_TRUE(writeWholeFile(file, QByteArray("{}")));
    EXPECT_TRUE(checkInputFile(file));
    EXPECT_FALSE(checkInputFile(dir.filePath(QStringLiteral("missing.json"))));
    EXPECT_FALSE(checkInputFile(dir.path()));
    EXPECT_FALSE(checkWriteTarget(dir.path()));
    EXPECT_TRUE(checkWriteTarget(dir.filePath(QStringLiteral("new.txt"))));
}

#ifdef Q_OS_UNIX
TEST(WholeFile, AFullDiskIsAFailureAndKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lake.ipt"));
    const QByteArray good(300, 'g');
    ASSERT_TRUE(writeWholeFile(path, good));
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(100)}) {
        for (int size : {16, 1000, 100000}) {
            if (rlim_t(size) <= limit)
                continue;
            Status s;
            {
                const FileSizeLimit full(limit);
                s = writeWholeFile(path, QByteArray(size, 'n'));
            }
            EXPECT_FALSE(s) << "limit " << limit << " size " << size;
            EXPECT_TRUE(s.error().contains(QStringLiteral("File too large")))
                << s.error().toStdString();
            EXPECT_EQ(readAll(path), good) << "limit " << limit << " size " << size;
        }
    }
    {
        const FileSizeLimit roomy(1000);
        EXPECT_TRUE(writeWholeFile(path, QByteArray(16, 'n'))) << "within the limit it is written";
    }
    EXPECT_EQ(readAll(path), QByteArray(16, 'n'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("lake.ipt")});
}

TEST(WholeFile, SpecialFilesAreNeitherOpenedNorReplaced)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Opening a FIFO with no reader would block for ever: the checks must not open it.
    EXPECT_FALSE(checkInputFile(fifo));
    const Status s = writeWholeFile(fifo, QByteArray("x"));
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().contains(QStringLiteral("not a regular file")));
    struct stat st {
    };
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    EXPECT_FALSE(writeWholeFile(QStringLiteral("/dev/full"), QByteArray("x")));
    EXPECT_FALSE(checkInputFile(QStringLiteral("/dev/zero")));
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}
#endif

TEST(WholeFile, ADirectoryInTheWayIsRefusedAndKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lake.ipt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("lake.ipt")));
    ASSERT_TRUE(writeWholeFile(dir.filePath(QStringLiteral("lake.ipt/inside")), QByteArray("k")));
    const Status s = writeWholeFile(path, QByteArray("x"));
    EXPECT_FALSE(s);
    EXPECT_EQ(s.error(), QStringLiteral("Cannot write %1: it is not a regular file")
                             .arg(QDir::toNativeSeparators(path)));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("lake.ipt/inside"))), QByteArray("k"));
}

TEST(WholeFile, StagedFilesLeaveTheTargetUntilCommitted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeWholeFile(path, QByteArray("old")));
    {
        StagedFile staged(path);
        ASSERT_TRUE(staged.write(QByteArray("new")));
        EXPECT_EQ(readAll(path), QByteArray("old"));
    }
    EXPECT_EQ(readAll(path), QByteArray("old")) << "a staged file never committed changes nothing";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a.txt")});
    StagedFile staged(path);
    EXPECT_FALSE(staged.commit()) << "nothing written, nothing to put in place";
    ASSERT_TRUE(staged.write(QByteArray("new")));
    ASSERT_TRUE(staged.commit());
    EXPECT_EQ(readAll(path), QByteArray("new"));
}

TEST(WholeFile, ASetIsReplacedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("lake.ipt"));
    const QString second = dir.filePath(QStringLiteral("lake.ipt.cb"));
    ASSERT_TRUE(writeWholeFile(first, QByteArray("old grid")));
    ASSERT_TRUE(writeWholeFile(second, QByteArray("old cb")));

    std::vector<StagedFile> files;
    files.emplace_back(first);
    files.emplace_back(second);
    ASSERT_TRUE(files[0].write(QByteArray("new grid")));
    ASSERT_TRUE(files[1].write(QByteArray("new cb")));
    // The second target turns into a folder after both were written: the first is put back.
    ASSERT_TRUE(QFile::remove(second));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("lake.ipt.cb")));
    const Status s = commitTogether(files, 1000);
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().contains(QStringLiteral("it is not a regular file")))
        << s.error().toStdString();
    EXPECT_TRUE(s.error().endsWith(
        QStringLiteral("; %1 was left as it was").arg(QDir::toNativeSeparators(first))))
        << s.error().toStdString();
    EXPECT_EQ(readAll(first), QByteArray("old grid"));

    // A first file that did not exist before is removed again.
    const QString fresh = dir.filePath(QStringLiteral("fresh.ipt"));
    files.clear();
    files.emplace_back(fresh);
    files.emplace_back(second);
    ASSERT_TRUE(files[0].write(QByteArray("new grid")));
    EXPECT_FALSE(files[1].write(QByteArray("new cb")));
    EXPECT_FALSE(commitTogether(files, 1000));
    EXPECT_FALSE(QFileInfo::exists(fresh));

    // Both in place when nothing fails.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("lake.ipt.cb")));
    files.clear();
    files.emplace_back(first);
    files.emplace_back(second);
    ASSERT_TRUE(files[0].write(QByteArray("new grid")));
    ASSERT_TRUE(files[1].write(QByteArray("new cb")));
    ASSERT_TRUE(commitTogether(files, 1000));
    EXPECT_EQ(readAll(first), QByteArray("new grid"));
    EXPECT_EQ(readAll(second), QByteArray("new cb"));
}

TEST(WholeFile, APreviousFileThatCannotBeKeptStopsTheSetBeforeAnythingChanges)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("big.ipt"));
    const QString second = dir.filePath(QStringLiteral("big.ipt.cb"));
    const QByteArray big(5000, 'b');
    ASSERT_TRUE(writeWholeFile(first, big));
    std::vector<StagedFile> files;
    files.emplace_back(first);
    files.emplace_back(second);
    ASSERT_TRUE(files[0].write(QByteArray("new grid")));
    ASSERT_TRUE(files[1].write(QByteArray("new cb")));
    const Status s = commitTogether(files, 1000);
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().contains(QStringLiteral("too large"))) << s.error().toStdString();
    EXPECT_EQ(readAll(first), big);
    EXPECT_FALSE(QFileInfo::exists(second));
}

TEST(WholeFile, InputsAreReadWithinTheirBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.txt"));
    ASSERT_TRUE(writeWholeFile(path, QByteArray(100, 'n')));
    const Result<QByteArray> whole = readInputFile(path, 100);
    ASSERT_TRUE(whole) << whole.error().toStdString();
    EXPECT_EQ(*whole, QByteArray(100, 'n'));
    const Result<QByteArray> over = readInputFile(path, 99);
    ASSERT_FALSE(over);
    EXPECT_EQ(
        over.error(),
        QStringLiteral("%1 is too large: more than 99 bytes").arg(QDir::toNativeSeparators(path)));
    const Result<QByteArray> missing = readInputFile(dir.filePath(QStringLiteral("gone")), 99);
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().endsWith(QStringLiteral(" does not exist")));
    const Result<QByteArray> folder = readInputFile(dir.path(), 99);
    ASSERT_FALSE(folder);
    EXPECT_TRUE(folder.error().endsWith(QStringLiteral(" is not a regular file")));
}

#ifdef Q_OS_UNIX
TEST(WholeFile, SpecialInputsAreRefusedWithoutBlocking)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // No writer ever opens the FIFO: reading it would block for ever.
    const Result<QByteArray> fromFifo = readInputFile(fifo, 1000);
    ASSERT_FALSE(fromFifo);
    EXPECT_EQ(fromFifo.error(),
              QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(fifo)));
    QFile device(QStringLiteral("/dev/zero"));
    const Status zero = openInputFile(device);
    EXPECT_FALSE(zero);
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(zero.error(), QStringLiteral("/dev/zero is not a regular file"));
}

TEST(WholeFile, AReadOnlyFolderKeepsThePreviousFile)
{
    const zelvan::test::Unprivileged asUser;
    if (!asUser.permissionsApply())
        GTEST_SKIP() << "this account writes into read-only folders";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lake.ipt"));
    ASSERT_TRUE(writeWholeFile(path, QByteArray("good")));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const Status s = writeWholeFile(path, QByteArray("new"));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(s);
    EXPECT_TRUE(s.error().startsWith(QStringLiteral("Cannot create "))) << s.error().toStdString();
    EXPECT_EQ(readAll(path), QByteArray("good"));
}
#endif
