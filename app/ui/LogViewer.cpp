#include "app/ui/LogViewer.h"

#include "app/LogViewerLines.h"
#include "app/ui/ExtentList.h"
#include "widgets/Accessibility.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zelvan::app::ui
{

LogViewer::LogViewer(Station& station, Dialogs& dialogs, QWidget* parent)
    : LogWindow(station, dialogs, QString::fromLatin1(kVideoLineEnding), parent)
{
    setObjectName(QStringLiteral("LogView"));
    setWindowTitle(QStringLiteral("Log Viewer"));
    makeControls("txtLogFile", "lstLog", "txtFileToView");

    auto* logLabel = new QLabel(QStringLiteral("Log File to View"), this);
    logLabel->setObjectName(QStringLiteral("Label1"));
    logLabel->setBuddy(pathBox_);
    auto* hint = new QLabel(QStringLiteral("Click to Select and use View Selected File button to "
                                           "View or Double Click to view"),
                            this);
    hint->setObjectName(QStringLiteral("Label2"));
    hint->setWordWrap(true);
    hint->setBuddy(list_);
    auto* view = new QPushButton(QStringLiteral("View Selected File"), this);
    view->setObjectName(QStringLiteral("cmdView"));
    auto* select = new QPushButton(QStringLiteral("Select Different Log File"), this);
    select->setObjectName(QStringLiteral("cmdSelectLogFile"));
    auto* dismiss = new QPushButton(QStringLiteral("Exit Log Viewer"), this);
    dismiss->setObjectName(QStringLiteral("cmdDismiss"));
    selectedBox_->setAccessibleName(QStringLiteral("Selected video file"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(logLabel, 0, 0);
    grid->addWidget(pathBox_, 0, 1);
    grid->addWidget(list_, 1, 0, 1, 2);
    grid->addWidget(hint, 2, 0, 1, 2);
    grid->addWidget(selectedBox_, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(view);
    buttons->addWidget(select);
    buttons->addStretch();
    buttons->addWidget(dismiss);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);

    connect(view, &QPushButton::clicked, this, &LogViewer::viewSelected);
    connect(select, &QPushButton::clicked, this, &LogWindow::chooseLogFile);
    connect(dismiss, &QPushButton::clicked, this, &QWidget::close);
    setTabOrder(pathBox_, list_);
    setTabOrder(list_, selectedBox_);
    setTabOrder(selectedBox_, view);
    setTabOrder(view, select);
    setTabOrder(select, dismiss);
    resize(760, 420);
    widgets::describeControls(this);
}

void LogViewer::viewSelected()
{
    const QString video = selectedBox_->text();
    if (video.isEmpty())
        return;
    station_.setNavigationMode(QStringLiteral("View"));
    station_.setVideoFileToView(video);
    close();
    station_.showScreen(Station::Screen::FrameSelection);
}

void LogViewer::activateEntry(int row)
{
    if (!selectEntry(row))
        return;
    if (list_->item(row)->text().contains(QLatin1String("File:")))
        viewSelected();
}

} // namespace zelvan::app::ui
