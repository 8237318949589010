#pragma once
// Answers the station's dialogs from a prepared list before any reaches the operator: the demo
// station and unattended start-up runs use it to get past the start-up questions. Each dialog
// takes the next answer; once the list is used up every dialog goes to the dialogs it wraps.
//
// One answer per line: "Yes", "No", "OK" (a message), "Cancel" (an input box or file dialog),
// "text:<answer>" (an input box), "file:<path>" (a file dialog). A dialog whose answer does not
// fit it is shown to the operator after all, and the rest of the list is dropped, so a list
// that went out of step never answers the wrong question.
#include "base/Dialogs.h"
#include "base/Result.h"

#include <QStringList>

namespace zelvan::app
{

class AnsweringDialogs : public Dialogs
{
public:
    AnsweringDialogs(Dialogs& operatorDialogs, QStringList answers);

    // The answers of a file as above; blank lines are skipped. A failure names the file.
    static Result<QStringList> readAnswers(const QString& path);

    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;

    // Answers not yet taken.
    const QStringList& pending() const { return answers_; }

private:
    // The next answer when it is one of `fitting` (compared without case) or starts with
    // `prefix`; else nothing, and the list is dropped.
    std::optional<QString> take(const QStringList& fitting, const QString& prefix = QString());
    std::optional<QString> takeFile();

    Dialogs& operator_;
    QStringList answers_;
};

} // namespace zelvan::app
