#include "app/ui/PictureLogViewer.h"

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

PictureLogViewer::PictureLogViewer(Station& station, Dialogs& dialogs, QWidget* parent)
    : LogWindow(station, dialogs, QString::fromLatin1(kPictureLineEnding), parent)
{
    setObjectName(QStringLiteral("PictureLogView"));
    setWindowTitle(QStringLiteral("Contact Picture Log"));
    makeControls("txtPicLogToView", "lstPicLog", "txtPictureToView");

    // The captions of the boxes are this station's own; the boxes keep their names.
    auto* logLabel = new QLabel(QStringLiteral("Log File to View"), this);
    logLabel->setBuddy(pathBox_);
    auto* pictureLabel = new QLabel(QStringLiteral("Picture to View"), this);
    pictureLabel->setBuddy(selectedBox_);
    auto* view = new QPushButton(QStringLiteral("View Picture"), this);
    view->setObjectName(QStringLiteral("cmdViewPicLog"));
    auto* select = new QPushButton(QStringLiteral("Select a Log File"), this);
    select->setObjectName(QStringLiteral("cmdSelPicLog"));
    list_->setAccessibleName(QStringLiteral("Contact pictures"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(logLabel, 0, 0);
    grid->addWidget(pathBox_, 0, 1);
    grid->addWidget(list_, 1, 0, 1, 2);
    grid->addWidget(pictureLabel, 2, 0);
    grid->addWidget(selectedBox_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(view);
    buttons->addWidget(select);
    buttons->addStretch();
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);

    connect(view, &QPushButton::clicked, this, &PictureLogViewer::viewSelected);
    connect(select, &QPushButton::clicked, this, &LogWindow::chooseLogFile);
    setTabOrder(pathBox_, list_);
    setTabOrder(list_, selectedBox_);
    setTabOrder(selectedBox_, view);
    setTabOrder(view, select);
    resize(760, 420);
    widgets::describeControls(this);
}

void PictureLogViewer::viewSelected()
{
    const QString picture = selectedBox_->text();
    if (!picture.isEmpty()) {
        const Result<QSizeF> size = logPictureSizeTwips(picture);
        if (!size) {
            dialogs_.message(size.error(), Icon::Warning);
            return;
        }
        station_.setPictureSize(size->width(), size->height());
        station_.setPictureToView(picture);
        station_.setNavigationMode(QStringLiteral("PictureLog"));
    } else {
        selectedBox_->clear();
    }
    close();
    station_.showScreen(Station::Screen::Measure);
}

void PictureLogViewer::activateEntry(int row)
{
    if (selectEntry(row))
        viewSelected();
}

} // namespace zelvan::app::ui
