#include "app/LogViewerLines.h"

#include "app/SkierNames.h"
#include "base/Numbers.h"
#include "grid/SetupScreenRules.h"

#include <QFontMetrics>
#include <QImageReader>

namespace zelvan::app
{

QStringList logViewerLines(const QString& logText, const QString& ending)
{
    QString text = logText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (line.size() >= ending.size() && line.endsWith(ending, Qt::CaseSensitive))
            out << line;
    return out;
}

Result<QStringList> readLogViewerLines(const QString& path, const QString& ending)
{
    const Result<QString> text = readTextFile(path);
    if (!text)
        return fail(text.error());
    return logViewerLines(*text, ending);
}

QString logLineFilePath(const QString& line)
{
    const int at = int(line.indexOf(QLatin1String("File:")));
    return at < 0 ? QString() : line.mid(at + 6);
}

QString widestLogEntry(const QStringList& entries)
{
    QString widest;
    for (const QString& e : entries)
        if (e.size() > widest.size())
            widest = e;
    return widest;
}

int logListScrollExtent(const QStringList& entries, const QFontMetrics& metrics)
{
    const QString widest = entries.isEmpty() ? QString() : widestLogEntry(entries);
    const int twips = metrics.horizontalAdvance(widest + QLatin1Char(' ')) * int(kTwipsPerPixel);
    return twips / int(kTwipsPerPixel);
}

namespace
{
LogListFill readFill(const QString& path, const QString& ending)
{
    LogListFill fill;
    fill.showPath = true;
    const Result<QStringList> lines = readLogViewerLines(path, ending);
    fill.entries = lines ? *lines : QStringList();
    if (!lines)
        fill.failure = QStringLiteral("The log file cannot be read. %1").arg(lines.error());
    return fill;
}
} // namespace

LogListFill openingFill(const QString& path, bool exists, const QString& ending)
{
    if (!exists) {
        LogListFill fill;
        fill.entries = QStringList();
        return fill;
    }
    return readFill(path, ending);
}

LogListFill chosenFill(const QString& path, bool exists, const QString& ending)
{
    if (!exists) {
        LogListFill fill;
        fill.showPath = true;
        return fill;
    }
    return readFill(path, ending);
}

Result<QSizeF> logPictureSizeTwips(const QString& path)
{
    QImageReader reader(path);
    const QSize pixels = reader.size();
    if (!pixels.isValid() || pixels.isEmpty())
        return fail(
            QStringLiteral("The picture %1 cannot be read: %2").arg(path, reader.errorString()));
    return grid::pictureSizeTwips(pixels);
}

QString resultsViewerPath(const QString& resultsFilePath)
{
    qsizetype start = 0;
    while (start < resultsFilePath.size() && resultsFilePath.at(start) == QLatin1Char(' '))
        ++start;
    return resultsFilePath.mid(start);
}

Result<QString> resultsViewerText(const QString& resultsFilePath)
{
    Result<QString> text = readTextFile(resultsViewerPath(resultsFilePath));
    if (!text)
        return fail(QStringLiteral("The results file cannot be read. %1").arg(text.error()));
    return text;
}

} // namespace zelvan::app
