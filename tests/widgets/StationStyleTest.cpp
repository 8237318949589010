// The station's look, offscreen: a ring around the control with the keyboard focus, and the
// default-button look only where Enter presses the button.
#include "widgets/StationStyle.h"

#include "WidgetTestApp.h"

#include <QDialog>
#include <QFocusFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace zelvan::widgets;

namespace
{

QImage look(QPushButton& button)
{
    return button.grab().toImage();
}

} // namespace

TEST(StationStyle, TheFocusedControlHasARingAroundIt)
{
    installStationStyle(*qApp);
    installStationStyle(*qApp); // a second call changes nothing
    QWidget screen;
    auto* column = new QVBoxLayout(&screen);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    auto* record = new QPushButton("Start Recording");
    auto* name = new QLineEdit;
    column->addWidget(record);
    column->addWidget(name);
    screen.show();
    QApplication::setActiveWindow(&screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));

    record->setFocus(Qt::TabFocusReason);
    const auto ringAt = [&screen](QPoint at) {
        return screen.grab().toImage().pixelColor(at) == focusRingColour();
    };
    const QRect button = record->geometry();
    EXPECT_TRUE(ringAt(button.topLeft() - QPoint(1, 1)));
    EXPECT_TRUE(ringAt(QPoint(button.center().x(), button.bottom() + 2)));
    EXPECT_FALSE(ringAt(name->geometry().topLeft() - QPoint(1, 1)));

    name->setFocus(Qt::MouseFocusReason); // a click gives a ring too
    EXPECT_FALSE(ringAt(button.topLeft() - QPoint(1, 1)));
    EXPECT_TRUE(ringAt(name->geometry().topLeft() - QPoint(1, 1)));
    EXPECT_EQ(screen.findChildren<QFocusFrame*>().size(), 1);
}

TEST(StationStyle, DefaultLookOnlyWhereEnterPressesTheButton)
{
    installStationStyle(*qApp);
    QWidget screen;
    QPushButton plain("Record Jump", &screen);
    QPushButton marked("Record Jump", &screen);
    marked.setDefault(true);
    QPushButton pressedByEnter("Record Jump", &screen);
    pressedByEnter.setDefault(true);
    pressedByEnter.setProperty(kEnterPresses, true);
    QDialog dialog;
    QPushButton inDialog("Record Jump", &dialog);
    inDialog.setDefault(true);
    QPushButton plainInDialog("Record Jump", &dialog);
    plainInDialog.setAutoDefault(false);
    for (QPushButton* b : {&plain, &marked, &pressedByEnter, &inDialog, &plainInDialog})
        b->resize(120, 30);

    EXPECT_EQ(look(marked), look(plain)) << "a plain window's Enter presses nothing";
    EXPECT_NE(look(pressedByEnter), look(plain));
    EXPECT_NE(look(inDialog), look(plainInDialog));
}
