#include "capture/TriggerSettings.h"
#include "base/Numbers.h"
#include "capture/CaptureControl.h"

#include <QStringList>
#include <cmath>

namespace zelvan::capture
{

namespace
{

// Numbers in settings are plain: no exponent, as every other stored number.
std::optional<double> plainNumber(const QString& text)
{
    return parseNumber(text, Exponent::Refused);
}

constexpr int kMinZoneSide = 8; // fewer pixels than a skier cannot tell motion from noise

// Why a zone cannot be watched, or nothing.
QString zoneProblem(const QRect& zone, QSize picture)
{
    if (zone.width() < kMinZoneSide || zone.height() < kMinZoneSide)
        return QStringLiteral("is smaller than %1 x %1 pixels").arg(kMinZoneSide);
    if (picture.isValid() && !QRect(QPoint(0, 0), picture).contains(zone))
        return QStringLiteral("is not inside the %1 x %2 picture")
            .arg(picture.width())
            .arg(picture.height());
    return {};
}

} // namespace

Result<double> parsePreSeconds(const QString& text)
{
    const std::optional<double> v = plainNumber(text);
    if (!v || *v < 0 || *v > kMaxPreTriggerSeconds)
        return fail(QStringLiteral("The seconds before Start must be a number from 0 to %1, "
                                   "not \"%2\"")
                        .arg(kMaxPreTriggerSeconds)
                        .arg(text));
    return *v;
}

Result<QRect> parseZone(const QString& text, QSize picture)
{
    const QStringList parts = text.split(QLatin1Char(','));
    const auto bad = [&](const QString& why) {
        return fail(QStringLiteral("The trigger zone \"%1\" %2").arg(text, why));
    };
    if (parts.size() != 4)
        return bad(QStringLiteral("is not X,Y,W,H in picture pixels"));
    int v[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<double> n = plainNumber(parts[i]);
        if (!n || *n != std::floor(*n) || std::fabs(*n) > 100000)
            return bad(QStringLiteral("is not X,Y,W,H in whole picture pixels"));
        v[i] = int(*n);
    }
    const QRect zone(v[0], v[1], v[2], v[3]);
    if (const QString why = zoneProblem(zone, picture); !why.isEmpty())
        return bad(why);
    return zone;
}

Result<QRect> checkZone(const QRect& zone, QSize picture)
{
    if (const QString why = zoneProblem(zone, picture); !why.isEmpty())
        return fail(QStringLiteral("The trigger zone \"%1\" %2").arg(zoneText(zone), why));
    return zone;
}

Result<double> parseThreshold(const QString& text)
{
    const std::optional<double> v = plainNumber(text);
    if (!v || *v <= 0 || *v > 1)
        return fail(QStringLiteral("The trigger threshold must be a share above 0 and at most 1, "
                                   "not \"%1\"")
                        .arg(text));
    return *v;
}

StoredTriggerSettings readTriggerSettings(const StoredTriggerTexts& stored, QSize picture)
{
    StoredTriggerSettings out;
    TriggerSettings& s = out.settings;
    if (!stored.preSeconds.isEmpty()) {
        if (const Result<double> v = parsePreSeconds(stored.preSeconds))
            s.preSeconds = *v;
        else
            out.notes << v.error() + QStringLiteral("; %1 is used").arg(s.preSeconds);
    }
    if (!stored.zone.isEmpty()) {
        if (const Result<QRect> v = parseZone(stored.zone, picture))
            s.zone = *v;
        else
            out.notes << v.error() + QStringLiteral("; draw the zone again");
    }
    if (!stored.threshold.isEmpty()) {
        if (const Result<double> v = parseThreshold(stored.threshold))
            s.threshold = *v;
        else
            out.notes << v.error() + QStringLiteral("; %1 is used").arg(s.threshold);
    }
    return out;
}

QString zoneText(const QRect& zone)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(zone.x())
        .arg(zone.y())
        .arg(zone.width())
        .arg(zone.height());
}

QString numberText(double value)
{
    return QString::number(value, 'g', 12);
}

QString triggerStateText(int state)
{
    switch (state) {
    case CaptureControl::TriggerArmed:
        return QStringLiteral("Trigger: Armed");
    case CaptureControl::TriggerTriggered:
        return QStringLiteral("Trigger: Triggered");
    default:
        return QStringLiteral("Trigger: Disarmed");
    }
}

} // namespace zelvan::capture
