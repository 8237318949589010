#pragma once
// The column of controls beside a screen's picture: it scrolls up and down when the screen is
// too low for it, never sideways, and is always wide enough for its controls.
class QScrollArea;
class QWidget;

namespace zelvan::widgets
{

QScrollArea* controlColumn(QWidget* panel);

} // namespace zelvan::widgets
