#pragma once
// The name a screen reader or an AT-SPI client reads for a control: what its accessibility
// interface says now, whether a screen set the name or the control's own caption gives it.
#include <QAccessible>
#include <QWidget>

namespace zelvan::test
{

inline QString accessibleNameOf(const QWidget* w)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w));
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace zelvan::test
