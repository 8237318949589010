#include "app/ui/LogWindow.h"

#include "app/LogViewerLines.h"
#include "app/TextFiles.h"
#include "app/ui/ExtentList.h"
#include "review/FileChecks.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QShortcut>

namespace zelvan::app::ui
{

LogWindow::LogWindow(Station& station, Dialogs& dialogs, const QString& ending, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), dialogs_(dialogs), ending_(ending)
{
    // Esc leaves the window as its close button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void LogWindow::makeControls(const char* pathBox, const char* list, const char* selectedBox)
{
    pathBox_ = new QLineEdit(this);
    pathBox_->setObjectName(QString::fromLatin1(pathBox));
    pathBox_->setReadOnly(true);
    list_ = new ExtentList(this);
    list_->setObjectName(QString::fromLatin1(list));
    selectedBox_ = new QLineEdit(this);
    selectedBox_->setObjectName(QString::fromLatin1(selectedBox));
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            selectEntry(row);
    });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectEntry(list_->row(item)); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { activateEntry(list_->row(item)); });
    // Enter on the list opens the entry as a double click does.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), list_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            if (list_->currentRow() >= 0)
                activateEntry(list_->currentRow());
        });
    }
}

void LogWindow::open()
{
    pathBox_->clear();
    selectedBox_->clear();
    const QString today = joinPath(station_.videoDirectory(), station_.sessionLogFileName());
    fillFrom(today, true);
    show();
    raise();
    activateWindow();
}

QString LogWindow::logFileText() const
{
    return pathBox_->text();
}

QStringList LogWindow::entries() const
{
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

QString LogWindow::selectedPath() const
{
    return selectedBox_->text();
}

bool LogWindow::selectEntry(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    if (list_->currentRow() != row)
        list_->setCurrentRow(row);
    selectedBox_->setText(logLineFilePath(list_->item(row)->text()));
    return true;
}

void LogWindow::chooseLogFile()
{
    const QString chosen = dialogs_.openFile(windowTitle(), station_.videoDirectory(),
                                             QString::fromLatin1(kLogFileFilter));
    if (chosen.isEmpty())
        return; // cancelled: the log shown stays
    fillFrom(chosen, false);
}

void LogWindow::fillFrom(const QString& path, bool opening)
{
    const bool exists = review::fileExists(path);
    const LogListFill fill =
        opening ? openingFill(path, exists, ending_) : chosenFill(path, exists, ending_);
    if (fill.showPath)
        pathBox_->setText(path);
    if (fill.entries) {
        list_->clear();
        list_->addItems(*fill.entries);
    }
    list_->setHorizontalExtent(logListScrollExtent(entries(), QFontMetrics(font())));
    if (!fill.failure.isEmpty())
        dialogs_.message(fill.failure, Icon::Warning);
}

} // namespace zelvan::app::ui
