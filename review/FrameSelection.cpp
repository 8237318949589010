#include "review/FrameSelection.h"

#include "base/Platform.h"
#include "review/AviFile.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace zelvan::review
{

PaintFlow paintFlowFor(const QString& navigationMode)
{
    if (navigationMode == QLatin1String("Setup") ||
        navigationMode == QLatin1String("CaptureGoToTimer"))
        return PaintFlow::ClearVideo;
    if (navigationMode == QLatin1String("View"))
        return PaintFlow::View;
    if (navigationMode == QLatin1String("Capture"))
        return PaintFlow::Capture;
    return PaintFlow::KeepVideo;
}

qint64 markedFrameFor(double position)
{
    if (!std::isfinite(position))
        return 1;
    // std::nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(position);
    return rounded < 1 ? 1 : qint64(rounded);
}

std::optional<qint64> stepBackFrom(qint64 position)
{
    if (position > 1)
        return position - 1;
    return std::nullopt;
}

namespace
{

bool namesDrive(const QString& folder)
{
    return folder.size() >= 2 && folder.at(1) == QLatin1Char(':');
}

} // namespace

DiskSpaceDisplay diskSpaceFor(const QString& videoDirectory, qint64 freeBytes)
{
    DiskSpaceDisplay d;
    d.drive = namesDrive(videoDirectory) ? videoDirectory.left(2) : QStringLiteral("C:");
    d.driveCaption = QStringLiteral("Disk Space Available ") + d.drive;
    // Decimal megabytes, as the operator's disk tools count them.
    const qint64 megabytes = freeBytes > 0 ? freeBytes / 1000000 : 0;
    d.freeText = QString::number(megabytes) + QStringLiteral(" MB");
    d.low = megabytes < kLowDiskMegabytes;
    return d;
}

QString diskQueryPath(const QString& videoDirectory)
{
    const QString letter =
        namesDrive(videoDirectory) ? videoDirectory.left(1) : QStringLiteral("C");
    const QString root = platform::driveLetterRoot(letter);
    return root.isEmpty() ? videoDirectory : root;
}

QString infoFilePath(const QString& videoPath)
{
    return videoPath + QStringLiteral(".info");
}

std::optional<QString> measuredFrameField(const QString& videoPath)
{
    const QString path = infoFilePath(videoPath);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString(); // there, but unreadable: measured, frame unknown
    const QString line = QString::fromLocal8Bit(file.readLine(4096)).trimmed();
    // A path holding a comma is not supported: the text up to the first comma is the path.
    return line.section(QLatin1Char(','), 1, 1).trimmed();
}

std::optional<OperatorMessage> alreadyMeasuredMessage(const QString& videoPath, bool viewFlow)
{
    const auto field = measuredFrameField(videoPath);
    if (!field)
        return std::nullopt;
    const QString text = viewFlow ? QStringLiteral("File already measured - contact frame is ")
                                  : QStringLiteral("File already measured - start frame is ");
    return OperatorMessage{text + *field, Icon::None, QString::fromLatin1(kAlreadyMeasuredTitle)};
}

Informed<bool> chooseVideoFile(const QString& path,
                               const std::function<bool(const QString&)>& opensAsVideo)
{
    Informed<bool> choice = isAviFile(path);
    const bool avi = choice.value;
    // What another camera recorded is no AVI, but it plays frame by frame all the same; the
    // header check's word about the file is not the operator's business then.
    if (!avi && opensAsVideo(path)) {
        choice.messages.clear();
        choice.value = true;
    }
    if (!choice.value) {
        choice.messages << OperatorMessage{QString::fromLatin1(kNotValidAvi), Icon::Warning,
                                           QString()};
        return choice;
    }
    if (const auto measured = alreadyMeasuredMessage(path, false))
        choice.messages << *measured;
    if (avi)
        choice.messages << aviFrameRate(path).messages << aviFrameCount(path).messages;
    return choice;
}

bool takenFrameGoesToGridSetup(double allGridsReady, bool forGridSetup)
{
    return allGridsReady != 1 || forGridSetup;
}

QString frameSelectedLine(qint64 frame, const QString& videoPath)
{
    return QStringLiteral("Frame %1 Selected in %2").arg(frame).arg(videoPath);
}

} // namespace zelvan::review
