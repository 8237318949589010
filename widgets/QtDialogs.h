#pragma once
// The station's Dialogs as the operator sees them: Qt message boxes, input boxes and file
// dialogs over the active window.
#include "base/Dialogs.h"

#include <QStringList>

class QWidget;

namespace zelvan::widgets
{

class QtDialogs : public Dialogs
{
public:
    // Dialogs open over `parent` when given, else over the active window.
    explicit QtDialogs(QWidget* parent = nullptr) : owner(parent) {}

    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& proposed,
                                 const std::optional<QPoint>& posTwips) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     int selectedFilter) override;

private:
    QWidget* parentWidget() const;
    QWidget* owner;
};

// The station's "Name (*.ext)|*.ext|Other|*.x|" filter as Qt's name filters, one per pair:
// "Name (*.ext)", "Other (*.x)". A pair whose name already shows its patterns keeps it.
QStringList qtNameFilters(const QString& stationFilter);

} // namespace zelvan::widgets
