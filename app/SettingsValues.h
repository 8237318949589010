#pragma once
// Conversions between the text values of the settings store and what the station uses.
// Every conversion of a stored text is total: text it cannot read gives std::nullopt and the
// reader then uses its default, so a hand-edited store never stops the station.
#include <QString>
#include <initializer_list>
#include <optional>

namespace zelvan::app::settings
{

// A stored decimal number: optional sign, digits with an optional decimal point, surrounding
// spaces allowed ("2", " 15 ", "5.0", "-1"). No exponents, no hexadecimal, nothing else.
std::optional<double> parseStoredNumber(const QString& text);

// A whole number in int range written as above ("3", "3.0", "-1"); "2.5" is not one.
std::optional<int> parseWholeNumber(const QString& text);

// Truth values: "True" / "False" in any case, or a number (non-zero is true).
std::optional<bool> parseTruth(const QString& text);

// Check-box flags: a whole number, non-zero is ticked ("0" clear, "1" ticked).
std::optional<bool> parseFlag(const QString& text);

// `value` when it is exactly one of the `allowed` words, else `otherwise`.
QString oneOf(const QString& value, std::initializer_list<const char*> allowed,
              const QString& otherwise);

inline QString truthText(bool v)
{
    return v ? QStringLiteral("True") : QStringLiteral("False");
}
inline QString flagText(bool v)
{
    return v ? QStringLiteral("1") : QStringLiteral("0");
}

// Colour values with red in the low byte, green in the middle, blue in the high byte.
inline constexpr int kBlack = 0;
inline constexpr int kRed = 255;
inline constexpr int kYellow = 65535;
inline constexpr int kWhite = 16777215;

// Message (label) colour names "black", "white", "yellow"; std::nullopt for "default" and
// anything else, which leave the colour as it is.
std::optional<int> labelColorValueOf(const QString& name);
// Impact colour names "black", "red", "yellow", "white".
std::optional<int> impactColorValueOf(const QString& name);

} // namespace zelvan::app::settings
