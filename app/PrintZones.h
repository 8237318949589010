#pragma once
// Lines laid out in 14-character print zones, as in the station's log files.
#include <QString>
#include <QStringList>

namespace zelvan::app
{

inline constexpr int kPrintZoneWidth = 14;

// Column (1-based) at which the field after one starting at `start` with `length` characters
// begins: the first zone start (1, 15, 29, ...) that lies after the field's last character.
// A field that ends exactly on the last character of a zone is therefore followed at the very
// next column, which is the next zone start; no whole zone is skipped. An empty field still
// takes its zone, so the next field starts in the following one.
int nextZoneStart(int start, int length);

// The fields laid out in print zones: the first at column 1, each further one at the next
// zone start, gaps filled with spaces. Nothing is added after the last field.
QString zoneLine(const QStringList& fields);

} // namespace zelvan::app
