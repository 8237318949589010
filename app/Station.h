#pragma once
// The one object holding the station's program-wide state. main() creates it and passes it by
// reference to every screen; a test builds a fresh one over temporary folders.
//
// Screens never change each other's widgets: they change Station state through the methods
// below, each of which emits one signal naming what changed (and nothing when the value is
// the one already held), and whoever shows that state follows the signal.
#include "app/DebugLog.h"
#include "app/SessionLog.h"
#include "app/SettingsMirror.h"
#include "app/SettingsStore.h"
#include "base/Clock.h"
#include "base/Result.h"
#include "grid/GridModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <type_traits>

class QSettings;

namespace zelvan::app
{

class Station : public QObject
{
    Q_OBJECT

public:
    // The screens the navigator shows one at a time.
    enum class Screen { Main, Config, GridSetup, Measure, Capture, FrameSelection, Manual };
    Q_ENUM(Screen)
    enum class TournamentType { Normal, Barefoot, SitSki };
    Q_ENUM(TournamentType)

    // Folders and store of the platform (station folder, zqio, settings store).
    explicit Station(const Clock& clock, QObject* parent = nullptr);
    // Explicit folders and store, for tests and portable use.
    Station(const Clock& clock, std::unique_ptr<QSettings> settingsStore,
            const QString& stationFolder, const QString& zqioFolder, QObject* parent = nullptr);
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // --- Fixed for the run -------------------------------------------------------------
    const Clock& clock() const { return clock_; }
    QString stationFolder() const { return stationFolder_; } // pictures, names file, manual
    // The picture taken for measuring or set-up, in the station folder.
    QString currentCapturePath() const;
    QString zqioFolder() const { return zqioFolder_; } // WSTIMS interface, debug log
    // The persistent parameters. Writing a setting is not shared state: the mirror below is.
    SettingsStore& settings() { return settings_; }
    const SettingsStore& settings() const { return settings_; }
    // StartDebugLog / WriteDebugLog for every screen.
    DebugLog& debugLog() { return debugLog_; }

    // --- Navigation --------------------------------------------------------------------
    Screen currentScreen() const { return currentScreen_; }
    // Asks for `screen` to be shown and the others hidden (screenRequested).
    void showScreen(Screen screen);
    // Asks for `screen` to be shown over `beneath`, which stays shown under it; the others are
    // hidden. The next showScreen hides `beneath` with the rest.
    void showScreenOver(Screen screen, Screen beneath);
    // The screen left shown under the current one, if any.
    std::optional<Screen> screenBeneath() const { return screenBeneath_; }
    QString navigationMode() const { return navigationMode_; }
    void setNavigationMode(const QString& mode);

    // --- Settings mirror ---------------------------------------------------------------
    const SettingsMirror& mirror() const { return mirror_; }
    double numGrids() const { return mirror_.numGrids; }
    bool rightToLeft() const { return mirror_.rightToLeft; }
    bool boxLineOff() const { return mirror_.boxLineOff; }
    QString buoyMarker() const { return mirror_.buoyMarker; }
    QString labelColorName() const { return mirror_.labelColorName; }
    int labelColorValue() const { return mirror_.labelColorValue; }
    int impactColorValue() const { return mirror_.impactColorValue; }
    TournamentType tournamentType() const;
    bool barefootMode() const { return mirror_.barefootMode; }
    bool sitSkiMode() const { return mirror_.sitSkiMode; }
    bool wstims() const { return mirror_.wstims; }
    QString pictureSaveMode() const { return mirror_.pictureSaveMode; }
    QString videoSaveMode() const { return mirror_.videoSaveMode; }
    QString tournamentName() const { return mirror_.tournamentName; }
    QString resultsFilePath() const { return mirror_.resultsFilePath; }
    QString capturesPath() const { return mirror_.capturesPath; }
    QString setupFilesPath() const { return mirror_.setupFilesPath; }
    QString pictureExtension() const { return mirror_.pictureExtension; }
    QString pictureFormatCode() const { return mirror_.pictureFormatCode; }

    // Each sets the mirror only; config:: actions also store the setting. A new grid count
    // also settles allGridsReady (more grids configured means more grids to set up).
    void setNumGrids(double numGrids);
    void setRightToLeft(bool rightToLeft);
    void setBoxLineOff(bool boxLineOff);
    void setBuoyMarker(const QString& buoyMarker);
    // Name and value change together; the name "default" comes with the value kept.
    void setLabelColor(const QString& name, int value);
    void setImpactColorValue(int value);
    void setTournamentType(TournamentType type);
    void setWstims(bool on);
    void setPictureSaveMode(const QString& mode);
    void setVideoSaveMode(const QString& mode);
    void setTournamentName(const QString& name);
    void setResultsFilePath(const QString& path);
    void setCapturesPath(const QString& path);
    void setSetupFilesPath(const QString& path);
    void setPictureFormat(const QString& extension, const QString& formatCode);
    // Every field of `next` through its own setter: one signal per field that changed.
    void setMirror(const SettingsMirror& next);
    // The configuration screen's load of the mirror (loadSettingsMirror) from the store and
    // the current save-video folder.
    Status loadSettingsMirror(const QDateTime& today);

