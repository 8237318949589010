#include "grid/Complete.h"
#include "base/Numbers.h"

#include "grid/NumberForm.h"
#include "grid/Rounding.h"

#include <cmath>

namespace zelvan::grid
{

namespace
{

const QString kSpaceLine = QStringLiteral(" ");

bool hasPlaceholder(const SetupScreenTexts& t)
{
    const QString autoText = QStringLiteral("auto");
    const QString inputText = QStringLiteral("input");
    for (const QString* box :
         {&t.upper_left_x, &t.upper_left_y, &t.upper_right_x, &t.upper_right_y, &t.lower_left_x,
          &t.lower_left_y, &t.lower_right_x, &t.lower_right_y})
        if (*box == autoText)
            return true;
    for (const QString* box : {&t.ul_survey_x, &t.ul_survey_y, &t.ur_survey_x, &t.ur_survey_y,
                               &t.ll_survey_x, &t.ll_survey_y, &t.lr_survey_x, &t.lr_survey_y})
        if (*box == inputText)
            return true;
    return t.jump_x == QLatin1String("jump x") || t.jump_y == QLatin1String("jump y") ||
           t.txtCheckX == QLatin1String("CheckX") || t.txtCheckY == QLatin1String("CheckY");
}

// All entries of a set-up as numbers.
struct SetupNumbers {
    std::array<double, 5> screenX{}, screenY{}, surveyX{}, surveyY{};
    double jumpX = 0, jumpY = 0;
    double checkX = 0, checkY = 0, checkXpix = 0, checkYpix = 0;
    double pictureWidth = 0;
    int grid = 0;
};

// Reads every box; on the first text that is not a number, returns the message naming it.
std::optional<QString> readNumbers(const SetupScreenTexts& t, SetupNumbers& n)
{
    struct Field {
        const QString* text;
        const char* name;
        double* target;
    };
    const Field fields[] = {
        {&t.upper_right_x, "upper right x", &n.screenX[UpperRight]},
        {&t.upper_right_y, "upper right y", &n.screenY[UpperRight]},
        {&t.lower_right_x, "lower right x", &n.screenX[LowerRight]},
        {&t.lower_right_y, "lower right y", &n.screenY[LowerRight]},
        {&t.upper_left_x, "upper left x", &n.screenX[UpperLeft]},
        {&t.upper_left_y, "upper left y", &n.screenY[UpperLeft]},
        {&t.lower_left_x, "lower left x", &n.screenX[LowerLeft]},
        {&t.lower_left_y, "lower left y", &n.screenY[LowerLeft]},
        {&t.ur_survey_x, "upper right survey X", &n.surveyX[UpperRight]},
        {&t.ur_survey_y, "upper right survey Y", &n.surveyY[UpperRight]},
        {&t.lr_survey_x, "lower right survey X", &n.surveyX[LowerRight]},
        {&t.lr_survey_y, "lower right survey Y", &n.surveyY[LowerRight]},
        {&t.ul_survey_x, "upper left survey X", &n.surveyX[UpperLeft]},
        {&t.ul_survey_y, "upper left survey Y", &n.surveyY[UpperLeft]},
        {&t.ll_survey_x, "lower left survey X", &n.surveyX[LowerLeft]},
        {&t.ll_survey_y, "lower left survey Y", &n.surveyY[LowerLeft]},
        {&t.jump_x, "jump x", &n.jumpX},
        {&t.jump_y, "jump y", &n.jumpY},
        {&t.txtCheckX, "check buoy survey X", &n.checkX},
        {&t.txtCheckY, "check buoy survey Y", &n.checkY},
        {&t.txtCheckXpix, "check buoy x on the picture", &n.checkXpix},
        {&t.txtCheckYpix, "check buoy y on the picture", &n.checkYpix},
        {&t.pictureWidthTwips, "picture width", &n.pictureWidth},
    };
    for (const auto& f : fields) {
        const auto value = parseNumber(*f.text);
        if (!value)
            return QStringLiteral("The entry \"%1\" for %2 is not a number - Re-enter data")
                .arg(*f.text, QLatin1String(f.name));
        *f.target = *value;
    }
    if (!(n.pictureWidth > 0))
        return QStringLiteral("The picture width \"%1\" is not a positive number - Re-enter data")
            .arg(t.pictureWidthTwips);
    const QString caption = t.grid_select;
    const double grid = leadingNumber(caption.mid(caption.lastIndexOf(QLatin1Char(' ')) + 1));
    if (!caption.startsWith(QLatin1String("Grid ")) || (grid != 1 && grid != 2 && grid != 3))
        return QStringLiteral("The grid \"%1\" is not Grid 1, Grid 2 or Grid 3 - Re-enter data")
            .arg(caption);
    n.grid = static_cast<int>(grid);
    return std::nullopt;
}

QString pairLine(const QString& label, const QString& a, const QString& b)
{
    return label + a + QStringLiteral("  ") + b;
}

QStringList setupBlock(const SetupScreenTexts& t, const WorkingSet& ws, const Clock& clock)
{
    const QDateTime now = clock.now();
    QStringList lines;
    lines << setupBlockHeading(now) << t.ipt_file_description << t.ipt_file_description_2
          << QStringLiteral("Grid Number: ") + writtenNumber(ws.currentGrid) << kSpaceLine;
    lines << buoyAndJumpLines(t, QStringLiteral("Pixels"));
    lines << pairLine(QStringLiteral("Check Buoy X,Y Pixels: "), writtenNumber(ws.checkScreenX),
                      writtenNumber(ws.checkScreenY))
          << pairLine(QStringLiteral("Check Buoy X,Y Survey: "), writtenNumber(ws.checkSurveyX),
                      writtenNumber(ws.checkSurveyY))
          << kSpaceLine;
    return lines;
}

// Step 16: the set-up block and the front/back ratios. The ratios need the four x boxes as
// numbers; with a placeholder still in one of them there is nothing to compute.
void appendBlockAndCheck(const SetupScreenTexts& t, const WorkingSet& ws, const Clock& clock,
                         CompleteResult& r)
{
    r.setupBlock = setupBlock(t, ws, clock);
    const auto lr = parseNumber(t.lower_right_x);
    const auto ll = parseNumber(t.lower_left_x);
    const auto ur = parseNumber(t.upper_right_x);
    const auto ul = parseNumber(t.upper_left_x);
    const auto width = parseNumber(t.pictureWidthTwips);
    if (!lr || !ll || !ur || !ul || !width)
        return;
    r.gridCheck = grid_check(*lr, *ll, *ur, *ul, *width);
    if (r.gridCheck) {
        r.debugLog << r.gridCheck->log;
        r.messages << r.gridCheck->messages;
    }
}

void conversionFailed(CompleteResult& r)
{
    r.verdict = CompleteVerdict::ConversionFailed;
    r.messages.append({QString::fromLatin1(kConversionFailedText), Icon::Error,
                       QString::fromLatin1(kErrorMessageTitle)});
}

} // namespace

CompleteResult completeSetup(const SetupScreenTexts& t, const CompleteSettings& settings,
                             GridStore& store, WorkingSet& ws, GridFlags& flags, const Clock& clock)
{
    CompleteResult r;
    const OperatorMessage notAll{QString::fromLatin1(kNotAllParametersText), Icon::Warning,
                                 QString::fromLatin1(kErrorMessageTitle)};

    // Step 2: placeholders still in the boxes.
    if (hasPlaceholder(t)) {
        r.verdict = CompleteVerdict::Incomplete;
        r.messages << notAll;
        appendBlockAndCheck(t, ws, clock, r);
        return r;
    }
    // Step 3: the check buoy was never picked (its x reads as 0, as an empty box does).
    if (leadingNumber(t.txtCheckXpix) == 0) {
        r.verdict = CompleteVerdict::CheckBuoyMissing;
        r.messages << OperatorMessage{QString::fromLatin1(kCheckBuoyMandatoryText), Icon::None,
                                      QString()}
                   << notAll;
        appendBlockAndCheck(t, ws, clock, r);
        return r;
    }
    // A text that is no number is an incomplete set-up too: never solve with it.
    SetupNumbers n;
    if (const auto problem = readNumbers(t, n)) {
        r.verdict = CompleteVerdict::NotANumber;
        r.messages << OperatorMessage{*problem, Icon::Warning,
                                      QString::fromLatin1(kErrorMessageTitle)};
        appendBlockAndCheck(t, ws, clock, r);
        return r;
    }
    // The boxes and the working set agree (the screen's edit rule keeps them so); make sure.
    for (int k = 1; k <= 4; ++k) {
        ws.buoyScreenX[k] = n.screenX[k];
        ws.buoyScreenY[k] = n.screenY[k];
        ws.buoySurveyX[k] = n.surveyX[k];
        ws.buoySurveyY[k] = n.surveyY[k];
    }
    ws.jumpSurveyX = n.jumpX;
    ws.jumpSurveyY = n.jumpY;
    ws.checkScreenX = n.checkXpix;
    ws.checkScreenY = n.checkYpix;
    ws.checkSurveyX = n.checkX;
    ws.checkSurveyY = n.checkY;

    // Step 4.
    r.debugLog << QStringLiteral("Record Grid Setup");
    r.accuracyEnabled = true;

    // Step 5.
    if (!solve_transform(ws)) {
        r.verdict = CompleteVerdict::NoUniqueSolution;
        r.messages << OperatorMessage{QString::fromLatin1(kNoUniqueSolutionText), Icon::Warning,
                                      QString::fromLatin1(kErrorMessageTitle)};
        appendBlockAndCheck(t, ws, clock, r);
        return r;
    }
    r.solved = true;
    r.coefficients = activeCoefficients(ws);

    // Step 6: the check buoy must land where the grid predicts it.
    const WorkingSet registersBefore = ws;
    ws.waterX = n.checkX;
    ws.waterY = n.checkY;
    r.debugLog << QStringLiteral("check buoy x = ") + t.txtCheckX
               << QStringLiteral("check buoy y = ") + t.txtCheckY;
    const auto picked = screen_to_water(ws);
    if (!water_to_screen(ws) || !picked) {
        ws = registersBefore;
        conversionFailed(r);
        return r;
    }
    r.checkEvaluated = true;
    r.predictedCheck = {ws.screenX, ws.screenY};
    r.debugLog << QStringLiteral("check buoy on screen x = ") + decimalText(picked->x)
               << QStringLiteral("check buoy on screen y = ") + decimalText(picked->y);
    r.checkValid = checkBuoyValidates(n.checkXpix, n.checkYpix, ws.screenX, ws.screenY);
    if (!r.checkValid) {
        r.verdict = CompleteVerdict::CheckBuoyInvalid;
        r.messages << OperatorMessage{QString::fromLatin1(kCheckBuoyInvalidText), Icon::None,
                                      QString()};
        r.debugLog << QStringLiteral("measured x: ") + t.txtCheckXpix +
                          QStringLiteral(" Actual: ") + decimalText(ws.screenX)
                   << QStringLiteral("measured y: ") + t.txtCheckYpix +
                          QStringLiteral(" Actual: ") + decimalText(ws.screenY);
        r.showCheckBuoyLabel = true;
        r.checkBuoyLabelLeft = ws.screenX + kTwipsPerPixel;
        r.checkBuoyLabelTop = ws.screenY - 105;
        r.redrawOverlay = true;
        return r;
    }

    // Step 7.
    r.fieldOfView = fieldOfView(ws, settings.allowInvalidSetup);
    if (!r.fieldOfView->converted) {
        conversionFailed(r);
        return r;
    }
    r.debugLog << r.fieldOfView->log;
    r.messages << r.fieldOfView->messages;
    if (r.fieldOfView->refused) {
        r.verdict = CompleteVerdict::FieldOfViewRefused;
        return r;
    }

    // Step 8.
    r.screenWidth = screenWidth(r.fieldOfView->leftX, r.fieldOfView->rightX, n.pictureWidth,
                                t.pictureWidthTwips, settings.allowInvalidSetup);
    r.debugLog << r.screenWidth->log;
    r.messages << r.screenWidth->messages;
    if (r.screenWidth->refused) {
        r.verdict = CompleteVerdict::ScreenWidthRefused;
        return r;
    }

    // Steps 9..12: the grid is accepted.
    r.verdict = CompleteVerdict::Accepted;
    r.readyIcon = true;
    const int N = n.grid;
    r.gridNumber = N;
    store.ready[N] = true;
    ws.currentGrid = N;
    r.debugLog << QStringLiteral("grid %1 OK and loaded - not saved").arg(N);
    store.gridDescription[N] = t.ipt_file_description;
    store.gridDescription2[N] = t.ipt_file_description_2;
    store.setup[N] = setupFromWorkingSet(ws, N);

    // Step 13.
    r.debugLog << QStringLiteral("Check if Setup OK");
    if (settings.numGrids == 3 && store.ready[1] && store.ready[2] && store.ready[3]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("3 grids - all loaded on OK");
    } else if (settings.numGrids == 2 && store.ready[1] && store.ready[2]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("2 grids - all loaded on OK");
    } else if (settings.numGrids == 1 && store.ready[1]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("1 grid - all loaded on OK");
    }
    r.debugLog << QStringLiteral(
        "If setup is OK there should be a message above this saying so otherwise - not OK");

    // Step 14.
    flags.surveyDirection = surveyDirectionFor(n.surveyX[UpperRight], n.surveyX[UpperLeft]);

    // Step 16.
    appendBlockAndCheck(t, ws, clock, r);
    return r;
}

} // namespace zelvan::grid
