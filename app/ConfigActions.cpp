#include "app/ConfigActions.h"

#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"
#include "app/SettingsValues.h"
#include "app/Station.h"
#include "app/TextFiles.h"

#include <QDir>

namespace zelvan::app::config
{

namespace
{

Status storeType(Station& station, const char* type)
{
    return station.settings().write(QLatin1String(key::tournamentType), QLatin1String(type));
}

} // namespace

Status setNumGrids(Station& station, int grids)
{
    const int n = (grids == 2 || grids == 3) ? grids : 1;
    station.setNumGrids(n); // settles allGridsReady for the new count
    return station.settings().write(QLatin1String(key::grids), QString::number(n));
}

Status setRightToLeft(Station& station, bool rightToLeft)
{
    station.setRightToLeft(rightToLeft);
    return station.settings().writeTruth(QLatin1String(key::right2left), rightToLeft);
}

Status setLineControl(Station& station, bool lineControlOn)
{
    station.setBoxLineOff(!lineControlOn);
    return station.settings().writeTruth(QLatin1String(key::boxlineoff), !lineControlOn);
}

Status setBuoyMarker(Station& station, bool cross)
{
    station.setBuoyMarker(cross ? QStringLiteral("cross") : QStringLiteral("circle"));
    return station.settings().write(QLatin1String(key::buoymarker), station.buoyMarker());
}

Status setLabelColor(Station& station, const QString& name)
{
    const QString chosen =
        settings::oneOf(name, {"default", "black", "white", "yellow"}, QStringLiteral("default"));
    station.setLabelColor(chosen,
                          settings::labelColorValueOf(chosen).value_or(station.labelColorValue()));
    return station.settings().write(QLatin1String(key::labelcolor), chosen);
}

Status setImpactColor(Station& station, const QString& name)
{
    const QString chosen =
        settings::oneOf(name, {"black", "red", "yellow", "white"}, QStringLiteral("white"));
    station.setImpactColorValue(settings::impactColorValueOf(chosen).value_or(settings::kWhite));
    return station.settings().write(QLatin1String(key::impactcolor), chosen);
}

Status setPictureSave(Station& station, const QString& mode)
{
    station.setPictureSaveMode(
        settings::oneOf(mode, {"Save", "NoSave", "Ask"}, QStringLiteral("Ask")));
    return station.settings().write(QLatin1String(key::PictureSave), station.pictureSaveMode());
}

Status setVideoSave(Station& station, const QString& mode)
{
    station.setVideoSaveMode(
        settings::oneOf(mode, {"Save", "NoSave", "Ask"}, QStringLiteral("Ask")));
    return station.settings().write(QLatin1String(key::VideoSave), station.videoSaveMode());
}

Status setWstims(Station& station, bool on)
{
    station.setWstims(on);
    return station.settings().writeFlag(QLatin1String(key::WSTIMS), on);
}

Status setLoupe(SettingsStore& store, bool on)
{
    return store.writeFlag(QLatin1String(key::Loupe), on);
}

Status setBarefoot(Station& station, bool ticked)
{
    using Type = Station::TournamentType;
    if (ticked) {
        station.setTournamentType(Type::Barefoot);
        return storeType(station, "barefoot");
    }
    if (station.sitSkiMode())
        return {};
    station.setTournamentType(Type::Normal);
    return storeType(station, "normal");
}

Status setSitSki(Station& station, bool ticked)
{
    using Type = Station::TournamentType;
    if (ticked) {
        station.setTournamentType(Type::SitSki);
        return storeType(station, "sitski");
    }
    if (station.barefootMode())
        return {};
    station.setTournamentType(Type::Normal);
    return storeType(station, "normal");
}

QString jumpTypeIndicator(const SettingsMirror& mirror)
{
    if (mirror.barefootMode)
        return QStringLiteral("Barefoot Jump");
    if (mirror.sitSkiMode)
        return QStringLiteral("Sit Ski Jump");
    return QString();
}

Status storeOnExit(SettingsStore& store, const SettingsMirror& mirror)
{
    if (Status name = store.write(QLatin1String(key::TournamentName), mirror.tournamentName); !name)
        return name;
    return store.write(QLatin1String(key::labelcolor), mirror.labelColorName);
}

QString capturesPathOnExit(const QString& capturesPath)
{
    QString path = capturesPath;
    while (!path.isEmpty() && path.back().isSpace())
        path.chop(1);
    // A name that ends in a separator keeps that very separator. This is not the rule of
    // withoutTrailingSeparator: dropping it and adding the platform's one back would turn
    // "C:\caps\" into "C:\caps/" on Linux and "/" into "//".
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

Status appendConfigurationLine(const QString& resultsFilePath, ConfigLine kind,
                               const QDateTime& now, const QString& tournamentName)
{
    return appendLines(resultsFilePath.trimmed(), {configurationLine(kind, now, tournamentName)});
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
