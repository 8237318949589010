#pragma once
// Opening an outside file for reading the way the station reports it: a missing file, a file
// that cannot be accessed ("locked"), something that is not a regular file (a FIFO, a device),
// or any other failure with the system's own words.
#include "base/OperatorMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan::detail
{

// Opens `file`; when it cannot, the message that tells the operator why (none when it is open).
inline OperatorMessages openForReading(QFile& file)
{
    const QString path = file.fileName();
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {{QStringLiteral("File does not exist:\r\n") + shown, Icon::Error, QString()}};
    // A FIFO would block the open for ever and a device would never end: only a regular file
    // is opened.
    if (!info.isFile())
        return {{QStringLiteral("File is not a regular file - cannot read:\r\n") + shown,
                 Icon::Error, QString()}};
    if (file.open(QIODevice::ReadOnly))
        return {};
    // Qt reports every failed open alike; no read permission, or a file another program holds
    // open exclusively, is the station's "locked" case.
    const QString why = file.errorString();
    if (!info.isReadable() || why.contains(QLatin1String("denied"), Qt::CaseInsensitive) ||
        why.contains(QLatin1String("another process"), Qt::CaseInsensitive))
        return {{QStringLiteral("File is locked - cannot access:\r\n") + shown, Icon::Error,
                 QString()}};
    return {{why, Icon::Information, QString()}};
}

} // namespace zelvan::detail
