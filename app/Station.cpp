#include "app/Station.h"

#include "base/Clock.h"
#include "base/Numbers.h"
#include "base/Platform.h"

#include <QSettings>

namespace zelvan::app
{

Station::Station(Dialogs& dialogs, const Clock& clock)
    : Station(dialogs, clock, platform::openSettingsStore(), platform::stationFolder(),
              platform::zqioFolder())
{
}

Station::Station(Dialogs& dialogs_, const Clock& clock_, std::unique_ptr<QSettings> settingsStore,
                 const QString& stationFolder_, const QString& zqioFolder_)
    : dialogs(dialogs_), clock(clock_), stationFolder(stationFolder_), zqioFolder(zqioFolder_),
      settings(std::move(settingsStore)), debugLog(dialogs_, clock_, zqioFolder_)
{
}

void Station::fixSessionLogFileName()
{
    sessionLogFileName = SessionLog::fileNameFor(clock.now());
}

bool Station::startSessionLog(QString* error)
{
    fixSessionLogFileName();
    bool ok = true;
    QString why;
    if (!videoDirectory.isEmpty() && !sessionLog().writeSessionStart(&why)) {
        ok = false;
        if (error)
            *error = why;
    }
    if (!settings.write(QLatin1String(key::logfile), sessionLogFileName, &why) && ok) {
        ok = false;
        if (error)
            *error = why;
    }
    return ok;
}

bool Station::setVideoDirectory(const QString& text, QString* error)
{
    videoDirectory = withoutTrailingSeparator(text.trimmed());
    return settings.write(QLatin1String(key::logpath), videoDirectory, error);
}

SessionLog Station::sessionLog() const
{
    return SessionLog(clock, videoDirectory, sessionLogFileName);
}

} // namespace zelvan::app
