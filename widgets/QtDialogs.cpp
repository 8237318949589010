#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "base/Numbers.h"

namespace zelvan::widgets
{

namespace
{

QString shownTitle(const QString& title)
{
    return title.isEmpty() ? QString::fromLatin1(kAppTitle) : title;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The filter to preselect, counted from 1 as the station counts; empty when out of range.
QString chosenFilter(const QStringList& filters, int selectedFilter)
{
    return selectedFilter >= 1 && selectedFilter <= filters.size() ? filters[selectedFilter - 1]
                                                                   : QString();
}

} // namespace

QStringList qtNameFilters(const QString& stationFilter)
{
    const QStringList parts = stationFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (name.isEmpty() && patterns.isEmpty())
            continue;
        filters << (name.contains(QLatin1Char('('))
                        ? name
                        : name + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

QWidget* QtDialogs::parentWidget() const
{
    return owner ? owner : QApplication::activeWindow();
}

void QtDialogs::message(const QString& text, Icon icon, const QString& title)
{
    QMessageBox box(boxIcon(icon), shownTitle(title), text, QMessageBox::Ok, parentWidget());
    box.exec();
}

bool QtDialogs::askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault)
{
    QMessageBox box(QMessageBox::Question, shownTitle(title), text,
                    QMessageBox::Yes | QMessageBox::No, parentWidget());
    box.setDefaultButton(byDefault == DefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title,
                                        const QString& proposed,
                                        const std::optional<QPoint>& posTwips)
{
    QInputDialog box(parentWidget());
    box.setWindowTitle(shownTitle(title));
    box.setLabelText(prompt);
    box.setTextValue(proposed);
    if (posTwips)
        box.move(int(posTwips->x() / kTwipsPerPixel), int(posTwips->y() / kTwipsPerPixel));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

QString QtDialogs::openFile(const QString& title, const QString& folder, const QString& filter,
                            int selectedFilter)
{
    const QStringList filters = qtNameFilters(filter);
    QString chosen = chosenFilter(filters, selectedFilter);
    return QFileDialog::getOpenFileName(parentWidget(), shownTitle(title), folder,
                                        filters.join(QStringLiteral(";;")), &chosen);
}

QString QtDialogs::saveFile(const QString& title, const QString& folder, const QString& filter,
                            int selectedFilter)
{
    const QStringList filters = qtNameFilters(filter);
    QString chosen = chosenFilter(filters, selectedFilter);
    return QFileDialog::getSaveFileName(parentWidget(), shownTitle(title), folder,
                                        filters.join(QStringLiteral(";;")), &chosen);
}

} // namespace zelvan::widgets
