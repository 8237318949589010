#pragma once
// How a jump video is named and how a new recording is kept from overwriting an older one:
// the file is the skier's name + "jump" + the attempt number + ".avi" in the save-video
// folder, and the capture screen raises the attempt (when it is first shown) or appends "X" to
// the name (at Start) while a file of that name is there.
#include "base/OperatorMessage.h"

#include <QString>
#include <functional>

namespace zelvan::capture
{

inline const char* const kCommaMessage = "Sorry, you cannot use the \",\" character in this box";
inline const char* const kInputErrorTitle = "Input Error";
inline const char* const kUnsafeNameMessage =
    "A file name cannot hold \\ / : * ? \" < > | or control characters; they were replaced by "
    "spaces.";
inline const char* const kPassChangedMessage =
    "Warning, the pass number was changed because a file for that pass already existed.  You may "
    "need to change the skier name";
inline const char* const kPassChangedTitle = "Duplicate File Warning";
inline const char* const kHighJumpMessage =
    "Warning, the jump number is greater than 3.  You may need to change the skier name";
inline const char* const kHighJumpTitle = "Possible Name Change Warning";

using FileExists = std::function<bool(const QString&)>;

// `folder` (one trailing separator dropped) + the platform separator + trimmed name + "jump" +
// trimmed attempt + ".avi". Characters that would leave the folder or that Windows refuses in
// a file name are spaces in the file name, so the video always lands inside `folder`.
QString jumpVideoPath(const QString& folder, const QString& skierName, const QString& attempt);

// The skier name box's rule for a typed or given name: every "," becomes a space (with the
// "Input Error" message), then every \ / : * ? " < > | and control character (with its own
// message). A clean name comes back unchanged and without messages.
struct CleanedName {
    QString name;
    OperatorMessages messages;
};
CleanedName cleanSkierName(const QString& typed);

// The attempt box's number as the station reads it (its leading number) plus one, as text.
QString nextAttempt(const QString& attempt);

// The check when the screen is first shown: the attempt is raised while its file exists. The
// two warnings follow: the pass changed, and the attempt now above 3.
struct AttemptCheck {
    QString attempt;
    bool collision = false;
    OperatorMessages messages;
};
AttemptCheck firstPaintAttempt(const QString& folder, const QString& skierName,
                               const QString& attempt, const FileExists& exists);

// The check at Start: while the file exists, "X" is appended to the trimmed name and the
// attempt goes back to 1. `warning` is the text of the screen's name warning, empty without a
// collision.
struct StartName {
    QString skierName;
    QString attempt;
    QString path;
    bool collision = false;
    QString warning;
};
StartName startRecordingName(const QString& folder, const QString& skierName,
                             const QString& attempt, const FileExists& exists);
QString nameChangedWarning(const QString& skierName);

} // namespace zelvan::capture
