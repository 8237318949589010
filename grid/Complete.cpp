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

// Reads every box; on the first text that is not a number, fails with the message naming it.
Result<SetupNumbers> readNumbers(const SetupScreenTexts& t)
{
    SetupNumbers n;
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
            return fail(QStringLiteral("The entry \"%1\" for %2 is not a number - Re-enter data")
                            .arg(*f.text, QLatin1String(f.name)));
        *f.target = *value;
    }
    if (!(n.pictureWidth > 0))
        return fail(
            QStringLiteral("The picture width \"%1\" is not a positive number - Re-enter data")
                .arg(t.pictureWidthTwips));
    const QString caption = t.grid_select;
    const double grid = leadingNumber(caption.mid(caption.lastIndexOf(QLatin1Char(' ')) + 1));
    if (!caption.startsWith(QLatin1String("Grid ")) || (grid != 1 && grid != 2 && grid != 3))
        return fail(
            QStringLiteral("The grid \"%1\" is not Grid 1, Grid 2 or Grid 3 - Re-enter data")
                .arg(caption));
    n.grid = static_cast<int>(grid);
    return n;
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

// The set-up block and the front/back ratios, written whatever the verdict. The ratios need the
// four x boxes as numbers; with a placeholder still in one of them there is nothing to compute.
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
    if (const auto ratios = grid_check(*lr, *ll, *ur, *ul, *width)) {
        r.gridCheck = *ratios;
        r.debugLog << ratios->log;
        r.messages << ratios->messages;
    }
}

void conversionFailed(CompleteResult& r)
{
    r.verdict = CompleteVerdict::ConversionFailed;
    r.messages.append({QString::fromLatin1(kConversionFailedText), Icon::Error,
                       QString::fromLatin1(kErrorMessageTitle)});
}

OperatorMessage notAllParameters()
{
    return {QString::fromLatin1(kNotAllParametersText), Icon::Warning,
            QString::fromLatin1(kErrorMessageTitle)};
}

// A set-up refused before its grid was accepted: the verdict, the messages, and the set-up
// block and ratios that are written anyway.
CompleteResult refused(CompleteVerdict verdict, const OperatorMessages& messages,
                       const SetupScreenTexts& t, const WorkingSet& ws, const Clock& clock,
                       CompleteResult r = {})
{
    r.verdict = verdict;
    r.messages << messages;
    appendBlockAndCheck(t, ws, clock, r);
    return r;
}

// The boxes and the working set agree (the screen's edit rule keeps them so); make sure.
void copyIntoWorkingSet(const SetupNumbers& n, WorkingSet& ws)
{
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
}

// The check buoy must land where the grid predicts it. False: the set-up stops here (the
// verdict and what the screen shows are in r).
bool checkBuoyLands(const SetupScreenTexts& t, const SetupNumbers& n, WorkingSet& ws,
                    CompleteResult& r)
{
    const WorkingSet registersBefore = ws;
    ws.waterX = n.checkX;
    ws.waterY = n.checkY;
    r.debugLog << QStringLiteral("check buoy x = ") + t.txtCheckX
               << QStringLiteral("check buoy y = ") + t.txtCheckY;
    const auto picked = screen_to_water(ws);
    if (!water_to_screen(ws) || !picked) {
        ws = registersBefore;
        conversionFailed(r);
        return false;
    }
    r.checkEvaluated = true;
    r.predictedCheck = {ws.screenX, ws.screenY};
    r.debugLog << QStringLiteral("check buoy on screen x = ") + decimalText(picked->x)
               << QStringLiteral("check buoy on screen y = ") + decimalText(picked->y);
    r.checkValid = checkBuoyValidates(n.checkXpix, n.checkYpix, ws.screenX, ws.screenY);
    if (r.checkValid)
        return true;
    r.verdict = CompleteVerdict::CheckBuoyInvalid;
    r.messages << OperatorMessage{QString::fromLatin1(kCheckBuoyInvalidText), Icon::None,
                                  QString()};
    r.debugLog << QStringLiteral("measured x: ") + t.txtCheckXpix + QStringLiteral(" Actual: ") +
                      decimalText(ws.screenX)
               << QStringLiteral("measured y: ") + t.txtCheckYpix + QStringLiteral(" Actual: ") +
                      decimalText(ws.screenY);
    r.showCheckBuoyLabel = true;
    r.checkBuoyLabelLeft = ws.screenX + kTwipsPerPixel;
    r.checkBuoyLabelTop = ws.screenY - 105;
    r.redrawOverlay = true;
    return false;
}

