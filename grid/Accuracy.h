#pragma once
// The accuracy check of a completed grid: a 7 x 7 mesh over the grid, how far the measured
// distance moves when the picked point moves one pixel (15 twips), graded by homologation
// level, and the accuracy file that records it.
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Result.h"
#include "grid/Complete.h"
#include "grid/GridModel.h"
#include "grid/Transform.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace zelvan::grid
{

enum class AccuracyMode { Standard, Advanced };
enum class AccuracyDisplay { HomologationLevel, Distance, Detail };

// P(h, r): h = 0..6 left to right, r = 0..6 far (upper) to near (lower) edge, twips.
using AccuracyMesh = std::array<std::array<PlanePoint, 7>, 7>;

AccuracyMesh accuracyMesh(PlanePoint upperLeft, PlanePoint upperRight, PlanePoint lowerLeft,
                          PlanePoint lowerRight);

// "R" up to 0.1 m, "L" up to 0.15, "C" up to 0.2, "NH" above.
QString accuracyGrade(double delta);
QString accuracyLabel(AccuracyDisplay display, double d0, double delta);

struct AccuracyPoint {
    int h = 0;
    int r = 0;
    int index = 0; // AccuracyIndicator index 7h + r
    double x = 0;  // mesh point, twips
    double y = 0;
    double waterX = 0; // of the last conversion, (x, y + 15)
    double waterY = 0;
    double d0 = 0;
    double dH = 0;
    double dV = 0;
    double delta = 0;
    QString label;
    double left = 0; // indicator position
    double top = 0;
};

struct AccuracyInput {
    SetupScreenTexts texts; // corners, descriptions, buoy lines, check texts, picture width
    AccuracyMode mode = AccuracyMode::Standard;
    AccuracyDisplay display = AccuracyDisplay::HomologationLevel;
    bool barefootMode = false;
    bool sitSkiMode = false;
};

struct AccuracyResult {
    AccuracyDisplay display = AccuracyDisplay::HomologationLevel; // Standard forces Hom.Lvl
    bool indicatorsVisible = false;                               // Advanced mode shows all
    AccuracyMesh mesh{};
    QList<AccuracyPoint> points; // h = 0..6, inside it r = 0..6; those done before an error
    QStringList fileLines;       // to append to the accuracy file
    Status status;               // a failure: why the check stopped, shown with the error
                                 // icon; the points done stay
};

// Runs the mesh with the working set's active grid. The registers of the working set hold
// the last conversion afterwards, as on the screen.
AccuracyResult runAccuracyCheck(const AccuracyInput& input, WorkingSet& ws, const Clock& clock);

// "acc" + mmdd + ".txt".
QString accuracyFileName(const QDate& date);

// Appends lines (CR LF) to folder/accuracy file of the day; the file is replaced whole, so
// a failure leaves the earlier content as it was.
Status appendAccuracyFile(const QString& folder, const QDate& date, const QStringList& lines);

// Skier path selection (Standard mode).
struct SkierPathLine {
    PlanePoint from; // P(0, r)
    PlanePoint to;   // P(6, r)
    QString labelText;
    double labelLeft = 0;
    double labelTop = 0;
};
QList<SkierPathLine> skierPathLines(const AccuracyMesh& mesh);

inline const char* const kSkierPathPrompt =
    "Pick the line number that best represents where the skier will land";
inline const char* const kSkierPathTitle = "Input the skier path line";

// Asks until the answer's leading number is one of 1..7. Returns std::nullopt only when the
// dialogs give up (maxAsks answers without a line number), which a real operator cannot do.
std::optional<int> askSkierPathLine(Dialogs& dialogs, int maxAsks = 1000);

// Indicators of path line L (1..7): L - 1, L + 6, ..., L + 41.
QList<int> skierPathIndicators(int line);

} // namespace zelvan::grid
