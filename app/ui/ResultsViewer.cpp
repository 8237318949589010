#include "app/ui/ResultsViewer.h"

#include "app/LogViewerLines.h"
#include "widgets/Accessibility.h"

#include <QAction>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace zelvan::app::ui
{

ResultsViewer::ResultsViewer(Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Results"));
    setWindowTitle(QStringLiteral("Results"));
    auto* menu = new QMenuBar(this);
    QAction* exit = menu->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("Exit_results"));
    connect(exit, &QAction::triggered, this, &ResultsViewer::exitResults);

    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output_box"));
    output_->setReadOnly(true);
    output_->setAccessibleName(QStringLiteral("Results"));
    // The results file lines its fields up in print zones: a fixed-pitch font keeps them so.
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* column = new QVBoxLayout(this);
    column->setMenuBar(menu);
    column->addWidget(output_);
    resize(900, 520);
    widgets::describeControls(this);
}

void ResultsViewer::open()
{
    output_->clear();
    const Result<QString> text = resultsViewerText(station_.resultsFilePath());
    if (text)
        output_->setPlainText(*text);
    // Titled with the path the file was read from.
    setWindowTitle(resultsViewerPath(station_.resultsFilePath()));
    show();
    raise();
    activateWindow();
    if (!text)
        dialogs_.message(text.error(), Icon::Warning);
}

void ResultsViewer::exitResults()
{
    hide();
    output_->clear();
}

QString ResultsViewer::text() const
{
    return output_->toPlainText();
}

} // namespace zelvan::app::ui
