#include "app/EmergencyReset.h"

#include "app/SettingsStore.h"
#include "base/Dialogs.h"

namespace zelvan::app
{

bool runEmergencyReset(Dialogs& dialogs, SettingsStore& store, QString* error)
{
    const QString title = QString::fromLatin1(kEmergencyResetTitle);
    if (!dialogs.askYesNo(QStringLiteral("Do you want to reset all parameters to install values?"),
                          title))
        return true;
    if (!dialogs.askYesNo(
            QStringLiteral("Are you certain? This means you are crashing and can't operate"),
            title))
        return true;

    bool ok = true;
    for (const InstallValue& item : SettingsStore::installValues()) {
        // A setting that was never written shows as 0.
        const QString stored = store.read(item.key, QStringLiteral("0"));
        if (!dialogs.askYesNo(item.label + stored + QStringLiteral(" Clear it?"), title))
            continue;
        QString why;
        if (store.applyInstallValue(item, &why))
            continue;
        dialogs.message(why, Icon::Warning, title);
        if (ok && error)
            *error = why;
        ok = false;
    }
    return ok;
}

} // namespace zelvan::app
