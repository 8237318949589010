#include "app/Station.h"

#include "app/Clock.h"
#include "app/Platform.h"

#include <QSettings>

namespace zelvan
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

SessionLog Station::sessionLog() const
{
    return SessionLog(clock, videoDirectory, sessionLogFileName);
}

} // namespace zelvan
