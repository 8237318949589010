#pragma once
// A message box a procedure wants shown, kept as data so that headless procedures
// can be tested and replayed on the screen in order.
#include "base/Dialogs.h"

#include <QList>
#include <QString>

namespace zelvan
{

struct OperatorMessage {
    QString text;
    Icon icon = Icon::None;
    QString title; // empty: the application's title

    bool operator==(const OperatorMessage& o) const
    {
        return text == o.text && icon == o.icon && title == o.title;
    }
};

using OperatorMessages = QList<OperatorMessage>;

inline void showMessages(Dialogs& dialogs, const OperatorMessages& messages)
{
    for (const auto& m : messages)
        dialogs.message(m.text, m.icon, m.title);
}

} // namespace zelvan
