#pragma once
// The station's persistent parameters: text values by key in the section "Settings" of the
// settings store. Keys are compared without regard to case on every platform, every write
// reaches the disk (or registry) at once, and a write that fails is reported to the caller.
#include "base/Result.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>

class QSettings;

namespace zelvan::app
{

// Key names as the station writes them (lookups ignore case).
namespace key
{
inline constexpr const char* TournamentName = "TournamentName";
inline constexpr const char* SetupFiles = "SetupFiles";
inline constexpr const char* labelcolor = "labelcolor";
inline constexpr const char* impactcolor = "impactcolor";
inline constexpr const char* grids = "grids";
inline constexpr const char* grid1File = "grid1File";
inline constexpr const char* grid2File = "grid2File";
inline constexpr const char* grid3File = "grid3File";
inline constexpr const char* right2left = "right2left";
inline constexpr const char* boxlineoff = "boxlineoff";
inline constexpr const char* tournamentType = "tournamentType";
inline constexpr const char* WSTIMS = "WSTIMS";
inline constexpr const char* Loupe = "Loupe";
inline constexpr const char* buoymarker = "buoymarker";
inline constexpr const char* PictureSave = "PictureSave";
inline constexpr const char* VideoSave = "VideoSave";
inline constexpr const char* logpath = "logpath";
inline constexpr const char* logfile = "logfile";
inline constexpr const char* barefoot = "barefoot";
inline constexpr const char* device = "device";
inline constexpr const char* compression = "compression";
inline constexpr const char* framerate = "framerate";
inline constexpr const char* VideoResolution = "VideoResolution";
inline constexpr const char* ColorFormat = "ColorFormat";
inline constexpr const char* VideoInput = "VideoInput";
inline constexpr const char* captureTime = "captureTime";
} // namespace key

// One question of the emergency parameter reset: the setting shown, the label before its
// value, and the settings given their install value on Yes.
struct InstallValue {
    QString key;           // setting read and shown
    QString label;         // e.g. "Logpath = "
    QStringList resetKeys; // settings written on Yes
    QString value;         // their install value
};

// A reader that may store back the value it chose: the value, and how that write went
// (success when nothing needed writing).
template <class T> struct ReadBack {
    T value;
    Status stored;
};

class SettingsStore
{
public:
    // The platform's store (platform::openSettingsStore()).
    SettingsStore();
    // A store handed in, e.g. an INI file in a temporary folder.
    explicit SettingsStore(std::unique_ptr<QSettings> settings);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Stored text of the key, or `defaultValue` when the key was never written.
    QString read(const QString& key, const QString& defaultValue = QString()) const;
    bool contains(const QString& key) const;
    // Stores the text at once, replacing the key in whatever case it was stored before.
    // A failure when the store could not be written.
    Status write(const QString& key, const QString& value);
    Status writeTruth(const QString& key, bool value);
    Status writeFlag(const QString& key, bool value);
    Status writeNumber(const QString& key, double value);
    // Where the store lives (file name or registry path), for messages.
    QString location() const;

    // Typed readers, one per key. Text that cannot be read as the reader's type gives the
    // reader's default. Only `grids()` and `labelColor()` write anything back.
    QString tournamentName() const; // "" when missing
    QString setupFiles() const;     // ""
    // "default"|"black"|"white"|"yellow" as stored; an empty or missing value is "default",
    // which is stored. Any other word names no colour: std::nullopt, and it stays stored.
    ReadBack<std::optional<QString>> labelColor();
    // "white"|"black"|"yellow"|"red" as stored; empty or missing "white"; any other word
    // names no colour (std::nullopt).
    std::optional<QString> impactColor() const;
    // 2 or 3 as stored; anything else 1, and "1" is stored.
    ReadBack<int> grids();
    QString gridFile(int grid) const; // grid 1..3; "" when missing
    Status setGridFile(int grid, const QString& path);
    bool rightToLeft() const;       // right2left truth value; false when missing
    bool boxLineOff() const;        // boxlineoff truth value; false
    QString tournamentType() const; // "normal"|"barefoot"|"sitski"; anything else "normal"
    bool wstims() const;            // WSTIMS flag; false
    bool loupe() const;             // Loupe flag; false
    QString buoyMarker() const;     // "cross" only for "cross"; anything else "circle"
    QString pictureSave() const;    // "Save"|"NoSave"|"Ask"; anything else "Ask"
    QString videoSave() const;      // likewise
    QString logPath() const;        // ""
    QString logFile() const;        // ""
    bool barefoot() const;          // cb15 flag; false
    int device() const;             // -1: first device
    int compression() const;        // -1: first compressor
    double frameRate() const;       // 0; below 1 means the device's own rate
    int videoResolution() const;    // -1: the device's current resolution
    int colorFormat() const;        // -1: the device's current colour format
    int videoInput() const;         // 0
    double captureTime() const;     // 0; not above 0 means the screen's default

    // The emergency reset questions, in the order they are asked.
    static const QVector<InstallValue>& installValues();
    // Gives one question's settings their install value.
    Status applyInstallValue(const InstallValue& item);
    // Gives every reset setting its install value; all other settings stay as they are.
    Status resetToInstallValues();

private:
    QString group() const;
    // group() + "/" + storedKey(key), found the quick way when the spelling is the usual one.
    QString storedPath(const QString& key) const;
    QString storedKey(const QString& key) const;
    void removeOtherSpellings(const QString& key);
    bool keptDespiteFormatError(const QString& key, const QString& value) const;
    void reopen();

    std::unique_ptr<QSettings> settings_;
};

} // namespace zelvan::app
