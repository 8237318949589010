#include "app/ui/ExtentList.h"

#include <QScrollBar>
#include <algorithm>

namespace zelvan::app::ui
{

ExtentList::ExtentList(QWidget* parent) : QListWidget(parent)
{
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void ExtentList::setHorizontalExtent(int pixels)
{
    extent_ = std::max(0, pixels);
    updateGeometries();
}

void ExtentList::updateGeometries()
{
    QListWidget::updateGeometries();
    // The view would size the range from its items; the set extent decides instead.
    horizontalScrollBar()->setRange(0, std::max(0, extent_ - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

} // namespace zelvan::app::ui
