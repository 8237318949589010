#include "review/FrameGrab.h"

#include "review/FrameReader.h"
#include "review/cDIB.h"

#include <QDir>
#include <QImage>

namespace zelvan::review
{

namespace
{

Informed<bool> fileError(const QString& path)
{
    return {false,
            {{QStringLiteral("There was an error working with the file:") + QStringLiteral("\r\n") +
                  QDir::toNativeSeparators(path),
              Icon::Information, QString()}}};
}

} // namespace

Status writeFrameAsBmp(FrameReader& reader, qint64 n, const QString& bmpPath)
{
    const Result<QImage> picture = reader.frame(n);
    if (!picture)
        return fail(picture.error());
    // A picture the bitmap class refuses (no bits at all) is not written and the earlier file
    // stays.
    return writeImageAsBmp(*picture, bmpPath);
}

Informed<bool> grabVideoFrame(FrameReader& reader, qint64 n, const QString& outputFolder)
{
    const QString target = QDir(outputFolder).filePath(QString::fromLatin1(kCurrentCaptureName));
    // The frame is not in the video or cannot be decoded.
    if (!reader.isOpen() || !reader.frame(n))
        return fileError(reader.path());
    if (!writeFrameAsBmp(reader, n, target))
        return fileError(target);
    return {true, {}};
}

Informed<bool> grabVideoFrame(const QString& videoPath, qint64 n, const QString& outputFolder)
{
    FrameReader reader;
    if (!reader.open(videoPath)) {
        if (reader.openFailure() == FrameReader::OpenFailure::NoDecoder)
            return {false,
                    {{QStringLiteral("No suitable decompressor found for this video stream!"),
                      Icon::Information, QString()}}};
        return fileError(videoPath);
    }
    return grabVideoFrame(reader, n, outputFolder);
}

} // namespace zelvan::review
