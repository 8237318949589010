#include "cli/ToolDialogs.h"

namespace zelvan::cli
{

void ToolDialogs::message(const QString& text, Icon, const QString&)
{
    shown.append(text);
}

bool ToolDialogs::askYesNo(const QString&, const QString&, DefaultAnswer)
{
    return false;
}

std::optional<QString> ToolDialogs::input(const QString&, const QString&, const QString&,
                                          const std::optional<QPoint>&)
{
    return std::nullopt;
}

QString ToolDialogs::openFile(const QString&, const QString&, const QString&, int)
{
    return {};
}

QString ToolDialogs::saveFile(const QString&, const QString&, const QString&, int)
{
    return {};
}

} // namespace zelvan::cli
