#pragma once
// The set-up screen's boxes, once: each box's control name, the SetupScreenTexts field that
// holds its text, and where its value comes from in a SETUP.json for `zelvan-tool grid solve`
// and in a grid file pair. The tool fills its texts by walking this table; the set-up screen
// finds its controls by these names.
#include "grid/SetupScreenTexts.h"

#include <QString>
#include <array>

namespace zelvan::grid
{

// What kind of control shows the text.
enum class BoxControl { TextBox, ButtonCaption };

// Where SETUP.json holds a box's value.
struct SetupJsonField {
    enum class Form {
        GridCaption,  // the number under key (1..3), shown as "Grid N"
        PictureWidth, // the positive number under key, twips
        Text,         // the text under key; the box's initial text when the key is absent
        PairElement,  // element `index` of the [X, Y] pair under key (or under key.part)
    };
    Form form = Form::Text;
    const char* key = nullptr;
    const char* part = nullptr; // "screen" or "survey" inside the point object; else null
    int index = 0;              // 0: X, 1: Y (PairElement only)
};

// Where a grid file pair holds a box's value.
struct GridFileField {
    enum class File {
        None,          // not in the files (the grid being set up, the picture's width)
        GridFilePath,  // the grid file's own path, as line 1 names it
        GridFile,      // line `line`, comma-separated field `field` (1-based) of the grid file
        CheckBuoyFile, // line `line` of the check-buoy file (one value a line)
    };
    File file = File::None;
    int line = 0;
    int field = 1;
};

struct SetupBox {
    const char* objectName; // the control's name on the set-up screen
    BoxControl control;
    QString SetupScreenTexts::*text;
    SetupJsonField json;
    GridFileField file;

    QString& of(SetupScreenTexts& texts) const { return texts.*text; }
    const QString& of(const SetupScreenTexts& texts) const { return texts.*text; }
};

inline constexpr int kSetupBoxCount = 26;

// Every box once, in the order `grid solve` reads SETUP.json (which fixes which error a
// broken file reports first): the grid, the picture width, the descriptions, then upper
// right, lower right, upper left, lower left, the check buoy (screen pair, survey pair each)
// and the jump point.
const std::array<SetupBox, kSetupBoxCount>& setupBoxes();

// The box of that control name; nullptr when there is none.
const SetupBox* setupBoxNamed(const QString& objectName);

} // namespace zelvan::grid
