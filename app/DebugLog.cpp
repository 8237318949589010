#include "app/DebugLog.h"

#include "app/PrintZones.h"
#include "app/TextFiles.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace zelvan::app
{

namespace
{
const QString kFileName = QStringLiteral("DebugLog.txt");
}

DebugLog::DebugLog(Dialogs& dialogs, const Clock& clock, const QString& folder)
    : dialogs_(dialogs), clock_(clock), folder_(folder.isEmpty() ? platform::zqioFolder() : folder)
{
}

QString DebugLog::filePath() const
{
    return joinPath(folder_, kFileName);
}

QString DebugLog::line(const QDateTime& time, const QString& message)
{
    return zoneLine({timeText(time), message});
}

bool DebugLog::ensureFolder()
{
    if (QFileInfo(folder_).isDir() || QDir().mkpath(folder_))
        return true;
    reportFailure(
        QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder_)));
    return false;
}

void DebugLog::reportFailure(const QString& why)
{
    lastError_ = why;
    // One message per run: a log that cannot be written would otherwise stop the operator
    // at every click.
    if (operatorTold_)
        return;
    operatorTold_ = true;
    dialogs_.message(QStringLiteral("Error occurred while trying to close file, please retry."),
                     Icon::Warning);
}

bool DebugLog::StartDebugLog()
{
    return record(QStringLiteral("Debug Log Session Started"), Mode::Replace);
}

bool DebugLog::WriteDebugLog(const QString& message)
{
    return record(message, Mode::Append);
}

bool DebugLog::record(const QString& message, Mode mode)
{
    const QString text = line(clock_.now(), message);
    lines_ << text;
    if (!ensureFolder())
        return false;
    QString why;
    const bool written = mode == Mode::Replace ? replaceLines(filePath(), {text}, &why)
                                               : appendLines(filePath(), {text}, &why);
    if (!written) {
        reportFailure(why);
        return false;
    }
    lastError_.clear();
    return true;
}

} // namespace zelvan::app
