#include "measure/PictureSources.h"

#include "base/WholeFile.h"
#include "measure/RecordLines.h"

#include <QDir>
#include <QImageReader>

namespace zelvan::measure
{

Result<QImage> readPicture(const QString& path)
{
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull())
        return fail(QStringLiteral("The picture %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(path), reader.errorString()));
    return picture;
}

namespace
{

// The flag holds one word; anything much longer is not the capture tool's flag.
constexpr qint64 kMaxFlagBytes = 4096;

QString flagPath(const QString& zqioFolder)
{
    return QDir(zqioFolder).filePath(QLatin1String(kClipFlagName));
}

// The first field the way a sequential read takes it: up to a comma or the line end, blanks
// around it dropped, surrounding quotes removed.
QString firstField(const QString& text)
{
    QString field = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (field.startsWith(QLatin1Char('"'))) {
        const qsizetype close = field.indexOf(QLatin1Char('"'), 1);
        return field.mid(1, close < 0 ? -1 : close - 1);
    }
    return field.section(QLatin1Char(','), 0, 0).trimmed();
}

} // namespace

int loadPictureFilterEntry(const QString& pictureExtension)
{
    if (pictureExtension == QLatin1String(".gif"))
        return 3;
    if (pictureExtension == QLatin1String(".bmp"))
        return 4;
    if (pictureExtension == QLatin1String(".jpg"))
        return 5;
    return 1;
}

QString loadedPictureLine(const QDateTime& now, const QString& fileName)
{
    return recordDate(now) + QLatin1Char(' ') + recordTime(now) +
           QStringLiteral(" Loaded picture: ") + fileName;
}

bool clipFlagRaised(const QString& zqioFolder)
{
    const Result<QByteArray> bytes = readInputFile(flagPath(zqioFolder), kMaxFlagBytes);
    return bytes && firstField(QString::fromLatin1(*bytes)) == QLatin1String("Ready");
}

void lowerClipFlag(const QString& zqioFolder)
{
    (void)writeWholeFile(flagPath(zqioFolder), QByteArray("  \r\n"));
}

} // namespace zelvan::measure
