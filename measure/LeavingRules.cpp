#include "measure/LeavingRules.h"

#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan::measure
{

namespace
{

bool isMode(const QString& mode, const char* name)
{
    return mode == QLatin1String(name);
}

QString videoDebugLine(const QString& path, const char* what)
{
    return QStringLiteral("Video File ") + path + QLatin1String(what);
}

// The video's attributes are cleared first: a read-only pass would otherwise stay.
Status eraseVideo(const QString& path)
{
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (!file.remove())
        return fail(QStringLiteral("The video %1 could not be deleted: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    return {};
}

void retain(const QString& path, double frame, Dialogs& dialogs, VideoPolicyOutcome& out)
{
    out.debugLines << videoDebugLine(path, " Saved");
    const std::optional<VideoName> name = standardVideoName(path);
    if (!name) {
        dialogs.message(QLatin1String(kNonStandardVideoText), Icon::Warning);
        return;
    }
    out.retained = true;
    out.name = *name;
    const QByteArray line = (videoInfoLine(path, frame) + QStringLiteral("\r\n")).toUtf8();
    if (const Status s = writeWholeFile(path + QStringLiteral(".info"), line); !s)
        dialogs.message(s.error(), Icon::Error);
}

} // namespace

bool pictureToBeSaved(const QString& pictureSaveMode, Dialogs& dialogs)
{
    if (isMode(pictureSaveMode, "Save"))
        return true;
    if (isMode(pictureSaveMode, "NoSave"))
        return false;
    return dialogs.askYesNo(QLatin1String(kSavePictureQuestion), QString());
}

std::optional<VideoName> standardVideoName(const QString& videoPath)
{
    const qsizetype a = videoPath.indexOf(QLatin1String(".avi"));
    if (a < 7)
        return std::nullopt;
    const qsizetype j = videoPath.indexOf(QLatin1String("jump"), a - 7);
    const qsizetype folderEnd =
        std::max(videoPath.lastIndexOf(QLatin1Char('\\')), videoPath.lastIndexOf(QLatin1Char('/')));
    if (j < 0 || j + 4 > a || folderEnd >= j)
        return std::nullopt;
    return VideoName{videoPath.mid(folderEnd + 1, j - folderEnd - 1),
                     videoPath.mid(j + 4, a - j - 4)};
}

QString videoInfoLine(const QString& videoPath, double frame)
{
    return videoPath + QLatin1Char(',') + QString::number(qint64(frame));
}

VideoPolicyOutcome applyVideoPolicy(const QString& videoSaveMode, const QString& videoPath,
                                    double frame, Dialogs& dialogs)
{
    VideoPolicyOutcome out;
    if (videoPath.isEmpty() || !QFileInfo(videoPath).isFile())
        return out;
    bool keep = isMode(videoSaveMode, "Save");
    if (!keep && !isMode(videoSaveMode, "NoSave"))
        keep = dialogs.askYesNo(QLatin1String(kSaveVideoQuestion), QString());
    if (keep) {
        retain(videoPath, frame, dialogs, out);
        return out;
    }
    if (const Status erased = eraseVideo(videoPath); !erased) {
        dialogs.message(erased.error(), Icon::Error);
        return out;
    }
    out.debugLines << videoDebugLine(videoPath, " Erased");
    return out;
}

} // namespace zelvan::measure
