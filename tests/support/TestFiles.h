#pragma once
// Reading and writing the files a test looks at or prepares.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace zelvan::test
{

// The whole file; "<missing>" when it cannot be read, so that a missing file and an empty one
// never compare equal.
inline QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the file whole, failing the test when it cannot.
inline void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

} // namespace zelvan::test
