#pragma once
// Where the measurement screen's pictures come from besides the frame selection: a picture
// file chosen by the operator, the outside capture tool's snapshot file, and the clipboard
// when the tool raises its flag file.
#include "base/Result.h"

#include <QDateTime>
#include <QImage>
#include <QString>

namespace zelvan::measure
{

inline const char* const kLoadPictureFilter =
    "All Files (*.*)|*.*|Text Files (*.txt)|*.txt|Jump Picture Files (*.gif)|*.gif|Jump "
    "Picture Files (*.bmp)|*.bmp|Jump Picture Files (*.jpg)|*.jpg|";
inline const char* const kInvalidCapturesPathText = "Invalid path, change in configuration screen";
inline const char* const kSnapshotWarning =
    "Warning, snapshot file has not been saved in the \\zqio directory";
inline const char* const kSnapshotName = "snapshot.bmp";
inline const char* const kClipFlagName = "clipflag.txt";
inline const char* const kFromClipboardText = "Picture from Clipboard";

// The picture in the file, or why it cannot be shown, as the operator is told.
Result<QImage> readPicture(const QString& path);

// The filter entry (counted from 1) the picture dialog starts on for the picture extension:
// 3 for ".gif", 4 for ".bmp", 5 for ".jpg", else 1 (all files).
int loadPictureFilterEntry(const QString& pictureExtension);

// The results line of a loaded picture (without its line end): date, " ", time, " ",
// "Loaded picture: " + the file name.
QString loadedPictureLine(const QDateTime& now, const QString& fileName);

// The clipboard holds a picture for the station: the first field of the flag file in the
// interface folder is "Ready". A missing or unreadable flag file is no picture.
bool clipFlagRaised(const QString& zqioFolder);

// Lowers the flag (two blanks and a line end) so the next poll waits for the next "Ready";
// failures are of no concern, the next poll simply tries again.
void lowerClipFlag(const QString& zqioFolder);

} // namespace zelvan::measure
