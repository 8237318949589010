#pragma once
// Boxes the station fills show the start of what it put there (a path's drive, a name's first
// word), not its end as a line edit does after setText; the operator's own typing is left
// where the operator puts the cursor.
class QLineEdit;

namespace zelvan::widgets
{

// From now on, every text the program sets (setText, not typing) is shown from its start.
void showStartOfFilledText(QLineEdit* box);

} // namespace zelvan::widgets
