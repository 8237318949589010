#include "base/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace zelvan
{

namespace
{

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Why the last write or flush failed. A failed flush leaves Qt's own text unhelpful ("Unknown
// error") while the system's error number still says "No space left on device".
QString writeFailure(const QSaveFile& file, int systemError)
{
    if (systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return file.errorString();
}

} // namespace

Status checkWriteTarget(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("Cannot write %1: it is not a regular file").arg(shown(path)));
    return {};
}

Status checkInputFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("%1 does not exist").arg(shown(path)));
    if (!info.isFile())
        return fail(QStringLiteral("%1 is not a regular file").arg(shown(path)));
    return {};
}

Status writeWholeFile(const QString& path, const std::function<bool(QIODevice&)>& fill)
{
    if (Status target = checkWriteTarget(path); !target)
        return target;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot create %1: %2").arg(shown(path), file.errorString()));
    errno = 0;
    const bool filled = fill(file);
    // QSaveFile::commit() does not see a write error left in Qt's buffer: it would rename a
    // truncated file over the good one. Flush first and look.
    const bool flushed = filled && file.flush() && file.error() == QFileDevice::NoError;
    const int systemError = errno;
    if (!flushed) {
        const QString why = writeFailure(file, systemError);
        file.cancelWriting();
        return fail(QStringLiteral("Cannot write %1: %2").arg(shown(path), why));
    }
    if (!file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(shown(path), file.errorString()));
    return {};
}

Status writeWholeFile(const QString& path, const QByteArray& bytes)
{
    return writeWholeFile(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

} // namespace zelvan