// The field of view and the share of the picture width. False: the set-up stops here.
bool viewIsAcceptable(const SetupScreenTexts& t, const SetupNumbers& n,
                      const CompleteSettings& settings, const WorkingSet& ws, CompleteResult& r)
{
    r.fieldOfView = fieldOfView(ws, settings.allowInvalidSetup);
    if (!r.fieldOfView->converted) {
        conversionFailed(r);
        return false;
    }
    r.debugLog << r.fieldOfView->log;
    r.messages << r.fieldOfView->messages;
    if (r.fieldOfView->refused) {
        r.verdict = CompleteVerdict::FieldOfViewRefused;
        return false;
    }
    r.screenWidth = screenWidth(r.fieldOfView->leftX, r.fieldOfView->rightX, n.pictureWidth,
                                t.pictureWidthTwips, settings.allowInvalidSetup);
    r.debugLog << r.screenWidth->log;
    r.messages << r.screenWidth->messages;
    if (r.screenWidth->refused) {
        r.verdict = CompleteVerdict::ScreenWidthRefused;
        return false;
    }
    return true;
}

// allGridsReady once grids 1..numGrids are all ready.
void checkAllGridsReady(int numGrids, const GridStore& store, GridFlags& flags, CompleteResult& r)
{
    r.debugLog << QStringLiteral("Check if Setup OK");
    if (numGrids == 3 && store.ready[1] && store.ready[2] && store.ready[3]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("3 grids - all loaded on OK");
    } else if (numGrids == 2 && store.ready[1] && store.ready[2]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("2 grids - all loaded on OK");
    } else if (numGrids == 1 && store.ready[1]) {
        flags.allGridsReady = 1.0;
        r.debugLog << QStringLiteral("1 grid - all loaded on OK");
    }
    r.debugLog << QStringLiteral(
        "If setup is OK there should be a message above this saying so otherwise - not OK");
}

// The grid is accepted: grid N becomes ready and current and is stored with its descriptions.
void acceptGrid(const SetupScreenTexts& t, const SetupNumbers& n, GridStore& store, WorkingSet& ws,
                CompleteResult& r)
{
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
}

} // namespace

CompleteResult completeSetup(const SetupScreenTexts& t, const CompleteSettings& settings,
                             GridStore& store, WorkingSet& ws, GridFlags& flags, const Clock& clock)
{
    if (hasPlaceholder(t))
        return refused(CompleteVerdict::Incomplete, {notAllParameters()}, t, ws, clock);
    // The check buoy was never picked (its x reads as 0, as an empty box does).
    if (leadingNumber(t.txtCheckXpix) == 0)
        return refused(
            CompleteVerdict::CheckBuoyMissing,
            {OperatorMessage{QString::fromLatin1(kCheckBuoyMandatoryText), Icon::None, QString()},
             notAllParameters()},
            t, ws, clock);
    // A text that is no number is an incomplete set-up too: never solve with it.
    const auto numbers = readNumbers(t);
    if (!numbers)
        return refused(CompleteVerdict::NotANumber,
                       {OperatorMessage{numbers.error(), Icon::Warning,
                                        QString::fromLatin1(kErrorMessageTitle)}},
                       t, ws, clock);
    const SetupNumbers& n = *numbers;
    copyIntoWorkingSet(n, ws);

    // From here on the set-up is recorded and the accuracy check is offered.
    CompleteResult r;
    r.debugLog << QStringLiteral("Record Grid Setup");
    r.accuracyEnabled = true;
    if (!solve_transform(ws))
        return refused(CompleteVerdict::NoUniqueSolution,
                       {OperatorMessage{QString::fromLatin1(kNoUniqueSolutionText), Icon::Warning,
                                        QString::fromLatin1(kErrorMessageTitle)}},
                       t, ws, clock, r);
    r.solved = true;
    r.coefficients = activeCoefficients(ws);
    if (!checkBuoyLands(t, n, ws, r) || !viewIsAcceptable(t, n, settings, ws, r))
        return r;

    acceptGrid(t, n, store, ws, r);
    checkAllGridsReady(settings.numGrids, store, flags, r);
    flags.surveyDirection = surveyDirectionFor(n.surveyX[UpperRight], n.surveyX[UpperLeft]);
    appendBlockAndCheck(t, ws, clock, r);
    return r;
}

} // namespace zelvan::grid
