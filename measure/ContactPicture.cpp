#include "measure/ContactPicture.h"

#include "base/Numbers.h"
#include "base/WholeFile.h"
#include "measure/RecordFiles.h"
#include "measure/RecordLines.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace zelvan::measure
{

namespace
{

// A capture picture is a 24-bit bitmap of one video frame; 256 MB is far beyond any of them.
constexpr qint64 kMaxPictureBytes = 256LL * 1024 * 1024;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString overwriteQuestion(const QString& path)
{
    return QStringLiteral("File: ") + path +
           QStringLiteral(" already exists.  Do you want to "
                          "overwrite it?");
}

// The path the picture is to take: the proposed one, or after a No to overwriting it the
// operator's new name. std::nullopt when the operator gave none.
std::optional<QString> chosenPath(const QString& proposed, const QString& folder, Dialogs& dialogs)
{
    if (!QFileInfo::exists(proposed))
        return proposed;
    if (dialogs.askYesNo(overwriteQuestion(proposed), QString()))
        return proposed;
    QString path = proposed;
    do {
        const std::optional<QString> answer =
            dialogs.input(QLatin1String(kRenamePrompt), QLatin1String(kRenameTitle), path);
        if (!answer || answer->trimmed().isEmpty())
            return std::nullopt;
        // A bare name is taken in the save-video folder, not wherever the station started.
        path = native(QDir(folder).filePath(*answer));
    } while (QFileInfo::exists(path));
    return path;
}

Status copyCapture(const QString& capture, const QString& picturePath)
{
    const Result<QByteArray> bytes = readInputFile(capture, kMaxPictureBytes);
    if (!bytes)
        return fail(bytes.error());
    return writeWholeFile(picturePath, *bytes);
}

} // namespace

QString contactPicturePath(const QString& videoDirectory, const QString& skierName,
                           const QString& jumpNumber, const QString& extension)
{
    const QString file =
        fileNameSafe(skierName) + QStringLiteral("jump") + jumpNumber.trimmed() + extension;
    return native(QDir(videoDirectory).filePath(file));
}

QString pictureInfoLine(const QString& picturePath, const QString& captureSkierName,
                        const QString& captureAttempt)
{
    return picturePath + QStringLiteral(", ") + captureSkierName + QStringLiteral(", ") +
           captureAttempt;
}

QString pictureLogJump(const QString& captureAttempt)
{
    return QString::number(leadingNumber(captureAttempt) - 1);
}

void nameAfterPass(PictureSaveInput& in, const QString& skier, const QString& attempt)
{
    in.skierName = skier;
    in.jumpNumber = attempt.trimmed();
    in.captureSkierName = skier;
    in.captureAttempt = QString::number(leadingNumber(attempt) + 1);
}

PictureSave savePicture(const PictureSaveInput& in, Dialogs& dialogs)
{
    PictureSave out;
    if (fileNameSafe(in.skierName) != in.skierName)
        dialogs.message(QLatin1String(kUnsafeNameText), Icon::Warning);
    out.picturePath =
        contactPicturePath(in.videoDirectory, in.skierName, in.jumpNumber, in.extension);
    out.debugLines << QStringLiteral("save ") + out.picturePath;
    const QString capture = QDir(in.stationFolder).filePath(QLatin1String(kCurrentCaptureName));
    // Without the folder the name alone would land wherever the station was started.
    if (in.videoDirectory.isEmpty() || !QFileInfo(in.videoDirectory).isDir()) {
        dialogs.message(QStringLiteral("The picture could not be saved: the save-video folder "
                                       "\"%1\" does not exist.\n\n%2 is kept as it was.")
                            .arg(in.videoDirectory, native(capture)),
                        Icon::Error);
        return out;
    }
    const std::optional<QString> path = chosenPath(out.picturePath, in.videoDirectory, dialogs);
    if (!path) {
        dialogs.message(QStringLiteral("No new name was given, so the picture has not been saved. "
                                       "It stays in %1.")
                            .arg(native(capture)),
                        Icon::Warning);
        return out;
    }
    out.picturePath = *path;
    if (const Status copied = copyCapture(capture, out.picturePath); !copied) {
        dialogs.message(QStringLiteral("The picture could not be saved as %1.\n%2\n\n%3 is kept "
                                       "as it was.")
                            .arg(out.picturePath, copied.error(), native(capture)),
                        Icon::Error);
        return out;
    }
    out.saved = true;
    out.debugLines << QStringLiteral("Picture actually Saved");
    const QString line = recordDate(in.now) + QLatin1Char(' ') + recordTime(in.now) +
                         QStringLiteral(" Saved picture: ") + out.picturePath;
    if (const ResultsWrite w = writeResultsLine(in.resultsPath, in.keptPath, line);
        !w.message.isEmpty())
        dialogs.message(w.message, Icon::Error);
    const QString info = pictureInfoLine(out.picturePath, in.captureSkierName, in.captureAttempt);
    if (const Status s = writeWholeFile(out.picturePath + QStringLiteral(".info"),
                                        (info + QStringLiteral("\r\n")).toUtf8());
        !s)
        dialogs.message(s.error(), Icon::Error);
    return out;
}

} // namespace zelvan::measure
