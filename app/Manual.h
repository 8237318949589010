#pragma once
// The operator's manual "DI05Manual.rtf": the station folder's own copy, which an operator may
// replace, else the copy built into the program.
#include "base/Result.h"

#include <QString>

class QTextDocument;

namespace zelvan::app
{

inline constexpr const char* kManualFile = "DI05Manual.rtf";
inline constexpr const char* kBuiltInManual = ":/station/DI05Manual.rtf";

// Fills the document from "DI05Manual.rtf" in the station folder, or from `builtIn` when the
// station folder has none. A manual that is there but cannot be read as rich text, or no
// manual at all, leaves the document empty and the failure says why.
Status loadManual(const QString& stationFolder, const QString& builtIn, QTextDocument& document);

} // namespace zelvan::app
