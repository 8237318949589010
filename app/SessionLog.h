#pragma once
// The session log: one file per calendar day in the save-video folder listing every saved
// contact picture and every kept measured video, in print-zone lines.
#include "base/Clock.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>

namespace zelvan::app
{

class SessionLog
{
public:
    // "JumpMeasurementLog" + mmddyy + ".txt" for the day.
    static QString fileNameFor(const QDateTime& day);

    // The lines, exactly as written (without the CR LF).
    static QString sessionStartLine(const QDateTime& t);
    static QString contactPictureLine(const QDateTime& t, const QString& skier, const QString& jump,
                                      const QString& distance, const QString& picturePath);
    static QString measuredVideoLine(const QDateTime& t, const QString& skier, const QString& jump,
                                     const QString& contactFrame, const QString& videoPath);

    // A log in `directory` (the save-video folder, which may change during a run) with the
    // file name fixed at start-up (`sessionLogFileName`), so a run that passes midnight keeps
    // writing to its start day's file.
    SessionLog(const Clock& clock, const QString& directory, const QString& fileName);

    QString filePath() const;

    // Each appends one line; a failure when the line could not be written (no save-video
    // folder, folder missing, disk full ...). Nothing is ever half written.
    Status writeSessionStart() const;
    Status writeContactPicture(const QString& skier, const QString& jump, const QString& distance,
                               const QString& picturePath) const;
    Status writeMeasuredVideo(const QString& skier, const QString& jump,
                              const QString& contactFrame, const QString& videoPath) const;

private:
    Status append(const QString& line) const;

    const Clock& clock_;
    QString directory_;
    QString fileName_;
};

} // namespace zelvan::app
