#include "app/ConfigActions.h"

#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"
#include "app/SettingsValues.h"
#include "app/TextFiles.h"

#include <QDir>

namespace zelvan::app::config
{

namespace
{

} // namespace

bool setNumGrids(SettingsStore& store, SettingsMirror& mirror, int grids, QString* error)
{
    const int n = (grids == 2 || grids == 3) ? grids : 1;
    mirror.numGrids = n;
    return store.write(QLatin1String(key::grids), QString::number(n), error);
}

bool setRightToLeft(SettingsStore& store, SettingsMirror& mirror, bool rightToLeft, QString* error)
{
    mirror.rightToLeft = rightToLeft;
    return store.writeTruth(QLatin1String(key::right2left), rightToLeft, error);
}

bool setLineControl(SettingsStore& store, SettingsMirror& mirror, bool lineControlOn,
                    QString* error)
{
    mirror.boxLineOff = !lineControlOn;
    return store.writeTruth(QLatin1String(key::boxlineoff), mirror.boxLineOff, error);
}

bool setBuoyMarker(SettingsStore& store, SettingsMirror& mirror, bool cross, QString* error)
{
    mirror.buoyMarker = cross ? QStringLiteral("cross") : QStringLiteral("circle");
    return store.write(QLatin1String(key::buoymarker), mirror.buoyMarker, error);
}

bool setLabelColor(SettingsStore& store, SettingsMirror& mirror, const QString& name,
                   QString* error)
{
    mirror.labelColorName =
        settings::oneOf(name, {"default", "black", "white", "yellow"}, QStringLiteral("default"));
    if (const std::optional<int> v = settings::labelColorValueOf(mirror.labelColorName))
        mirror.labelColorValue = *v;
    return store.write(QLatin1String(key::labelcolor), mirror.labelColorName, error);
}

bool setImpactColor(SettingsStore& store, SettingsMirror& mirror, const QString& name,
                    QString* error)
{
    const QString chosen =
        settings::oneOf(name, {"black", "red", "yellow", "white"}, QStringLiteral("white"));
    mirror.impactColorValue = settings::impactColorValueOf(chosen).value_or(settings::kWhite);
    return store.write(QLatin1String(key::impactcolor), chosen, error);
}

bool setPictureSave(SettingsStore& store, SettingsMirror& mirror, const QString& mode,
                    QString* error)
{
    mirror.pictureSaveMode =
        settings::oneOf(mode, {"Save", "NoSave", "Ask"}, QStringLiteral("Ask"));
    return store.write(QLatin1String(key::PictureSave), mirror.pictureSaveMode, error);
}

bool setVideoSave(SettingsStore& store, SettingsMirror& mirror, const QString& mode, QString* error)
{
    mirror.videoSaveMode = settings::oneOf(mode, {"Save", "NoSave", "Ask"}, QStringLiteral("Ask"));
    return store.write(QLatin1String(key::VideoSave), mirror.videoSaveMode, error);
}

bool setWstims(SettingsStore& store, bool on, QString* error)
{
    return store.writeFlag(QLatin1String(key::WSTIMS), on, error);
}

bool setLoupe(SettingsStore& store, bool on, QString* error)
{
    return store.writeFlag(QLatin1String(key::Loupe), on, error);
}

bool setBarefoot(SettingsStore& store, SettingsMirror& mirror, bool ticked, QString* error)
{
    mirror.barefootMode = ticked;
    if (ticked) {
        mirror.sitSkiMode = false;
        return store.write(QLatin1String(key::tournamentType), QStringLiteral("barefoot"), error);
    }
    if (!mirror.sitSkiMode)
        return store.write(QLatin1String(key::tournamentType), QStringLiteral("normal"), error);
    return true;
}

bool setSitSki(SettingsStore& store, SettingsMirror& mirror, bool ticked, QString* error)
{
    mirror.sitSkiMode = ticked;
    if (ticked) {
        mirror.barefootMode = false;
        return store.write(QLatin1String(key::tournamentType), QStringLiteral("sitski"), error);
    }
    if (!mirror.barefootMode)
        return store.write(QLatin1String(key::tournamentType), QStringLiteral("normal"), error);
    return true;
}

QString jumpTypeIndicator(const SettingsMirror& mirror)
{
    if (mirror.barefootMode)
        return QStringLiteral("Barefoot Jump");
    if (mirror.sitSkiMode)
        return QStringLiteral("Sit Ski Jump");
    return QString();
}

bool storeOnExit(SettingsStore& store, const SettingsMirror& mirror, QString* error)
{
    return store.write(QLatin1String(key::TournamentName), mirror.tournamentName, error) &&
           store.write(QLatin1String(key::labelcolor), mirror.labelColorName, error);
}

QString capturesPathOnExit(const QString& capturesPath)
{
    QString path = capturesPath;
    while (!path.isEmpty() && path.back().isSpace())
        path.chop(1);
    if (!path.endsWith(QLatin1Char('\\')) && !path.endsWith(QLatin1Char('/')))
        path += QDir::separator();
    return path;
}

QString configurationLine(ConfigLine kind, const QDateTime& now, const QString& tournamentName)
{
    QString head;
    switch (kind) {
    case ConfigLine::NewConfiguration:
        head = QStringLiteral("New Configuration: ");
        break;
    case ConfigLine::InvalidAllowed:
        head = QStringLiteral("Invalid Configurations Allowed: ");
        break;
    case ConfigLine::OnlyValidAllowed:
        head = QStringLiteral("Only valid Configurations Allowed: ");
        break;
    }
    return head + dateText(now) + QStringLiteral("  ") + timeText(now) + QLatin1Char(' ') +
           tournamentName;
}

bool appendConfigurationLine(const QString& resultsFilePath, ConfigLine kind, const QDateTime& now,
                             const QString& tournamentName, QString* error)
{
    return appendLines(resultsFilePath.trimmed(), {configurationLine(kind, now, tournamentName)},
                       error);
}

const QVector<LabelDefaultColor>& labelDefaultColors()
{
    using namespace zelvan::app::settings;
    static const QVector<LabelDefaultColor> table = {
        {QStringLiteral("Make_comment"), kBlack},
        {QStringLiteral("Other_Grid"), kBlack},
        {QStringLiteral("Fall"), kBlack},
        {QStringLiteral("Pass"), kBlack},
        {QStringLiteral("optJumpOK"), kBlack},
        {QStringLiteral("M_Reride"), kRed},
        {QStringLiteral("O_reride"), kYellow},
        {QStringLiteral("FrozenSign"), kWhite},
        {QStringLiteral("IWSFlabel"), kBlack},
        {QStringLiteral("AWSAlabel"), kBlack},
        {QStringLiteral("AdjustmentLabel"), kWhite},
        {QStringLiteral("CrossLabel"), kWhite},
        {QStringLiteral("maxbuoy"), kWhite},
        {QStringLiteral("maxbuoym"), kWhite},
        {QStringLiteral("minbuoy"), kWhite},
        {QStringLiteral("minbuoym"), kWhite},
    };
    return table;
}

} // namespace zelvan::app::config
