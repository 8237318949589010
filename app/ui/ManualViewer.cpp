#include "app/ui/ManualViewer.h"

#include "app/Manual.h"
#include "widgets/Accessibility.h"
#include "widgets/StationStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zelvan::app::ui
{

ManualViewer::ManualViewer(Station& station, Dialogs& dialogs, QWidget* parent,
                           const QString& builtInManual)
    : QWidget(parent), station_(station), dialogs_(dialogs),
      builtIn_(builtInManual.isEmpty() ? QString::fromLatin1(kBuiltInManual) : builtInManual)
{
    setObjectName(QStringLiteral("frmManual"));
    setWindowTitle(QStringLiteral("Zelvan 2005 Manual"));
    auto* heading = new QLabel(QStringLiteral("Zelvan 2005 Manual"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->setAlignment(Qt::AlignCenter);
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    heading->setFont(big);
    text_ = new QTextBrowser(this);
    text_->setObjectName(QStringLiteral("RichTextBox1"));
    text_->setOpenLinks(false);
    text_->document()->setDocumentMargin(12);
    text_->setAccessibleName(QStringLiteral("Manual"));
    heading->setBuddy(text_);
    auto* doneButton = new QPushButton(QStringLiteral("Done"), this);
    doneButton->setObjectName(QStringLiteral("cmdDone"));
    doneButton->setDefault(true);
    doneButton->setProperty(widgets::kEnterPresses, true);

    auto* column = new QVBoxLayout(this);
    // The text runs 100 twips (about 7 pixels) narrower than the window.
    column->setContentsMargins(3, 6, 4, 6);
    column->addWidget(heading);
    column->addWidget(text_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(doneButton);
    row->addStretch();
    column->addLayout(row);
    connect(doneButton, &QPushButton::clicked, this, &ManualViewer::done);
    // A plain window has no default button of its own: these keys press it as a dialog would.
    for (const int key : {int(Qt::Key_Escape), int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* press = new QShortcut(QKeySequence(key), this);
        connect(press, &QShortcut::activated, doneButton, &QPushButton::click);
    }
    setTabOrder(text_, doneButton);
    widgets::describeControls(this);
}

void ManualViewer::loadOnce()
{
    if (loaded_)
        return;
    loaded_ = true;
    const Status read = loadManual(station_.stationFolder(), builtIn_, *text_->document());
    if (!read)
        dialogs_.message(read.error(), Icon::Warning);
}

const QTextDocument& ManualViewer::document() const
{
    return *text_->document();
}

void ManualViewer::done()
{
    station_.showScreen(Station::Screen::Main);
}

void ManualViewer::showEvent(QShowEvent* event)
{
    if (!sized_ && !isMaximized()) {
        sized_ = true;
        if (const QScreen* shown = screen()) {
            // Most of the screen, centred: a manual is read, not glanced at.
            const QRect free = shown->availableGeometry();
            const QSize size(free.width() * 2 / 3, free.height() * 5 / 6);
            setGeometry(QRect(free.center() - QPoint(size.width() / 2, size.height() / 2), size));
        }
    }
    QWidget::showEvent(event);
    loadOnce();
}

} // namespace zelvan::app::ui
