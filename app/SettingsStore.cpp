#include "app/SettingsStore.h"

#include "app/SettingsValues.h"
#include "base/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace zelvan::app
{

namespace
{

const QString kGroup = QStringLiteral("Settings");

QString variantText(const QVariant& v)
{
    // An INI value with unquoted commas comes back as a list; a hand-edited tournament name
    // "Lake Open, Day 2" must still read as one text.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

// Slashes would address a sub-section in QSettings, not a setting of the section.
bool isKeyName(const QString& key)
{
    return !key.isEmpty() && !key.contains(QLatin1Char('/')) && !key.contains(QLatin1Char('\\'));
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(platform::openSettingsStore()) {}

SettingsStore::SettingsStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::location() const
{
    return QDir::toNativeSeparators(settings_->fileName());
}

QString SettingsStore::group() const
{
    // The section is looked up without regard to case as well, so a hand-edited "[settings]"
    // is the same section.
    const QStringList groups = settings_->childGroups();
    if (groups.contains(kGroup))
        return kGroup;
    for (const QString& g : groups)
        if (g.compare(kGroup, Qt::CaseInsensitive) == 0)
            return g;
    return kGroup;
}

QString SettingsStore::storedKey(const QString& key) const
{
    settings_->beginGroup(group());
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    if (keys.contains(key))
        return key;
    for (const QString& k : keys)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    return key;
}

QString SettingsStore::storedPath(const QString& key) const
{
    // The usual spelling is asked first: when it is there, the section and the key are the
    // ones the case-blind search below would find, without listing every group and key.
    QString exact = kGroup + QLatin1Char('/') + key;
    if (settings_->contains(exact))
        return exact;
    return group() + QLatin1Char('/') + storedKey(key);
}

bool SettingsStore::contains(const QString& key) const
{
    if (!isKeyName(key))
        return false;
    return settings_->contains(storedPath(key));
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    if (!isKeyName(key))
        return defaultValue;
    const QString path = storedPath(key);
    if (!settings_->contains(path))
        return defaultValue;
    return variantText(settings_->value(path));
}

void SettingsStore::removeOtherSpellings(const QString& key)
{
    // Every spelling of the key goes, so the store never holds two values for one setting.
    const QStringList keys = settings_->childKeys();
    for (const QString& k : keys)
        if (k.compare(key, Qt::CaseInsensitive) == 0 && k != key)
            settings_->remove(k);
}

bool SettingsStore::keptDespiteFormatError(const QString& key, const QString& value) const
{
    // A hand-damaged line in an INI file is reported as a format error when the file is read,
    // yet the file is rewritten cleanly; only a file that is not there or cannot be written
    // means the value was lost.
    const QFileInfo file(settings_->fileName());
    return file.exists() && file.isWritable() && read(key) == value;
}

Status SettingsStore::write(const QString& key, const QString& value)
{
    if (!isKeyName(key))
        return fail(QStringLiteral("\"%1\" is not a setting name").arg(key));
    settings_->beginGroup(group());
    removeOtherSpellings(key);
    settings_->setValue(key, value);
    settings_->endGroup();
    settings_->sync();
    const QSettings::Status status = settings_->status();
    if (status == QSettings::NoError)
        return {};
    // QSettings keeps the first error it met for the life of the object, so start afresh for
    // the writes to come.
    const bool wasFileStore = settings_->format() == QSettings::IniFormat;
    reopen();
    if (status == QSettings::FormatError && wasFileStore && keptDespiteFormatError(key, value))
        return {};
    return fail(QStringLiteral("The setting %1 could not be saved: %2 cannot be written")
                    .arg(key, location()));
}

void SettingsStore::reopen()
{
    const QString name = settings_->fileName();
    const QSettings::Format format = settings_->format();
    settings_.reset();
    settings_ = std::make_unique<QSettings>(name, format);
}

Status SettingsStore::writeTruth(const QString& key, bool value)
{
    return write(key, settings::truthText(value));
}

Status SettingsStore::writeFlag(const QString& key, bool value)
{
    return write(key, settings::flagText(value));
}

Status SettingsStore::writeNumber(const QString& key, double value)
{
    return write(key, QString::number(value, 'g', 15));
}

QString SettingsStore::tournamentName() const
{
    return read(QLatin1String(key::TournamentName));
}

QString SettingsStore::setupFiles() const
{
    return read(QLatin1String(key::SetupFiles));
}

ReadBack<std::optional<QString>> SettingsStore::labelColor()
{
    const QString stored = read(QLatin1String(key::labelcolor));
    if (stored.isEmpty()) {
        const QString name = QStringLiteral("default");
        return {name, write(QLatin1String(key::labelcolor), name)};
    }
    if (settings::oneOf(stored, {"default", "black", "white", "yellow"}, QString()).isEmpty())
        return {std::nullopt, {}};
    return {stored, {}};
}

std::optional<QString> SettingsStore::impactColor() const
{
    const QString stored = read(QLatin1String(key::impactcolor));
    if (stored.isEmpty())
        return QStringLiteral("white");
    if (settings::oneOf(stored, {"white", "black", "yellow", "red"}, QString()).isEmpty())
        return std::nullopt;
    return stored;
}

ReadBack<int> SettingsStore::grids()
{
    const QString stored = read(QLatin1String(key::grids));
    const std::optional<int> n = settings::parseWholeNumber(stored);
    const int count = (n && (*n == 2 || *n == 3)) ? *n : 1;
    if (stored == QString::number(count))
        return {count, {}};
    return {count, write(QLatin1String(key::grids), QString::number(count))};
}

QString SettingsStore::gridFile(int grid) const
{
    if (grid < 1 || grid > 3)
        return QString();
    return read(QStringLiteral("grid%1File").arg(grid));
}

Status SettingsStore::setGridFile(int grid, const QString& path)
{
    if (grid < 1 || grid > 3)
        return fail(QStringLiteral("There is no grid %1").arg(grid));
    return write(QStringLiteral("grid%1File").arg(grid), path);
}

bool SettingsStore::rightToLeft() const
{
    return settings::parseTruth(read(QLatin1String(key::right2left))).value_or(false);
}

bool SettingsStore::boxLineOff() const
{
    return settings::parseTruth(read(QLatin1String(key::boxlineoff))).value_or(false);
}

QString SettingsStore::tournamentType() const
{
    return settings::oneOf(read(QLatin1String(key::tournamentType)),
                           {"normal", "barefoot", "sitski"}, QStringLiteral("normal"));
}

bool SettingsStore::wstims() const
{
    return settings::parseFlag(read(QLatin1String(key::WSTIMS))).value_or(false);
}

bool SettingsStore::loupe() const
{
    return settings::parseFlag(read(QLatin1String(key::Loupe))).value_or(false);
}

QString SettingsStore::buoyMarker() const
{
    return read(QLatin1String(key::buoymarker)) == QLatin1String("cross")
               ? QStringLiteral("cross")
               : QStringLiteral("circle");
}

QString SettingsStore::pictureSave() const
{
    return settings::oneOf(read(QLatin1String(key::PictureSave)), {"Save", "NoSave", "Ask"},
                           QStringLiteral("Ask"));
}

QString SettingsStore::videoSave() const
{
    return settings::oneOf(read(QLatin1String(key::VideoSave)), {"Save", "NoSave", "Ask"},
                           QStringLiteral("Ask"));
}

QString SettingsStore::logPath() const
{
    return read(QLatin1String(key::logpath));
}

QString SettingsStore::logFile() const
{
    return read(QLatin1String(key::logfile));
}

bool SettingsStore::barefoot() const
{
    return settings::parseFlag(read(QLatin1String(key::barefoot))).value_or(false);
}

int SettingsStore::device() const
{
    return settings::parseWholeNumber(read(QLatin1String(key::device))).value_or(-1);
}

int SettingsStore::compression() const
{
    return settings::parseWholeNumber(read(QLatin1String(key::compression))).value_or(-1);
}

double SettingsStore::frameRate() const
{
    return settings::parseStoredNumber(read(QLatin1String(key::framerate))).value_or(0);
}

int SettingsStore::videoResolution() const
{
    return settings::parseWholeNumber(read(QLatin1String(key::VideoResolution))).value_or(-1);
}

int SettingsStore::colorFormat() const
{
    return settings::parseWholeNumber(read(QLatin1String(key::ColorFormat))).value_or(-1);
}

int SettingsStore::videoInput() const
{
    return settings::parseWholeNumber(read(QLatin1String(key::VideoInput))).value_or(0);
}

double SettingsStore::captureTime() const
{
    return settings::parseStoredNumber(read(QLatin1String(key::captureTime))).value_or(0);
}

const QVector<InstallValue>& SettingsStore::installValues()
{
    static const QVector<InstallValue> items = {
        {QStringLiteral("logpath"),
         QStringLiteral("Logpath = "),
         {QStringLiteral("logpath"), QStringLiteral("logfile")},
         QString()},
        {QStringLiteral("barefoot"),
         QStringLiteral("barefoot = "),
         {QStringLiteral("barefoot")},
         QStringLiteral("0")},
        {QStringLiteral("compression"),
         QStringLiteral("compression = "),
         {QStringLiteral("compression")},
         QStringLiteral("0")},
        {QStringLiteral("device"),
         QStringLiteral("device = "),
         {QStringLiteral("device")},
         QStringLiteral("0")},
        {QStringLiteral("framerate"),
         QStringLiteral("framerate = "),
         {QStringLiteral("framerate")},
         QStringLiteral("0")},
        {QStringLiteral("grid1File"),
         QStringLiteral("Grid 1 File = "),
         {QStringLiteral("grid1File")},
         QString()},
        {QStringLiteral("grid2File"),
         QStringLiteral("Grid 2 File = "),
         {QStringLiteral("grid2File")},
         QString()},
        {QStringLiteral("grid3File"),
         QStringLiteral("Grid 3 File = "),
         {QStringLiteral("grid3File")},
         QString()},
    };
    return items;
}

Status SettingsStore::applyInstallValue(const InstallValue& item)
{
    for (const QString& k : item.resetKeys)
        if (Status written = write(k, item.value); !written)
            return written;
    return {};
}

Status SettingsStore::resetToInstallValues()
{
    for (const InstallValue& item : installValues())
        if (Status applied = applyInstallValue(item); !applied)
            return applied;
    return {};
}

} // namespace zelvan::app
