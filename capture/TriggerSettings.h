#pragma once
// The stored values of the seconds kept before Start and the motion trigger, read back from
// the settings store. A value edited by hand into something unusable does not stop the
// station: it falls back to a safe value and says which and why, in a note for the debug log.
// The same readers check the command line's --pre-seconds and --trigger.
#include "base/Result.h"
#include "capture/MotionTrigger.h"
#include "capture/PreTriggerBuffer.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace zelvan::capture
{

namespace triggerKeys
{
inline constexpr const char* preSeconds = "preTriggerSeconds";
inline constexpr const char* zone = "triggerZone";           // "X,Y,W,H" in picture pixels
inline constexpr const char* threshold = "triggerThreshold"; // share of the zone's cells
} // namespace triggerKeys

struct TriggerSettings {
    double preSeconds = kDefaultPreTriggerSeconds;
    QRect zone; // empty: no zone drawn, the trigger cannot be armed
    double threshold = kDefaultTriggerThreshold;
};

// The values as they were stored (empty text: never stored), and what was made of them.
struct StoredTriggerTexts {
    QString preSeconds;
    QString zone;
    QString threshold;
};
struct StoredTriggerSettings {
    TriggerSettings settings;
    QStringList notes; // one line per value that fell back
};

// 0 (off) to 5 seconds, a plain number.
Result<double> parsePreSeconds(const QString& text);
// "X,Y,W,H": whole pixels, at least 8 x 8, inside a picture of `picture` (when given).
Result<QRect> parseZone(const QString& text, QSize picture = {});
// The same checks on a zone drawn on the picture.
Result<QRect> checkZone(const QRect& zone, QSize picture);
// A share above 0 and at most 1.
Result<double> parseThreshold(const QString& text);

StoredTriggerSettings readTriggerSettings(const StoredTriggerTexts& stored, QSize picture);
QString zoneText(const QRect& zone);
QString numberText(double value); // as the store keeps it: "2", "0.5"

// What the capture screen shows of a CaptureControl::TriggerState: "Trigger: Armed".
QString triggerStateText(int state);

} // namespace zelvan::capture
