#include "review/ui/FrameSelectionScreen.h"

// The controls of the frame selection screen and where they sit; its behaviour is in
// FrameSelectionScreen.cpp.
#include "review/FrameSelection.h"
#include "widgets/FramePlayer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan::review::ui
{

namespace
{

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}

} // namespace

void FrameSelectionScreen::buildControls()
{
    auto* top = new QHBoxLayout;
    auto* label3 = label(this, "Label3", QStringLiteral("Browse for File to View -------->"));
    label3->setWordWrap(false);
    auto* command6 = button(this, "Command6", QStringLiteral("..."));
    command6->setMaximumWidth(48);
    text6_ = new QLineEdit(this);
    text6_->setObjectName(QStringLiteral("Text6"));
    // Only the browse dialog names a video: a typed path would skip the AVI check.
    text6_->setReadOnly(true);
    label3->setBuddy(command6);
    top->addWidget(label3);
    top->addWidget(command6);
    top->addWidget(text6_, 1);

    player_ = new widgets::FramePlayer(this);
    auto* middle = new QHBoxLayout;
    middle->addWidget(player_, 1);
    middle->addWidget(buildSide());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    connect(command6, &QPushButton::clicked, this, &FrameSelectionScreen::browse);
    setTabOrder(command6, player_);
}

QWidget* FrameSelectionScreen::buildSide()
{
    auto* side = new QWidget(this);
    side->setFixedWidth(300);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(buildFrameGroup(side));
    column->addWidget(buildGoGroup(side));
    column->addWidget(buildDiskGroup(side));
    label9_ = label(side, "Label9", QStringLiteral("Barefoot Mode"));
    label9_->setStyleSheet(QStringLiteral("font-weight: bold"));
    label9_->hide();
    column->addWidget(label9_);
    column->addStretch(1);
    return side;
}

QWidget* FrameSelectionScreen::buildFrameGroup(QWidget* side)
{
    auto* frame = new QGroupBox(QStringLiteral("Frame"), side);
    auto* grid = new QGridLayout(frame);
    label5_ = label(frame, "Label5",
                    QStringLiteral("Select Start Position using direction buttons or slider  or "
                                   "arrow keys"));
    auto* command1 = button(frame, "Command1", QStringLiteral("<"));
    auto* command4 = button(frame, "Command4", QStringLiteral(">"));
    command1->setAccessibleName(QStringLiteral("One frame back"));
    command4->setAccessibleName(QStringLiteral("One frame forward"));
    auto* command7 = button(frame, "Command7", QStringLiteral("Play before end -->"));
    cmdMarkStart_ =
        button(frame, "cmdMarkStart", QStringLiteral("Use displayed frame to measure jump"));
    btnGoToSetup_ =
        button(frame, "btnGoToSetup", QStringLiteral("Use displayed frame to set up Grid"));
    grid->addWidget(label5_, 0, 0, 1, 2);
    grid->addWidget(command1, 1, 0);
    grid->addWidget(command4, 1, 1);
    grid->addWidget(command7, 2, 0, 1, 2);
    grid->addWidget(cmdMarkStart_, 3, 0, 1, 2);
    grid->addWidget(btnGoToSetup_, 4, 0, 1, 2);
    connect(command1, &QPushButton::clicked, this, &FrameSelectionScreen::stepBack);
    connect(command4, &QPushButton::clicked, this, &FrameSelectionScreen::stepForward);
    connect(cmdMarkStart_, &QPushButton::clicked, this, &FrameSelectionScreen::takeFrame);
    connect(btnGoToSetup_, &QPushButton::clicked, this, &FrameSelectionScreen::takeForSetup);
    return frame;
}

QWidget* FrameSelectionScreen::buildGoGroup(QWidget* side)
{
    auto* go = new QGroupBox(QStringLiteral("Go to"), side);
    auto* column = new QVBoxLayout(go);
    auto* cmdGoToCapture =
        button(go, "cmdGoToCapture", QStringLiteral("Go To Record Next Jump Pass"));
    auto* cmdGoToSetup = button(go, "cmdGoToSetup", QStringLiteral("Go Back To Main Screen"));
    auto* cmdViewLog = button(go, "cmdViewLog", QStringLiteral("View Log File"));
    column->addWidget(cmdGoToCapture);
    column->addWidget(cmdGoToSetup);
    column->addWidget(cmdViewLog);
    connect(cmdGoToCapture, &QPushButton::clicked, this, &FrameSelectionScreen::goToCapture);
    connect(cmdGoToSetup, &QPushButton::clicked, this, &FrameSelectionScreen::goToMain);
    connect(cmdViewLog, &QPushButton::clicked, this, &FrameSelectionScreen::viewLog);
    return go;
}

QWidget* FrameSelectionScreen::buildDiskGroup(QWidget* side)
{
    auto* disk = new QGroupBox(QStringLiteral("Disk"), side);
    auto* column = new QVBoxLayout(disk);
    label10_ = label(disk, "Label10", QStringLiteral("Disk Free Space Available"));
    lblDiskSpace_ = label(disk, "lblDiskSpace", QStringLiteral("Disk Space"));
    label11_ = label(disk, "Label11", QStringLiteral("Warning! Disk Space Low"));
    label11_->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    label11_->hide();
    column->addWidget(label10_);
    column->addWidget(lblDiskSpace_);
    column->addWidget(label11_);
    return disk;
}

} // namespace zelvan::review::ui
