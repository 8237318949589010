#include "measure/LabelColours.h"

#include "grid/Overlay.h"

#include <cmath>

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
    bool onPanel;  // read on the light panel rather than on a background of its own
};

constexpr Label kLabels[] = {{"Make_comment", kBlack, true},
                             {"Other_Grid", kBlack, true},
                             {"Fall", kBlack, true},
                             {"Pass", kBlack, true},
                             {"optJumpOK", kBlack, true},
                             {"M_Reride", kRed, true},
                             {"O_reride", kYellow, true},
                             {"FrozenSign", kWhite, false},
                             {"IWSFlabel", kBlack, true},
                             {"AWSAlabel", kBlack, true},
                             {"AdjustmentLabel", kWhite, false},
                             {"CrossLabel", kWhite, false},
                             {"maxbuoy", kWhite, false},
                             {"maxbuoym", kWhite, false},
                             {"minbuoy", kWhite, false},
                             {"minbuoym", kWhite, false}};

// A light colour on the light panel cannot be read (yellow on its grey is barely 1.1:1): it is
// shown on black then. Relative luminance, as contrast rules weigh the
// channels.
bool light(const QColor& c)
{
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) >
           0.4;
}

} // namespace

QList<LabelColour> labelColours(const QString& colourName, int colourValue)
{
    const bool byDefault = colourName == QLatin1String("default");
    QList<LabelColour> colours;
    for (const Label& label : kLabels) {
        LabelColour c;
        c.objectName = QLatin1String(label.name);
        c.text = grid::storedColour(byDefault ? label.byDefault : colourValue);
        if (label.onPanel)
            c.background = light(c.text) ? LabelBackground::Black : LabelBackground::Panel;
        colours << c;
    }
    return colours;
}

} // namespace zelvan::measure
