#include "base/WholeFile.h"

#include "base/Platform.h"

#include <QDir>
#include <QFile>
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

// Why the last write, flush or sync failed. A failed flush leaves Qt's own text unhelpful
// ("Unknown error") while the system's error number still says "File too large".
QString writeFailure(const QSaveFile& file, int systemError)
{
    if (systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return file.errorString();
}

QString cannotWrite(const QString& path, const QString& why)
{
    return QStringLiteral("Cannot write %1: %2").arg(shown(path), why);
}

// A target as it was before a set of files replaced it, to be put back when the set fails.
struct Previous {
    bool existed = false;
    QByteArray bytes;
};

Status restore(const QString& path, const Previous& previous)
{
    if (previous.existed)
        return writeWholeFile(path, previous.bytes);
    if (!QFile::remove(path))
        return fail(QStringLiteral("Cannot remove %1").arg(shown(path)));
    return {};
}

// Puts back files[0..count) in reverse order; the text to add to the failure.
QString restoreEarlier(std::vector<StagedFile>& files, const std::vector<Previous>& previous,
                       size_t count)
{
    QString note;
    for (size_t i = count; i-- > 0;) {
        const Status back = restore(files[i].path(), previous[i]);
        note += back ? QStringLiteral("; %1 was left as it was").arg(shown(files[i].path()))
                     : QStringLiteral("; %1 could not be restored either (%2)")
                           .arg(shown(files[i].path()), back.error());
    }
    return note;
}

} // namespace

Status checkWriteTarget(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(cannotWrite(path, QStringLiteral("it is not a regular file")));
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

Status openInputFile(QFile& file)
{
    const QString path = file.fileName();
    if (Status input = checkInputFile(path); !input)
        return input;
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot read %1: %2").arg(shown(path), file.errorString()));
    return {};
}

Result<QByteArray> readInputFile(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (Status opened = openInputFile(file); !opened)
        return fail(opened.error());
    // The size is asked of the open file: the name could have been replaced since the check.
    if (file.size() > maxBytes)
        return fail(
            QStringLiteral("%1 is too large: more than %2 bytes").arg(shown(path)).arg(maxBytes));
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Cannot read %1: %2").arg(shown(path), file.errorString()));
    if (bytes.size() > maxBytes)
        return fail(
            QStringLiteral("%1 is too large: more than %2 bytes").arg(shown(path)).arg(maxBytes));
    return bytes;
}

StagedFile::StagedFile(const QString& path) : path_(path) {}
StagedFile::~StagedFile() = default;
StagedFile::StagedFile(StagedFile&&) noexcept = default;
StagedFile& StagedFile::operator=(StagedFile&&) noexcept = default;

Status StagedFile::write(const std::function<bool(QIODevice&)>& fill)
{
    file_.reset();
    if (Status target = checkWriteTarget(path_); !target)
        return target;
    auto file = std::make_unique<QSaveFile>(path_);
    if (!file->open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot create %1: %2").arg(shown(path_), file->errorString()));
    errno = 0;
    const bool filled = fill(*file);
    // QSaveFile::commit() does not see a write error left in Qt's buffer: it would rename a
    // truncated file over the good one. Flush first and look; then have the bytes put on the
    // disk, which is where a disk that fills late says so.
    bool written = filled && file->flush() && file->error() == QFileDevice::NoError;
    int systemError = errno;
    if (written) {
        systemError = platform::syncToDisk(*file);
        written = systemError == 0;
    }
    if (!written) {
        const QString why = writeFailure(*file, systemError);
        file->cancelWriting();
        return fail(cannotWrite(path_, why));
    }
    file_ = std::move(file);
    return {};
}

Status StagedFile::write(const QByteArray& bytes)
{
    return write([&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

Status StagedFile::commit()
{
    if (!file_)
        return fail(cannotWrite(path_, QStringLiteral("nothing was written")));
    std::unique_ptr<QSaveFile> file = std::move(file_);
    // The target may have changed since the temporary was written.
    if (Status target = checkWriteTarget(path_); !target)
        return target;
    if (!file->commit())
        return fail(cannotWrite(path_, file->errorString()));
    return {};
}

Status commitTogether(std::vector<StagedFile>& files, qint64 maxPreviousBytes)
{
    std::vector<Previous> previous(files.size());
    // The last file is never restored: when it fails, it was not replaced.
    for (size_t i = 0; i + 1 < files.size(); ++i) {
        const QString& path = files[i].path();
        previous[i].existed = QFileInfo::exists(path);
        if (!previous[i].existed)
            continue;
        const Result<QByteArray> bytes = readInputFile(path, maxPreviousBytes);
        if (!bytes)
            return fail(cannotWrite(path, QStringLiteral("the file there now cannot be kept "
                                                         "for putting back (%1)")
                                              .arg(bytes.error())));
        previous[i].bytes = *bytes;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (Status put = files[i].commit(); !put)
            return fail(put.error() + restoreEarlier(files, previous, i));
    }
    return {};
}

Status writeWholeFile(const QString& path, const std::function<bool(QIODevice&)>& fill)
{
    StagedFile file(path);
    if (Status written = file.write(fill); !written)
        return written;
    return file.commit();
}

Status writeWholeFile(const QString& path, const QByteArray& bytes)
{
    StagedFile file(path);
    if (Status written = file.write(bytes); !written)
        return written;
    return file.commit();
}

} // namespace zelvan
