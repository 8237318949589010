// zelvan-tool avi-info / frame: the frame selection screen's file checks and its frame grab,
// headless.
#include "base/WholeFile.h"
#include "cli/Command.h"
#include "review/AviFile.h"
#include "review/FileChecks.h"
#include "review/FrameGrab.h"
#include "review/FrameReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/log.h>
}

namespace zelvan::cli
{

namespace
{

using review::AviFileInfo;
using review::AviHeaders;
using review::FrameReader;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The station's messages are two lines (text, CR LF, path); the tool reports one.
QString oneLine(const QString& message)
{
    QString s = message;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return s;
}

QString singleFile(const Args& args, const char* usage)
{
    const QStringList files = args.positionals();
    if (files.size() != 1)
        throw CommandError(QStringLiteral("usage: ") + QString::fromLatin1(usage));
    return files.first();
}

QJsonObject aviInfoCommand(const Args& args)
{
    args.allow({}, {});
    const QString path = singleFile(args, "avi-info FILE");
    const review::Informed<bool> check = review::isAviFile(path);
    if (!check.messages.isEmpty())
        throw CommandError(oneLine(check.messages.first().text));
    const bool isAvi = check.value;
    QJsonObject out{{"isAvi", isAvi}, {"frameRate", 0}, {"frameCount", 0},
                    {"width", 0},     {"height", 0},    {"codec", QString()}};
    if (!isAvi)
        return out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CommandError(QStringLiteral("Unable to read AVI file info from: ") + shown(path));
    const Result<AviHeaders> headers = review::readAviHeaders(file);
    if (!headers)
        throw CommandError(QStringLiteral("Unable to read AVI file info from: ") + shown(path));
    const AviFileInfo& info = headers->info;
    out["frameRate"] = review::wholeFrameRate(info.rate, info.scale);
    out["frameCount"] = double(info.length);
    out["width"] = double(info.width);
    out["height"] = double(info.height);
    out["codec"] = QString::fromLatin1(headers->compression.isEmpty() ? headers->handler
                                                                      : headers->compression);
    out["rate"] = double(info.rate);
    out["scale"] = double(info.scale);
    out["streams"] = double(info.streams);
    return out;
}

QJsonObject frameCommand(const Args& args)
{
    args.allow({"video", "frame", "out"}, {});
    if (!args.positionals().isEmpty())
        throw CommandError(QStringLiteral("unexpected argument: ") + args.positionals().first());
    const QString video = args.required("video");
    const QString frameText = args.required("frame");
    const QString out = args.required("out");
    bool ok = false;
    const qint64 n = frameText.toLongLong(&ok);
    if (!ok || n < 0)
        throw CommandError(QStringLiteral("--frame must be a whole number from 0: ") + frameText);
    if (!review::fileExists(video))
        throw CommandError(QStringLiteral("File does not exist: ") + shown(video));
    // A FIFO would block the video reader for ever; a device would never end.
    if (const Status input = checkInputFile(video); !input)
        throw CommandError(input.error());
    const QFileInfo target(out);
    if (!target.absoluteDir().exists())
        throw CommandError(QStringLiteral("folder does not exist: ") +
                           shown(target.absolutePath()));
    if (target.isDir())
        throw CommandError(QStringLiteral("--out names a folder: ") + shown(out));
    if (const Status writable = checkWriteTarget(out); !writable)
        throw CommandError(writable.error());

    // FFmpeg's own notes would break the tool's one-line error report.
    av_log_set_level(AV_LOG_QUIET);
    FrameReader reader;
    if (const Status opened = reader.open(video); !opened)
        throw CommandError(QStringLiteral("cannot read %1: %2").arg(shown(video), opened.error()));
    if (n >= reader.frameCount())
        throw CommandError(QStringLiteral("frame %1 is outside the video (frames 0 to %2)")
                               .arg(n)
                               .arg(reader.frameCount() - 1));
    if (const Status written = review::writeFrameAsBmp(reader, n, target.absoluteFilePath());
        !written)
        throw CommandError(QStringLiteral("frame %1 not written: %2").arg(n).arg(written.error()));
    const QSize size = reader.currentImage().size();
    return QJsonObject{{"written", shown(target.absoluteFilePath())},
                       {"width", size.width()},
                       {"height", size.height()},
                       {"frame", double(n)},
                       {"frameCount", double(reader.frameCount())}};
}

} // namespace

ZELVAN_COMMAND("avi-info", "avi-info FILE", aviInfoCommand);
ZELVAN_COMMAND("frame", "frame --video FILE --frame N --out FILE.bmp", frameCommand);

} // namespace zelvan::cli
