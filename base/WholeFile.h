#pragma once
// Every file the station writes is written whole or not at all: the bytes go to a temporary
// file beside the target, which replaces the target only when every byte reached the disk.
// A full disk or a file-size limit leaves the previous file as it was. A target that exists
// and is not a regular file (a FIFO, a device, a folder) is never opened nor replaced.
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

namespace zelvan
{

// "Cannot write <path>: <why>" (or "Cannot create ...") when the file could not be written.
Status writeWholeFile(const QString& path, const QByteArray& bytes);

// For writers that stream into a device (an image encoder, a line writer): `fill` writes into
// the device and returns false on a failure of its own.
Status writeWholeFile(const QString& path, const std::function<bool(QIODevice&)>& fill);

// Refuses a target that exists and is not a regular file; a missing file is fine.
Status checkWriteTarget(const QString& path);

// Refuses an input that is missing or is not a regular file, so that opening it can neither
// block (a FIFO) nor read for ever (a device).
Status checkInputFile(const QString& path);

} // namespace zelvan
