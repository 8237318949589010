#include "grid/GridFile.h"
#include "base/Numbers.h"

#include "base/Clock.h"
#include "grid/NumberForm.h"
#include "grid/Transform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

// Splits file bytes into lines (CR LF or LF), refusing anything that is not a plain text
// file the station could have written: NUL bytes, stray control characters, huge files or
// lines. Files written elsewhere in the ANSI code page are taken as Latin-1.
std::optional<QStringList> splitLines(const QByteArray& bytes, const QString& label, QString* error)
{
    auto fail = [&](const QString& text) -> std::optional<QStringList> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (bytes.size() > kMaxGridFileBytes)
        return fail(QStringLiteral("%1: too large to be a grid setup file").arg(label));
    if (bytes.isEmpty())
        return fail(QStringLiteral("%1: the file is empty").arg(label));

    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
        if (utf8.hasError())
            text = QString::fromLatin1(bytes);
    }
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);

    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    for (int i = 0; i < lines.size(); ++i) {
        QString& line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.size() > kMaxLineLength)
            return fail(lineError(label, i + 1, QStringLiteral("line too long")));
        for (QChar c : line) {
            if (c.isNull())
                return fail(lineError(label, i + 1, QStringLiteral("binary data (NUL byte)")));
            if (isControl(c))
                return fail(
                    lineError(label, i + 1, QStringLiteral("unexpected control character")));
        }
    }
    return lines;
}

// A line of numbers separated by commas; the count must match.
std::optional<std::vector<double>> numbersOnLine(const QStringList& lines, int lineNumber,
                                                 int count, const QString& label, QString* error)
{
    auto fail = [&](const QString& what) -> std::optional<std::vector<double>> {
        if (error)
            *error = lineError(label, lineNumber, what);
        return std::nullopt;
    };
    if (lineNumber > lines.size())
        return fail(QStringLiteral("missing (the file ends early)"));
    const QStringList fields = lines.at(lineNumber - 1).split(QLatin1Char(','));
    if (fields.size() != count) {
        if (count == 1)
            return fail(QStringLiteral("expected one number"));
        return fail(QStringLiteral("expected %1 numbers separated by commas").arg(count));
    }
    std::vector<double> values;
    for (const QString& field : fields) {
        const std::optional<double> v = parseNumber(field);
        if (!v)
            return fail(QStringLiteral("not a number"));
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
    const QByteArray bytes = text.toLatin1();
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

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString absoluteNativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

std::optional<QByteArray> readCapped(const QString& path, const QString& label, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: cannot be opened (%2)").arg(label, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxGridFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("%1: cannot be read (%2)").arg(label, file.errorString());
        return std::nullopt;
    }
    return bytes;
}

} // namespace

QString checkBuoyFilePath(const QString& gridPath)
{
    return gridPath + QStringLiteral(".cb");
}

std::optional<QByteArray> gridFileBytes(const QString& gridPath, const QString& description2,
                                        const GridSetup& setup, QString* error)
{
    const QString label = gridFileLabel(gridPath);
    const QString fullPath = absoluteNativePath(gridPath);
    if (!textIsWritable(fullPath)) {
        setError(error, QStringLiteral("%1: the path cannot be written on one line").arg(label));
        return std::nullopt;
    }
    if (!textIsWritable(description2)) {
        setError(error, QStringLiteral("%1: the descriptive line holds a line break or a "
                                       "control character, or is too long")
                            .arg(label));
        return std::nullopt;
    }

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
        if (!std::isfinite(v)) {
            setError(
                error,
                QStringLiteral("%1: a value is not a finite number; nothing written").arg(label));
            return std::nullopt;
        }
    }
    return encodedText(text);
}

