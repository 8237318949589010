#include "app/Station.h"

#include "base/Clock.h"
#include "base/Numbers.h"
#include "base/Platform.h"
#include "base/StationFiles.h"
#include "grid/SetupScreenRules.h"

#include <QDir>
#include <QSettings>
#include <tuple>

namespace zelvan::app
{

namespace
{

bool same(const grid::Buoy& a, const grid::Buoy& b)
{
    return std::tie(a.screenX, a.screenY, a.surveyX, a.surveyY) ==
           std::tie(b.screenX, b.screenY, b.surveyX, b.surveyY);
}

bool same(const grid::GridSetup& a, const grid::GridSetup& b)
{
    for (size_t i = 0; i < a.buoy.size(); ++i)
        if (!same(a.buoy[i], b.buoy[i]))
            return false;
    return a.c == b.c &&
           std::tie(a.jumpX, a.jumpY, a.constant1, a.constant2, a.gridNumber, a.checkScreenX,
                    a.checkScreenY, a.checkSurveyX, a.checkSurveyY) ==
               std::tie(b.jumpX, b.jumpY, b.constant1, b.constant2, b.gridNumber, b.checkScreenX,
                        b.checkScreenY, b.checkSurveyX, b.checkSurveyY);
}

bool sameGrid(const grid::GridStore& a, const grid::GridStore& b, int n)
{
    return same(a.setup[n], b.setup[n]) && a.gridDescription[n] == b.gridDescription[n] &&
           a.gridDescription2[n] == b.gridDescription2[n] && a.ready[n] == b.ready[n];
}

bool same(const grid::WorkingSet& a, const grid::WorkingSet& b)
{
    return a.currentGrid == b.currentGrid && a.buoyScreenX == b.buoyScreenX &&
           a.buoyScreenY == b.buoyScreenY && a.buoySurveyX == b.buoySurveyX &&
           a.buoySurveyY == b.buoySurveyY && a.solveMatrix == b.solveMatrix &&
           std::tie(a.jumpSurveyX, a.jumpSurveyY, a.checkScreenX, a.checkScreenY, a.checkSurveyX,
                    a.checkSurveyY, a.screenX, a.screenY, a.waterX, a.waterY, a.jumpDistance) ==
               std::tie(b.jumpSurveyX, b.jumpSurveyY, b.checkScreenX, b.checkScreenY,
                        b.checkSurveyX, b.checkSurveyY, b.screenX, b.screenY, b.waterX, b.waterY,
                        b.jumpDistance);
}

bool same(const grid::GridFlags& a, const grid::GridFlags& b)
{
    return std::tie(a.allGridsReady, a.surveyDirection, a.gridLoadingFlag) ==
           std::tie(b.allGridsReady, b.surveyDirection, b.gridLoadingFlag);
}

bool isGridNumber(int grid)
{
    return grid >= 1 && grid <= 3;
}

// Sets `field` to `value` and emits `changed` only when that is a change.
template <class T, class Signal>
void assign(Station* station, T& field, const T& value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    emit(station->*changed)();
}

} // namespace

Station::Station(const Clock& clock, QObject* parent)
    : Station(clock, platform::openSettingsStore(), platform::stationFolder(),
              platform::zqioFolder(), parent)
{
}

Station::Station(const Clock& clock, std::unique_ptr<QSettings> settingsStore,
                 const QString& stationFolder, const QString& zqioFolder, QObject* parent)
    : QObject(parent), clock_(clock), stationFolder_(stationFolder), zqioFolder_(zqioFolder),
      settings_(std::move(settingsStore)), debugLog_(clock, zqioFolder)
{
}

Station::~Station() = default;

QString Station::currentCapturePath() const
{
    return QDir(stationFolder_).filePath(QLatin1String(kCurrentCaptureName));
}

void Station::showScreen(Screen screen)
{
    if (currentScreen_ == screen)
        return;
    screenBeneath_.reset();
    currentScreen_ = screen;
    emit screenRequested(screen);
}

void Station::showScreenOver(Screen screen, Screen beneath)
{
    if (currentScreen_ == screen)
        return;
    screenBeneath_ = beneath == screen ? std::nullopt : std::optional<Screen>(beneath);
    currentScreen_ = screen;
    emit screenRequested(screen);
}

void Station::setNavigationMode(const QString& mode)
{
    assign(this, navigationMode_, mode, &Station::navigationModeChanged);
}

Station::TournamentType Station::tournamentType() const
{
    if (mirror_.barefootMode)
        return TournamentType::Barefoot;
    if (mirror_.sitSkiMode)
        return TournamentType::SitSki;
    return TournamentType::Normal;
}

void Station::setNumGrids(double numGrids)
{
    assign(this, mirror_.numGrids, numGrids, &Station::numGridsChanged);
    recheckAllGridsReady();
}

void Station::setRightToLeft(bool rightToLeft)
{
    assign(this, mirror_.rightToLeft, rightToLeft, &Station::rightToLeftChanged);
}

void Station::setBoxLineOff(bool boxLineOff)
{
    assign(this, mirror_.boxLineOff, boxLineOff, &Station::boxLineOffChanged);
}

void Station::setBuoyMarker(const QString& buoyMarker)
{
    assign(this, mirror_.buoyMarker, buoyMarker, &Station::buoyMarkerChanged);
}

void Station::setLabelColor(const QString& name, int value)
{
    if (mirror_.labelColorName == name && mirror_.labelColorValue == value)
        return;
    mirror_.labelColorName = name;
    mirror_.labelColorValue = value;
    emit labelColorChanged();
}

void Station::setImpactColorValue(int value)
{
    assign(this, mirror_.impactColorValue, value, &Station::impactColorChanged);
}

void Station::setTournamentType(TournamentType type)
{
    if (tournamentType() == type)
        return;
    mirror_.barefootMode = type == TournamentType::Barefoot;
    mirror_.sitSkiMode = type == TournamentType::SitSki;
    emit tournamentTypeChanged();
}

void Station::setWstims(bool on)
{
    assign(this, mirror_.wstims, on, &Station::wstimsChanged);
}

void Station::setPictureSaveMode(const QString& mode)
{
    assign(this, mirror_.pictureSaveMode, mode, &Station::pictureSaveModeChanged);
}

void Station::setVideoSaveMode(const QString& mode)
{
    assign(this, mirror_.videoSaveMode, mode, &Station::videoSaveModeChanged);
}

void Station::setTournamentName(const QString& name)
{
    assign(this, mirror_.tournamentName, name, &Station::tournamentNameChanged);
}

void Station::setResultsFilePath(const QString& path)
{
    assign(this, mirror_.resultsFilePath, path, &Station::resultsFilePathChanged);
}

void Station::setCapturesPath(const QString& path)
{
    assign(this, mirror_.capturesPath, path, &Station::capturesPathChanged);
}

void Station::setSetupFilesPath(const QString& path)
{
    assign(this, mirror_.setupFilesPath, path, &Station::setupFilesPathChanged);
}

void Station::setPictureFormat(const QString& extension, const QString& formatCode)
{
    if (mirror_.pictureExtension == extension && mirror_.pictureFormatCode == formatCode)
        return;
    mirror_.pictureExtension = extension;
    mirror_.pictureFormatCode = formatCode;
    emit pictureFormatChanged();
}

void Station::setMirror(const SettingsMirror& next)
{
    setNumGrids(next.numGrids);
    setRightToLeft(next.rightToLeft);
    setBoxLineOff(next.boxLineOff);
    setBuoyMarker(next.buoyMarker);
    setLabelColor(next.labelColorName, next.labelColorValue);
    setImpactColorValue(next.impactColorValue);
    // The mirror never holds both types; barefoot wins as its box does.
    setTournamentType(next.barefootMode ? TournamentType::Barefoot
                      : next.sitSkiMode ? TournamentType::SitSki
                                        : TournamentType::Normal);
    setWstims(next.wstims);
    setPictureSaveMode(next.pictureSaveMode);
    setVideoSaveMode(next.videoSaveMode);
    setTournamentName(next.tournamentName);
    setResultsFilePath(next.resultsFilePath);
    setCapturesPath(next.capturesPath);
    setSetupFilesPath(next.setupFilesPath);
    setPictureFormat(next.pictureExtension, next.pictureFormatCode);
}

Status Station::loadSettingsMirror(const QDateTime& today)
{
    SettingsMirror next = mirror_;
    Status status = app::loadSettingsMirror(settings_, next, videoDirectory_, today);
    setMirror(next);
    return status;
}

void Station::setAllowInvalidSetup(bool allowed)
{
    assign(this, allowInvalidSetup_, allowed, &Station::allowInvalidSetupChanged);
}

bool Station::gridReady(int grid) const
{
    return isGridNumber(grid) && grids_.ready[grid];
}

QString Station::gridFile(int grid) const
{
    return isGridNumber(grid) ? grids_.gridDescription[grid] : QString();
}

QString Station::gridDescription(int grid) const
{
    return isGridNumber(grid) ? grids_.gridDescription2[grid] : QString();
}

Station::GridIndicator Station::gridIndicator(int grid) const
{
    return isGridNumber(grid) ? gridIndicators_[grid] : GridIndicator{};
}

void Station::setGridIndicator(int grid, const GridIndicator& indicator)
{
    if (!isGridNumber(grid) || gridIndicators_[grid] == indicator)
        return;
    gridIndicators_[grid] = indicator;
    emit gridIndicatorChanged(grid);
}

void Station::setGridReady(int grid, bool ready)
{
    if (isGridNumber(grid))
        changeGrids([&](grid::GridStore& s, grid::WorkingSet&, grid::GridFlags&) {
            s.ready[grid] = ready;
        });
}

void Station::setGridFile(int grid, const QString& path)
{
    if (isGridNumber(grid))
        changeGrids([&](grid::GridStore& s, grid::WorkingSet&, grid::GridFlags&) {
            s.gridDescription[grid] = path;
        });
}

void Station::setGridDescription(int grid, const QString& description)
{
    if (isGridNumber(grid))
        changeGrids([&](grid::GridStore& s, grid::WorkingSet&, grid::GridFlags&) {
            s.gridDescription2[grid] = description;
        });
}

void Station::setCurrentGrid(double grid)
{
    changeGrids(
        [&](grid::GridStore&, grid::WorkingSet& w, grid::GridFlags&) { w.currentGrid = grid; });
}

void Station::setAllGridsReady(double ready)
{
    changeGrids(
        [&](grid::GridStore&, grid::WorkingSet&, grid::GridFlags& f) { f.allGridsReady = ready; });
}

void Station::recheckAllGridsReady()
{
    setAllGridsReady(grid::allConfiguredReady(grids_, int(mirror_.numGrids)) ? 1.0 : 0.0);
}

void Station::setGridLoadingFlag(bool loading)
{
    changeGrids([&](grid::GridStore&, grid::WorkingSet&, grid::GridFlags& f) {
        f.gridLoadingFlag = loading;
    });
}

Station::GridState Station::gridState() const
{
    return GridState{grids_, work_, gridFlags_};
}

void Station::signalGridChanges(const GridState& before)
{
    for (int n = 1; n <= 3; ++n)
        if (!sameGrid(before.grids, grids_, n))
            emit gridChanged(n);
    if (!same(before.work, work_))
        emit workingSetChanged();
    if (!same(before.flags, gridFlags_))
        emit gridFlagsChanged();
}

void Station::setPictureSize(double widthTwips, double heightTwips)
{
    if (pictureWidthTwips_ == widthTwips && pictureHeightTwips_ == heightTwips)
        return;
    pictureWidthTwips_ = widthTwips;
    pictureHeightTwips_ = heightTwips;
    emit pictureSizeChanged();
}

void Station::setSkierNames(const QStringList& names)
{
    assign(this, skierNames_, names, &Station::skierNamesChanged);
}

void Station::setMeasureSkierName(const QString& name)
{
    assign(this, measureSkierName_, name, &Station::measureSkierNameChanged);
}

void Station::setMeasureJumpNumber(const QString& jumpNumber)
{
    assign(this, measureJumpNumber_, jumpNumber, &Station::measureJumpNumberChanged);
}

void Station::setCaptureSkierName(const QString& name)
{
    assign(this, captureSkierName_, name, &Station::captureSkierNameChanged);
}

Status Station::setVideoDirectory(const QString& text)
{
    assign(this, videoDirectory_, withoutTrailingSeparator(text.trimmed()),
           &Station::videoDirectoryChanged);
    return settings_.write(QLatin1String(key::logpath), videoDirectory_);
}

void Station::clearVideoDirectory()
{
    assign(this, videoDirectory_, QString(), &Station::videoDirectoryChanged);
}

void Station::setPreviewOn(bool on)
{
    assign(this, previewOn_, on, &Station::previewOnChanged);
}

void Station::setSelectedVideoFile(const QString& path)
{
    assign(this, selectedVideoFile_, path, &Station::selectedVideoFileChanged);
}

void Station::setSelectedFrame(double frame)
{
    assign(this, selectedFrame_, frame, &Station::selectedFrameChanged);
}

void Station::setCapturePicturePass(const PicturePass& pass)
{
    setSelectedVideoFile(pass.video);
    setSelectedFrame(pass.frame);
    assign(this, capturePicturePass_, pass, &Station::capturePicturePassChanged);
}

void Station::setContactFrameHint(double frame)
{
    assign(this, contactFrameHint_, frame, &Station::contactFrameHintChanged);
}

void Station::setVideoFileToView(const QString& path)
{
    assign(this, videoFileToView_, path, &Station::videoFileToViewChanged);
}

void Station::setCapturedVideoFile(const QString& path)
{
    assign(this, capturedVideoFile_, path, &Station::capturedVideoFileChanged);
}

void Station::setCaptureNameWarning(bool shown)
{
    assign(this, captureNameWarning_, shown, &Station::captureNameWarningChanged);
}

void Station::setCaptureAttemptNumber(const QString& attempt)
{
    assign(this, captureAttemptNumber_, attempt, &Station::captureAttemptNumberChanged);
}

void Station::releaseVideo()
{
    emit videoReleaseRequested();
}

void Station::setPictureToView(const QString& path)
{
    assign(this, pictureToView_, path, &Station::pictureToViewChanged);
}

void Station::fixSessionLogFileName()
{
    assign(this, sessionLogFileName_, SessionLog::fileNameFor(clock_.now()),
           &Station::sessionLogFileNameChanged);
}

Status Station::startSessionLog()
{
    fixSessionLogFileName();
    Status line;
    if (!videoDirectory_.isEmpty())
        line = sessionLog().writeSessionStart();
    return firstFailure(line, settings_.write(QLatin1String(key::logfile), sessionLogFileName_));
}

SessionLog Station::sessionLog() const
{
    return SessionLog(clock_, videoDirectory_, sessionLogFileName_);
}

} // namespace zelvan::app
