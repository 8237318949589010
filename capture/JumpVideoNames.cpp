#include "capture/JumpVideoNames.h"

#include "base/Numbers.h"
#include "review/NameFix.h"

#include <QDir>

namespace zelvan::capture
{

namespace
{

// A folder full of a skier's files must not hang the screen: past this many tries the name
// is left as it is and the existing file is never touched (Start refuses, see the screen).
constexpr int kMostTries = 1000;

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

QString jumpVideoPath(const QString& folder, const QString& skierName, const QString& attempt)
{
    const QString name = review::fileNameSafe(skierName.trimmed());
    const QString pass = review::fileNameSafe(attempt.trimmed());
    QString file = name + QStringLiteral("jump") + pass + QStringLiteral(".avi");
    if (folder.isEmpty())
        return file;
    return withoutTrailingSeparator(folder) + QDir::separator() + file;
}

CleanedName cleanSkierName(const QString& typed)
{
    CleanedName cleaned{typed, {}};
    if (cleaned.name.contains(QLatin1Char(','))) {
        cleaned.messages << OperatorMessage{QString::fromLatin1(kCommaMessage), Icon::None,
                                            QString::fromLatin1(kInputErrorTitle)};
        cleaned.name.replace(QLatin1Char(','), QLatin1Char(' '));
    }
    const QString safe = review::fileNameSafe(cleaned.name);
    if (safe != cleaned.name) {
        cleaned.messages << OperatorMessage{QString::fromLatin1(kUnsafeNameMessage), Icon::Warning,
                                            QString::fromLatin1(kInputErrorTitle)};
        cleaned.name = safe;
    }
    return cleaned;
}

QString nextAttempt(const QString& attempt)
{
    return numberText(leadingNumber(attempt.trimmed()) + 1);
}

AttemptCheck firstPaintAttempt(const QString& folder, const QString& skierName,
                               const QString& attempt, const FileExists& exists)
{
    AttemptCheck check{attempt, false, {}};
    for (int tries = 0;
         tries < kMostTries && exists(jumpVideoPath(folder, skierName, check.attempt)); ++tries) {
        check.attempt = nextAttempt(check.attempt);
        check.collision = true;
    }
    if (check.collision)
        check.messages << OperatorMessage{QString::fromLatin1(kPassChangedMessage), Icon::Warning,
                                          QString::fromLatin1(kPassChangedTitle)};
    if (leadingNumber(check.attempt.trimmed()) > 3)
        check.messages << OperatorMessage{QString::fromLatin1(kHighJumpMessage), Icon::Warning,
                                          QString::fromLatin1(kHighJumpTitle)};
    return check;
}

StartName startRecordingName(const QString& folder, const QString& skierName,
                             const QString& attempt, const FileExists& exists)
{
    StartName start{skierName, attempt, jumpVideoPath(folder, skierName, attempt), false, {}};
    for (int tries = 0; tries < kMostTries && exists(start.path); ++tries) {
        start.collision = true;
        start.skierName = start.skierName.trimmed() + QLatin1Char('X');
        start.attempt = QStringLiteral("1");
        start.path = jumpVideoPath(folder, start.skierName, start.attempt);
    }
    if (start.collision)
        start.warning = nameChangedWarning(start.skierName);
    return start;
}

QString nameChangedWarning(const QString& skierName)
{
    return QStringLiteral("WARNING! Skier Name has been changed to ") + skierName +
           QStringLiteral(" to prevent duplicate files");
}

} // namespace zelvan::capture
