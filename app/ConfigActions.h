#pragma once
// What the configuration screen's options and check boxes do, without widgets: each action
// sets the Station's mirror (which signals the change) and stores its setting at once. A store
// that cannot be written is the action's failure; the mirror is set all the same, so the run
// goes on as chosen.
#include "base/Result.h"

#include <QDateTime>
#include <QString>
#include <QVector>

namespace zelvan::app
{

class SettingsStore;
class Station;
struct SettingsMirror;

namespace config
{

Status setNumGrids(Station& station, int grids); // 1..3; anything else counts as 1
Status setRightToLeft(Station& station, bool rightToLeft);
// "Check for line control on": ticked means line control on, so `boxLineOff` is false.
Status setLineControl(Station& station, bool lineControlOn);
Status setBuoyMarker(Station& station, bool cross);
// "default", "black", "white" or "yellow"; "default" keeps the colour value.
Status setLabelColor(Station& station, const QString& name);
// "black", "red", "yellow" or "white".
Status setImpactColor(Station& station, const QString& name);
// "Save", "NoSave" or "Ask".
Status setPictureSave(Station& station, const QString& mode);
Status setVideoSave(Station& station, const QString& mode);
Status setWstims(Station& station, bool on);
Status setLoupe(SettingsStore& store, bool on);
// The barefoot and sit-ski boxes exclude each other; the stored type ends as "barefoot",
// "sitski" or "normal".
Status setBarefoot(Station& station, bool ticked);
Status setSitSki(Station& station, bool ticked);
// Text of the measurement screen's jump-type indicator; empty means hidden.
QString jumpTypeIndicator(const SettingsMirror& mirror);

// Leaving the screen: stores the tournament name and the message colour name.
Status storeOnExit(SettingsStore& store, const SettingsMirror& mirror);
// The captures folder as it is kept after leaving: trailing spaces removed and a separator
// added unless there is one.
QString capturesPathOnExit(const QString& capturesPath);

// Lines the configuration screen appends to the results file.
enum class ConfigLine { NewConfiguration, InvalidAllowed, OnlyValidAllowed };
QString configurationLine(ConfigLine kind, const QDateTime& now, const QString& tournamentName);
Status appendConfigurationLine(const QString& resultsFilePath, ConfigLine kind,
                               const QDateTime& now, const QString& tournamentName);

// The measurement screen's labels and their own colours, which "Default" gives back.
struct LabelDefaultColor {
    QString label; // objectName
    int color;
};
const QVector<LabelDefaultColor>& labelDefaultColors();

} // namespace config
} // namespace zelvan::app
