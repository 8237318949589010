#pragma once
// The station's look, installed once on the application: a bold ring around whatever control
// has the keyboard focus (an operator at a lake-side table must see it at a glance), and the
// default-button look only where Enter really presses the button: in dialogs, and on buttons
// of plain windows that say so with the kEnterPresses property.
#include <QProxyStyle>

class QApplication;

namespace zelvan::widgets
{

// Set to true on a push button of a plain window whose window presses it on Enter.
inline constexpr char kEnterPresses[] = "enterPresses";

// The focus ring's colour and width.
QColor focusRingColour();
inline constexpr int kFocusRingWidth = 3;

class StationStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

// Installs StationStyle and the focus ring that follows the keyboard focus. Tests call it too.
void installStationStyle(QApplication& app);

} // namespace zelvan::widgets
