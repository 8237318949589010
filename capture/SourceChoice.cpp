#include "capture/SourceChoice.h"

namespace zelvan::capture
{

StartDevice startDevice(const QStringList& names, const QString& storedName, int storedIndex)
{
    if (names.isEmpty())
        return {};
    if (!storedName.isEmpty()) {
        const int found = int(names.indexOf(storedName));
        if (found >= 0)
            return {found, QString()};
        return {-1, missingDeviceMessage(storedName)};
    }
    return {storedIndex >= 0 && storedIndex < names.size() ? storedIndex : 0, QString()};
}

QString missingDeviceMessage(const QString& name)
{
    return QStringLiteral("The video device \"%1\" is not connected. Plug it in and answer Yes "
                          "when the station offers it, or choose another device in the list.")
        .arg(name);
}

} // namespace zelvan::capture
