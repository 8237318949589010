// zelvan-tool grid solve, distance, to-screen, accuracy: the set-up's "Complete", the
// distance of an impact point and the accuracy mesh, on the same logic the screens call.
#include "base/Numbers.h"
#include "cli/Command.h"
#include "grid/Accuracy.h"
#include "grid/Complete.h"
#include "grid/GridFile.h"
#include "grid/Rounding.h"
#include "grid/Transform.h"
#include "measure/OfficialDistance.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <cmath>

namespace zelvan::cli
{

namespace
{

using grid::decimalText;

QJsonArray twoNumbers(double a, double b)
{
    return QJsonArray{a, b};
}

double finiteNumber(const QJsonValue& v, const QString& what)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        throw CommandError(QStringLiteral("%1 must be a number").arg(what));
    return v.toDouble();
}

void readPair(const QJsonObject& obj, const QString& key, const QString& what, double& a, double& b)
{
    if (!obj.contains(key))
        throw CommandError(QStringLiteral("%1 is missing").arg(what));
    const QJsonValue v = obj.value(key);
    if (!v.isArray() || v.toArray().size() != 2)
        throw CommandError(QStringLiteral("%1 must be two numbers [X, Y]").arg(what));
    a = finiteNumber(v.toArray().at(0), what);
    b = finiteNumber(v.toArray().at(1), what);
}

struct PointTexts {
    QString x, y, surveyX, surveyY;
};

PointTexts readPoint(const QJsonObject& setup, const QString& key)
{
    if (!setup.value(key).isObject())
        throw CommandError(QStringLiteral("%1 is missing").arg(key));
    const QJsonObject obj = setup.value(key).toObject();
    double x = 0, y = 0, X = 0, Y = 0;
    readPair(obj, QStringLiteral("screen"), key + QStringLiteral(".screen"), x, y);
    readPair(obj, QStringLiteral("survey"), key + QStringLiteral(".survey"), X, Y);
    return {decimalText(x), decimalText(y), decimalText(X), decimalText(Y)};
}

double optionalNumber(const QJsonObject& setup, const QString& key, double fallback)
{
    if (!setup.contains(key))
        return fallback;
    return finiteNumber(setup.value(key), key);
}

bool optionalBool(const QJsonObject& setup, const QString& key)
{
    if (!setup.contains(key))
        return false;
    if (!setup.value(key).isBool())
        throw CommandError(QStringLiteral("%1 must be true or false").arg(key));
    return setup.value(key).toBool();
}

QString optionalText(const QJsonObject& setup, const QString& key, const QString& fallback)
{
    if (!setup.contains(key))
        return fallback;
    if (!setup.value(key).isString())
        throw CommandError(QStringLiteral("%1 must be a text").arg(key));
    return setup.value(key).toString();
}

QJsonObject readJsonFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CommandError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull() || !doc.isObject())
        throw CommandError(
            QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString()));
    return doc.object();
}

QJsonArray messagesJson(const OperatorMessages& messages)
{
    QJsonArray out;
    for (const auto& m : messages)
        out.append(m.text);
    return out;
}

QString iconText(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QStringLiteral("information");
    case Icon::Warning:
        return QStringLiteral("warning");
    case Icon::Error:
        return QStringLiteral("error");
    case Icon::Question:
        return QStringLiteral("question");
    case Icon::None:
        break;
    }
    return QStringLiteral("none");
}

// Text, icon and title of each message box, the title as the operator sees it.
QJsonArray messageBoxesJson(const OperatorMessages& messages)
{
    QJsonArray out;
    for (const auto& m : messages)
        out.append(QJsonObject{{QStringLiteral("text"), m.text},
                               {QStringLiteral("icon"), iconText(m.icon)},
                               {QStringLiteral("title"),
                                m.title.isEmpty() ? QString::fromLatin1(kAppTitle) : m.title}});
    return out;
}