std::optional<QByteArray> checkBuoyFileBytes(double checkScreenX, double checkScreenY,
                                             const QString& checkXText, const QString& checkYText,
                                             QString* error)
{
    if (!std::isfinite(checkScreenX) || !std::isfinite(checkScreenY)) {
        setError(error, QStringLiteral("Check buoy position is not a finite number"));
        return std::nullopt;
    }
    if (!textIsWritable(checkXText) || !textIsWritable(checkYText)) {
        setError(error, QStringLiteral("Check buoy survey text holds a line break or a control "
                                       "character, or is too long"));
        return std::nullopt;
    }
    QString text;
    text += writtenNumber(checkScreenX) + kLineEnd;
    text += writtenNumber(checkScreenY) + kLineEnd;
    text += checkXText + kLineEnd;
    text += checkYText + kLineEnd;
    return encodedText(text);
}

bool saveGridFilePair(const QString& path, const QString& description2, const GridSetup& setup,
                      const QString& checkXText, const QString& checkYText, QString* error)
{
    const std::optional<QByteArray> gridBytes = gridFileBytes(path, description2, setup, error);
    if (!gridBytes)
        return false;
    const std::optional<QByteArray> cbBytes =
        checkBuoyFileBytes(setup.checkScreenX, setup.checkScreenY, checkXText, checkYText, error);
    if (!cbBytes)
        return false;

    const QString cbPath = checkBuoyFilePath(path);
    const QString gridLabel = gridFileLabel(path);
    const QString cbLabel = checkBuoyFileLabel(path);

    // Both files go to temporaries first; a failure here leaves the old pair untouched.
    QSaveFile gridFile(path);
    QSaveFile cbFile(cbPath);
    if (!gridFile.open(QIODevice::WriteOnly) || gridFile.write(*gridBytes) != gridBytes->size())
        return setError(
            error,
            QStringLiteral("%1: cannot be written (%2)").arg(gridLabel, gridFile.errorString()));
    if (!cbFile.open(QIODevice::WriteOnly) || cbFile.write(*cbBytes) != cbBytes->size())
        return setError(
            error, QStringLiteral("%1: cannot be written (%2)").arg(cbLabel, cbFile.errorString()));

    // Keep the old grid file so that it can be put back if the check-buoy file cannot be put
    // in place; a grid file beside a check-buoy file of another set-up would load as ready.
    const bool hadGrid = QFileInfo::exists(path);
    std::optional<QByteArray> previousGrid;
    if (hadGrid) {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly))
            previousGrid = old.readAll();
    }

    if (!gridFile.commit())
        return setError(
            error,
            QStringLiteral("%1: cannot be written (%2)").arg(gridLabel, gridFile.errorString()));
    if (!cbFile.commit()) {
        const QString reason = cbFile.errorString();
        bool restored = false;
        if (previousGrid) {
            QSaveFile back(path);
            restored = back.open(QIODevice::WriteOnly) &&
                       back.write(*previousGrid) == previousGrid->size() && back.commit();
        } else if (!hadGrid) {
            restored = QFile::remove(path);
        }
        return setError(error, QStringLiteral("%1: cannot be written (%2)%3")
                                   .arg(cbLabel, reason,
                                        restored ? QStringLiteral("; the grid file was left as "
                                                                  "it was")
                                                 : QStringLiteral("; the grid file could not be "
                                                                  "restored either")));
    }
    return true;
}

