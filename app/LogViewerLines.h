#pragma once
// Reading the session log back for the video and contact-picture log viewers.
#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace zelvan::app
{

// The lines of the log text whose last three characters are exactly `ending` ("avi" for the
// video viewer, "bmp" for the picture viewer; "AVI" does not count), in file order.
QStringList logViewerLines(const QString& logText, const QString& ending);

// Reads the log file and gives its lines for the viewer. A missing or unreadable log is a
// failure saying why; the viewer then simply opens empty.
Result<QStringList> readLogViewerLines(const QString& path, const QString& ending);

// The file path of a selected line: everything after the first "File: " (six characters
// from the start of "File:"); empty when the line has no "File:".
QString logLineFilePath(const QString& line);

// The entry that sets the list's horizontal scroll extent: the longest (the first of equally
// long ones), or the first entry; empty for an empty list.
QString widestLogEntry(const QStringList& entries);

} // namespace zelvan::app
