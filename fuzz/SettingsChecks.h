#pragma once
// What every settings reader must give back, whatever the store holds: shared by the fuzz
// targets of the hand-edited store and of the write round trip.
#include "app/SettingsStore.h"
#include "app/SettingsValues.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace zelvan::fuzz
{

namespace key = app::key;
using app::SettingsStore;

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

inline bool oneOf(const QString& v, std::initializer_list<const char*> allowed)
{
    for (const char* a : allowed)
        if (v == QLatin1String(a))
            return true;
    return false;
}

inline const char* const kKeys[] = {
    key::TournamentName, key::SetupFiles, key::labelcolor,      key::impactcolor, key::grids,
    key::grid1File,      key::grid2File,  key::grid3File,       key::right2left,  key::boxlineoff,
    key::tournamentType, key::WSTIMS,     key::Loupe,           key::buoymarker,  key::PictureSave,
    key::VideoSave,      key::logpath,    key::logfile,         key::barefoot,    key::device,
    key::compression,    key::framerate,  key::VideoResolution, key::ColorFormat, key::VideoInput,
    key::captureTime};

inline void checkConversions(const QString& value)
{
    using namespace zelvan::app::settings;
    const std::optional<double> number = parseStoredNumber(value);
    if (number)
        check(std::isfinite(*number));
    if (const std::optional<int> whole = parseWholeNumber(value))
        check(number && double(*whole) == *number);
    if (const std::optional<bool> flag = parseFlag(value))
        check(parseTruth(value) == flag);
    if (const std::optional<int> c = labelColorValueOf(value))
        check(*c == kBlack || *c == kWhite || *c == kYellow);
    if (const std::optional<int> c = impactColorValueOf(value))
        check(*c == kBlack || *c == kRed || *c == kWhite || *c == kYellow);
}

inline void checkReaders(SettingsStore& store)
{
    // A colour word that names no colour is no colour, never a made-up one.
    if (const std::optional<QString> label = store.labelColor().value)
        check(oneOf(*label, {"default", "black", "white", "yellow"}));
    if (const std::optional<QString> impact = store.impactColor())
        check(oneOf(*impact, {"white", "black", "yellow", "red"}));
    const int grids = store.grids().value;
    check(grids >= 1 && grids <= 3);
    check(oneOf(store.tournamentType(), {"normal", "barefoot", "sitski"}));
    check(oneOf(store.buoyMarker(), {"cross", "circle"}));
    check(oneOf(store.pictureSave(), {"Save", "NoSave", "Ask"}));
    check(oneOf(store.videoSave(), {"Save", "NoSave", "Ask"}));
    check(std::isfinite(store.frameRate()));
    check(std::isfinite(store.captureTime()));
    (void)store.tournamentName();
    (void)store.setupFiles();
    (void)store.gridFile(1);
    (void)store.rightToLeft();
    (void)store.boxLineOff();
    (void)store.wstims();
    (void)store.loupe();
    (void)store.logPath();
    (void)store.barefoot();
    (void)store.device();
    (void)store.compression();
    (void)store.videoResolution();
    (void)store.colorFormat();
    (void)store.videoInput();
}

// A scratch folder in memory where the system has one: a settings file is written for every
// input.
inline QString scratchFolderTemplate()
{
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable()
               ? QStringLiteral("/dev/shm/zelvan-fuzz-settings-XXXXXX")
               : QDir::tempPath() + QStringLiteral("/zelvan-fuzz-settings-XXXXXX");
}

} // namespace zelvan::fuzz
