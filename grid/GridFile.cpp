#include "grid/GridFile.h"
#include "base/Numbers.h"

#include "base/Clock.h"
#include "base/WholeFile.h"
#include "grid/NumberForm.h"
#include "grid/Transform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cmath>

namespace zelvan::grid
{

namespace
{

constexpr int kGridFileLines = 19;
constexpr int kCheckBuoyFileLines = 4;
// No line the station writes comes near this; a longer one means the file is something else.
constexpr qsizetype kMaxLineLength = 4096;

const QLatin1String kLineEnd("\r\n");

QString gridFileLabel(const QString& path)
{
    return QStringLiteral("Grid file %1").arg(QFileInfo(path).fileName());
}

QString checkBuoyFileLabel(const QString& path)
{
    return QStringLiteral("Check buoy file %1").arg(QFileInfo(checkBuoyFilePath(path)).fileName());
}

QString lineError(const QString& label, int line, const QString& what)
{
    return QStringLiteral("%1, line %2: %3").arg(label).arg(line).arg(what);
}

bool isControl(QChar c)
{
    return (c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f;
}

QString decodedText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

Status plainLine(const QString& line, const QString& label, int lineNumber)
{
    if (line.size() > kMaxLineLength)
        return fail(lineError(label, lineNumber, QStringLiteral("line too long")));
    for (QChar c : line) {
        if (c.isNull())
            return fail(lineError(label, lineNumber, QStringLiteral("binary data (NUL byte)")));
        if (isControl(c))
            return fail(
                lineError(label, lineNumber, QStringLiteral("unexpected control character")));
    }
    return {};
}

// Splits file bytes into lines (CR LF or LF), refusing anything that is not a plain text
// file the station could have written: NUL bytes, stray control characters, huge files or
// lines. Files written elsewhere in the ANSI code page are taken as Latin-1.
Result<QStringList> splitLines(const QByteArray& bytes, const QString& label)
{
    if (bytes.size() > kMaxGridFileBytes)
        return fail(QStringLiteral("%1: too large to be a grid setup file").arg(label));
    if (bytes.isEmpty())
        return fail(QStringLiteral("%1: the file is empty").arg(label));

    QStringList lines = decodedText(bytes).split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    for (int i = 0; i < lines.size(); ++i) {
        QString& line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (const Status plain = plainLine(line, label, i + 1); !plain)
            return fail(plain.error());
    }
    return lines;
}

// A line of numbers separated by commas; the count must match.
Result<std::vector<double>> numbersOnLine(const QStringList& lines, int lineNumber, int count,
                                          const QString& label)
{
    const auto lineFailure = [&](const QString& what) {
        return fail(lineError(label, lineNumber, what));
    };
    if (lineNumber > lines.size())
        return lineFailure(QStringLiteral("missing (the file ends early)"));
    const QStringList fields = lines.at(lineNumber - 1).split(QLatin1Char(','));
    if (fields.size() != count) {
        if (count == 1)
            return lineFailure(QStringLiteral("expected one number"));
        return lineFailure(QStringLiteral("expected %1 numbers separated by commas").arg(count));
    }
    std::vector<double> values;
    for (const QString& field : fields) {
        const std::optional<double> v = parseNumber(field);
        if (!v)
            return lineFailure(QStringLiteral("not a number"));
        values.push_back(*v);
    }
    return values;
}

bool onlyBlankLinesFrom(const QStringList& lines, int firstExtra)
{
    for (int i = firstExtra; i < lines.size(); ++i) {
        if (!lines.at(i).trimmed().isEmpty())
            return false;
    }
    return true;
}

// Older stations read and write these files in the ANSI code page, so text that fits Latin-1
// is written that way; anything else, or Latin-1 bytes that would read back as different
// UTF-8 text, goes out as UTF-8 (the reader tries UTF-8 first).
QByteArray encodedText(const QString& text)
{
    bool latin1 = true;
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() > 0xff)
            latin1 = false;
        if (c.unicode() > 0x7f)
            ascii = false;
    }
    if (ascii || !latin1)
        return text.toUtf8();
    QByteArray bytes = text.toLatin1();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString readBack = utf8.decode(bytes);
    if (utf8.hasError() || readBack == text)
        return bytes;
    return text.toUtf8();
}

bool textIsWritable(const QString& text)
{
    for (QChar c : text) {
        if (c.isNull() || isControl(c))
            return false;
    }
    return text.size() <= kMaxLineLength;
}

QString absoluteNativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

Result<QByteArray> readCapped(const QString& path, const QString& label)
{
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("%1: not found").arg(label));
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1: not a regular file").arg(label));
    if (QFileInfo(path).size() > kMaxGridFileBytes)
        return fail(QStringLiteral("%1: too large to be a grid setup file").arg(label));
    Result<QByteArray> bytes = readInputFile(path, kMaxGridFileBytes);
    if (!bytes)
        return fail(QStringLiteral("%1: cannot be read (%2)").arg(label, bytes.error()));
    return bytes;
}

