#pragma once
// Going on from a measured jump: whether the contact picture is saved, and what becomes of the
// jump video (deleted, asked about, or kept with its session log line and ".info" file).
#include "base/Dialogs.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvan::measure
{

inline const char* const kSavePictureQuestion = "Do you want to save this picture?";
inline const char* const kRemainQuestion = "Do you want to remain on this form?";
inline const char* const kSaveVideoQuestion = "Do you want to save this video capture?";
inline const char* const kNonStandardVideoText =
    "Warning, this is not a  standard KLT file so it will not be saved in the Log for future "
    "reference";

// The picture policy (pictureSaveMode) after a frame selection: "Save" saves, "NoSave" does
// not, "Ask" asks. Any other value (a hand-edited setting) asks too, so that a picture is
// never dropped on a value nobody chose.
bool pictureToBeSaved(const QString& pictureSaveMode, Dialogs& dialogs);

// The skier and jump parts of a video name as the capture screen makes it: skier + "jump" +
// jump + ".avi". std::nullopt for any other name (no ".avi", ".avi" within the first seven
// characters, no "jump" from seven characters before ".avi", "jump" in a folder name).
struct VideoName {
    QString skier;
    QString jump;
};
std::optional<VideoName> standardVideoName(const QString& videoPath);

// The video's ".info" line (without its line end): the path, a comma, the frame.
QString videoInfoLine(const QString& videoPath, double frame);

// What the video policy did, for the caller to log.
struct VideoPolicyOutcome {
    bool retained = false; // kept with a standard name: the session log line is to be written
    VideoName name;
    QStringList debugLines;
};

// The video policy (videoSaveMode) on the jump video: "NoSave" deletes it, "Ask" asks and
// deletes on No, "Save" keeps it. Any other value asks. Keeping it rewrites its ".info" file
// with `frame`, or warns when the name is not standard. A video that is not there (none was
// taken, or it is gone already) is left alone. Failures are told through `dialogs`.
VideoPolicyOutcome applyVideoPolicy(const QString& videoSaveMode, const QString& videoPath,
                                    double frame, Dialogs& dialogs);

} // namespace zelvan::measure
