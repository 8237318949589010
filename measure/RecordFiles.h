#pragma once
// Writing a record to disk. Every line and interface file is written whole and synced to the
// disk before the record counts as done.
//
// A results line that cannot reach the results file (missing folder, read-only, locked, disk
// full) is kept in a fallback file in the station folder; the kept lines go to the results
// file, in order and before the new line, at the next write that succeeds, and only once.
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelvan::measure
{

// The fallback file of the results lines, in the station folder.
inline const char* const kKeptResultsFileName = "UnwrittenResults.txt";
inline const char* const kWstimsErrorText = "Error while writing WSTIMS result: ";

// Appends the bytes to the file (created when absent), flushed and synced; on a failure the
// file is cut back to its former length and the reason names the file.
Status appendSynced(const QString& path, const QByteArray& bytes);

struct ResultsWrite {
    bool written = false;   // the line (and every kept one) is in the results file
    bool kept = false;      // the line is in the fallback file
    int keptLinesAdded = 0; // earlier kept lines that reached the results file now
    QString message;        // for the operator; empty when all went well
};

// Writes `line` (no line end) to the results file, kept lines first.
ResultsWrite writeResultsLine(const QString& resultsPath, const QString& keptPath,
                              const QString& line);

// The lines waiting in the fallback file (none when it is absent).
Result<QStringList> keptResultsLines(const QString& keptPath);

// zqresult.dst rewritten with the result line, then the raw line appended to zqraw.dst. The
// failure reads "Error while writing WSTIMS result: <why>"; zqraw.dst is then not touched.
Status writeWstimsFiles(const QString& zqioFolder, const QString& resultLine,
                        const QString& rawLine);

// Removes the snapshot pictures (*.bmp) of the interface folder; failures are of no concern.
void deleteSnapshotPictures(const QString& zqioFolder);

} // namespace zelvan::measure
