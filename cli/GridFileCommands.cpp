// zelvan-tool grid show: the fields of a grid file pair, as the station reads them.
#include "cli/Command.h"
#include "grid/GridFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace zelvan::cli
{

namespace
{

QJsonArray pair(double a, double b)
{
    return QJsonArray{a, b};
}

QJsonObject buoyObject(const grid::Buoy& b)
{
    return QJsonObject{{QStringLiteral("screen"), pair(b.screenX, b.screenY)},
                       {QStringLiteral("survey"), pair(b.surveyX, b.surveyY)}};
}

QJsonObject gridShow(const Args& args)
{
    args.allow({}, {});
    const QStringList files = args.positionals();
    if (files.size() != 1)
        throw CommandError(QStringLiteral("grid show needs exactly one grid file"));
    const QString& path = files.first();

    const auto contents = grid::loadGridFilePair(path);
    if (!contents)
        throw CommandError(contents.error());
    const grid::GridSetup& s = contents->setup;

    QJsonArray coefficients;
    for (int i = 1; i <= 8; ++i)
        coefficients.append(s.c[i]);

    QJsonValue check = QJsonValue::Null;
    if (contents->hasCheckBuoyFile) {
        check = QJsonObject{
            {QStringLiteral("screen"), pair(s.checkScreenX, s.checkScreenY)},
            {QStringLiteral("survey"), pair(s.checkSurveyX, s.checkSurveyY)},
            {QStringLiteral("surveyText"), QJsonArray{contents->checkXText, contents->checkYText}}};
    }

    return QJsonObject{
        {QStringLiteral("path"), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())},
        {QStringLiteral("description"), contents->description2},
        {QStringLiteral("gridNumber"), s.gridNumber},
        {QStringLiteral("upperRight"), buoyObject(s.buoy[grid::UpperRight])},
        {QStringLiteral("lowerRight"), buoyObject(s.buoy[grid::LowerRight])},
        {QStringLiteral("upperLeft"), buoyObject(s.buoy[grid::UpperLeft])},
        {QStringLiteral("lowerLeft"), buoyObject(s.buoy[grid::LowerLeft])},
        {QStringLiteral("coefficients"), coefficients},
        {QStringLiteral("jump"), pair(s.jumpX, s.jumpY)},
        {QStringLiteral("constants"), pair(s.constant1, s.constant2)},
        {QStringLiteral("check"), check},
        {QStringLiteral("ready"), contents->hasCheckBuoyFile && s.checkScreenX > 0},
    };
}

} // namespace

ZELVAN_COMMAND("grid show", "grid show FILE.ipt", gridShow);

} // namespace zelvan::cli
