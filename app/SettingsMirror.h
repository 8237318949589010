#pragma once
// The program-wide copies of the stored parameters that the screens read while the station
// runs, and how the configuration screen's load fills them from the store.
#include "app/SettingsValues.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>

namespace zelvan::app
{

class SettingsStore;

struct SettingsMirror {
    double numGrids = 1;                                // grids in use, 1..3
    bool rightToLeft = false;                           // jump direction is right to left
    bool boxLineOff = false;                            // line control off
    QString buoyMarker = QStringLiteral("circle");      // "cross" for crosses, else circles
    QString labelColorName = QStringLiteral("default"); // message colour name
    int labelColorValue = settings::kBlack;             // message colour; "default" leaves it alone
    int impactColorValue = settings::kBlack;            // impact mark colour until one is chosen
    QString pictureSaveMode;                            // "Save", "NoSave", "Ask" or empty
    QString videoSaveMode;                              // likewise
    bool barefootMode = false;                          // barefoot jumping
    bool sitSkiMode = false;                            // sit-ski jumping
    bool wstims = false;                                // WSTIMS interface files written
    QString tournamentName;  // tournament name for the configuration lines
    QString resultsFilePath; // full path of the results file
    QString capturesPath;    // captures folder
    QString setupFilesPath;  // folder of the grid setup files
    QString pictureExtension = QStringLiteral(".bmp"); // contact picture extension
    QString pictureFormatCode = QStringLiteral("1");   // contact picture format

    bool operator==(const SettingsMirror& o) const;
    bool operator!=(const SettingsMirror& o) const { return !(*this == o); }
};

// "JumpMeasurementResults" + mmddyy + ".txt" for the day.
QString resultsFileNameFor(const QDateTime& day);

// Fills the mirror from the store as the configuration screen's load does: tournament name,
// the day's results file in `videoDirectory`, captures folder = `videoDirectory`, set-up
// files folder, picture extension and format, message and impact colours, number of grids,
// jump direction, line control, tournament type, WSTIMS, marker style and the two save
// policies. Like that load it stores back the normalised values its option selections store
// ("default" for an empty message colour, grids, tournament type, WSTIMS, jump direction,
// marker style, save policies) when they differ from what is stored, which gives a first run
// its defaults. A stored colour word that names no colour selects nothing: the mirror's
// colour stays as it was and the word stays stored. The first failed write is the result;
// the mirror is filled all the same.
Status loadSettingsMirror(SettingsStore& store, SettingsMirror& mirror,
                          const QString& videoDirectory, const QDateTime& today);

} // namespace zelvan::app
