#include "app/EmergencyReset.h"

#include "app/SettingsStore.h"
#include "base/Dialogs.h"

namespace zelvan::app
{

Status runEmergencyReset(Dialogs& dialogs, SettingsStore& store)
{
    const QString title = QString::fromLatin1(kEmergencyResetTitle);
    if (!dialogs.askYesNo(QStringLiteral("Do you want to reset all parameters to install values?"),
                          title, DefaultAnswer::No))
        return {};
    if (!dialogs.askYesNo(
            QStringLiteral("Are you certain? This means you are crashing and can't operate"),
            title, DefaultAnswer::No))
        return {};

    Status status;
    for (const InstallValue& item : SettingsStore::installValues()) {
        // A setting that was never written shows as 0.
        const QString stored = store.read(item.key, QStringLiteral("0"));
        if (!dialogs.askYesNo(item.label + stored + QStringLiteral(" Clear it?"), title,
                              DefaultAnswer::No))
            continue;
        const Status applied = store.applyInstallValue(item);
        if (!applied)
            dialogs.message(applied.error(), Icon::Warning, title);
        status = firstFailure(status, applied);
    }
    return status;
}

} // namespace zelvan::app
