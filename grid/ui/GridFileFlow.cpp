#include "grid/ui/GridFileFlow.h"

#include "app/TextFiles.h"
#include "base/Numbers.h"
#include "grid/SetupScreenRules.h"
#include "grid/Transform.h"

#include <QDir>

namespace zelvan::grid::ui
{

namespace
{

void log(app::Station& station, const QStringList& lines)
{
    for (const QString& line : lines)
        station.debugLog().WriteDebugLog(line);
}

// The grid's settings key names its file; a failure to store it is told, the files stay.
void storeGridFile(app::Station& station, Dialogs& dialogs, int n, const QString& path)
{
    if (const Status stored = station.settings().setGridFile(n, path); !stored)
        dialogs.message(stored.error(), Icon::Warning);
}

} // namespace

std::optional<int> askGridNumber(Dialogs& dialogs, const QString& caption, bool saving,
                                 int numGrids)
{
    const QString verb = saving ? QStringLiteral("Save ") : QStringLiteral("Load ");
    if (dialogs.askYesNo(verb + caption, QStringLiteral("Current Grid")))
        return gridOfCaption(caption);
    const QString question = saving ? QStringLiteral("What grid are you saving?")
                                    : QStringLiteral("What grid are you loading?");
    for (;;) {
        const std::optional<QString> answer =
            dialogs.input(question, QStringLiteral("Grid Number"));
        if (!answer)
            return std::nullopt;
        const double n = leadingNumber(*answer);
        if (n >= 1 && n <= numGrids && n == int(n))
            return int(n);
    }
}

bool enterSetupFolder(Dialogs& dialogs, const QString& folder)
{
    if (!folder.isEmpty() && QDir::setCurrent(folder))
        return true;
    dialogs.message(QString::fromLatin1(kInvalidPathText), Icon::Warning);
    return false;
}

std::optional<SetupScreenTexts> saveGrid(app::Station& station, Dialogs& dialogs,
                                         const SetupScreenTexts& boxes)
{
    if (!enterSetupFolder(dialogs, station.setupFilesPath()))
        return std::nullopt;
    const QString path = dialogs.saveFile(QStringLiteral("Save Grid File"), QDir::currentPath(),
                                          QString::fromLatin1(kSaveFilter), 3);
    if (path.isEmpty())
        return std::nullopt;
    const QString description =
        dialogs
            .input(QStringLiteral("Enter descriptive line about grid"),
                   QStringLiteral("Grid Description"), boxes.ipt_file_description_2)
            .value_or(QString());
    const std::optional<int> n =
        askGridNumber(dialogs, boxes.grid_select, true, int(station.numGrids()));
    if (!n)
        return std::nullopt;
    // The pair is written before anything names it, so a failed write leaves the settings,
    // the descriptions and the previous files as they were.
    GridSetup setup = setupFromWorkingSet(station.workingSet(), *n);
    setup.checkSurveyX = leadingNumber(boxes.txtCheckX);
    setup.checkSurveyY = leadingNumber(boxes.txtCheckY);
    const QString fullPath = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (const Status written =
            saveGridFilePair(fullPath, description, setup, boxes.txtCheckX, boxes.txtCheckY);
        !written) {
        dialogs.message(written.error(), Icon::Error);
        return std::nullopt;
    }
    station.changeGrids([&](GridStore& store, WorkingSet&, GridFlags&) {
        store.setup[*n] = setup;
        store.gridDescription[*n] = fullPath;
        store.gridDescription2[*n] = description;
    });
    storeGridFile(station, dialogs, *n, fullPath);
    station.setGridIndicator(*n, {true, description});
    log(station, {QStringLiteral("save grid %1").arg(*n)});
    SetupScreenTexts shown = boxes;
    shown.ipt_file_description = fullPath;
    shown.ipt_file_description_2 = description;
    return shown;
}

std::optional<GridLoadResult> loadGrid(app::Station& station, Dialogs& dialogs,
                                       const SetupScreenTexts& boxes)
{
    const int numGrids = int(station.numGrids());
    std::optional<int> n = 1;
    if (numGrids != 1)
        n = askGridNumber(dialogs, boxes.grid_select, false, numGrids);
    if (!n)
        return std::nullopt;
    station.setCurrentGrid(*n);
    if (!enterSetupFolder(dialogs, station.setupFilesPath()))
        return std::nullopt;
    const QString path = dialogs.openFile(QStringLiteral("Load Grid File"), QDir::currentPath(),
                                          QString::fromLatin1(kLoadFilter), 3);
    if (path.isEmpty())
        return std::nullopt;
    GridLoadRequest request;
    request.path = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    request.grid = *n;
    request.numGrids = numGrids;
    request.pictureWidthTwips = station.pictureWidthTwips();
    station.setGridLoadingFlag(true);
    GridLoadResult result =
        station.changeGrids([&](GridStore& store, WorkingSet& work, GridFlags& flags) {
            return loadGridIntoStation(request, store, work, flags, station.clock());
        });
    station.setGridLoadingFlag(false);
    log(station, result.debugLog);
    if (!result.loaded()) {
        dialogs.message(result.status.error(), Icon::Error);
        return std::nullopt;
    }
    showMessages(dialogs, result.messages);
    if (const Status appended =
            app::appendResultsLines(station.resultsFilePath(), result.setupBlock);
        !appended)
        dialogs.message(appended.error(), Icon::Warning);
    if (!result.settingsKey.isEmpty())
        storeGridFile(station, dialogs, *n, request.path);
    // A grid loaded without its check-buoy file is described too, under the not-ready sign.
    station.setGridIndicator(*n, {result.ready, station.gridDescription(*n)});
    return result;
}

} // namespace zelvan::grid::ui
