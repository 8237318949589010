// Files are written whole or not at all, and special files are never opened or replaced.
#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace zelvan;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

#ifdef Q_OS_UNIX
// A process file-size limit behaves like a disk that fills during the write: write() fails
// with EFBIG past the limit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
};
#endif

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
