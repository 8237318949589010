#pragma once
// What the capture screen decides around one recording, without widgets: the recording time
// list and its setting, the default contact frame, the countdown, the buttons of each state,
// and the skier name WSTIMS leaves in its interface folder.
#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace zelvan::capture
{

// The recording times offered, index 0..3.
QStringList captureTimeItems();
inline constexpr int kDefaultCaptureTimeIndex = 2; // "5.0"
inline constexpr double kDefaultCaptureSeconds = 5;

// The list entry for the stored `captureTime` (0 when missing or not a number). A stored value
// that is no entry of the list but a whole number of seconds up to a minute (a station set by
// hand for a longer pass) is used as it stands, with no entry selected. Any other value ("4.5",
// a negative or hand-edited text) would leave no recording time at all; it gives the default,
// which is then stored.
inline constexpr double kLongestCaptureSeconds = 60;
struct CaptureTimeChoice {
    int index = kDefaultCaptureTimeIndex; // -1: no entry selected
    double seconds = kDefaultCaptureSeconds;
    bool storeDefault = true; // store "5" as captureTime
};
CaptureTimeChoice captureTimeAtLoad(double stored);
// The whole seconds the countdown label shows: "5" for 5.
QString captureSecondsText(double seconds);

// Half up except exactly half-way, where the even neighbour wins (62.5 -> 62, 63.5 -> 64).
long long roundHalfToEven(double value);
// The frame opened when Contact was not pressed: the middle of the recording, the rate of the
// main screen's rate box times the recording time, halved and rounded halves to even. Kept to
// the 16-bit range the frame selection screen takes.
int defaultContactFrame(const QString& rateText, double seconds);

// One countdown tick: the label's number minus one, never below 0. `ended` when it reaches 0.
struct CountdownTick {
    int left = 0;
    bool ended = false;
};
CountdownTick countdownTick(const QString& shown);

// The buttons of the three states of the screen.
enum class CaptureState { Ready, Recording, Stopped };
struct CaptureButtons {
    bool start = false;
    bool contact = false;
    bool stop = false;
    bool captureFrame = false;
    bool leave = false; // "View Already Recorded Jumps" and "Go Back To Main Screen"
    bool operator==(const CaptureButtons& o) const
    {
        return start == o.start && contact == o.contact && stop == o.stop &&
               captureFrame == o.captureFrame && leave == o.leave;
    }
};
CaptureButtons buttonsFor(CaptureState state);

// The first comma-separated field of "zqskier.nam" in the WSTIMS interface folder (a field in
// double quotes may hold commas). The failure is the operator's whole message:
// "Error while reading WSTIMS name file: " + what went wrong.
inline const char* const kWstimsNameFile = "zqskier.nam";
inline const char* const kWstimsNameError = "Error while reading WSTIMS name file: ";
Result<QString> readWstimsSkierName(const QString& zqioFolder);
// The first field of a line as a names reader takes it: leading blanks skipped, a quoted field
// up to its closing quote, else up to the first comma, trailing blanks dropped.
QString firstField(const QString& line);

} // namespace zelvan::capture
