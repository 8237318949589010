#include "widgets/FilledBox.h"

#include <QLineEdit>

namespace zelvan::widgets
{

void showStartOfFilledText(QLineEdit* box)
{
    if (!box)
        return;
    // setText clears the modified flag before it tells of the change; typing sets it.
    QObject::connect(box, &QLineEdit::textChanged, box, [box] {
        if (!box->isModified())
            box->setCursorPosition(0);
    });
}

} // namespace zelvan::widgets