    // --- Switches of the configuration screen that other screens read -------------------
    bool allowInvalidSetup() const { return allowInvalidSetup_; } // not stored; clear at start
    void setAllowInvalidSetup(bool allowed);

    // --- Grids -------------------------------------------------------------------------
    const grid::GridStore& gridStore() const { return grids_; }
    const grid::WorkingSet& workingSet() const { return work_; }
    const grid::GridFlags& gridFlags() const { return gridFlags_; }
    double currentGrid() const { return work_.currentGrid; }
    double allGridsReady() const { return gridFlags_.allGridsReady; }
    double surveyDirection() const { return gridFlags_.surveyDirection; }
    bool gridLoadingFlag() const { return gridFlags_.gridLoadingFlag; }
    // Grid 1..3: ready (grid1Ready..), its file (the first description) and its descriptive
    // line (the second description).
    bool gridReady(int grid) const;
    QString gridFile(int grid) const;
    QString gridDescription(int grid) const;

    void setGridReady(int grid, bool ready);
    void setGridFile(int grid, const QString& path);
    void setGridDescription(int grid, const QString& description);
    void setCurrentGrid(double grid);
    void setAllGridsReady(double ready);
    // allGridsReady from the grids themselves: 1.0 when grids 1..numGrids are all ready, else 0.
    // The one place it is worked out again after the grid count or a grid changed.
    void recheckAllGridsReady();
    void setGridLoadingFlag(bool loading);
    // The main screen's indicator of grid 1..3: its status picture ("SmallSmiley.jpg" when
    // `fileFound`, else "SmallCaution.jpg") and its description box, as the configuration
    // load, "Complete", the grid files and the edit rule of the set-up screen leave them.
    struct GridIndicator {
        bool fileFound = false;
        QString description;
        bool operator==(const GridIndicator& other) const
        {
            return fileFound == other.fileFound && description == other.description;
        }
    };
    GridIndicator gridIndicator(int grid) const;
    void setGridIndicator(int grid, const GridIndicator& indicator);
    // Runs a grid procedure (grid load, Complete, a conversion ...) on the grid store, the
    // working set and the flags, then signals what it changed: gridChanged(n) once for each
    // grid whose set-up, descriptions or ready state differ, workingSetChanged() and
    // gridFlagsChanged() once each when they differ. Gives back what the procedure returns.
    template <class Change> auto changeGrids(Change&& change);

    // --- Pictures ----------------------------------------------------------------------
    // The set-up picture's size in twips; 12000 x 9000 until a picture is shown.
    double pictureWidthTwips() const { return pictureWidthTwips_; }
    double pictureHeightTwips() const { return pictureHeightTwips_; }
    void setPictureSize(double widthTwips, double heightTwips);

    // --- Skiers ------------------------------------------------------------------------
    // The measurement screen's skier list (Skier_name), loaded on leaving the configuration.
    QStringList skierNames() const { return skierNames_; }
    void setSkierNames(const QStringList& names);
    // The measurement screen's skier name and jump number as other screens set them.
    QString measureSkierName() const { return measureSkierName_; }
    QString measureJumpNumber() const { return measureJumpNumber_; }
    void setMeasureSkierName(const QString& name);
    void setMeasureJumpNumber(const QString& jumpNumber);
    // The capture screen's skier name as the names import or the skier picker set it.
    QString captureSkierName() const { return captureSkierName_; }
    void setCaptureSkierName(const QString& name);

    // --- Video -------------------------------------------------------------------------
    // Save-video folder without a trailing separator; also the session log's folder.
    QString videoDirectory() const { return videoDirectory_; }
    QString sessionLogFileName() const { return sessionLogFileName_; }
    bool previewOn() const { return previewOn_; }
    QString selectedVideoFile() const { return selectedVideoFile_; } // video taken for measuring
    double selectedFrame() const { return selectedFrame_; }          // its frame taken
    double contactFrameHint() const { return contactFrameHint_; }    // frame opened near
    QString videoFileToView() const { return videoFileToView_; }     // from the video log
    // The pass the capture screen has just recorded, for the frame selection screen.
    QString capturedVideoFile() const { return capturedVideoFile_; }
    // The capture screen's skier-name warning (Label4) is up: it appended "X" to the name
    // (captureSkierName) so as not to overwrite a pass; the frame selection screen offers the
    // fix and clears it.
    bool captureNameWarning() const { return captureNameWarning_; }
    // The capture screen's attempt number (txtPass) as it shows it.
    QString captureAttemptNumber() const { return captureAttemptNumber_; }
    // The contact picture chosen in the picture log, for the measurement screen.
    QString pictureToView() const { return pictureToView_; }
    // The pass the capture picture (currentcapture.bmp) shows: the skier and attempt it is of,
    // and the video and frame it was taken from (no video for a live still). Saving the picture
    // names it after this pass, not after whatever the name boxes say by then.
    struct PicturePass {
        QString video;
        double frame = 0;
        QString skier;
        QString attempt;
        bool operator==(const PicturePass& other) const
        {
            return video == other.video && frame == other.frame && skier == other.skier &&
                   attempt == other.attempt;
        }
    };
    PicturePass capturePicturePass() const { return capturePicturePass_; }

