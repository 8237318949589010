#pragma once
// Saving the contact picture of a measured jump: the picture file beside the jump videos, its
// ".info" file, the "Saved picture: " results line, and what the session log is to carry.
//
// The capture picture (currentcapture.bmp) is never moved away: the saved picture is written
// as a whole, synced copy of it, so a failed save leaves the capture picture where it was and
// an existing picture is replaced only once its successor is complete.
#include "base/Dialogs.h"
#include "base/StationFiles.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan::measure
{

inline const char* const kRenameTitle = "Rename Picture";
inline const char* const kRenamePrompt =
    "This File Name already exists. You must rename the file before saving.";
inline const char* const kUnsafeNameText =
    "The skier's name holds characters a file name cannot hold (\\ / : * ? \" < > | or control "
    "characters); they were replaced by spaces in the picture's file name.";

// The contact picture's path: the save-video folder, the skier name made file-name safe,
// "jump", the jump number without its surrounding blanks, the picture extension.
QString contactPicturePath(const QString& videoDirectory, const QString& skierName,
                           const QString& jumpNumber, const QString& extension);

// The one line of a picture's ".info" file (without its line end): the picture path, ", ",
// the capture screen's skier name, ", ", its attempt number.
QString pictureInfoLine(const QString& picturePath, const QString& captureSkierName,
                        const QString& captureAttempt);

// The jump a picture line of the session log names: the capture screen's attempt number less
// one, the attempt just measured.
QString pictureLogJump(const QString& captureAttempt);

struct PictureSaveInput {
    QDateTime now;
    QString stationFolder; // holds currentcapture.bmp
    QString videoDirectory;
    QString skierName;  // Skier_name as typed or picked
    QString jumpNumber; // Jump_no
    QString extension;  // pictureExtension
    QString captureSkierName;
    QString captureAttempt;
    QString resultsPath;
    QString keptPath; // fallback file of the results lines
};

// A picture of a known pass (the capture picture) is saved under that pass's skier and attempt,
// however the name boxes have moved on since (a recorded fall advances the jump number); its
// ".info" and session log lines then name the capture screen as it stood right after the pass.
void nameAfterPass(PictureSaveInput& in, const QString& skier, const QString& attempt);

struct PictureSave {
    bool saved = false;
    QString picturePath;    // where it went (or was to go)
    QStringList debugLines; // for the debug log, in order
};

// Save Picture, every question and message through `dialogs`: the overwrite question, the
// rename prompt until the answer names no existing file, the copy, the results line and the
// ".info" file. An empty or cancelled rename abandons the save and says so. The session log
// line is the caller's to write when `saved`.
PictureSave savePicture(const PictureSaveInput& in, Dialogs& dialogs);

} // namespace zelvan::measure
