#include "review/FrameGrab.h"

#include "base/Dialogs.h"
#include "review/FrameReader.h"
#include "review/cDIB.h"

#include <QDir>
#include <QImage>

namespace zelvan::review
{

namespace
{

void tellFileError(Dialogs& dialogs, const QString& path)
{
    dialogs.message(QStringLiteral("There was an error working with the file:") +
                        QStringLiteral("\r\n") + QDir::toNativeSeparators(path),
                    Icon::Information);
}

} // namespace

bool writeFrameAsBmp(FrameReader& reader, qint64 n, const QString& bmpPath, QString* error)
{
    const QImage picture = reader.frame(n);
    if (picture.isNull()) {
        if (error)
            *error = reader.lastError();
        return false;
    }
    // A picture the bitmap class refuses (no bits at all) is not written and the earlier file
    // stays.
    return writeImageAsBmp(picture, bmpPath, error);
}

bool grabVideoFrame(FrameReader& reader, qint64 n, const QString& outputFolder, Dialogs& dialogs)
{
    const QString target = QDir(outputFolder).filePath(QString::fromLatin1(kCurrentCaptureName));
    QString why;
    if (!reader.isOpen() || reader.frame(n).isNull()) {
        // The frame is not in the video or cannot be decoded.
        tellFileError(dialogs, reader.path());
        return false;
    }
    if (!writeFrameAsBmp(reader, n, target, &why)) {
        tellFileError(dialogs, target);
        return false;
    }
    return true;
}

bool grabVideoFrame(const QString& videoPath, qint64 n, const QString& outputFolder,
                    Dialogs& dialogs)
{
    FrameReader reader;
    reader.open(videoPath);
    if (reader.openFailure() == FrameReader::OpenFailure::NoDecoder) {
        dialogs.message(QStringLiteral("No suitable decompressor found for this video stream!"),
                        Icon::Information);
        return false;
    }
    if (!reader.isOpen()) {
        tellFileError(dialogs, videoPath);
        return false;
    }
    return grabVideoFrame(reader, n, outputFolder, dialogs);
}

} // namespace zelvan::review
