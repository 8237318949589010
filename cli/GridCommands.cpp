// zelvan-tool grid solve, distance, to-screen, accuracy: the set-up's "Complete", the
// distance of an impact point and the accuracy mesh, on the same logic the screens call.
#include "base/Numbers.h"
#include "base/WholeFile.h"
#include "cli/Command.h"
#include "grid/Accuracy.h"
#include "grid/Complete.h"
#include "grid/GridFile.h"
#include "grid/Rounding.h"
#include "grid/SetupBoxes.h"
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

constexpr qint64 kMaxSetupJsonBytes = qint64(16) * 1024 * 1024;

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
    // A FIFO or a device is refused unopened; no set-up description comes near the bound.
    const Result<QByteArray> bytes = readInputFile(path, kMaxSetupJsonBytes);
    if (!bytes)
        throw CommandError(bytes.error());
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(*bytes, &parseError);
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

// The setup's whole-file numbers, checked in the order the tool reports them.
struct SolveNumbers {
    int grid = 1;
    int numGrids = 1;
    double pictureWidth = 12000;
};

SolveNumbers readSolveNumbers(const QJsonObject& setup)
{
    const double gridNumber = optionalNumber(setup, QStringLiteral("grid"), 1);
    if (gridNumber != 1 && gridNumber != 2 && gridNumber != 3)
        throw CommandError(QStringLiteral("grid must be 1, 2 or 3"));
    const double numGrids = optionalNumber(setup, QStringLiteral("numGrids"), 1);
    if (numGrids != 1 && numGrids != 2 && numGrids != 3)
        throw CommandError(QStringLiteral("numGrids must be 1, 2 or 3"));
    if (gridNumber > numGrids)
        throw CommandError(QStringLiteral("grid is above numGrids"));
    const double width = optionalNumber(setup, QStringLiteral("pictureWidthTwips"), 12000);
    if (!(width > 0))
        throw CommandError(QStringLiteral("pictureWidthTwips must be positive"));
    return {static_cast<int>(gridNumber), static_cast<int>(numGrids), width};
}

// Element index of the [X, Y] pair the box names: under key, or under key.part of the point
// object key. Both elements are checked, so a broken pair is reported at its first box.
double pairElement(const QJsonObject& setup, const grid::SetupJsonField& field)
{
    const QString key = QLatin1String(field.key);
    double xy[2] = {0, 0};
    if (!field.part) {
        readPair(setup, key, key, xy[0], xy[1]);
        return xy[field.index];
    }
    if (!setup.value(key).isObject())
        throw CommandError(QStringLiteral("%1 is missing").arg(key));
    const QString part = QLatin1String(field.part);
    readPair(setup.value(key).toObject(), part, key + QLatin1Char('.') + part, xy[0], xy[1]);
    return xy[field.index];
}

// The set-up screen's boxes as SETUP.json fills them, box by box from the one box table.
grid::SetupScreenTexts setupTexts(const QJsonObject& setup, const SolveNumbers& numbers)
{
    grid::SetupScreenTexts t;
    for (const grid::SetupBox& box : grid::setupBoxes()) {
        QString& text = box.of(t);
        switch (box.json.form) {
        case grid::SetupJsonField::Form::GridCaption:
            text = QStringLiteral("Grid %1").arg(numbers.grid);
            break;
        case grid::SetupJsonField::Form::PictureWidth:
            text = decimalText(numbers.pictureWidth);
            break;
        case grid::SetupJsonField::Form::Text:
            text = optionalText(setup, QLatin1String(box.json.key), text);
            break;
        case grid::SetupJsonField::Form::PairElement:
            text = decimalText(pairElement(setup, box.json));
            break;
        }
    }
    return t;
}

void insertFigures(const grid::CompleteResult& r, QJsonObject& out)
{
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
}

// The ratios and the survey direction are reported whatever the verdict: they describe the
// picked positions.
void insertPlacement(const grid::SetupScreenTexts& t, double width, QJsonObject& out)
{
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
}

QJsonArray saveAccepted(const QString& savePath, const grid::SetupScreenTexts& t,
                        const grid::CompleteResult& r, const grid::GridStore& store)
{
    QJsonArray saved;
    if (!r.accepted())
        return saved;
    const Status written = grid::saveGridFilePair(
        savePath, t.ipt_file_description_2, store.setup[r.gridNumber], t.txtCheckX, t.txtCheckY);
    if (!written)
        throw CommandError(written.error());
    saved << savePath << grid::checkBuoyFilePath(savePath);
    return saved;
}

QJsonObject gridSolve(const Args& args)
{
    args.allow({QStringLiteral("in"), QStringLiteral("save")}, {QStringLiteral("allow-invalid")});
    const QJsonObject setup = readJsonFile(args.required(QStringLiteral("in")));
    // The grid file names itself by its full path on line 1; report the same path.
    const QString saveOption = args.option(QStringLiteral("save"));
    const QString savePath =
        saveOption.isEmpty() ? QString() : QFileInfo(saveOption).absoluteFilePath();

    const SolveNumbers numbers = readSolveNumbers(setup);
    const grid::SetupScreenTexts t = setupTexts(setup, numbers);
    grid::CompleteSettings settings;
    settings.numGrids = numbers.numGrids;
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
    insertFigures(r, out);
    insertPlacement(t, numbers.pictureWidth, out);
    out.insert(QStringLiteral("messages"), messagesJson(r.messages));
    out.insert(QStringLiteral("messageBoxes"), messageBoxesJson(r.messages));
    out.insert(QStringLiteral("debugLog"), QJsonArray::fromStringList(r.debugLog));
    out.insert(QStringLiteral("setupBlock"), QJsonArray::fromStringList(r.setupBlock));
    if (!savePath.isEmpty())
        out.insert(QStringLiteral("saved"), saveAccepted(savePath, t, r, store));
    return out;
}

grid::WorkingSet loadGrid(const QString& path, grid::GridFileContents* contents = nullptr)
{
    const auto file = grid::loadGridFilePair(path);
    if (!file)
        throw CommandError(file.error());
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
    if (!r.status)
        throw CommandError(r.status.error());
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
