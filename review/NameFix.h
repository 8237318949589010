#pragma once
// The fix of the skier's name after a recording: the capture screen appended "X" to the name so
// as not to overwrite an earlier pass; the operator may give the real name, and the recording
// then moves to that name's file, never over an existing one.
#include "base/Dialogs.h"
#include "base/Result.h"

#include <QString>

#include <functional>

namespace zelvan::review
{

inline const char* const kNameFixTitle = "Fix the skier's name";
inline const char* const kNameFixPrompt =
    "The skier's name was changed to prevent overwriting an existing file. You can change the "
    "skier's name here if you want. Just modify it in the input box to what it should be. ";
inline const char* const kNameMissingPrompt = "You must input a name. Please try again ";
inline const char* const kNameTakenPrompt =
    "I am sorry, there is an existing file using that name and jump.  Please try again ";

struct NameFixInput {
    QString skierName;      // the capture screen's name, with its "X"
    QString attemptNumber;  // the capture screen's attempt number
    QString videoDirectory; // the save-video folder
    QString recordedPath;   // the pass just recorded
};

struct NameFixResult {
    QString skierName; // the name the capture screen takes (its attempt number becomes "2")
    QString videoPath; // where the recording is to be
    bool move = false; // the recording moves from recordedPath to videoPath
};

// Characters that would leave the save-video folder or that Windows does not allow in a file
// name (\ / : * ? " < > | and control characters), each replaced by a space.
QString fileNameSafe(const QString& name);

// Asks through `dialogs` as the name fix does. `exists` tells whether a file is there. A
// cancelled question about a taken name keeps the recording where it is, under the old name.
NameFixResult fixSkierName(Dialogs& dialogs, const NameFixInput& input,
                           const std::function<bool(const QString&)>& exists);

// Moves the recording; never over an existing file. Fails with the reason.
Status moveRecording(const QString& from, const QString& to);

} // namespace zelvan::review
