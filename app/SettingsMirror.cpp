#include "app/SettingsMirror.h"

#include "app/SettingsStore.h"
#include "app/TextFiles.h"

#include <tuple>

namespace zelvan::app
{

namespace
{

auto fields(const SettingsMirror& m)
{
    return std::tie(m.numGrids, m.rightToLeft, m.boxLineOff, m.buoyMarker, m.labelColorName,
                    m.labelColorValue, m.impactColorValue, m.pictureSaveMode, m.videoSaveMode,
                    m.barefootMode, m.sitSkiMode, m.wstims, m.tournamentName, m.resultsFilePath,
                    m.capturesPath, m.setupFilesPath, m.pictureExtension, m.pictureFormatCode);
}

// Stores `value` under `key` unless that is already what is stored.
Status storeBack(SettingsStore& store, const char* key, const QString& value)
{
    if (store.contains(QLatin1String(key)) && store.read(QLatin1String(key)) == value)
        return {};
    return store.write(QLatin1String(key), value);
}

// The message and impact colours; only a word that names a colour selects one.
Status loadColors(SettingsStore& store, SettingsMirror& mirror)
{
    const ReadBack<std::optional<QString>> label = store.labelColor();
    if (label.value) {
        mirror.labelColorName = *label.value;
        if (const std::optional<int> v = settings::labelColorValueOf(*label.value))
            mirror.labelColorValue = *v;
    }
    if (const std::optional<QString> impact = store.impactColor())
        mirror.impactColorValue = settings::impactColorValueOf(*impact).value_or(settings::kWhite);
    return label.stored;
}

// Jump direction, line control, tournament type, WSTIMS, marker style and the save policies,
// each stored back as its option selection stores it.
Status loadOptions(SettingsStore& store, SettingsMirror& mirror)
{
    mirror.rightToLeft = store.rightToLeft();
    Status status = storeBack(store, key::right2left, settings::truthText(mirror.rightToLeft));
    mirror.boxLineOff = store.boxLineOff();

    const QString type = store.tournamentType();
    mirror.barefootMode = type == QLatin1String("barefoot");
    mirror.sitSkiMode = type == QLatin1String("sitski");
    status = firstFailure(status, storeBack(store, key::tournamentType, type));
    mirror.wstims = store.wstims();
    status = firstFailure(status, storeBack(store, key::WSTIMS, settings::flagText(mirror.wstims)));

    mirror.buoyMarker = store.buoyMarker();
    status = firstFailure(status, storeBack(store, key::buoymarker, mirror.buoyMarker));

    mirror.pictureSaveMode = store.pictureSave();
    status = firstFailure(status, storeBack(store, key::PictureSave, mirror.pictureSaveMode));
    mirror.videoSaveMode = store.videoSave();
    return firstFailure(status, storeBack(store, key::VideoSave, mirror.videoSaveMode));
}

} // namespace

bool SettingsMirror::operator==(const SettingsMirror& o) const
{
    return fields(*this) == fields(o);
}

QString resultsFileNameFor(const QDateTime& day)
{
    return QStringLiteral("JumpMeasurementResults") + dateMmddyy(day) + QStringLiteral(".txt");
}

Status loadSettingsMirror(SettingsStore& store, SettingsMirror& mirror,
                          const QString& videoDirectory, const QDateTime& today)
{
    mirror.tournamentName = store.tournamentName();
    mirror.resultsFilePath = joinPath(videoDirectory.trimmed(), resultsFileNameFor(today));
    mirror.capturesPath = videoDirectory;
    mirror.setupFilesPath = store.setupFiles();
    mirror.pictureExtension = QStringLiteral(".bmp");
    mirror.pictureFormatCode = QStringLiteral("1");

    Status status = loadColors(store, mirror);
    const ReadBack<int> grids = store.grids();
    mirror.numGrids = grids.value;
    status = firstFailure(status, grids.stored);
    return firstFailure(status, loadOptions(store, mirror));
}

} // namespace zelvan::app
