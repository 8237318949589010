// Existence of files, folders and drives.
#include "review/FileChecks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::review;

TEST(FileChecks, TellFilesFoldersAndDrivesApart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("jump.avi"));
    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("data");
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    }
    const QString missing = dir.filePath(QStringLiteral("missing.avi"));

    EXPECT_TRUE(fileExists(file));
    EXPECT_TRUE(fileExists(empty)) << "a file of length 0 exists";
    EXPECT_FALSE(fileExists(missing));
    EXPECT_FALSE(fileExists(dir.path()));
    EXPECT_FALSE(fileExists(QString()));

    EXPECT_TRUE(pathExists(file, 0));
    EXPECT_FALSE(pathExists(dir.path(), 0));
    EXPECT_TRUE(pathExists(dir.path(), 1));
    EXPECT_FALSE(pathExists(file, 1));
    EXPECT_FALSE(pathExists(missing, 1));
    EXPECT_FALSE(pathExists(QString(), 1));

    // A drive is the root of a volume; an ordinary folder is not one.
    EXPECT_TRUE(pathExists(QDir::rootPath(), 2));
    EXPECT_FALSE(pathExists(dir.path(), 2));
    EXPECT_FALSE(pathExists(file, 2));
    EXPECT_FALSE(pathExists(missing, 2));

    for (int kind : {-1, 3, 7}) {
        EXPECT_FALSE(pathExists(file, kind));
        EXPECT_FALSE(pathExists(dir.path(), kind));
    }
}
