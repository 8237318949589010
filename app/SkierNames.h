#pragma once
// Skier names files: the station's copy "SkierNames.txt" (one skier per line, commas between
// name parts) and the names file chosen on the configuration screen (comma-separated fields,
// double quotes around a field that holds commas).
#include "base/OperatorMessage.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace zelvan::app
{

inline constexpr const char* kSkierNamesFile = "SkierNames.txt";

// Every comma replaced by one space: "Smith,John,USA" -> "Smith John USA".
QString commasToSpaces(const QString& line);

// The skier picker's entries from the text of "SkierNames.txt": one per non-empty line, in
// file order, commas replaced by spaces.
QStringList pickerEntries(const QString& text);

// The fields of a names file: separated by commas or line ends, surrounding spaces dropped;
// a field in double quotes may hold commas and loses its quotes. Empty fields are no skier
// and are left out.
QStringList namesFileFields(const QString& text);

// Reads a text file that the operator chose, as UTF-8 unless it is not valid UTF-8, in which
// case it is taken as Latin-1 (older names files). A failure when it cannot be read.
Result<QString> readTextFile(const QString& path);

// "Import Skier Names File": copies the chosen file as plain text to "SkierNames.txt" in the
// station folder (replacing any earlier copy, never leaving half a file) and gives its first
// line with commas replaced by spaces, for the capture screen's skier name.
Result<QString> importSkierNames(const QString& chosenFile, const QString& stationFolder);

inline constexpr const char* kNamesNotLoaded = "Names not loaded, check file name and path";

// What leaving the configuration screen does to the skier list.
struct SkierListLoad {
    // The new list; std::nullopt when no names file was given and the list stays as it is.
    // A file from which no field could be read (missing, unreadable or empty) gives an empty
    // list and the message "Names not loaded, check file name and path".
    std::optional<QStringList> entries;
    OperatorMessages messages;
    bool loaded() const { return messages.isEmpty(); }
};
SkierListLoad loadSkierList(const QString& namesFile);

} // namespace zelvan::app
