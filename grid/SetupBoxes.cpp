#include "grid/SetupBoxes.h"

namespace zelvan::grid
{

namespace
{

using Json = SetupJsonField;
using File = GridFileField;
using Src = GridFileField::File;
using T = SetupScreenTexts;

constexpr Json pairElement(const char* key, const char* part, int index)
{
    return {Json::Form::PairElement, key, part, index};
}

// The four values of a buoy line of the grid file: screen x, screen y, survey X, survey Y.
constexpr File buoyField(int line, int field)
{
    return {Src::GridFile, line, field};
}

constexpr SetupBox textBox(const char* name, QString T::*text, Json json, File file)
{
    return {name, BoxControl::TextBox, text, json, file};
}

// Buoy lines of the grid file: upper right on line 3, lower right 4, upper left 5, lower
// left 6, as the buoy numbers 1..4 go.
const std::array<SetupBox, kSetupBoxCount> kBoxes = {{
    {"grid_select",
     BoxControl::ButtonCaption,
     &T::grid_select,
     {Json::Form::GridCaption, "grid", nullptr, 0},
     {}},
    textBox("txtPicWidth", &T::pictureWidthTwips,
            {Json::Form::PictureWidth, "pictureWidthTwips", nullptr, 0}, {}),
    textBox("ipt_file_description", &T::ipt_file_description,
            {Json::Form::Text, "fileDescription", nullptr, 0}, {Src::GridFilePath, 1, 1}),
    textBox("ipt_file_description_2", &T::ipt_file_description_2,
            {Json::Form::Text, "description", nullptr, 0}, {Src::GridFile, 2, 1}),
    textBox("upper_right_x", &T::upper_right_x, pairElement("upperRight", "screen", 0),
            buoyField(3, 1)),
    textBox("upper_right_y", &T::upper_right_y, pairElement("upperRight", "screen", 1),
            buoyField(3, 2)),
    textBox("ur_survey_x", &T::ur_survey_x, pairElement("upperRight", "survey", 0),
            buoyField(3, 3)),
    textBox("ur_survey_y", &T::ur_survey_y, pairElement("upperRight", "survey", 1),
            buoyField(3, 4)),
    textBox("lower_right_x", &T::lower_right_x, pairElement("lowerRight", "screen", 0),
            buoyField(4, 1)),
    textBox("lower_right_y", &T::lower_right_y, pairElement("lowerRight", "screen", 1),
            buoyField(4, 2)),
    textBox("lr_survey_x", &T::lr_survey_x, pairElement("lowerRight", "survey", 0),
            buoyField(4, 3)),
    textBox("lr_survey_y", &T::lr_survey_y, pairElement("lowerRight", "survey", 1),
            buoyField(4, 4)),
    textBox("upper_left_x", &T::upper_left_x, pairElement("upperLeft", "screen", 0),
            buoyField(5, 1)),
    textBox("upper_left_y", &T::upper_left_y, pairElement("upperLeft", "screen", 1),
            buoyField(5, 2)),
    textBox("ul_survey_x", &T::ul_survey_x, pairElement("upperLeft", "survey", 0), buoyField(5, 3)),
    textBox("ul_survey_y", &T::ul_survey_y, pairElement("upperLeft", "survey", 1), buoyField(5, 4)),
    textBox("lower_left_x", &T::lower_left_x, pairElement("lowerLeft", "screen", 0),
            buoyField(6, 1)),
    textBox("lower_left_y", &T::lower_left_y, pairElement("lowerLeft", "screen", 1),
            buoyField(6, 2)),
    textBox("ll_survey_x", &T::ll_survey_x, pairElement("lowerLeft", "survey", 0), buoyField(6, 3)),
    textBox("ll_survey_y", &T::ll_survey_y, pairElement("lowerLeft", "survey", 1), buoyField(6, 4)),
    textBox("txtCheckXpix", &T::txtCheckXpix, pairElement("check", "screen", 0),
            {Src::CheckBuoyFile, 1, 1}),
    textBox("txtCheckYpix", &T::txtCheckYpix, pairElement("check", "screen", 1),
            {Src::CheckBuoyFile, 2, 1}),
    textBox("txtCheckX", &T::txtCheckX, pairElement("check", "survey", 0),
            {Src::CheckBuoyFile, 3, 1}),
    textBox("txtCheckY", &T::txtCheckY, pairElement("check", "survey", 1),
            {Src::CheckBuoyFile, 4, 1}),
    textBox("jump_x", &T::jump_x, pairElement("jump", nullptr, 0), {Src::GridFile, 15, 1}),
    textBox("jump_y", &T::jump_y, pairElement("jump", nullptr, 1), {Src::GridFile, 16, 1}),
}};

} // namespace

const std::array<SetupBox, kSetupBoxCount>& setupBoxes()
{
    return kBoxes;
}

const SetupBox* setupBoxNamed(const QString& objectName)
{
    for (const SetupBox& box : kBoxes)
        if (objectName == QLatin1String(box.objectName))
            return &box;
    return nullptr;
}

} // namespace zelvan::grid
