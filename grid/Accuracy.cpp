#include "grid/Accuracy.h"
#include "base/Numbers.h"
#include "base/WholeFile.h"

#include "grid/NumberForm.h"
#include "grid/Rounding.h"
#include "grid/Validation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace zelvan::grid
{

AccuracyMesh accuracyMesh(PlanePoint upperLeft, PlanePoint upperRight, PlanePoint lowerLeft,
                          PlanePoint lowerRight)
{
    AccuracyMesh p{};
    p[0][0] = upperLeft;
    p[6][0] = upperRight;
    p[0][6] = lowerLeft;
    p[6][6] = lowerRight;
    for (int r = 1; r <= 5; ++r) {
        p[0][r].x = p[0][0].x + (p[0][6].x - p[0][0].x) * r / 6;
        p[0][r].y = p[0][0].y + (p[0][6].y - p[0][0].y) * r / 6;
        p[6][r].x = p[6][0].x + (p[6][6].x - p[6][0].x) * r / 6;
        p[6][r].y = p[6][0].y + (p[6][6].y - p[6][0].y) * r / 6;
    }
    for (int r = 0; r <= 6; ++r) {
        for (int h = 1; h <= 5; ++h) {
            p[h][r].x = p[0][r].x + (p[6][r].x - p[0][r].x) * h / 6;
            p[h][r].y = p[0][r].y + (p[6][r].y - p[0][r].y) * h / 6;
        }
    }
    return p;
}

QString accuracyGrade(double delta)
{
    if (delta > 0.2)
        return QStringLiteral("NH");
    if (delta > 0.15)
        return QStringLiteral("C");
    if (delta > 0.1)
        return QStringLiteral("L");
    return QStringLiteral("R");
}

QString accuracyLabel(AccuracyDisplay display, double d0, double delta)
{
    switch (display) {
    case AccuracyDisplay::Distance:
        return decimalText(roundHalfUp(d0, 1));
    case AccuracyDisplay::Detail:
        return decimalText(roundHalfUp(delta, 2));
    case AccuracyDisplay::HomologationLevel:
        break;
    }
    return accuracyGrade(delta);
}

namespace
{

// A day's accuracy checks come to a few kilobytes; a file far beyond that is not one.
constexpr qint64 kMaxAccuracyFileBytes = qint64(64) * 1024 * 1024;

QString hundredths(double v)
{
    return decimalText(roundHalfUp(v, 2));
}

std::optional<double> distanceAt(WorkingSet& ws, double x, double y, const AccuracyInput& in)
{
    ws.screenX = x;
    ws.screenY = y;
    if (!distance_calculation(ws, in.barefootMode, in.sitSkiMode))
        return std::nullopt;
    return ws.jumpDistance;
}

// The four buoys' picture positions, read from their boxes.
struct MeshCorners {
    PlanePoint upperLeft, upperRight, lowerLeft, lowerRight;
};

Result<MeshCorners> meshCorners(const SetupScreenTexts& t)
{
    const auto ulx = parseNumber(t.upper_left_x), uly = parseNumber(t.upper_left_y);
    const auto urx = parseNumber(t.upper_right_x), ury = parseNumber(t.upper_right_y);
    const auto llx = parseNumber(t.lower_left_x), lly = parseNumber(t.lower_left_y);
    const auto lrx = parseNumber(t.lower_right_x), lry = parseNumber(t.lower_right_y);
    if (!ulx || !uly || !urx || !ury || !llx || !lly || !lrx || !lry)
        return fail(QStringLiteral(
            "The accuracy check needs the four buoys' picture positions - Re-enter data"));
    return MeshCorners{{*ulx, *uly}, {*urx, *ury}, {*llx, *lly}, {*lrx, *lry}};
}

// The heading of the check in the accuracy file: the set-up as the boxes show it.
QStringList accuracyHeading(const SetupScreenTexts& t, const GridCheck& ratios,
                            const WorkingSet& ws, const QDateTime& now)
{
    QStringList lines;
    lines << now.toString(QStringLiteral("MM-dd-yyyy")) + QStringLiteral("  ") +
                 now.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" Accuracy Check")
          << QStringLiteral("Grid Set-up for accuracy check") << t.ipt_file_description
          << t.ipt_file_description_2
          << QStringLiteral("Grid Number: ") + writtenNumber(ws.currentGrid) << QStringLiteral(" ")
          << QStringLiteral("Front Ratio: ") + decimalText(std::floor(ratios.front))
          << QStringLiteral("Back Ratio: ") + decimalText(std::floor(ratios.back));
    lines << buoyAndJumpLines(t, QStringLiteral("Pixels"));
    lines << QStringLiteral("Check Buoy X,Y Pixels: ") + writtenNumber(ws.checkScreenX) +
                 QStringLiteral("  ") + writtenNumber(ws.checkScreenY)
          << QStringLiteral("Check Buoy X,Y Survey: ") + t.txtCheckX + QStringLiteral("  ") +
                 t.txtCheckY
          << QStringLiteral(" ");
    return lines;
}

// The distance at p and one pixel to the right of and below it; fails when a conversion does.
Status measurePoint(const AccuracyInput& in, AccuracyDisplay display, WorkingSet& ws,
                    AccuracyPoint& p)
{
    const auto d0 = distanceAt(ws, p.x, p.y, in);
    const auto dH = d0 ? distanceAt(ws, p.x + kTwipsPerPixel, p.y, in) : std::nullopt;
    const auto dV = dH ? distanceAt(ws, p.x, p.y + kTwipsPerPixel, in) : std::nullopt;
    if (!dV)
        return fail(QStringLiteral("The grid cannot convert the point x = %1, y = %2 "
                                   "(it lies on the horizon of the picture).  Accuracy check "
                                   "stopped.")
                        .arg(decimalText(p.x), decimalText(p.y)));
    p.d0 = *d0;
    p.dH = *dH;
    p.dV = *dV;
    p.waterX = ws.waterX;
    p.waterY = ws.waterY;
    const double horizontal = std::fabs(p.dH - p.d0);
    const double vertical = std::fabs(p.dV - p.d0);
    p.delta = vertical > horizontal ? vertical : horizontal;
    p.label = accuracyLabel(display, p.d0, p.delta);
    p.left = p.x;
    p.top = p.y + 75;
    return {};
}

QString pointLine(const AccuracyPoint& p)
{
    return QStringLiteral("xpix: ") + decimalText(std::floor(p.x)) + QStringLiteral("  ypix: ") +
           decimalText(std::floor(p.y)) + QStringLiteral("  x: ") + hundredths(p.waterX) +
           QStringLiteral("  y: ") + hundredths(p.waterY) + QStringLiteral("  distance: ") +
           hundredths(p.d0) + QStringLiteral("  v inc: ") + hundredths(p.dV) +
           QStringLiteral("  h inc: ") + hundredths(p.dH) + QStringLiteral("  delta: ") +
           hundredths(p.delta);
}

// Every mesh point, h = 0..6 and inside it r = 0..6, until a conversion fails.
Status measureMesh(const AccuracyInput& in, WorkingSet& ws, AccuracyResult& result)
{
    for (int h = 0; h <= 6; ++h) {
        for (int r = 0; r <= 6; ++r) {
            AccuracyPoint p;
            p.h = h;
            p.r = r;
            p.index = 7 * h + r;
            p.x = result.mesh[h][r].x;
            p.y = result.mesh[h][r].y;
            if (Status measured = measurePoint(in, result.display, ws, p); !measured)
                return measured;
            result.fileLines << pointLine(p);
            result.points.append(p);
        }
    }
    return {};
}

} // namespace

