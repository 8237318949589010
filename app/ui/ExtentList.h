#pragma once
// A list whose horizontal scroll range is set by the program (the width of its widest entry),
// as the log viewers ask for, rather than worked out by the view.
#include <QListWidget>

namespace zelvan::app::ui
{

class ExtentList : public QListWidget
{
    Q_OBJECT

public:
    explicit ExtentList(QWidget* parent = nullptr);
    // The width in pixels the entries may be scrolled across.
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return extent_; }

protected:
    void updateGeometries() override;

private:
    int extent_ = 0;
};

} // namespace zelvan::app::ui
