#pragma once
// The debug log: a trace of what the operator did in this run, "DebugLog.txt" in the zqio
// folder. Each line is the time and a message in print zones; the file is opened and closed
// for every line so nothing is lost when the station is switched off.
//
// The log only informs, so it holds no Dialogs: a write that fails says why, and the first
// failure of a run also carries the one warning the operator is to see. Every later failure
// stays quiet, since a log that cannot be written would otherwise stop the operator at every
// click.
#include "base/Clock.h"
#include "base/OperatorMessage.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan::app
{

inline constexpr const char* kDebugLogWarning =
    "Error occurred while trying to close file, please retry.";

// What one line of the debug log came to.
struct DebugLogWrite {
    Status written;            // the reason when the line did not reach the file
    OperatorMessages messages; // the run's one warning, on its first failure only
    explicit operator bool() const { return written.ok(); }
};

class DebugLog
{
public:
    // `folder` empty: the zqio folder of the platform.
    explicit DebugLog(const Clock& clock, const QString& folder = QString());

    // Replaces the file with its first line, "Debug Log Session Started".
    DebugLogWrite StartDebugLog();
    // Appends one line: the time, then the message.
    DebugLogWrite WriteDebugLog(const QString& message);

    // The file written to.
    QString filePath() const;
    // Every line of this run, written or not, for headless callers and tests.
    const QStringList& lines() const { return lines_; }

    // The debug log line for the message at the given time.
    static QString line(const QDateTime& time, const QString& message);

private:
    enum class Mode { Replace, Append };
    // One line (time, message): the whole file on Replace, added at its end on Append.
    DebugLogWrite record(const QString& message, Mode mode);
    Status ensureFolder() const;
    DebugLogWrite failed(const QString& why);

    const Clock& clock_;
    QString folder_;
    QStringList lines_;
    bool operatorTold_ = false;
};

} // namespace zelvan::app
