// zelvan-tool simulate: writes the synthetic jump site (site description, set-up picture and
// the recorded pass) into a folder, all three files or none.
#include "capture/VideoFileWriter.h"
#include "cli/Command.h"
#include "review/cDIB.h"
#include "sim/SimulatedSite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace zelvan::cli
{

namespace
{

quint32 parseSeed(const QString& text)
{
    bool ok = false;
    const uint seed = text.toUInt(&ok, 10);
    if (!ok)
        throw CommandError(
            QStringLiteral("--seed must be a whole number from 0 to 4294967295: %1").arg(text));
    return seed;
}

QSize parseSize(const QString& text)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$")).match(text);
    const QSize size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
    // MJPEG wants even sizes; keep pictures within what a capture card gives.
    if (!size.isValid() || size.width() < 16 || size.height() < 16 || size.width() > 4096 ||
        size.height() > 4096 || size.width() % 2 || size.height() % 2)
        throw CommandError(QStringLiteral("--size must be WxH, even, 16 to 4096: %1").arg(text));
    return size;
}

// The first folder of `path` that does not exist yet (empty when it all exists), so that a
// failed run removes exactly what it created.
QString firstMissingFolder(const QString& path)
{
    QString missing;
    QString at = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(at)) {
        missing = at;
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    return missing;
}

void writeJson(const QJsonObject& o, const QString& path)
{
    QFile f(path);
    const QByteArray bytes = QJsonDocument(o).toJson(QJsonDocument::Indented);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        throw CommandError(QStringLiteral("cannot write %1: %2")
                               .arg(QDir::toNativeSeparators(path), f.errorString()));
}

void writeVideo(const sim::SimulatedSite& site, const QString& path)
{
    capture::VideoFileWriter writer;
    QString error;
    if (!writer.open(path, site.frameSize(), site.frameRate(), QStringLiteral("MJPEG"), &error))
        throw CommandError(
            QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), error));
    for (int n = 0; n < site.frameCount(); ++n) {
        if (!writer.writeFrame(site.renderFrame(n)))
            throw CommandError(QStringLiteral("cannot write %1: %2")
                                   .arg(QDir::toNativeSeparators(path), writer.lastError()));
    }
    if (!writer.close(&error))
        throw CommandError(
            QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), error));
}

QJsonObject simulate(const Args& args)
{
    args.allow({QStringLiteral("out"), QStringLiteral("seed"), QStringLiteral("size"),
                QStringLiteral("fps")},
               {});
    const QString out = args.required(QStringLiteral("out"));
    sim::SiteOptions options;
    const QString seedText = args.option(QStringLiteral("seed"));
    if (!seedText.isEmpty())
        options.seed = parseSeed(seedText);
    const QString sizeText = args.option(QStringLiteral("size"));
    if (!sizeText.isEmpty())
        options.pictureSize = parseSize(sizeText);
    options.frameRate = args.number(QStringLiteral("fps"), 30);
    if (options.frameRate < 1 || options.frameRate > 120)
        throw CommandError(QStringLiteral("--fps must be from 1 to 120"));

    const QFileInfo outInfo(out);
    if (outInfo.exists() && !outInfo.isDir())
        throw CommandError(
            QStringLiteral("--out is not a folder: %1").arg(QDir::toNativeSeparators(out)));
    const QString created = firstMissingFolder(out);
    if (!QDir().mkpath(out))
        throw CommandError(
            QStringLiteral("cannot create folder %1").arg(QDir::toNativeSeparators(out)));
    const QDir dir(QFileInfo(out).absoluteFilePath());
    auto removeCreated = [&] {
        if (!created.isEmpty())
            QDir(created).removeRecursively();
    };

    // Everything is made in a staging folder beside the results and moved in at the end, so
    // a failure leaves the folder as it was.
    const QStringList names = {QStringLiteral("site.json"), QStringLiteral("setup.bmp"),
                               QStringLiteral("jump.avi")};
    QStringList moved;
    QStringList keptAside;
    QTemporaryDir staging(dir.filePath(QStringLiteral(".simulate-XXXXXX")));
    const QString stagingPath = staging.path();
    try {
        if (!staging.isValid())
            throw CommandError(
                QStringLiteral("cannot write to folder %1: %2")
                    .arg(QDir::toNativeSeparators(dir.absolutePath()), staging.errorString()));
        const sim::SimulatedSite site(options);
        writeJson(site.siteJson(), staging.filePath(names[0]));
        QString error;
        if (!review::writeImageAsBmp(site.renderSetup(), staging.filePath(names[1]), &error))
            throw CommandError(QStringLiteral("cannot write %1: %2")
                                   .arg(QDir::toNativeSeparators(dir.filePath(names[1])), error));
        writeVideo(site, staging.filePath(names[2]));

        // Earlier files of the same names are kept aside until the new set is in place.
        for (const QString& name : names) {
            const QString target = dir.filePath(name);
            if (QFileInfo::exists(target)) {
                if (!QFile::rename(target, staging.filePath(QStringLiteral("old-") + name)))
                    throw CommandError(
                        QStringLiteral("cannot replace %1").arg(QDir::toNativeSeparators(target)));
                keptAside << name;
            }
        }
        for (const QString& name : names) {
            const QString target = dir.filePath(name);
            if (!QFile::rename(staging.filePath(name), target))
                throw CommandError(
                    QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(target)));
            moved << target;
        }

        QJsonArray files;
        for (const QString& path : moved)
            files.append(QDir::toNativeSeparators(path));
        QJsonObject result;
        result[QStringLiteral("dir")] = QDir::toNativeSeparators(dir.absolutePath());
        result[QStringLiteral("files")] = files;
        result[QStringLiteral("seed")] = double(options.seed);
        result[QStringLiteral("landingFrame")] = site.landingFrame();
        result[QStringLiteral("frameCount")] = site.frameCount();
        result[QStringLiteral("trueDistance")] = site.trueDistance();
        return result;
    } catch (...) {
        for (const QString& path : moved)
            QFile::remove(path);
        for (const QString& name : keptAside)
            QFile::rename(stagingPath + QStringLiteral("/old-") + name, dir.filePath(name));
        removeCreated();
        throw;
    }
}

} // namespace

ZELVAN_COMMAND("simulate", "simulate --out DIR [--seed N] [--size WxH] [--fps F]", simulate);

} // namespace zelvan::cli
