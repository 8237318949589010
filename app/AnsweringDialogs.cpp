#include "app/AnsweringDialogs.h"

#include "app/SkierNames.h"

#include <QRegularExpression>

namespace zelvan::app
{

namespace
{
const QString kText = QStringLiteral("text:");
const QString kFile = QStringLiteral("file:");
} // namespace

AnsweringDialogs::AnsweringDialogs(Dialogs& operatorDialogs, QStringList answers)
    : operator_(operatorDialogs), answers_(std::move(answers))
{
}

Result<QStringList> AnsweringDialogs::readAnswers(const QString& path)
{
    const Result<QString> text = readTextFile(path);
    if (!text)
        return fail(text.error());
    QStringList answers;
    for (const QString& line :
         text->split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            answers << line.trimmed();
    return answers;
}

std::optional<QString> AnsweringDialogs::take(const QStringList& fitting, const QString& prefix)
{
    if (answers_.isEmpty())
        return std::nullopt;
    const QString next = answers_.first();
    const bool fits = fitting.contains(next, Qt::CaseInsensitive) ||
                      (!prefix.isEmpty() && next.startsWith(prefix, Qt::CaseInsensitive));
    if (!fits) {
        answers_.clear();
        return std::nullopt;
    }
    answers_.removeFirst();
    return next;
}

void AnsweringDialogs::message(const QString& text, Icon icon, const QString& title)
{
    if (!take({QStringLiteral("OK")}))
        operator_.message(text, icon, title);
}

bool AnsweringDialogs::askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault)
{
    if (const auto answer = take({QStringLiteral("Yes"), QStringLiteral("No")}))
        return answer->compare(QStringLiteral("Yes"), Qt::CaseInsensitive) == 0;
    return operator_.askYesNo(text, title, byDefault);
}

std::optional<QString> AnsweringDialogs::input(const QString& prompt, const QString& title,
                                               const QString& proposed,
                                               const std::optional<QPoint>& posTwips)
{
    if (const auto answer = take({QStringLiteral("Cancel")}, kText)) {
        if (answer->startsWith(kText, Qt::CaseInsensitive))
            return answer->mid(kText.size());
        return std::nullopt;
    }
    return operator_.input(prompt, title, proposed, posTwips);
}

std::optional<QString> AnsweringDialogs::takeFile()
{
    const auto answer = take({QStringLiteral("Cancel")}, kFile);
    if (!answer)
        return std::nullopt;
    return answer->startsWith(kFile, Qt::CaseInsensitive) ? answer->mid(kFile.size()) : QString();
}

QString AnsweringDialogs::openFile(const QString& title, const QString& folder,
                                   const QString& filter, int selectedFilter)
{
    if (const auto answer = takeFile())
        return *answer;
    return operator_.openFile(title, folder, filter, selectedFilter);
}

QString AnsweringDialogs::saveFile(const QString& title, const QString& folder,
                                   const QString& filter, int selectedFilter)
{
    if (const auto answer = takeFile())
        return *answer;
    return operator_.saveFile(title, folder, filter, selectedFilter);
}

} // namespace zelvan::app