std::optional<GridFileContents> parseGridFilePair(const QString& path, const QByteArray& gridBytes,
                                                  const QByteArray* checkBuoyBytes, QString* error)
{
    const QString label = gridFileLabel(path);
    const std::optional<QStringList> lines = splitLines(gridBytes, label, error);
    if (!lines)
        return std::nullopt;

    GridFileContents out;
    out.path = path;
    if (lines->size() < 2) {
        if (error)
            *error = lineError(label, 2, QStringLiteral("missing (the file ends early)"));
        return std::nullopt;
    }
    out.description2 = lines->at(1); // line 1 is read and set aside

    GridSetup& s = out.setup;
    for (int k = 1; k <= 4; ++k) {
        const auto v = numbersOnLine(*lines, 2 + k, 4, label, error);
        if (!v)
            return std::nullopt;
        s.buoy[k] = Buoy{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
    }
    double* const singles[] = {&s.c[1],      &s.c[2],      &s.c[3],      &s.c[4],  &s.c[5],
                               &s.c[6],      &s.c[7],      &s.c[8],      &s.jumpX, &s.jumpY,
                               &s.constant1, &s.constant2, &s.gridNumber};
    int lineNumber = 7;
    for (double* target : singles) {
        const auto v = numbersOnLine(*lines, lineNumber, 1, label, error);
        if (!v)
            return std::nullopt;
        *target = v->front();
        ++lineNumber;
    }
    if (!onlyBlankLinesFrom(*lines, kGridFileLines)) {
        if (error)
            *error = lineError(label, kGridFileLines + 1,
                               QStringLiteral("unexpected text after the grid number"));
        return std::nullopt;
    }

    if (!checkBuoyBytes)
        return out;

    const QString cbLabel = checkBuoyFileLabel(path);
    const std::optional<QStringList> cb = splitLines(*checkBuoyBytes, cbLabel, error);
    if (!cb)
        return std::nullopt;
    const auto x = numbersOnLine(*cb, 1, 1, cbLabel, error);
    if (!x)
        return std::nullopt;
    const auto y = numbersOnLine(*cb, 2, 1, cbLabel, error);
    if (!y)
        return std::nullopt;
    if (cb->size() < kCheckBuoyFileLines) {
        if (error)
            *error =
                lineError(cbLabel, cb->size() + 1, QStringLiteral("missing (the file ends early)"));
        return std::nullopt;
    }
    if (!onlyBlankLinesFrom(*cb, kCheckBuoyFileLines)) {
        if (error)
            *error = lineError(cbLabel, kCheckBuoyFileLines + 1,
                               QStringLiteral("unexpected text after the check buoy"));
        return std::nullopt;
    }
    s.checkScreenX = x->front();
    s.checkScreenY = y->front();
    out.checkXText = cb->at(2);
    out.checkYText = cb->at(3);
    // The survey lines are the texts as typed. With a picked check buoy they must be numbers;
    // without one (screen x 0) the grid is not ready anyway and whatever the boxes held when
    // it was saved (empty, a placeholder) is kept as text and read as 0.
    const std::optional<double> surveyX = parseNumber(out.checkXText);
    const std::optional<double> surveyY = parseNumber(out.checkYText);
    if (s.checkScreenX > 0 && !surveyX) {
        if (error)
            *error = lineError(cbLabel, 3, QStringLiteral("not a number"));
        return std::nullopt;
    }
    if (s.checkScreenX > 0 && !surveyY) {
        if (error)
            *error = lineError(cbLabel, 4, QStringLiteral("not a number"));
        return std::nullopt;
    }
    s.checkSurveyX = surveyX.value_or(0);
    s.checkSurveyY = surveyY.value_or(0);
    out.hasCheckBuoyFile = true;
    return out;
}

std::optional<GridFileContents> loadGridFilePair(const QString& path, QString* error)
{
    const QString label = gridFileLabel(path);
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("%1: not found").arg(label);
        return std::nullopt;
    }
    const std::optional<QByteArray> gridBytes = readCapped(path, label, error);
    if (!gridBytes)
        return std::nullopt;
    const QString cbPath = checkBuoyFilePath(path);
    std::optional<QByteArray> cbBytes;
    if (QFileInfo::exists(cbPath)) {
        const QString cbLabel = checkBuoyFileLabel(path);
        if (!QFileInfo(cbPath).isFile()) {
            if (error)
                *error = QStringLiteral("%1: not a file").arg(cbLabel);
            return std::nullopt;
        }
        cbBytes = readCapped(cbPath, cbLabel, error);
        if (!cbBytes)
            return std::nullopt;
    }
    return parseGridFilePair(path, *gridBytes, cbBytes ? &*cbBytes : nullptr, error);
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

GridLoadResult loadGridIntoStation(const GridLoadRequest& request, GridStore& store,
                                   WorkingSet& work, GridFlags& flags, const Clock& clock)
{
    const QString& path = request.path;
    const int n = request.grid;
    const int numGrids = request.numGrids;
    const SetupBlockForm form = request.form;
    GridLoadResult result;
    if (n < 1 || n > 3) {
        result.error = QStringLiteral("Grid number %1 is not 1, 2 or 3").arg(n);
        return result;
    }
    const bool startup = form == SetupBlockForm::StartupLoad;
    if (!startup)
        result.debugLog << QStringLiteral("load grid %1").arg(n);

    QString error;
    const std::optional<GridFileContents> contents = loadGridFilePair(path, &error);
    if (!contents) {
        result.error = error;
        return result;
    }
    result.loaded = true;
    result.file = *contents;
    const GridSetup& s = contents->setup;
    const QString shownPath = absoluteNativePath(path);

    store.setup[n] = s;
    store.gridDescription[n] = shownPath;
    store.gridDescription2[n] = contents->description2;

    loadIntoWorkingSet(s, n, work);

    SetupScreenTexts& boxes = result.boxes;
    boxes = setupScreenTexts(s);
    boxes.ipt_file_description = shownPath;
    boxes.ipt_file_description_2 = contents->description2;
    if (contents->hasCheckBuoyFile) {
        boxes.txtCheckX = contents->checkXText;
        boxes.txtCheckY = contents->checkYText;
        boxes.txtCheckXpix = numberText(s.checkScreenX);
        boxes.txtCheckYpix = numberText(s.checkScreenY);
    } else {
        if (!startup)
            result.messages.push_back(
                {QString::fromLatin1(kOldSetupMessage), Icon::Error, QString()});
        boxes.txtCheckX.clear();
        boxes.txtCheckY.clear();
        boxes.txtCheckXpix = QStringLiteral("auto");
        boxes.txtCheckYpix = QStringLiteral("auto");
    }

    flags.surveyDirection =
        surveyDirectionFor(s.buoy[UpperRight].surveyX, s.buoy[UpperLeft].surveyX);
    const bool checkBuoyPicked = s.checkScreenX > 0;
    if (startup && !checkBuoyPicked) {
        // At start-up a grid without a usable check buoy is reported and left not ready; no
        // set-up block is written for it.
        result.messages.push_back(
            {QString::fromLatin1(kStartupNoCheckBuoyMessage), Icon::None, QString()});
    } else {
        result.setupBlock = loadSetupBlock(*contents, n, clock.now(), form);
    }
    if (!startup) {
        // The ratios are taken from the boxes, which now show the loaded buoys.
        result.gridCheck = grid_check(s.buoy[LowerRight].screenX, s.buoy[LowerLeft].screenX,
                                      s.buoy[UpperRight].screenX, s.buoy[UpperLeft].screenX,
                                      request.pictureWidthTwips);
        if (result.gridCheck) {
            result.debugLog << result.gridCheck->log;
            result.messages << result.gridCheck->messages;
        }
    }

    // Filling the set-up screen's boxes counts as an edit, which withdraws allGridsReady; a
    // grid whose data were just replaced by a set-up without a usable check buoy is no longer
    // the grid that was made ready, so it is not ready any more either.
    flags.allGridsReady = 0;
    if (checkBuoyPicked) {
        result.ready = true;
        store.ready[n] = true;
        result.settingsKey = QStringLiteral("grid%1File").arg(n);
        auto log = [&](const QString& line) {
            if (!startup)
                result.debugLog << line;
        };
        log(QStringLiteral("Load grid file names on main page below"));
        log(QStringLiteral("Load grid %1").arg(n));
        log(QStringLiteral("Grid load message above"));
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
    } else {
        store.ready[n] = false;
    }
    return result;
}

} // namespace zelvan::grid