QString cannotBeWritten(const QString& label, const QString& reason)
{
    return QStringLiteral("%1: cannot be written (%2)").arg(label, reason);
}

// The buoy lines 3..6 and the single numbers of lines 7..19.
Status readGridNumbers(const QStringList& lines, const QString& label, GridSetup& s)
{
    for (int k = 1; k <= 4; ++k) {
        const auto v = numbersOnLine(lines, 2 + k, 4, label);
        if (!v)
            return fail(v.error());
        s.buoy[k] = Buoy{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
    }
    double* const singles[] = {&s.c[1],      &s.c[2],      &s.c[3],      &s.c[4],  &s.c[5],
                               &s.c[6],      &s.c[7],      &s.c[8],      &s.jumpX, &s.jumpY,
                               &s.constant1, &s.constant2, &s.gridNumber};
    int lineNumber = 7;
    for (double* target : singles) {
        const auto v = numbersOnLine(lines, lineNumber, 1, label);
        if (!v)
            return fail(v.error());
        *target = v->front();
        ++lineNumber;
    }
    return {};
}

Result<GridFileContents> parseGridFile(const QString& path, const QByteArray& gridBytes)
{
    const QString label = gridFileLabel(path);
    const auto lines = splitLines(gridBytes, label);
    if (!lines)
        return fail(lines.error());
    GridFileContents out;
    out.path = path;
    if (lines->size() < 2)
        return fail(lineError(label, 2, QStringLiteral("missing (the file ends early)")));
    out.description2 = lines->at(1); // line 1 is read and set aside
    if (const Status read = readGridNumbers(*lines, label, out.setup); !read)
        return fail(read.error());
    if (!onlyBlankLinesFrom(*lines, kGridFileLines))
        return fail(lineError(label, kGridFileLines + 1,
                              QStringLiteral("unexpected text after the grid number")));
    return out;
}

// The check-buoy file's screen position and survey texts into out.
Status parseCheckBuoyFile(const QString& path, const QByteArray& bytes, GridFileContents& out)
{
    const QString cbLabel = checkBuoyFileLabel(path);
    const auto cb = splitLines(bytes, cbLabel);
    if (!cb)
        return fail(cb.error());
    const auto x = numbersOnLine(*cb, 1, 1, cbLabel);
    if (!x)
        return fail(x.error());
    const auto y = numbersOnLine(*cb, 2, 1, cbLabel);
    if (!y)
        return fail(y.error());
    if (cb->size() < kCheckBuoyFileLines)
        return fail(
            lineError(cbLabel, cb->size() + 1, QStringLiteral("missing (the file ends early)")));
    if (!onlyBlankLinesFrom(*cb, kCheckBuoyFileLines))
        return fail(lineError(cbLabel, kCheckBuoyFileLines + 1,
                              QStringLiteral("unexpected text after the check buoy")));
    GridSetup& s = out.setup;
    s.checkScreenX = x->front();
    s.checkScreenY = y->front();
    out.checkXText = cb->at(2);
    out.checkYText = cb->at(3);
    // The survey lines are the texts as typed. With a picked check buoy they must be numbers;
    // without one (screen x 0) the grid is not ready anyway and whatever the boxes held when
    // it was saved (empty, a placeholder) is kept as text and read as 0.
    const std::optional<double> surveyX = parseNumber(out.checkXText);
    const std::optional<double> surveyY = parseNumber(out.checkYText);
    if (s.checkScreenX > 0 && !surveyX)
        return fail(lineError(cbLabel, 3, QStringLiteral("not a number")));
    if (s.checkScreenX > 0 && !surveyY)
        return fail(lineError(cbLabel, 4, QStringLiteral("not a number")));
    s.checkSurveyX = surveyX.value_or(0);
    s.checkSurveyY = surveyY.value_or(0);
    out.hasCheckBuoyFile = true;
    return {};
}

// The check-buoy file's bytes; no value when there is no check-buoy file.
Result<std::optional<QByteArray>> readCheckBuoyFile(const QString& path)
{
    const QString cbPath = checkBuoyFilePath(path);
    if (!QFileInfo::exists(cbPath))
        return std::optional<QByteArray>();
    const QString cbLabel = checkBuoyFileLabel(path);
    const auto bytes = readCapped(cbPath, cbLabel);
    if (!bytes)
        return fail(bytes.error());
    return std::optional<QByteArray>(*bytes);
}

} // namespace

