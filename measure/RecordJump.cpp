#include "measure/RecordJump.h"

#include "base/Numbers.h"
#include "measure/OfficialDistance.h"
#include "measure/RecordFiles.h"
#include "measure/RecordLines.h"

namespace zelvan::measure
{

namespace
{

struct OfficialTexts {
    QString meters;
    QString feet;
};

// One distance typed from the other camera's screen, read by the station's number rules (a
// decimal comma is taken as the point, never written raw into WSTIMS's comma-separated line);
// asked again until it is one. std::nullopt: cancelled.
std::optional<QString> askDistance(const char* prompt, Dialogs& dialogs)
{
    for (;;) {
        const std::optional<QString> answer =
            dialogs.input(QLatin1String(prompt), QLatin1String(kOtherGridTitle));
        if (!answer)
            return std::nullopt;
        if (const auto typed = readTypedNumber(*answer); typed && typed->value >= 0)
            return typed->text;
        dialogs.message(QLatin1String(kOtherGridNotNumberText), Icon::Warning);
    }
}

// The other-grid entry: asks until the two distances agree or the operator answers No.
// std::nullopt: a distance prompt was cancelled, and nothing is to be recorded.
std::optional<OfficialTexts> otherGridEntry(MeasureValues& v, Dialogs& dialogs)
{
    for (;;) {
        if (!dialogs.askYesNo(QLatin1String(kOtherGridQuestion), QStringLiteral("Message"))) {
            v.comment = QStringLiteral("Other Grid - no distance recorded");
            v.distanceText.clear();
            v.distanceFtText.clear();
            return OfficialTexts{};
        }
        const std::optional<QString> meters = askDistance(kOtherGridMetersPrompt, dialogs);
        if (!meters)
            return std::nullopt;
        const std::optional<QString> typedFeet = askDistance(kOtherGridFeetPrompt, dialogs);
        if (!typedFeet)
            return std::nullopt;
        const QString feet = QLatin1Char(' ') + *typedFeet;
        v.distanceText = *meters + QStringLiteral("m");
        v.distanceFtText = feet + QStringLiteral("ft");
        if (otherGridDistancesAgree(*meters, feet))
            return OfficialTexts{*meters, feet};
        dialogs.message(QLatin1String(kOtherGridMismatchText));
    }
}

void writeFiles(const MeasureValues& v, const grid::WorkingSet& ws, const RecordSettings& s,
                const OfficialTexts& official, RecordOutcome& out, Dialogs& dialogs)
{
    ResultsLineInput line;
    line.when = s.now;
    line.skierName = v.skierName;
    line.jumpNumber = v.jumpNumber;
    line.distanceText = v.distanceText;
    line.distanceFtText = v.distanceFtText;
    line.barefootMode = s.barefootMode;
    line.verifyMode = v.verifyMode;
    line.comment = v.comment;
    line.otherGrid = v.otherGrid;
    line.waterX = ws.waterX;
    line.waterY = ws.waterY;
    line.screenX = ws.screenX;
    line.screenY = ws.screenY;
    line.rawDistanceText = v.rawDistanceText;
    const ResultsWrite results = writeResultsLine(s.resultsPath, s.keptPath, resultsLine(line));
    if (!results.message.isEmpty())
        dialogs.message(results.message, Icon::Warning, QStringLiteral("Results file"));
    if (!s.wstims)
        return;
    const QString wstims =
        wstimsResultLine(v.comment, official.meters, official.feet, v.jumpNumber);
    const Status written =
        writeWstimsFiles(s.zqioFolder, wstims, rawLogLine(s.now, v.skierName, wstims));
    if (written)
        out.wstimsLine = wstims;
    else
        dialogs.message(written.error());
}

} // namespace

RecordOutcome recordJump(const MeasureValues& values, grid::WorkingSet& ws,
                         const RecordSettings& settings, Dialogs& dialogs)
{
    RecordOutcome out;
    MeasureValues& v = out.values;
    v = values;
    const bool measured = !v.passOrFall() && !v.otherGrid;
    if (measured && !v.impactMarked) {
        dialogs.message(QLatin1String(kNoImpactText), Icon::Warning);
        return out;
    }
    bool advance = false;
    if (v.passOrFall()) {
        v.comment = v.fallOrPass; // the outcome decides the interface line, not a stale box
        v.distanceText.clear();
        v.distanceFtText.clear();
        advance = !v.pictureFrozen;
    }
    OfficialTexts official;
    if (v.otherGrid) {
        const std::optional<OfficialTexts> entered = otherGridEntry(v, dialogs);
        if (!entered) {
            out.values = values;
            return out;
        }
        official = *entered;
        advance = advance || !v.pictureFrozen;
    } else if (measured) {
        const auto d =
            computeJumpDistance(ws, v.lastClick.x(), v.lastClick.y(), settings.barefootMode,
                                settings.sitSkiMode, settings.barefootIndicatorShown);
        if (!d) {
            dialogs.message(QLatin1String("This point of the picture has no position on the "
                                          "water with the active grid; nothing was recorded."),
                            Icon::Warning);
            out.values = values;
            return out;
        }
        v.rawDistanceText = d->rawText;
        v.distanceText = d->metersDisplay;
        v.distanceFtText = d->feetDisplay;
        official = {d->metersText, d->feetText};
    }
    out.clearPassAndFall = advance;
    writeFiles(v, ws, settings, official, out, dialogs);
    if (advance)
        v.jumpNumber = advancedJumpNumber(v.jumpNumber);
    v.otherGrid = false;
    v.comment.clear();
    deleteSnapshotPictures(settings.zqioFolder);
    out.recorded = true;
    return out;
}

void writeNote(const QString& text, const RecordSettings& settings, Dialogs& dialogs)
{
    const ResultsWrite w =
        writeResultsLine(settings.resultsPath, settings.keptPath, noteLine(settings.now, text));
    if (!w.message.isEmpty())
        dialogs.message(w.message, Icon::Warning, QStringLiteral("Results file"));
}

} // namespace zelvan::measure
