#pragma once
// The record operation of the measurement screen and its reride and comment buttons, on the
// screen's values as data: the screen hands in what its controls hold and shows what comes
// back. The other-grid entry and every message run through Dialogs.
#include "base/Dialogs.h"
#include "grid/GridModel.h"

#include <QDateTime>
#include <QPointF>
#include <QString>

namespace zelvan::measure
{

struct MeasureValues {
    QString skierName;
    QString jumpNumber;
    QString distanceText;
    QString distanceFtText;
    QString comment;
    QString fallOrPass;     // "Fall" or "Pass" while that option is selected, else empty
    bool otherGrid = false; // Other_Grid selected
    // An impact was clicked on the picture now shown, with the grid now active: a measured
    // record without one would repeat an old point.
    bool impactMarked = false;
    bool pictureFrozen = false;
    bool verifyMode = false;
    QString rawDistanceText; // the last measured distance
    QPointF lastClick;       // lastClickX, lastClickY

    bool passOrFall() const { return !fallOrPass.isEmpty(); }
};

struct RecordSettings {
    QDateTime now;
    bool barefootMode = false;
    bool sitSkiMode = false;
    bool barefootIndicatorShown = false;
    bool wstims = false;
    QString resultsPath;
    QString keptPath;   // fallback of the results lines
    QString zqioFolder; // WSTIMS interface folder
};

struct RecordOutcome {
    MeasureValues values;          // what the screen shows afterwards
    bool recorded = false;         // false: refused, nothing written
    bool clearPassAndFall = false; // deselect Fall and Pass
    QString wstimsLine;            // what the interface files got (empty when not written)
};

inline const char* const kOtherGridQuestion =
    "Is there a distance to be recorded in the other grid?";
inline const char* const kOtherGridMetersPrompt = "Enter distance in meters from other screen";
inline const char* const kOtherGridFeetPrompt = "Enter distance in feet from other screen";
inline const char* const kOtherGridTitle = "Other Grid Measurement";
inline const char* const kOtherGridMismatchText =
    "The meter distance and the foot distance you entered did not match, please enter them again";
inline const char* const kOtherGridNotNumberText =
    "Please enter the distance as a number, for example 45.3";
inline const char* const kNoImpactText =
    "Click the point where the skier touched the water before recording the jump. Nothing was "
    "recorded.";
inline const char* const kCommentPrompt = "What comment would you like to add?";
inline const char* const kCommentTitle = "Input Comment";

// Record: the outcome, the other-grid entry or the official distances, the results line, the
// WSTIMS files, the jump number, the snapshot clean-up. Fall and Pass are recorded as such
// whatever the comment box was left holding. A measured record without an impact on the
// shown picture, a measured point on the grid's vanishing line, and a cancelled other-grid
// entry are refused (the first two with a message) and record nothing.
RecordOutcome recordJump(const MeasureValues& values, grid::WorkingSet& ws,
                         const RecordSettings& settings, Dialogs& dialogs);

// A reride or comment line written to the results file at once (kept when it cannot be).
void writeNote(const QString& text, const RecordSettings& settings, Dialogs& dialogs);

} // namespace zelvan::measure
