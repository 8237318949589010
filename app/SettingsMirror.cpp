#include "app/SettingsMirror.h"

#include "app/SettingsStore.h"
#include "app/TextFiles.h"

namespace zelvan::app
{

QString resultsFileNameFor(const QDateTime& day)
{
    return QStringLiteral("JumpMeasurementResults") + dateMmddyy(day) + QStringLiteral(".txt");
}

namespace
{

void noteFailure(const QString& why, bool& ok, QString* error)
{
    if (why.isEmpty() || !ok)
        return;
    ok = false;
    if (error)
        *error = why;
}

// Stores `value` under `key` unless that is already what is stored; remembers the first error.
void storeBack(SettingsStore& store, const char* key, const QString& value, bool& ok,
               QString* error)
{
    if (store.contains(QLatin1String(key)) && store.read(QLatin1String(key)) == value)
        return;
    QString why;
    if (!store.write(QLatin1String(key), value, &why))
        noteFailure(why, ok, error);
}

} // namespace

bool loadSettingsMirror(SettingsStore& store, SettingsMirror& mirror, const QString& videoDirectory,
                        const QDateTime& today, QString* error)
{
    bool ok = true;
    mirror.tournamentName = store.tournamentName();
    mirror.resultsFilePath = joinPath(videoDirectory.trimmed(), resultsFileNameFor(today));
    mirror.capturesPath = videoDirectory;
    mirror.setupFilesPath = store.setupFiles();
    mirror.pictureExtension = QStringLiteral(".bmp");
    mirror.pictureFormatCode = QStringLiteral("1");

    QString why;
    mirror.labelColorName = store.labelColor(&why);
    if (const std::optional<int> v = settings::labelColorValueOf(mirror.labelColorName))
        mirror.labelColorValue = *v;
    noteFailure(why, ok, error);

    // An unknown or missing impact colour selects white.
    mirror.impactColorValue =
        settings::impactColorValueOf(store.impactColor()).value_or(settings::kWhite);

    why.clear();
    mirror.numGrids = store.grids(&why);
    noteFailure(why, ok, error);

    mirror.rightToLeft = store.rightToLeft();
    storeBack(store, key::right2left, settings::truthText(mirror.rightToLeft), ok, error);
    mirror.boxLineOff = store.boxLineOff();

    const QString type = store.tournamentType();
    mirror.barefootMode = type == QLatin1String("barefoot");
    mirror.sitSkiMode = type == QLatin1String("sitski");
    storeBack(store, key::tournamentType, type, ok, error);
    storeBack(store, key::WSTIMS, settings::flagText(store.wstims()), ok, error);

    mirror.buoyMarker = store.buoyMarker();
    storeBack(store, key::buoymarker, mirror.buoyMarker, ok, error);

    mirror.pictureSaveMode = store.pictureSave();
    storeBack(store, key::PictureSave, mirror.pictureSaveMode, ok, error);
    mirror.videoSaveMode = store.videoSave();
    storeBack(store, key::VideoSave, mirror.videoSaveMode, ok, error);
    return ok;
}

} // namespace zelvan::app
