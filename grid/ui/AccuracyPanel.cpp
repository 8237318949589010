#include "grid/ui/AccuracyPanel.h"

#include "grid/Overlay.h"
#include "widgets/PictureCanvas.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelvan::grid::ui
{

namespace
{

QRadioButton* option(const char* name, const QString& caption, QGroupBox* into)
{
    auto* b = new QRadioButton(caption, into);
    b->setObjectName(QString::fromLatin1(name));
    into->layout()->addWidget(b);
    return b;
}

// A small label drawn over the picture: its text in `colour`, the picture showing through.
// The mesh points of a shallow grid lie close together, so the indicators are small.
QLabel* onPicture(const QString& name, QWidget* canvas, int pointSize)
{
    auto* label = new QLabel(canvas);
    label->setObjectName(name);
    label->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the picture
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(pointSize);
    label->setFont(font);
    label->hide();
    return label;
}

void setLabel(QLabel* label, const QString& text, const QColor& colour)
{
    label->setText(text);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
    label->adjustSize();
}

} // namespace

AccuracyPanel::AccuracyPanel(app::Station& station, Dialogs& dialogs,
                             widgets::PictureCanvas& canvas, QObject* parent)
    : QObject(parent), station_(station), dialogs_(dialogs), canvas_(canvas)
{
    displayFrame_ = buildDisplayFrame();
    configFrame_ = buildConfigFrame();
    for (int k = 0; k < kIndicatorCount; ++k)
        indicators_.append(
            onPicture(QStringLiteral("AccuracyIndicator(%1)").arg(k), canvas_.viewport(), 7));
    for (int i = 0; i < kLineLabelCount; ++i)
        lineLabels_.append(
            onPicture(QStringLiteral("LineLabel(%1)").arg(i), canvas_.viewport(), 9));
    // Screen load: Standard and Hom.Lvl, both frames hidden until a grid is ready.
    standard_->setChecked(true);
    homologation_->setChecked(true);
    setAvailable(false);
}

QGroupBox* AccuracyPanel::buildDisplayFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Accuracy "));
    frame->setObjectName(QStringLiteral("fmAccuracyDisplay"));
    new QVBoxLayout(frame);
    standard_ = option("optStandardAccuracy", QStringLiteral("Standard"), frame);
    advanced_ = option("optAdvancedAccuracy", QStringLiteral("Advanced"), frame);
    connect(advanced_, &QRadioButton::clicked, this, [this] { configFrame_->show(); });
    connect(standard_, &QRadioButton::clicked, this, [this] { configFrame_->hide(); });
    return frame;
}

QGroupBox* AccuracyPanel::buildConfigFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Display"));
    frame->setObjectName(QStringLiteral("fmAccuracyConfig"));
    new QVBoxLayout(frame);
    distance_ = option("optDisplayDistance", QStringLiteral("Distance"), frame);
    detail_ = option("optDetailMeasurement", QStringLiteral("Detail "), frame);
    homologation_ = option("optHomolgationLevel", QStringLiteral("Hom.Lvl"), frame);
    return frame;
}

AccuracyMode AccuracyPanel::mode() const
{
    return advanced_->isChecked() ? AccuracyMode::Advanced : AccuracyMode::Standard;
}

AccuracyDisplay AccuracyPanel::display() const
{
    if (distance_->isChecked())
        return AccuracyDisplay::Distance;
    if (detail_->isChecked())
        return AccuracyDisplay::Detail;
    return AccuracyDisplay::HomologationLevel;
}

void AccuracyPanel::setAvailable(bool available)
{
    displayFrame_->setVisible(available);
    configFrame_->setVisible(available && mode() == AccuracyMode::Advanced);
    if (!available)
        clearIndicators();
}

void AccuracyPanel::clearIndicators()
{
    for (QLabel* indicator : std::as_const(indicators_))
        indicator->hide();
}

QColor AccuracyPanel::labelColour() const
{
    // The indicators take the stored colour value even when its name is "default".
    return storedColour(station_.labelColorValue());
}

void AccuracyPanel::runCheck(const SetupScreenTexts& texts,
                             const std::function<void()>& drawOverlay)
{
    if (mode() == AccuracyMode::Standard)
        homologation_->setChecked(true);
    AccuracyInput input;
    input.texts = texts;
    input.mode = mode();
    input.display = display();
    input.barefootMode = station_.barefootMode();
    input.sitSkiMode = station_.sitSkiMode();
    const AccuracyResult result =
        station_.changeGrids([&](GridStore&, WorkingSet& work, GridFlags&) {
            return runAccuracyCheck(input, work, station_.clock());
        });
    appendToFile(result.fileLines);
    placeIndicators(result);
    if (!result.status) {
        dialogs_.message(result.status.error(), Icon::Error);
        return;
    }
    if (input.mode == AccuracyMode::Standard)
        chooseSkierPath(result.mesh);
    drawOverlay();
}

void AccuracyPanel::appendToFile(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    const QString folder = station_.videoDirectory();
    // Without its folder the file would land wherever the current folder happens to be.
    if (folder.isEmpty() || !QDir(folder).exists()) {
        dialogs_.message(QStringLiteral("The accuracy file was not written: the save-video "
                                        "folder \"%1\" does not exist.  Change it in the "
                                        "configuration screen.")
                             .arg(QDir::toNativeSeparators(folder)),
                         Icon::Warning);
        return;
    }
    const QDate today = station_.clock().now().date();
    if (const Status appended = appendAccuracyFile(folder, today, lines); !appended)
        dialogs_.message(appended.error(), Icon::Warning);
}

void AccuracyPanel::placeIndicators(const AccuracyResult& result)
{
    const QColor colour = labelColour();
    for (const AccuracyPoint& p : result.points) {
        QLabel* indicator = indicators_.value(p.index);
        if (!indicator)
            continue;
        indicator->hide();
        setLabel(indicator, p.label, colour);
        canvas_.placeAt(indicator, QPointF(p.left, p.top));
        indicator->setVisible(result.indicatorsVisible);
    }
}

void AccuracyPanel::chooseSkierPath(const AccuracyMesh& mesh)
{
    const QColor colour = labelColour();
    const QList<SkierPathLine> lines = skierPathLines(mesh);
    canvas_.clearDrawing();
    canvas_.draw([lines, colour](QPainter& p) {
        p.setPen(overlayPen(colour));
        for (const SkierPathLine& line : lines)
            p.drawLine(QPointF(line.from.x, line.from.y), QPointF(line.to.x, line.to.y));
    });
    for (int r = 0; r < lines.size() && r < lineLabels_.size(); ++r) {
        setLabel(lineLabels_[r], lines[r].labelText, colour);
        canvas_.placeAt(lineLabels_[r], QPointF(lines[r].labelLeft, lines[r].labelTop));
        lineLabels_[r]->show();
    }
    const std::optional<int> chosen = askSkierPathLine(dialogs_);
    canvas_.clearDrawing();
    for (QLabel* label : std::as_const(lineLabels_))
        label->hide();
    if (!chosen)
        return;
    for (int k : skierPathIndicators(*chosen))
        if (QLabel* indicator = indicators_.value(k))
            indicator->show();
}

} // namespace zelvan::grid::ui
