// The station's "Name|pattern|" filters as Qt's file dialogs take them.
#include "widgets/QtDialogs.h"

#include <gtest/gtest.h>

using zelvan::widgets::qtNameFilters;

TEST(QtDialogs, StationFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters(QStringLiteral("Grid Setup Files (*.ipt)|*.ipt|")),
              QStringList{QStringLiteral("Grid Setup Files (*.ipt)")});
    EXPECT_EQ(
        qtNameFilters(QStringLiteral("Pictures|*.bmp;*.jpg|All Files|*.*|")),
        (QStringList{QStringLiteral("Pictures (*.bmp *.jpg)"), QStringLiteral("All Files (*.*)")}));
    // Without the closing bar the last pair still counts; a lone name without patterns does not.
    EXPECT_EQ(qtNameFilters(QStringLiteral("Video|*.avi")),
              QStringList{QStringLiteral("Video (*.avi)")});
    EXPECT_EQ(qtNameFilters(QStringLiteral("Video")), QStringList());
    EXPECT_EQ(qtNameFilters(QString()), QStringList());
}
