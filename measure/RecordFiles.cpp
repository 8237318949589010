#include "measure/RecordFiles.h"

#include "base/Platform.h"
#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace zelvan::measure
{

namespace
{

constexpr qint64 kMaxKeptBytes = 16 * 1024 * 1024;
constexpr const char* kLineEnd = "\r\n";

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString systemReason(int error, const QFile& file)
{
    return error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : file.errorString();
}

QByteArray encode(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + kLineEnd;
    return bytes;
}

} // namespace

Status appendSynced(const QString& path, const QByteArray& bytes)
{
    if (Status target = checkWriteTarget(path); !target)
        return target;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return fail(QStringLiteral("Cannot open %1 for appending: %2")
                        .arg(native(path), file.errorString()));
    const qint64 before = file.size();
    errno = 0;
    bool written = file.write(bytes) == bytes.size() && file.flush();
    int error = errno;
    if (written) {
        error = platform::syncToDisk(file);
        written = error == 0;
    }
    if (!written) {
        const QString why = systemReason(error, file);
        // Never leave half a line behind.
        file.resize(before);
        return fail(QStringLiteral("Cannot write to %1: %2").arg(native(path), why));
    }
    file.close();
    return {};
}

Result<QStringList> keptResultsLines(const QString& keptPath)
{
    if (!QFileInfo::exists(keptPath))
        return QStringList();
    const Result<QByteArray> bytes = readInputFile(keptPath, kMaxKeptBytes);
    if (!bytes)
        return fail(bytes.error());
    QStringList lines = QString::fromUtf8(*bytes).split(QLatin1String(kLineEnd));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

namespace
{

QString keptMessage(const QString& resultsPath, const QString& why, const QString& keptPath,
                    const Status& kept, const QString& line)
{
    // The same for a jump and for a saved picture's line: it names the line it is about.
    QString text = QStringLiteral("This line could not be written to the results file %1:\n%2\n"
                                  "%3\n\n")
                       .arg(native(resultsPath), line, why);
    if (kept)
        return text + QStringLiteral("The line is kept in %1 and will be added to the results "
                                     "file at the next record that can be written.")
                          .arg(native(keptPath));
    return text + QStringLiteral("It could not be kept either (%1). Please write it down:\n%2")
                      .arg(kept.error(), line);
}

} // namespace

ResultsWrite writeResultsLine(const QString& resultsPath, const QString& keptPath,
                              const QString& line)
{
    ResultsWrite out;
    const Result<QStringList> kept = keptResultsLines(keptPath);
    QStringList lines = kept.valueOr(QStringList());
    const int keptCount = int(lines.size());
    lines << line;
    Status written = kept ? Status() : Status(fail(kept.error()));
    if (written)
        written = resultsPath.isEmpty() ? Status(fail(QStringLiteral("No results file is set.")))
                                        : appendSynced(resultsPath, encode(lines));
    if (!written) {
        const Status keptNow = appendSynced(keptPath, encode({line}));
        out.kept = keptNow.ok();
        out.message = keptMessage(resultsPath, written.error(), keptPath, keptNow, line);
        return out;
    }
    out.written = true;
    out.keptLinesAdded = keptCount;
    // The kept lines are in the results file now: they must never be added a second time.
    if (keptCount > 0 && !QFile::remove(keptPath) && !writeWholeFile(keptPath, QByteArray()))
        out.message = QStringLiteral("The kept results lines were added to %1, but %2 could not "
                                     "be emptied. Please delete it before the next record.")
                          .arg(native(resultsPath), native(keptPath));
    return out;
}

Status writeWstimsFiles(const QString& zqioFolder, const QString& resultLine,
                        const QString& rawLine)
{
    const QDir dir(zqioFolder);
    Status done =
        writeWholeFile(dir.filePath(QStringLiteral("zqresult.dst")), encode({resultLine}));
    if (done)
        done = appendSynced(dir.filePath(QStringLiteral("zqraw.dst")), encode({rawLine}));
    if (!done)
        return fail(QLatin1String(kWstimsErrorText) + done.error());
    return {};
}

void deleteSnapshotPictures(const QString& zqioFolder)
{
    QDir dir(zqioFolder);
    const QStringList pictures =
        dir.entryList({QStringLiteral("*.bmp"), QStringLiteral("*.BMP")}, QDir::Files);
    for (const QString& name : pictures)
        dir.remove(name);
}

} // namespace zelvan::measure
