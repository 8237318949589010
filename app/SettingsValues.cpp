#include "app/SettingsValues.h"

#include "base/Numbers.h"

#include <cmath>
#include <limits>

namespace zelvan::app::settings
{

std::optional<double> parseStoredNumber(const QString& text)
{
    return parseNumber(text, Exponent::Refused);
}

std::optional<int> parseWholeNumber(const QString& text)
{
    const std::optional<double> v = parseStoredNumber(text);
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
    if (const std::optional<double> v = parseStoredNumber(t))
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

} // namespace zelvan::app::settings