AccuracyResult runAccuracyCheck(const AccuracyInput& in, WorkingSet& ws, const Clock& clock)
{
    AccuracyResult result;
    const SetupScreenTexts& t = in.texts;
    result.display =
        in.mode == AccuracyMode::Standard ? AccuracyDisplay::HomologationLevel : in.display;
    result.indicatorsVisible = in.mode == AccuracyMode::Advanced;

    const auto corners = meshCorners(t);
    if (!corners) {
        result.status = fail(corners.error());
        return result;
    }
    const auto width = parseNumber(t.pictureWidthTwips);
    const MeshCorners& c = *corners;
    const auto ratios = grid_check(c.lowerRight.x, c.lowerLeft.x, c.upperRight.x, c.upperLeft.x,
                                   width ? *width : 0);
    if (!ratios) {
        result.status = fail(QStringLiteral("The picture width \"%1\" is not a positive number")
                                 .arg(t.pictureWidthTwips));
        return result;
    }

    result.fileLines = accuracyHeading(t, *ratios, ws, clock.now());
    result.mesh = accuracyMesh(c.upperLeft, c.upperRight, c.lowerLeft, c.lowerRight);
    result.status = measureMesh(in, ws, result);
    if (result.status)
        result.fileLines << QStringLiteral("Accuracy Check Complete") << QString();
    return result;
}

QString accuracyFileName(const QDate& date)
{
    return QStringLiteral("acc") + date.toString(QStringLiteral("MMdd")) + QStringLiteral(".txt");
}

Status appendAccuracyFile(const QString& folder, const QDate& date, const QStringList& lines)
{
    const QString path = QDir(folder).filePath(accuracyFileName(date));
    QByteArray content;
    if (QFileInfo::exists(path)) {
        const Result<QByteArray> existing = readInputFile(path, kMaxAccuracyFileBytes);
        if (!existing)
            return fail(existing.error());
        content = *existing;
    }
    for (const QString& line : lines)
        content += line.toLocal8Bit() + "\r\n";
    return writeWholeFile(path, content);
}

QList<SkierPathLine> skierPathLines(const AccuracyMesh& mesh)
{
    QList<SkierPathLine> lines;
    for (int r = 0; r <= 6; ++r) {
        SkierPathLine line;
        line.from = mesh[0][r];
        line.to = mesh[6][r];
        line.labelText = QString::number(r + 1);
        line.labelLeft = mesh[0][r].x + 30;
        line.labelTop = mesh[0][r].y - 90;
        lines.append(line);
    }
    return lines;
}

std::optional<int> askSkierPathLine(Dialogs& dialogs, int maxAsks)
{
    for (int ask = 0; ask < maxAsks; ++ask) {
        const auto answer =
            dialogs.input(QString::fromLatin1(kSkierPathPrompt),
                          QString::fromLatin1(kSkierPathTitle), QString(), QPoint(100, 100));
        if (!answer)
            continue;
        const double line = leadingNumber(*answer);
        for (int candidate = 1; candidate <= 7; ++candidate)
            if (line == candidate)
                return candidate;
    }
    return std::nullopt;
}

QList<int> skierPathIndicators(int line)
{
    QList<int> indices;
    for (int h = 0; h <= 6; ++h)
        indices.append(line - 1 + 7 * h);
    return indices;
}

} // namespace zelvan::grid
