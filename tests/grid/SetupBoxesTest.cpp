// The set-up screen's box table: every text of SetupScreenTexts is one box with its control
// name, and the places the table names in SETUP.json and in a grid file pair are where the
// readers really take the values from.
#include "grid/SetupBoxes.h"
#include "GridFileFixtures.h"
#include "base/Clock.h"
#include "base/Numbers.h"
#include "grid/GridFile.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using namespace zelvan::test;

namespace
{

using Texts = SetupScreenTexts;

struct NamedField {
    const char* name;
    QString Texts::*text;
};

// The control names of the set-up screen, each with the field that holds its text.
const NamedField kControls[] = {
    {"upper_left_x", &Texts::upper_left_x},
    {"upper_left_y", &Texts::upper_left_y},
    {"upper_right_x", &Texts::upper_right_x},
    {"upper_right_y", &Texts::upper_right_y},
    {"lower_left_x", &Texts::lower_left_x},
    {"lower_left_y", &Texts::lower_left_y},
    {"lower_right_x", &Texts::lower_right_x},
    {"lower_right_y", &Texts::lower_right_y},
    {"ul_survey_x", &Texts::ul_survey_x},
    {"ul_survey_y", &Texts::ul_survey_y},
    {"ur_survey_x", &Texts::ur_survey_x},
    {"ur_survey_y", &Texts::ur_survey_y},
    {"ll_survey_x", &Texts::ll_survey_x},
    {"ll_survey_y", &Texts::ll_survey_y},
    {"lr_survey_x", &Texts::lr_survey_x},
    {"lr_survey_y", &Texts::lr_survey_y},
    {"jump_x", &Texts::jump_x},
    {"jump_y", &Texts::jump_y},
    {"txtCheckX", &Texts::txtCheckX},
    {"txtCheckY", &Texts::txtCheckY},
    {"txtCheckXpix", &Texts::txtCheckXpix},
    {"txtCheckYpix", &Texts::txtCheckYpix},
    {"ipt_file_description", &Texts::ipt_file_description},
    {"ipt_file_description_2", &Texts::ipt_file_description_2},
    {"grid_select", &Texts::grid_select},
    {"txtPicWidth", &Texts::pictureWidthTwips},
};

} // namespace

TEST(SetupBoxes, EveryTextOfTheScreenIsExactlyOneBox)
{
    const auto& boxes = setupBoxes();
    // The struct holds nothing but box texts, so as many texts as boxes means none is left out
    // once no two boxes share a field.
    EXPECT_EQ(sizeof(SetupScreenTexts), boxes.size() * sizeof(QString));
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].text == boxes[j].text)
                << boxes[i].objectName << " and " << boxes[j].objectName << " share a field";

    // Writing each box through the table and reading all back: no box overwrites another.
    SetupScreenTexts t;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i].of(t) = QStringLiteral("box %1").arg(i);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        EXPECT_EQ(boxes[i].of(std::as_const(t)), QStringLiteral("box %1").arg(i))
            << boxes[i].objectName;
}

TEST(SetupBoxes, NamesAreTheControlsNamesAndUnique)
{
    QSet<QString> names;
    for (const SetupBox& box : setupBoxes()) {
        const QString name = QLatin1String(box.objectName);
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(names.contains(name)) << box.objectName << " twice";
        names.insert(name);
        EXPECT_EQ(setupBoxNamed(name), &box);
    }
    EXPECT_EQ(names.size(), static_cast<int>(std::size(kControls)));
    for (const NamedField& control : kControls) {
        const SetupBox* box = setupBoxNamed(QLatin1String(control.name));
        ASSERT_NE(box, nullptr) << control.name;
        EXPECT_TRUE(box->text == control.text) << control.name << " holds another field";
        EXPECT_EQ(box->control, QLatin1String(control.name) == QLatin1String("grid_select")
                                    ? BoxControl::ButtonCaption
                                    : BoxControl::TextBox)
            << control.name;
    }
    EXPECT_EQ(setupBoxNamed(QStringLiteral("Load")), nullptr) << "a button, not a box";
    EXPECT_EQ(setupBoxNamed(QStringLiteral("upper_left")), nullptr);
}

TEST(SetupBoxes, JsonPlacesAreDistinctAndComplete)
{
    QSet<QString> places;
    for (const SetupBox& box : setupBoxes()) {
        ASSERT_NE(box.json.key, nullptr) << box.objectName;
        const bool pair = box.json.form == SetupJsonField::Form::PairElement;
        if (pair)
            EXPECT_TRUE(box.json.index == 0 || box.json.index == 1) << box.objectName;
        else
            EXPECT_EQ(box.json.part, nullptr) << box.objectName;
        const QString place =
            QStringLiteral("%1.%2[%3]")
                .arg(QLatin1String(box.json.key), QLatin1String(box.json.part ? box.json.part : ""))
                .arg(pair ? box.json.index : -1);
        EXPECT_FALSE(places.contains(place))
            << box.objectName << " reads " << place.toStdString() << " as another box does";
        places.insert(place);
    }
}

// The grid file places of the table, checked against what a grid load shows in the boxes.
TEST(SetupBoxes, GridFilePlacesAreWhereTheLoadTakesTheValues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString lake = dir.filePath(QStringLiteral("lake.ipt"));
    QString why;
    ASSERT_TRUE(savePair(lake, QStringLiteral("North, camera 2"), sampleSetup(),
                         QStringLiteral("41.5"), QStringLiteral("12"), why))
        << why.toStdString();
    const QStringList gridLines = QString::fromLatin1(readAll(lake)).split(QStringLiteral("\r\n"));
    const QStringList cbLines =
        QString::fromLatin1(readAll(checkBuoyFilePath(lake))).split(QStringLiteral("\r\n"));

    GridStore store;
    WorkingSet work;
    GridFlags flags;
    const FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 5, 7))};
    GridLoadRequest request;
    request.path = lake;
    const GridLoadResult loaded = loadGridIntoStation(request, store, work, flags, clock);
    ASSERT_TRUE(loaded.loaded()) << loaded.status.error().toStdString();

    int fromFiles = 0;
    for (const SetupBox& box : setupBoxes()) {
        SCOPED_TRACE(box.objectName);
        const QString shown = box.of(loaded.boxes);
        const GridFileField& f = box.file;
        switch (f.file) {
        case GridFileField::File::None:
            EXPECT_EQ(shown, box.of(SetupScreenTexts())) << "a load leaves it as it was";
            continue;
        case GridFileField::File::GridFilePath:
            EXPECT_EQ(gridLines.at(f.line - 1),
                      QStringLiteral("Initialization Points for file: ") + shown);
            break;
        case GridFileField::File::GridFile: {
            const QString& line = gridLines.at(f.line - 1);
            if (f.line == 2) { // the descriptive line is one text, commas and all
                EXPECT_EQ(shown, line);
                break;
            }
            const QString field = line.split(QLatin1Char(',')).at(f.field - 1);
            EXPECT_EQ(parseNumber(shown), parseNumber(field)) << field.toStdString();
            break;
        }
        case GridFileField::File::CheckBuoyFile:
            if (f.line >= 3)
                EXPECT_EQ(shown, cbLines.at(f.line - 1)) << "the survey text as typed";
            else
                EXPECT_EQ(parseNumber(shown), parseNumber(cbLines.at(f.line - 1)));
            break;
        }
        ++fromFiles;
    }
    EXPECT_EQ(fromFiles, kSetupBoxCount - 2) << "all but the grid button and the picture width";
}
