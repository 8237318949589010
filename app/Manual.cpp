#include "app/Manual.h"

#include "app/RtfReader.h"
#include "app/TextFiles.h"
#include "base/Platform.h"
#include "base/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace zelvan::app
{

namespace
{
// Far above any manual; a bigger file is something else.
constexpr qint64 kMaxManualBytes = 32 * 1024 * 1024;

Status loadFrom(const QString& path, const QByteArray& bytes, QTextDocument& document)
{
    const Status read = readRtf(bytes, document);
    if (!read)
        return fail(QStringLiteral("The manual %1 cannot be shown: %2")
                        .arg(platform::nativePath(path), read.error()));
    return {};
}
} // namespace

Status loadManual(const QString& stationFolder, const QString& builtIn, QTextDocument& document)
{
    document.clear();
    const QString own = joinPath(stationFolder, QString::fromLatin1(kManualFile));
    if (QFileInfo::exists(own)) {
        const Result<QByteArray> bytes = readInputFile(own, kMaxManualBytes);
        if (!bytes)
            return fail(QStringLiteral("The manual cannot be read. %1").arg(bytes.error()));
        return loadFrom(own, *bytes, document);
    }
    QFile shipped(builtIn);
    if (builtIn.isEmpty() || !shipped.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("There is no manual: %1 is missing in the station folder %2.")
                .arg(QString::fromLatin1(kManualFile), platform::nativePath(stationFolder)));
    return loadFrom(builtIn, shipped.readAll(), document);
}

} // namespace zelvan::app
