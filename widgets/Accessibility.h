#pragma once
// Makes a screen drivable from outside (screen readers, AT-SPI, UI Automation): every named
// control gets its documented name as accessible description and, when it has none yet, an
// accessible name an operator would read on screen.
#include <QString>

class QWidget;

namespace zelvan::widgets
{

// Applies to `screen` and every widget inside it that has an objectName. The accessible name
// is the caption of a button, group box, label or check box (without its '&' mnemonic), else
// the caption of the label whose buddy the control is, else the documented name itself. Names
// set by hand beforehand are kept. A window gets no name: it is read by its caption (window
// title), whatever that caption becomes later. Call once the screen's controls and buddies
// exist.
void describeControls(QWidget* screen);

// Buttons, check boxes and options pressed or toggled through the accessibility interface (a
// screen reader, AT-SPI, UI Automation) are clicked, exactly as by the mouse: the screens act
// on clicks, and a toggle alone would change the option without the screen noticing. Call
// once, before the first button is shown.
void installAccessibleButtonActions();

// The caption a control shows, without its mnemonic ("E&xit" -> "Exit", "&&" -> "&").
QString withoutMnemonic(const QString& caption);

} // namespace zelvan::widgets