QString checkBuoyFilePath(const QString& gridPath)
{
    return gridPath + QStringLiteral(".cb");
}

Result<QByteArray> gridFileBytes(const QString& gridPath, const QString& description2,
                                 const GridSetup& setup)
{
    const QString label = gridFileLabel(gridPath);
    const QString fullPath = absoluteNativePath(gridPath);
    if (!textIsWritable(fullPath))
        return fail(QStringLiteral("%1: the path cannot be written on one line").arg(label));
    if (!textIsWritable(description2))
        return fail(QStringLiteral("%1: the descriptive line holds a line break or a "
                                   "control character, or is too long")
                        .arg(label));

    QString text;
    text += QStringLiteral("Initialization Points for file: ") + fullPath + kLineEnd;
    text += description2 + kLineEnd;
    std::vector<double> all;
    for (int k = 1; k <= 4; ++k) {
        const Buoy& b = setup.buoy[k];
        text += writtenNumber(b.screenX) + QLatin1Char(',') + writtenNumber(b.screenY) +
                QLatin1Char(',') + writtenNumber(b.surveyX) + QLatin1Char(',') +
                writtenNumber(b.surveyY) + kLineEnd;
        all.insert(all.end(), {b.screenX, b.screenY, b.surveyX, b.surveyY});
    }
    const double tail[] = {setup.c[1],      setup.c[2],  setup.c[3],      setup.c[4],
                           setup.c[5],      setup.c[6],  setup.c[7],      setup.c[8],
                           setup.jumpX,     setup.jumpY, setup.constant1, setup.constant2,
                           setup.gridNumber};
    for (double v : tail) {
        text += writtenNumber(v) + kLineEnd;
        all.push_back(v);
    }
    for (double v : all) {
        if (!std::isfinite(v))
            return fail(
                QStringLiteral("%1: a value is not a finite number; nothing written").arg(label));
    }
    return encodedText(text);
}

Result<QByteArray> checkBuoyFileBytes(double checkScreenX, double checkScreenY,
                                      const QString& checkXText, const QString& checkYText)
{
    if (!std::isfinite(checkScreenX) || !std::isfinite(checkScreenY))
        return fail(QStringLiteral("Check buoy position is not a finite number"));
    if (!textIsWritable(checkXText) || !textIsWritable(checkYText))
        return fail(QStringLiteral("Check buoy survey text holds a line break or a control "
                                   "character, or is too long"));
    QString text;
    text += writtenNumber(checkScreenX) + kLineEnd;
    text += writtenNumber(checkScreenY) + kLineEnd;
    text += checkXText + kLineEnd;
    text += checkYText + kLineEnd;
    return encodedText(text);
}

