#pragma once
// The message colour on the measurement screen's labels: which labels it reaches and the
// colour each one shows, its own by default.
#include <QColor>
#include <QList>
#include <QString>

namespace zelvan::measure
{

// Where a label's text is read: the signs over the picture on their own background; the outcome
// options and the two distance captions, which sit on the light panel, on black when the colour
// is light (white, yellow) and on the panel itself when it is dark.
enum class LabelBackground { Own, Black, Panel };

struct LabelColour {
    QString objectName;
    QColor text;
    LabelBackground background = LabelBackground::Own;
    bool operator==(const LabelColour& other) const
    {
        return objectName == other.objectName && text == other.text &&
               background == other.background;
    }
};

// Every label the message colour reaches, in a fixed order: with the colour named "default"
// each takes its own colour, otherwise all take `colourValue` (a stored &HBBGGRR value).
QList<LabelColour> labelColours(const QString& colourName, int colourValue);

} // namespace zelvan::measure
