#include "app/SkierNames.h"

#include "app/RtfReader.h"

#include <QTextDocument>

#include "app/TextFiles.h"
#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace zelvan::app
{

QString commasToSpaces(const QString& line)
{
    QString out = line;
    out.replace(QLatin1Char(','), QLatin1Char(' '));
    return out;
}

namespace
{

QStringList splitLines(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QStringList pickerEntries(const QString& text)
{
    QStringList out;
    for (const QString& line : splitLines(text))
        if (!line.isEmpty())
            out << commasToSpaces(line);
    return out;
}

QStringList namesFileFields(const QString& text)
{
    QStringList out;
    QString field;
    bool quoted = false;    // inside double quotes
    bool wasQuoted = false; // the field had quotes: keep its inner spaces as they are
    auto finish = [&]() {
        const QString f = wasQuoted ? field : field.trimmed();
        if (!f.isEmpty())
            out << f;
        field.clear();
        wasQuoted = false;
    };
    for (const QChar c : text) {
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            quoted = true;
            wasQuoted = true;
            field.clear();
        } else if (c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            finish();
        } else if (!wasQuoted) {
            field += c;
        }
        // Text after a closing quote up to the next separator is ignored.
    }
    finish();
    return out;
}

namespace
{
constexpr qint64 kMaxTextFileBytes = qint64(64) * 1024 * 1024;
} // namespace

Result<QString> readTextFile(const QString& path)
{
    // A FIFO or a device is refused unopened, and a names or log file never comes near the
    // bound: a bigger file is something else.
    const Result<QByteArray> read = readInputFile(path, kMaxTextFileBytes);
    if (!read)
        return fail(read.error());
    const QByteArray& bytes = *read;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        decoded = QString::fromLatin1(bytes);
    if (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);
    return decoded;
}

Result<QString> importSkierNames(const QString& chosenFile, const QString& stationFolder)
{
    Result<QString> text = readTextFile(chosenFile);
    if (!text)
        return fail(text.error());
    // A names list kept as a rich-text document is copied as the text it shows.
    if (text->startsWith(QLatin1String("{\\rtf"))) {
        QTextDocument document;
        if (const Status read = readRtf(text->toLatin1(), document); !read)
            return fail(read.error());
        text = document.toPlainText();
    }
    const QStringList lines = splitLines(*text);
    const Status copied =
        replaceLines(joinPath(stationFolder, QString::fromLatin1(kSkierNamesFile)), lines);
    if (!copied)
        return fail(copied.error());
    return lines.isEmpty() ? QString() : commasToSpaces(lines.first());
}

SkierListLoad loadSkierList(const QString& namesFile)
{
    SkierListLoad out;
    if (namesFile.isEmpty())
        return out;
    const Result<QString> text = readTextFile(namesFile);
    out.entries = text ? namesFileFields(*text) : QStringList();
    if (out.entries->isEmpty())
        out.messages << OperatorMessage{QString::fromLatin1(kNamesNotLoaded), Icon::None,
                                        QString()};
    return out;
}

} // namespace zelvan::app
