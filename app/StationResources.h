#pragma once
// The station's own pictures, icons and manual live in the station folder, where an operator
// may replace them; the copies compiled into the program stand in for any that is missing.
#include <QString>

namespace zelvan::app
{

inline constexpr const char* kReadyPicture = "SmallSmiley.jpg";
inline constexpr const char* kNotReadyPicture = "SmallCaution.jpg";
inline constexpr const char* kReadyIcon = "face02.ico";
inline constexpr const char* kNotReadyIcon = "msgbox03.ico";
inline constexpr const char* kManualFile = "DI05Manual.rtf";

// `name` in the station folder when a regular file of that name is there, else the compiled-in
// copy (":/station/<name>"), which exists for every resource named above.
QString stationResource(const QString& stationFolder, const QString& name);

} // namespace zelvan::app
