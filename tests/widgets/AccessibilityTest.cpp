#include "widgets/Accessibility.h"

#include "AccessibleName.h"
#include "WidgetTestApp.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
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
    EXPECT_TRUE(label->accessibleName().isEmpty()) << "read from its text as it stands";
    EXPECT_EQ(zelvan::test::accessibleNameOf(label), "Tournament name:");
    label->setText("&Event name:");
    EXPECT_EQ(zelvan::test::accessibleNameOf(label), "Event name:");
    EXPECT_EQ(edit->accessibleName(), "Tournament name:");
    EXPECT_EQ(edit->accessibleDescription(), "TourName");
    EXPECT_EQ(list->accessibleName(), "List1");
    EXPECT_EQ(group->accessibleName(), "Jump type");
    EXPECT_EQ(check->accessibleName(), "Barefoot jump");
    EXPECT_EQ(check->accessibleDescription(), "Check1");
    EXPECT_TRUE(unnamed->accessibleName().isEmpty());
    EXPECT_TRUE(unnamed->accessibleDescription().isEmpty());
}

TEST(Accessibility, AWindowIsNamedByItsCaptionWhateverItBecomes)
{
    QWidget screen;
    screen.setObjectName("Config");
    screen.setWindowTitle("System Configuration Parameters");
    screen.setLayout(new QVBoxLayout);
    named<QPushButton>(&screen, "cmdGo")->setText("&Go");
    describeControls(&screen);
    EXPECT_EQ(screen.accessibleDescription(), "Config");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&screen);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), "System Configuration Parameters");
    screen.setWindowTitle("Zelvan 2005");
    EXPECT_EQ(window->text(QAccessible::Name), "Zelvan 2005");
    EXPECT_EQ(screen.findChild<QPushButton*>("cmdGo")->accessibleName(), "Go");
}

// A screen reader's press or toggle is a click: the screens act on clicked(), as on the mouse.
TEST(Accessibility, PressAndToggleThroughTheInterfaceAreClicks)
{
    zelvan::widgets::installAccessibleButtonActions();
    QWidget screen;
    screen.setLayout(new QVBoxLayout);
    auto* measured = named<QRadioButton>(&screen, "optMeasured");
    measured->setText("&Measured");
    measured->setChecked(true);
    auto* fall = named<QRadioButton>(&screen, "Fall");
    fall->setText("&Fall");
    auto* barefoot = named<QCheckBox>(&screen, "chkBarefoot");
    barefoot->setText("Barefoot");
    auto* record = named<QPushButton>(&screen, "Record");
    record->setText("&Record");
    QSignalSpy fallClicked(fall, &QAbstractButton::clicked);
    QSignalSpy barefootClicked(barefoot, &QAbstractButton::clicked);
    QSignalSpy recordClicked(record, &QAbstractButton::clicked);
    screen.show();

    const auto act = [](QWidget* w, const QString& action) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(face, nullptr);
        ASSERT_NE(face->actionInterface(), nullptr);
        EXPECT_TRUE(face->actionInterface()->actionNames().contains(action));
        face->actionInterface()->doAction(action);
    };
    act(fall, QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(fall->isChecked());
    EXPECT_FALSE(measured->isChecked());
    EXPECT_EQ(fallClicked.size(), 1);
    act(barefoot, QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(barefoot->isChecked());
    EXPECT_EQ(barefootClicked.size(), 1);
    act(record, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(recordClicked.size(), 1) << "at once, as a click";
    record->setEnabled(false);
    act(record, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(recordClicked.size(), 1) << "a disabled button does nothing";

    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(fall);
    EXPECT_EQ(face->role(), QAccessible::RadioButton);
    EXPECT_EQ(face->text(QAccessible::Name), "Fall");
    EXPECT_TRUE(face->state().checked);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(barefoot)->role(), QAccessible::CheckBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(record)->role(), QAccessible::Button);
}

// "Grid 1" becoming "Grid 2" is what a screen reader must say; a name given on purpose stays.
TEST(Accessibility, AButtonNamedByItsCaptionFollowsTheCaption)
{
    zelvan::widgets::installAccessibleButtonActions();
    QWidget screen;
    screen.setLayout(new QVBoxLayout);
    auto* grid = named<QPushButton>(&screen, "Set_grid");
    grid->setText("&Grid 1");
    auto* named_ = named<QPushButton>(&screen, "cmdZoom");
    named_->setText("+");
    named_->setAccessibleName("Zoom in");
    describeControls(&screen);
    grid->setText("&Grid 2");
    named_->setText("++");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(grid)->text(QAccessible::Name), "Grid 2");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(named_)->text(QAccessible::Name), "Zoom in");
}
