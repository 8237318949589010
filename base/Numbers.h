#pragma once
// The station's rules for reading numbers and folder names out of text, written once for
// every box, setting, file field and answer that holds one.
#include <QString>
#include <QStringView>
#include <optional>

namespace zelvan
{

// Picture coordinates are kept in twips, 15 to a picture pixel, origin top left.
inline constexpr double kTwipsPerPixel = 15.0;

// A whole field that is one number: optional blanks, sign, digits with an optional point,
// an exponent unless refused, optional blanks. std::nullopt for anything else (empty, junk,
// placeholders, "12,x", not finite, longer than 400 characters). Read the "C" way whatever
// the locale. Grid files and boxes allow exponents ("1.5E-07"); stored settings do not.
enum class Exponent { Allowed, Refused };
std::optional<double> parseNumber(QStringView field, Exponent exponent = Exponent::Allowed);

// A number the operator typed (a distance, a value asked for), read as the station writes it:
// blanks around it dropped and a decimal comma taken as the point ("45,3" -> "45.3"), so a typed
// number never carries a comma into a comma-separated line. No exponent. std::nullopt when the
// text is then not one number ("45,3,1", "4 5", "12m", empty).
struct TypedNumber {
    QString text; // as it is to be written: "45.3"
    double value = 0;
};
std::optional<TypedNumber> readTypedNumber(QStringView typed);

// The leading number of a text, the way an answer, caption or rate box is read:
// " 7 lines" -> 7, "12 fps" -> 12, ".5" -> 0.5, "auto" -> 0, "" -> 0.
double leadingNumber(QStringView text);

// A folder name with one trailing separator (/ or \) dropped, unless that separator is the
// whole name ("/").
QString withoutTrailingSeparator(const QString& path);

// A name made fit to be part of a file name: characters that would leave the folder or that
// Windows does not allow in a file name (\ / : * ? " < > | and control characters) each
// become a space.
QString fileNameSafe(const QString& name);

} // namespace zelvan
