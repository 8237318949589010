#pragma once
// Reading the session log back for the video and contact-picture log viewers.
#include "base/Result.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

class QFontMetrics;

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

// The filter of the viewers' "choose another log" dialog, in the station's "Name|pattern|" form.
inline constexpr const char* kLogFileFilter = "*.txt|JumpMeasurementLog*.txt";
// The endings of the lines each viewer lists.
inline constexpr const char* kVideoLineEnding = "avi";
inline constexpr const char* kPictureLineEnding = "bmp";

// The horizontal scroll extent of a log list in pixels: the widest entry followed by one
// space, measured in twips in the window's font, divided by the twips per pixel.
int logListScrollExtent(const QStringList& entries, const QFontMetrics& metrics);

// What a log list shows after a log file was opened or chosen.
struct LogListFill {
    bool showPath = false;              // the log path box takes the path
    std::optional<QStringList> entries; // the new list; std::nullopt: the list keeps its own
    QString failure;                    // why an existing log could not be read; else empty
};
// Opening a viewer on today's session log: a missing log empties the list and leaves the
// path box as it is. `exists` is whether the file is there.
LogListFill openingFill(const QString& path, bool exists, const QString& ending);
// Choosing another log: its path is shown; a missing one leaves the list as it was.
LogListFill chosenFill(const QString& path, bool exists, const QString& ending);

// The size in twips the measurement screen takes for a contact picture from the log, as its
// pixel size converted through HIMETRIC (grid::pictureSizeTwips). A failure names the picture
// when it cannot be read.
Result<QSizeF> logPictureSizeTwips(const QString& path);

// The results file's path as the results viewer reads it and titles itself with:
// `resultsFilePath` without its leading spaces.
QString resultsViewerPath(const QString& resultsFilePath);

// The results viewer's text: the file at resultsViewerPath(resultsFilePath), read whole. A failure
// says which file could not be read and why.
Result<QString> resultsViewerText(const QString& resultsFilePath);

} // namespace zelvan::app