Status saveGridFilePair(const QString& path, const QString& description2, const GridSetup& setup,
                        const QString& checkXText, const QString& checkYText)
{
    const auto gridBytes = gridFileBytes(path, description2, setup);
    if (!gridBytes)
        return fail(gridBytes.error());
    const auto cbBytes =
        checkBuoyFileBytes(setup.checkScreenX, setup.checkScreenY, checkXText, checkYText);
    if (!cbBytes)
        return fail(cbBytes.error());

    // Both files are written beside their targets first; a failure there leaves the old pair
    // untouched. Then both are put in place together: a check-buoy file that cannot be put in
    // place gets the grid file its old contents back, since a grid file beside the check-buoy
    // file of another set-up would load as ready.
    std::vector<StagedFile> pair;
    pair.emplace_back(path);
    pair.emplace_back(checkBuoyFilePath(path));
    if (Status written = pair[0].write(*gridBytes); !written)
        return fail(cannotBeWritten(gridFileLabel(path), written.error()));
    if (Status written = pair[1].write(*cbBytes); !written)
        return fail(cannotBeWritten(checkBuoyFileLabel(path), written.error()));
    return commitTogether(pair, kMaxGridFileBytes);
}

Result<GridFileContents> parseGridFilePair(const QString& path, const QByteArray& gridBytes,
                                           const QByteArray* checkBuoyBytes)
{
    auto contents = parseGridFile(path, gridBytes);
    if (!contents || !checkBuoyBytes)
        return contents;
    if (const Status cb = parseCheckBuoyFile(path, *checkBuoyBytes, *contents); !cb)
        return fail(cb.error());
    return contents;
}

Result<GridFileContents> loadGridFilePair(const QString& path)
{
    const auto gridBytes = readCapped(path, gridFileLabel(path));
    if (!gridBytes)
        return fail(gridBytes.error());
    const auto cbBytes = readCheckBuoyFile(path);
    if (!cbBytes)
        return fail(cbBytes.error());
    const std::optional<QByteArray>& cb = *cbBytes;
    return parseGridFilePair(path, *gridBytes, cb ? &*cb : nullptr);
}

QStringList loadSetupBlock(const GridFileContents& file, int n, const QDateTime& now,
                           SetupBlockForm form)
{
    const GridSetup& s = file.setup;
    const QString gap = QStringLiteral("  ");
    const QString blank = QStringLiteral(" ");
    QStringList lines;
    lines << setupBlockHeading(now);
    lines << absoluteNativePath(file.path) << file.description2;
    lines << QStringLiteral("Grid Number: ") + writtenNumber(n) << blank;
    // The buoy values are the texts of the set-up screen's boxes, which show the bare number.
    lines << buoyAndJumpLines(setupScreenTexts(s), QStringLiteral("Twips"));
    if (s.checkScreenX > 0) {
        lines << QStringLiteral("Check Buoy X,Y Twips: ") + writtenNumber(s.checkScreenX) + gap +
                     writtenNumber(s.checkScreenY);
        const QString label = form == SetupBlockForm::GridLoad
                                  ? QStringLiteral("Check Buoyt X,Y Survey: ")
                                  : QStringLiteral("Check Buoy X,Y Survey: ");
        lines << label + writtenNumber(s.checkSurveyX) + gap + writtenNumber(s.checkSurveyY);
    } else {
        lines << QStringLiteral("No check buoy for this set up");
    }
    lines << blank;
    return lines;
}

