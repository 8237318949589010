#pragma once
// Opening an outside file for reading the way the station reports it: a missing file, a file
// that cannot be accessed ("locked"), or any other failure with the system's own words.
#include "base/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan::detail
{

// True when `file` is open; otherwise the operator has been told why.
inline bool openForReading(QFile& file, Dialogs& dialogs)
{
    const QString path = file.fileName();
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        dialogs.message(QStringLiteral("File does not exist:\r\n") + shown, Icon::Error);
        return false;
    }
    if (file.open(QIODevice::ReadOnly))
        return true;
    // Qt reports every failed open alike; no read permission, or a file another program holds
    // open exclusively, is the station's "locked" case.
    const QString why = file.errorString();
    if (!info.isReadable() || why.contains(QLatin1String("denied"), Qt::CaseInsensitive) ||
        why.contains(QLatin1String("another process"), Qt::CaseInsensitive))
        dialogs.message(QStringLiteral("File is locked - cannot access:\r\n") + shown, Icon::Error);
    else
        dialogs.message(why, Icon::Information);
    return false;
}

} // namespace zelvan::detail
