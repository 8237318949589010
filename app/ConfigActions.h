#pragma once
// What the configuration screen's options and check boxes do, without widgets: each action
// sets the program-wide mirror and stores its setting at once. A store that cannot be written
// gives false and `error`; the mirror is set all the same, so the run goes on as chosen.
#include <QDateTime>
#include <QString>
#include <QVector>

namespace zelvan::app
{

class SettingsStore;
struct SettingsMirror;

namespace config
{

bool setNumGrids(SettingsStore& store, SettingsMirror& mirror, int grids,
                 QString* error = nullptr); // 1..3; anything else counts as 1
bool setRightToLeft(SettingsStore& store, SettingsMirror& mirror, bool rightToLeft,
                    QString* error = nullptr);
// "Check for line control on": ticked means line control on, so `boxLineOff` is false.
bool setLineControl(SettingsStore& store, SettingsMirror& mirror, bool lineControlOn,
                    QString* error = nullptr);
bool setBuoyMarker(SettingsStore& store, SettingsMirror& mirror, bool cross,
                   QString* error = nullptr);
// "default", "black", "white" or "yellow"; "default" keeps the colour value.
bool setLabelColor(SettingsStore& store, SettingsMirror& mirror, const QString& name,
                   QString* error = nullptr);
// "black", "red", "yellow" or "white".
bool setImpactColor(SettingsStore& store, SettingsMirror& mirror, const QString& name,
                    QString* error = nullptr);
// "Save", "NoSave" or "Ask".
bool setPictureSave(SettingsStore& store, SettingsMirror& mirror, const QString& mode,
                    QString* error = nullptr);
bool setVideoSave(SettingsStore& store, SettingsMirror& mirror, const QString& mode,
                  QString* error = nullptr);
bool setWstims(SettingsStore& store, bool on, QString* error = nullptr);
bool setLoupe(SettingsStore& store, bool on, QString* error = nullptr);
// The barefoot and sit-ski boxes exclude each other; the stored type ends as "barefoot",
// "sitski" or "normal".
bool setBarefoot(SettingsStore& store, SettingsMirror& mirror, bool ticked,
                 QString* error = nullptr);
bool setSitSki(SettingsStore& store, SettingsMirror& mirror, bool ticked, QString* error = nullptr);
// Text of the measurement screen's jump-type indicator; empty means hidden.
QString jumpTypeIndicator(const SettingsMirror& mirror);

// Leaving the screen: stores the tournament name and the message colour name.
bool storeOnExit(SettingsStore& store, const SettingsMirror& mirror, QString* error = nullptr);
// The captures folder as it is kept after leaving: trailing spaces removed and a separator
// added unless there is one.
QString capturesPathOnExit(const QString& capturesPath);

// Lines the configuration screen appends to the results file.
enum class ConfigLine { NewConfiguration, InvalidAllowed, OnlyValidAllowed };
QString configurationLine(ConfigLine kind, const QDateTime& now, const QString& tournamentName);
bool appendConfigurationLine(const QString& resultsFilePath, ConfigLine kind, const QDateTime& now,
                             const QString& tournamentName, QString* error = nullptr);

// The measurement screen's labels and their own colours, which "Default" gives back.
struct LabelDefaultColor {
    QString label; // objectName
    int color;
};
const QVector<LabelDefaultColor>& labelDefaultColors();

} // namespace config
} // namespace zelvan::app
