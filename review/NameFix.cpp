#include "review/NameFix.h"

#include "base/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan::review
{

namespace
{

QString videoPathFor(const QString& folder, const QString& name, const QString& attempt)
{
    return withoutTrailingSeparator(folder) + QDir::separator() + name + QStringLiteral("jump") +
           attempt + QStringLiteral(".avi");
}

// One answer: a cancelled box counts as an empty answer, as the input box gives.
QString ask(Dialogs& dialogs, const char* prompt, const QString& proposed)
{
    return dialogs.input(QString::fromLatin1(prompt), QString::fromLatin1(kNameFixTitle), proposed)
        .value_or(QString());
}

// The first prompt, then "You must input a name" once for an empty answer.
std::optional<QString> askName(Dialogs& dialogs, const char* prompt, const QString& proposed,
                               bool cancelStops)
{
    const auto first =
        dialogs.input(QString::fromLatin1(prompt), QString::fromLatin1(kNameFixTitle), proposed);
    if (!first && cancelStops)
        return std::nullopt;
    QString name = first.value_or(QString());
    if (name.isEmpty())
        name = ask(dialogs, kNameMissingPrompt, proposed);
    // The capture screen's rule: no comma (it would split the session and .info lines), and
    // nothing a file name cannot hold.
    const QString safe = fileNameSafe(name).replace(QLatin1Char(','), QLatin1Char(' '));
    if (safe != name)
        dialogs.message(QStringLiteral("A file name cannot hold , \\ / : * ? \" < > | or control "
                                       "characters; they were replaced by spaces."),
                        Icon::Warning);
    return safe;
}

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(a)) ==
           QDir::cleanPath(QDir::fromNativeSeparators(b));
}

} // namespace

QString fileNameSafe(const QString& name)
{
    return zelvan::fileNameSafe(name);
}

NameFixResult fixSkierName(Dialogs& dialogs, const NameFixInput& input,
                           const std::function<bool(const QString&)>& exists)
{
    const QString proposed = input.skierName;
    QString name = *askName(dialogs, kNameFixPrompt, proposed, false);
    QString path = videoPathFor(input.videoDirectory, name, QStringLiteral("1"));
    if (!samePath(path, input.recordedPath)) {
        while (exists(path)) {
            const auto again = askName(dialogs, kNameTakenPrompt, proposed, true);
            if (!again) // the operator gave up: nothing moves
                return {input.skierName, input.recordedPath, false};
            name = *again;
            path = videoPathFor(input.videoDirectory, name, input.attemptNumber.trimmed());
        }
    }
    const bool move = !samePath(path, input.recordedPath);
    return {name, path, move};
}

Status moveRecording(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return fail(QStringLiteral("The recording was not moved: a file is already there:\r\n") +
                    to);
    if (!QFile::rename(from, to))
        return fail(QStringLiteral("The recording could not be moved from:\r\n") + from +
                    QStringLiteral("\r\nto:\r\n") + to);
    return {};
}

} // namespace zelvan::review