QString verdictText(grid::CompleteVerdict v)
{
    switch (v) {
    case grid::CompleteVerdict::Accepted:
        return QStringLiteral("accepted");
    case grid::CompleteVerdict::Incomplete:
        return QStringLiteral("incomplete");
    case grid::CompleteVerdict::CheckBuoyMissing:
        return QStringLiteral("check buoy missing");
    case grid::CompleteVerdict::NotANumber:
        return QStringLiteral("not a number");
    case grid::CompleteVerdict::NoUniqueSolution:
        return QStringLiteral("no unique solution");
    case grid::CompleteVerdict::ConversionFailed:
        return QStringLiteral("conversion failed");
    case grid::CompleteVerdict::CheckBuoyInvalid:
        return QStringLiteral("check buoy invalid");
    case grid::CompleteVerdict::FieldOfViewRefused:
        return QStringLiteral("field of view refused");
    case grid::CompleteVerdict::ScreenWidthRefused:
        return QStringLiteral("screen width refused");
    }
    return QString();
}

QJsonObject gridSolve(const Args& args)
{
    args.allow({QStringLiteral("in"), QStringLiteral("save")}, {QStringLiteral("allow-invalid")});
    const QJsonObject setup = readJsonFile(args.required(QStringLiteral("in")));
    // The grid file names itself by its full path on line 1; report the same path.
    const QString saveOption = args.option(QStringLiteral("save"));
    const QString savePath =
        saveOption.isEmpty() ? QString() : QFileInfo(saveOption).absoluteFilePath();

    grid::SetupScreenTexts t;
    const double gridNumber = optionalNumber(setup, QStringLiteral("grid"), 1);
    if (gridNumber != 1 && gridNumber != 2 && gridNumber != 3)
        throw CommandError(QStringLiteral("grid must be 1, 2 or 3"));
    const double numGrids = optionalNumber(setup, QStringLiteral("numGrids"), 1);
    if (numGrids != 1 && numGrids != 2 && numGrids != 3)
        throw CommandError(QStringLiteral("numGrids must be 1, 2 or 3"));
    if (gridNumber > numGrids)
        throw CommandError(QStringLiteral("grid is above numGrids"));
    t.grid_select = QStringLiteral("Grid %1").arg(static_cast<int>(gridNumber));
    const double width = optionalNumber(setup, QStringLiteral("pictureWidthTwips"), 12000);
    if (!(width > 0))
        throw CommandError(QStringLiteral("pictureWidthTwips must be positive"));
    t.pictureWidthTwips = decimalText(width);
    t.ipt_file_description =
        optionalText(setup, QStringLiteral("fileDescription"), QStringLiteral("No File"));
    t.ipt_file_description_2 = optionalText(setup, QStringLiteral("description"), QString());

    const PointTexts ur = readPoint(setup, QStringLiteral("upperRight"));
    const PointTexts lr = readPoint(setup, QStringLiteral("lowerRight"));
    const PointTexts ul = readPoint(setup, QStringLiteral("upperLeft"));
    const PointTexts ll = readPoint(setup, QStringLiteral("lowerLeft"));
    const PointTexts check = readPoint(setup, QStringLiteral("check"));
    double jumpX = 0, jumpY = 0;
    readPair(setup, QStringLiteral("jump"), QStringLiteral("jump"), jumpX, jumpY);
    t.upper_right_x = ur.x;
    t.upper_right_y = ur.y;
    t.ur_survey_x = ur.surveyX;
    t.ur_survey_y = ur.surveyY;
    t.lower_right_x = lr.x;
    t.lower_right_y = lr.y;
    t.lr_survey_x = lr.surveyX;
    t.lr_survey_y = lr.surveyY;
    t.upper_left_x = ul.x;
    t.upper_left_y = ul.y;
    t.ul_survey_x = ul.surveyX;
    t.ul_survey_y = ul.surveyY;
    t.lower_left_x = ll.x;
    t.lower_left_y = ll.y;
    t.ll_survey_x = ll.surveyX;
    t.ll_survey_y = ll.surveyY;
    t.txtCheckXpix = check.x;
    t.txtCheckYpix = check.y;
    t.txtCheckX = check.surveyX;
    t.txtCheckY = check.surveyY;
    t.jump_x = decimalText(jumpX);
    t.jump_y = decimalText(jumpY);

    grid::CompleteSettings settings;
    settings.numGrids = static_cast<int>(numGrids);
    settings.barefootMode = optionalBool(setup, QStringLiteral("barefootMode"));
    settings.sitSkiMode = optionalBool(setup, QStringLiteral("sitSkiMode"));
    settings.allowInvalidSetup = args.flag(QStringLiteral("allow-invalid"));

    grid::GridStore store;
    grid::WorkingSet ws;
    grid::GridFlags flags;
    const SystemClock clock;
    const grid::CompleteResult r = grid::completeSetup(t, settings, store, ws, flags, clock);

    QJsonObject out;
    out.insert(QStringLiteral("accepted"), r.accepted());
    out.insert(QStringLiteral("verdict"), verdictText(r.verdict));
    if (r.solved) {
        QJsonArray c;
        for (int i = 1; i <= 8; ++i)
            c.append(r.coefficients[i]);
        out.insert(QStringLiteral("coefficients"), c);
    }
    if (r.checkEvaluated)
        out.insert(QStringLiteral("checkBuoy"),
                   QJsonObject{{QStringLiteral("predicted"),
                                twoNumbers(r.predictedCheck.x, r.predictedCheck.y)},
                               {QStringLiteral("valid"), r.checkValid}});
    if (r.fieldOfView && r.fieldOfView->converted) {
        out.insert(QStringLiteral("leftAngle"), r.fieldOfView->leftAngle);
        out.insert(QStringLiteral("rightAngle"), r.fieldOfView->rightAngle);
        out.insert(QStringLiteral("fieldOfView"), r.fieldOfView->fieldOfView);
    }
    if (r.screenWidth)
        out.insert(QStringLiteral("screenWidthPercent"), r.screenWidth->percent);
    // The ratios are reported whatever the verdict: they describe the picked positions.
    const auto ratios = grid::grid_check(
        parseNumber(t.lower_right_x).value_or(0), parseNumber(t.lower_left_x).value_or(0),
        parseNumber(t.upper_right_x).value_or(0), parseNumber(t.upper_left_x).value_or(0), width);
    if (ratios) {
        out.insert(QStringLiteral("frontRatio"), ratios->front);
        out.insert(QStringLiteral("backRatio"), ratios->back);
    }
    out.insert(QStringLiteral("surveyDirection"),
               grid::surveyDirectionFor(parseNumber(t.ur_survey_x).value_or(0),
                                        parseNumber(t.ul_survey_x).value_or(0)));
    out.insert(QStringLiteral("messages"), messagesJson(r.messages));
    out.insert(QStringLiteral("messageBoxes"), messageBoxesJson(r.messages));
    out.insert(QStringLiteral("debugLog"), QJsonArray::fromStringList(r.debugLog));
    out.insert(QStringLiteral("setupBlock"), QJsonArray::fromStringList(r.setupBlock));

    if (!savePath.isEmpty()) {
        QJsonArray saved;
        if (r.accepted()) {
            const int n = r.gridNumber;
            QString error;
            if (!grid::saveGridFilePair(savePath, t.ipt_file_description_2, store.setup[n],
                                        t.txtCheckX, t.txtCheckY, &error))
                throw CommandError(error);
            saved << savePath << grid::checkBuoyFilePath(savePath);
        }
        out.insert(QStringLiteral("saved"), saved);
    }
    return out;
}

