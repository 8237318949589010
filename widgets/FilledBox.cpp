#include "widgets/FilledBox.h"

#include <QLineEdit>

namespace zelvan::widgets
{

void fillBox(QLineEdit* box, const QString& text)
{
    box->setText(text);
    // Also when the text was already there: setText moves the cursor to the end either way.
    box->setCursorPosition(0);
}

} // namespace zelvan::widgets
