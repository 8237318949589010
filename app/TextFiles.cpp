#include "app/TextFiles.h"

#include "base/Numbers.h"
#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace zelvan::app
{

namespace
{

QByteArray encodeLines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += kLineEnd;
    }
    return bytes;
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

Status appendResultsLines(const QString& resultsFilePath, const QStringList& lines)
{
    if (resultsFilePath.trimmed().isEmpty())
        return fail(QString::fromLatin1(kNoResultsFileText));
    return appendLines(resultsFilePath, lines);
}

Status appendLines(const QString& path, const QStringList& lines)
{
    if (path.isEmpty())
        return fail(QStringLiteral("No file name given"));
    // A FIFO would block the open for ever and a device would swallow the lines.
    if (Status target = checkWriteTarget(path); !target)
        return target;
    // Unbuffered: every byte goes to the system within write(), so a failure is seen there and
    // nothing is left in a buffer to be written after the file was cut back.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return fail(QStringLiteral("Cannot open %1 for appending: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    const qint64 before = file.size();
    const QByteArray bytes = encodeLines(lines);
    errno = 0;
    const bool written =
        file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    const int systemError = errno;
    if (!written) {
        // Qt's own text after a failed flush is "Unknown error"; the system's says why.
        const QString why = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError))
                                             : file.errorString();
        // Never leave half a line behind: cut the file back to what it was.
        file.resize(before);
        file.close();
        return fail(
            QStringLiteral("Cannot write to %1: %2").arg(QDir::toNativeSeparators(path), why));
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Cannot close %1: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    return {};
}

Status replaceLines(const QString& path, const QStringList& lines)
{
    if (path.isEmpty())
        return fail(QStringLiteral("No file name given"));
    return writeWholeFile(path, encodeLines(lines));
}

QString dateMmddyy(const QDateTime& t)
{
    const QDate d = t.date();
    return twoDigits(d.month()) + twoDigits(d.day()) + twoDigits(((d.year() % 100) + 100) % 100);
}

QString dateMmdd(const QDateTime& t)
{
    const QDate d = t.date();
    return twoDigits(d.month()) + twoDigits(d.day());
}

QString dateText(const QDateTime& t)
{
    const QDate d = t.date();
    return twoDigits(d.month()) + QLatin1Char('-') + twoDigits(d.day()) + QLatin1Char('-') +
           QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString timeText(const QDateTime& t)
{
    const QTime c = t.time();
    return twoDigits(c.hour()) + QLatin1Char(':') + twoDigits(c.minute()) + QLatin1Char(':') +
           twoDigits(c.second());
}

QString joinPath(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty())
        return fileName;
    const auto isSeparator = [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\');
    };
    QString dir = withoutTrailingSeparator(folder);
    if (!isSeparator(dir.back()))
        dir += QLatin1Char('/');
    return QDir::toNativeSeparators(dir + fileName);
}

} // namespace zelvan::app
