#include "app/StartUp.h"

#include "app/Dialogs.h"
#include "app/Station.h"

#include <QFileInfo>

namespace zelvan
{

namespace
{

bool isFolder(const QString& text)
{
    QString dir = text.trimmed();
    if (dir.size() > 1 && (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/'))))
        dir.chop(1);
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

// The leading decimal number of the text, 0 when there is none ("12 fps" is 12).
double leadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    int end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('+') || t[end] == QLatin1Char('-')))
        ++end;
    bool point = false;
    while (end < t.size() && (t[end].isDigit() || (t[end] == QLatin1Char('.') && !point))) {
        point = point || t[end] == QLatin1Char('.');
        ++end;
    }
    bool ok = false;
    const double v = t.left(end).toDouble(&ok);
    return ok ? v : 0;
}

} // namespace

bool ensureVideoDirectory(Dialogs& dialogs, Station& station, int maxAsks, QString* error)
{
    const QString stored = station.settings.logPath();
    if (isFolder(stored))
        return station.setVideoDirectory(stored, error);

    station.videoDirectory.clear();
    for (int asked = 0; maxAsks < 0 || asked < maxAsks; ++asked) {
        const QString answer =
            dialogs
                .input(QStringLiteral("No Correct Save Video Directory has been set.  Please put "
                                      "in the path of the Save Video Directory here."),
                       QString::fromLatin1(kVideoPathTitle))
                .value_or(QString());
        if (isFolder(answer))
            return station.setVideoDirectory(answer, error);
        dialogs.message(QStringLiteral("You entered an invalid path - try  again"));
    }
    if (error)
        *error = QStringLiteral("No save video directory was given");
    return false;
}

bool changeVideoDirectory(Dialogs& dialogs, Station& station, const QString& shown, QString* error)
{
    for (;;) {
        const std::optional<QString> answer = dialogs.input(
            QStringLiteral("Please put in the path of the Save Video Directory here."),
            QString::fromLatin1(kVideoPathTitle), shown);
        if (!answer || answer->isEmpty())
            return false;
        if (isFolder(*answer))
            return station.setVideoDirectory(*answer, error);
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

} // namespace zelvan
