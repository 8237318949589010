#include "app/PrintZones.h"

namespace zelvan::app
{

int nextZoneStart(int start, int length)
{
    // The first column not used by the field; an empty field uses its own start column.
    const int firstFree = start + (length > 0 ? length : 1);
    const int zonesBefore = (firstFree - 1 + kPrintZoneWidth - 1) / kPrintZoneWidth;
    return zonesBefore * kPrintZoneWidth + 1;
}

QString zoneLine(const QStringList& fields)
{
    QString line;
    int start = 1;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            start = nextZoneStart(start, int(fields[i - 1].size()));
            line = line.leftJustified(start - 1, QLatin1Char(' '));
        }
        line += fields[i];
    }
    return line;
}

} // namespace zelvan::app
