// The message colour of the measurement screen's labels, decided without widgets.
#include "measure/LabelColours.h"

#include <QMap>
#include <gtest/gtest.h>
#include <tuple>

using namespace zelvan::measure;

namespace
{

QMap<QString, QString> textColours(const QList<LabelColour>& colours)
{
    QMap<QString, QString> byName;
    for (const LabelColour& c : colours)
        byName.insert(c.objectName, c.text.name());
    return byName;
}

LabelColour of(const QList<LabelColour>& colours, const char* name)
{
    for (const LabelColour& c : colours)
        if (c.objectName == QLatin1String(name))
            return c;
    ADD_FAILURE() << "no label " << name;
    return {};
}

} // namespace

TEST(LabelColours, DefaultGivesEachLabelItsOwnColour)
{
    const QMap<QString, QString> expected = {
        {"Make_comment", "#000000"}, {"Other_Grid", "#000000"},      {"Fall", "#000000"},
        {"Pass", "#000000"},         {"optJumpOK", "#000000"},       {"M_Reride", "#ff0000"},
        {"O_reride", "#ffff00"},     {"FrozenSign", "#ffffff"},      {"IWSFlabel", "#000000"},
        {"AWSAlabel", "#000000"},    {"AdjustmentLabel", "#ffffff"}, {"CrossLabel", "#ffffff"},
        {"maxbuoy", "#ffffff"},      {"maxbuoym", "#ffffff"},        {"minbuoy", "#ffffff"},
        {"minbuoym", "#ffffff"}};
    // The value kept from an earlier choice plays no part in "default".
    const QList<LabelColour> colours = labelColours("default", 65535);
    EXPECT_EQ(colours.size(), 16);
    EXPECT_EQ(textColours(colours), expected);
    EXPECT_EQ(of(colours, "IWSFlabel").background, LabelBackground::Panel);
    EXPECT_EQ(of(colours, "M_Reride").background, LabelBackground::Panel);
    // The yellow reride option cannot be read on the grey panel: it is shown on black.
    EXPECT_EQ(of(colours, "O_reride").background, LabelBackground::Black);
    EXPECT_EQ(of(colours, "FrozenSign").background, LabelBackground::Own);
}

TEST(LabelColours, AChosenColourReachesEveryLabelAndLightCaptionsBesideTheBoxesReadOnBlack)
{
    // Yellow on the light grey panel is as unreadable as white.
    const QStringList onPanel = {"Make_comment", "Other_Grid", "Fall",      "Pass",     "optJumpOK",
                                 "M_Reride",     "O_reride",   "IWSFlabel", "AWSAlabel"};
    for (const auto& [value, name, panelBackground] :
         {std::tuple{16777215, "#ffffff", LabelBackground::Black},
          {65535, "#ffff00", LabelBackground::Black},
          {255, "#ff0000", LabelBackground::Panel}}) {
        const QList<LabelColour> colours = labelColours("chosen", value);
        ASSERT_EQ(colours.size(), 16);
        for (const LabelColour& c : colours) {
            EXPECT_EQ(c.text.name(), name) << c.objectName.toStdString();
            EXPECT_EQ(c.background,
                      onPanel.contains(c.objectName) ? panelBackground : LabelBackground::Own)
                << c.objectName.toStdString() << " in " << name;
        }
    }
    const QList<LabelColour> black = labelColours("black", 0);
    EXPECT_EQ(of(black, "M_Reride").text.name(), "#000000");
    EXPECT_EQ(of(black, "AWSAlabel").background, LabelBackground::Panel);
}