grid::WorkingSet loadGrid(const QString& path, grid::GridFileContents* contents = nullptr)
{
    QString error;
    const auto file = grid::loadGridFilePair(path, &error);
    if (!file)
        throw CommandError(error);
    grid::WorkingSet ws;
    grid::loadIntoWorkingSet(file->setup, 1, ws);
    if (contents)
        *contents = *file;
    return ws;
}

QJsonObject distanceCommand(const Args& args)
{
    args.allow({QStringLiteral("grid"), QStringLiteral("at")},
               {QStringLiteral("barefoot"), QStringLiteral("sitski")});
    double x = 0, y = 0;
    parsePair(args.required(QStringLiteral("at")), QStringLiteral("--at"), x, y);
    grid::WorkingSet ws = loadGrid(args.required(QStringLiteral("grid")));
    const bool barefoot = args.flag(QStringLiteral("barefoot"));
    const bool sitSki = args.flag(QStringLiteral("sitski"));
    ws.screenX = x;
    ws.screenY = y;
    if (!grid::distance_calculation(ws, barefoot, sitSki))
        throw CommandError(QStringLiteral("the point %1,%2 has no water position on this grid")
                               .arg(decimalText(x), decimalText(y)));
    const auto official = measure::officialDistance(ws.jumpDistance, barefoot || sitSki);
    return QJsonObject{{QStringLiteral("waterX"), ws.waterX},
                       {QStringLiteral("waterY"), ws.waterY},
                       {QStringLiteral("distance"), ws.jumpDistance},
                       {QStringLiteral("meters"), official.metersText},
                       {QStringLiteral("feet"), official.feetText},
                       {QStringLiteral("raw"), official.rawText}};
}

