#include "app/LogViewerLines.h"

#include "app/SkierNames.h"

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

} // namespace zelvan::app
