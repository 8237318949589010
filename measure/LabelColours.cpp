#include "measure/LabelColours.h"

#include "grid/Overlay.h"

namespace zelvan::measure
{

namespace
{

constexpr int kBlack = 0;
constexpr int kRed = 255;
constexpr int kYellow = 65535;
constexpr int kWhite = 16777215;

struct Label {
    const char* name;
    int byDefault; // stored colour value
    bool besideBoxes;
};

constexpr Label kLabels[] = {{"Make_comment", kBlack, false},
                             {"Other_Grid", kBlack, false},
                             {"Fall", kBlack, false},
                             {"Pass", kBlack, false},
                             {"optJumpOK", kBlack, false},
                             {"M_Reride", kRed, false},
                             {"O_reride", kYellow, false},
                             {"FrozenSign", kWhite, false},
                             {"IWSFlabel", kBlack, true},
                             {"AWSAlabel", kBlack, true},
                             {"AdjustmentLabel", kWhite, false},
                             {"CrossLabel", kWhite, false},
                             {"maxbuoy", kWhite, false},
                             {"maxbuoym", kWhite, false},
                             {"minbuoy", kWhite, false},
                             {"minbuoym", kWhite, false}};

} // namespace

QList<LabelColour> labelColours(const QString& colourName, int colourValue)
{
    const bool byDefault = colourName == QLatin1String("default");
    QList<LabelColour> colours;
    for (const Label& label : kLabels) {
        LabelColour c;
        c.objectName = QLatin1String(label.name);
        c.text = grid::storedColour(byDefault ? label.byDefault : colourValue);
        if (label.besideBoxes)
            c.background =
                c.text.lightness() > 128 ? LabelBackground::Black : LabelBackground::Panel;
        colours << c;
    }
    return colours;
}

} // namespace zelvan::measure
