#pragma once
// The debug log: a trace of what the operator did in this run, "DebugLog.txt" in the zqio
// folder. Each line is the time and a message in print zones; the file is opened and closed
// for every line so nothing is lost when the station is switched off.
#include "base/Clock.h"
#include "base/Dialogs.h"
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan::app
{

class DebugLog
{
public:
    // `folder` empty: the zqio folder of the platform.
    DebugLog(Dialogs& dialogs, const Clock& clock, const QString& folder = QString());

    // Replaces the file with its first line, "Debug Log Session Started".
    bool StartDebugLog();
    // Appends one line: the time, then the message.
    bool WriteDebugLog(const QString& message);

    // The file written to.
    QString filePath() const;
    // Every line of this run, written or not, for headless callers and tests.
    const QStringList& lines() const { return lines_; }
    // Why the last write failed; empty after a good one.
    QString lastError() const { return lastError_; }

    // The debug log line for the message at the given time.
    static QString line(const QDateTime& time, const QString& message);

private:
    enum class Mode { Replace, Append };
    // One line (time, message): the whole file on Replace, added at its end on Append.
    bool record(const QString& message, Mode mode);
    bool ensureFolder();
    void reportFailure(const QString& why);

    Dialogs& dialogs_;
    const Clock& clock_;
    QString folder_;
    QStringList lines_;
    QString lastError_;
    bool operatorTold_ = false;
};

} // namespace zelvan::app
