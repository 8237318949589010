// zelvan-tool simulate: writes the synthetic jump site (site description, set-up picture and
// the recorded pass) into a folder, all three files or none.
#include "base/WholeFile.h"
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

// `shown` names the file as it will be in the results folder: the staging folder goes with
// a failure.
void writeJson(const QJsonObject& o, const QString& path, const QString& shown)
{
    StagedFile file(path);
    Status written = file.write(QJsonDocument(o).toJson(QJsonDocument::Indented));
    if (written)
        written = file.commit();
    if (written)
        return;
    // The reason without the staging path it starts with.
    QString why = written.error();
    const int pathEnd = why.indexOf(QDir::toNativeSeparators(path));
    if (pathEnd >= 0)
        why = why.mid(pathEnd + QDir::toNativeSeparators(path).size()).remove(0, 2);
    throw CommandError(
        QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(shown), why));
}

void writeVideo(const sim::SimulatedSite& site, const QString& path, const QString& shown)
{
    capture::VideoFileWriter writer;
    Status written = writer.open(path, site.frameSize(), site.frameRate(), QStringLiteral("MJPEG"));
    for (int n = 0; written && n < site.frameCount(); ++n)
        written = writer.writeFrame(site.renderFrame(n));
    if (written)
        written = writer.close();
    if (written)
        return;
    // The video is made in the staging folder, which goes when the command fails: a note that
    // the frames were kept there would name a file that is about to vanish.
    QString why = written.error();
    const QString kept = QDir::toNativeSeparators(writer.keptPartialFile());
    writer.discard();
    if (!kept.isEmpty() && why.endsWith(kept)) {
        why.truncate(why.lastIndexOf(QStringLiteral("; the ")));
        QFile::remove(kept);
    }
    throw CommandError(
        QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(shown), why));
}

sim::SiteOptions siteOptions(const Args& args)
{
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
    // Without the skier the water moves, so that the site tries a motion trigger in earnest.
    options.skier = !args.flag(QStringLiteral("no-skier"));
    options.movingWater = !options.skier || args.flag(QStringLiteral("moving-water"));
    return options;
}

// The three files of a site, in the order they are written and reported.
const QStringList& siteFileNames()
{
    static const QStringList names = {QStringLiteral("site.json"), QStringLiteral("setup.bmp"),
                                      QStringLiteral("jump.avi")};
    return names;
}

// Writes the site's files into `staging`; a failure names the file as it would be in `dir`.
void writeSiteFiles(const sim::SimulatedSite& site, const QTemporaryDir& staging, const QDir& dir)
{
    const QStringList& names = siteFileNames();
    writeJson(site.siteJson(), staging.filePath(names[0]), dir.filePath(names[0]));
    if (const Status written =
            review::writeImageAsBmp(site.renderSetup(), staging.filePath(names[1]));
        !written)
        throw CommandError(
            QStringLiteral("cannot write %1: %2")
                .arg(QDir::toNativeSeparators(dir.filePath(names[1])), written.error()));
    writeVideo(site, staging.filePath(names[2]), dir.filePath(names[2]));
}

// Where the files stand while they are moved in: what was put in place and which earlier
// files were kept aside in the staging folder, so that a failure can undo both.
struct Placement {
    QStringList moved;
    QStringList keptAside;
};

void moveIntoPlace(const QTemporaryDir& staging, const QDir& dir, Placement& placement)
{
    const QStringList& names = siteFileNames();
    // Earlier files of the same names are kept aside until the new set is in place.
    for (const QString& name : names) {
        const QString target = dir.filePath(name);
        if (QFileInfo::exists(target)) {
            if (!QFile::rename(target, staging.filePath(QStringLiteral("old-") + name)))
                throw CommandError(
                    QStringLiteral("cannot replace %1").arg(QDir::toNativeSeparators(target)));
            placement.keptAside << name;
        }
    }
    for (const QString& name : names) {
        const QString target = dir.filePath(name);
        if (!QFile::rename(staging.filePath(name), target))
            throw CommandError(
                QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(target)));
        placement.moved << target;
    }
}

void undoPlacement(const Placement& placement, const QString& stagingPath, const QDir& dir)
{
    for (const QString& path : placement.moved)
        QFile::remove(path);
    for (const QString& name : placement.keptAside)
        QFile::rename(stagingPath + QStringLiteral("/old-") + name, dir.filePath(name));
}

QJsonObject simulateResult(const sim::SimulatedSite& site, const QDir& dir,
                           const QStringList& moved)
{
    QJsonArray files;
    for (const QString& path : moved)
        files.append(QDir::toNativeSeparators(path));
    QJsonObject result;
    result[QStringLiteral("dir")] = QDir::toNativeSeparators(dir.absolutePath());
    result[QStringLiteral("files")] = files;
    result[QStringLiteral("seed")] = double(site.options().seed);
    result[QStringLiteral("landingFrame")] = site.landingFrame();
    result[QStringLiteral("frameCount")] = site.frameCount();
    result[QStringLiteral("trueDistance")] = site.trueDistance();
    return result;
}

QJsonObject simulate(const Args& args)
{
    args.allow({QStringLiteral("out"), QStringLiteral("seed"), QStringLiteral("size"),
                QStringLiteral("fps")},
               {QStringLiteral("no-skier"), QStringLiteral("moving-water")});
    const QString out = args.required(QStringLiteral("out"));
    const sim::SiteOptions options = siteOptions(args);

    const QFileInfo outInfo(out);
    if (outInfo.exists() && !outInfo.isDir())
        throw CommandError(
            QStringLiteral("--out is not a folder: %1").arg(QDir::toNativeSeparators(out)));
    const QString created = firstMissingFolder(out);
    if (!QDir().mkpath(out))
        throw CommandError(
            QStringLiteral("cannot create folder %1").arg(QDir::toNativeSeparators(out)));
    const QDir dir(QFileInfo(out).absoluteFilePath());

    // Everything is made in a staging folder beside the results and moved in at the end, so
    // a failure leaves the folder as it was.
    Placement placement;
    QTemporaryDir staging(dir.filePath(QStringLiteral(".simulate-XXXXXX")));
    const QString stagingPath = staging.path();
    try {
        if (!staging.isValid())
            throw CommandError(
                QStringLiteral("cannot write to folder %1: %2")
                    .arg(QDir::toNativeSeparators(dir.absolutePath()), staging.errorString()));
        const sim::SimulatedSite site(options);
        writeSiteFiles(site, staging, dir);
        moveIntoPlace(staging, dir, placement);
        return simulateResult(site, dir, placement.moved);
    } catch (...) {
        undoPlacement(placement, stagingPath, dir);
        if (!created.isEmpty())
            QDir(created).removeRecursively();
        throw;
    }
}

} // namespace

ZELVAN_COMMAND("simulate",
               "simulate --out DIR [--seed N] [--size WxH] [--fps F] [--no-skier] [--moving-water]",
               simulate);

} // namespace zelvan::cli
