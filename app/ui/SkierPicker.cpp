#include "app/ui/SkierPicker.h"

#include "app/SkierNames.h"
#include "app/TextFiles.h"
#include "base/Numbers.h"
#include "review/FileChecks.h"
#include "widgets/Accessibility.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace zelvan::app::ui
{

SkierPicker::SkierPicker(Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frmSelectSkier"));
    setWindowTitle(QStringLiteral("Select A Skier"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstSkiers"));
    auto* hint = new QLabel(QStringLiteral("Double Click on Skier Name to select it"), this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setBuddy(list_);
    auto* none = new QPushButton(QStringLiteral("No Selection"), this);
    none->setObjectName(QStringLiteral("cmdNoSelect"));

    auto* column = new QVBoxLayout(this);
    column->addWidget(hint);
    column->addWidget(list_, 1);
    column->addWidget(none);

    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose(list_->row(item)); });
    // Enter chooses the current entry, Esc is "No Selection", for the keyboard alone.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), list_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] { choose(list_->currentRow()); });
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &SkierPicker::noSelection);
    connect(none, &QPushButton::clicked, this, &SkierPicker::noSelection);
    setTabOrder(list_, none);
    resize(320, 460);
    widgets::describeControls(this);
}

QString SkierPicker::noNamesFileText()
{
    return QStringLiteral(
        "No file of skier names called SkierNames.txt exists in the application directory");
}

bool SkierPicker::open(QWidget* focusAfter)
{
    focusAfter_ = focusAfter ? focusAfter : QApplication::focusWidget();
    list_->clear();
    const QString path = joinPath(station_.stationFolder(), QString::fromLatin1(kSkierNamesFile));
    if (!review::fileExists(path)) {
        dialogs_.message(noNamesFileText());
        return false;
    }
    const Result<QString> text = readTextFile(path);
    if (!text) {
        dialogs_.message(QStringLiteral("The skier names cannot be read. %1").arg(text.error()),
                         Icon::Warning);
        return false;
    }
    list_->addItems(pickerEntries(*text));
    move(int(2280 / kTwipsPerPixel), int(120 / kTwipsPerPixel));
    show();
    raise();
    activateWindow();
    list_->setFocus();
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    return true;
}

QStringList SkierPicker::entries() const
{
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

bool SkierPicker::choose(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    const QString name = list_->item(row)->text();
    station_.setCaptureSkierName(name);
    emit skierChosen(name);
    close();
    return true;
}

void SkierPicker::noSelection()
{
    close();
}

void SkierPicker::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The operator goes on where they were (Space must press the caller's button, not open the
    // picker again through a focus left nowhere).
    if (!focusAfter_ || focusAfter_->window() == this)
        return;
    focusAfter_->window()->activateWindow();
    focusAfter_->setFocus(Qt::OtherFocusReason);
    focusAfter_.clear();
}

} // namespace zelvan::app::ui
