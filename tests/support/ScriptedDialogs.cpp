#include "ScriptedDialogs.h"

namespace zelvan
{

namespace
{
QString shownTitle(const QString& title)
{
    return title.isEmpty() ? QString::fromLatin1(kAppTitle) : title;
}
} // namespace

void ScriptedDialogs::message(const QString& text, Icon icon, const QString& title)
{
    shown.append({Kind::Message, text, shownTitle(title), icon});
}

bool ScriptedDialogs::askYesNo(const QString& text, const QString& title, DefaultAnswer byDefault)
{
    shown.append({Kind::YesNo, text, shownTitle(title), Icon::Question, byDefault});
    return yesNoAnswers.isEmpty() ? false : yesNoAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::input(const QString& prompt, const QString& title,
                                              const QString&, const std::optional<QPoint>&)
{
    shown.append({Kind::Input, prompt, shownTitle(title), Icon::None});
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
}

QString ScriptedDialogs::openFile(const QString& title, const QString& folder,
                                  const QString& filter, int selectedFilter)
{
    fileAsks.append({folder, filter, selectedFilter});
    shown.append({Kind::OpenFile, QString(), shownTitle(title), Icon::None});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedDialogs::saveFile(const QString& title, const QString& folder,
                                  const QString& filter, int selectedFilter)
{
    fileAsks.append({folder, filter, selectedFilter});
    shown.append({Kind::SaveFile, QString(), shownTitle(title), Icon::None});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown& s : shown)
        if (!s.text.isEmpty())
            out << s.text;
    return out;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == Kind::Message)
            out << s.text;
    return out;
}

} // namespace zelvan
