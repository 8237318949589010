#include "tools/ui/CalibrateScreen.h"

#include "grid/Overlay.h"
#include "widgets/Accessibility.h"
#include "widgets/PictureCanvas.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan::tools::ui
{

namespace
{

// The boxes in the order the operator fills them: screen column, then water column.
const char* const kBoxNames[] = {"CalibrationLineXTwips",  "CalibrationLineXTwips2",
                                 "CalibrationLineYTwips",  "CalibrationLineYTwips2",
                                 "CalibrationLineXActual", "CalibrationLineXActual2",
                                 "CalibrationLineYActual", "CalibrationLineYActual2"};

QLabel* caption(const char* name, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* button(const char* name, const QString& text)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

void drawSegment(QPainter& p, const CalibrationLine& line, const QColor& colour)
{
    p.setPen(grid::overlayPen(colour));
    p.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
}

} // namespace

CalibrateScreen::CalibrateScreen(app::Station& station, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Calibrate"));
    setWindowTitle(QStringLiteral("Calibration Assistant"));
    auto* menu = new QMenuBar(this);
    QAction* exit = menu->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("formexit"));
    connect(exit, &QAction::triggered, this, &QWidget::hide);

    units_ = button("CalibrationLineUnitsSelect", QStringLiteral("Actual"));
    auto* draw = button("CalibrateLineDrawCommand", QStringLiteral("Draw"));
    auto* erase = button("CalibrationLineErase", QStringLiteral("Erase"));
    connect(units_, &QPushButton::clicked, this, &CalibrateScreen::switchUnits);
    connect(draw, &QPushButton::clicked, this, &CalibrateScreen::drawLine);
    connect(erase, &QPushButton::clicked, this, &CalibrateScreen::eraseLine);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Input:")));
    buttons->addWidget(units_);
    buttons->addStretch();
    buttons->addWidget(draw);
    buttons->addWidget(erase);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(buildTable());
    layout->addLayout(buttons);
    // Tab: the boxes, then the buttons.
    setTabOrder(boxes_.value(QStringLiteral("CalibrationLineYActual2")), units_);
    setTabOrder(units_, draw);
    setTabOrder(draw, erase);
    setFixedSize(sizeHint());
    widgets::describeControls(this);
}

QLineEdit* CalibrateScreen::box(const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(90);
    boxes_.insert(edit->objectName(), edit);
    return edit;
}

QWidget* CalibrateScreen::buildTable()
{
    // Columns: from and to of the screen points, then from and to of the water points; rows
    // X and Y.
    auto* table = new QWidget;
    auto* grid = new QGridLayout(table);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(caption("CalibrationLineScreenLabel", QStringLiteral("Screen")), 0, 1, 1, 2,
                    Qt::AlignCenter);
    grid->addWidget(caption("CalibrationLineActualLabel", QStringLiteral("Actual")), 0, 4, 1, 2,
                    Qt::AlignCenter);
    grid->addWidget(caption("Label1", QStringLiteral("from")), 1, 1);
    grid->addWidget(caption("Label2", QStringLiteral("to")), 1, 2);
    grid->addWidget(caption("Label5", QStringLiteral("from")), 1, 4);
    grid->addWidget(caption("Label6", QStringLiteral("to")), 1, 5);
    QLabel* x = caption("Label3", QStringLiteral("X"));
    QLabel* y = caption("Label4", QStringLiteral("Y"));
    grid->addWidget(x, 2, 0);
    grid->addWidget(y, 3, 0);
    const int columns[] = {1, 2, 1, 2, 4, 5, 4, 5};
    const int rows[] = {2, 2, 3, 3, 2, 2, 3, 3};
    for (int i = 0; i < 8; ++i)
        grid->addWidget(box(kBoxNames[i]), rows[i], columns[i]);
    grid->setColumnMinimumWidth(3, 16);
    x->setBuddy(boxes_.value(QStringLiteral("CalibrationLineXTwips")));
    y->setBuddy(boxes_.value(QStringLiteral("CalibrationLineYTwips")));
    // Tab goes along the screen column, then along the water column.
    QWidget* previous = nullptr;
    for (const char* name :
         {"CalibrationLineXTwips", "CalibrationLineYTwips", "CalibrationLineXTwips2",
          "CalibrationLineYTwips2", "CalibrationLineXActual", "CalibrationLineYActual",
          "CalibrationLineXActual2", "CalibrationLineYActual2"}) {
        QWidget* next = boxes_.value(QString::fromLatin1(name));
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    return table;
}

void CalibrateScreen::addCanvas(widgets::PictureCanvas* canvas)
{
    if (!canvas)
        return;
    for (const auto& known : std::as_const(canvases_))
        if (known == canvas)
            return;
    canvases_.append(canvas);
}

void CalibrateScreen::openOver(widgets::PictureCanvas* canvas)
{
    addCanvas(canvas);
    show();
    raise();
    activateWindow();
}

CalibrationBoxes CalibrateScreen::boxes() const
{
    const auto text = [this](const char* name) {
        return boxes_.value(QString::fromLatin1(name))->text();
    };
    return {text("CalibrationLineXTwips"),   text("CalibrationLineYTwips"),
            text("CalibrationLineXTwips2"),  text("CalibrationLineYTwips2"),
            text("CalibrationLineXActual"),  text("CalibrationLineYActual"),
            text("CalibrationLineXActual2"), text("CalibrationLineYActual2")};
}

void CalibrateScreen::showBoxes(const CalibrationBoxes& b)
{
    const auto put = [this](const char* name, const QString& text) {
        QLineEdit* edit = boxes_.value(QString::fromLatin1(name));
        if (edit->text() != text)
            edit->setText(text);
    };
    put("CalibrationLineXTwips", b.CalibrationLineXTwips);
    put("CalibrationLineYTwips", b.CalibrationLineYTwips);
    put("CalibrationLineXTwips2", b.CalibrationLineXTwips2);
    put("CalibrationLineYTwips2", b.CalibrationLineYTwips2);
    put("CalibrationLineXActual", b.CalibrationLineXActual);
    put("CalibrationLineYActual", b.CalibrationLineYActual);
    put("CalibrationLineXActual2", b.CalibrationLineXActual2);
    put("CalibrationLineYActual2", b.CalibrationLineYActual2);
}

void CalibrateScreen::switchUnits()
{
    units_->setText(otherCalibrationCaption(units_->text()));
}

void CalibrateScreen::drawLine()
{
    const Result<CalibrationDraw> converted =
        convertCalibrationLine(calibrationInputOf(units_->text()), boxes(), station_.workingSet());
    if (!converted) {
        dialogs_.message(converted.error() + QStringLiteral(".  Nothing was drawn."),
                         Icon::Warning);
        return;
    }
    showBoxes(converted->boxes);
    drawOnEveryPicture(previous_, &converted->line);
    previous_ = converted->line;
    drawnOnce_ = true;
}

void CalibrateScreen::eraseLine()
{
    drawOnEveryPicture(previous_, nullptr);
}

void CalibrateScreen::drawOnEveryPicture(const CalibrationLine& erase, const CalibrationLine* line)
{
    // The magenta of the pictures' background takes the previous line away.
    const std::optional<CalibrationLine> drawn =
        line ? std::optional<CalibrationLine>(*line) : std::nullopt;
    // Before the first drawing the previous line is the point (0, 0): nothing to take away.
    const bool erasing = drawnOnce_;
    if (!erasing && !drawn)
        return;
    for (const auto& canvas : std::as_const(canvases_)) {
        if (!canvas)
            continue;
        const QColor background = canvas->background();
        canvas->draw([erase, erasing, drawn, background](QPainter& p) {
            if (erasing)
                drawSegment(p, erase, background);
            if (drawn)
                drawSegment(p, *drawn, Qt::white);
        });
    }
}

} // namespace zelvan::tools::ui