namespace
{

// What the set-up screen's boxes show after the load. A set-up without a check-buoy file
// shows empty survey boxes and "auto" for the check buoy's picture position.
SetupScreenTexts boxesAfterLoad(const GridFileContents& contents, const QString& shownPath)
{
    const GridSetup& s = contents.setup;
    SetupScreenTexts boxes = setupScreenTexts(s);
    boxes.ipt_file_description = shownPath;
    boxes.ipt_file_description_2 = contents.description2;
    if (contents.hasCheckBuoyFile) {
        boxes.txtCheckX = contents.checkXText;
        boxes.txtCheckY = contents.checkYText;
        boxes.txtCheckXpix = numberText(s.checkScreenX);
        boxes.txtCheckYpix = numberText(s.checkScreenY);
    } else {
        boxes.txtCheckX.clear();
        boxes.txtCheckY.clear();
        boxes.txtCheckXpix = QStringLiteral("auto");
        boxes.txtCheckYpix = QStringLiteral("auto");
    }
    return boxes;
}

// The set-up block and, on the set-up screen's Load, the front/back ratios.
void reportLoad(const GridLoadRequest& request, const Clock& clock, GridLoadResult& result)
{
    const bool startup = request.form == SetupBlockForm::StartupLoad;
    const GridSetup& s = result.file.setup;
    if (startup && !(s.checkScreenX > 0)) {
        // At start-up a grid without a usable check buoy is reported and left not ready; no
        // set-up block is written for it.
        result.messages.push_back(
            {QString::fromLatin1(kStartupNoCheckBuoyMessage), Icon::None, QString()});
    } else {
        result.setupBlock = loadSetupBlock(result.file, request.grid, clock.now(), request.form);
    }
    if (startup)
        return;
    // The ratios are taken from the boxes, which now show the loaded buoys.
    const auto ratios = grid_check(s.buoy[LowerRight].screenX, s.buoy[LowerLeft].screenX,
                                   s.buoy[UpperRight].screenX, s.buoy[UpperLeft].screenX,
                                   request.pictureWidthTwips);
    if (ratios) {
        result.gridCheck = *ratios;
        result.debugLog << ratios->log;
        result.messages << ratios->messages;
    }
}

// Filling the set-up screen's boxes counts as an edit, which withdraws allGridsReady; a grid
// whose data were just replaced by a set-up without a usable check buoy is no longer the grid
// that was made ready, so it is not ready any more either.
void updateReadiness(const GridLoadRequest& request, GridStore& store, GridFlags& flags,
                     GridLoadResult& result)
{
    const int n = request.grid;
    flags.allGridsReady = 0;
    if (!(result.file.setup.checkScreenX > 0)) {
        store.ready[n] = false;
        return;
    }
    result.ready = true;
    store.ready[n] = true;
    result.settingsKey = QStringLiteral("grid%1File").arg(n);
    const bool startup = request.form == SetupBlockForm::StartupLoad;
    auto log = [&](const QString& line) {
        if (!startup)
            result.debugLog << line;
    };
    log(QStringLiteral("Load grid file names on main page below"));
    log(QStringLiteral("Load grid %1").arg(n));
    log(QStringLiteral("Grid load message above"));
    const int numGrids = request.numGrids;
    if (numGrids == 1 && store.ready[1]) {
        flags.allGridsReady = 1.0;
        log(QStringLiteral("1 grid - OK"));
    } else if (numGrids == 2 && store.ready[1] && store.ready[2]) {
        flags.allGridsReady = 1.0;
        log(QStringLiteral("2 grids - OK"));
    } else if (numGrids == 3 && store.ready[1] && store.ready[2] && store.ready[3]) {
        flags.allGridsReady = 1.0;
        log(QStringLiteral("3 grids - OK"));
    }
    log(QStringLiteral("Number of grids loaded message above"));
}

} // namespace

GridLoadResult loadGridIntoStation(const GridLoadRequest& request, GridStore& store,
                                   WorkingSet& work, GridFlags& flags, const Clock& clock)
{
    const int n = request.grid;
    GridLoadResult result;
    if (n < 1 || n > 3) {
        result.status = fail(QStringLiteral("Grid number %1 is not 1, 2 or 3").arg(n));
        return result;
    }
    const bool startup = request.form == SetupBlockForm::StartupLoad;
    if (!startup)
        result.debugLog << QStringLiteral("load grid %1").arg(n);

    auto contents = loadGridFilePair(request.path);
    if (!contents) {
        result.status = fail(contents.error());
        return result;
    }
    result.file = std::move(*contents);
    const GridSetup& s = result.file.setup;
    const QString shownPath = absoluteNativePath(request.path);

    store.setup[n] = s;
    store.gridDescription[n] = shownPath;
    store.gridDescription2[n] = result.file.description2;
    loadIntoWorkingSet(s, n, work);

    result.boxes = boxesAfterLoad(result.file, shownPath);
    if (!result.file.hasCheckBuoyFile && !startup)
        result.messages.push_back({QString::fromLatin1(kOldSetupMessage), Icon::Error, QString()});
    flags.surveyDirection =
        surveyDirectionFor(s.buoy[UpperRight].surveyX, s.buoy[UpperLeft].surveyX);
    reportLoad(request, clock, result);
    updateReadiness(request, store, flags, result);
    return result;
}

} // namespace zelvan::grid
