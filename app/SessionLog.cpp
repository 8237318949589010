#include "app/SessionLog.h"

#include "app/PrintZones.h"
#include "app/TextFiles.h"
#include "base/Clock.h"

#include <QDir>

namespace zelvan::app
{

QString SessionLog::fileNameFor(const QDateTime& day)
{
    return QStringLiteral("JumpMeasurementLog") + dateMmddyy(day) + QStringLiteral(".txt");
}

QString SessionLog::sessionStartLine(const QDateTime& t)
{
    return zoneLine(
        {dateText(t), timeText(t), QStringLiteral("Zelvan Measurement Session started  ")});
}

QString SessionLog::contactPictureLine(const QDateTime& t, const QString& skier,
                                       const QString& jump, const QString& distance,
                                       const QString& picturePath)
{
    return zoneLine({dateText(t), timeText(t), QStringLiteral("Skier: ") + skier,
                     QStringLiteral("Jump: ") + jump, QStringLiteral("Distance: ") + distance,
                     QStringLiteral("File: ") + picturePath});
}

QString SessionLog::measuredVideoLine(const QDateTime& t, const QString& skier, const QString& jump,
                                      const QString& contactFrame, const QString& videoPath)
{
    return zoneLine({dateText(t), timeText(t), QStringLiteral("Skier: ") + skier,
                     QStringLiteral("Jump: ") + jump,
                     QStringLiteral("Contact Frame: ") + contactFrame,
                     QStringLiteral("File: ") + videoPath});
}

SessionLog::SessionLog(const Clock& clock, const QString& directory, const QString& fileName)
    : clock_(clock), directory_(directory.trimmed()), fileName_(fileName)
{
}

QString SessionLog::filePath() const
{
    return directory_.isEmpty() ? QString() : joinPath(directory_, fileName_);
}

Status SessionLog::append(const QString& line) const
{
    if (directory_.isEmpty())
        return fail(QStringLiteral("No save video directory is set, so the session log "
                                   "cannot be written"));
    if (fileName_.isEmpty())
        return fail(QStringLiteral("The session log has no file name"));
    return appendLines(filePath(), {line});
}

Status SessionLog::writeSessionStart() const
{
    return append(sessionStartLine(clock_.now()));
}

Status SessionLog::writeContactPicture(const QString& skier, const QString& jump,
                                       const QString& distance, const QString& picturePath) const
{
    return append(contactPictureLine(clock_.now(), skier, jump, distance, picturePath));
}

Status SessionLog::writeMeasuredVideo(const QString& skier, const QString& jump,
                                      const QString& contactFrame, const QString& videoPath) const
{
    return append(measuredVideoLine(clock_.now(), skier, jump, contactFrame, videoPath));
}

} // namespace zelvan::app
