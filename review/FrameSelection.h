#pragma once
// What the frame selection screen decides: how it opens by navigation mode, which frame a
// position takes, the back-step limit, the free-space display and the ".info" side file that
// marks a video as already measured.
#include "base/OperatorMessage.h"
#include "review/Informed.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace zelvan::review
{

inline const char* const kNotValidAvi = "Not a valid avi file";
inline const char* const kAlreadyMeasuredTitle = "Start Already Measured Warning";
inline const char* const kGridsNotReady =
    "One or more grids are not configured.  You may not use the Measure Screen until all "
    "listed grids are configured";
inline const char* const kSelectStart =
    "Select Start Position using direction buttons and/or slider";
inline const char* const kSelectContact =
    "Select First Contact by using direction buttons and/or slider";
// The file dialog of "...": jump videos and, beside them, what the recorder kept of a pass that
// failed ("<name>.avi.part"), which may be the only copy of that jump; the videos alone second;
// third, what a phone or another camera recorded when the station's camera failed.
inline const char* const kVideoFileFilter =
    "Jump videos and kept parts (*.avi *.part)|*.avi;*.part|*.avi|*.avi|"
    "Videos from other cameras (*.mp4 *.mov *.m4v *.mts *.m2ts *.ts *.mpg *.mkv)|"
    "*.mp4;*.mov;*.m4v;*.mts;*.m2ts;*.ts;*.mpg;*.mkv";
// Below this many decimal megabytes the low-space warning shows.
constexpr qint64 kLowDiskMegabytes = 200;

// What showing the screen does with the video, by `navigationMode`.
enum class PaintFlow {
    ClearVideo, // "Setup", "CaptureGoToTimer": no video named
    View,       // "View": the video chosen in the video log
    Capture,    // "Capture": the pass just recorded, at the contact hint
    KeepVideo,  // anything else: the open video stays
};
PaintFlow paintFlowFor(const QString& navigationMode);

// The frame taken at a player position: the nearest whole frame, halves to even; a position
// below 1 takes frame 1.
qint64 markedFrameFor(double position);

// One step back from `position`; std::nullopt at the lower limit 1 (and below it).
std::optional<qint64> stepBackFrom(qint64 position);

struct DiskSpaceDisplay {
    QString drive;        // "D:"; "C:" when the folder names no drive letter
    QString driveCaption; // Label10
    QString freeText;     // lblDiskSpace: whole decimal megabytes + " MB"
    bool low = false;     // Label11 shown
};
// `freeBytes` below 0 (the query failed) shows as 0 MB, with the warning.
DiskSpaceDisplay diskSpaceFor(const QString& videoDirectory, qint64 freeBytes);
// The path whose volume is asked for its free space: the drive's root where the platform has
// drive letters, else the video folder itself.
QString diskQueryPath(const QString& videoDirectory);

// The side file of a video: its full path + ".info".
QString infoFilePath(const QString& videoPath);
// The frame field (second comma-separated field of the first line) of the video's ".info"
// file; std::nullopt when there is none.
std::optional<QString> measuredFrameField(const QString& videoPath);
// "File already measured - start frame is 57" (the View flow says "contact frame"), titled
// kAlreadyMeasuredTitle; std::nullopt for a video never measured.
std::optional<OperatorMessage> alreadyMeasuredMessage(const QString& videoPath, bool viewFlow);

// What "..." makes of the file the operator chose: true when the file box takes it, and the
// messages to show, in order. An AVI is taken on its headers (the player opens it afterwards);
// anything else, a phone's MP4 or MOV, is handed to `opensAsVideo`, the player's own open, and
// taken when it plays. What neither is gets "Not a valid avi file".
Informed<bool> chooseVideoFile(const QString& path,
                               const std::function<bool(const QString&)>& opensAsVideo);

// Whether a taken frame goes to the grid set-up screen (with kGridsNotReady) rather than the
// measurement screen: when not every grid is ready (`allGridsReady` is not 1), or the operator
// took it to set up a grid.
bool takenFrameGoesToGridSetup(double allGridsReady, bool forGridSetup);

// The debug log line of a taken frame.
QString frameSelectedLine(qint64 frame, const QString& videoPath);

} // namespace zelvan::review
