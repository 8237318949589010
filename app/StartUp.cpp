#include "app/StartUp.h"
#include "base/Numbers.h"

#include "app/Station.h"
#include "base/Dialogs.h"

#include <QFileInfo>

namespace zelvan::app
{

namespace
{

bool isFolder(const QString& text)
{
    const QString dir = withoutTrailingSeparator(text.trimmed());
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

} // namespace

Status ensureVideoDirectory(Dialogs& dialogs, Station& station, int maxAsks)
{
    const QString stored = station.settings().logPath();
    if (isFolder(stored))
        return station.setVideoDirectory(stored);

    station.clearVideoDirectory();
    for (int asked = 0; maxAsks < 0 || asked < maxAsks; ++asked) {
        const QString answer =
            dialogs
                .input(QStringLiteral("No Correct Save Video Directory has been set.  Please put "
                                      "in the path of the Save Video Directory here."),
                       QString::fromLatin1(kVideoPathTitle))
                .value_or(QString());
        if (isFolder(answer))
            return station.setVideoDirectory(answer);
        dialogs.message(QStringLiteral("You entered an invalid path - try  again"));
    }
    return fail(QStringLiteral("No save video directory was given"));
}

Result<bool> changeVideoDirectory(Dialogs& dialogs, Station& station, const QString& shown)
{
    for (;;) {
        const std::optional<QString> answer = dialogs.input(
            QStringLiteral("Please put in the path of the Save Video Directory here."),
            QString::fromLatin1(kVideoPathTitle), shown);
        if (!answer || answer->isEmpty())
            return false;
        if (isFolder(*answer)) {
            if (const Status stored = station.setVideoDirectory(*answer); !stored)
                return fail(stored.error());
            return true;
        }
        dialogs.message(QStringLiteral("The folder you entered does not exist"), Icon::Warning,
                        QStringLiteral("Jump Measurement Alert"));
    }
}

QString captureRateLabel(const QString& rateText, const QString& current)
{
    const double rate = leadingNumber(rateText);
    QString label = current;
    if (rate >= 5)
        label = QStringLiteral("Currently Configured for Normal/C");
    if (rate >= 15)
        label = QStringLiteral("Currently Configured for L");
    if (rate >= 25)
        label = QStringLiteral("Currently Configured for R");
    return label;
}

GridIndicators gridIndicators(double numGrids, const std::array<QString, 3>& gridFiles)
{
    GridIndicators out;
    for (int i = 0; i < 3; ++i) {
        // Grid 1's indicators are always there.
        out.visible[i] = i == 0 || numGrids >= i + 1;
        out.fileFound[i] = !gridFiles[i].isEmpty() && QFileInfo(gridFiles[i]).isFile();
    }
    return out;
}

} // namespace zelvan::app
