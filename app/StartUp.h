#pragma once
// Start-up and main-screen steps that need no widgets: the save-video folder, the capture
// rate label and the grid indicators. The main screen calls these and shows the results.
#include "base/Dialogs.h"
#include "base/Result.h"

#include <QString>
#include <array>

namespace zelvan::app
{

class Station;

inline constexpr const char* kVideoPathTitle = "Input Save Video Files Path";

// Makes sure a valid save-video folder is known: the stored `logpath` when it names an
// existing folder, else the operator is asked until an existing folder is entered (an empty
// answer or Cancel counts as a missing folder). `maxAsks` < 0 asks without limit; a headless
// caller passes a limit and gets a failure when it runs out. The folder becomes
// `videoDirectory` and is stored as `logpath`; a failed store is the failure.
Status ensureVideoDirectory(Dialogs& dialogs, Station& station, int maxAsks = -1);

// "Change Video File Directory": asks with `shown` proposed; Cancel or an empty answer
// changes nothing (false); a missing folder is refused with a warning and asked again; a
// folder taken is true. A failure when the folder was taken but could not be stored.
Result<bool> changeVideoDirectory(Dialogs& dialogs, Station& station, const QString& shown);

// Text of the capture-rate label for the text of the frame-rate box: its leading number
// decides; below 5 the label keeps `current`.
QString captureRateLabel(const QString& rateText,
                         const QString& current = QStringLiteral("Currently Configured for R"));

// What the main screen's grid indicators show for grids 1..3 (index 0 is grid 1).
struct GridIndicators {
    std::array<bool, 3> visible{};   // label, picture and description box shown
    std::array<bool, 3> fileFound{}; // "SmallSmiley.jpg" when true, "SmallCaution.jpg" else

    bool operator==(const GridIndicators& o) const
    {
        return visible == o.visible && fileFound == o.fileFound;
    }
};
GridIndicators gridIndicators(double numGrids, const std::array<QString, 3>& gridFiles);

} // namespace zelvan::app
