#pragma once
// The accuracy display of the set-up screen: the "Accuracy " and "Display" option frames, the
// 49 mesh indicators and the seven skier path line numbers placed on the picture, and the
// accuracy check that fills them. The computation is grid/Accuracy; this class shows it.
#include "app/Station.h"
#include "base/Dialogs.h"
#include "grid/Accuracy.h"
#include "grid/SetupScreenTexts.h"

#include <QList>
#include <QObject>
#include <functional>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace zelvan::widgets
{
class PictureCanvas;
} // namespace zelvan::widgets

namespace zelvan::grid::ui
{

class AccuracyPanel : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIndicatorCount = 49; // AccuracyIndicator(0..48), k = 7 h + r
    static constexpr int kLineLabelCount = 7;  // LineLabel(0..6)

    AccuracyPanel(app::Station& station, Dialogs& dialogs, widgets::PictureCanvas& canvas,
                  QObject* parent = nullptr);

    // fmAccuracyDisplay and fmAccuracyConfig, for the screen's layout to take.
    QGroupBox* displayFrame() const { return displayFrame_; }
    QGroupBox* configFrame() const { return configFrame_; }

    AccuracyMode mode() const;
    AccuracyDisplay display() const;

    // A ready grid shows fmAccuracyDisplay (and fmAccuracyConfig in Advanced mode); a grid
    // that is not ready hides both and clears the indicators.
    void setAvailable(bool available);
    // clear_accuracy_indicator: hides every indicator.
    void clearIndicators();

    // btnAccuracyCheck: the check of the active grid as the boxes show it; drawOverlay draws
    // the grid's markers at the end (Show_grid).
    void runCheck(const SetupScreenTexts& texts, const std::function<void()>& drawOverlay);

private:
    QGroupBox* buildDisplayFrame();
    QGroupBox* buildConfigFrame();
    QColor labelColour() const;
    void appendToFile(const QStringList& lines);
    void placeIndicators(const AccuracyResult& result);
    void chooseSkierPath(const AccuracyMesh& mesh);

    app::Station& station_;
    Dialogs& dialogs_;
    widgets::PictureCanvas& canvas_;
    QGroupBox* displayFrame_ = nullptr;
    QGroupBox* configFrame_ = nullptr;
    QRadioButton* standard_ = nullptr;
    QRadioButton* advanced_ = nullptr;
    QRadioButton* distance_ = nullptr;
    QRadioButton* detail_ = nullptr;
    QRadioButton* homologation_ = nullptr;
    QList<QLabel*> indicators_;
    QList<QLabel*> lineLabels_;
};

} // namespace zelvan::grid::ui
