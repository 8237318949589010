#include "app/StationResources.h"

#include "app/TextFiles.h"

#include <QFileInfo>

namespace zelvan::app
{

QString stationResource(const QString& stationFolder, const QString& name)
{
    const QString inFolder = joinPath(stationFolder, name);
    if (!stationFolder.isEmpty() && QFileInfo(inFolder).isFile())
        return inFolder;
    return QStringLiteral(":/station/") + name;
}

} // namespace zelvan::app
