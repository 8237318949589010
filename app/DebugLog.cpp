#include "app/DebugLog.h"

#include "app/PrintZones.h"
#include "app/TextFiles.h"
#include "base/Clock.h"
#include "base/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace zelvan::app
{

namespace
{
const QString kFileName = QStringLiteral("DebugLog.txt");
}

DebugLog::DebugLog(const Clock& clock, const QString& folder)
    : clock_(clock), folder_(folder.isEmpty() ? platform::zqioFolder() : folder)
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

Status DebugLog::ensureFolder() const
{
    if (QFileInfo(folder_).isDir() || QDir().mkpath(folder_))
        return {};
    return fail(
        QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder_)));
}

DebugLogWrite DebugLog::failed(const QString& why)
{
    DebugLogWrite out{fail(why), {}};
    if (!operatorTold_) {
        operatorTold_ = true;
        out.messages << OperatorMessage{QString::fromLatin1(kDebugLogWarning), Icon::Warning,
                                        QString()};
    }
    return out;
}

DebugLogWrite DebugLog::StartDebugLog()
{
    return record(QStringLiteral("Debug Log Session Started"), Mode::Replace);
}

DebugLogWrite DebugLog::WriteDebugLog(const QString& message)
{
    return record(message, Mode::Append);
}

DebugLogWrite DebugLog::record(const QString& message, Mode mode)
{
    const QString text = line(clock_.now(), message);
    lines_ << text;
    if (const Status folder = ensureFolder(); !folder)
        return failed(folder.error());
    const Status written =
        mode == Mode::Replace ? replaceLines(filePath(), {text}) : appendLines(filePath(), {text});
    if (!written)
        return failed(written.error());
    return {};
}

} // namespace zelvan::app
