#include "widgets/ControlColumn.h"

#include <QScrollArea>

namespace zelvan::widgets
{

QScrollArea* controlColumn(QWidget* panel)
{
    auto* scroll = new QScrollArea;
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumWidth(panel->sizeHint().width() + 20); // room for the vertical bar
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return scroll;
}

} // namespace zelvan::widgets
