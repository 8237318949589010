#pragma once
// A Station over a fresh temporary folder, as the screen tests build it: its settings in
// "DI05.ini" there, the station folder (the folder itself, or a subfolder of it) and "zqio"
// beside them, and a clock that stands still on 4 July 2026 at the given time.
#include "app/Station.h"
#include "base/Clock.h"

#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace zelvan::test
{

class StationFolder
{
protected:
    explicit StationFolder(QTime at = QTime(9, 30, 0), const QString& stationSubfolder = {})
        : clock{QDateTime(QDate(2026, 7, 4), at)},
          station{clock,
                  std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
                  stationSubfolder.isEmpty() ? dir.path() : dir.filePath(stationSubfolder),
                  dir.filePath("zqio")}
    {
    }

    QTemporaryDir dir;
    FixedClock clock;
    app::Station station;
};

} // namespace zelvan::test