    // A new save-video folder as typed or chosen: `videoDirectory` takes it trimmed, without
    // one trailing separator, and it is stored as `logpath` at once.
    Status setVideoDirectory(const QString& text);
    // The folder is left empty while start-up asks for one.
    void clearVideoDirectory();
    void setPreviewOn(bool on);
    void setSelectedVideoFile(const QString& path);
    void setSelectedFrame(double frame);
    void setContactFrameHint(double frame);
    void setVideoFileToView(const QString& path);
    void setCapturedVideoFile(const QString& path);
    void setCaptureNameWarning(bool shown);
    void setCaptureAttemptNumber(const QString& attempt);
    // Asks whoever holds a video open (the frame selection screen's player) to release it,
    // before a video policy moves or deletes it (videoReleaseRequested).
    void releaseVideo();
    void setPictureToView(const QString& path);
    // A frame of a pass was written as the capture picture. Its video and frame become the pass
    // measured (selectedVideoFile, selectedFrame), the one the video policy acts on: none for a
    // live still, so no pass recorded earlier is kept, logged or deleted for it.
    void setCapturePicturePass(const PicturePass& pass);

    // Fixes `sessionLogFileName` from today's date; called once at start-up.
    void fixSessionLogFileName();
    // Start-up's session log step: fixes the name, appends the session start line in the
    // save-video folder (when one is set) and stores the name as `logfile`. The first failure
    // of the line or the setting is the result.
    Status startSessionLog();
    // The session log in the current save-video folder under the fixed name.
    SessionLog sessionLog() const;

signals:
    void screenRequested(zelvan::app::Station::Screen screen);
    void navigationModeChanged();
    void numGridsChanged();
    void rightToLeftChanged();
    void boxLineOffChanged();
    void buoyMarkerChanged();
    void labelColorChanged();
    void impactColorChanged();
    void tournamentTypeChanged();
    void wstimsChanged();
    void pictureSaveModeChanged();
    void videoSaveModeChanged();
    void tournamentNameChanged();
    void resultsFilePathChanged();
    void capturesPathChanged();
    void setupFilesPathChanged();
    void pictureFormatChanged();
    void allowInvalidSetupChanged();
    void gridChanged(int grid); // 1..3
    void workingSetChanged();
    void gridFlagsChanged();
    void gridIndicatorChanged(int grid); // 1..3
    void pictureSizeChanged();
    void skierNamesChanged();
    void measureSkierNameChanged();
    void measureJumpNumberChanged();
    void captureSkierNameChanged();
    void videoDirectoryChanged();
    void sessionLogFileNameChanged();
    void previewOnChanged();
    void selectedVideoFileChanged();
    void selectedFrameChanged();
    void contactFrameHintChanged();
    void videoFileToViewChanged();
    void capturedVideoFileChanged();
    void captureNameWarningChanged();
    void captureAttemptNumberChanged();
    void videoReleaseRequested();
    void pictureToViewChanged();
    void capturePicturePassChanged();

private:
    struct GridState {
        grid::GridStore grids;
        grid::WorkingSet work;
        grid::GridFlags flags;
    };
    GridState gridState() const;
    void signalGridChanges(const GridState& before);

    const Clock& clock_;
    const QString stationFolder_;
    const QString zqioFolder_;
    SettingsStore settings_;
    DebugLog debugLog_;

    Screen currentScreen_ = Screen::Main;
    std::optional<Screen> screenBeneath_;
    QString navigationMode_;
    SettingsMirror mirror_;
    bool allowInvalidSetup_ = false;

    grid::GridStore grids_;
    grid::WorkingSet work_;
    grid::GridFlags gridFlags_;
    GridIndicator gridIndicators_[4]; // 1..3

    double pictureWidthTwips_ = 12000;
    double pictureHeightTwips_ = 9000;

    QStringList skierNames_;
    QString measureSkierName_;
    QString measureJumpNumber_;
    QString captureSkierName_;

    QString videoDirectory_;
    QString sessionLogFileName_;
    bool previewOn_ = false;
    QString selectedVideoFile_;
    double selectedFrame_ = 0;
    double contactFrameHint_ = 0;
    QString videoFileToView_;
    QString capturedVideoFile_;
    bool captureNameWarning_ = false;
    QString captureAttemptNumber_ = QStringLiteral("1");
    QString pictureToView_;
    PicturePass capturePicturePass_;
};

template <class Change> auto Station::changeGrids(Change&& change)
{
    const GridState before = gridState();
    if constexpr (std::is_void_v<std::invoke_result_t<Change&, grid::GridStore&, grid::WorkingSet&,
                                                      grid::GridFlags&>>) {
        change(grids_, work_, gridFlags_);
        signalGridChanges(before);
    } else {
        auto result = change(grids_, work_, gridFlags_);
        signalGridChanges(before);
        return result;
    }
}

} // namespace zelvan::app
