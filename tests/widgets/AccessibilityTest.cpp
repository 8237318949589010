#include "widgets/Accessibility.h"

#include "WidgetTestApp.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using zelvan::widgets::describeControls;
using zelvan::widgets::withoutMnemonic;

namespace
{

template <class W> W* named(QWidget* parent, const QString& name)
{
    auto* w = new W(parent);
    w->setObjectName(name);
    parent->layout()->addWidget(w);
    return w;
}

} // namespace

TEST(Accessibility, MnemonicsAreDroppedFromCaptions)
{
    EXPECT_EQ(withoutMnemonic("E&xit and Save Parameters"), "Exit and Save Parameters");
    EXPECT_EQ(withoutMnemonic("Fish && Chips"), "Fish & Chips");
    EXPECT_EQ(withoutMnemonic(" Plain "), "Plain");
    EXPECT_EQ(withoutMnemonic("trailing&"), "trailing&");
}

TEST(Accessibility, EveryNamedControlIsFoundByCaptionAndByDocumentedName)
{
    QWidget screen;
    screen.setObjectName("Config");
    new QVBoxLayout(&screen);
    auto* button = named<QPushButton>(&screen, "Command1");
    button->setText("E&xit and Save Parameters");
    auto* label = named<QLabel>(&screen, "Label3");
    label->setText("&Tournament name:");
    auto* edit = named<QLineEdit>(&screen, "TourName");
    label->setBuddy(edit);
    auto* list = named<QListWidget>(&screen, "List1");
    auto* group = named<QGroupBox>(&screen, "Frame2");
    group->setTitle("Jump type");
    auto* check = named<QCheckBox>(&screen, "Check1");
    check->setText("Barefoot");
    check->setAccessibleName("Barefoot jump"); // set by the screen itself: kept
    auto* unnamed = new QLineEdit(&screen);
    screen.layout()->addWidget(unnamed);

    describeControls(&screen);

    EXPECT_EQ(screen.accessibleDescription(), "Config");
    EXPECT_EQ(button->accessibleName(), "Exit and Save Parameters");
    EXPECT_EQ(button->accessibleDescription(), "Command1");
    EXPECT_EQ(label->accessibleName(), "Tournament name:");
    EXPECT_EQ(edit->accessibleName(), "Tournament name:");
    EXPECT_EQ(edit->accessibleDescription(), "TourName");
    EXPECT_EQ(list->accessibleName(), "List1");
    EXPECT_EQ(group->accessibleName(), "Jump type");
    EXPECT_EQ(check->accessibleName(), "Barefoot jump");
    EXPECT_EQ(check->accessibleDescription(), "Check1");
    EXPECT_TRUE(unnamed->accessibleName().isEmpty());
    EXPECT_TRUE(unnamed->accessibleDescription().isEmpty());
}
