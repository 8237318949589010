#pragma once
// Boxes the station fills show the start of what it put there (a path's drive, a name's first
// word), not its end where a line edit leaves its cursor after setText.
class QLineEdit;
class QString;

namespace zelvan::widgets
{

// Puts `text` in the box and shows it from its start.
void fillBox(QLineEdit* box, const QString& text);

} // namespace zelvan::widgets
