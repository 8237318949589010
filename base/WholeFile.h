#pragma once
// Every file the station writes is written whole or not at all: the bytes go to a temporary
// file beside the target, which replaces the target only when every byte was written, flushed
// and synced to the disk. A full disk or a file-size limit leaves the previous file as it was.
// A target that exists and is not a regular file (a FIFO, a device, a folder) is never opened
// nor replaced.
//
// Every file the station reads from outside is opened the same careful way: only a regular
// file is opened (a FIFO would block for ever, a device would never end), and no more is read
// than the format can hold.
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QFile;
class QIODevice;
class QSaveFile;

namespace zelvan
{

// "Cannot write <path>: <why>" (or "Cannot create ...") when the file could not be written.
Status writeWholeFile(const QString& path, const QByteArray& bytes);

// For writers that stream into a device (an image encoder, a line writer): `fill` writes into
// the device and returns false on a failure of its own.
Status writeWholeFile(const QString& path, const std::function<bool(QIODevice&)>& fill);

// A file written completely beside its target and not yet put in place, for writers that must
// replace several files together. Destroying it without commit() leaves the target as it was
// and removes the temporary.
class StagedFile
{
public:
    explicit StagedFile(const QString& path);
    ~StagedFile();
    StagedFile(StagedFile&&) noexcept;
    StagedFile& operator=(StagedFile&&) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Writes, flushes and syncs the temporary; the target is not touched.
    Status write(const std::function<bool(QIODevice&)>& fill);
    Status write(const QByteArray& bytes);
    // Puts the temporary in place of the target (once written).
    Status commit();

    const QString& path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QSaveFile> file_;
};

// Puts every staged file in place, in order. When one cannot be put in place, the ones already
// put in place get their previous contents back (or are removed when there was none), so the
// set on disk is the old one or the new one, never a mixture. The previous contents are read
// before anything is replaced; a previous file larger than maxPreviousBytes, or one that
// cannot be read, stops the save before anything is replaced.
Status commitTogether(std::vector<StagedFile>& files, qint64 maxPreviousBytes);

// Refuses a target that exists and is not a regular file; a missing file is fine.
Status checkWriteTarget(const QString& path);

// Refuses an input that is missing or is not a regular file, so that opening it can neither
// block (a FIFO) nor read for ever (a device): "<path> does not exist", "<path> is not a
// regular file".
Status checkInputFile(const QString& path);

// Opens an outside file for reading after checkInputFile; "Cannot read <path>: <why>" when it
// cannot be opened.
Status openInputFile(QFile& file);

// The whole of an outside file of at most maxBytes bytes; a bigger one is refused unread
// ("<path> is too large: more than <n> bytes").
Result<QByteArray> readInputFile(const QString& path, qint64 maxBytes);

} // namespace zelvan
