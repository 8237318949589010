#include "app/ConfigLoad.h"

#include "app/ConfigActions.h"
#include "app/SkierNames.h"
#include "app/StartUp.h"
#include "app/Station.h"
#include "app/TextFiles.h"
#include "grid/GridFile.h"

#include <QDir>
#include <QFileInfo>

namespace zelvan::app::config
{

namespace
{

void tell(OperatorMessages& messages, const Status& status, Icon icon = Icon::Warning)
{
    if (!status)
        messages << OperatorMessage{status.error(), icon, QString()};
}

void logDebug(Station& station, OperatorMessages& messages, const QString& line)
{
    messages << station.debugLog().WriteDebugLog(line).messages;
}

// Relative names in the store (grid files) are taken from the program's folder, as the
// station always has. A folder that cannot be entered leaves the current one.
void enterStationFolder(const Station& station)
{
    if (!station.stationFolder().isEmpty())
        QDir::setCurrent(station.stationFolder());
}

// A configuration line for the results file; with no results file named the operator is asked
// for one instead of being told that a file without a name cannot be opened.
void appendLine(Station& station, OperatorMessages& messages, ConfigLine kind)
{
    if (station.resultsFilePath().trimmed().isEmpty()) {
        messages << OperatorMessage{QString::fromLatin1(kEmptyResultsPath), Icon::None, QString()};
        return;
    }
    tell(messages, appendConfigurationLine(station.resultsFilePath(), kind, station.clock().now(),
                                           station.tournamentName()));
}

} // namespace

void refreshGridIndicators(Station& station)
{
    // Which indicators show follows the number of grids; here the pictures follow the files.
    const SettingsStore& store = station.settings();
    const GridIndicators shown = gridIndicators(
        station.numGrids(), {store.gridFile(1), store.gridFile(2), store.gridFile(3)});
    for (int n = 1; n <= 3; ++n)
        station.setGridIndicator(n, {shown.fileFound[n - 1], station.gridIndicator(n).description});
}

OperatorMessages loadConfiguredGrid(Station& station, int n, const QString& path)
{
    OperatorMessages messages;
    grid::GridLoadRequest request;
    request.path = path;
    request.grid = n;
    request.numGrids = int(station.numGrids());
    request.pictureWidthTwips = station.pictureWidthTwips();
    request.form = grid::SetupBlockForm::StartupLoad;
    station.setCurrentGrid(n);
    const grid::GridLoadResult result = station.changeGrids(
        [&](grid::GridStore& store, grid::WorkingSet& work, grid::GridFlags& flags) {
            return grid::loadGridIntoStation(request, store, work, flags, station.clock());
        });
    if (!result.loaded()) {
        // A set-up file that exists but cannot be read leaves the grid as it was.
        tell(messages, result.status, Icon::Error);
        return messages;
    }
    messages << result.messages;
    if (!result.setupBlock.isEmpty())
        tell(messages, appendResultsLines(station.resultsFilePath(), result.setupBlock));
    if (!result.settingsKey.isEmpty()) {
        tell(messages, station.settings().setGridFile(n, path));
        station.setGridIndicator(n, {true, station.gridDescription(n)});
    }
    return messages;
}

ConfigLoadResult loadConfiguration(Station& station)
{
    ConfigLoadResult out;
    tell(out.messages, station.loadSettingsMirror(station.clock().now()));
    enterStationFolder(station);
    refreshGridIndicators(station);

    station.setGridLoadingFlag(true);
    for (int n = 3; n >= 1; --n) {
        const QString path = station.settings().gridFile(n);
        if (!path.isEmpty() && QFileInfo(path).isFile())
            out.messages << loadConfiguredGrid(station, n, path);
    }
    station.setGridLoadingFlag(false);
    refreshGridIndicators(station);
    out.loupe = station.settings().loupe();
    return out;
}

OperatorMessages chooseNumGrids(Station& station, int grids)
{
    OperatorMessages messages;
    tell(messages, setNumGrids(station, grids));
    refreshGridIndicators(station);
    return messages;
}

OperatorMessages allowInvalidSetup(Station& station, bool allowed)
{
    OperatorMessages messages;
    logDebug(station, messages,
             allowed ? QStringLiteral("Warning - Bad Setups allowed")
                     : QStringLiteral("Bad Setups restricted again"));
    station.setAllowInvalidSetup(allowed);
    appendLine(station, messages,
               allowed ? ConfigLine::InvalidAllowed : ConfigLine::OnlyValidAllowed);
    return messages;
}

ConfigExit leaveConfiguration(Station& station, const QString& skierNameFile)
{
    ConfigExit out;
    tell(out.messages, storeOnExit(station.settings(), station.mirror()));
    out.capturesPath = capturesPathOnExit(station.capturesPath());
    station.setCapturesPath(out.capturesPath);
    enterStationFolder(station);
    appendLine(station, out.messages, ConfigLine::NewConfiguration);
    SkierListLoad names = loadSkierList(skierNameFile.trimmed());
    if (names.entries)
        station.setSkierNames(*names.entries);
    out.messages << names.messages;
    return out;
}

} // namespace zelvan::app::config
