#pragma once
// Dialogs for tests and the headless tool: records every text shown and answers from queues.
// An empty queue answers No, Cancel, or an empty file name.
#include "base/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace zelvan
{

class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, YesNo, Input, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString text;
        QString title; // as the operator sees it: empty titles become the application title
        Icon icon;
        DefaultAnswer byDefault = DefaultAnswer::Yes; // of a yes/no question
    };

    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;

    QQueue<bool> yesNoAnswers;
    QQueue<std::optional<QString>> inputAnswers;
    QQueue<QString> fileAnswers;

    QList<Shown> shown;
    // Where each file dialog opened and what it offered, in order.
    struct FileAsk {
        QString folder;
        QString filter;
        int selectedFilter = 1; // the filter entry the dialog started on
    };
    QList<FileAsk> fileAsks;
    QStringList texts() const;    // every text shown, in order
    QStringList messages() const; // message box texts only
    void clear() { shown.clear(); }
};

} // namespace zelvan
