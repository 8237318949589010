#pragma once
// The texts a record writes: the results file line piece by piece, the WSTIMS result line and
// its raw-log form, the reride and comment lines, and the jump-number rules.
#include <QDateTime>
#include <QString>

namespace zelvan::measure
{

// "mm-dd-yyyy" and "hh:mm:ss" (24-hour), as written inside the results and interface files.
QString recordDate(const QDateTime& t);
QString recordTime(const QDateTime& t);

struct ResultsLineInput {
    QDateTime when;
    QString skierName;      // Skier_name text, written whole
    QString jumpNumber;     // Jump_no text
    QString distanceText;   // distance box
    QString distanceFtText; // distance_ft box
    bool barefootMode = false;
    bool verifyMode = false; // recorded jumps are unofficial while verify mode is on
    QString comment;
    bool otherGrid = false; // no position groups for a distance typed from another screen
    double waterX = 0;
    double waterY = 0;
    double screenX = 0;
    double screenY = 0;
    QString rawDistanceText; // the last measured distance, empty before the first
};

// One results line without its line end.
QString resultsLine(const ResultsLineInput& in);

// The line both interface files carry: decided by the comment text alone, exactly and
// case-sensitively ("Fall", "Pass"), every other comment giving an OK line.
QString wstimsResultLine(const QString& comment, const QString& metersText, const QString& feetText,
                         const QString& jumpNumber);

// The skier name up to its first comma (the whole name when it has none).
QString shortSkierName(const QString& skierName);

// A line of zqraw.dst without its line end: time, " ,", short name, ",", the result line.
QString rawLogLine(const QDateTime& when, const QString& skierName, const QString& resultLine);

// A reride or free comment line: date, " ", time, " ", the text.
QString noteLine(const QDateTime& when, const QString& text);

inline const char* const kOptionalRerideText = "Optional Reride on previous jump";
inline const char* const kMandatoryRerideText = "Mandatory Reride - disregard last jump";

// The leading number of the jump box plus one (1 when it holds none), as text.
QString advancedJumpNumber(const QString& jumpNumber);

// The other-grid entry's check: the typed meters and feet agree within 2 ft (exactly 2 passes).
bool otherGridDistancesAgree(const QString& metersText, const QString& feetText);

} // namespace zelvan::measure
