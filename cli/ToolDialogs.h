#pragma once
// zelvan-tool runs unattended: nothing is ever asked. Messages are collected so that a command
// can put them in its JSON or turn the first one into its error; every question is answered
// No, every input box and file dialog Cancel.
#include "base/Dialogs.h"

#include <QStringList>

namespace zelvan::cli
{

class ToolDialogs : public Dialogs
{
public:
    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;

    // Message box texts in the order they were shown.
    const QStringList& messages() const { return shown; }

private:
    QStringList shown;
};

} // namespace zelvan::cli
