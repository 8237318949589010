#pragma once
// The one object holding the station's program-wide state. main() creates it and passes it by
// reference to every screen; a test builds a fresh one over temporary folders.
#include "app/DebugLog.h"
#include "app/SessionLog.h"
#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "grid/GridModel.h"

#include <QString>
#include <memory>

class QSettings;

namespace zelvan::app
{

class Station
{
public:
    // Folders and store of the platform (station folder, zqio, settings store).
    Station(Dialogs& dialogs, const Clock& clock);
    // Explicit folders and store, for tests and portable use.
    Station(Dialogs& dialogs, const Clock& clock, std::unique_ptr<QSettings> settingsStore,
            const QString& stationFolder, const QString& zqioFolder);
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    Dialogs& dialogs;   // every operator-facing text goes through it
    const Clock& clock; // today's date and time

    const QString stationFolder; // the program's folder: pictures, names file, manual
    const QString zqioFolder;    // interface folder shared with WSTIMS, home of the debug log

    SettingsStore settings; // the persistent parameters
    SettingsMirror mirror;  // their program-wide copies while the station runs
    DebugLog debugLog;      // StartDebugLog / WriteDebugLog for every screen

    grid::GridStore grids;     // grids 1..3: set-ups, descriptions, ready flags
    grid::WorkingSet work;     // the active working set (currentGrid, registers, matrix)
    grid::GridFlags gridFlags; // allGridsReady, surveyDirection, gridLoadingFlag
    // The same three flags under their own names, for code that does not deal in GridFlags.
    double& allGridsReady = gridFlags.allGridsReady;     // 1 when grids 1..numGrids are ready
    double& surveyDirection = gridFlags.surveyDirection; // +1 or -1
    bool& gridLoadingFlag = gridFlags.gridLoadingFlag;   // set while start-up loads grid files

    QString videoDirectory; // save-video folder without a trailing separator; session log folder
    QString sessionLogFileName; // today's session log name, fixed when the session starts
    QString navigationMode;     // how the capture / frame / set-up / measure screens were entered
    bool previewOn = false;     // capture preview running

    QString selectedVideoFile;   // video taken for measuring
    double selectedFrame = 0;    // its frame taken for measuring
    double contactFrameHint = 0; // frame the frame-selection screen opens near

    // Fixes `sessionLogFileName` from today's date; called once at start-up.
    void fixSessionLogFileName();
    // Start-up's session log step: fixes the name, appends the session start line in the
    // save-video folder (when one is set) and stores the name as `logfile`. False and `error`
    // when the line or the setting could not be written.
    bool startSessionLog(QString* error = nullptr);
    // A new save-video folder as typed or chosen: `videoDirectory` takes it trimmed, without
    // one trailing separator, and it is stored as `logpath` at once.
    bool setVideoDirectory(const QString& text, QString* error = nullptr);
    // The session log in the current save-video folder under the fixed name.
    SessionLog sessionLog() const;
};

} // namespace zelvan::app