QJsonObject toScreenCommand(const Args& args)
{
    args.allow({QStringLiteral("grid"), QStringLiteral("water")}, {});
    double X = 0, Y = 0;
    parsePair(args.required(QStringLiteral("water")), QStringLiteral("--water"), X, Y);
    grid::WorkingSet ws = loadGrid(args.required(QStringLiteral("grid")));
    ws.waterX = X;
    ws.waterY = Y;
    if (!grid::water_to_screen(ws))
        throw CommandError(QStringLiteral("the water point %1,%2 has no picture position")
                               .arg(decimalText(X), decimalText(Y)));
    return QJsonObject{{QStringLiteral("screenX"), ws.screenX},
                       {QStringLiteral("screenY"), ws.screenY}};
}

QJsonObject accuracyCommand(const Args& args)
{
    args.allow({QStringLiteral("grid"), QStringLiteral("display"), QStringLiteral("picture-width")},
               {QStringLiteral("barefoot"), QStringLiteral("sitski")});
    grid::GridFileContents file;
    grid::WorkingSet ws = loadGrid(args.required(QStringLiteral("grid")), &file);

    grid::AccuracyInput in;
    in.mode = grid::AccuracyMode::Advanced;
    const QString display = args.option(QStringLiteral("display"));
    if (display.isEmpty() || display == QLatin1String("grade"))
        in.display = grid::AccuracyDisplay::HomologationLevel;
    else if (display == QLatin1String("distance"))
        in.display = grid::AccuracyDisplay::Distance;
    else if (display == QLatin1String("detail"))
        in.display = grid::AccuracyDisplay::Detail;
    else
        throw CommandError(
            QStringLiteral("--display must be grade, distance or detail: %1").arg(display));
    in.barefootMode = args.flag(QStringLiteral("barefoot"));
    in.sitSkiMode = args.flag(QStringLiteral("sitski"));
    const double width = args.number(QStringLiteral("picture-width"), 12000);
    if (!(width > 0))
        throw CommandError(QStringLiteral("--picture-width must be positive"));

    const grid::GridSetup& s = file.setup;
    grid::SetupScreenTexts& t = in.texts;
    t = grid::setupScreenTexts(s);
    t.txtCheckX = file.checkXText;
    t.txtCheckY = file.checkYText;
    t.ipt_file_description = args.required(QStringLiteral("grid"));
    t.ipt_file_description_2 = file.description2;
    t.pictureWidthTwips = decimalText(width);

    const SystemClock clock;
    const grid::AccuracyResult r = grid::runAccuracyCheck(in, ws, clock);
    if (r.error)
        throw CommandError(*r.error);
    QJsonArray points;
    for (const auto& p : r.points)
        points.append(QJsonObject{{QStringLiteral("h"), p.h},
                                  {QStringLiteral("r"), p.r},
                                  {QStringLiteral("x"), p.x},
                                  {QStringLiteral("y"), p.y},
                                  {QStringLiteral("waterX"), p.waterX},
                                  {QStringLiteral("waterY"), p.waterY},
                                  {QStringLiteral("d0"), p.d0},
                                  {QStringLiteral("dH"), p.dH},
                                  {QStringLiteral("dV"), p.dV},
                                  {QStringLiteral("delta"), p.delta},
                                  {QStringLiteral("label"), p.label}});
    return QJsonObject{{QStringLiteral("points"), points},
                       {QStringLiteral("fileLines"), QJsonArray::fromStringList(r.fileLines)}};
}

} // namespace

ZELVAN_COMMAND("grid solve", "grid solve --in SETUP.json [--save FILE.ipt] [--allow-invalid]",
               gridSolve);
ZELVAN_COMMAND("distance", "distance --grid FILE.ipt --at X,Y [--barefoot] [--sitski]",
               distanceCommand);
ZELVAN_COMMAND("to-screen", "to-screen --grid FILE.ipt --water X,Y", toScreenCommand);
ZELVAN_COMMAND("accuracy",
               "accuracy --grid FILE.ipt [--display grade|distance|detail] [--picture-width T] "
               "[--barefoot] [--sitski]",
               accuracyCommand);

} // namespace zelvan::cli
