#pragma once
// Small helpers for the station's text files: CR LF lines appended in one operation, and the
// date and time texts used in file names and file lines.
#include "base/Result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan::app
{

// The line end of every text file the station writes.
inline constexpr const char* kLineEnd = "\r\n";

// Appends the lines (each followed by CR LF) to the file, creating it when absent. The file
// is opened, written and closed within the call. Either every line is appended or, on
// failure, the file is put back to its former length and the failure says why.
Status appendLines(const QString& path, const QStringList& lines);

// The results file's lines: as appendLines, and a results file that is not named yet is told
// as the configuration screen tells it.
inline constexpr const char* kNoResultsFileText = "Enter valid path and filename for results file";
Status appendResultsLines(const QString& resultsFilePath, const QStringList& lines);

// Replaces the file with the lines (each followed by CR LF). Written to a temporary and
// renamed, so a failure leaves the old file intact.
Status replaceLines(const QString& path, const QStringList& lines);

// "mmddyy" (month, day, last two digits of the year), as in date-named file names.
QString dateMmddyy(const QDateTime& t);
// "mmdd", as in the accuracy file name.
QString dateMmdd(const QDateTime& t);
// "mm-dd-yyyy", the date written inside files.
QString dateText(const QDateTime& t);
// "hh:mm:ss" on the 24-hour clock, the time written inside files.
QString timeText(const QDateTime& t);

// The folder and file name joined with the platform's separator; one trailing separator of
// the folder is dropped first. An empty folder gives the bare file name.
QString joinPath(const QString& folder, const QString& fileName);

} // namespace zelvan::app
