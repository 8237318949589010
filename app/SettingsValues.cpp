#include "app/SettingsValues.h"

#include <cmath>
#include <limits>

namespace zelvan::settings
{

std::optional<double> parseNumber(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    const int n = int(t.size());
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> parseWholeNumber(const QString& text)
{
    const std::optional<double> v = parseNumber(text);
    if (!v || std::floor(*v) != *v)
        return std::nullopt;
    if (*v < double(std::numeric_limits<int>::min()) ||
        *v > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(*v);
}

std::optional<bool> parseTruth(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> v = parseNumber(t))
        return *v != 0;
    return std::nullopt;
}

std::optional<bool> parseFlag(const QString& text)
{
    if (const std::optional<int> v = parseWholeNumber(text))
        return *v != 0;
    return std::nullopt;
}

QString oneOf(const QString& value, std::initializer_list<const char*> allowed,
              const QString& otherwise)
{
    for (const char* a : allowed)
        if (value == QLatin1String(a))
            return value;
    return otherwise;
}

std::optional<int> labelColorValueOf(const QString& name)
{
    if (name == QLatin1String("black"))
        return kBlack;
    if (name == QLatin1String("white"))
        return kWhite;
    if (name == QLatin1String("yellow"))
        return kYellow;
    return std::nullopt;
}

std::optional<int> impactColorValueOf(const QString& name)
{
    if (name == QLatin1String("black"))
        return kBlack;
    if (name == QLatin1String("red"))
        return kRed;
    if (name == QLatin1String("yellow"))
        return kYellow;
    if (name == QLatin1String("white"))
        return kWhite;
    return std::nullopt;
}

} // namespace zelvan::settings
