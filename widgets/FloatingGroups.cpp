#include "widgets/FloatingGroups.h"

#include "base/Numbers.h"
#include "widgets/DragHandle.h"
#include "widgets/PictureCanvas.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

namespace zelvan::widgets
{

QLabel* dragCaption(const char* name, const QString& caption)
{
    auto* label = new QLabel(caption);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("background: black; color: white; padding: 2px;"));
    return label;
}

QFrame* floatingPanel(PictureCanvas& canvas)
{
    auto* group = new QFrame(canvas.viewport());
    group->setFrameShape(QFrame::StyledPanel);
    group->setAutoFillBackground(true);
    group->setAttribute(Qt::WA_NoMousePropagation);
    return group;
}

void addArrowPad(QGridLayout* grid, int firstRow, QObject* context,
                 const std::function<void(int key)>& onArrow)
{
    const struct {
        const char* name;
        Qt::ArrowType arrow;
        Qt::Key key;
        int row, col;
    } arrows[] = {{"AdjustUp", Qt::UpArrow, Qt::Key_Up, 0, 1},
                  {"AdjustLeft", Qt::LeftArrow, Qt::Key_Left, 1, 0},
                  {"AdjustRight", Qt::RightArrow, Qt::Key_Right, 1, 2},
                  {"AdjustDown", Qt::DownArrow, Qt::Key_Down, 2, 1}};
    for (const auto& a : arrows) {
        auto* b = new QToolButton;
        b->setObjectName(QString::fromLatin1(a.name));
        b->setArrowType(a.arrow);
        const int key = a.key;
        QObject::connect(b, &QToolButton::clicked, context, [onArrow, key] { onArrow(key); });
        grid->addWidget(b, firstRow + a.row, a.col, Qt::AlignCenter);
    }
}

void placeDraggable(PictureCanvas& canvas, const QList<DraggableGroup>& groups)
{
    // Side by side along the top, where a shore camera's picture shows the far bank: stacked
    // down the left they would cover the buoys nearest the camera on the left.
    double left = 150;
    for (const auto& [group, captions] : groups) {
        group->adjustSize();
        canvas.placeAt(group, QPointF(left, 150));
        left += (group->sizeHint().width() + 8) * kTwipsPerPixel;
        for (QWidget* caption : captions)
            new DragHandle(caption, group, canvas);
    }
}

} // namespace zelvan::widgets
